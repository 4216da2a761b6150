// `plenorium render` as users run it: frames written whole, clear errors, nothing half written.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

struct Result {
  int status;
  std::string output;
};

Result run(const std::string& arguments) {
  Result r{0, ""};
  FILE* pipe = popen((std::string(PLENORIUM_CLI_PATH) + " " + arguments + " 2>&1").c_str(), "r");
  char buffer[512];
  while (std::fgets(buffer, sizeof(buffer), pipe) != nullptr) r.output += buffer;
  r.status = pclose(pipe);
  return r;
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
  const fs::path broken = write("broken.json", R"({"items": [{"name": "Main", "type": "comp", "layers": [{"source": "nope"}]}]})");
  Result r = run("render " + broken.string() + " -o " + (dir / "out").string());
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.output.find("broken.json: $.items[0].layers[0].source: no item named 'nope'"), std::string::npos) << r.output;
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

TEST_F(CommandRender, SavesTheProjectBackAndWritesATrace) {
  const fs::path project = write("p.json", GOOD);
  const Result r = run("render " + project.string() + " -o " + (dir / "f").string() + " --frames 0 -q --save-project " +
                       (dir / "saved.json").string() + " --trace " + (dir / "trace.jsonl").string());
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_TRUE(fs::exists(dir / "saved.json"));
  EXPECT_TRUE(fs::exists(dir / "trace.jsonl"));
  const Result again = run("render " + (dir / "saved.json").string() + " -o " + (dir / "g").string() + " --frames 0 -q");
  EXPECT_EQ(again.status, 0) << again.output;
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
  FILE* pipe = popen(("sh -c '" + shell + "' 2>&1").c_str(), "r");
  r.output.clear();
  char buffer[512];
  while (std::fgets(buffer, sizeof(buffer), pipe) != nullptr) r.output += buffer;
  r.status = pclose(pipe);
  EXPECT_EQ(WEXITSTATUS(r.status), 130) << r.output;
  EXPECT_NE(r.output.find("stopped after"), std::string::npos) << r.output;
  EXPECT_FALSE(fs::exists(dir / "demo.mp4"));
  for (const auto& entry : fs::directory_iterator(dir)) {
    EXPECT_EQ(entry.path().string().find(".partial"), std::string::npos) << entry.path();
  }
}

}  // namespace
