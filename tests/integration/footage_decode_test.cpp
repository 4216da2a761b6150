// Video footage as FFmpeg's own tools decode it: every frame size, and the colour matrix and range
// each clip is tagged with. Clips are made by the ffmpeg command, and its decode is the reference.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "temp_folder.h"
#include "video_reader.h"

namespace {

namespace fs = std::filesystem;
using plenorium::testing::runCli;
using plenorium::testing::runShell;

class FootageDecode : public ::testing::Test {
 protected:
  // Makes `name` with ffmpeg from a generated source and output options.
  std::string make(const std::string& name, const std::string& source, const std::string& options) {
    const std::string path = (dir / name).string();
    const auto r = runShell("ffmpeg -nostdin -loglevel error -y -f lavfi -i " + source + " " + options + " " + path);
    EXPECT_EQ(r.exitCode(), 0) << r.output;
    return path;
  }

  // The first frame as ffmpeg decodes it to 8-bit RGB.
  std::vector<unsigned char> ffmpegFrame(const std::string& path) {
    const std::string raw = (dir / "frame.rgb").string();
    const auto r =
        runShell("ffmpeg -nostdin -loglevel error -y -i " + path + " -frames:v 1 -pix_fmt rgb24 -f rawvideo " + raw);
    EXPECT_EQ(r.exitCode(), 0) << r.output;
    std::ifstream in(raw, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  plenorium::testing::TempFolder folder{"plenorium_decode"};
  const fs::path& dir = folder.path();
};

// Frame sizes whose rows are not a multiple of swscale's vector width once converted used to have
// the conversion write past the end of the frame.
TEST_F(FootageDecode, ClipsOfEverySizeRender) {
  std::string items;
  std::string layers;
  for (const char* size : {"1080x1920", "1000x720", "1080x1080", "1080x720", "642x362"}) {
    const std::string name = std::string("clip") + size;
    make(name + ".mp4", std::string("testsrc2=s=") + size + ":d=0.12:r=25", "-c:v libx264 -pix_fmt yuv420p");
    items += R"({"name": ")" + name + R"(", "type": "footage", "path": ")" + name + R"(.mp4"},)";
    layers += std::string(layers.empty() ? "" : ",") + R"({"source": ")" + name + R"("})";
  }
  std::ofstream(dir / "p.json")
      << R"({"items": [)" << items
      << R"({"name": "Main", "type": "comp", "width": 320, "height": 180, "fps": 25, "duration": 0.12, "layers": [)"
      << layers << "]}]}";
  const auto r = runCli("render " + (dir / "p.json").string() + " -o " + (dir / "out").string() + " -q");
  EXPECT_EQ(r.exitCode(), 0) << r.output;
  EXPECT_TRUE(fs::exists(dir / "out" / "Main_0002.png"));
}

// HD bars tagged BT.709, full-range bars, and untagged bars decode within 2 levels of ffmpeg.
TEST_F(FootageDecode, ColourTagsAreHonouredAsFfmpegDoes) {
  const struct {
    const char* name;
    std::string path;
  } clips[] = {
      {"BT.709 limited H.264",
       make("bt709.mp4", "smptehdbars=s=640x360:d=0.12",
            "-c:v libx264 -pix_fmt yuv420p -colorspace bt709 -color_primaries bt709 -color_trc bt709")},
      {"full-range VP9", make("full.webm", "smptehdbars=s=640x360:d=0.12",
                              "-vf scale=out_range=full -c:v libvpx-vp9 -pix_fmt yuv420p -color_range pc")},
      {"BT.709 full-range H.264", make("bt709full.mp4", "smptehdbars=s=640x360:d=0.12",
                                       "-vf scale=out_color_matrix=bt709:out_range=full -c:v libx264 -pix_fmt yuv420p "
                                       "-colorspace bt709 -color_range pc")},
      {"untagged H.264", make("plain.mp4", "smptebars=s=640x360:d=0.12", "-c:v libx264 -pix_fmt yuv420p")},
  };
  for (const auto& clip : clips) {
    SCOPED_TRACE(clip.name);
    const std::vector<unsigned char> reference = ffmpegFrame(clip.path);
    ASSERT_EQ(reference.size(), 640u * 360u * 3u);
    plenorium::host::VideoReader video(clip.path);
    const std::vector<std::uint8_t>& ours = video.frame(0);
    ASSERT_EQ(ours.size(), 640u * 360u * 4u);
    // The middle of each bar of the top row, away from chroma edges.
    for (int bar = 0; bar < 7; ++bar) {
      const std::size_t x = static_cast<std::size_t>(640 * (2 * bar + 1) / 14), y = 60;
      for (std::size_t k = 0; k < 3; ++k) {
        const int want = reference[(y * 640 + x) * 3 + k], got = ours[(y * 640 + x) * 4 + k];
        EXPECT_NEAR(got, want, 2) << "bar " << bar << " channel " << k;
      }
    }
  }
}

}  // namespace
