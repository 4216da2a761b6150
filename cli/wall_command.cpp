#include "wall_command.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <regex>
#include <sstream>
#include <tuple>

#include "host_error.h"
#include "media_library.h"
#include "project_file.h"
#include "wall_plan.h"

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

double clipAspect(const ClipFacts& clip) {
  return clip.height > 0 ? clip.width * clip.pixelAspect / clip.height : 1;
}

// "16:9", "4:3", "1.85" or "2.39:1" as width / height.
double aspectFrom(const std::string& text) {
  static const std::regex form(R"(^\s*(\d+(?:\.\d+)?)\s*(?::\s*(\d+(?:\.\d+)?))?\s*$)");
  std::smatch m;
  if (std::regex_match(text, m, form)) {
    const double across = std::stod(m[1]), down = m[2].matched ? std::stod(m[2]) : 1.0;
    const double aspect = across / down;
    if (std::isfinite(aspect) && aspect >= 0.05 && aspect <= 20) return aspect;
  }
  throw HostError("--screen-aspect '" + text + "': expected W:H such as 16:9 or 4:3, or a ratio such as 1.85");
}

WallPlan planFor(const WallOptions& options, const std::vector<ClipFacts>& clips) {
  WallShape shape;
  std::tie(shape.width, shape.height) = pairOf(options.size, "--size", 16, 16384);
  if (!options.grid.empty()) shape.grid = pairOf(options.grid, "--grid", 1, 100);
  if (options.gap && !(*options.gap >= 0 && *options.gap <= 100)) throw HostError("--gap: expected 0 to 100 pixels");
  shape.gap = options.gap;
  if (!options.screenAspect.empty()) shape.screenAspect = aspectFrom(options.screenAspect);
  shape.fillFrame = options.fit.has_value();
  std::vector<double> aspects;
  for (const ClipFacts& clip : clips) aspects.push_back(clipAspect(clip));
  return planWall(shape, aspects);
}

// Columns and Rows set by hand, or the effect's own draw: which clip shows where is not ours to say.
bool screensChosenByTheEffect(const WallOptions& options) {
  if (options.randomDraw) return true;
  for (const std::string& set : options.sets) {
    const std::string name = set.substr(0, set.find('='));
    if (name == "Columns" || name == "Rows" || name == "Source order") return true;
  }
  return false;
}

std::string clipList(std::size_t first, std::size_t last) {
  if (first == last) return "clip " + std::to_string(first);
  if (last == first + 1) return "clips " + std::to_string(first) + " and " + std::to_string(last);
  return "clips " + std::to_string(first) + " to " + std::to_string(last);
}

// The clip whose sound goes in: its number (1 first), its layer's name ("Clip 2") or its file as
// given or by name alone.
std::optional<std::size_t> audioClip(const std::string& given, const std::vector<ClipFacts>& clips) {
  if (given.empty()) return std::nullopt;
  static const std::regex number(R"(^\s*(\d{1,9})\s*$)");
  std::smatch m;
  if (std::regex_match(given, m, number)) {
    const std::size_t n = std::stoul(m[1]);
    if (n >= 1 && n <= clips.size()) return n - 1;
  }
  for (std::size_t i = 0; i < clips.size(); ++i) {
    if (given == "Clip " + std::to_string(i + 1) || given == clips[i].path ||
        given == fs::path(clips[i].path).filename().string())
      return i;
  }
  throw HostError("--audio " + given + ": expected a clip number from 1 to " + std::to_string(clips.size()) +
                  ", or a clip's file name");
}

}  // namespace

std::vector<std::size_t> dealingOrder(const WallOptions& options, std::size_t count) {
  std::vector<std::size_t> order(count);
  for (std::size_t i = 0; i < count; ++i) order[i] = i;
  if (!options.randomOrder) return order;
  // Fisher-Yates with SplitMix64 and a bias-free draw, written out so that a seed deals the same
  // on every machine and library (std::shuffle's draws are the library's own).
  std::uint64_t state = 0x9E3779B97F4A7C15ull * (static_cast<std::uint64_t>(options.seed.value_or(0)) + 1);
  const auto next = [&state] {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  };
  for (std::size_t i = count; i > 1; --i) {
    const std::uint64_t bound = i, limit = UINT64_MAX - UINT64_MAX % bound;
    std::uint64_t draw = next();
    while (draw >= limit) draw = next();
    std::swap(order[i - 1], order[static_cast<std::size_t>(draw % bound)]);
  }
  return order;
}

std::vector<std::string> wallNotes(const WallOptions& options, const std::vector<ClipFacts>& clips) {
  const std::size_t count = clips.size();
  if (screensChosenByTheEffect(options) || count == 0) return {};
  const WallPlan plan = planFor(options, clips);
  const int columns = plan.columns, rows = plan.rows;
  const auto screens = static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows);
  const std::string grid = std::to_string(columns) + "x" + std::to_string(rows);
  // Screens take the clips in turn: screen i shows clip i mod count (dealt in a seeded order
  // with --random-order, so that which ones repeat is the seed's choice).
  const std::string counts = grid + " is " + std::to_string(screens) + " screens for " + std::to_string(count) +
                             (count == 1 ? " clip: " : " clips: ");
  if (screens > count) {
    const std::size_t times = screens / count, extra = screens % count;
    const auto shown = [](std::size_t n) { return n == 2 ? std::string("twice") : std::to_string(n) + " times"; };
    if (extra == 0) return {counts + (count == 1 ? "it shows " : "each shows ") + shown(times)};
    if (options.randomOrder) {
      return {counts + std::to_string(extra) + " of them, as the seed deals them, show " + shown(times + 1) +
              (times == 1 ? "" : ", the others " + shown(times))};
    }
    return {counts + clipList(1, extra) + (extra == 1 ? " shows " : " show ") + shown(times + 1) +
            (times == 1 ? "" : ", the others " + shown(times))};
  }
  if (screens < count) {
    if (options.randomOrder) {
      return {counts + std::to_string(count - screens) +
              " of them, as the seed deals them, are not shown (a larger "
              "--grid shows them)"};
    }
    return {counts + clipList(screens + 1, count) + (count - screens == 1 ? " is" : " are") +
            " not shown (a larger --grid shows them)"};
  }
  return {};
}

json buildWallProject(const WallOptions& options, const std::vector<ClipFacts>& clips) {
  if (clips.empty()) throw HostError("wall: name at least one clip");
  const auto [width, height] = pairOf(options.size, "--size", 16, 16384);
  const std::size_t count = clips.size();
  const WallPlan plan = planFor(options, clips);
  const int columns = plan.columns, rows = plan.rows;
  const double screenWidth = plan.screenWidth, screenHeight = plan.screenHeight;
  if (screenWidth > MAX_SCREEN_WIDTH + 0.5 || screenHeight > MAX_SCREEN_HEIGHT + 0.5) {
    throw HostError("--size " + options.size + ": screens of " + std::to_string(std::lround(screenWidth)) + "x" +
                    std::to_string(std::lround(screenHeight)) +
                    " are larger than the effect's 1920x1080; choose more "
                    "columns or rows with --grid, or a smaller --size");
  }
  const std::string fit = options.fit.value_or("fit");
  if (fit != "stretch" && fit != "fit" && fit != "fill") {
    throw HostError("--fit '" + fit + "': expected stretch, fit or fill");
  }
  if (options.end != "hold" && options.end != "loop" && options.end != "black") {
    throw HostError("--end '" + options.end + "': expected hold, loop or black");
  }
  const std::optional<std::size_t> audio = audioClip(options.audio, clips);

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
    const bool fitted = fit != "stretch" && std::fabs(clipAspect(clip) / plan.screenAspect() - 1) > 0.005;
    std::string source = "clip " + number;
    if (fitted) {
      source = "Clip " + number + " (" + fit + ")";
      nested.push_back(fittedComp(source, "clip " + number, clip, compWidth, compHeight, fit, rate, duration));
    }
    sourceLayers.push_back({{"name", "Clip " + number}, {"source", source}, {"visible", false}});
  }
  for (json& comp : nested) items.push_back(comp);

  json params = {
      {"Columns", columns}, {"Rows", rows},      {"Screen Width", screenWidth}, {"Screen Height", screenHeight},
      {"Gap X", plan.gap},  {"Gap Y", plan.gap}, {"Frame image", options.frame}};
  if (options.seed) {
    params["Order & Size Random seed"] = *options.seed;
    params["Transform Random seed"] = *options.seed;
  }
  if (options.randomDraw) params["Source order"] = true;
  if (options.sourceTime != 0) params["Source time"] = options.sourceTime;
  if (options.delay != 0) params["Per screen time offset"] = options.delay;

  // Screen i shows source i mod count; the sources take the clips in the dealing order.
  const std::vector<std::size_t> order = dealingOrder(options, count);
  json dealt = json::array();
  for (const std::size_t clip : order) dealt.push_back(sourceLayers[clip]);
  json wallLayer = {{"name", "Wall"}};
  json layers = json::array();
  if (count <= MANUAL_SOURCES) {
    for (std::size_t i = 0; i < count; ++i) params["Source " + std::to_string(i + 1)] = dealt[i]["name"];
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
                     {"layers", dealt}});
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
  if (audio) {
    // The sound comes from the clip's footage itself, on a layer of its own.
    layers.push_back({{"name", "Sound"}, {"source", "clip " + std::to_string(*audio + 1)}, {"visible", false}});
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

std::vector<std::string> resolvedClipPaths(const std::vector<std::string>& paths) {
  std::vector<std::string> resolved;
  resolved.reserve(paths.size());
  // As the wall's project resolves them, so that the project finds the clips already open.
  for (const std::string& path : paths) {
    resolved.push_back((std::filesystem::current_path() / path).lexically_normal().string());
  }
  return resolved;
}

std::vector<ClipFacts> probeClips(host::MediaLibrary& media, const std::vector<std::string>& paths) {
  std::vector<ClipFacts> clips;
  const std::vector<std::string> resolved = resolvedClipPaths(paths);
  for (std::size_t i = 0; i < paths.size(); ++i) {
    const std::string& path = paths[i];
    host::Item item;
    item.kind = host::ItemKind::FOOTAGE;
    item.path = path;
    item.resolvedPath = resolved[i];
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
  const std::vector<ClipFacts> clips = probeClips(session.media(), options.clips);
  if (!quiet) {
    for (const std::string& note : wallNotes(options, clips)) std::cerr << "plenorium: note: " << note << '\n';
  }
  host::Project& project = session.open(ProjectSource::built(buildWallProject(options, clips), "wall"));
  // A value brought into its control's range is told in the words of the --set that gave it,
  // not by its place in a project the user never wrote.
  static const std::regex place(R"re(^.*\.params\["([^"]+)"\]: (.*)$)re");
  for (std::string& notice : project.loadNotices) {
    std::smatch m;
    if (!std::regex_match(notice, m, place)) continue;
    for (const std::string& set : options.sets) {
      if (set.substr(0, set.find('=')) == m[1].str()) notice = "--set '" + set + "': " + m[2].str();
    }
  }
}

int runWall(const WallOptions& options, RenderOptions render) {
  if (render.output.empty()) render.output = "out/wall.mp4";
  SessionSettings settings = sessionSettingsFor(render);
  settings.footageAhead = resolvedClipPaths(options.clips);
  HostSession session(settings);
  openWall(session, options, render.quiet);
  return renderOpened(session, render);
}

}  // namespace plenorium::cli
