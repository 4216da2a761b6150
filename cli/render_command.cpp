#include "render_command.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <regex>

#include "demo_project.h"
#include "effect_registry.h"
#include "host_error.h"
#include "image_writer.h"
#include "interrupt.h"
#include "media_library.h"
#include "progress.h"
#include "video_writer.h"
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
  // Numbers of more than nine digits are past any composition; they are not converted.
  if (m[1].length() > 9 || (m[2].matched && m[2].length() > 9)) {
    throw HostError("--frames '" + text + "': the composition has frames 0 to " + std::to_string(count - 1));
  }
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

bool isVideoName(const std::string& output) {
  const std::string extension = lower(fs::path(output).extension().string());
  return extension == ".mp4" || extension == ".mov" || extension == ".mkv";
}

// Where frame n goes: a folder gets <comp>_<nnnn>.png; a pattern gets n in place of %0Nd or ####.
class OutputNames {
 public:
  OutputNames(const std::string& output, const std::string& compName, bool singleFrame) {
    const std::string extension = lower(fs::path(output).extension().string());
    if (extension != ".png" && extension != ".tif" && extension != ".tiff" && extension != ".exr") {
      folder_ = output.empty() ? fs::path("out") / compName : fs::path(output);
      prefix_ = compName + "_";
      return;
    }
    pattern_ = output;
    static const std::regex widths(R"(%0?(\d+)d|(#+))");
    std::smatch m;
    const std::string name = fs::path(output).filename().string();
    if (std::regex_search(name, m, widths) && (m[1].length() > 1 || m.length(2) > 9 || (m[1].matched && m[1] == "0"))) {
      throw HostError("'" + output + "': a frame number takes 1 to 9 digits (%04d or ####)");
    }
    if (!hasPattern(output) && !singleFrame) {
      throw HostError("'" + output + "' names one picture but several frames are rendered: put %04d or #### in the "
                      "name, or name a video (.mp4, .mov)");
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
    host::MediaLibrary media(pixels.engine());
    const host::FootageProbe probe = [&media](host::Item& item) { media.probe(item); };
    const InterruptGuard interrupt;
    long written = 0;
    bool stopped = false;
    {
      host::EffectRegistry registry(core);
      registry.load(options.modulePath);
      // Without a project file the built-in demo renders: generated sources, no media needed.
      host::Project project =
          options.project.empty()
              ? host::parseProject(nlohmann::json::parse(DEMO_PROJECT), "built-in demo", fs::current_path().string(),
                                   registry.schemaLookup(), probe)
              : host::loadProject(options.project, registry.schemaLookup(), probe);
      {
        host::RenderSession session(core, pixels, registry, project);
        session.setFootageProvider(&media);
        session.startInstances();
        const host::Composition& comp = chooseComp(project, options.comp);
        const FrameRange range = parseFrames(options.frames, comp.frameCount());
        const bool video = isVideoName(options.output);
        std::optional<OutputNames> names;
        fs::path folder;
        if (video) {
          folder = fs::path(options.output).parent_path();
        } else {
          names.emplace(options.output, comp.item->name, range.first == range.last);
          folder = names->folderToCreate();
        }
        if (!folder.empty()) fs::create_directories(folder);
        const host::FileDepth fileDepth = options.depth == 8 ? host::FileDepth::EIGHT : host::FileDepth::SIXTEEN;
        std::unique_ptr<host::VideoWriter> writer;
        Progress progress(range.last - range.first + 1, options.quiet);
        for (long frame = range.first; frame <= range.last; ++frame) {
          if (InterruptGuard::requested()) {
            stopped = true;
            break;
          }
          host::OwnedWorld world = session.renderFrame(comp, frame, settings);
          for (const std::string& warning : session.takeWarnings()) std::cerr << "\nplenorium: warning: " << warning << '\n';
          std::string name;
          if (video) {
            if (!writer) writer = std::make_unique<host::VideoWriter>(options.output, world->width(), world->height(), comp.rate);
            writer->add(*world);
            name = options.output;
          } else {
            name = names->nameFor(frame);
            host::writeImage(*world, name, fileDepth);
          }
          ++written;
          progress.frameDone(name);
        }
        progress.finish();
        // An interrupted video is dropped whole; finished frames of a sequence stay.
        if (writer && !stopped) writer->finish();
      }
      if (!options.saveProject.empty() && !stopped) host::saveProject(project, options.saveProject);
    }
    if (stopped) {
      std::cerr << "plenorium: stopped after " << written << " frame" << (written == 1 ? "" : "s")
                << (isVideoName(options.output) ? "; the video was not written" : "") << '\n';
      return 130;
    }
    if (!core.trace().failure().empty()) throw HostError(core.trace().failure());
    for (const std::string& line : core.accounting().imbalanceReport()) {
      std::cerr << "plenorium: warning: not given back by the end of the render: " << line << '\n';
    }
    return 0;
  } catch (const HostError& e) {
    std::cerr << "plenorium: " << host::oneLine(e.what()) << '\n';
    return 1;
  } catch (const fs::filesystem_error& e) {
    std::cerr << "plenorium: " << host::oneLine(e.what()) << '\n';
    return 1;
  } catch (const std::bad_alloc&) {
    std::cerr << "plenorium: " << (options.project.empty() ? "the built-in demo" : options.project)
              << ": not enough memory for this render\n";
    return 1;
  } catch (const std::exception& e) {
    // A last resort: every failure the host foresees is a HostError with its own message.
    std::cerr << "plenorium: " << (options.project.empty() ? "the built-in demo" : options.project) << ": "
              << host::oneLine(e.what()) << '\n';
    return 1;
  }
}

}  // namespace plenorium::cli
