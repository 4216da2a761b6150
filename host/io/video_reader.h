// Decodes frames of a video file (mp4, mov, mkv, ...) through the FFmpeg libraries, frame by
// frame at exact frame indices: sequential requests decode onward, others seek to the key frame
// before the wanted one and decode forward from there. One reader is used by one thread at a
// time; `decodeAhead` lets a worker decode the next frame while the caller does other work.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace plenorium::host {

class World;

class VideoReader {
 public:
  // Throws HostError naming the file when it cannot be opened or has no video stream.
  // `decoderThreads`: the decoder's own threads (0: as many as it finds useful).
  // `upright`: frames are turned as the stream's display matrix says (a phone's portrait clip),
  // as FFmpeg's tools show them; width() and height() are then the shown size.
  explicit VideoReader(const std::string& path, int decoderThreads = 0, bool upright = true);
  ~VideoReader();
  VideoReader(const VideoReader&) = delete;
  VideoReader& operator=(const VideoReader&) = delete;

  int width() const;
  int height() const;
  double fps() const;
  long frameCount() const;
  double pixelAspect() const;
  bool hasSound() const;  // whether the file also holds sound (SoundReader reads it)
  bool turned() const;    // whether frames are turned upright (frameInto is then not offered)

  // Frame `index` (0 first; clamped to the last) as 8-bit RGBA rows, width × 4 bytes apart.
  // Throws HostError when decoding fails.
  const std::vector<std::uint8_t>& frame(long index);
  // Frame `index` converted straight into `out`, an 8-bit world of the video's size, for a video
  // that is not turned: no copy between decoding and the world. Throws HostError when decoding fails.
  void frameInto(long index, World& out);
  // Decodes up to frame `index` and keeps it, so that the next frameInto or frame of it only
  // converts. The frame shown last stays at hand too.
  void decodeAhead(long index);
  // Frames decoded so far (any thread may ask).
  long framesDecoded() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace plenorium::host
