// libFuzzer target for the project loader: any bytes given as a project file must end in a loaded
// project or a HostError naming the problem, never in a crash, a sanitizer report or another
// exception. The wall effect is loaded once so that its controls are named as in real projects
// (PLENORIUM_FUZZ_MODULE names the module; scripts/fuzz.sh sets it).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "effect_registry.h"
#include "host_error.h"
#include "pixel_host.h"
#include "project_file.h"

namespace {

struct Host {
  plenorium::host::HostCore core;
  plenorium::host::PixelHost pixels{core, 1};
  plenorium::host::EffectRegistry registry{core};
};

Host& host() {
  static Host* h = [] {
    auto* made = new Host;  // kept for the process's life, as libFuzzer runs inputs until it exits
    const char* module = std::getenv("PLENORIUM_FUZZ_MODULE");
    if (module == nullptr) {
      std::fprintf(stderr, "project_loader_fuzz: set PLENORIUM_FUZZ_MODULE to the effect module\n");
      std::abort();
    }
    made->registry.load(module);
    return made;
  }();
  return *h;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  host();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  nlohmann::json doc;
  try {
    doc = nlohmann::json::parse(data, data + size);
  } catch (const nlohmann::json::exception&) {
    return 0;  // the loader's own caller reports text that is not JSON
  }
  try {
    const plenorium::host::Project project =
        plenorium::host::parseProject(doc, "fuzz.json", "/nonexistent", host().registry.schemaLookup());
    (void)plenorium::host::projectToJson(project).dump();
  } catch (const plenorium::host::HostError&) {
  }
  return 0;
}
