// What a video file is encoded as: the codec, its quality and speed, the pixel format, and the
// sound codec the container takes. Users choose by short names; whatever they leave out follows
// from the file's container. Resolving checks every choice against the container and the
// installed encoders, so a bad choice is refused before anything is rendered.
#pragma once

#include <optional>
#include <string>

namespace plenorium::host {

// The host's sound format: what footage sound is decoded to and what video writers take in.
inline constexpr int SOUND_RATE = 48000;
inline constexpr int SOUND_CHANNELS = 2;  // interleaved float, left then right

struct VideoChoices {
  std::string codec;        // h264, h265, prores, prores4444, ffv1, vp9, gif; empty: by container
  std::optional<int> crf;   // H.264, H.265 and VP9: constant rate factor (lower is better)
  std::string preset;       // H.264 and H.265: ultrafast ... placebo
  std::string pixelFormat;  // FFmpeg's name (yuv420p, yuv422p10le, yuva444p10le, gbrap, ...)
  bool sound = false;       // whether a sound track is written
};

struct VideoFormat {
  std::string container;    // the file's extension, lower case, with its dot
  std::string encoder;      // FFmpeg's encoder name
  std::string codecName;    // the short name users choose by
  std::string pixelFormat;  // FFmpeg's name
  bool alpha = false;       // the pixel format keeps the wall's alpha; otherwise over black
  bool rgb = false;         // planar RGB (no matrix) rather than YUV or a palette
  int bitsPerSample = 8;    // of the pixel format's largest component
  int chromaShiftX = 0;     // subsampled chroma wants sizes divisible by 1 << shift
  int chromaShiftY = 0;
  std::optional<int> crf;
  std::string preset;
  std::string profile;       // ProRes: hq or 4444
  std::string soundEncoder;  // empty: no sound track
};

// The codecs users can name, for messages and help: "h264, h265, ...".
std::string videoCodecNames();

// Fills in what `choices` leave out for a file named `path` and checks the rest. Throws HostError
// naming the option at fault.
VideoFormat resolveVideoFormat(const std::string& path, const VideoChoices& choices);

}  // namespace plenorium::host
