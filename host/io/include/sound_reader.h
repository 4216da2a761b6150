// Reads the sound of a media file through the FFmpeg libraries as the host's sound format
// (SOUND_RATE, SOUND_CHANNELS interleaved floats), by sample position. Position 0 is the
// moment the file's first video frame shows (or its sound starts, in a file without video), so
// sound and pictures of one clip stay together. Reading onward decodes onward; a jump seeks.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace plenorium::host {

class SoundReader {
 public:
  // Throws HostError naming the file when it cannot be opened or has no sound.
  explicit SoundReader(const std::string& path);
  ~SoundReader();
  SoundReader(const SoundReader&) = delete;
  SoundReader& operator=(const SoundReader&) = delete;

  // Fills `out` with `count` sound frames from position `first` on; before the sound starts and
  // after it ends, silence. Throws HostError when decoding fails.
  void read(std::int64_t first, int count, float* out);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace plenorium::host
