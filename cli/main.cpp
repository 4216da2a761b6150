// The `plenorium` command: renders video walls with the Plenorium Maker effect, and shows what
// the effect declares.
#include <sys/resource.h>
#include <unistd.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <CLI/CLI.hpp>
#include <filesystem>
#include <iostream>
#include <string>

#include "failure.h"
#include "farm_command.h"
#include "host_session.h"
#include "installed_files.h"
#include "param_schema.h"
#include "preview_command.h"
#include "project_commands.h"
#include "render_command.h"
#include "wall_command.h"

namespace {

// The module is looked for beside the command (the build tree), then in the installed layout.
std::string defaultModulePath() {
  return plenorium::host::installedFile("Plenorium.aex").string();
}

plenorium::cli::SessionSettings moduleOnly(const std::string& modulePath) {
  plenorium::cli::SessionSettings settings;
  settings.modulePath = modulePath;
  return settings;
}

int runAbout(const std::string& modulePath) {
  plenorium::cli::HostSession session(moduleOnly(modulePath));
  std::cout << session.driver().about() << '\n';
  return 0;
}

// The options that shape a wall of clips, which `wall` and `preview` share.
void addWallOptions(CLI::App* command, plenorium::cli::WallOptions& wall) {
  command->add_option("--grid", wall.grid,
                      "Columns x rows, e.g. 4x3 (default: the grid whose screens cover the most of the frame, no clip "
                      "shown more than twice)");
  command->add_option("--size", wall.size, "The wall's size in pixels")->capture_default_str();
  command->add_option("--fps", wall.fps, "Frame rate, 25 or 30000/1001 (default: the first video's)");
  command->add_option("--duration", wall.duration, "Seconds (default: the longest clip's)");
  command->add_option("--gap", wall.gap, "Pixels between screens (default: 0.5 % of the width; 0 for none)");
  command->add_option("--screen-aspect", wall.screenAspect,
                      "The screens' shape, W:H such as 16:9 or 4:3 (default: most of the clips' shape)");
  command->add_option("--fit", wall.fit,
                      "Screens share out the whole frame, and each clip is fitted (letterboxed), filled (cropped) "
                      "or stretched to its screen: fit, fill or stretch (default: screens of the clips' shape, the "
                      "wall centred, other shapes letterboxed)");
  command->add_option("--end", wall.end, "After a clip's end: loop, hold its last frame, or black")
      ->capture_default_str();
  command->add_option("--frame", wall.frame, "TV frame: None, Flat 1 ... Flat 8, Retro")->capture_default_str();
  command
      ->add_option("--background", wall.background,
                   "Around and between the screens: black, white, gray, #RRGGBB, or transparent (a wall with "
                   "alpha, for --codec prores4444 or pictures)")
      ->capture_default_str();
  command->add_option("--seed", wall.seed, "Random seed of the clips' order, sizes and transforms");
  command->add_flag("--random-order", wall.randomOrder,
                    "Deal the clips to the screens in an order drawn from --seed: every clip shows before any repeats");
  command->add_flag("--random-draw", wall.randomDraw,
                    "Let the effect draw each screen's clip from --seed: clips may repeat while others do not show");
  command->add_option("--source-time", wall.sourceTime, "Random start offset of each screen's clip, in seconds");
  command->add_option("--delay", wall.delay, "Each screen this many seconds behind the one before");
  command->add_option("--set", wall.sets,
                      "Any effect control, \"Control=value\", named as `plenorium params` prints it");
}

// The output options `render` and `wall` share.
void addOutputOptions(CLI::App* command, plenorium::cli::RenderOptions& render) {
  command->add_option("-o,--output", render.output,
                      "A folder, a picture pattern with %04d or #### in its file name (.png, .tif, .exr, .jpg, "
                      ".webp, ...), or a video (.mp4, .mov, .mkv, .webm, .gif); default out/<comp name>/. "
                      "An existing output is replaced unless -n is given");
  command->add_option("--comp", render.comp, "The composition to render (default: the project's render comp)");
  command->add_option("--frames", render.frames, "Frames A-B (inclusive) or one frame A; 0 is the start");
  command->add_option("--depth", render.depth, "Bits per channel: 8, 16 or 32")->capture_default_str();
  command->add_option("--resolution", render.resolution, "full, half, third or quarter")->capture_default_str();
  command->add_option("--save-project", render.saveProject, "Write the project back after rendering");
  command->add_option("--trace", render.trace, "Write every call the effect makes into the host, one JSON per line");
  command->add_flag("-q,--quiet", render.quiet, "No progress and no notes (errors and warnings still show)");
  command->add_option("--threads", render.threads,
                      "Threads for decoding, rendering and writing (default: one per core)");
  command->add_option("--cache-mb", render.cacheMb, "Memory the host's caches may keep together, in MiB")
      ->capture_default_str();
  command->add_option("--png-level", render.pngLevel, "PNG compression, 0 (fastest) to 9 (smallest)")
      ->capture_default_str();
  command->add_flag("--linear", render.linear, "EXR: write scene-linear values (sRGB decoded), tagged as such");
  command->add_flag("-n,--no-overwrite", render.noOverwrite,
                    "Refuse to replace an existing output (nothing is written)");
  command->add_option("--start-number", render.startNumber, "Number the first file of a sequence N (e.g. 1001)")
      ->check(CLI::Range(0L, 999'999'999L));
  command->add_option("--codec", render.codec,
                      "Videos: h264 (.mp4 .mov .mkv, the default), h265, prores (422 HQ, .mov), prores4444 (.mov, "
                      "keeps alpha), ffv1 (lossless, .mkv), vp9 (.webm, the default there), gif");
  command->add_option(
      "--crf,--quality", render.crf,
      "Videos: rate factor of h264/h265 (0-51, default 18/20) or vp9 (0-63, default 31); lower is better");
  command->add_option("--preset", render.preset, "Videos: h264/h265 speed, ultrafast ... placebo (default medium)");
  command->add_option("--pix-fmt", render.pixelFormat,
                      "Videos: FFmpeg's pixel format (yuv420p, yuv444p10le, yuva444p10le, gbrap, ...); one with "
                      "alpha keeps the wall's alpha");
  command->add_option("--audio", render.audio,
                      "Videos: the layer whose footage sound goes in, by name or number (1 is the top, as check "
                      "lists them), trimmed to the rendered frames");
  command->add_flag("--no-sound", render.noSound, "Videos: no sound track, even if the project names a layer");
}

}  // namespace

int main(int argc, char** argv) {
#if defined(__GLIBC__)
  // Pictures of several megabytes come and go every frame. Freed blocks stay in the heap for the
  // next picture instead of going back to the system, which would cost a page fault per page and
  // a flush of every thread's address translations per block.
  mallopt(M_MMAP_THRESHOLD, 256 << 20);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
#endif
  // Each video of a wall stays open for the render: the soft limit of open files is raised to
  // what the system allows this user, as servers do, so that a wall of hundreds of clips opens.
  rlimit files{};
  if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
    files.rlim_cur = std::min<rlim_t>(files.rlim_max, 1 << 16);
    setrlimit(RLIMIT_NOFILE, &files);
  }
  CLI::App app{
      "plenorium: renders video walls with the Plenorium Maker effect.\n"
      "Examples: plenorium render wall.json -o out/ | plenorium params | plenorium about"};
  // The command and the effect it was built with have versions of their own.
  app.set_version_flag("--version", std::string("plenorium ") + PLENORIUM_VERSION + " (the standalone host), with " +
                                        "the Plenorium Maker effect " + PLENORIUM_EFFECT_VERSION);
  std::string modulePath = defaultModulePath();
  app.add_option("--plugin", modulePath,
                 "The effect module to load (default: Plenorium.aex beside the command, else in ../lib/plenorium)");
  app.require_subcommand(0, 1);

  CLI::App* about = app.add_subcommand("about", "Print the effect's about text");
  std::string checkedProject;
  CLI::App* check = app.add_subcommand("check",
                                       "Load a project, probe its footage, and print its compositions, layers, "
                                       "each effect's sources and any value changed to what a control takes");
  check->add_option("project", checkedProject, "The project file (JSON)")->required();
  CLI::App* comps = app.add_subcommand("comps", "List a project's compositions with size, rate and duration");
  comps->add_option("project", checkedProject, "The project file (JSON)")->required();
  CLI::App* params = app.add_subcommand(
      "params", "Print the effect's controls: groups, types, defaults, ranges, disk ids, and how --set names them");
  std::string paramsWord;
  bool paramsAll = false;
  params->add_option("word", paramsWord, "Only the controls whose name or group holds this word (any case)");
  params->add_flag("--all", paramsAll, "Also the controls the effect hides at its defaults");
  plenorium::cli::RenderOptions render;
  CLI::App* renderCommand = app.add_subcommand("render",
                                               "Render a composition to pictures or a video\n"
                                               "Examples: plenorium render wall.json -o out/wall/ --frames 0-49\n"
                                               "          plenorium render wall.json -o wall.mp4");
  renderCommand->add_option("project", render.project,
                            "The project file (JSON); without one the built-in demo renders");
  addOutputOptions(renderCommand, render);

  plenorium::cli::WallOptions wall;
  plenorium::cli::RenderOptions wallRender;
  CLI::App* wallCommand = app.add_subcommand(
      "wall",
      "Make a wall of clips (videos, stills, image sequences) in one command\n"
      "Examples: plenorium wall a.mp4 b.mp4 c.mov d.mp4 -o wall.mp4\n"
      "          plenorium wall clips/*.mp4 --grid 4x3 --fit fill --frame Retro --delay 0.2 --audio 1 -o wall.mp4");
  wallCommand->add_option("clips", wall.clips, "The clips, one screen each")->required();
  addWallOptions(wallCommand, wall);
  addOutputOptions(wallCommand, wallRender);
  // What concerns a project's compositions does not apply to a wall of clips.
  wallCommand->remove_option(wallCommand->get_option("--audio"));
  wallCommand->remove_option(wallCommand->get_option("--comp"));
  wallCommand->add_option("--audio", wall.audio,
                          "Videos: the clip whose sound goes in, by number (1 is the first) or file name");
  wallCommand->get_option("--output")
      ->description("A video, pictures or a folder, as for render; default out/wall.mp4");
  wallCommand->get_option("--save-project")
      ->description("Also write the project the command built (JSON), to go on with in render or preview");
  wallCommand->get_option("--frames")->description("Frames A-B (inclusive) or one frame A of the wall; 0 is the start");

  plenorium::cli::PreviewOptions preview;
  plenorium::cli::WallOptions previewWall;
  plenorium::cli::RenderOptions previewRender;
  CLI::App* previewCommand = app.add_subcommand(
      "preview",
      "Shape a wall while watching it: a local page with the effect's controls, a viewer and a timeline\n"
      "Examples: plenorium preview examples/clips_wall.json | plenorium preview clips/*.mp4 --grid 3x2\n"
      "The page's address (with its access token) is the first line printed; Ctrl-C stops.");
  previewCommand->add_option("inputs", preview.inputs,
                             "A project file (JSON), or clips as for wall; without either the built-in demo");
  previewCommand->add_option("--comp", preview.comp, "The composition shown first (default: the render comp)");
  previewCommand->add_option("--port", preview.port, "The port to listen on (default: a free one)")
      ->check(CLI::Range(0, 65535));
  previewCommand
      ->add_option("--listen", preview.listen,
                   "The address to listen on (default 127.0.0.1; another one lets other machines in)")
      ->capture_default_str();
  previewCommand->add_flag("--no-open", preview.noOpen, "Do not open the page in a browser");
  previewCommand->add_option("--threads", previewRender.threads, "Threads (default: one per core)");
  previewCommand->add_option("--cache-mb", previewRender.cacheMb, "Memory the host's caches may keep together, in MiB")
      ->capture_default_str();
  addWallOptions(previewCommand, previewWall);
  previewCommand->add_option("--audio", previewWall.audio,
                             "Clips: the clip whose sound goes into rendered videos, by number or file name");

  plenorium::cli::FarmOptions farm;
  plenorium::cli::RenderOptions farmRender;
  CLI::App* farmCommand =
      app.add_subcommand("farm", "Render across machines: chunks of frames as jobs of a batch scheduler");
  CLI::App* slurmCommand = farmCommand->add_subcommand(
      "slurm",
      "Submit a render to Slurm: one array task per chunk of frames, then a join job\n"
      "The project, its media and the output must be on a file system every node shares.\n"
      "Example: plenorium farm slurm wall.json -o /shared/wall.mp4 --chunk 100 --partition render");
  farmCommand->require_subcommand(1);
  slurmCommand->add_option("project", farmRender.project, "The project file (JSON)")->required();
  addOutputOptions(slurmCommand, farmRender);
  slurmCommand->add_option("--chunk", farm.chunk, "Frames per task")->capture_default_str();
  slurmCommand->add_option("--partition", farm.partition, "The Slurm partition (default: the cluster's)");
  slurmCommand->add_option("--max-parallel", farm.maxParallel, "Tasks running at once (default: no limit)");
  slurmCommand->add_flag("--dry-run", farm.dryRun, "Print the job scripts instead of submitting them");
  // The join job's helper: the sound of the frames alone, to go beside the joined segments.
  plenorium::cli::RenderOptions soundRender;
  std::string soundOutput;
  CLI::App* soundCommand =
      farmCommand->add_subcommand("sound", "The sound of a render alone (raw f32le, 48 kHz stereo)");
  soundCommand->group("");
  soundCommand->add_option("project", soundRender.project, "The project file (JSON)")->required();
  soundCommand->add_option("-o,--output", soundOutput, "The raw sound file")->required();
  soundCommand->add_option("--comp", soundRender.comp, "The composition");
  soundCommand->add_option("--frames", soundRender.frames, "Frames A-B");
  soundCommand->add_option("--audio", soundRender.audio, "The layer whose sound it is");

  // A first word that is no sub-command is most often one mistyped: it is named with the nearest.
  if (argc > 1 && argv[1][0] != '-') {
    const std::string word = argv[1];
    std::string nearest;
    std::size_t best = 3;
    for (const CLI::App* sub : app.get_subcommands({})) {
      if (sub->get_name() == word) {
        nearest.clear();
        best = 0;
        break;
      }
      if (sub->get_group().empty()) continue;  // hidden helpers
      const std::size_t distance = plenorium::host::editDistance(word, sub->get_name());
      if (distance < best) best = distance, nearest = sub->get_name();
    }
    if (best > 0) {
      std::cerr << "plenorium: unknown command '" << word << "'"
                << (nearest.empty() ? "" : "; did you mean '" + nearest + "'?") << " (plenorium --help lists them)\n";
      return 2;
    }
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    // --help and --version end well; any other fault of the command line is a usage error.
    return app.exit(e) == 0 ? 0 : 2;
  }

  if (app.get_subcommands().empty()) {
    std::cout << app.help();
    return 0;
  }
  // What a failure names when it names nothing itself.
  const auto subject = [&]() -> std::string {
    if (*wallCommand) return "the wall of " + std::to_string(wall.clips.size()) + " clips";
    if (*previewCommand && !preview.inputs.empty()) return preview.inputs.front();
    const std::string& project = *renderCommand ? render.project : *slurmCommand ? farmRender.project : checkedProject;
    return project.empty() ? "the built-in demo" : project;
  };
  return plenorium::cli::runReportingFailures(
      [&] {
        if (*about) return runAbout(modulePath);
        if (*check) return plenorium::cli::runCheck(modulePath, checkedProject);
        if (*comps) return plenorium::cli::runComps(modulePath, checkedProject);
        if (*params) return plenorium::cli::runParams(modulePath, paramsWord, paramsAll);
        if (*renderCommand) {
          render.modulePath = modulePath;
          return plenorium::cli::runRender(render);
        }
        if (*soundCommand) {
          soundRender.modulePath = modulePath;
          return plenorium::cli::runSoundTrack(soundRender, soundOutput);
        }
        if (*slurmCommand) {
          farmRender.modulePath = modulePath;
          return plenorium::cli::runFarmSlurm(farm, farmRender);
        }
        if (*previewCommand) {
          previewRender.modulePath = modulePath;
          return plenorium::cli::runPreview(preview, previewWall, previewRender);
        }
        wallRender.modulePath = modulePath;
        return plenorium::cli::runWall(wall, wallRender);
      },
      subject);
}
