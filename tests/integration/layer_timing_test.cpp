// Layers in time as editors expect them: nothing outside their in and out points (also for an
// effect that takes them as a source), footage that ends, loops or holds its last frame; and
// `check` and `comps`, which tell what a project holds without rendering it.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "cli_runner.h"
#include "temp_folder.h"

namespace {

namespace fs = std::filesystem;
using plenorium::testing::runCli;
using plenorium::testing::runShell;

class LayerTiming : public ::testing::Test {
 protected:
  void SetUp() override {
    // A two-frame sequence: red, then blue.
    for (const auto& [colour, number] : {std::pair{"red", "0000"}, std::pair{"blue", "0001"}}) {
      ASSERT_EQ(runShell("ffmpeg -nostdin -loglevel error -y -f lavfi -i color=" + std::string(colour) +
                         ":s=16x16 -frames:v 1 " + (dir / ("seq." + std::string(number) + ".png")).string())
                    .exitCode(),
                0);
    }
  }

  std::string write(const std::string& name, const std::string& json) const {
    std::ofstream(dir / name) << json;
    return (dir / name).string();
  }

  // The RGBA of the middle pixel of frame `frame`.
  std::array<int, 4> middle(const std::string& project, long frame) const {
    const std::string png = (dir / "frame.png").string(), raw = (dir / "frame.rgba").string();
    const auto r = runCli("render " + project + " --frames " + std::to_string(frame) + " -q -o " + png);
    EXPECT_EQ(r.exitCode(), 0) << r.output;
    EXPECT_EQ(runShell("ffmpeg -nostdin -loglevel error -y -i " + png + " -pix_fmt rgba -f rawvideo " + raw).exitCode(),
              0);
    std::ifstream in(raw, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t at = (8 * 16 + 8) * 4;
    if (bytes.size() < at + 4) return {-1, -1, -1, -1};
    return {static_cast<unsigned char>(bytes[at]), static_cast<unsigned char>(bytes[at + 1]),
            static_cast<unsigned char>(bytes[at + 2]), static_cast<unsigned char>(bytes[at + 3])};
  }

  std::string sequenceProject(const std::string& name, const std::string& footageExtra) const {
    return write(name, R"({"items": [{"name": "seq", "type": "footage", "path": "seq.%04d.png", "fps": 25)" +
                           footageExtra +
                           R"(}, {"name": "Main", "type": "comp", "width": 16, "height": 16, "fps": 25, "duration": 0.4,
                           "layers": [{"name": "Seq", "source": "seq"}]}]})");
  }

  plenorium::testing::TempFolder folder{"plenorium_timing"};
  const fs::path& dir = folder.path();
};

constexpr std::array<int, 4> RED{255, 0, 0, 255}, BLUE{0, 0, 255, 255}, NOTHING{0, 0, 0, 0};

// Within the few levels that ffmpeg's colour sources leave off pure red and blue.
::testing::AssertionResult shows(const std::array<int, 4>& actual, const std::array<int, 4>& expected) {
  for (std::size_t k = 0; k < 4; ++k) {
    if (std::abs(actual[k] - expected[k]) > 3) {
      return ::testing::AssertionFailure()
             << "shows " << actual[0] << "," << actual[1] << "," << actual[2] << "," << actual[3];
    }
  }
  return ::testing::AssertionSuccess();
}

TEST_F(LayerTiming, FootageEndsLoopsOrHoldsItsLastFrame) {
  const std::string plain = sequenceProject("plain.json", ""), loop = sequenceProject("loop.json", R"(, "loop": true)"),
                    twice = sequenceProject("twice.json", R"(, "loop": 2)"),
                    hold = sequenceProject("hold.json", R"(, "hold": true)");
  EXPECT_TRUE(shows(middle(plain, 1), BLUE));
  EXPECT_TRUE(shows(middle(plain, 2), NOTHING)) << "a footage layer ends with its footage";
  EXPECT_TRUE(shows(middle(loop, 2), RED)) << "a loop shows the first frame right after the last";
  EXPECT_TRUE(shows(middle(loop, 7), BLUE));
  EXPECT_TRUE(shows(middle(twice, 3), BLUE));
  EXPECT_TRUE(shows(middle(twice, 4), NOTHING)) << "two plays, then the layer ends";
  EXPECT_TRUE(shows(middle(hold, 9), BLUE));
  // What is given is kept: the saved project loops and holds as the original did.
  const auto r = runCli("render " + loop + " --frames 0 -q -o " + (dir / "x.png").string() + " --save-project " +
                        (dir / "saved.json").string());
  ASSERT_EQ(r.exitCode(), 0) << r.output;
  EXPECT_TRUE(shows(middle((dir / "saved.json").string(), 2), RED));
}

TEST_F(LayerTiming, ALayerOutsideItsInAndOutPointsIsTransparentToTheEffectThatShowsIt) {
  // A one-screen wall of a red solid that is there only from 0.2 s to 0.3 s.
  const std::string project = write("wall.json", R"({"items": [
    {"name": "red", "type": "solid", "width": 16, "height": 16, "color": [1, 0, 0, 1]},
    {"name": "Main", "type": "comp", "width": 16, "height": 16, "fps": 25, "duration": 0.4, "layers": [
      {"name": "Wall", "source": "red", "inPoint": 0, "effects": [{"matchName": "KTRM_Plenorium", "params": {
        "Source 1": "Red", "Columns": 1, "Rows": 1, "Screen Width": 16, "Screen Height": 16}}]},
      {"name": "Red", "source": "red", "inPoint": 0.2, "outPoint": 0.3, "visible": false}]}]})");
  EXPECT_TRUE(shows(middle(project, 2), NOTHING)) << "before its in point";
  EXPECT_TRUE(shows(middle(project, 5), RED));
  EXPECT_TRUE(shows(middle(project, 8), NOTHING)) << "at its out point";
}

TEST_F(LayerTiming, CheckReportsChangedValuesAndMissingFilesAndCompsListsCompositions) {
  const std::string project = write("check.json", R"({"render": {"audio": "Seq"}, "items": [
    {"name": "seq", "type": "footage", "path": "seq.%04d.png", "loop": 3},
    {"name": "red", "type": "solid", "width": 16, "height": 16},
    {"name": "Main", "type": "comp", "width": 320, "height": 180, "fps": "30000/1001", "duration": 2, "layers": [
      {"name": "Wall", "source": "red", "effects": [{"matchName": "KTRM_Plenorium", "params": {
        "Source 1": "Seq", "Columns": 500}}]},
      {"name": "Seq", "source": "seq", "visible": false}]}]})");
  auto r = runCli("check " + project);
  EXPECT_EQ(r.exitCode(), 0) << r.output;
  for (const char* line :
       {"footage 'seq'  seq.%04d.png  16x16  25 fps  0.08 s  plays 3 times",
        "composition 'Main'  320x180  30000/1001 fps  2 s (60 frames)", "effect KTRM_Plenorium: Source 1 'Seq'",
        "layer 'Seq'  footage 'seq'  from 0 s to 0.24 s  hidden",
        "changed: $.items[2].layers[0].effects[0].params[\"Columns\"]: 500 is outside 1..100; 100 is used",
        "ok, with 1 value changed"}) {
    EXPECT_NE(r.output.find(line), std::string::npos) << line << "\n" << r.output;
  }
  r = runCli("comps " + project);
  EXPECT_EQ(r.exitCode(), 0) << r.output;
  EXPECT_EQ(r.output, "'Main'  320x180  30000/1001 fps  2 s (60 frames)\n");

  fs::remove(dir / "seq.0000.png");
  fs::remove(dir / "seq.0001.png");
  r = runCli("check " + project);
  EXPECT_EQ(r.exitCode(), 1);
  EXPECT_NE(r.output.find("$.items[0].path"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("no file of this sequence exists"), std::string::npos) << r.output;

  r = runCli("");
  EXPECT_EQ(r.exitCode(), 0);
  EXPECT_NE(r.output.find("render"), std::string::npos) << "bare plenorium prints the help";
  EXPECT_NE(r.output.find("check"), std::string::npos);
}

}  // namespace
