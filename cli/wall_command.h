// `plenorium wall CLIP...`: a wall of the given clips in one command. It builds a project (one
// footage item and layer per clip, screens of the clips' shape laid out as `planWall` chooses)
// and renders it as `render` would; the project can be saved to go on with in JSON.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "render_command.h"

namespace plenorium::cli {

struct WallOptions {
  std::vector<std::string> clips;  // videos, stills, image sequences
  std::string grid;                // "CxR"; empty: as square as the clips allow
  std::string size = "1920x1080";
  std::string fps;                   // empty: the first moving clip's rate, else 25
  std::optional<double> duration;    // seconds; unset: the longest clip's (5 s for stills alone)
  std::optional<double> gap;         // pixels between screens; unset: about 0.5 % of the width
  std::string screenAspect;          // "W:H" or a number; empty: the clips' most common shape
  std::optional<std::string> fit;    // set: screens share out the frame, clips stretch, fit or fill them
  std::string end = "loop";          // what a clip does after its end: hold, loop or black
  std::string frame = "None";        // the TV frame picture
  std::string background = "black";  // around and between the screens: a colour or "transparent"
  std::optional<int> seed;
  bool randomOrder = false;  // deal the clips to the screens in a seeded order, each once before any repeats
  bool randomDraw = false;   // the effect draws each screen's clip (clips may repeat or not show)
  double sourceTime = 0;
  double delay = 0;
  std::string audio;              // the clip (1 first, or its file name) whose sound goes into a video
  std::vector<std::string> sets;  // "Control=value"
};

// What the project needs to know of a clip.
struct ClipFacts {
  std::string path;
  int width = 0, height = 0;
  double pixelAspect = 1;
  double duration = 0;  // 0 for stills
  std::string rate;     // "25", "30000/1001"; empty for stills
};

// The project of a wall of `clips`. Throws HostError naming the option at fault.
nlohmann::json buildWallProject(const WallOptions& options, const std::vector<ClipFacts>& clips);

// What a user should hear of the wall these options make of the clips: the clips that repeat on
// a grid with more screens than clips, or that are left out of a smaller one.
std::vector<std::string> wallNotes(const WallOptions& options, const std::vector<ClipFacts>& clips);

// The order in which the clips are dealt to the screens: 0, 1, 2, ... or, with --random-order, a
// permutation drawn from the seed that is the same on every machine.
std::vector<std::size_t> dealingOrder(const WallOptions& options, std::size_t count);

// The clips' paths as the wall's project resolves them (against the current folder), for a
// session to open them ahead.
std::vector<std::string> resolvedClipPaths(const std::vector<std::string>& paths);

// Probes the clips through the session's media libraries and opens the wall's project in it,
// printing the notes on standard error unless `quiet`.
void openWall(HostSession& session, const WallOptions& options, bool quiet = false);

// Probes the clips, builds the project and renders it with `render`'s output options.
int runWall(const WallOptions& options, RenderOptions render);

}  // namespace plenorium::cli
