// Outputs that cannot be written whole: a full disk for every writer, and two renders racing for one
// output. Either way no partial file is left and the error names the cause.
#include <fcntl.h>
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

// A second render to an output that a render is writing is refused, naming the process, and the
// first one's output is whole: never a mix of two renders' frames. Renders of other frames of the
// same sequence (a farm's chunks) go on side by side.
TEST_F(OutputFailure, ASecondRenderOfTheSameFramesIsRefusedWhileTheFirstWrites) {
  const struct {
    std::string output;
    std::string lock;
  } outputs[] = {{(dir / "clip.mp4").string(), (dir / ".clip.mp4.lock").string()},
                 {(dir / "frames").string(), (dir / "frames" / ".Main_####.png.lock").string()}};
  for (const auto& o : outputs) {
    SCOPED_TRACE(o.output);
    fs::create_directories(fs::path(o.lock).parent_path());
    const std::string render = std::string(PLENORIUM_CLI_PATH) + " render " + project + " -o " + o.output + " -q";
    {
      // Frames 3 to 5 held as a render holds them: the same advisory lock on the same bytes.
      const int fd = ::open(o.lock.c_str(), O_RDWR | O_CREAT, 0644);
      ASSERT_GE(fd, 0);
      struct flock claim {};
      claim.l_type = F_WRLCK;
      claim.l_whence = SEEK_SET;
      claim.l_start = 3;
      claim.l_len = 3;
      ASSERT_EQ(::fcntl(fd, F_SETLK, &claim), 0);
      const auto refused = runShell(render + " --frames 0-9");
      EXPECT_EQ(refused.exitCode(), 1) << refused.output;
      EXPECT_NE(refused.output.find("is being written by another render (process " + std::to_string(::getpid()) + ")"),
                std::string::npos)
          << refused.output;
      if (!fs::is_directory(o.output)) {
        EXPECT_FALSE(fs::exists(o.output)) << "nothing written";
      } else {
        EXPECT_FALSE(fs::exists(o.output + "/Main_0000.png")) << "nothing written";
        // Frames that nobody holds may be written beside a render of others, as a farm's chunks are.
        const auto beside = runShell(render + " --frames 6-9");
        EXPECT_EQ(beside.exitCode(), 0) << beside.output;
        EXPECT_TRUE(fs::exists(o.output + "/Main_0009.png"));
      }
      ::close(fd);
    }
    const auto r = runShell(render + " & a=$!; " + render + "; sb=$?; wait $a; echo status $? $sb");
    // Run at once, either both finish one after the other or the later one is refused.
    const bool bothFinished = r.output.find("status 0 0") != std::string::npos;
    const bool oneRefused =
        (r.output.find("status 0 1") != std::string::npos || r.output.find("status 1 0") != std::string::npos) &&
        r.output.find("is being written by another render") != std::string::npos;
    EXPECT_TRUE(bothFinished || oneRefused) << r.output;
    EXPECT_FALSE(fs::exists(o.lock)) << "the lock file goes with the last render";
    if (fs::is_directory(o.output)) {
      EXPECT_TRUE(fs::exists(o.output + "/Main_0024.png"));
    } else {
      plenorium::host::VideoReader video(o.output);
      EXPECT_EQ(video.frameCount(), 25);
      EXPECT_NO_THROW(video.frame(24));
    }
  }
}

// A render killed before it could finish leaves its hidden partial file; the next render to the
// same output clears it, and keeps partial files whose process still runs.
TEST_F(OutputFailure, PartialFilesOfKilledRendersAreClearedByTheNextRender) {
  const fs::path abandoned = dir / ".clip.partial-999999.mp4";
  const fs::path running = dir / (".clip.partial-" + std::to_string(::getpid()) + ".mp4");
  const fs::path unrelated = dir / ".other.partial-999999.mp4";
  for (const fs::path& p : {abandoned, running, unrelated}) std::ofstream(p) << "x";
  const auto r = runShell(std::string(PLENORIUM_CLI_PATH) + " render " + project + " -o " +
                          (dir / "clip.mp4").string() + " --frames 0-1 -q");
  ASSERT_EQ(r.exitCode(), 0) << r.output;
  EXPECT_FALSE(fs::exists(abandoned));
  EXPECT_TRUE(fs::exists(running)) << "its process is alive";
  EXPECT_TRUE(fs::exists(unrelated)) << "another output's";
}

}  // namespace
