// Decodes frames of a video file (mp4, mov, mkv, ...) through the FFmpeg libraries, frame by
// frame at exact frame indices: sequential requests decode onward, others seek to the key frame
// before the wanted one and decode forward from there.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace plenorium::host {

class VideoReader {
 public:
  // Throws HostError naming the file when it cannot be opened or has no video stream.
  explicit VideoReader(const std::string& path);
  ~VideoReader();
  VideoReader(const VideoReader&) = delete;
  VideoReader& operator=(const VideoReader&) = delete;

  int width() const;
  int height() const;
  double fps() const;
  long frameCount() const;
  double pixelAspect() const;
  bool hasSound() const;  // whether the file also holds sound (SoundReader reads it)

  // Frame `index` (0 first; clamped to the last) as 8-bit RGBA rows, width × 4 bytes apart.
  // Throws HostError when decoding fails.
  const std::vector<std::uint8_t>& frame(long index);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace plenorium::host
