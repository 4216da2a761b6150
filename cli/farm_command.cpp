#include "farm_command.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <span>
#include <sstream>
#include <vector>

#include "host_error.h"
#include "installed_files.h"
#include "output_file.h"

namespace plenorium::cli {
namespace {

namespace fs = std::filesystem;
using host::HostError;

// A word for a POSIX shell, in single quotes: every value a job script holds goes through here.
// Control characters are refused rather than quoted: a newline would end an #SBATCH line or a
// here-document and start a line of its own, whatever quotes surround it.
std::string quoted(const std::string& word) {
  for (const char c : word) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7f) {
      throw HostError("'" + host::oneLine(word) +
                      "': a name that goes into a job script cannot hold a line break or other control character");
    }
  }
  std::string out = "'";
  for (const char c : word) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::string absolute(const std::string& path) {
  return fs::absolute(path).lexically_normal().string();
}

// The render options every task passes on to `plenorium render`, besides the output and frames.
std::vector<std::string> passedOptions(const RenderOptions& r) {
  std::vector<std::string> args;
  const auto add = [&args](const std::string& option, const std::string& value) {
    args.push_back(option);
    args.push_back(value);
  };
  if (!r.comp.empty()) add("--comp", r.comp);
  add("--depth", std::to_string(r.depth));
  add("--resolution", r.resolution);
  add("--threads", std::to_string(r.threads));
  add("--cache-mb", std::to_string(r.cacheMb));
  add("--png-level", std::to_string(r.pngLevel));
  if (r.linear) args.push_back("--linear");
  if (!r.codec.empty()) add("--codec", r.codec);
  if (r.crf) add("--crf", std::to_string(*r.crf));
  if (!r.preset.empty()) add("--preset", r.preset);
  if (!r.pixelFormat.empty()) add("--pix-fmt", r.pixelFormat);
  return args;
}

std::string selfPath() {
  std::error_code ec;
  const fs::path exe = host::programPath(ec);
  if (ec) throw HostError("cannot find the plenorium command's own path: " + ec.message());
  return exe.string();
}

std::string findProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path != nullptr ? path : "/usr/bin:/bin");
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    const fs::path candidate = fs::path(dir) / name;
    if (!dir.empty() && fs::exists(candidate)) return candidate.string();
  }
  return "";
}

// Runs a command and returns what it printed; throws with its output when it fails.
std::string run(const std::string& command) {
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) throw HostError("cannot run '" + command + "'");
  std::string out;
  char buffer[4096];
  while (std::size_t n = std::fread(buffer, 1, sizeof(buffer), pipe)) out.append(buffer, n);
  const int status = pclose(pipe);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  if (status != 0) throw HostError("'" + command + "' failed: " + out);
  return out;
}

struct Chunk {
  long index, first, last;
};

class FarmPlan {
 public:
  FarmPlan(const FarmOptions& farm, const RenderOptions& render, const RenderScope& scope)
      : farm_(farm), render_(render), scope_(scope) {
    // The output is named (runFarmSlurm refuses a farm render without one).
    const fs::path output(render.output);
    // A video's segments and the farm's records go beside it; a sequence's into its folder.
    if (scope.video) {
      work_ = absolute(output.string() + ".farm");
    } else {
      const bool folder = render.output.back() == '/' || fs::is_directory(output) || output.extension().empty();
      work_ = absolute(((folder ? output : output.parent_path()) / ".plenorium-farm").string());
    }
    for (long first = scope.first, i = 0; first <= scope.last; first += farm.chunk, ++i) {
      chunks_.push_back({i, first, std::min(first + farm.chunk - 1, scope.last)});
    }
  }

  const fs::path& work() const { return work_; }
  const std::vector<Chunk>& chunks() const { return chunks_; }

  // The command that renders one chunk, with the chunk's frames in $first and $last.
  std::string taskCommand() const {
    std::string c = quoted(selfPath()) + " --plugin " + quoted(absolute(render_.modulePath)) + " render";
    if (!render_.project.empty()) c += " " + quoted(absolute(render_.project));
    const std::string output = scope_.video
                                   ? quoted((work_ / "segment-").string()) + "\"$index\"" +
                                         quoted(fs::path(render_.output).extension().string())
                                   : quoted(absolute(render_.output) + (render_.output.back() == '/' ? "/" : ""));
    c += " -o " + output + " --frames \"$first-$last\" --quiet";
    // Segments are silent: the sound is made whole in the join, so that it has no seams.
    if (scope_.video) c += " --no-sound";
    if (!scope_.video && render_.startNumber)
      c += " --start-number \"$((" + std::to_string(*render_.startNumber) + " + first - " +
           std::to_string(scope_.first) + "))\"";
    for (const std::string& arg : passedOptions(render_)) c += " " + quoted(arg);
    return c;
  }

  // A chunk is done when its record holds its frames and the command that made them.
  bool isDone(const Chunk& chunk) const {
    std::ifstream record(recordOf(chunk));
    std::stringstream text;
    text << record.rdbuf();
    return record && text.str() == "frames " + std::to_string(chunk.first) + "-" + std::to_string(chunk.last) + "\n" +
                                       taskCommand() + "\n";
  }

  fs::path recordOf(const Chunk& chunk) const { return work_ / "done" / ("chunk-" + std::to_string(chunk.index)); }

  std::string arrayScript(const std::vector<Chunk>& todo) const {
    std::ostringstream s;
    std::string list;
    for (const Chunk& c : todo) list += (list.empty() ? "" : ",") + std::to_string(c.index);
    s << "#!/bin/bash\n"
      << "# Renders one chunk of frames per array task; written by plenorium farm slurm.\n"
      << "#SBATCH --job-name=plenorium-chunks\n"
      << "#SBATCH --array=" << list << (farm_.maxParallel > 0 ? "%" + std::to_string(farm_.maxParallel) : "") << "\n"
      << "#SBATCH --output=" << quoted((work_ / "logs" / "chunk-%a.log").string()) << "\n";
    if (!farm_.partition.empty()) s << "#SBATCH --partition=" << quoted(farm_.partition) << "\n";
    s << "set -euo pipefail\n"
      << "index=$SLURM_ARRAY_TASK_ID\n"
      << "first=$((" << scope_.first << " + index * " << farm_.chunk << "))\n"
      << "last=$((first + " << farm_.chunk - 1 << "))\n"
      << "if [ \"$last\" -gt " << scope_.last << " ]; then last=" << scope_.last << "; fi\n"
      << "rm -f " << quoted((work_ / "done").string()) << "/chunk-$index\n"
      << taskCommand() << "\n"
      << "# The record is written after the last frame: a chunk without one is rendered again.\n"
      << "{ echo \"frames $first-$last\"; cat <<'RECORD'\n"
      << taskCommand() << "\nRECORD\n"
      << "} > " << quoted((work_ / "done").string()) << "/chunk-$index.partial\n"
      << "mv " << quoted((work_ / "done").string()) << "/chunk-$index.partial " << quoted((work_ / "done").string())
      << "/chunk-$index\n";
    return s.str();
  }

  std::string joinScript() const {
    std::ostringstream s;
    s << "#!/bin/bash\n"
      << "# Runs once every chunk is done; written by plenorium farm slurm.\n"
      << "#SBATCH --job-name=plenorium-join\n"
      << "#SBATCH --output=" << quoted((work_ / "logs" / "join.log").string()) << "\n";
    if (!farm_.partition.empty()) s << "#SBATCH --partition=" << quoted(farm_.partition) << "\n";
    s << "set -euo pipefail\n"
      << "for i in $(seq 0 " << chunks_.size() - 1 << "); do\n"
      << "  [ -f " << quoted((work_ / "done").string())
      << "/chunk-$i ] || { echo \"chunk $i is not done\" >&2; exit 1; }\n"
      << "done\n";
    if (scope_.video) {
      const std::string extension = fs::path(render_.output).extension().string();
      const std::string list = (work_ / "segments.txt").string();
      const std::string target = absolute(render_.output);
      const std::string partial = (work_ / ("joined" + extension)).string();
      const std::string video = (work_ / ("video" + extension)).string();
      s << ": > " << quoted(list) << "\n"
        << "for i in $(seq 0 " << chunks_.size() - 1 << "); do echo \"file 'segment-$i" << extension << "'\" >> "
        << quoted(list) << "; done\n"
        << "# The segments are joined as they are, without encoding again.\n"
        << quoted(findProgram("ffmpeg")) << " -hide_banner -loglevel error -y -f concat -safe 0 -i " << quoted(list)
        << " -c copy -map 0 " << quoted(scope_.audioLayer.empty() ? partial : video) << "\n";
      if (!scope_.audioLayer.empty()) {
        const std::string sound = (work_ / "sound.f32").string();
        s << "# The sound of all the frames, encoded once beside the joined pictures.\n"
          << quoted(selfPath()) << " --plugin " << quoted(absolute(render_.modulePath)) << " farm sound "
          << quoted(absolute(render_.project)) << " -o " << quoted(sound) << " --frames " << scope_.first << "-"
          << scope_.last << " --audio " << quoted(scope_.audioLayer)
          << (render_.comp.empty() ? "" : " --comp " + quoted(render_.comp)) << "\n"
          << quoted(findProgram("ffmpeg")) << " -hide_banner -loglevel error -y -i " << quoted(video)
          << " -f f32le -ar 48000 -ac 2 -i " << quoted(sound) << " -map 0:v -map 1:a -c:v copy -c:a "
          << quoted(scope_.soundEncoder) << (scope_.soundEncoder == "aac" ? " -b:a 192k" : "")
          << (scope_.soundEncoder == "libopus" ? " -b:a 160k" : "") << " " << quoted(partial) << "\n";
      }
      s << "mv " << quoted(partial) << " " << quoted(target) << "\n"
        << "echo " << quoted("joined " + std::to_string(chunks_.size()) + " segments into " + target) << "\n";
    } else {
      s << "echo \"all " << chunks_.size() << " chunks are done\"\n";
    }
    return s.str();
  }

 private:
  const FarmOptions& farm_;
  const RenderOptions& render_;
  const RenderScope& scope_;
  fs::path work_;
  std::vector<Chunk> chunks_;
};

void writeScript(const fs::path& path, const std::string& text) {
  host::writeWholeFile(path.string(), std::span(reinterpret_cast<const unsigned char*>(text.data()), text.size()));
  fs::permissions(path, fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
}

}  // namespace

int runFarmSlurm(const FarmOptions& farm, RenderOptions render) {
  if (farm.chunk < 1 || farm.chunk > 1'000'000'000) {
    throw HostError("--chunk " + std::to_string(farm.chunk) + ": expected 1 to 1000000000 frames");
  }
  if (farm.maxParallel < 0) throw HostError("--max-parallel " + std::to_string(farm.maxParallel) + ": at least 0");
  if (!render.saveProject.empty() || !render.trace.empty() || render.noOverwrite) {
    throw HostError("--save-project, --trace and --no-overwrite are for one render; farm tasks do not take them");
  }
  if (render.output.empty()) {
    throw HostError("-o: name the output on a file system every node shares (a folder, a picture pattern or a video)");
  }
  const RenderScope scope = scopeOf(render);
  if (scope.video && findProgram("ffmpeg").empty()) throw HostError("the join needs ffmpeg, which is not on PATH");
  const FarmPlan plan(farm, render, scope);
  std::vector<Chunk> todo;
  for (const Chunk& c : plan.chunks()) {
    if (!plan.isDone(c)) todo.push_back(c);
  }
  const fs::path arrayPath = plan.work() / "chunks.sbatch";
  const fs::path joinPath = plan.work() / "join.sbatch";
  if (farm.dryRun) {
    std::cout << "# " << arrayPath.string() << "\n"
              << plan.arrayScript(todo) << "\n# " << joinPath.string() << "\n"
              << plan.joinScript() << "\n# submitted with:\n"
              << "#   sbatch --parsable " << arrayPath.string() << "\n"
              << "#   sbatch --parsable --dependency=afterok:ARRAY_ID --kill-on-invalid-dep=yes " << joinPath.string()
              << "\n";
    return 0;
  }
  const std::string sbatch = findProgram("sbatch");
  if (sbatch.empty()) throw HostError("sbatch is not on PATH: is this a Slurm cluster's login node?");
  // Both scripts are made before anything is written, so that a refused name leaves nothing.
  const std::string joinText = plan.joinScript();
  const std::string arrayText = todo.empty() ? "" : plan.arrayScript(todo);
  fs::create_directories(plan.work() / "done");
  fs::create_directories(plan.work() / "logs");
  writeScript(joinPath, joinText);
  std::string arrayId;
  if (!todo.empty()) {
    writeScript(arrayPath, arrayText);
    arrayId = run(quoted(sbatch) + " --parsable " + quoted(arrayPath.string()));
    arrayId = arrayId.substr(0, arrayId.find(';'));
  }
  std::string join = quoted(sbatch) + " --parsable";
  if (!arrayId.empty()) join += " --dependency=afterok:" + arrayId + " --kill-on-invalid-dep=yes";
  std::string joinId = run(join + " " + quoted(joinPath.string()));
  joinId = joinId.substr(0, joinId.find(';'));
  std::cout << "plenorium: " << todo.size() << " of " << plan.chunks().size() << " chunks submitted"
            << (arrayId.empty() ? "" : " as job " + arrayId) << ", the join as job " << joinId << "\n"
            << "  follow them:  squeue -j " << (arrayId.empty() ? joinId : arrayId + "," + joinId) << "\n"
            << "  afterwards:   sacct -j " << (arrayId.empty() ? joinId : arrayId + "," + joinId) << "  (logs in "
            << (plan.work() / "logs").string() << ")\n"
            << "  a chunk that failed is submitted again by running this command again\n";
  return 0;
}

}  // namespace plenorium::cli
