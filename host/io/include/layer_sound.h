// The sound of one footage layer as its composition hears it: the clip's sound shifted by the
// layer's start time, repeated as the footage loops, silent outside the layer's in and out points
// and beyond the clip, cut into the spans of the composition's frames.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "project.h"
#include "sound_reader.h"

namespace plenorium::host {

class LayerSound {
 public:
  // Throws HostError when `layerName` names no layer of `comp`, or a layer without sound.
  LayerSound(const Composition& comp, const std::string& layerName);

  // The sound of composition frame `frame`, SOUND_CHANNELS interleaved floats per sound frame;
  // consecutive frames join without a gap or an overlap.
  const std::vector<float>& samplesOf(long frame);

 private:
  LayerSound(const Composition& comp, const Layer& layer);
  // The first sound frame of composition frame `frame`, counted from the composition's start.
  std::int64_t soundFrameAt(long frame) const;

  FrameRate rate_;
  std::int64_t startShift_;  // the layer's start time, in sound frames
  std::int64_t inPoint_;     // the layer's in and out points, in sound frames
  std::int64_t outPoint_;
  std::int64_t period_;  // a looping clip's length in sound frames; 0: it does not loop
  SoundReader reader_;
  std::vector<float> samples_;
};

}  // namespace plenorium::host
