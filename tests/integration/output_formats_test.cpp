// What `-o` names: any picture format OpenImageIO writes, videos tagged with their colours, the
// frame placeholder only in the file name, numbering from --start-number, and -n keeping what is
// there. A name that cannot be written is refused before anything is rendered.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
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

class OutputFormats : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* size : {"320x180", "1280x720"}) {
      const std::string w = std::string(size).substr(0, std::string(size).find('x'));
      const std::string h = std::string(size).substr(std::string(size).find('x') + 1);
      std::ofstream(dir / (std::string("p") + size + ".json"))
          << R"({"items": [{"name": "g", "type": "pattern", "pattern": "gradient", "width": )" << w << R"(, "height": )"
          << h << R"(, "duration": 1}, {"name": "Main", "type": "comp", "width": )" << w << R"(, "height": )" << h
          << R"(, "fps": 25, "duration": 0.2, "layers": [{"source": "g"}]}]})";
    }
  }
  std::string project(const char* size = "320x180") const {
    return (dir / (std::string("p") + size + ".json")).string();
  }
  std::string probe(const fs::path& file) const {
    return runShell(
               "ffprobe -v error -show_entries stream=codec_name,pix_fmt,color_range,color_space,color_transfer,"
               "color_primaries,nb_read_frames -count_frames -of compact " +
               file.string())
        .output;
  }
  plenorium::testing::TempFolder folder{"plenorium_formats"};
  const fs::path& dir = folder.path();
};

TEST_F(OutputFormats, ANameThatCannotBeWrittenIsRefusedListingWhatWorks) {
  const auto r = runCli("render " + project() + " -o " + (dir / "wall.xyz").string() + " -q");
  EXPECT_EQ(r.exitCode(), 1) << r.output;
  EXPECT_NE(r.output.find("cannot write .xyz files"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find(".webm"), std::string::npos) << r.output;
  EXPECT_FALSE(fs::exists(dir / "wall.xyz"));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);
}

TEST_F(OutputFormats, PicturesOfAnyFormatAreNumberedInTheFileNameFromTheStartNumber) {
  fs::create_directories(dir / "take#2");
  auto r = runCli("render " + project() + " -o " + (dir / "take#2" / "wall.####.jpg").string() +
                  " --frames 1-3 --start-number 1001 -q");
  ASSERT_EQ(r.exitCode(), 0) << r.output;
  for (const char* name : {"wall.1001.jpg", "wall.1002.jpg", "wall.1003.jpg"}) {
    EXPECT_TRUE(fs::exists(dir / "take#2" / name)) << name;
  }
  EXPECT_NE(probe(dir / "take#2" / "wall.1001.jpg").find("codec_name=mjpeg"), std::string::npos);
  r = runCli("render " + project() + " -o " + (dir / "still.webp").string() + " --frames 2 -q");
  ASSERT_EQ(r.exitCode(), 0) << r.output;
  EXPECT_NE(probe(dir / "still.webp").find("codec_name=webp"), std::string::npos);
}

// The command loads OpenImageIO's module only for pictures that need it: without the module, PNG
// still works and the others are refused in one line that names the missing file.
TEST_F(OutputFormats, WithoutThePictureModuleOnlyPicturesThatNeedItAreRefused) {
  const fs::path built = fs::path(PLENORIUM_CLI_PATH).parent_path();
  const fs::path bin = dir / "bin";
  fs::create_directories(bin);
  fs::copy_file(built / "plenorium", bin / "plenorium");
  fs::copy_file(built / "Plenorium.aex", bin / "Plenorium.aex");
  fs::copy(built / "Resources", bin / "Resources", fs::copy_options::recursive);
  const std::string cli = (bin / "plenorium").string() + " render " + project();
  auto r = runShell(cli + " -o " + (dir / "still.png").string() + " --frames 2 -q");
  EXPECT_EQ(r.exitCode(), 0) << r.output;
  EXPECT_TRUE(fs::exists(dir / "still.png"));
  r = runShell(cli + " -o " + (dir / "still.jpg").string() + " --frames 2 -q");
  EXPECT_EQ(r.exitCode(), 1) << r.output;
  EXPECT_NE(r.output.find("pictures other than PNG need the picture module '" +
                          (bin / "libplenorium-oiio.so").string() + "', which cannot be used: no such file"),
            std::string::npos)
      << r.output;
  EXPECT_EQ(std::count(r.output.begin(), r.output.end(), '\n'), 1) << r.output;
  EXPECT_FALSE(fs::exists(dir / "still.jpg"));
  // With the module beside the command, the same picture is written.
  fs::copy_file(built / "libplenorium-oiio.so", bin / "libplenorium-oiio.so");
  r = runShell(cli + " -o " + (dir / "still.jpg").string() + " --frames 2 -q");
  EXPECT_EQ(r.exitCode(), 0) << r.output;
  EXPECT_NE(probe(dir / "still.jpg").find("codec_name=mjpeg"), std::string::npos);
}

TEST_F(OutputFormats, NoOverwriteKeepsAnExistingOutputAndWritesNothing) {
  ASSERT_EQ(runCli("render " + project() + " -o " + (dir / "clip.mp4").string() + " -q").exitCode(), 0);
  ASSERT_EQ(runCli("render " + project() + " -o " + (dir / "f").string() + " --frames 2 -q").exitCode(), 0);
  const auto size = fs::file_size(dir / "clip.mp4");
  auto r = runCli("render " + project("1280x720") + " -o " + (dir / "clip.mp4").string() + " -q -n");
  EXPECT_EQ(r.exitCode(), 1) << r.output;
  EXPECT_NE(r.output.find("exists and --no-overwrite keeps it"), std::string::npos) << r.output;
  EXPECT_EQ(fs::file_size(dir / "clip.mp4"), size);
  // A sequence is refused when any of its frames is there, before the first is written.
  r = runCli("render " + project() + " -o " + (dir / "f").string() + " --frames 0-4 -q --no-overwrite");
  EXPECT_EQ(r.exitCode(), 1) << r.output;
  EXPECT_FALSE(fs::exists(dir / "f" / "Main_0000.png"));
}

TEST_F(OutputFormats, VideosCarryTheirColourTagsAndEveryFrame) {
  const struct {
    const char* file;
    const char* size;
    const char* expected;
  } videos[] = {
      {"hd.mp4", "1280x720",
       "codec_name=h264|pix_fmt=yuv420p|color_range=tv|color_space=bt709|color_transfer=bt709|color_primaries=bt709|nb_"
       "read_frames=5"},
      {"sd.mov", "320x180",
       "codec_name=h264|pix_fmt=yuv420p|color_range=tv|color_space=smpte170m|color_transfer=smpte170m|color_primaries="
       "smpte170m|"
       "nb_read_frames=5"},
      {"web.webm", "320x180", "codec_name=vp9|pix_fmt=yuv420p|color_range=tv|color_space=smpte170m"},
      {"loop.gif", "320x180", "codec_name=gif"},
  };
  for (const auto& v : videos) {
    SCOPED_TRACE(v.file);
    const auto r = runCli("render " + project(v.size) + " -o " + (dir / v.file).string() + " -q");
    ASSERT_EQ(r.exitCode(), 0) << r.output;
    EXPECT_NE(probe(dir / v.file).find(v.expected), std::string::npos) << probe(dir / v.file);
  }
  // MP4 puts its index before the pictures, so that it plays while it downloads.
  std::ifstream in(dir / "hd.mp4", std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_NE(bytes.find("moov"), std::string::npos);
  EXPECT_LT(bytes.find("moov"), bytes.find("mdat"));
  // Players read the colours back as they were drawn: the HD video's first frame, decoded by
  // ffmpeg by its tags, is within a few levels of the same frame as a picture.
  ASSERT_EQ(runCli("render " + project("1280x720") + " -o " + (dir / "hd.png").string() + " --frames 0 -q").exitCode(),
            0);
  auto raw = [&](const std::string& input, const char* name) {
    const fs::path out = dir / name;
    EXPECT_EQ(runShell("ffmpeg -nostdin -loglevel error -y -i " + input + " -frames:v 1 -pix_fmt rgb24 -f rawvideo " +
                       out.string())
                  .exitCode(),
              0);
    std::ifstream f(out, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  };
  const std::string video = raw((dir / "hd.mp4").string(), "video.rgb"),
                    picture = raw((dir / "hd.png").string(), "picture.rgb");
  ASSERT_EQ(video.size(), 1280u * 720u * 3u);
  ASSERT_EQ(picture.size(), video.size());
  for (std::size_t x = 40; x < 1280; x += 160) {
    const std::size_t i = (360 * 1280 + x) * 3;
    for (std::size_t k = 0; k < 3; ++k) {
      EXPECT_NEAR(static_cast<unsigned char>(video[i + k]), static_cast<unsigned char>(picture[i + k]), 4)
          << x << " " << k;
    }
  }
}

}  // namespace
