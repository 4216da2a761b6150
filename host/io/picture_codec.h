// Picture files of the formats OpenImageIO reads and writes (JPEG, TIFF, OpenEXR, WebP, ...).
// This code lives in a module of its own, libplenorium-oiio.so, that the host loads the first time
// it meets such a file: OpenImageIO brings well over a hundred shared libraries with it, which
// would otherwise cost every run of the command about a quarter of a second and a hundred
// megabytes before it does anything. PNG files are read and written without it.
//
// The module and the host are built together, by one compiler against one standard library, so
// the interface is plain C++. Nothing throws across it: failures come back as messages.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace plenorium::host {

// Bumped whenever anything below changes, so that a stale module is refused, not misread.
constexpr int PICTURE_CODEC_VERSION = 1;
constexpr const char* PICTURE_CODEC_FILE = "libplenorium-oiio.so";
constexpr const char* PICTURE_CODEC_VERSION_SYMBOL = "plenoriumPictureCodecVersion";
constexpr const char* PICTURE_CODEC_SYMBOL = "plenoriumPictureCodec";

enum class PictureSample { U8, U16, HALF, F32 };

// What an open picture file holds.
struct PictureInfo {
  int width = 0, height = 0, channels = 0;
  PictureSample sample = PictureSample::F32;  // the file's, or F32 for any other kind
  float pixelAspect = 1;
  bool exr = false;
  std::string colourSpace;  // as the file tags it; empty when it does not
};

class PictureFile {
 public:
  virtual ~PictureFile() = default;
  virtual const PictureInfo& info() const = 0;
  // Reads the first `channels` channels of the whole picture as `sample` (U8, U16 or F32) into
  // `out`; "" or the reason. Colour is straight where the format can keep it so; OpenEXR's stays
  // multiplied by alpha, as the format stores it.
  virtual std::string read(int channels, PictureSample sample, void* out) = 0;
};

// Interleaved pixels to write, and how the file is to store and tag them.
struct PictureToWrite {
  int width = 0, height = 0, channels = 4;  // channels 3 (RGB) or 4 (RGBA, alpha last)
  PictureSample given = PictureSample::U8;  // U8, U16 or F32
  const void* pixels = nullptr;
  PictureSample stored = PictureSample::U8;
  bool straightAlpha = true;  // false: colour is multiplied by alpha (OpenEXR's way)
  bool zip = false;           // zip compression, for OpenEXR
  bool rec709 = false;        // tag Rec. 709 primaries with a D65 white
  std::string colourSpace;    // tag, when not empty
};

class PictureCodec {
 public:
  virtual ~PictureCodec() = default;
  // The picture file at `path`, or null with the reason in `error`.
  virtual std::unique_ptr<PictureFile> open(const std::string& path, std::string& error) const = 0;
  // Whether some format writes pictures to `path` (by its extension; video formats do not count),
  // and whether that format keeps an alpha channel.
  virtual bool writes(const std::string& path) const = 0;
  virtual bool keepsAlpha(const std::string& path) const = 0;
  // Encodes `picture` in the format `path` names: into `memory` when the format can write to
  // memory (`inMemory` is set), otherwise into the file `fallbackFile`. "" or the reason.
  virtual std::string write(const std::string& path, const PictureToWrite& picture, std::vector<unsigned char>& memory,
                            const std::string& fallbackFile, bool& inMemory) const = 0;
};

// The module, loaded on first use and kept for the life of the process. Throws HostError saying
// what could not be done when the module is missing or does not match this host.
const PictureCodec& pictureCodec();

}  // namespace plenorium::host
