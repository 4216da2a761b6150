// Writes frames, and optionally sound, to a video file through the FFmpeg libraries, encoded as a
// VideoFormat says. The file appears only when finished: until then it is written under a
// temporary name, which is removed when the writer is dropped unfinished.
#pragma once

#include <memory>
#include <string>

#include "project.h"
#include "video_format.h"
#include "world.h"

namespace plenorium::host {

class VideoWriter {
 public:
  // Throws HostError naming the file when it cannot be written. A format with a sound encoder
  // gets a sound track, fed by addSound.
  VideoWriter(const std::string& path, int width, int height, FrameRate rate, const VideoFormat& format);
  // The container's usual format, without sound.
  VideoWriter(const std::string& path, int width, int height, FrameRate rate);
  ~VideoWriter();
  VideoWriter(const VideoWriter&) = delete;
  VideoWriter& operator=(const VideoWriter&) = delete;

  // Appends one frame: with its alpha where the pixel format has one, else composited over black.
  void add(const World& frame);
  // Appends `frames` sound frames at SOUND_RATE, SOUND_CHANNELS interleaved floats each.
  void addSound(const float* samples, int frames);
  // Flushes the encoder and moves the file into place.
  void finish();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace plenorium::host
