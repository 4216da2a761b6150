// Buffers for a decoder's frames, mapped from the system with all their pages at once: a decoder
// fills a few dozen megabytes of new frames before it reuses any, and where each first touch of a
// page is a fault that costs microseconds (virtual machines) that was a tenth of the decoding.
// Only for 4:2:0 8-bit frames of decoders that take buffers from outside; others keep FFmpeg's.
// Meant for decoders on one thread, which hold the fewest frames.
// Private to host/io.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <memory>

namespace plenorium::host {

class FrameBuffers {
 public:
  FrameBuffers();
  ~FrameBuffers();  // buffers still held by frames outlive it, and are unmapped when let go
  FrameBuffers(const FrameBuffers&) = delete;
  FrameBuffers& operator=(const FrameBuffers&) = delete;

  // Makes `codec` (not yet decoding) take its frames from these buffers.
  void serve(AVCodecContext* codec);

  // Mappings made so far (any thread may ask; for tests).
  long mapped() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace plenorium::host
