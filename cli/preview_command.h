// `plenorium preview [PROJECT.json | CLIP...]`: a local page with the effect's controls, a viewer
// and a timeline, served from one long-lived host session until Ctrl-C.
#pragma once

#include <string>
#include <vector>

#include "render_command.h"
#include "wall_command.h"

namespace plenorium::cli {

struct PreviewOptions {
  std::vector<std::string> inputs;  // one project file, clips, or nothing for the built-in demo
  std::string comp;
  int port = 0;                      // 0: a free port
  std::string listen = "127.0.0.1";  // another address only when asked, with a warning
  bool noOpen = false;
};

// Returns 0 when stopped by Ctrl-C; throws HostError for what cannot be opened or served.
int runPreview(const PreviewOptions& options, const WallOptions& wall, const RenderOptions& render);

}  // namespace plenorium::cli
