// Outputs that cannot be written whole: a full disk for every writer, and two renders racing for one
// output. Either way no partial file is left and the error names the cause.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "cli_runner.h"
#include "temp_folder.h"
#include "video_reader.h"

namespace {

namespace fs = std::filesystem;
using plenorium::testing::runShell;

const char* PROJECT = R"({"items": [
  {"name": "sweep", "type": "pattern", "pattern": "gradient", "width": 160, "height": 90, "duration": 1},
  {"name": "Main", "type": "comp", "width": 160, "height": 90, "fps": 25, "duration": 1,
   "layers": [{"name": "Sweep", "source": "sweep"}]}]})";

class OutputFailure : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir / "disk");
    project = (dir / "p.json").string();
    std::ofstream(project) << PROJECT;
  }
  plenorium::testing::TempFolder folder{"plenorium_outputs"};
  const fs::path& dir = folder.path();
  std::string project;
};

// Each writer onto a small file system that is already full, mounted in a private mount namespace
// so that it vanishes with the command. What the folder holds afterwards is listed from inside.
TEST_F(OutputFailure, AFullDiskFailsEveryWriterWithItsCauseAndLeavesNothing) {
  if (runShell("unshare -m true").status != 0) GTEST_SKIP() << "mount namespaces need root";
  const std::string disk = (dir / "disk").string();
  const std::string cli = PLENORIUM_CLI_PATH;
  const std::string elsewhere = (dir / "elsewhere").string();
  const struct {
    const char* what;
    std::string arguments;
  } writers[] = {
      {"PNG sequence", "-o " + disk + "/frames --frames 0-2"},
      {"16-bit PNG", "-o " + disk + "/still.png --frames 0 --depth 16"},
      {"TIFF", "-o " + disk + "/still.tif --frames 0"},
      {"OpenEXR", "-o " + disk + "/still.exr --frames 0 --depth 32"},
      {"video", "-o " + disk + "/clip.mp4 --frames 0-9"},
      {"saved project", "-o " + elsewhere + "/a --frames 0 --save-project " + disk + "/saved.json"},
      {"trace", "-o " + elsewhere + "/b --frames 0 --trace " + disk + "/trace.jsonl"},
  };
  for (const auto& writer : writers) {
    SCOPED_TRACE(writer.what);
    const fs::path script = dir / "full_disk.sh";
    std::ofstream(script) << "mount -t tmpfs -o size=64k tmpfs " << disk << " || exit 99\n"
                          << "mkdir " << disk << "/frames\n"
                          << "dd if=/dev/zero of=" << disk << "/.filler bs=4k 2>/dev/null\n"
                          << cli << " render " << project << " " << writer.arguments << " -q\n"
                          << "status=$?\n"
                          << "echo LEFT: $(cd " << disk << " && find . -mindepth 1 ! -name .filler ! -name frames)\n"
                          << "exit $status\n";
    const auto r = runShell("unshare -m sh " + script.string());
    ASSERT_NE(r.exitCode(), 99) << r.output;
    EXPECT_EQ(r.exitCode(), 1) << r.output;
    EXPECT_NE(r.output.find("No space left on device"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("LEFT:\n"), std::string::npos) << r.output;
  }
}

// Each render writes under a name of its own and moves the finished file into place, so two renders
// to one output both succeed and the output is one of them, whole.
TEST_F(OutputFailure, TwoRendersToOneOutputBothFinish) {
  for (const std::string& output : {(dir / "clip.mp4").string(), (dir / "frames").string()}) {
    SCOPED_TRACE(output);
    const std::string render =
        std::string(PLENORIUM_CLI_PATH) + " render " + project + " -o " + output + " --frames 0-9 -q";
    const auto r = runShell(render + " & a=$!; " + render + " & b=$!; wait $a; sa=$?; wait $b; echo status $sa $?");
    EXPECT_NE(r.output.find("status 0 0"), std::string::npos) << r.output;
    ASSERT_TRUE(fs::exists(output));
    if (fs::is_directory(output)) {
      EXPECT_TRUE(fs::exists(output + "/Main_0009.png"));
    } else {
      plenorium::host::VideoReader video(output);
      EXPECT_EQ(video.frameCount(), 10);
      EXPECT_NO_THROW(video.frame(9));
    }
  }
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    EXPECT_EQ(entry.path().filename().string().find(".partial"), std::string::npos) << entry.path();
  }
}

}  // namespace
