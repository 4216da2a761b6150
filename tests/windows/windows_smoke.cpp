// Drives the Windows module the way the host does on Windows and writes what it saw, for the tests
// on the build machine to compare with the Linux build:
//   windows_smoke MODULE PROJECT OUT_FOLDER
// OUT_FOLDER receives pipl.bin (the PIPL resource, read through the resource API), exports.txt and
// imports.txt (the module's export names and imported libraries), frames/<n>.argb (the frame
// pictures as the module's GDI+ decoder delivers them) and wall8/16/32.raw (frame 12 of the
// project's composition "Main" at each depth). Exit status 0 only when everything ran and the
// host's accounting balanced.
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "effect_registry.h"
#include "frame_library.h"
#include "host_error.h"
#include "module_file.h"
#include "module_image.h"
#include "pixel_host.h"
#include "png_decoder.h"
#include "project_file.h"
#include "raw_picture.h"
#include "render_session.h"

// GDI+ start-up and shut-down from the flat interface of gdiplus.dll.
extern "C" {
struct GdiplusStartupInputRecord {
  UINT32 GdiplusVersion;
  void* DebugEventCallback;
  BOOL SuppressBackgroundThread;
  BOOL SuppressExternalCodecs;
};
int WINAPI GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInputRecord* input, void* output);
void WINAPI GdiplusShutdown(ULONG_PTR token);
}

namespace fs = std::filesystem;
using namespace plenorium;

namespace {

// The host process starts GDI+ before any module decodes with it, and shuts it down at the end.
class GdiplusSession {
 public:
  GdiplusSession() {
    const GdiplusStartupInputRecord input{1, nullptr, FALSE, FALSE};
    if (GdiplusStartup(&token_, &input, nullptr) != 0) throw host::HostError("GDI+ did not start");
  }
  ~GdiplusSession() { GdiplusShutdown(token_); }
  GdiplusSession(const GdiplusSession&) = delete;
  GdiplusSession& operator=(const GdiplusSession&) = delete;

 private:
  ULONG_PTR token_ = 0;
};

// Lines end in a bare line feed, as the tests on the build machine read them.
void writeLines(const fs::path& path, const std::vector<std::string>& lines) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  for (const std::string& line : lines) out << line << '\n';
  if (!out) throw host::HostError("cannot write '" + path.string() + "'");
}

void writeBytes(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw host::HostError("cannot write '" + path.string() + "'");
}

void writePicture(const fs::path& path, const test::RawPicture& picture) {
  if (!test::writeRawPicture(path.string(), picture)) throw host::HostError("cannot write '" + path.string() + "'");
}

// Each frame picture as the module's decoder delivers it: straight ARGB bytes, rows top first.
void decodeFramePictures(const fs::path& resources, const fs::path& out) {
  fs::create_directories(out);
  for (int i = 0; i < FRAME_IMAGE_COUNT; ++i) {
    PngDecoder decoder((resources / FRAME_FILE_NAMES[i]).string());
    test::RawPicture picture{decoder.width(), decoder.height(), 4, {}};
    picture.bytes.resize(std::size_t{picture.width} * picture.height * 4);
    if (!decoder.readARGB(picture.bytes.data())) {
      throw host::HostError(std::string("GDI+ could not decode ") + FRAME_FILE_NAMES[i]);
    }
    writePicture(out / (std::to_string(i) + ".argb"), picture);
  }
}

int run(const std::string& modulePath, const std::string& projectPath, const fs::path& out) {
  fs::create_directories(out);
  GdiplusSession gdiplus;
  writeBytes(out / "pipl.bin", host::readDescriptorBytes(modulePath));
  decodeFramePictures(fs::path(modulePath).parent_path() / "Resources", out / "frames");

  host::HostCore core;
  {
    host::PixelHost pixels(core, 2);
    host::EffectRegistry registry(core);
    registry.load(modulePath);
    const HMODULE module = GetModuleHandleW(fs::absolute(modulePath).wstring().c_str());
    if (module == nullptr) throw host::HostError("the module is not loaded after global set-up");
    writeLines(out / "exports.txt", test::exportedNames(module));
    writeLines(out / "imports.txt", test::importedLibraries(module));

    host::Project project = host::loadProject(projectPath, registry.schemaLookup());
    host::RenderSession session(core, pixels, registry, project);
    session.startInstances();
    const host::Composition* comp = project.compByName("Main");
    if (comp == nullptr) throw host::HostError("the project has no composition 'Main'");
    for (const auto& [depth, name] : test::WALL_PICTURES) {
      const host::OwnedWorld world = session.renderFrame(*comp, test::WALL_FRAME, host::RenderSettings{depth, 1});
      writePicture(out / name, test::rawPictureOf(*world));
    }
    // A wall whose layer control names the effect's own layer, when the project has one.
    if (const host::Composition* own = project.compByName("OwnLayer")) {
      const host::OwnedWorld world = session.renderFrame(*own, test::WALL_FRAME, host::RenderSettings{});
      writePicture(out / "own_layer.argb", test::rawPictureOf(*world));
    }
    for (const std::string& warning : session.takeWarnings())
      std::cerr << "windows_smoke: warning: " << warning << '\n';
  }
  const std::vector<std::string> imbalance = core.accounting().imbalanceReport();
  for (const std::string& line : imbalance) std::cerr << "windows_smoke: not given back: " << line << '\n';
  return imbalance.empty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: windows_smoke MODULE PROJECT OUT_FOLDER\n";
    return 2;
  }
  try {
    return run(argv[1], argv[2], argv[3]);
  } catch (const std::exception& e) {
    std::cerr << "windows_smoke: " << e.what() << '\n';
    return 1;
  }
}
