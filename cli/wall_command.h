// `plenorium wall CLIP...`: a wall of the given clips in one command. It builds a project (one
// footage item and layer per clip, screens sized so that the grid fills the frame) and renders it
// as `render` would; the project can be saved to go on with in JSON.
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
  double gap = 0;                    // pixels between screens
  std::string fit = "fit";           // stretch, fit (letterbox) or fill (crop)
  std::string end = "loop";          // what a clip does after its end: hold, loop or black
  std::string frame = "None";        // the TV frame picture
  std::string background = "black";  // around and between the screens: a colour or "transparent"
  std::optional<int> seed;
  bool randomOrder = false;
  double sourceTime = 0;
  double delay = 0;
  std::optional<int> audio;       // the clip (1 first) whose sound goes into a video
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

// What a user should hear of the wall these options make of `count` clips: the clips that repeat
// on a grid with more screens than clips, or that are left out of a smaller one.
std::vector<std::string> wallNotes(const WallOptions& options, std::size_t count);

// Probes the clips through the session's media libraries and opens the wall's project in it,
// printing the notes on standard error unless `quiet`.
void openWall(HostSession& session, const WallOptions& options, bool quiet = false);

// Probes the clips, builds the project and renders it with `render`'s output options.
int runWall(const WallOptions& options, RenderOptions render);

}  // namespace plenorium::cli
