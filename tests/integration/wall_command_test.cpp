// `plenorium wall`: clips of every shape, rate and length into a grid in one command, fitted,
// filled or stretched to their screens, looping or ending as asked; the project it saves renders
// the same pixels through `render`.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "temp_folder.h"

namespace {

namespace fs = std::filesystem;
using plenorium::testing::runCli;
using plenorium::testing::runShell;

using Rgb = std::array<int, 3>;

class WallCommand : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new plenorium::testing::TempFolder("plenorium_wall");
    const fs::path& dir = folder_->path();
    auto make = [&](const std::string& args) {
      ASSERT_EQ(runShell("cd " + dir.string() + " && ffmpeg -nostdin -loglevel error -y " + args).exitCode(), 0)
          << args;
    };
    // One colour per clip, so that each screen tells which clip it shows.
    make("-f lavfi -i color=red:s=180x320:r=30:d=2 -pix_fmt yuv420p portrait.mp4");
    make("-f lavfi -i color=lime:s=320x240:r=25:d=1 -pix_fmt yuv420p classic.mp4");
    make("-f lavfi -i color=blue:s=640x360:r=24:d=3 -pix_fmt yuv420p wide.mp4");
    make("-f lavfi -i color=yellow:s=200x200 -frames:v 1 still.png");
    for (int n = 1; n <= 3; ++n)
      make("-f lavfi -i color=cyan:s=320x180 -frames:v 1 shot." + std::to_string(n) + ".png");
    make("-f lavfi -i color=magenta:s=320x180:r=25:d=1 -pix_fmt yuv420p m.mp4");
    make("-f lavfi -i color=white:s=320x180:r=25:d=1 -pix_fmt yuv420p w.mp4");
    make("-f lavfi -i color=gray:s=320x180:r=25:d=1 -pix_fmt yuv420p g.mp4");
    make("-f lavfi -i color=orange:s=320x180:r=25:d=1 -pix_fmt yuv420p o.mp4");
    // Two frames, red then blue, to see what comes after a clip's end.
    make("-f lavfi -i color=red:s=320x180 -frames:v 1 short.0.png");
    make("-f lavfi -i color=blue:s=320x180 -frames:v 1 short.1.png");
  }
  static void TearDownTestSuite() {
    delete folder_;
    folder_ = nullptr;
  }
  static const fs::path& dir() { return folder_->path(); }

  // Renders one frame of a wall in the clips' folder and returns its pixels as RGB rows.
  static std::string wallFrame(const std::string& arguments, long frame, const std::string& name = "frame.png") {
    const auto r = runShell("cd " + dir().string() + " && " + PLENORIUM_CLI_PATH + " wall " + arguments + " --frames " +
                            std::to_string(frame) + " -q -o " + name);
    EXPECT_EQ(r.exitCode(), 0) << r.output;
    return pixelsOf(dir() / name);
  }
  static std::string pixelsOf(const fs::path& png) {
    const fs::path raw = dir() / "frame.rgb";
    EXPECT_EQ(runShell("ffmpeg -nostdin -loglevel error -y -i " + png.string() + " -pix_fmt rgb24 -f rawvideo " +
                       raw.string())
                  .exitCode(),
              0);
    std::ifstream in(raw, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  static Rgb at(const std::string& rgb, int width, int x, int y) {
    const std::size_t i = (static_cast<std::size_t>(y) * width + x) * 3;
    if (rgb.size() < i + 3) return {-1, -1, -1};
    return {static_cast<unsigned char>(rgb[i]), static_cast<unsigned char>(rgb[i + 1]),
            static_cast<unsigned char>(rgb[i + 2])};
  }

 private:
  static plenorium::testing::TempFolder* folder_;
};

plenorium::testing::TempFolder* WallCommand::folder_ = nullptr;

::testing::AssertionResult near(const Rgb& actual, const Rgb& expected) {
  for (std::size_t k = 0; k < 3; ++k) {
    if (std::abs(actual[k] - expected[k]) > 6) {
      return ::testing::AssertionFailure() << actual[0] << "," << actual[1] << "," << actual[2];
    }
  }
  return ::testing::AssertionSuccess();
}

constexpr Rgb RED{255, 0, 0}, LIME{0, 255, 0}, BLUE{0, 0, 255}, YELLOW{255, 255, 0}, CYAN{0, 255, 255},
    MAGENTA{255, 0, 255}, WHITE{255, 255, 255}, GRAY{128, 128, 128}, ORANGE{255, 165, 0}, BLACK{0, 0, 0};

const char* const NINE_CLIPS = "portrait.mp4 classic.mp4 wide.mp4 still.png shot.%d.png m.mp4 w.mp4 g.mp4 o.mp4";

TEST_F(WallCommand, NineClipsOfMixedShapesFillTheGridInOrderFittedFilledOrStretched) {
  // 960x540 in 3x3: screens of 320x180, centred at 160 + 320 c, 90 + 180 r.
  const std::string fit = wallFrame(std::string(NINE_CLIPS) + " --size 960x540", 5);
  ASSERT_EQ(fit.size(), 960u * 540u * 3u);
  const Rgb expected[9] = {RED, LIME, BLUE, YELLOW, CYAN, MAGENTA, WHITE, GRAY, ORANGE};
  for (int s = 0; s < 9; ++s) {
    EXPECT_TRUE(near(at(fit, 960, 160 + 320 * (s % 3), 90 + 180 * (s / 3)), expected[s])) << "screen " << s;
  }
  // The portrait clip fits as a 101-pixel-wide column in the middle of its screen; 4:3 as a
  // 240-pixel-wide picture; the square still as 180 wide.
  EXPECT_TRUE(near(at(fit, 960, 160 - 45, 90), RED));
  EXPECT_TRUE(near(at(fit, 960, 160 - 56, 90), BLACK)) << "bars beside the portrait clip";
  EXPECT_TRUE(near(at(fit, 960, 480 - 115, 90), LIME));
  EXPECT_TRUE(near(at(fit, 960, 480 - 125, 90), BLACK));
  EXPECT_TRUE(near(at(fit, 960, 160 - 85, 270), YELLOW));
  EXPECT_TRUE(near(at(fit, 960, 160 - 95, 270), BLACK));

  // Filled or stretched, every clip covers its whole screen.
  for (const char* mode : {"fill", "stretch"}) {
    SCOPED_TRACE(mode);
    const std::string full = wallFrame(std::string(NINE_CLIPS) + " --size 960x540 --fit " + mode, 5);
    EXPECT_TRUE(near(at(full, 960, 5, 90), RED));
    EXPECT_TRUE(near(at(full, 960, 480 - 155, 90), LIME));
    EXPECT_TRUE(near(at(full, 960, 5, 270), YELLOW));
  }
}

TEST_F(WallCommand, AClipAfterItsEndLoopsHoldsOrLeavesItsScreenBlack) {
  const std::string clips = "short.%d.png wide.mp4 --grid 2x1 --size 640x180 --fps 25 --duration 1";
  EXPECT_TRUE(near(at(wallFrame(clips, 1), 640, 160, 90), BLUE));
  EXPECT_TRUE(near(at(wallFrame(clips + " --end loop", 2), 640, 160, 90), RED)) << "the first frame again";
  EXPECT_TRUE(near(at(wallFrame(clips + " --end hold", 2), 640, 160, 90), BLUE)) << "the last frame held";
  EXPECT_TRUE(near(at(wallFrame(clips + " --end black", 2), 640, 160, 90), BLACK)) << "the screen shows nothing";
  EXPECT_TRUE(near(at(wallFrame(clips + " --end black", 2), 640, 480, 90), BLUE)) << "the longer clip goes on";
}

TEST_F(WallCommand, TheSavedProjectRendersTheSamePixelsAndBadOptionsAreRefused) {
  const std::string first = wallFrame(std::string(NINE_CLIPS) +
                                          " --size 960x540 --gap 6 --frame Retro --delay 0.1 --random-order --seed 4 "
                                          "--set \"Screens Transform/Controls/Rotation/Z=8\" --save-project saved.json",
                                      12, "first.png");
  const auto r =
      runCli("render " + (dir() / "saved.json").string() + " --frames 12 -q -o " + (dir() / "again.png").string());
  ASSERT_EQ(r.exitCode(), 0) << r.output;
  EXPECT_EQ(pixelsOf(dir() / "again.png"), first);

  const struct {
    const char* arguments;
    const char* message;
  } bad[] = {
      {"wide.mp4 --grid 3", "--grid '3': expected AxB"},
      {"wide.mp4 --fit squash", "--fit 'squash': expected stretch, fit or fill"},
      {"wide.mp4 missing.mp4", "missing.mp4"},
      {"wide.mp4 --audio 2", "--audio 2: expected a clip number from 1 to 1"},
      {"wide.mp4 --set Colums=3", "--set 'Colums=3': unknown control 'Colums'; did you mean 'Columns'?"},
      {"wide.mp4 --set Columns=many", "--set 'Columns=many': expected a number"},
      {"wide.mp4 --screen-aspect wide", "--screen-aspect 'wide': expected W:H such as 16:9"},
      {"wide.mp4 --frame Retor", "--frame 'Retor': expected one of: None|Flat 1"},
      {"wide.mp4 --frame Retor", "did you mean 'Retro'?"},
      {"wide.mp4 --frame 0-10", "did you mean --frames?"},
      {"wide.mp4 --background pink", "--background 'pink': expected transparent, black, white, gray or #RRGGBB"},
      {"wide.mp4 --grid 1x1 --size 3840x2160", "larger than the effect's 1920x1080"},
      {"wide.mp4 --duration nan", "--duration nan: expected a number of seconds above 0"},
      {"wide.mp4 --duration -1", "--duration -1: expected a number of seconds above 0"},
      {"wide.mp4 --duration 0", "--duration 0: expected a number of seconds above 0"},
      {"wide.mp4 --duration -inf", "--duration -inf: expected a number of seconds above 0"},
      {"wide.mp4 --duration inf", "--duration inf: expected a number of seconds above 0"},
  };
  for (const auto& b : bad) {
    SCOPED_TRACE(b.arguments);
    const auto e =
        runShell("cd " + dir().string() + " && " + PLENORIUM_CLI_PATH + " wall " + b.arguments + " -q -o bad.mp4");
    EXPECT_EQ(e.exitCode(), 1) << e.output;
    EXPECT_NE(e.output.find(b.message), std::string::npos) << e.output;
    EXPECT_FALSE(fs::exists(dir() / "bad.mp4"));
  }
}

// No output may be a file the render reads, however it is named: the clip itself, through "..",
// through a symbolic link, a still, the frames of a sequence, the project's footage, a saved
// project or a trace. Each is refused before anything is written, and the input stays as it was.
TEST_F(WallCommand, AnOutputThatIsAnInputIsRefusedAndTheInputKept) {
  ASSERT_EQ(runShell("cd " + dir().string() + " && mkdir -p self && cp wide.mp4 self/a.mp4 && cp still.png self/s.png" +
                     " && ln -sf a.mp4 self/link.mp4 && cp shot.1.png self/f_0001.png && cp shot.2.png self/f_0002.png")
                .exitCode(),
            0);
  std::ofstream(dir() / "self" / "p.json") << R"({"items": [
    {"name": "clip", "type": "footage", "path": "a.mp4"},
    {"name": "Main", "type": "comp", "width": 64, "height": 36, "fps": 25, "duration": 0.2,
     "layers": [{"name": "Clip", "source": "clip"}]}]})";
  const auto sizeOf = [&](const char* name) { return fs::file_size(dir() / "self" / name); };
  const auto clipSize = sizeOf("a.mp4"), stillSize = sizeOf("s.png"), frameSize = sizeOf("f_0001.png");
  const struct {
    std::string command;
    const char* names;
  } cases[] = {
      {"wall self/a.mp4 -o self/a.mp4", "-o 'self/a.mp4' is the footage"},
      {"wall self/a.mp4 -o self/../self/./a.mp4", "self/a.mp4' that this render reads"},
      {"wall self/a.mp4 -o self/link.mp4", "self/a.mp4' that this render reads"},
      {"wall self/link.mp4 -o self/a.mp4", "self/link.mp4' that this render reads"},
      {"wall self/s.png -o self/s.png --frames 0", "-o 'self/s.png' is the footage"},
      {"wall self/f_%04d.png -o self/f_####.png --start-number 1", "-o 'self/f_0001.png' is the footage"},
      {"wall self/a.mp4 -o self/out.mp4 --save-project self/a.mp4", "--save-project 'self/a.mp4' is the footage"},
      {"wall self/a.mp4 -o self/out.mp4 --trace self/a.mp4", "--trace 'self/a.mp4' is the footage"},
      {"render self/p.json -o self/a.mp4", "is the footage"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    const auto r = runShell("cd " + dir().string() + " && " + PLENORIUM_CLI_PATH + " " + c.command + " -q");
    EXPECT_EQ(r.exitCode(), 1) << r.output;
    EXPECT_NE(r.output.find(c.names), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("Name another output"), std::string::npos) << r.output;
  }
  EXPECT_EQ(sizeOf("a.mp4"), clipSize);
  EXPECT_EQ(sizeOf("s.png"), stillSize);
  EXPECT_EQ(sizeOf("f_0001.png"), frameSize);
  EXPECT_TRUE(fs::is_symlink(dir() / "self" / "link.mp4"));
  EXPECT_FALSE(fs::exists(dir() / "self" / "out.mp4"));
  // Run twice into the clips' own folder, the second run reads the first one's wall and is refused.
  const std::string twice = "cd " + dir().string() + "/self && " + PLENORIUM_CLI_PATH + " wall *.mp4 -o wall.mp4 -q";
  ASSERT_EQ(runShell(twice).exitCode(), 0);
  EXPECT_EQ(runShell(twice).exitCode(), 1);
}

// A wall keeps each video open while it renders. Past the files this process may open, the
// command ends with one message naming the limit, before it runs out of descriptors anywhere.
TEST_F(WallCommand, MoreVideosThanTheFileLimitAllowsEndInOneMessageNamingIt) {
  ASSERT_EQ(
      runShell("cd " + dir().string() + " && mkdir -p many && for i in $(seq 100); do cp m.mp4 many/c$i.mp4; done")
          .exitCode(),
      0);
  const auto r = runShell("cd " + dir().string() + "/many && ulimit -n 64 && " + PLENORIUM_CLI_PATH +
                          " wall c*.mp4 -o wall.mp4 --frames 0 -q");
  EXPECT_EQ(r.exitCode(), 1) << r.output;
  EXPECT_NE(r.output.find("this process may open 64 files at once (ulimit -n)"), std::string::npos) << r.output;
  EXPECT_EQ(std::count(r.output.begin(), r.output.end(), '\n'), 1) << "one message: " << r.output;
  EXPECT_FALSE(fs::exists(dir() / "many" / "wall.mp4"));
  // Under the limit the same clips make their wall.
  const auto fewer = runShell("cd " + dir().string() + "/many && ulimit -n 64 && " + PLENORIUM_CLI_PATH +
                              " wall c1.mp4 c2.mp4 c3.mp4 c4.mp4 c5.mp4 c6.mp4 -o wall.mp4 --frames 0 -q");
  EXPECT_EQ(fewer.exitCode(), 0) << fewer.output;
}

// A transparent wall keeps its alpha for editors to lay it over other footage: the background's
// alpha is 0 and the screens' 255. A mistyped sub-command is named with the one meant.
TEST_F(WallCommand, ATransparentBackgroundGivesAWallWithAlpha) {
  const auto r =
      runShell("cd " + dir().string() + " && " + PLENORIUM_CLI_PATH +
               " wall m.mp4 w.mp4 --grid 3x1 --size 480x270 --background transparent --codec prores4444 "
               "--frames 0-1 -q -o alpha.mov && ffmpeg -nostdin -v error -i alpha.mov -frames:v 1 -f rawvideo "
               "-pix_fmt rgba -y alpha.rgba");
  ASSERT_EQ(r.exitCode(), 0) << r.output;
  std::ifstream in(dir() / "alpha.rgba", std::ios::binary);
  const std::string rgba((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_EQ(rgba.size(), 480u * 270u * 4u);
  const auto alphaAt = [&](int x, int y) {
    return static_cast<unsigned char>(rgba[(std::size_t(y) * 480 + x) * 4 + 3]);
  };
  EXPECT_EQ(alphaAt(470, 5), 0) << "the background";
  EXPECT_EQ(alphaAt(80, 135), 255) << "a screen";
  const auto typo = runCli("rendr");
  EXPECT_EQ(typo.exitCode(), 2);
  EXPECT_NE(typo.output.find("unknown command 'rendr'; did you mean 'render'?"), std::string::npos) << typo.output;
}

// Values as `plenorium params` prints them: per cents for sliders, a point as shares of the wall.
TEST_F(WallCommand, SetTakesPerCentsAndPointsAsSharesOfTheWall) {
  const auto r = runShell("cd " + dir().string() + " && " + PLENORIUM_CLI_PATH +
                          " wall m.mp4 --size 480x270 --set 'Opacity=50%' --set 'Wall position=25%,75%' --frames 0 -q "
                          "-o shares.png --save-project shares.json");
  ASSERT_EQ(r.exitCode(), 0) << r.output;
  std::ifstream in(dir() / "shares.json");
  const nlohmann::json saved = nlohmann::json::parse(in);
  const nlohmann::json& params = saved["items"].back()["layers"][0]["effects"][0]["params"];
  EXPECT_EQ(params["Screens Transform/Controls/Opacity"], 50.0) << params.dump();
  EXPECT_EQ(params["Wall position"], nlohmann::json::array({120.0, 202.5})) << params.dump();
}

// `params WORD` lists the controls whose name holds the word, each with the name and an example
// value that --set takes; controls the effect hides at its defaults only with --all.
TEST_F(WallCommand, ParamsFindsControlsByWordWithTheirSetNames) {
  const auto gap = runCli("params gap");
  ASSERT_EQ(gap.exitCode(), 0) << gap.output;
  EXPECT_NE(gap.output.find("Grid Settings/Gap X"), std::string::npos) << gap.output;
  EXPECT_NE(gap.output.find("--set \"Gap Y=0\""), std::string::npos) << gap.output;
  EXPECT_EQ(std::count(gap.output.begin(), gap.output.end(), '\n'), 2) << gap.output;
  EXPECT_NE(runCli("params 'fit in frame'").output.find("--set \"Fit in frame/Scale X=100%\""), std::string::npos);
  const auto all = runCli("params");
  EXPECT_EQ(all.output.find("Frame layer"), std::string::npos) << "hidden while the frame is not Custom";
  EXPECT_NE(runCli("params --all").output.find("Frame layer"), std::string::npos);
  const auto none = runCli("params nothing-like-this");
  EXPECT_EQ(none.exitCode(), 1);
  EXPECT_NE(none.output.find("no control's name holds 'nothing-like-this'"), std::string::npos) << none.output;
}

// A grid of more screens than clips says once which clips repeat, and one of fewer which are left
// out; -q silences the note, and the effect's own random draw makes none.
TEST_F(WallCommand, AGridThatRepeatsOrDropsClipsSaysWhich) {
  const std::string six = "cd " + dir().string() + " && " + PLENORIUM_CLI_PATH +
                          " wall m.mp4 w.mp4 g.mp4 o.mp4 wide.mp4 classic.mp4 --size 640x360 --frames 0 -o grid.png";
  const auto more = runShell(six + " --grid 4x2");
  ASSERT_EQ(more.exitCode(), 0) << more.output;
  EXPECT_NE(more.output.find("note: 4x2 is 8 screens for 6 clips: clips 1 and 2 show twice"), std::string::npos)
      << more.output;
  const auto fewer = runShell(six + " --grid 2x2");
  EXPECT_NE(fewer.output.find("note: 2x2 is 4 screens for 6 clips: clips 5 and 6 are not shown"), std::string::npos)
      << fewer.output;
  EXPECT_EQ(runShell(six + " --grid 4x2 -q").output.find("note:"), std::string::npos);
  EXPECT_EQ(runShell(six + " --grid 3x2").output.find("note:"), std::string::npos) << "every clip once";
  EXPECT_NE(runShell(six + " --grid 4x2 --random-order").output.find("2 of them, as the seed deals them, show twice"),
            std::string::npos);
  EXPECT_EQ(runShell(six + " --grid 4x2 --random-draw").output.find("note:"), std::string::npos);
}

// Six 16:9 clips with the defaults: screens of their shape on the grid that covers the most of
// the frame, a seam between every two neighbours, the wall centred with the background around it.
TEST_F(WallCommand, SixWideClipsMakeAWallThatFillsTheFrameWithSeams) {
  const std::string rgb = wallFrame("m.mp4 w.mp4 g.mp4 o.mp4 wide.mp4 shot.%d.png", 0, "six.png");
  ASSERT_EQ(rgb.size(), 1920u * 1080u * 3u);
  std::size_t background = 0;
  for (int y = 0; y < 1080; ++y) {
    for (int x = 0; x < 1920; ++x) background += near(at(rgb, 1920, x, y), BLACK) ? 1 : 0;
  }
  EXPECT_LE(background, 1920u * 1080u * 12 / 100) << "black share " << background / (1920.0 * 1080.0);
  // Across the middle of each row and down the middle of each column, screens and seams alternate:
  // three screens, each parted from the next by black.
  const auto screensAlong = [&](int x0, int y0, int dx, int dy, int steps) {
    int screens = 0;
    bool inScreen = false;
    for (int i = 0; i < steps; ++i) {
      const bool black = near(at(rgb, 1920, x0 + i * dx, y0 + i * dy), BLACK);
      if (!black && !inScreen) ++screens;
      inScreen = !black;
    }
    return screens;
  };
  for (const int y : {180, 540, 900}) EXPECT_EQ(screensAlong(0, y, 1, 0, 1920), 3) << "row at " << y;
  for (const int x : {320, 960, 1600}) EXPECT_EQ(screensAlong(x, 0, 0, 1, 1080), 3) << "column at " << x;
  // The wall is centred: as much black on the left as on the right.
  int left = 0, right = 1919;
  while (left < 1920 && near(at(rgb, 1920, left, 180), BLACK)) ++left;
  while (right > 0 && near(at(rgb, 1920, right, 180), BLACK)) --right;
  EXPECT_LE(std::abs(left - (1919 - right)), 1) << left << " and " << 1919 - right;
}

// --random-order deals every clip to one of as many screens, in an order the seed draws and
// that is the same on every run.
TEST_F(WallCommand, RandomOrderShowsEveryClipOnceOnAsManyScreens) {
  const std::string clips = "m.mp4 w.mp4 g.mp4 o.mp4 wide.mp4 classic.mp4 --grid 3x2 --size 480x180 --gap 0";
  const Rgb colours[6] = {MAGENTA, WHITE, GRAY, ORANGE, BLUE, LIME};
  std::vector<int> order;
  const std::string dealt = wallFrame(clips + " --random-order --seed 7", 0, "dealt.png");
  for (int s = 0; s < 6; ++s) {
    const Rgb pixel = at(dealt, 480, 80 + 160 * (s % 3), 45 + 90 * (s / 3));
    for (int c = 0; c < 6; ++c) {
      if (near(pixel, colours[c])) order.push_back(c);
    }
  }
  ASSERT_EQ(order.size(), 6u);
  std::vector<int> sorted = order;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, (std::vector<int>{0, 1, 2, 3, 4, 5})) << "every clip once";
  EXPECT_NE(order, sorted) << "seed 7 deals them out of order";
  EXPECT_EQ(wallFrame(clips + " --random-order --seed 7", 0, "again.png"), dealt);
}

// `check` and `render` say how far a wall reaches past its frame; the project file takes per
// cents and points as shares of the layer, as `params` prints them; an odd size for a video is
// said to lose its last column and row.
TEST_F(WallCommand, AWallPastItsFrameIsWarnedOfAndValuesReadAsParamsPrintsThem) {
  const fs::path project = dir() / "past.json";
  std::ofstream(project) << R"({"render": {"comp": "Wall"}, "items": [
    {"name": "bg", "type": "solid", "width": 1920, "height": 1080, "color": [0, 0, 0, 1]},
    {"name": "Wall", "type": "comp", "width": 1920, "height": 1080, "fps": 25, "duration": 1,
     "layers": [{"name": "Wall", "source": "bg", "effects": [{"matchName": "KTRM_Plenorium", "params": {
       "Columns": 6, "Rows": 14, "Screen Width": "320", "Screen Height": 90, "Opacity": "50%",
       "Wall position": "50%,40%"}}]}]}]})";
  const auto check = runCli("check " + project.string());
  ASSERT_EQ(check.exitCode(), 0) << check.output;
  EXPECT_NE(check.output.find("warning: composition 'Wall', layer 'Wall': the wall, 1920x1260 px, reaches 198 px "
                              "past the top edge of its 1920x1080 frame"),
            std::string::npos)
      << check.output;
  EXPECT_NE(check.output.find("ok, with 1 wall past its frame"), std::string::npos) << check.output;
  const auto render = runCli("render " + project.string() + " --frames 0 -q -o " + (dir() / "past.png").string());
  EXPECT_EQ(render.exitCode(), 0) << render.output;
  EXPECT_NE(render.output.find("plenorium: warning: composition 'Wall', layer 'Wall'"), std::string::npos);

  std::ofstream(project) << R"({"items": [
    {"name": "bg", "type": "solid", "width": 1920, "height": 1080, "color": [0, 0, 0, 1]},
    {"name": "Wall", "type": "comp", "width": 1920, "height": 1080, "fps": 25, "duration": 1,
     "layers": [{"name": "Wall", "source": "bg", "effects": [{"matchName": "KTRM_Plenorium", "params": {
       "Opacity": "150%"}}]}]}]})";
  const auto clamped = runCli("render " + project.string() + " --frames 0 -o " + (dir() / "past.png").string());
  EXPECT_NE(clamped.output.find("plenorium: note:"), std::string::npos) << clamped.output;
  EXPECT_NE(clamped.output.find("150 is outside 0..100; 100 is used"), std::string::npos) << clamped.output;
  EXPECT_EQ(runCli("check " + project.string()).output.find("warning:"), std::string::npos);

  const auto odd = runShell("cd " + dir().string() + " && " + PLENORIUM_CLI_PATH +
                            " wall m.mp4 --size 161x91 --set 'Opacity=150%' --frames 0 -o odd.mp4");
  EXPECT_EQ(odd.exitCode(), 0) << odd.output;
  EXPECT_NE(odd.output.find("note: --set 'Opacity=150%': 150 is outside 0..100; 100 is used"), std::string::npos)
      << odd.output;
  EXPECT_NE(odd.output.find("note: the video is 160x90, not 161x91"), std::string::npos) << odd.output;
}

}  // namespace
