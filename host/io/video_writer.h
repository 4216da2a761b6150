// Writes frames to a video file (H.264 in .mp4 or .mov) through the FFmpeg libraries. The file
// appears only when finished: until then it is written under a temporary name, which is removed
// when the writer is dropped unfinished.
#pragma once

#include <memory>
#include <string>

#include "project.h"
#include "world.h"

namespace plenorium::host {

class VideoWriter {
 public:
  // Throws HostError naming the file when it cannot be written.
  VideoWriter(const std::string& path, int width, int height, FrameRate rate);
  ~VideoWriter();
  VideoWriter(const VideoWriter&) = delete;
  VideoWriter& operator=(const VideoWriter&) = delete;

  // Appends one frame (composited over black: video has no alpha).
  void add(const World& frame);
  // Flushes the encoder and moves the file into place.
  void finish();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace plenorium::host
