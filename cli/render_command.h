// `plenorium render`: renders a project's composition to image files.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "host_session.h"

namespace plenorium::cli {

struct RenderOptions {
  std::string modulePath;
  std::string project;  // empty: the built-in demo
  std::string output;   // folder, pattern or file; empty: out/<comp name>/
  std::string comp;     // empty: the project's render comp
  std::string frames;   // "A-B" or "A"; empty: all
  int depth = 8;        // 8, 16 or 32
  std::string resolution = "full";
  std::string saveProject;
  std::string trace;
  bool quiet = false;
  bool linear = false;              // EXR: scene-linear values instead of sRGB-encoded ones
  bool noOverwrite = false;         // refuse to replace an existing output
  std::optional<long> startNumber;  // number of the first file of a sequence; default: its frame
  unsigned threads = 0;             // threads in all: decoding, rendering, writing (0: one per core)
  std::size_t cacheMb = 256;        // the one memory budget of the host's caches, in MiB
  int pngLevel = 1;                 // PNG compression, 0 (none) to 9 (smallest, slowest)
  // Videos: the encoding (empty or unset: the container's usual) and the layer whose sound goes in
  // (empty: the project's choice, if any).
  std::string codec;
  std::optional<int> crf;
  std::string preset;
  std::string pixelFormat;
  std::string audio;
  bool noSound = false;  // videos: no sound track, whatever the project names
  // A render run by another part of the program (the preview's): asked before each frame whether
  // to stop, in place of Ctrl-C, and told of each frame written.
  std::function<bool()> stopRequested;
  std::function<void(long written, long total)> frameWritten;
};

// The host session these options ask for (threads, cache, trace). Throws HostError for a value
// out of range, before anything is opened.
SessionSettings sessionSettingsFor(const RenderOptions& options);

// Opens the project (or the built-in demo) and renders it. Returns 0, or 130 when interrupted;
// throws on failure (the command's failure handler reports it).
int runRender(const RenderOptions& options);

// Renders the project opened in `session`, in steps: the options are checked, the outputs opened
// (refused when one is a file the render reads, locked against a second render, leftovers of a
// killed one cleared), the frames rendered and written, and the render finished (the video moved
// into place, the project saved, the trace placed and the host's accounting checked).
int renderOpened(HostSession& session, const RenderOptions& options);

// What a render with these options would make, found without rendering: the frames, whether the
// output is a video, and the layer whose sound it takes. Throws HostError as the render would.
struct RenderScope {
  long first = 0;
  long last = 0;
  bool video = false;
  std::string audioLayer;    // empty: no sound
  std::string soundEncoder;  // FFmpeg's encoder of the container's sound track, with a layer
};
RenderScope scopeOf(const RenderOptions& options);

// Writes the sound of the render's frames alone to `path`: 48 kHz stereo, interleaved 32-bit
// floats (FFmpeg's f32le), the same samples a video of those frames carries. Returns the exit
// status; throws HostError as runFarmSlurm does.
int runSoundTrack(const RenderOptions& options, const std::string& path);

}  // namespace plenorium::cli
