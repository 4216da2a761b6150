#include "render_command.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <regex>
#include <span>

#include "demo_project.h"
#include "effect_registry.h"
#include "host_error.h"
#include "image_writer.h"
#include "interrupt.h"
#include "layer_sound.h"
#include "media_library.h"
#include "output_file.h"
#include "output_queue.h"
#include "pixel_host.h"
#include "progress.h"
#include "project_file.h"
#include "render_session.h"
#include "video_writer.h"
#include "worker_threads.h"

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

const char* const VIDEO_EXTENSIONS[] = {".mp4", ".mov", ".mkv", ".m4v", ".webm", ".gif"};

enum class OutputKind { FOLDER, PICTURES, VIDEO };

// A folder (no extension, a trailing slash, or an existing folder), pictures in any format the
// host writes, or a video. Anything else is refused, listing what works.
OutputKind outputKindOf(const std::string& output) {
  if (output.empty() || output.back() == '/' || fs::is_directory(output)) return OutputKind::FOLDER;
  const std::string extension = lower(fs::path(output).extension().string());
  if (extension.empty()) return OutputKind::FOLDER;
  for (const char* video : VIDEO_EXTENSIONS) {
    if (extension == video) return OutputKind::VIDEO;
  }
  if (host::canWritePicture(output)) return OutputKind::PICTURES;
  throw HostError("'" + output + "': cannot write " + extension +
                  " files; name a folder, pictures (.png, .tif, .exr, .jpg, .webp, .bmp, ...) or a video (.mp4, .mov, "
                  ".mkv, .webm, .gif)");
}

// Where frame n goes: a folder gets <comp>_<nnnn>.png; a pattern gets n in place of %0Nd or ####
// in its file name (never in the folders above it). Files are numbered from `firstNumber` on.
class OutputNames {
 public:
  OutputNames(const std::string& output, const std::string& compName, bool singleFrame, OutputKind kind)
      : firstNumber_(0) {
    if (kind == OutputKind::FOLDER) {
      folder_ = output.empty() ? fs::path("out") / compName : fs::path(output);
      prefix_ = compName + "_";
      return;
    }
    folder_ = fs::path(output).parent_path();
    pattern_ = fs::path(output).filename().string();
    static const std::regex widths(R"(%0?(\d+)d|(#+))");
    std::smatch m;
    if (std::regex_search(pattern_, m, widths) &&
        (m[1].length() > 1 || m.length(2) > 9 || (m[1].matched && m[1] == "0"))) {
      throw HostError("'" + output + "': a frame number takes 1 to 9 digits (%04d or ####)");
    }
    if (!std::regex_search(pattern_, std::regex(R"(%0?\d*d|#)")) && !singleFrame) {
      throw HostError("'" + output +
                      "' names one picture but several frames are rendered: put %04d or #### in the "
                      "name, or name a video (.mp4, .mov)");
    }
  }

  // Frame `first` of the range is numbered `number`, the next one more, and so on.
  void numberFrom(long first, long number) {
    firstFrame_ = first;
    firstNumber_ = number;
  }

  const fs::path& folderToCreate() const { return folder_; }

  std::string nameFor(long frame) const {
    const long number = frame - firstFrame_ + firstNumber_;
    if (pattern_.empty()) {
      char digits[32];
      std::snprintf(digits, sizeof(digits), "%04ld", number);
      return (folder_ / (prefix_ + digits + ".png")).string();
    }
    static const std::regex printf(R"(%0?(\d*)d)");
    static const std::regex hashes(R"(#+)");
    std::smatch m;
    std::string name = pattern_;
    char digits[32];
    if (std::regex_search(pattern_, m, printf)) {
      std::snprintf(digits, sizeof(digits), "%0*ld", m[1].length() > 0 ? std::stoi(m[1]) : 1, number);
      name = m.prefix().str() + digits + m.suffix().str();
    } else if (std::regex_search(pattern_, m, hashes)) {
      std::snprintf(digits, sizeof(digits), "%0*ld", static_cast<int>(m.length(0)), number);
      name = m.prefix().str() + digits + m.suffix().str();
    }
    return (folder_ / name).string();
  }

 private:
  fs::path folder_;
  std::string prefix_;
  std::string pattern_;  // the file name with its placeholder; empty for a folder
  long firstFrame_ = 0;
  long firstNumber_;
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

// Video options given for pictures are refused rather than ignored.
void refuseVideoOptions(const RenderOptions& options) {
  const std::pair<const char*, bool> given[] = {
      {"--codec", !options.codec.empty()},   {"--crf", options.crf.has_value()},
      {"--preset", !options.preset.empty()}, {"--pix-fmt", !options.pixelFormat.empty()},
      {"--audio", !options.audio.empty()},   {"--no-sound", options.noSound}};
  for (const auto& [option, isGiven] : given) {
    if (isGiven)
      throw HostError(std::string(option) +
                      ": pictures have no codec or sound; name a video (.mp4, .mov, .mkv, .webm)");
  }
}

// Sound is written only when asked for; a source with sound is pointed out once, so that nobody
// wonders where it went.
void noteUnusedSound(const host::Project& project) {
  std::vector<std::string> withSound;
  for (const auto& item : project.items) {
    if (item->kind == host::ItemKind::FOOTAGE && item->hasSound) withSound.push_back("'" + item->path + "'");
  }
  if (withSound.empty()) return;
  std::cerr << "plenorium: note: " << withSound.front()
            << (withSound.size() > 1 ? " and " + std::to_string(withSound.size() - 1) + " more sources have" : " has")
            << " sound; the video has none unless --audio LAYER (or \"render\": {\"audio\": LAYER} in the project) "
               "names the layer to take it from\n";
}

}  // namespace

namespace {

// A project opened to be looked at, not rendered: the effect loaded, footage probed.
struct OpenedProject {
  explicit OpenedProject(const RenderOptions& options)
      : media(pixels.engine(), 0), registry(core), project(load(options)) {}

  host::Project load(const RenderOptions& options) {
    const host::FootageProbe probe = [this](host::Item& item) { media.probe(item); };
    registry.load(options.modulePath);
    return options.project.empty() ? host::parseProject(nlohmann::json::parse(DEMO_PROJECT), "built-in demo",
                                                        fs::current_path().string(), registry.schemaLookup(), probe)
                                   : host::loadProject(options.project, registry.schemaLookup(), probe);
  }

  host::HostCore core;
  host::PixelHost pixels{core, 1};
  host::MediaLibrary media;
  host::EffectRegistry registry;
  host::Project project;
};

std::string audioLayerOf(const RenderOptions& options, const host::Project& project) {
  if (options.noSound) return "";
  return options.audio.empty() ? project.renderAudio : options.audio;
}

}  // namespace

RenderScope scopeOf(const RenderOptions& options) {
  const OpenedProject opened(options);
  const host::Project& project = opened.project;
  const host::Composition& comp = chooseComp(project, options.comp);
  const FrameRange range = parseFrames(options.frames, comp.frameCount());
  RenderScope scope;
  scope.first = range.first;
  scope.last = range.last;
  scope.video = outputKindOf(options.output) == OutputKind::VIDEO;
  if (scope.video) {
    scope.audioLayer = audioLayerOf(options, project);
    scope.soundEncoder = host::resolveVideoFormat(options.output, {options.codec, options.crf, options.preset,
                                                                   options.pixelFormat, !scope.audioLayer.empty()})
                             .soundEncoder;
    if (!scope.audioLayer.empty()) host::LayerSound(comp, scope.audioLayer);  // the layer is checked
  } else {
    refuseVideoOptions(options);
    // The names are checked as the render checks them.
    OutputNames(options.output, comp.item->name, range.first == range.last, outputKindOf(options.output));
  }
  return scope;
}

int runSoundTrack(const RenderOptions& options, const std::string& path) {
  const OpenedProject opened(options);
  const host::Composition& comp = chooseComp(opened.project, options.comp);
  const FrameRange range = parseFrames(options.frames, comp.frameCount());
  const std::string layer = audioLayerOf(options, opened.project);
  if (layer.empty()) throw HostError("no sound: name the layer with --audio");
  host::LayerSound sound(comp, layer);
  std::vector<float> samples;
  for (long frame = range.first; frame <= range.last; ++frame) {
    const std::vector<float>& span = sound.samplesOf(frame);
    samples.insert(samples.end(), span.begin(), span.end());
  }
  host::writeWholeFile(
      path, std::span(reinterpret_cast<const unsigned char*>(samples.data()), samples.size() * sizeof(float)));
  return 0;
}

int runRender(const RenderOptions& options) {
  try {
    if (options.depth != 8 && options.depth != 16 && options.depth != 32) {
      throw HostError("--depth " + std::to_string(options.depth) + ": expected 8, 16 or 32");
    }
    host::RenderSettings settings;
    settings.depth = options.depth == 8    ? host::PixelDepth::U8
                     : options.depth == 16 ? host::PixelDepth::U16
                                           : host::PixelDepth::F32;
    settings.downsample = downsampleOf(options.resolution);

    if (options.pngLevel < 0 || options.pngLevel > 9) {
      throw HostError("--png-level " + std::to_string(options.pngLevel) + ": expected 0 (fastest) to 9 (smallest)");
    }
    if (options.noSound && !options.audio.empty()) throw HostError("--audio and --no-sound: choose one");
    if (options.cacheMb < 16) throw HostError("--cache-mb " + std::to_string(options.cacheMb) + ": at least 16");
    if (options.threads > 256) {
      throw HostError("--threads " + std::to_string(options.threads) + ": expected 1 to 256, or 0 for one per core");
    }
    // One thread drives the render, drawing with the pixel engine's threads; with more than one,
    // as many helpers decode ahead and write finished frames while it does.
    const unsigned threads = host::usableThreads(options.threads);
    const unsigned helpers = threads > 1 ? threads : 0;

    host::HostCore core;
    if (!options.trace.empty()) core.setTrace(host::TraceWriter(options.trace));
    host::PixelHost pixels(core, threads, options.cacheMb << 20);
    host::MediaLibrary media(pixels.engine(), helpers);
    const host::FootageProbe probe = [&media](host::Item& item) { media.probe(item); };
    const InterruptGuard interrupt;
    long written = 0;
    bool stopped = false;
    {
      host::EffectRegistry registry(core);
      registry.load(options.modulePath);
      // Without a project file the built-in demo renders: generated sources, no media needed.
      // A project built in memory (the wall command), a file, or without either the built-in
      // demo: generated sources, no media needed.
      host::Project project =
          options.document ? host::parseProject(*options.document, options.documentName, fs::current_path().string(),
                                                registry.schemaLookup(), probe)
          : options.project.empty() ? host::parseProject(nlohmann::json::parse(DEMO_PROJECT), "built-in demo",
                                                         fs::current_path().string(), registry.schemaLookup(), probe)
                                    : host::loadProject(options.project, registry.schemaLookup(), probe);
      {
        host::RenderSession session(core, pixels, registry, project);
        session.setFootageProvider(&media);
        session.startInstances();
        const host::Composition& comp = chooseComp(project, options.comp);
        const FrameRange range = parseFrames(options.frames, comp.frameCount());
        const OutputKind kind = outputKindOf(options.output);
        const bool video = kind == OutputKind::VIDEO;
        std::optional<OutputNames> names;
        fs::path folder;
        const std::string audioLayer = audioLayerOf(options, project);
        std::optional<host::VideoFormat> videoFormat;
        std::optional<host::LayerSound> sound;
        if (video) {
          videoFormat = host::resolveVideoFormat(
              options.output, {options.codec, options.crf, options.preset, options.pixelFormat, !audioLayer.empty()});
          if (!audioLayer.empty()) {
            sound.emplace(comp, audioLayer);
          } else if (!options.noSound) {
            noteUnusedSound(project);
          }
          folder = fs::path(options.output).parent_path();
          if (options.noOverwrite && fs::exists(options.output)) {
            throw HostError("'" + options.output + "' exists and --no-overwrite keeps it");
          }
        } else {
          refuseVideoOptions(options);
          names.emplace(options.output, comp.item->name, range.first == range.last, kind);
          if (options.startNumber) names->numberFrom(range.first, *options.startNumber);
          folder = names->folderToCreate();
          if (options.noOverwrite) {
            for (long frame = range.first; frame <= range.last; ++frame) {
              if (fs::exists(names->nameFor(frame))) {
                throw HostError("'" + names->nameFor(frame) + "' exists and --no-overwrite keeps it");
              }
            }
          }
        }
        if (!folder.empty()) fs::create_directories(folder);
        const host::FileDepth fileDepth = options.depth == 8    ? host::FileDepth::EIGHT
                                          : options.depth == 16 ? host::FileDepth::SIXTEEN
                                                                : host::FileDepth::FLOAT;
        if (options.linear && lower(fs::path(options.output).extension().string()) != ".exr") {
          throw HostError("--linear: scene-linear values are written to .exr pictures only");
        }
        const host::ExrColour exrColour = options.linear ? host::ExrColour::LINEAR : host::ExrColour::SRGB;
        std::unique_ptr<host::VideoWriter> writer;
        Progress progress(range.last - range.first + 1, options.quiet);
        {
          // A video's frames go to its encoder in order, on one thread; pictures are written
          // several at once. The writer is declared first, so the queue is done with it first.
          OutputQueue queue(helpers == 0 ? 0 : video ? 1 : helpers, video ? 2 : helpers + 1);
          for (long frame = range.first; frame <= range.last; ++frame) {
            if (InterruptGuard::requested()) {
              stopped = true;
              break;
            }
            host::OwnedWorld world = session.renderFrame(comp, frame, settings);
            for (const std::string& warning : session.takeWarnings()) {
              std::cerr << "\nplenorium: warning: " << warning << '\n';
            }
            if (video) {
              if (!writer) {
                writer = std::make_unique<host::VideoWriter>(options.output, world->width(), world->height(), comp.rate,
                                                             *videoFormat);
              }
              host::VideoWriter* to = writer.get();
              host::LayerSound* from = sound ? &*sound : nullptr;
              queue.submit(
                  std::move(world),
                  [to, from, frame](const host::World& picture) {
                    to->add(picture);
                    if (from != nullptr) {
                      const std::vector<float>& samples = from->samplesOf(frame);
                      to->addSound(samples.data(), static_cast<int>(samples.size() / host::SOUND_CHANNELS));
                    }
                  },
                  [&] {
                    ++written;
                    progress.frameDone(options.output);
                  });
            } else {
              std::string name = names->nameFor(frame);
              const int pngLevel = options.pngLevel;
              queue.submit(
                  std::move(world),
                  [name, fileDepth, exrColour, pngLevel](const host::World& picture) {
                    host::writeImage(picture, name, fileDepth, exrColour, pngLevel);
                  },
                  [&written, &progress, name] {
                    ++written;
                    progress.frameDone(name);
                  });
            }
          }
          queue.drain();
        }
        progress.finish();
        // An interrupted video is dropped whole; finished frames of a sequence stay.
        if (writer && !stopped) writer->finish();
      }
      if (!options.saveProject.empty() && !stopped) host::saveProject(project, options.saveProject);
    }
    if (stopped) {
      std::cerr << "plenorium: stopped after " << written << " frame" << (written == 1 ? "" : "s")
                << (outputKindOf(options.output) == OutputKind::VIDEO ? "; the video was not written" : "") << '\n';
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
