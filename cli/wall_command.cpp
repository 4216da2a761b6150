#include "wall_command.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <regex>
#include <sstream>

#include "host_error.h"
#include "media_library.h"
#include "project_file.h"

namespace plenorium::cli {
namespace {

namespace fs = std::filesystem;
using host::HostError;
using json = nlohmann::json;

// The effect takes at most this many layers by name; more clips are shown from a composition.
constexpr std::size_t MANUAL_SOURCES = 20;
// The largest screen the effect's Screen Width and Screen Height controls take.
constexpr double MAX_SCREEN_WIDTH = 1920, MAX_SCREEN_HEIGHT = 1080;
constexpr double STILLS_DURATION = 5;
const char* const MATCH_NAME = "KTRM_Plenorium";

std::pair<int, int> pairOf(const std::string& text, const char* option, int lowest, int highest) {
  static const std::regex form(R"(^\s*(\d{1,6})\s*[xX]\s*(\d{1,6})\s*$)");
  std::smatch m;
  if (std::regex_match(text, m, form)) {
    const int a = std::stoi(m[1]), b = std::stoi(m[2]);
    if (a >= lowest && a <= highest && b >= lowest && b <= highest) return {a, b};
  }
  throw HostError(std::string(option) + " '" + text + "': expected AxB with numbers from " + std::to_string(lowest) +
                  " to " + std::to_string(highest) +
                  (std::string(option) == "--grid" ? ", for example 4x3" : ", for example 1920x1080"));
}

// A value given with --set: JSON where it reads as JSON (numbers, true, [x, y]), else text.
json setValue(const std::string& text) {
  try {
    return json::parse(text);
  } catch (const json::exception&) {
    return text;
  }
}

// A value given with --set as `plenorium params` prints it: "50%" is the number 50 (sliders show
// per cents), and a point "50%,40%" is that share of the wall's width and height in pixels, while
// "960,540" or [960, 540] are pixels.
json setValueFor(const std::string& text, int width, int height) {
  static const std::regex percent(R"(^\s*(-?\d+(?:\.\d+)?)\s*%\s*$)");
  static const std::regex pair(R"(^\s*(-?\d+(?:\.\d+)?)\s*(%?)\s*,\s*(-?\d+(?:\.\d+)?)\s*(%?)\s*$)");
  std::smatch m;
  if (std::regex_match(text, m, percent)) return std::stod(m[1]);
  if (std::regex_match(text, m, pair)) {
    const double x = std::stod(m[1]), y = std::stod(m[3]);
    return json::array({m[2].length() > 0 ? x * width / 100 : x, m[4].length() > 0 ? y * height / 100 : y});
  }
  return setValue(text);
}

// A screen-sized composition showing the clip's layer scaled to fit inside it (bars of the
// composition's transparency on two sides) or to fill it (the rest cropped), centred.
json fittedComp(const std::string& name, const std::string& clipItem, const ClipFacts& clip, int width, int height,
                const std::string& fit, const json& rate, double duration) {
  const double shownWidth = clip.width * clip.pixelAspect;
  const double across = width / shownWidth, down = static_cast<double>(height) / clip.height;
  const double scale = fit == "fit" ? std::min(across, down) : std::max(across, down);
  return {{"name", name},
          {"type", "comp"},
          {"width", width},
          {"height", height},
          {"fps", rate},
          {"duration", duration},
          {"layers", json::array({{{"name", "Clip"},
                                   {"source", clipItem},
                                   {"transform", {{"scale", {scale * clip.pixelAspect * 100, scale * 100}}}}}})}};
}

// "transparent", a colour by name, or #RRGGBB, as [r, g, b, a] from 0 to 1.
json backgroundColour(const std::string& text) {
  if (text == "transparent") return {0, 0, 0, 0};
  static const std::pair<const char*, std::array<int, 3>> NAMED[] = {
      {"black", {0, 0, 0}}, {"white", {255, 255, 255}}, {"gray", {128, 128, 128}}, {"grey", {128, 128, 128}}};
  for (const auto& [name, rgb] : NAMED) {
    if (text == name) return {rgb[0] / 255.0, rgb[1] / 255.0, rgb[2] / 255.0, 1};
  }
  static const std::regex hex(R"(^#([0-9a-fA-F]{2})([0-9a-fA-F]{2})([0-9a-fA-F]{2})$)");
  std::smatch m;
  if (std::regex_match(text, m, hex)) {
    return {std::stoi(m[1], nullptr, 16) / 255.0, std::stoi(m[2], nullptr, 16) / 255.0,
            std::stoi(m[3], nullptr, 16) / 255.0, 1};
  }
  throw HostError("--background '" + text + "': expected transparent, black, white, gray or #RRGGBB");
}

// Columns and rows: as --grid says, else as square as the clips allow.
std::pair<int, int> gridFor(const WallOptions& options, std::size_t count) {
  if (!options.grid.empty()) return pairOf(options.grid, "--grid", 1, 100);
  const int columns = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(count))));
  return {columns,
          static_cast<int>((count + static_cast<std::size_t>(columns) - 1) / static_cast<std::size_t>(columns))};
}

std::string clipList(std::size_t first, std::size_t last) {
  if (first == last) return "clip " + std::to_string(first);
  if (last == first + 1) return "clips " + std::to_string(first) + " and " + std::to_string(last);
  return "clips " + std::to_string(first) + " to " + std::to_string(last);
}

}  // namespace

std::vector<std::string> wallNotes(const WallOptions& options, std::size_t count) {
  // With the effect's own draw, or Columns and Rows set by hand, the screens' clips are not ours to say.
  for (const std::string& set : options.sets) {
    const std::string name = set.substr(0, set.find('='));
    if (name == "Columns" || name == "Rows" || name == "Source order") return {};
  }
  if (options.randomOrder || count == 0) return {};
  const auto [columns, rows] = gridFor(options, count);
  const auto screens = static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows);
  const std::string grid = std::to_string(columns) + "x" + std::to_string(rows);
  // Screens take the clips in turn: screen i shows clip i mod count.
  const std::string counts = grid + " is " + std::to_string(screens) + " screens for " + std::to_string(count) +
                             (count == 1 ? " clip: " : " clips: ");
  if (screens > count) {
    const std::size_t times = screens / count, extra = screens % count;
    const auto shown = [](std::size_t n) { return n == 2 ? std::string("twice") : std::to_string(n) + " times"; };
    if (extra == 0) return {counts + (count == 1 ? "it shows " : "each shows ") + shown(times)};
    return {counts + clipList(1, extra) + (extra == 1 ? " shows " : " show ") + shown(times + 1) +
            (times == 1 ? "" : ", the others " + shown(times))};
  }
  if (screens < count) {
    return {counts + clipList(screens + 1, count) + (count - screens == 1 ? " is" : " are") +
            " not shown (a larger --grid shows them)"};
  }
  return {};
}

json buildWallProject(const WallOptions& options, const std::vector<ClipFacts>& clips) {
  if (clips.empty()) throw HostError("wall: name at least one clip");
  const auto [width, height] = pairOf(options.size, "--size", 16, 16384);
  const std::size_t count = clips.size();
  const auto [columns, rows] = gridFor(options, count);
  if (!(options.gap >= 0) || options.gap > 100) throw HostError("--gap: expected 0 to 100 pixels");
  // Screens fill the frame: Columns screens and the gaps between them make its width.
  const double screenWidth = (width - (columns - 1) * options.gap) / columns;
  const double screenHeight = (height - (rows - 1) * options.gap) / rows;
  if (screenWidth < 1 || screenHeight < 1) throw HostError("--gap: the gaps leave no room for the screens");
  if (screenWidth > MAX_SCREEN_WIDTH || screenHeight > MAX_SCREEN_HEIGHT) {
    throw HostError("--size " + options.size + ": screens of " + std::to_string(std::lround(screenWidth)) + "x" +
                    std::to_string(std::lround(screenHeight)) +
                    " are larger than the effect's 1920x1080; choose more "
                    "columns or rows with --grid, or a smaller --size");
  }
  if (options.fit != "stretch" && options.fit != "fit" && options.fit != "fill") {
    throw HostError("--fit '" + options.fit + "': expected stretch, fit or fill");
  }
  if (options.end != "hold" && options.end != "loop" && options.end != "black") {
    throw HostError("--end '" + options.end + "': expected hold, loop or black");
  }
  if (options.audio && (*options.audio < 1 || static_cast<std::size_t>(*options.audio) > count)) {
    throw HostError("--audio " + std::to_string(*options.audio) + ": expected a clip number from 1 to " +
                    std::to_string(count));
  }

  const json background = backgroundColour(options.background);
  json rate = 25;
  double longest = 0;
  for (const ClipFacts& clip : clips) longest = std::max(longest, clip.duration);
  if (!options.fps.empty()) {
    rate = setValue(options.fps);
  } else {
    for (const ClipFacts& clip : clips) {
      if (clip.rate.empty()) continue;
      rate = clip.rate.find('/') == std::string::npos ? json(std::stoi(clip.rate)) : json(clip.rate);
      break;
    }
  }
  // NaN, infinities, zero and negative lengths are refused alike, rather than some ignored.
  if (options.duration && !(std::isfinite(*options.duration) && *options.duration > 0)) {
    std::ostringstream given;
    given << *options.duration;
    throw HostError("--duration " + given.str() + ": expected a number of seconds above 0");
  }
  const double duration = options.duration ? *options.duration : longest > 0 ? longest : STILLS_DURATION;

  json items = json::array();
  json sourceLayers = json::array();
  json nested = json::array();
  const int compWidth = static_cast<int>(std::lround(screenWidth)),
            compHeight = static_cast<int>(std::lround(screenHeight));
  for (std::size_t i = 0; i < count; ++i) {
    const ClipFacts& clip = clips[i];
    const std::string number = std::to_string(i + 1);
    json item = {{"name", "clip " + number}, {"type", "footage"}, {"path", clip.path}};
    if (options.end == "loop" && clip.duration > 0) item["loop"] = true;
    if (options.end == "hold" && clip.duration > 0) item["hold"] = true;
    items.push_back(item);
    // A clip of the screen's own shape needs no fitting.
    const double clipAspect = clip.width * clip.pixelAspect / clip.height, screenAspect = screenWidth / screenHeight;
    const bool fitted = options.fit != "stretch" && std::fabs(clipAspect / screenAspect - 1) > 0.005;
    std::string source = "clip " + number;
    if (fitted) {
      source = "Clip " + number + " (" + options.fit + ")";
      nested.push_back(fittedComp(source, "clip " + number, clip, compWidth, compHeight, options.fit, rate, duration));
    }
    sourceLayers.push_back({{"name", "Clip " + number}, {"source", source}, {"visible", false}});
  }
  for (json& comp : nested) items.push_back(comp);

  json params = {
      {"Columns", columns},   {"Rows", rows},         {"Screen Width", screenWidth}, {"Screen Height", screenHeight},
      {"Gap X", options.gap}, {"Gap Y", options.gap}, {"Frame image", options.frame}};
  if (options.seed) {
    params["Order & Size Random seed"] = *options.seed;
    params["Transform Random seed"] = *options.seed;
  }
  if (options.randomOrder) params["Source order"] = true;
  if (options.sourceTime != 0) params["Source time"] = options.sourceTime;
  if (options.delay != 0) params["Per screen time offset"] = options.delay;

  json wallLayer = {{"name", "Wall"}};
  json layers = json::array();
  if (count <= MANUAL_SOURCES) {
    for (std::size_t i = 0; i < count; ++i) params["Source " + std::to_string(i + 1)] = "Clip " + std::to_string(i + 1);
    items.push_back(
        {{"name", "backdrop"}, {"type", "solid"}, {"width", width}, {"height", height}, {"color", background}});
    wallLayer["source"] = "backdrop";
  } else {
    // More clips than the effect names: it shows the layers of the composition it is applied to.
    params["Layer selection method"] = "Inner Comp";
    items.push_back({{"name", "Sources"},
                     {"type", "comp"},
                     {"width", width},
                     {"height", height},
                     {"fps", rate},
                     {"duration", duration},
                     {"layers", sourceLayers}});
    wallLayer["source"] = "Sources";
  }
  for (const std::string& set : options.sets) {
    const std::size_t equals = set.find('=');
    if (equals == std::string::npos || equals == 0) {
      throw HostError("--set '" + set +
                      "': expected \"Control=value\", with the control named as `plenorium params` prints it");
    }
    params[set.substr(0, equals)] = setValueFor(set.substr(equals + 1), width, height);
  }
  wallLayer["effects"] = json::array({{{"matchName", MATCH_NAME}, {"params", params}}});
  layers.push_back(wallLayer);
  if (count <= MANUAL_SOURCES) {
    for (json& layer : sourceLayers) layers.push_back(layer);
  }
  json render = {{"comp", "Wall"}};
  if (options.audio) {
    // The sound comes from the clip's footage itself, on a layer of its own.
    layers.push_back({{"name", "Sound"}, {"source", "clip " + std::to_string(*options.audio)}, {"visible", false}});
    render["audio"] = "Sound";
  }
  items.push_back({{"name", "Wall"},
                   {"type", "comp"},
                   {"width", width},
                   {"height", height},
                   {"fps", rate},
                   {"duration", duration},
                   {"background", background},
                   {"layers", layers}});
  return {{"render", render}, {"items", items}};
}

std::vector<ClipFacts> probeClips(host::MediaLibrary& media, const std::vector<std::string>& paths) {
  std::vector<ClipFacts> clips;
  for (const std::string& path : paths) {
    host::Item item;
    item.kind = host::ItemKind::FOOTAGE;
    item.path = path;
    // As the wall's project resolves it, so that the project finds the clip already open.
    item.resolvedPath = (std::filesystem::current_path() / path).lexically_normal().string();
    media.probe(item);
    ClipFacts facts{path, item.width, item.height, item.pixelAspect, item.duration, ""};
    if (item.duration > 0) facts.rate = item.rate.text();
    clips.push_back(facts);
  }
  return clips;
}

namespace {

// What a failure of controlValueFrom says, without the control's path it begins with.
std::string withoutPath(const std::string& message, const std::string& path) {
  return message.rfind(path + ": ", 0) == 0 ? message.substr(path.size() + 2) : message;
}

// The effect's controls that the options set, checked against the effect's own declarations
// before the project is built, so that a refusal names the option and the value typed rather
// than a place in a project the user never wrote.
void checkWallOptions(const host::ParamSchema& schema, const WallOptions& options) {
  const host::Composition none;
  const host::DeclaredParam& frame = schema.at(schema.resolve("Frame image"));
  try {
    host::controlValueFrom(frame, options.frame, none);
  } catch (const HostError& e) {
    static const std::regex range(R"(^\s*\d+\s*-\s*\d+\s*$)");
    throw HostError("--frame '" + options.frame + "': " + withoutPath(e.what(), frame.path) +
                    (std::regex_match(options.frame, range) ? "; did you mean --frames?" : ""));
  }
  for (const std::string& set : options.sets) {
    const std::size_t equals = set.find('=');
    if (equals == std::string::npos || equals == 0) continue;  // refused with its own message later
    int index = 0;
    try {
      index = schema.resolve(set.substr(0, equals));
    } catch (const HostError& e) {
      throw HostError("--set '" + set + "': " + e.what());
    }
    const host::DeclaredParam& param = schema.at(index);
    const PF_ParamType type = param.def.param_type;
    if (type == PF_Param_LAYER || type == PF_Param_GROUP_START) continue;  // layers are known in the project
    try {
      host::controlValueFrom(param, setValueFor(set.substr(equals + 1), 100, 100), none);
    } catch (const HostError& e) {
      throw HostError("--set '" + set + "': " + withoutPath(e.what(), param.path));
    }
  }
}

}  // namespace

void openWall(HostSession& session, const WallOptions& options, bool quiet) {
  checkWallOptions(session.driver().schema(), options);
  if (!quiet) {
    for (const std::string& note : wallNotes(options, options.clips.size()))
      std::cerr << "plenorium: note: " << note << '\n';
  }
  session.open(ProjectSource::built(buildWallProject(options, probeClips(session.media(), options.clips)), "wall"));
}

int runWall(const WallOptions& options, RenderOptions render) {
  if (render.output.empty()) render.output = "out/wall.mp4";
  HostSession session(sessionSettingsFor(render));
  openWall(session, options, render.quiet);
  return renderOpened(session, render);
}

}  // namespace plenorium::cli
