#include "render_command.h"

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <limits>
#include <memory>
#include <optional>
#include <regex>
#include <set>
#include <span>

#include "host_error.h"
#include "image_writer.h"
#include "interrupt.h"
#include "layer_sound.h"
#include "output_file.h"
#include "output_names.h"
#include "output_queue.h"
#include "progress.h"
#include "project_file.h"
#include "video_writer.h"
#include "wall_reach.h"
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

// The layer whose sound goes into a video: --audio's layer, named or numbered as `check` lists
// the composition's layers (1 is the top), else the project's own choice.
// A pixel format with subsampled colour takes sizes that its subsampling divides; a frame of
// another size loses its last column or row, which is said rather than done silently.
void noteCroppedVideo(const host::VideoFormat& format, int width, int height) {
  const int across = width & ~((1 << format.chromaShiftX) - 1), down = height & ~((1 << format.chromaShiftY) - 1);
  if (across == width && down == height) return;
  std::cerr << "plenorium: note: the video is " << across << "x" << down << ", not " << width << "x" << height << ": "
            << format.pixelFormat << " stores colour at half size, so the frames' odd last "
            << (across != width && down != height ? "column and row are"
                : across != width                 ? "column is"
                                                  : "row is")
            << " left out (an even --size keeps them, or --pix-fmt yuv444p)\n";
}

std::string audioLayerOf(const RenderOptions& options, const host::Project& project, const host::Composition& comp) {
  if (options.noSound) return "";
  if (options.audio.empty()) return project.renderAudio;
  const std::string& given = options.audio;
  if (comp.layerByName(given) != nullptr) return given;
  if (!given.empty() && given.size() <= 9 && std::all_of(given.begin(), given.end(), ::isdigit)) {
    const std::size_t number = std::stoul(given);
    if (number >= 1 && number <= comp.layers.size()) return comp.layers[number - 1]->name;
    throw HostError("--audio " + given + ": '" + comp.item->name + "' has layers 1 to " +
                    std::to_string(comp.layers.size()));
  }
  return given;  // refused with the layers named where the sound is read
}

// The options, checked and turned into what the render uses.
struct CheckedOptions {
  host::RenderSettings settings;
  host::FileDepth fileDepth = host::FileDepth::EIGHT;
  host::ExrColour exrColour = host::ExrColour::SRGB;
  unsigned helpers = 0;  // threads that decode ahead and write finished frames
};

CheckedOptions checkOptions(const RenderOptions& options) {
  if (options.depth != 8 && options.depth != 16 && options.depth != 32) {
    throw HostError("--depth " + std::to_string(options.depth) + ": expected 8, 16 or 32");
  }
  CheckedOptions checked;
  checked.settings.depth = options.depth == 8    ? host::PixelDepth::U8
                           : options.depth == 16 ? host::PixelDepth::U16
                                                 : host::PixelDepth::F32;
  checked.settings.downsample = downsampleOf(options.resolution);
  checked.fileDepth = options.depth == 8    ? host::FileDepth::EIGHT
                      : options.depth == 16 ? host::FileDepth::SIXTEEN
                                            : host::FileDepth::FLOAT;
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
  checked.helpers = threads > 1 ? threads : 0;
  if (options.linear && lowerCase(fs::path(options.output).extension().string()) != ".exr") {
    throw HostError("--linear: scene-linear values are written to .exr pictures only");
  }
  checked.exrColour = options.linear ? host::ExrColour::LINEAR : host::ExrColour::SRGB;
  return checked;
}

// Where the frames go, with what the render holds on to while it writes them.
struct Outputs {
  const host::Composition* comp = nullptr;
  FrameRange range{0, 0};
  bool video = false;
  std::optional<OutputNames> names;  // pictures
  std::optional<host::VideoFormat> videoFormat;
  std::optional<host::LayerSound> sound;
  std::unique_ptr<OutputLock> lock;
};

void openOutputs(HostSession& session, const RenderOptions& options, Outputs& out) {
  const host::Composition& comp = session.comp(options.comp);
  out.comp = &comp;
  out.range = parseFrames(options.frames, comp.frameCount());
  const OutputKind kind = outputKindOf(options.output);
  out.video = kind == OutputKind::VIDEO;
  const ReadFiles inputs = session.footageFiles();
  fs::path folder;
  fs::path lockFile;
  std::set<std::string> targetNames;  // the file names this render writes, for its leftovers
  if (out.video) {
    const std::string audioLayer = audioLayerOf(options, session.project(), comp);
    out.videoFormat = host::resolveVideoFormat(
        options.output, {options.codec, options.crf, options.preset, options.pixelFormat, !audioLayer.empty()});
    if (!audioLayer.empty()) {
      out.sound.emplace(comp, audioLayer);
    } else if (!options.noSound && !options.quiet) {
      noteUnusedSound(session.project());
    }
    folder = fs::path(options.output).parent_path();
    refuseReplacingInput(inputs, options.output, "-o");
    if (options.noOverwrite && fs::exists(options.output)) {
      throw HostError("'" + options.output + "' exists and --no-overwrite keeps it");
    }
    const std::string name = fs::path(options.output).filename().string();
    lockFile = folder / ("." + name + ".lock");
    targetNames.insert(name);
  } else {
    refuseVideoOptions(options);
    out.names.emplace(options.output, comp.item->name, out.range.first == out.range.last, kind);
    if (options.startNumber) out.names->numberFrom(out.range.first, *options.startNumber);
    folder = out.names->folderToCreate();
    for (long frame = out.range.first; frame <= out.range.last; ++frame) {
      const std::string name = out.names->nameFor(frame);
      refuseReplacingInput(inputs, name, "-o");
      if (options.noOverwrite && fs::exists(name)) {
        throw HostError("'" + name + "' exists and --no-overwrite keeps it");
      }
      targetNames.insert(fs::path(name).filename().string());
    }
    lockFile = folder / ("." + out.names->patternName() + ".lock");
  }
  if (!options.saveProject.empty()) refuseReplacingInput(inputs, options.saveProject, "--save-project");
  if (!options.trace.empty() && inputs.sameAs(options.trace) != nullptr) {
    session.dropTrace();
    refuseReplacingInput(inputs, options.trace, "--trace");
  }
  if (!folder.empty()) fs::create_directories(folder);
  // A video is claimed whole; pictures frame by frame, so that a farm's chunks write side by side.
  out.lock = out.video
                 ? std::make_unique<OutputLock>(lockFile, options.output, 0, std::numeric_limits<long>::max())
                 : std::make_unique<OutputLock>(lockFile, options.output.empty() ? folder.string() : options.output,
                                                out.range.first, out.range.last);
  removeAbandonedPartials(folder, [&targetNames](const std::string& name) { return targetNames.count(name) != 0; });
}

struct RenderedFrames {
  long written = 0;
  bool stopped = false;  // interrupted
  std::unique_ptr<host::VideoWriter> writer;
};

RenderedFrames renderFrames(HostSession& session, const RenderOptions& options, const CheckedOptions& checked,
                            Outputs& out) {
  RenderedFrames done;
  host::RenderSession& renderer = session.renderer();
  std::optional<InterruptGuard> interrupt;
  if (!options.stopRequested) interrupt.emplace();
  const long total = out.range.last - out.range.first + 1;
  Progress progress(total, options.quiet);
  {
    // A video's frames go to its encoder in order, on one thread; pictures are written several at
    // once. The writer is declared first (in `done`), so the queue is done with it first.
    const unsigned helpers = checked.helpers;
    OutputQueue queue(helpers == 0 ? 0 : out.video ? 1 : helpers, out.video ? 2 : helpers + 1);
    for (long frame = out.range.first; frame <= out.range.last; ++frame) {
      if (InterruptGuard::requested() || (options.stopRequested && options.stopRequested())) {
        done.stopped = true;
        break;
      }
      host::OwnedWorld world = renderer.renderFrame(*out.comp, frame, checked.settings);
      for (const std::string& warning : renderer.takeWarnings()) {
        std::cerr << "\nplenorium: warning: " << warning << '\n';
      }
      if (out.video) {
        if (!done.writer) {
          if (!options.quiet) noteCroppedVideo(*out.videoFormat, world->width(), world->height());
          done.writer = std::make_unique<host::VideoWriter>(options.output, world->width(), world->height(),
                                                            out.comp->rate, *out.videoFormat);
        }
        host::VideoWriter* to = done.writer.get();
        host::LayerSound* from = out.sound ? &*out.sound : nullptr;
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
              ++done.written;
              progress.frameDone(options.output);
              if (options.frameWritten) options.frameWritten(done.written, total);
            });
      } else {
        std::string name = out.names->nameFor(frame);
        const int pngLevel = options.pngLevel;
        const host::FileDepth fileDepth = checked.fileDepth;
        const host::ExrColour exrColour = checked.exrColour;
        queue.submit(
            std::move(world),
            [name, fileDepth, exrColour, pngLevel](const host::World& picture) {
              host::writeImage(picture, name, fileDepth, exrColour, pngLevel);
            },
            [&done, &progress, &options, total, name] {
              ++done.written;
              progress.frameDone(name);
              if (options.frameWritten) options.frameWritten(done.written, total);
            });
      }
    }
    queue.drain();
  }
  progress.finish();
  return done;
}

int finish(HostSession& session, const RenderOptions& options, Outputs& out, RenderedFrames& done) {
  // An interrupted video is dropped whole; finished frames of a sequence stay.
  if (done.writer && !done.stopped) done.writer->finish();
  done.writer.reset();
  if (!options.saveProject.empty() && !done.stopped) session.save(options.saveProject);
  out.sound.reset();
  out.lock.reset();
  session.shutDown();
  if (done.stopped) {
    if (options.stopRequested) return 130;  // the caller asked, and knows
    std::cerr << "plenorium: stopped after " << done.written << " frame" << (done.written == 1 ? "" : "s")
              << (out.video ? "; the video was not written" : "") << '\n';
    return 130;
  }
  for (const std::string& line : session.core().accounting().imbalanceReport()) {
    std::cerr << "plenorium: warning: not given back by the end of the render: " << line << '\n';
  }
  return 0;
}

}  // namespace

SessionSettings sessionSettingsFor(const RenderOptions& options) {
  const CheckedOptions checked = checkOptions(options);
  SessionSettings settings;
  settings.modulePath = options.modulePath;
  settings.threads = host::usableThreads(options.threads);
  settings.decodeHelpers = checked.helpers;
  settings.cacheBytes = options.cacheMb << 20;
  settings.trace = options.trace;
  return settings;
}

int runRender(const RenderOptions& options) {
  SessionSettings settings = sessionSettingsFor(options);
  if (!options.project.empty()) settings.footageAhead = host::uprightFootageIn(options.project);
  HostSession session(settings);
  // Without a project file the built-in demo renders: generated sources, no media needed.
  session.open(options.project.empty() ? ProjectSource::demo() : ProjectSource::file(options.project));
  return renderOpened(session, options);
}

int renderOpened(HostSession& session, const RenderOptions& options) {
  const CheckedOptions checked = checkOptions(options);
  Outputs outputs;
  openOutputs(session, options, outputs);
  if (!options.quiet) {
    for (const std::string& notice : session.project().loadNotices) std::cerr << "plenorium: note: " << notice << '\n';
  }
  for (const std::string& line : wallsPastTheirFrames(session.project(), outputs.comp))
    std::cerr << "plenorium: warning: " << line << '\n';
  RenderedFrames done = renderFrames(session, options, checked, outputs);
  return finish(session, options, outputs, done);
}

namespace {

// A project opened to be looked at, not rendered: one thread, no trace.
std::unique_ptr<HostSession> openedToLookAt(const RenderOptions& options) {
  SessionSettings settings;
  settings.modulePath = options.modulePath;
  auto session = std::make_unique<HostSession>(settings);
  session->open(options.project.empty() ? ProjectSource::demo() : ProjectSource::file(options.project));
  return session;
}

}  // namespace

RenderScope scopeOf(const RenderOptions& options) {
  const std::unique_ptr<HostSession> session = openedToLookAt(options);
  const host::Composition& comp = session->comp(options.comp);
  const FrameRange range = parseFrames(options.frames, comp.frameCount());
  RenderScope scope;
  scope.first = range.first;
  scope.last = range.last;
  scope.video = outputKindOf(options.output) == OutputKind::VIDEO;
  if (scope.video) {
    scope.audioLayer = audioLayerOf(options, session->project(), comp);
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
  const std::unique_ptr<HostSession> session = openedToLookAt(options);
  const host::Composition& comp = session->comp(options.comp);
  const FrameRange range = parseFrames(options.frames, comp.frameCount());
  const std::string layer = audioLayerOf(options, session->project(), comp);
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

}  // namespace plenorium::cli
