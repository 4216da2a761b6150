// The pipelined render (footage decoded ahead, frames written on their own threads) makes exactly
// what the serial one does, stops cleanly when interrupted, and the host's caches stay within
// their one budget without changing a pixel.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "cli_runner.h"
#include "effect_registry.h"
#include "pixel_host.h"
#include "project_file.h"
#include "render_session.h"
#include "temp_folder.h"

namespace {

namespace fs = std::filesystem;
using plenorium::testing::runShell;

std::string bytesOf(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class Pipeline : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new plenorium::testing::TempFolder("plenorium_pipeline");
    // Moving pictures with key frames every 10 frames, so that reading ahead, seeking and
    // decoding onward all happen.
    for (int n = 1; n <= 4; ++n) {
      const std::string make =
          "cd " + dir().string() +
          " && ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc2=s=320x180:r=25:d=2 -vf hue=h=" +
          std::to_string(n * 60) + " -g 10 -pix_fmt yuv420p clip" + std::to_string(n) + ".mp4";
      ASSERT_EQ(runShell(make).exitCode(), 0) << make;
    }
    ASSERT_EQ(runShell("cd " + dir().string() +
                       " && ffmpeg -nostdin -loglevel error -y -f lavfi -i color=orange:s=200x200 "
                       "-frames:v 1 still.png")
                  .exitCode(),
              0);
    // A sequence of pictures, decoded ahead a file at a time.
    ASSERT_EQ(runShell("cd " + dir().string() +
                       " && ffmpeg -nostdin -loglevel error -y -i clip2.mp4 -vf hue=h=200 -frames:v 20 seq.%03d.png")
                  .exitCode(),
              0);
  }
  static void TearDownTestSuite() {
    delete folder_;
    folder_ = nullptr;
  }
  static const fs::path& dir() { return folder_->path(); }

  // `plenorium wall` of the four clips, the still and the sequence in the test folder.
  static plenorium::testing::CliResult wall(const std::string& arguments) {
    return runShell("cd " + dir().string() + " && " + PLENORIUM_CLI_PATH +
                    " wall clip1.mp4 clip2.mp4 clip3.mp4 clip4.mp4 still.png seq.%03d.png --grid 3x2 --size 480x270 "
                    "--seed 7 "
                    "--random-order --source-time 0.6 -q " +
                    arguments);
  }
  // The decoded frames of a video, one checksum line per frame.
  static std::string decodedFrames(const fs::path& video) {
    const auto r = runShell("ffmpeg -nostdin -loglevel error -i " + video.string() + " -f framemd5 - | grep -v '^#'");
    EXPECT_EQ(r.exitCode(), 0) << r.output;
    return r.output;
  }

 private:
  static plenorium::testing::TempFolder* folder_;
};

plenorium::testing::TempFolder* Pipeline::folder_ = nullptr;

TEST_F(Pipeline, AnyThreadCountWritesTheSameSequenceAndTheSameVideoFrames) {
  // A plain wall and a framed, turned one (reduced copies, warps and the frame picture).
  const std::string walls[] = {
      "", "--frame 'Flat 2' --set 'Screens Transform/Controls/Rotation/Z=12' --set 'Z randomize=-100'"};
  for (std::size_t w = 0; w < std::size(walls); ++w) {
    SCOPED_TRACE(walls[w]);
    const std::string tag = std::to_string(w);
    for (const char* threads : {"1", "3"}) {
      const auto r =
          wall(walls[w] + " --frames 0-29 --threads " + threads + " -o seq" + tag + "_" + threads + "/f_####.png");
      ASSERT_EQ(r.exitCode(), 0) << r.output;
    }
    for (int frame = 0; frame < 30; ++frame) {
      char name[32];
      std::snprintf(name, sizeof(name), "f_%04d.png", frame);
      const std::string serial = bytesOf(dir() / ("seq" + tag + "_1") / name);
      ASSERT_FALSE(serial.empty()) << name;
      ASSERT_EQ(serial, bytesOf(dir() / ("seq" + tag + "_3") / name)) << name << " differs between 1 and 3 threads";
    }
  }
  for (const char* threads : {"1", "3"}) {
    const auto r = wall("--frames 0-39 --threads " + std::string(threads) + " -o video_" + threads + ".mp4");
    ASSERT_EQ(r.exitCode(), 0) << r.output;
  }
  const std::string serial = decodedFrames(dir() / "video_1.mp4");
  EXPECT_EQ(std::count(serial.begin(), serial.end(), '\n'), 40) << serial;
  EXPECT_EQ(serial, decodedFrames(dir() / "video_3.mp4"));
}

TEST_F(Pipeline, AnInterruptedPipelinedVideoLeavesNoFile) {
  // A minute of wall, stopped once its video is being written. A shell without job control starts
  // a background command with Ctrl-C ignored until the command catches it, so the signal is sent
  // only when the render is under way (slow under the sanitizers), not after a fixed wait.
  const std::string shell = "cd " + dir().string() + " && { " + PLENORIUM_CLI_PATH +
                            " wall clip1.mp4 clip2.mp4 clip3.mp4 clip4.mp4 --duration 60 --threads 3 -q -o long.mp4 & "
                            "pid=$!; for i in $(seq 600); do ls -a | grep -q '^.long.partial-' && break; sleep 0.1; "
                            "done; kill -INT $pid; wait $pid; }";
  const auto r = runShell(shell);
  EXPECT_EQ(r.exitCode(), 130) << r.output;
  EXPECT_NE(r.output.find("the video was not written"), std::string::npos) << r.output;
  EXPECT_FALSE(fs::exists(dir() / "long.mp4"));
  for (const auto& entry : fs::directory_iterator(dir())) {
    EXPECT_EQ(entry.path().filename().string().find("long"), std::string::npos) << "left behind: " << entry.path();
  }
}

}  // namespace

namespace plenorium::host {
namespace {

// A composition of twelve generated pictures, each its own item, so that every frame asks the item
// cache for twelve new pictures.
nlohmann::json manyPictures() {
  const char* const patterns[] = {"bars", "checker", "gradient", "counter"};
  nlohmann::json items = nlohmann::json::array();
  nlohmann::json layers = nlohmann::json::array();
  for (int i = 0; i < 12; ++i) {
    const std::string name = "p" + std::to_string(i);
    items.push_back({{"name", name},
                     {"type", "pattern"},
                     {"pattern", patterns[i % 4]},
                     {"width", 200 + 8 * i},
                     {"height", 150},
                     {"duration", 10}});
    layers.push_back({{"name", "L" + std::to_string(i)}, {"source", name}, {"transform", {{"opacity", 40 + 5 * i}}}});
  }
  items.push_back({{"name", "Main"},
                   {"type", "comp"},
                   {"width", 256},
                   {"height", 160},
                   {"fps", 25},
                   {"duration", 10},
                   {"layers", layers}});
  return {{"items", items}};
}

TEST(CacheBudget, TheHostsCachesStayWithinTheBudgetAndChangeNoPixel) {
  auto renderAll = [](std::size_t budgetBytes, std::size_t& peak) {
    HostCore core;
    PixelHost pixels(core, 2, budgetBytes);
    EffectRegistry registry(core);
    Project project = parseProject(manyPictures(), "many.json", "/tmp", registry.schemaLookup());
    std::string frames;
    {
      RenderSession session(core, pixels, registry, project);
      for (long frame = 0; frame < 6; ++frame) {
        // Each frame twice: the second asks for pictures that may or may not still be kept.
        for (int pass = 0; pass < 2; ++pass) {
          const OwnedWorld w = session.renderFrame(*project.compByName("Main"), frame, RenderSettings{});
          for (A_long y = 0; y < w->height(); ++y) {
            frames.append(reinterpret_cast<const char*>(w->row(y)), static_cast<std::size_t>(w->width()) * 4);
          }
        }
      }
    }
    peak = pixels.engine().budget().peak();
    return frames;
  };
  constexpr std::size_t SMALL = std::size_t{1} << 20;  // about eight of the pictures
  std::size_t smallPeak = 0, largePeak = 0;
  const std::string tight = renderAll(SMALL, smallPeak);
  const std::string roomy = renderAll(std::size_t{256} << 20, largePeak);
  EXPECT_GT(smallPeak, SMALL / 2) << "the cache was used";
  EXPECT_LE(smallPeak, SMALL);
  EXPECT_GT(largePeak, SMALL) << "with room, more is kept";
  EXPECT_TRUE(tight == roomy) << "what is kept changes no pixel";
}

}  // namespace
}  // namespace plenorium::host
