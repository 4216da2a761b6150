#include "layer_sound.h"

#include <algorithm>
#include <cmath>

#include "host_error.h"
#include "video_format.h"

namespace plenorium::host {
namespace {

const Layer& layerWithSound(const Composition& comp, const std::string& name) {
  const Layer* layer = comp.layerByName(name);
  if (layer == nullptr) {
    std::string known;
    for (const auto& l : comp.layers) known += (known.empty() ? " '" : ", '") + l->name + "'";
    throw HostError("audio: the composition '" + comp.item->name + "' has no layer named '" + name +
                    "'; its layers are" + (known.empty() ? " none" : known));
  }
  if (layer->source == nullptr || layer->source->kind != ItemKind::FOOTAGE) {
    throw HostError("audio: the layer '" + name + "' does not show footage, so it has no sound");
  }
  if (!layer->source->hasSound) {
    throw HostError("audio: the layer '" + name + "' shows '" + layer->source->path + "', which has no sound");
  }
  return *layer;
}

std::int64_t soundFrames(double seconds) {
  return std::llround(seconds * SOUND_RATE);
}

}  // namespace

LayerSound::LayerSound(const Composition& comp, const std::string& layerName)
    : LayerSound(comp, layerWithSound(comp, layerName)) {}

LayerSound::LayerSound(const Composition& comp, const Layer& layer)
    : rate_(comp.rate),
      startShift_(soundFrames(layer.startTime)),
      inPoint_(soundFrames(layer.inPoint)),
      outPoint_(soundFrames(layer.endIn(comp.duration))),
      // A looping clip's sound wraps where its pictures do: after its whole frames.
      period_(layer.source->loops != 1 ? soundFrames(std::round(layer.source->duration * layer.source->rate.fps()) /
                                                     layer.source->rate.fps())
                                       : 0),
      reader_(layer.source->resolvedPath) {}

std::int64_t LayerSound::soundFrameAt(long frame) const {
  // Exact for every rate: 30000/1001 fps gives 1601 or 1602 sound frames a picture, in turn.
  return static_cast<std::int64_t>(frame) * SOUND_RATE * rate_.frameTicks / rate_.timeScale;
}

const std::vector<float>& LayerSound::samplesOf(long frame) {
  const std::int64_t first = soundFrameAt(frame), last = soundFrameAt(frame + 1);
  samples_.assign(static_cast<std::size_t>(last - first) * SOUND_CHANNELS, 0.0f);
  // Only the part of the span between the layer's in and out points sounds.
  const std::int64_t from = std::max(first, inPoint_), to = std::min(last, outPoint_);
  for (std::int64_t at = from; at < to;) {
    std::int64_t source = at - startShift_;
    std::int64_t count = to - at;
    if (period_ > 0 && source >= 0) {
      source %= period_;
      count = std::min(count, period_ - source);
    }
    reader_.read(source, static_cast<int>(count), samples_.data() + (at - first) * SOUND_CHANNELS);
    at += count;
  }
  return samples_;
}

}  // namespace plenorium::host
