// The picture module: PictureCodec over OpenImageIO. Built as libplenorium-oiio.so and loaded
// by the host only when a picture that is not a PNG is read or written.
#include <OpenImageIO/filesystem.h>
#include <OpenImageIO/imageio.h>

#include <string>

#include "host_error.h"
#include "picture_codec.h"

namespace plenorium::host {
namespace {

OIIO::TypeDesc typeOf(PictureSample sample) {
  switch (sample) {
    case PictureSample::U8: return OIIO::TypeDesc::UINT8;
    case PictureSample::U16: return OIIO::TypeDesc::UINT16;
    case PictureSample::HALF: return OIIO::TypeDesc::HALF;
    case PictureSample::F32: return OIIO::TypeDesc::FLOAT;
  }
  return OIIO::TypeDesc::FLOAT;
}

class OiioFile final : public PictureFile {
 public:
  explicit OiioFile(std::unique_ptr<OIIO::ImageInput> in) : in_(std::move(in)) {
    const OIIO::ImageSpec& spec = in_->spec();
    info_.width = spec.width;
    info_.height = spec.height;
    info_.channels = spec.nchannels;
    info_.sample = spec.format == OIIO::TypeDesc::UINT8    ? PictureSample::U8
                   : spec.format == OIIO::TypeDesc::UINT16 ? PictureSample::U16
                                                           : PictureSample::F32;
    info_.pixelAspect = spec.get_float_attribute("PixelAspectRatio", 1.0f);
    info_.exr = std::string(in_->format_name()) == "openexr";
    info_.colourSpace = spec.get_string_attribute("colorSpace", spec.get_string_attribute("oiio:ColorSpace"));
  }

  const PictureInfo& info() const override { return info_; }

  std::string read(int channels, PictureSample sample, void* out) override {
    if (in_->read_image(0, 0, 0, channels, typeOf(sample), out)) return "";
    return "cannot decode the picture (" + oneLine(in_->geterror()) + ")";
  }

 private:
  std::unique_ptr<OIIO::ImageInput> in_;
  PictureInfo info_;
};

// The formats that are pictures to write (OpenImageIO's "ffmpeg" reader and its null and
// terminal outputs are not).
std::unique_ptr<OIIO::ImageOutput> pictureOutput(const std::string& path) {
  auto out = OIIO::ImageOutput::create(path);
  if (!out) return nullptr;
  const std::string format = out->format_name();
  if (format == "ffmpeg" || format == "null" || format == "term") return nullptr;
  return out;
}

class OiioCodec final : public PictureCodec {
 public:
  std::unique_ptr<PictureFile> open(const std::string& path, std::string& error) const override {
    // Worlds hold straight colour: files are read without associating alpha with colour.
    OIIO::ImageSpec config;
    config.attribute("oiio:UnassociatedAlpha", 1);
    auto in = OIIO::ImageInput::open(path, &config);
    if (!in) {
      error = "cannot read the picture (" + oneLine(OIIO::geterror()) + ")";
      return nullptr;
    }
    return std::make_unique<OiioFile>(std::move(in));
  }

  bool writes(const std::string& path) const override { return pictureOutput(path) != nullptr; }

  bool keepsAlpha(const std::string& path) const override {
    auto out = pictureOutput(path);
    return out && out->supports("alpha") != 0;
  }

  std::string write(const std::string& path, const PictureToWrite& picture, std::vector<unsigned char>& memory,
                    const std::string& fallbackFile, bool& inMemory) const override {
    auto out = pictureOutput(path);
    if (!out) return "no format writes such pictures";
    OIIO::ImageSpec spec(picture.width, picture.height, picture.channels, typeOf(picture.stored));
    if (picture.channels == 4) spec.alpha_channel = 3;
    if (picture.channels == 4 && picture.straightAlpha) spec.attribute("oiio:UnassociatedAlpha", 1);
    if (picture.zip) spec.attribute("compression", "zip");
    if (picture.rec709) {
      const float primaries[8] = {0.64f, 0.33f, 0.30f, 0.60f, 0.15f, 0.06f, 0.3127f, 0.3290f};
      spec.attribute("chromaticities", OIIO::TypeDesc(OIIO::TypeDesc::FLOAT, 8), primaries);
    }
    if (!picture.colourSpace.empty()) spec.attribute("colorSpace", picture.colourSpace);
    OIIO::Filesystem::IOVecOutput proxy(memory);
    inMemory = out->supports("ioproxy") != 0;
    if (inMemory) out->set_ioproxy(&proxy);
    const std::string target = inMemory ? path : fallbackFile;
    const bool ok = out->open(target, spec) && out->write_image(typeOf(picture.given), picture.pixels) && out->close();
    return ok ? "" : oneLine(out->geterror());
  }
};

}  // namespace
}  // namespace plenorium::host

extern "C" {

__attribute__((visibility("default"))) int plenoriumPictureCodecVersion() {
  return plenorium::host::PICTURE_CODEC_VERSION;
}

// The codec has no state of its own: one constant instance serves every caller.
__attribute__((visibility("default"))) const plenorium::host::PictureCodec* plenoriumPictureCodec() {
  static const plenorium::host::OiioCodec codec;
  return &codec;
}
}
