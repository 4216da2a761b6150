#include <filesystem>
#include <system_error>

#include "host_error.h"
#include "installed_files.h"
#include "picture_codec.h"
#include "shared_library.h"

namespace plenorium::host {
namespace {

namespace fs = std::filesystem;

// The loaded module and its codec. OpenImageIO keeps threads of its own, so the code stays
// mapped until the process ends.
class LoadedCodec {
 public:
  LoadedCodec() : path_(installedFile(PICTURE_CODEC_FILE)), library_(open(path_)) {
    using Version = int (*)();
    using Factory = const PictureCodec* (*)();
    const auto version = reinterpret_cast<Version>(library_.symbol(PICTURE_CODEC_VERSION_SYMBOL));
    const auto factory = reinterpret_cast<Factory>(library_.symbol(PICTURE_CODEC_SYMBOL));
    if (version == nullptr || factory == nullptr || version() != PICTURE_CODEC_VERSION) {
      throw HostError(unavailable(path_, "it was built for another version of plenorium"));
    }
    codec_ = factory();
  }
  const PictureCodec& codec() const { return *codec_; }

 private:
  static std::string unavailable(const fs::path& path, const std::string& why) {
    return "pictures other than PNG need the picture module '" + path.string() + "', which cannot be used: " + why;
  }
  static SharedLibrary open(const fs::path& path) {
    std::error_code ec;
    if (!fs::exists(path, ec)) throw HostError(unavailable(path, "no such file"));
    try {
      return SharedLibrary(path.string(), SharedLibrary::Unload::WITH_PROCESS);
    } catch (const HostError& e) {
      // The system's reason names the library that is missing, which may be one it needs.
      throw HostError("pictures other than PNG need the picture module: " + std::string(e.what()));
    }
  }

  fs::path path_;
  SharedLibrary library_;
  const PictureCodec* codec_ = nullptr;
};

}  // namespace

const PictureCodec& pictureCodec() {
  // Loaded once, on first use, and only read afterwards; a failed load is tried again next time.
  static const LoadedCodec loaded;
  return loaded.codec();
}

}  // namespace plenorium::host
