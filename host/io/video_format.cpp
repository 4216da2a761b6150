#include "video_format.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <array>
#include <filesystem>
#include <span>

#include "host_error.h"

namespace plenorium::host {
namespace {

struct CrfRange {
  int lowest, highest, standard;
};

struct CodecDescription {
  const char* name;
  const char* alias;  // the encoder's own name users may type instead
  const char* encoder;
  const char* pixelFormat;  // the default
  const char* profile;      // ProRes only
  std::optional<CrfRange> crf;
  bool presets;
  std::array<const char*, 4> containers;  // the first is where users are sent when the name does not fit
  const char* soundEncoder;               // nullptr: no sound in this container
};

// CRF 18 (H.264) and 20 (H.265) are visually lossless for most walls; 31 is libvpx's own advice
// for VP9 at HD sizes.
const CodecDescription CODECS[] = {
    {"h264", "libx264", "libx264", "yuv420p", "", CrfRange{0, 51, 18}, true, {".mp4", ".mov", ".mkv", ".m4v"}, "aac"},
    {"h265", "libx265", "libx265", "yuv420p", "", CrfRange{0, 51, 20}, true, {".mp4", ".mov", ".mkv", ".m4v"}, "aac"},
    {"prores", "prores_hq", "prores_ks", "yuv422p10le", "hq", std::nullopt, false, {".mov"}, "pcm_s16le"},
    {"prores4444", "prores_4444", "prores_ks", "yuva444p10le", "4444", std::nullopt, false, {".mov"}, "pcm_s16le"},
    {"ffv1", "ffv1", "ffv1", "bgr0", "", std::nullopt, false, {".mkv"}, "flac"},
    {"vp9",
     "libvpx-vp9",
     "libvpx-vp9",
     "yuv420p",
     "",
     CrfRange{0, 63, 31},
     false,
     {".webm", ".mkv", ".mp4"},
     "libopus"},
    {"gif", "gif", "gif", "rgb8", "", std::nullopt, false, {".gif"}, nullptr},
};

const char* const PRESETS[] = {"ultrafast", "superfast", "veryfast", "faster",   "fast",
                               "medium",    "slow",      "slower",   "veryslow", "placebo"};

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool holds(std::span<const char* const> list, const std::string& value) {
  return std::any_of(list.begin(), list.end(), [&](const char* entry) { return entry != nullptr && value == entry; });
}

std::string joined(std::span<const char* const> list) {
  std::string text;
  for (const char* entry : list) {
    if (entry == nullptr) continue;
    text += (text.empty() ? "" : ", ") + std::string(entry);
  }
  return text;
}

const CodecDescription& codecFor(const std::string& choice, const std::string& container) {
  if (choice.empty()) {
    // The container's usual codec: the first that names it.
    for (const CodecDescription& codec : CODECS) {
      if (holds(codec.containers, container)) return codec;
    }
    throw HostError("'" + container + "' is not a video container this host writes");
  }
  const std::string name = lower(choice);
  for (const CodecDescription& codec : CODECS) {
    if (name == codec.name || name == codec.alias || (name == "hevc" && std::string(codec.name) == "h265"))
      return codec;
  }
  throw HostError("--codec '" + choice + "': expected one of " + videoCodecNames());
}

std::string pixelFormatsOf(const AVCodec& encoder) {
  std::string text;
  for (const AVPixelFormat* f = encoder.pix_fmts; f != nullptr && *f != AV_PIX_FMT_NONE; ++f) {
    text += (text.empty() ? "" : ", ") + std::string(av_get_pix_fmt_name(*f));
  }
  return text;
}

}  // namespace

std::string videoCodecNames() {
  std::string text;
  for (const CodecDescription& codec : CODECS) text += (text.empty() ? "" : ", ") + std::string(codec.name);
  return text;
}

VideoFormat resolveVideoFormat(const std::string& path, const VideoChoices& choices) {
  VideoFormat format;
  format.container = lower(std::filesystem::path(path).extension().string());
  const CodecDescription& codec = codecFor(choices.codec, format.container);
  if (!holds(codec.containers, format.container)) {
    throw HostError("--codec " + std::string(codec.name) + ": goes into " + joined(codec.containers) + " files, not " +
                    (format.container.empty() ? "'" + path + "'" : format.container));
  }
  const AVCodec* encoder = avcodec_find_encoder_by_name(codec.encoder);
  if (encoder == nullptr) {
    throw HostError("--codec " + std::string(codec.name) + ": the installed FFmpeg has no " + codec.encoder +
                    " encoder");
  }
  format.encoder = codec.encoder;
  format.codecName = codec.name;
  format.profile = codec.profile;

  if (choices.crf) {
    if (!codec.crf) {
      throw HostError("--crf: " + std::string(codec.name) +
                      " has no rate factor (ProRes quality follows its profile, FFV1 is lossless, GIF is a palette)");
    }
    if (*choices.crf < codec.crf->lowest || *choices.crf > codec.crf->highest) {
      throw HostError("--crf " + std::to_string(*choices.crf) + ": " + codec.name + " takes " +
                      std::to_string(codec.crf->lowest) + " (best) to " + std::to_string(codec.crf->highest));
    }
    format.crf = choices.crf;
  } else if (codec.crf) {
    format.crf = codec.crf->standard;
  }

  if (!choices.preset.empty()) {
    if (!codec.presets) throw HostError("--preset: only h264 and h265 have presets");
    if (!holds(PRESETS, lower(choices.preset))) {
      throw HostError("--preset '" + choices.preset + "': expected one of " + joined(PRESETS));
    }
    format.preset = lower(choices.preset);
  } else if (codec.presets) {
    format.preset = "medium";
  }

  format.pixelFormat = choices.pixelFormat.empty() ? codec.pixelFormat : lower(choices.pixelFormat);
  const AVPixelFormat pixelFormat = av_get_pix_fmt(format.pixelFormat.c_str());
  bool supported = false;
  for (const AVPixelFormat* f = encoder->pix_fmts; f != nullptr && *f != AV_PIX_FMT_NONE; ++f) {
    supported = supported || *f == pixelFormat;
  }
  if (pixelFormat == AV_PIX_FMT_NONE || !supported) {
    throw HostError("--pix-fmt '" + format.pixelFormat + "': " + codec.name + " takes " + pixelFormatsOf(*encoder));
  }
  const AVPixFmtDescriptor* description = av_pix_fmt_desc_get(pixelFormat);
  format.alpha = (description->flags & AV_PIX_FMT_FLAG_ALPHA) != 0;
  format.rgb = (description->flags & AV_PIX_FMT_FLAG_RGB) != 0;
  format.bitsPerSample = 0;
  for (int c = 0; c < description->nb_components; ++c) {
    format.bitsPerSample = std::max(format.bitsPerSample, description->comp[c].depth);
  }
  format.chromaShiftX = description->log2_chroma_w;
  format.chromaShiftY = description->log2_chroma_h;

  if (choices.sound) {
    if (codec.soundEncoder == nullptr) throw HostError("--audio: a " + format.container + " file has no sound");
    if (avcodec_find_encoder_by_name(codec.soundEncoder) == nullptr) {
      throw HostError("--audio: the installed FFmpeg has no " + std::string(codec.soundEncoder) +
                      " encoder for the sound");
    }
    format.soundEncoder = codec.soundEncoder;
  }
  return format;
}

}  // namespace plenorium::host
