// Videos as editors order them: the codec, quality and pixel format asked for, the wall's alpha
// where the format keeps it, and the sound of a chosen layer, placed by its start time and cut to
// the rendered frames. Every choice that cannot be met is refused before anything is rendered.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "temp_folder.h"

namespace {

namespace fs = std::filesystem;
using plenorium::testing::runCli;
using plenorium::testing::runShell;

class VideoEncoding : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // A 3-second clip with a 440 Hz tone, and a project that starts it 0.5 s into a 4-second
    // composition over a transparent background, with a small opaque solid in the middle.
    folder_ = new plenorium::testing::TempFolder("plenorium_encoding");
    const fs::path& dir = folder_->path();
    ASSERT_EQ(
        runShell(
            "ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc2=size=160x120:rate=25:duration=3 -f lavfi "
            "-i sine=frequency=440:sample_rate=44100:duration=3 -c:v libx264 -pix_fmt yuv420p -c:a aac -shortest " +
            (dir / "tone.mp4").string())
            .exitCode(),
        0);
    std::ofstream(dir / "wall.json") << R"({"items": [
      {"name": "tone", "type": "footage", "path": "tone.mp4"},
      {"name": "dot", "type": "solid", "width": 40, "height": 40, "color": [1, 0.5, 0, 1]},
      {"name": "Main", "type": "comp", "width": 320, "height": 180, "fps": 25, "duration": 4,
       "layers": [{"name": "Dot", "source": "dot"}, {"name": "Clip", "source": "tone", "startTime": 0.5, "visible": false}]}]})";
    std::ofstream(dir / "with_audio.json") << R"({"render": {"audio": "Clip"}, "items": [
      {"name": "tone", "type": "footage", "path": "tone.mp4"},
      {"name": "Main", "type": "comp", "width": 320, "height": 180, "fps": "30000/1001", "duration": 1.001,
       "layers": [{"name": "Clip", "source": "tone"}]}]})";
  }
  static void TearDownTestSuite() {
    delete folder_;
    folder_ = nullptr;
  }

  static const fs::path& dir() { return folder_->path(); }
  static std::string project(const char* name = "wall.json") { return (dir() / name).string(); }
  static std::string out(const std::string& name) { return (dir() / name).string(); }

  static std::string probe(const std::string& file, const char* entries) {
    return runShell("ffprobe -v error -show_entries " + std::string(entries) + " -of compact " + file).output;
  }
  static double soundDuration(const std::string& file) {
    const std::string text = probe(file, "stream=codec_type,duration");
    std::smatch m;
    if (!std::regex_search(text, m, std::regex(R"(codec_type=audio\|duration=([0-9.]+))"))) return -1;
    return std::stod(m[1]);
  }
  // Where the sound is silent, as ffmpeg's silence detector reports: start and end pairs.
  static std::vector<double> silences(const std::string& file) {
    const std::string text =
        runShell("ffmpeg -nostdin -i " + file + " -af silencedetect=n=-40dB:d=0.1 -f null - 2>&1 | grep silence_")
            .output;
    std::vector<double> times;
    const std::regex number(R"(silence_(?:start|end): ([0-9.]+))");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), number); it != std::sregex_iterator(); ++it) {
      times.push_back(std::stod((*it)[1]));
    }
    return times;
  }

 private:
  static plenorium::testing::TempFolder* folder_;
};

plenorium::testing::TempFolder* VideoEncoding::folder_ = nullptr;

TEST_F(VideoEncoding, TheCodecPixelFormatAndTagsAreWhatWasAskedFor) {
  const struct {
    const char* file;
    const char* options;
    const char* expected;
  } videos[] = {
      {"x265.mp4", "--codec h265 --crf 26 --preset fast", "codec_name=hevc|codec_tag_string=hvc1|pix_fmt=yuv420p"},
      {"hq.mov", "--codec prores",
       "codec_name=prores|codec_tag_string=apch|pix_fmt=yuv422p10le|color_range=tv|color_space=smpte170m"},
      {"alpha.mov", "--codec prores4444", "codec_name=prores|codec_tag_string=ap4h|pix_fmt=yuva444p"},
      {"lossless.mkv", "--codec ffv1",
       "codec_name=ffv1|codec_tag_string=FFV1|pix_fmt=bgr0|color_range=pc|color_space=gbr"},
      {"full.mkv", "--pix-fmt yuv444p --crf 12", "codec_name=h264|codec_tag_string=[0][0][0][0]|pix_fmt=yuv444p"},
  };
  for (const auto& v : videos) {
    SCOPED_TRACE(v.file);
    const auto r = runCli("render " + project() + " --frames 0-4 -q -o " + out(v.file) + " " + v.options);
    ASSERT_EQ(r.exitCode(), 0) << r.output;
    const std::string streams =
        probe(out(v.file), "stream=codec_name,codec_tag_string,pix_fmt,color_range,color_space");
    EXPECT_NE(streams.find(v.expected), std::string::npos) << streams;
    EXPECT_EQ(streams.find("audio"), std::string::npos) << "no sound was asked for";
  }
  // The rate factor reaches the encoder: a lower one costs more bytes.
  ASSERT_EQ(runCli("render " + project() + " --frames 0-4 -q -o " + out("coarse.mkv") + " --pix-fmt yuv444p --crf 40")
                .exitCode(),
            0);
  EXPECT_GT(fs::file_size(out("full.mkv")), fs::file_size(out("coarse.mkv")));
}

TEST_F(VideoEncoding, ProRes4444KeepsTheWallsAlphaWhereH264CompositesOverBlack) {
  auto alphaAndRed = [&](const std::string& file) {
    const std::string raw = out(fs::path(file).stem().string() + ".rgba");
    EXPECT_EQ(
        runShell("ffmpeg -nostdin -loglevel error -y -i " + file + " -frames:v 1 -pix_fmt rgba -f rawvideo " + raw)
            .exitCode(),
        0);
    std::ifstream in(raw, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes.size(), 320u * 180u * 4u);
    auto at = [&](int x, int y, int c) {
      return static_cast<unsigned char>(bytes.at((static_cast<std::size_t>(y) * 320 + x) * 4 + c));
    };
    return std::vector<int>{at(10, 10, 3), at(160, 90, 3), at(160, 90, 0), at(10, 10, 0)};
  };
  ASSERT_EQ(runCli("render " + project() + " --frames 0 -q -o " + out("keyed.mov") + " --codec prores4444").exitCode(),
            0);
  ASSERT_EQ(runCli("render " + project() + " --frames 0 -q -o " + out("flat.mp4")).exitCode(), 0);
  const std::vector<int> keyed = alphaAndRed(out("keyed.mov")), flat = alphaAndRed(out("flat.mp4"));
  EXPECT_LE(keyed[0], 2) << "the background stays transparent";
  EXPECT_GE(keyed[1], 253) << "the solid stays opaque";
  EXPECT_NEAR(keyed[2], 255, 3) << "its colour stays straight, not darkened by its alpha";
  EXPECT_EQ(flat[0], 255) << "H.264 has no alpha";
  EXPECT_LE(flat[3], 20) << "the transparent background is black";
  EXPECT_NEAR(flat[2], 255, 4);
}

TEST_F(VideoEncoding, ChoicesThatCannotBeMetAreRefusedAndNothingIsWritten) {
  const struct {
    const char* file;
    const char* options;
    const char* message;
  } bad[] = {
      {"a.mp4", "--codec prores", "--codec prores: goes into .mov files, not .mp4"},
      {"b.mp4", "--codec theora", "--codec 'theora': expected one of h264, h265, prores"},
      {"c.mp4", "--crf 70", "--crf 70: h264 takes 0 (best) to 51"},
      {"d.mov", "--codec prores --crf 10", "--crf: prores has no rate factor"},
      {"e.mp4", "--preset fastest", "--preset 'fastest': expected one of ultrafast"},
      {"f.webm", "--preset fast", "--preset: only h264 and h265 have presets"},
      {"g.mp4", "--pix-fmt rgb24", "--pix-fmt 'rgb24': h264 takes yuv420p"},
      {"h.gif", "--audio Clip", "--audio: a .gif file has no sound"},
      {"i.mp4", "--audio Nobody", "has no layer named 'Nobody'; its layers are 'Dot', 'Clip'"},
      {"j.mp4", "--audio Dot", "the layer 'Dot' does not show footage"},
      {"l.mp4", "--audio 3", "--audio 3: 'Main' has layers 1 to 2"},
      {"k.png", "--frames 0 --codec h264", "--codec: pictures have no codec or sound"},
  };
  for (const auto& b : bad) {
    SCOPED_TRACE(b.options);
    const auto r = runCli("render " + project() + " -q -o " + out(b.file) + " " + b.options);
    EXPECT_EQ(r.exitCode(), 1) << r.output;
    EXPECT_NE(r.output.find(b.message), std::string::npos) << r.output;
    EXPECT_FALSE(fs::exists(out(b.file)));
  }
}

TEST_F(VideoEncoding, SoundFollowsItsLayersStartTimeAndIsCutToTheRenderedFrames) {
  // The whole composition: silence until the layer starts at 0.5 s, the tone for the clip's 3 s,
  // silence to the end at 4 s.
  auto r = runCli("render " + project() + " -q -o " + out("sound.mp4") + " --audio Clip");
  ASSERT_EQ(r.exitCode(), 0) << r.output;
  EXPECT_NEAR(soundDuration(out("sound.mp4")), 4.0, 0.03);
  std::vector<double> quiet = silences(out("sound.mp4"));
  ASSERT_EQ(quiet.size(), 4u);
  EXPECT_NEAR(quiet[0], 0.0, 0.02);
  EXPECT_NEAR(quiet[1], 0.5, 0.02);
  EXPECT_NEAR(quiet[2], 3.5, 0.02);

  // Frames 75-99 (3 s to 4 s of the composition) in a QuickTime ProRes file, which takes PCM:
  // half a second of tone, then silence. The layer named by its number, as `check` lists it.
  r = runCli("render " + project() + " -q -o " + out("tail.mov") + " --codec prores --frames 75-99 --audio 2");
  ASSERT_EQ(r.exitCode(), 0) << r.output;
  EXPECT_NE(probe(out("tail.mov"), "stream=codec_name").find("pcm_s16le"), std::string::npos);
  EXPECT_NEAR(soundDuration(out("tail.mov")), 1.0, 0.01);
  quiet = silences(out("tail.mov"));
  ASSERT_GE(quiet.size(), 1u);
  EXPECT_NEAR(quiet[0], 0.5, 0.02);

  // The project's own choice, at an NTSC rate: 30 frames of 1001/30000 s hold 1.001 s of sound.
  r = runCli("render " + project("with_audio.json") + " -q -o " + out("ntsc.mp4"));
  ASSERT_EQ(r.exitCode(), 0) << r.output;
  EXPECT_NEAR(soundDuration(out("ntsc.mp4")), 1.001, 0.01);
  EXPECT_EQ(r.output.find("note:"), std::string::npos) << r.output;
}

TEST_F(VideoEncoding, SourcesWithSoundAreNotedOnceWhenNoLayerIsChosen) {
  EXPECT_EQ(runCli("render " + project() + " -q --frames 0-4 -o " + out("mute.mp4")).output.find("note:"),
            std::string::npos)
      << "-q silences notes";
  const auto r = runCli("render " + project() + " --frames 0-4 -o " + out("mute.mp4"));
  ASSERT_EQ(r.exitCode(), 0) << r.output;
  const std::size_t note = r.output.find("note: 'tone.mp4' has sound; the video has none unless --audio LAYER");
  EXPECT_NE(note, std::string::npos) << r.output;
  EXPECT_EQ(r.output.find("note:", note + 1), std::string::npos) << r.output;
  EXPECT_EQ(probe(out("mute.mp4"), "stream=codec_type").find("audio"), std::string::npos);
}

TEST_F(VideoEncoding, TheFootageExampleMakesAnMp4WithSound) {
  // As the README shows it: generated clips in, an mp4 with the first clip's sound out.
  const fs::path source = fs::path(PLENORIUM_SOURCE_DIR);
  fs::create_directories(dir() / "example");
  fs::copy_file(source / "examples" / "clips_wall.json", dir() / "example" / "clips_wall.json");
  ASSERT_EQ(runShell("bash " + (source / "scripts" / "make-example-clips.sh").string() + " " +
                     (dir() / "example" / "clips").string())
                .exitCode(),
            0);
  const auto r = runCli("render " + (dir() / "example" / "clips_wall.json").string() + " --frames 0-24 -q -o " +
                        out("example.mp4"));
  ASSERT_EQ(r.exitCode(), 0) << r.output;
  EXPECT_NE(probe(out("example.mp4"), "stream=codec_name").find("codec_name=aac"), std::string::npos);
  EXPECT_NEAR(soundDuration(out("example.mp4")), 1.0, 0.03);
  EXPECT_TRUE(silences(out("example.mp4")).empty()) << "the clip's tone sounds from the first frame";
}

}  // namespace
