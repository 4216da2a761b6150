// `plenorium render` as users run it: frames written whole, clear errors, nothing half written.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "cli_runner.h"

namespace {

namespace fs = std::filesystem;

using Result = plenorium::testing::CliResult;

Result run(const std::string& arguments) {
  return plenorium::testing::runCli(arguments);
}

class CommandRender : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("plenorium_cli_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }
  fs::path write(const std::string& name, const std::string& text) {
    std::ofstream(dir / name) << text;
    return dir / name;
  }
  fs::path dir;
};

const char* GOOD = R"({"items": [
  {"name": "bars", "type": "pattern", "pattern": "bars", "width": 64, "height": 36, "duration": 1},
  {"name": "Main", "type": "comp", "width": 64, "height": 36, "fps": 25, "duration": 1,
   "layers": [{"name": "Bars", "source": "bars"}]}]})";

TEST_F(CommandRender, WritesNumberedFramesToAFolderOrAPattern) {
  const fs::path project = write("p.json", GOOD);
  Result r = run("render " + project.string() + " -o " + (dir / "frames").string() + " --frames 2-4 --quiet");
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_TRUE(fs::exists(dir / "frames" / "Main_0002.png"));
  EXPECT_TRUE(fs::exists(dir / "frames" / "Main_0004.png"));
  EXPECT_FALSE(fs::exists(dir / "frames" / "Main_0005.png"));
  r = run("render " + project.string() + " -o " + (dir / "shot.####.png").string() + " --frames 7 --depth 16 -q");
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_TRUE(fs::exists(dir / "shot.0007.png"));
}

TEST_F(CommandRender, BadInputIsOneClearErrorAndWritesNothing) {
  const fs::path broken =
      write("broken.json", R"({"items": [{"name": "Main", "type": "comp", "layers": [{"source": "nope"}]}]})");
  Result r = run("render " + broken.string() + " -o " + (dir / "out").string());
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.output.find("broken.json: $.items[0].layers[0].source: no item named 'nope'"), std::string::npos)
      << r.output;
  EXPECT_FALSE(fs::exists(dir / "out"));

  const fs::path project = write("p.json", GOOD);
  r = run("render " + project.string() + " -o " + (dir / "out").string() + " --frames 20-30");
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.output.find("frames 0 to 24"), std::string::npos) << r.output;
  r = run("render " + project.string() + " -o " + (dir / "one.png").string());
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.output.find("%04d"), std::string::npos) << r.output;
  EXPECT_FALSE(fs::exists(dir / "out"));
  r = run("render " + (dir / "missing.json").string());
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.output.find("cannot open the project file"), std::string::npos) << r.output;
}

// Inputs that once ended in an abort or a silent change: each is one clear line naming the file and
// place, exit status 1, and nothing written.
TEST_F(CommandRender, OutOfRangeInputIsAClearErrorNeverAnAbort) {
  auto wall = [](const std::string& params) {
    return std::string(R"({"items": [
      {"name": "bars", "type": "pattern", "pattern": "bars", "width": 64, "height": 36, "duration": 1},
      {"name": "Main", "type": "comp", "width": 64, "height": 36, "duration": 1,
       "layers": [{"name": "W", "source": "bars", "effects": [{"matchName": "KTRM_Plenorium", "params": )") +
           params + "}]}]}]}";
  };
  auto comp = [](const std::string& fields) {
    return std::string(R"({"items": [{"name": "Main", "type": "comp", "width": 64, "height": 36, )") + fields + "}]}";
  };
  const std::vector<std::pair<std::string, std::string>> cases = {
      {wall(R"({"Source 1": {"value": "W", "hidden": 1}})"),
       R"($.items[1].layers[0].effects[0].params["Source 1"].hidden: expected true or false)"},
      {wall(R"({"Columns": 1e400})"), "not valid JSON"},
      {wall(R"({"Layer selection method": 4294967298})"), "expected one of"},
      {wall(R"({"Colums": 4})"), "did you mean '"},
      {comp(R"("fps": 5000000, "duration": 1)"), "$.items[0].fps: expected frames per second above 0 and at most 999"},
      {comp(R"("fps": 0, "duration": 1)"), "$.items[0].fps: expected frames per second above 0"},
      {comp(R"("fps": 25, "duration": 1e9)"), "$.items[0].duration: expected a duration above 0 and at most"},
  };
  for (const auto& [text, expected] : cases) {
    const fs::path project = write("bad.json", text);
    const Result r = run("render " + project.string() + " -o " + (dir / "out").string() + " -q");
    EXPECT_EQ(WEXITSTATUS(r.status), 1) << text << "\n" << r.output;
    EXPECT_NE(r.output.find(expected), std::string::npos) << text << "\n" << r.output;
    EXPECT_NE(r.output.find("bad.json"), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find("terminate"), std::string::npos) << r.output;
    EXPECT_EQ(std::count(r.output.begin(), r.output.end(), '\n'), 1) << "one line: " << r.output;
    EXPECT_FALSE(fs::exists(dir / "out"));
  }

  const fs::path project = write("p.json", GOOD);
  for (const std::string& args :
       {std::string("--frames 0-99999999999"), " -o " + (dir / "f.%099999999999d.png").string(),
        " -o " + (dir / "f.%10d.png").string(), std::string("--threads 100000"), std::string("--cache-mb 1"),
        std::string("--png-level 10")}) {
    const Result r = run("render " + project.string() + " " + args + " -q");
    EXPECT_EQ(WEXITSTATUS(r.status), 1) << args << "\n" << r.output;
    EXPECT_EQ(r.output.find("terminate"), std::string::npos) << r.output;
  }
  const fs::path footage =
      write("footage.json", R"({"items": [{"name": "shots", "type": "footage", "path": "s.%099999999999d.png"},
    {"name": "Main", "type": "comp", "width": 64, "height": 36, "duration": 1, "layers": [{"source": "shots"}]}]})");
  const Result r = run("render " + footage.string() + " -q");
  EXPECT_EQ(WEXITSTATUS(r.status), 1) << r.output;
  EXPECT_NE(r.output.find("a frame number takes 1 to 9 digits"), std::string::npos) << r.output;
}

TEST_F(CommandRender, AFarmRenderIsPlannedInChunksAndBadFarmOptionsAreRefused) {
  const fs::path project = write("p.json", GOOD);
  // 3 frames in chunks of 2: two tasks, the second one short; the scripts name everything absolutely.
  Result r = run("farm slurm " + project.string() + " -o " + (dir / "f_####.png").string() +
                 " --frames 0-2 --chunk 2 --partition render --max-parallel 1 --png-level 4 --dry-run");
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("#SBATCH --array=0,1%1"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("first=$((0 + index * 2))"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("if [ \"$last\" -gt 2 ]; then last=2; fi"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("'--png-level' '4'"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("render '" + project.string() + "'"), std::string::npos) << r.output;
  std::size_t partitions = 0;
  for (std::size_t at = r.output.find("#SBATCH --partition='render'"); at != std::string::npos;
       at = r.output.find("#SBATCH --partition='render'", at + 1)) {
    ++partitions;
  }
  EXPECT_EQ(partitions, 2u) << "the chunks and the join both go to the partition";
  EXPECT_FALSE(fs::exists(dir / ".plenorium-farm")) << "a dry run writes nothing";

  // A video's segments are silent; the join puts the segments and the sound together.
  r = run("farm slurm " + project.string() + " -o " + (dir / "w.mp4").string() + " --dry-run");
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("--no-sound"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("-f concat -safe 0"), std::string::npos) << r.output;

  for (const std::string& args :
       {std::string("--chunk 0"), std::string("--chunk 9223372036854775807"), std::string("--max-parallel -1"),
        std::string("--frames 5-2"), std::string("--trace t.jsonl"), std::string("--codec h264")}) {
    r = run("farm slurm " + project.string() + " -o " + (dir / "f_####.png").string() + " " + args + " --dry-run");
    EXPECT_EQ(WEXITSTATUS(r.status), 1) << args << "\n" << r.output;
    EXPECT_EQ(std::count(r.output.begin(), r.output.end(), '\n'), 1) << "one line: " << r.output;
  }
  // --no-sound is for videos, and not together with --audio.
  for (const std::string& args : {" -o " + (dir / "v.mp4").string() + " --no-sound --audio X",
                                  " -o " + (dir / "f_####.png").string() + " --no-sound"}) {
    r = run("render " + project.string() + args + " -q");
    EXPECT_EQ(WEXITSTATUS(r.status), 1) << args << "\n" << r.output;
    EXPECT_FALSE(fs::exists(dir / "v.mp4"));
  }
}

TEST_F(CommandRender, OutputsAreWrittenWhereTheyBelongOrTheCauseIsNamed) {
  const fs::path project = write("p.json", GOOD);
  // A symlink is written through, and stays a symlink.
  write("real.json", "{}");
  fs::create_symlink(dir / "real.json", dir / "link.json");
  Result r = run("render " + project.string() + " -o " + (dir / "f").string() + " --frames 0 -q --save-project " +
                 (dir / "link.json").string());
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_TRUE(fs::is_symlink(dir / "link.json"));
  EXPECT_GT(fs::file_size(dir / "real.json"), 100u);
  // What is not a regular file is not replaced.
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  fs::create_directories(dir / "folder");
  for (const char* target : {"fifo", "folder"}) {
    r = run("render " + project.string() + " -o " + (dir / "g").string() + " --frames 0 -q --save-project " +
            (dir / target).string());
    EXPECT_EQ(WEXITSTATUS(r.status), 1) << r.output;
    EXPECT_NE(r.output.find("it is not a regular file"), std::string::npos) << r.output;
  }
  EXPECT_TRUE(fs::is_fifo(dir / "fifo"));
  EXPECT_TRUE(fs::is_directory(dir / "folder"));
  // A trace the disk refuses is an error with its cause, not a success with the trace lost.
  r = run("render " + project.string() + " -o " + (dir / "h").string() + " --frames 0 -q --trace /dev/full");
  EXPECT_EQ(WEXITSTATUS(r.status), 1) << r.output;
  EXPECT_NE(r.output.find("No space left on device"), std::string::npos) << r.output;
}

TEST_F(CommandRender, ASavedProjectFindsItsFootageFromItsOwnFolder) {
  fs::create_directories(dir / "a");
  fs::create_directories(dir / "b");
  const fs::path bars = write("bars.json", GOOD);
  ASSERT_EQ(run("render " + bars.string() + " -o " + (dir / "a" / "still.png").string() + " --frames 0 -q").status, 0);
  const fs::path project = write("a/p.json", R"({"items": [
    {"name": "still", "type": "footage", "path": "still.png", "pixelAspect": 2},
    {"name": "Main", "type": "comp", "width": 64, "height": 36, "duration": 1, "layers": [{"source": "still"}]}]})");
  Result r = run("render " + project.string() + " -o " + (dir / "f").string() + " --frames 0 -q --save-project " +
                 (dir / "b" / "saved.json").string());
  ASSERT_EQ(r.status, 0) << r.output;
  std::ifstream in(dir / "b" / "saved.json");
  const std::string saved((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(saved.find("\"../a/still.png\""), std::string::npos) << saved;
  EXPECT_NE(saved.find("\"pixelAspect\": 2"), std::string::npos) << saved;
  r = run("render " + (dir / "b" / "saved.json").string() + " -o " + (dir / "g").string() + " --frames 0 -q");
  EXPECT_EQ(r.status, 0) << r.output;
}

// A picture whose header claims more than the machine holds is refused before it is read.
TEST_F(CommandRender, APictureTooLargeToHoldIsAClearError) {
  auto be32 = [](std::string& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((v >> shift) & 0xFF);
  };
  std::string png = "\x89PNG\r\n\x1a\n";
  auto chunk = [&](const std::string& type, const std::string& data) {
    be32(png, static_cast<std::uint32_t>(data.size()));
    const std::string body = type + data;
    png += body;
    be32(png, static_cast<std::uint32_t>(
                  crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()))));
  };
  std::string header;
  be32(header, 100000);
  be32(header, 100000);
  header += std::string("\x08\x06\x00\x00\x00", 5);  // 8-bit RGBA
  chunk("IHDR", header);
  Bytef packed[64];
  uLongf packedSize = sizeof(packed);
  const Bytef row[16] = {};
  ASSERT_EQ(compress(packed, &packedSize, row, sizeof(row)), Z_OK);
  chunk("IDAT", std::string(reinterpret_cast<const char*>(packed), packedSize));
  chunk("IEND", "");
  std::ofstream(dir / "huge.png", std::ios::binary) << png;
  const fs::path project = write("huge.json", R"({"items": [{"name": "huge", "type": "footage", "path": "huge.png"},
    {"name": "Main", "type": "comp", "width": 64, "height": 36, "duration": 1, "layers": [{"source": "huge"}]}]})");
  const Result r = run("render " + project.string() + " -o " + (dir / "out").string() + " --frames 0 -q");
  EXPECT_EQ(WEXITSTATUS(r.status), 1) << r.output;
  EXPECT_NE(r.output.find("huge.png"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("more than this machine can hold"), std::string::npos) << r.output;
  EXPECT_EQ(std::count(r.output.begin(), r.output.end(), '\n'), 1) << r.output;
}

TEST_F(CommandRender, SavesTheProjectBackAndWritesATrace) {
  const fs::path project = write("p.json", GOOD);
  const Result r = run("render " + project.string() + " -o " + (dir / "f").string() + " --frames 0 -q --save-project " +
                       (dir / "saved.json").string() + " --trace " + (dir / "trace.jsonl").string());
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_TRUE(fs::exists(dir / "saved.json"));
  EXPECT_TRUE(fs::exists(dir / "trace.jsonl"));
  const Result again =
      run("render " + (dir / "saved.json").string() + " -o " + (dir / "g").string() + " --frames 0 -q");
  EXPECT_EQ(again.status, 0) << again.output;
}

// Slot names repeat across suites: every line of a trace of the clip example names the suite of
// its call and the suite's version, or "callback" for the callbacks the host hands over.
TEST_F(CommandRender, EveryTraceLineNamesItsSuite) {
  fs::copy_file(fs::path(PLENORIUM_SOURCE_DIR) / "examples" / "clips_wall.json", dir / "clips_wall.json");
  ASSERT_EQ(std::system(("bash " + std::string(PLENORIUM_SOURCE_DIR) + "/scripts/make-example-clips.sh " +
                         (dir / "clips").string() + " >/dev/null 2>&1")
                            .c_str()),
            0);
  const Result r = run("render " + (dir / "clips_wall.json").string() + " -o " + (dir / "f.png").string() +
                       " --frames 30 -q --trace " + (dir / "trace.jsonl").string());
  ASSERT_EQ(r.status, 0) << r.output;
  std::ifstream in(dir / "trace.jsonl");
  std::string line;
  std::set<std::string> suites;
  std::size_t lines = 0;
  while (std::getline(in, line)) {
    ++lines;
    const nlohmann::json j = nlohmann::json::parse(line);
    ASSERT_TRUE(j.contains("suite")) << line;
    const std::string suite = j["suite"];
    if (suite != "callback") {
      EXPECT_TRUE(j.contains("version")) << line;
    }
    suites.insert(suite + (j.contains("version") ? " " + j["version"].dump() : ""));
  }
  EXPECT_GT(lines, 500u);
  EXPECT_TRUE(suites.count("AEGP Stream Suite 9") && suites.count("AEGP Stream Suite 7") && suites.count("callback"))
      << lines;
}

}  // namespace

namespace {

TEST_F(CommandRender, WritesAVideoAndAnInterruptedRenderLeavesNoPartialFile) {
  const fs::path project = write("p.json", GOOD);
  Result r = run("render " + project.string() + " -o " + (dir / "clip.mp4").string() + " --frames 0-9 -q");
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_GT(fs::file_size(dir / "clip.mp4"), 0u);

  // The built-in demo takes many seconds: stop it with Ctrl-C after one.
  const std::string shell = std::string(PLENORIUM_CLI_PATH) + " render -o " + (dir / "demo.mp4").string() +
                            " -q & pid=$!; sleep 3; kill -INT $pid; wait $pid; exit $?";
  r = plenorium::testing::runShell(shell);
  EXPECT_EQ(WEXITSTATUS(r.status), 130) << r.output;
  EXPECT_NE(r.output.find("stopped after"), std::string::npos) << r.output;
  EXPECT_FALSE(fs::exists(dir / "demo.mp4"));
  for (const auto& entry : fs::directory_iterator(dir)) {
    EXPECT_EQ(entry.path().string().find(".partial"), std::string::npos) << entry.path();
  }
}

// Schedulers and `timeout` stop a job with SIGTERM, terminals that close with SIGHUP: both stop the
// render as Ctrl-C does, leaving finished frames and no partial file.
TEST_F(CommandRender, TerminationSignalsStopTheRenderLikeCtrlC) {
  for (const char* signal : {"TERM", "HUP"}) {
    SCOPED_TRACE(signal);
    const fs::path frames = dir / signal;
    const std::string shell = std::string(PLENORIUM_CLI_PATH) + " render -o " + frames.string() +
                              " -q & pid=$!; sleep 3; kill -" + signal + " $pid; wait $pid; exit $?";
    const auto [status, output] = plenorium::testing::runShell(shell);
    EXPECT_EQ(WEXITSTATUS(status), 130) << output;
    EXPECT_NE(output.find("stopped after"), std::string::npos) << output;
    ASSERT_TRUE(fs::exists(frames));
    for (const auto& entry : fs::directory_iterator(frames)) {
      EXPECT_EQ(entry.path().filename().string().front() == '.', false) << "a partial file: " << entry.path();
    }
  }
}

}  // namespace
