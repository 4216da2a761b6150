#include "render_command.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <regex>

#include "demo_project.h"
#include "effect_registry.h"
#include "host_error.h"
#include "image_writer.h"
#include "pixel_host.h"
#include "project_file.h"
#include "render_session.h"

namespace plenorium::cli {
namespace {

namespace fs = std::filesystem;
using host::HostError;

struct FrameRange {
  long first;
  long last;
};

FrameRange parseFrames(const std::string& text, long count) {
  if (text.empty()) return {0, count - 1};
  static const std::regex form(R"(^\s*(\d+)\s*(?:-\s*(\d+)\s*)?$)");
  std::smatch m;
  if (!std::regex_match(text, m, form)) throw HostError("--frames '" + text + "': expected A-B or A, for example 0-99");
  const long first = std::stol(m[1]);
  const long last = m[2].matched ? std::stol(m[2]) : first;
  if (first > last) throw HostError("--frames '" + text + "': the first frame comes after the last");
  if (last >= count) {
    throw HostError("--frames '" + text + "': the composition has frames 0 to " + std::to_string(count - 1));
  }
  return {first, last};
}

int downsampleOf(const std::string& resolution) {
  if (resolution == "full") return 1;
  if (resolution == "half") return 2;
  if (resolution == "third") return 3;
  if (resolution == "quarter") return 4;
  throw HostError("--resolution '" + resolution + "': expected full, half, third or quarter");
}

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// Where frame n goes: a folder gets <comp>_<nnnn>.png; a pattern gets n in place of %0Nd or ####.
class OutputNames {
 public:
  OutputNames(const std::string& output, const std::string& compName, bool singleFrame) {
    const std::string extension = lower(fs::path(output).extension().string());
    if (extension == ".mp4" || extension == ".mov" || extension == ".mkv") {
      throw HostError("'" + output + "': video output is not available yet; write PNG frames (a folder or name.%04d.png)");
    }
    if (extension == ".tif" || extension == ".tiff" || extension == ".exr") {
      throw HostError("'" + output + "': only PNG output is available yet; use a .png pattern or a folder");
    }
    if (extension != ".png") {
      folder_ = output.empty() ? fs::path("out") / compName : fs::path(output);
      prefix_ = compName + "_";
      return;
    }
    pattern_ = output;
    if (!hasPattern(output) && !singleFrame) {
      throw HostError("'" + output + "' names one file but several frames are rendered: put %04d or #### in the name");
    }
  }

  fs::path folderToCreate() const { return pattern_.empty() ? folder_ : fs::path(pattern_).parent_path(); }

  std::string nameFor(long frame) const {
    if (pattern_.empty()) {
      char digits[32];
      std::snprintf(digits, sizeof(digits), "%04ld", frame);
      return (folder_ / (prefix_ + digits + ".png")).string();
    }
    static const std::regex printf(R"(%0?(\d*)d)");
    static const std::regex hashes(R"(#+)");
    std::smatch m;
    std::string name = pattern_;
    if (std::regex_search(name, m, printf)) {
      char digits[32];
      std::snprintf(digits, sizeof(digits), "%0*ld", m[1].length() > 0 ? std::stoi(m[1]) : 1, frame);
      return m.prefix().str() + digits + m.suffix().str();
    }
    if (std::regex_search(name, m, hashes)) {
      char digits[32];
      std::snprintf(digits, sizeof(digits), "%0*ld", static_cast<int>(m.length(0)), frame);
      return m.prefix().str() + digits + m.suffix().str();
    }
    return name;
  }

 private:
  static bool hasPattern(const std::string& s) { return std::regex_search(s, std::regex(R"(%0?\d*d|#)")); }
  fs::path folder_;
  std::string prefix_;
  std::string pattern_;
};

const host::Composition& chooseComp(const host::Project& project, const std::string& requested) {
  const std::string name = requested.empty() ? project.renderComp : requested;
  if (!name.empty()) {
    if (const host::Composition* comp = project.compByName(name)) return *comp;
    std::string known;
    for (const auto& item : project.items) {
      if (item->kind == host::ItemKind::COMP) known += " '" + item->name + "'";
    }
    throw HostError("no composition named '" + name + "'; the project has:" + known);
  }
  const host::Composition* last = nullptr;
  for (const auto& item : project.items) {
    if (item->kind == host::ItemKind::COMP) last = item->comp.get();
  }
  if (last == nullptr) throw HostError(project.file + ": the project has no composition to render");
  return *last;
}

}  // namespace

int runRender(const RenderOptions& options) {
  try {
    if (options.depth != 8 && options.depth != 16 && options.depth != 32) {
      throw HostError("--depth " + std::to_string(options.depth) + ": expected 8, 16 or 32");
    }
    host::RenderSettings settings;
    settings.depth = options.depth == 8 ? host::PixelDepth::U8 : options.depth == 16 ? host::PixelDepth::U16 : host::PixelDepth::F32;
    settings.downsample = downsampleOf(options.resolution);

    host::HostCore core;
    if (!options.trace.empty()) core.setTrace(host::TraceWriter(options.trace));
    host::PixelHost pixels(core);
    std::vector<std::string> leaks;
    {
      host::EffectRegistry registry(core);
      registry.load(options.modulePath);
      // Without a project file the built-in demo renders: generated sources, no media needed.
      host::Project project =
          options.project.empty()
              ? host::parseProject(nlohmann::json::parse(DEMO_PROJECT), "built-in demo", fs::current_path().string(),
                                   registry.schemaLookup())
              : host::loadProject(options.project, registry.schemaLookup());
      {
        host::RenderSession session(core, pixels, registry, project);
        session.startInstances();
        const host::Composition& comp = chooseComp(project, options.comp);
        const FrameRange range = parseFrames(options.frames, comp.frameCount());
        const OutputNames names(options.output, comp.item->name, range.first == range.last);
        if (!names.folderToCreate().empty()) fs::create_directories(names.folderToCreate());
        const auto start = std::chrono::steady_clock::now();
        for (long frame = range.first; frame <= range.last; ++frame) {
          host::OwnedWorld world = session.renderFrame(comp, frame, settings);
          for (const std::string& warning : session.takeWarnings()) std::cerr << "plenorium: warning: " << warning << '\n';
          const std::string name = names.nameFor(frame);
          host::writePng(*world, name, options.depth == 8 ? host::FileDepth::EIGHT : host::FileDepth::SIXTEEN);
          if (!options.quiet) {
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            std::fprintf(stderr, "frame %ld/%ld  %s  %.1f fps\n", frame - range.first + 1, range.last - range.first + 1,
                         name.c_str(), static_cast<double>(frame - range.first + 1) / std::max(seconds, 1e-9));
          }
        }
      }
      if (!options.saveProject.empty()) host::saveProject(project, options.saveProject);
    }
    for (const std::string& line : core.accounting().imbalanceReport()) {
      std::cerr << "plenorium: warning: not given back by the end of the render: " << line << '\n';
    }
    return 0;
  } catch (const HostError& e) {
    std::cerr << "plenorium: " << e.what() << '\n';
    return 1;
  } catch (const fs::filesystem_error& e) {
    std::cerr << "plenorium: " << e.what() << '\n';
    return 1;
  }
}

}  // namespace plenorium::cli
