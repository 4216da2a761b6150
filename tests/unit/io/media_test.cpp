// Files in and out: every format and depth round-trips, sequences find their frames and hold
// over gaps, video frames come back at their own times, and sample ranges convert exactly.
#include <OpenImageIO/imageio.h>
#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <vector>

#include "host_error.h"
#include "image_writer.h"
#include "media_library.h"
#include "pixel_transfer.h"
#include "pixel_types.h"
#include "video_writer.h"

namespace plenorium::host {
namespace {

namespace fs = std::filesystem;

Color4 pixelAt(const World& w, A_long x, A_long y) {
  return dispatchDepth(w.depth(), [&]<PixelDepth D>() { return loadStraight<D>(pixelRow<D>(w, y)[x]); });
}

void paint(World& w, const std::function<Color4(int, int)>& f) {
  dispatchDepth(w.depth(), [&]<PixelDepth D>() {
    for (A_long y = 0; y < w.height(); ++y) {
      for (A_long x = 0; x < w.width(); ++x) storeStraight<D>(pixelRow<D>(w, y)[x], f(x, y));
    }
  });
}

Color4 pattern(int x, int y) {
  return {static_cast<float>((x * 7 + y * 3) % 256) / 255.0f, static_cast<float>(x % 256) / 255.0f,
          static_cast<float>(y % 256) / 255.0f, static_cast<float>((x + y) % 256) / 255.0f};
}

class Media : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("plenorium_media_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  Item footage(const std::string& path, double fps = 25) {
    Item item;
    item.id = ++nextId;
    item.kind = ItemKind::FOOTAGE;
    item.path = path;
    item.resolvedPath = (dir / path).string();
    item.rate = FrameRate::fromFps(fps);
    media.probe(item);
    return item;
  }

  // A 64 x 48 counter video at 25 fps: frame n is a flat grey of level step * n.
  void writeCounterVideo(const std::string& name, int frames, int step) {
    VideoWriter writer((dir / name).string(), 64, 48, FrameRate::fromFps(25));
    for (int n = 0; n < frames; ++n) {
      World w(PixelDepth::U8, 64, 48);
      const float level = static_cast<float>(step * n) / 255.0f;
      paint(w, [level](int, int) { return Color4{1, level, level, level}; });
      writer.add(w);
    }
    writer.finish();
  }

  fs::path dir;
  PixelEngine engine{2};
  MediaLibrary media{engine};
  int nextId = 0;
};

TEST_F(Media, PicturesRoundTripAtEveryFormatAndDepth) {
  struct Case {
    const char* name;
    PixelDepth depth;
    FileDepth file;
    float tolerance;
  };
  for (const Case& c :
       {Case{"a.png", PixelDepth::U8, FileDepth::EIGHT, 0.0f}, Case{"b.png", PixelDepth::U16, FileDepth::SIXTEEN, 0.0f},
        Case{"c.tif", PixelDepth::U8, FileDepth::EIGHT, 0.0f}, Case{"d.tif", PixelDepth::U16, FileDepth::SIXTEEN, 0.0f},
        Case{"e.exr", PixelDepth::F32, FileDepth::SIXTEEN, 2e-3f},
        Case{"f.tif", PixelDepth::F32, FileDepth::FLOAT, 0.0f}}) {
    SCOPED_TRACE(c.name);
    World out(c.depth, 37, 21);
    paint(out, pattern);
    writeImage(out, (dir / c.name).string(), c.file);
    const Item item = footage(c.name);
    ASSERT_EQ(item.width, 37);
    ASSERT_EQ(item.height, 21);
    World back(c.depth, 37, 21);
    media.readFrame(item, 0, 1, back);
    for (A_long y = 0; y < 21; ++y) {
      for (A_long x = 0; x < 37; ++x) {
        const Color4 a = pixelAt(out, x, y), b = pixelAt(back, x, y);
        ASSERT_NEAR(a.a, b.a, c.tolerance + 1e-6f) << x << "," << y;
        // EXR keeps colour multiplied by alpha, so where alpha is 0 there is no colour to keep.
        if (a.a > 0.1f) {
          ASSERT_NEAR(a.r, b.r, c.tolerance * 8 + 1e-6f) << x << "," << y;
          ASSERT_NEAR(a.b, b.b, c.tolerance * 8 + 1e-6f) << x << "," << y;
        }
      }
    }
  }
}

// A scene-linear EXR holds the worlds' sRGB-encoded colour decoded to linear light, premultiplied,
// and says so in its header.
TEST_F(Media, LinearExrHoldsDecodedColourIsTaggedSoAndReadsBackAsWritten) {
  World out(PixelDepth::F32, 4, 2);
  paint(out, [](int x, int) { return x < 2 ? Color4{1, 0.5f, 0.04f, 1} : Color4{0.5f, 1, 0.5f, 0}; });
  for (const ExrColour colour : {ExrColour::SRGB, ExrColour::LINEAR}) {
    const std::string name = colour == ExrColour::LINEAR ? "linear.exr" : "srgb.exr";
    writeImage(out, (dir / name).string(), FileDepth::SIXTEEN, colour);
    std::ifstream in(dir / name, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(bytes.find(colour == ExrColour::LINEAR ? "linear Rec.709" : "sRGB"), std::string::npos);
    // The file holds linear light (0.5 encoded is 0.214 linear), multiplied by alpha.
    auto file = OIIO::ImageInput::open((dir / name).string());
    ASSERT_TRUE(file);
    float stored[4 * 2 * 4];
    ASSERT_TRUE(file->read_image(0, 0, 0, 4, OIIO::TypeDesc::FLOAT, stored));
    const bool linear = colour == ExrColour::LINEAR;
    EXPECT_NEAR(stored[0], linear ? 0.2140f : 0.5f, 1e-3f);
    EXPECT_NEAR(stored[1], linear ? 0.04f / 12.92f : 0.04f, 1e-4f);
    EXPECT_NEAR(stored[7 * 4 + 1], linear ? 0.2140f * 0.5f : 0.25f, 1e-3f);
    // Read back as footage, both give the colours that were written, straight again.
    const Item item = footage(name);
    World back(PixelDepth::F32, 4, 2);
    media.readFrame(item, 0, 1, back);
    const Color4 opaque = pixelAt(back, 0, 0), half = pixelAt(back, 3, 1);
    EXPECT_NEAR(opaque.r, 0.5f, 2e-3f);
    EXPECT_NEAR(opaque.g, 0.04f, 1e-3f);
    EXPECT_NEAR(opaque.b, 1.0f, 2e-3f);
    EXPECT_NEAR(half.a, 0.5f, 1e-3f);
    EXPECT_NEAR(half.r, 1.0f, 2e-3f);
    EXPECT_NEAR(half.g, 0.5f, 2e-3f) << "straight colour comes back after the premultiplication";
  }
}

TEST_F(Media, SequencesStartAtTheirFirstFrameAndHoldOverGaps) {
  for (int n : {7, 8, 10}) {  // 9 is missing
    World w(PixelDepth::U8, 4, 4);
    paint(w, [n](int, int) { return Color4{1, static_cast<float>(n) / 255.0f, 0, 0}; });
    char name[64];
    std::snprintf(name, sizeof(name), "shot.%04d.png", n);
    writeImage(w, (dir / name).string(), FileDepth::EIGHT);
  }
  const Item item = footage("shot.%04d.png", 10);
  EXPECT_DOUBLE_EQ(item.duration, 0.4) << "frames 7 to 10";
  World w(PixelDepth::U8, 4, 4);
  auto frameAt = [&](double t) {
    media.readFrame(item, t, 1, w);
    return static_cast<int>(std::lround(pixelAt(w, 1, 1).r * 255));
  };
  EXPECT_EQ(frameAt(0.0), 7);
  EXPECT_EQ(frameAt(0.1), 8);
  EXPECT_EQ(frameAt(0.2), 8) << "the missing frame 9 holds frame 8";
  EXPECT_EQ(frameAt(0.3), 10);
  EXPECT_EQ(frameAt(5.0), 10);
  const Item hashes = footage("shot.####.png", 10);
  EXPECT_DOUBLE_EQ(hashes.duration, 0.4);
  EXPECT_THROW(footage("none.%04d.png"), HostError);
}

// A file that exists is read as that file, whatever its name holds; a lone # is no placeholder.
TEST_F(Media, FilesNamedWithHashesOrPercentDAreThemselves) {
  World w(PixelDepth::U8, 6, 2);
  paint(w, [](int, int) { return Color4{1, 0, 0, 1}; });
  for (const char* name : {"a#b.png", "50%d.png", "take ##1.png"}) {
    SCOPED_TRACE(name);
    writeImage(w, (dir / name).string(), FileDepth::EIGHT);
    const Item item = footage(name);
    EXPECT_EQ(item.width, 6);
    EXPECT_DOUBLE_EQ(item.duration, 0.0) << "a still, not a sequence";
  }
  SequencePattern pattern;
  EXPECT_FALSE(parseSequencePattern((dir / "c#d.png").string(), pattern)) << "a lone # is part of the name";
  EXPECT_TRUE(parseSequencePattern((dir / "c##d.png").string(), pattern));
}

// With a worker, a sequence decodes its next file while a frame is used: each file is decoded
// once, whatever order the frames are asked in, and a damaged file met ahead is reported only by
// the frame that shows it, naming the file.
TEST_F(Media, ASequenceDecodedAheadDecodesEachFileOnceAndReportsADamagedOneWhenShown) {
  for (int n : {1, 2, 4}) {  // 3 is missing
    World w(PixelDepth::U8, 4, 4);
    paint(w, [n](int, int) { return Color4{1, static_cast<float>(n) / 255.0f, 0, 0}; });
    writeImage(w, (dir / ("take." + std::to_string(n) + ".png")).string(), FileDepth::EIGHT);
  }
  std::ofstream(dir / "take.5.png") << "not a picture";
  MediaLibrary ahead{engine, 1};
  Item item;
  item.id = 1;
  item.kind = ItemKind::FOOTAGE;
  item.resolvedPath = (dir / "take.%d.png").string();
  item.rate = FrameRate::fromFps(25);
  ahead.probe(item);
  World w(PixelDepth::U8, 4, 4);
  auto frameAt = [&](int frame) {
    ahead.readFrame(item, frame / 25.0, 1, w);
    return static_cast<int>(std::lround(pixelAt(w, 1, 1).r * 255));
  };
  EXPECT_EQ(frameAt(0), 1);
  EXPECT_EQ(frameAt(1), 2);
  EXPECT_EQ(frameAt(2), 2) << "the missing file holds the one before";
  EXPECT_EQ(frameAt(3), 4);
  EXPECT_EQ(frameAt(1), 2);
  EXPECT_EQ(frameAt(0), 1);
  EXPECT_EQ(ahead.decodedFrames(), 3);
  EXPECT_EQ(frameAt(3), 4) << "the damaged file after it was met ahead and not reported";
  try {
    frameAt(4);
    ADD_FAILURE() << "a damaged file was read";
  } catch (const HostError& e) {
    EXPECT_NE(std::string(e.what()).find("take.5.png"), std::string::npos) << e.what();
  }
  EXPECT_EQ(frameAt(0), 1);
}

// A clip whose display matrix turns it (as phones record portrait video) is shown upright, as
// FFmpeg's own tools show it, at its shown size; "autorotate": false reads it as stored.
TEST_F(Media, TurnedClipsAreShownUprightAsFfmpegShowsThem) {
  const std::string made = "cd " + dir.string() +
                           " && ffmpeg -nostdin -v error -y -f lavfi -i testsrc=s=160x96:d=1 -pix_fmt yuv444p "
                           "-c:v libx264 -qp 0 plain.mp4";
  ASSERT_EQ(std::system(made.c_str()), 0);
  for (const int degrees : {90, 180, 270}) {
    SCOPED_TRACE(degrees);
    const std::string name = "turned" + std::to_string(degrees) + ".mp4";
    const std::string turn = "cd " + dir.string() + " && ffmpeg -nostdin -v error -y -i plain.mp4 -c copy " +
                             "-metadata:s:v:0 rotate=" + std::to_string(degrees) + " " + name +
                             " && ffmpeg -nostdin -v error -y -i " + name +
                             " -frames:v 1 -f rawvideo -pix_fmt rgba shown.rgba";
    ASSERT_EQ(std::system(turn.c_str()), 0);
    const Item item = footage(name);
    const bool quarter = degrees != 180;
    ASSERT_EQ(item.width, quarter ? 96 : 160);
    ASSERT_EQ(item.height, quarter ? 160 : 96);
    std::ifstream in(dir / "shown.rgba", std::ios::binary);
    const std::vector<unsigned char> shown((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(shown.size(), 96u * 160u * 4u);
    World w(PixelDepth::U8, item.width, item.height);
    media.readFrame(item, 0, 1, w);
    double difference = 0;
    for (int y = 0; y < w.height(); ++y) {
      for (int x = 0; x < w.width(); ++x) {
        const Color4 c = pixelAt(w, x, y);
        const unsigned char* e =
            &shown[(static_cast<std::size_t>(y) * static_cast<std::size_t>(w.width()) + static_cast<std::size_t>(x)) *
                   4];
        difference += std::abs(c.r * 255 - e[0]) + std::abs(c.g * 255 - e[1]) + std::abs(c.b * 255 - e[2]);
      }
    }
    EXPECT_LT(difference / (w.width() * w.height() * 3), 3.0) << "mean difference per sample";
    World half(PixelDepth::U8, item.width / 2, item.height / 2);
    EXPECT_NO_THROW(media.readFrame(item, 0, 2, half));
  }
  Item asStored;
  asStored.kind = ItemKind::FOOTAGE;
  asStored.path = "turned90.mp4";
  asStored.resolvedPath = (dir / "turned90.mp4").string();
  asStored.autorotate = false;
  media.probe(asStored);
  EXPECT_EQ(asStored.width, 160);
  EXPECT_EQ(asStored.height, 96);
}

TEST_F(Media, VideoFramesComeBackAtTheirOwnTimesAndAreDecodedOnce) {
  // Frame n is a flat grey of level 8 n, which survives compression.
  writeCounterVideo("count.mp4", 30, 8);
  const Item item = footage("count.mp4");
  EXPECT_EQ(item.width, 64);
  EXPECT_NEAR(item.rate.fps(), 25.0, 1e-9);
  EXPECT_NEAR(item.duration, 30 / 25.0, 1e-9);
  World w(PixelDepth::U8, 64, 48);
  auto levelAt = [&](double t) {
    media.readFrame(item, t, 1, w);
    return pixelAt(w, 32, 24).g * 255.0f / 8.0f;
  };
  for (int n : {0, 1, 2, 17, 5, 29, 3, 3}) EXPECT_NEAR(levelAt(n / 25.0), n, 0.4) << "frame " << n;
  EXPECT_NEAR(levelAt(12.5 / 25.0), 12, 0.4) << "between frames: the frame being shown";
  levelAt(17 / 25.0);
  const long decoded = media.decodedFrames();
  levelAt(17 / 25.0);
  levelAt(17 / 25.0);
  EXPECT_EQ(media.decodedFrames(), decoded) << "a frame asked for again is not decoded again";
  levelAt(18 / 25.0);
  EXPECT_EQ(media.decodedFrames(), decoded + 1) << "the next frame is decoded onward, without a seek";
}

// Clips opened ahead (while the effect loads) are found open by their probe, with the first frame
// decoded, and read as clips opened by the probe itself; a file that cannot be opened ahead is
// reported by its probe as it would be without.
TEST_F(Media, VideosOpenedAheadAreProbedAndReadAsAnyOther) {
  writeCounterVideo("count.mp4", 8, 16);
  std::ofstream(dir / "broken.mp4") << "not a video";
  MediaLibrary ahead{engine, 1};
  ahead.openAhead({(dir / "count.mp4").string(), (dir / "broken.mp4").string(), (dir / "missing.mp4").string()});
  const Item plain = footage("count.mp4");
  Item item;
  item.kind = ItemKind::FOOTAGE;
  item.path = plain.path;
  item.resolvedPath = plain.resolvedPath;
  ahead.probe(item);
  EXPECT_EQ(ahead.decodedFrames(), 1) << "the first frame was decoded while the caller went on";
  EXPECT_EQ(item.width, plain.width);
  EXPECT_EQ(item.height, plain.height);
  EXPECT_EQ(item.duration, plain.duration);
  EXPECT_EQ(item.rate.text(), plain.rate.text());
  for (const int frame : {0, 5}) {
    World fromAhead(PixelDepth::U8, 64, 48), fromProbe(PixelDepth::U8, 64, 48);
    ahead.readFrame(item, frame / 25.0, 1, fromAhead);
    media.readFrame(plain, frame / 25.0, 1, fromProbe);
    EXPECT_EQ(std::memcmp(fromAhead.row(0), fromProbe.row(0), fromAhead.rowBytes() * 48u), 0) << "frame " << frame;
  }
  const auto failure = [&](MediaLibrary& library, const std::string& file) {
    Item bad;
    bad.kind = ItemKind::FOOTAGE;
    bad.path = file;
    bad.resolvedPath = (dir / file).string();
    try {
      library.probe(bad);
    } catch (const HostError& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  for (const char* file : {"broken.mp4", "missing.mp4"}) {
    EXPECT_EQ(failure(ahead, file), failure(media, file));
    EXPECT_NE(failure(ahead, file).find(file), std::string::npos);
  }
}

// Writes a PNG of the given colour type straight through libpng: kinds our own writer never makes.
void writeRawPng(const fs::path& file, int colorType, int bitDepth, int width, int height,
                 const std::vector<std::uint8_t>& samples, const std::vector<png_color>& palette = {},
                 const std::vector<png_byte>& transparency = {}) {
  FILE* f = std::fopen(file.c_str(), "wb");
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, f);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), bitDepth, colorType,
               PNG_INTERLACE_ADAM7, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!palette.empty()) png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
  if (!transparency.empty())
    png_set_tRNS(png, info, transparency.data(), static_cast<int>(transparency.size()), nullptr);
  png_write_info(png, info);
  const int passes = png_set_interlace_handling(png);
  const std::size_t rowBytes = samples.size() / static_cast<std::size_t>(height);
  for (int pass = 0; pass < passes; ++pass) {
    for (int y = 0; y < height; ++y) png_write_row(png, samples.data() + static_cast<std::size_t>(y) * rowBytes);
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  std::fclose(f);
}

// Palettes with transparency, grey and missing alpha are expanded to RGBA; a damaged file is one
// line that says why.
TEST_F(Media, EveryKindOfPngReadsAsRgbaAndADamagedOneSaysWhy) {
  writeRawPng(dir / "palette.png", PNG_COLOR_TYPE_PALETTE, 8, 3, 1, {0, 1, 2}, {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}},
              {255, 128});
  writeRawPng(dir / "grey16.png", PNG_COLOR_TYPE_GRAY, 16, 2, 1, {0x00, 0x00, 0xFF, 0xFF});
  writeRawPng(dir / "rgb.png", PNG_COLOR_TYPE_RGB, 8, 1, 1, {10, 20, 30});
  const struct {
    const char* name;
    PixelDepth depth;
    std::vector<Color4> expected;  // straight a, r, g, b
  } cases[] = {
      {"palette.png", PixelDepth::U8, {{1, 1, 0, 0}, {128 / 255.0f, 0, 1, 0}, {1, 0, 0, 1}}},
      {"grey16.png", PixelDepth::U16, {{1, 0, 0, 0}, {1, 1, 1, 1}}},
      {"rgb.png", PixelDepth::U8, {{1, 10 / 255.0f, 20 / 255.0f, 30 / 255.0f}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Item item = footage(c.name);
    ASSERT_EQ(item.width, static_cast<A_long>(c.expected.size()));
    World back(c.depth, item.width, 1);
    media.readFrame(item, 0, 1, back);
    for (A_long x = 0; x < item.width; ++x) {
      const Color4 got = pixelAt(back, x, 0), want = c.expected[static_cast<std::size_t>(x)];
      EXPECT_NEAR(got.a, want.a, 1e-3f) << x;
      EXPECT_NEAR(got.r, want.r, 1e-3f) << x;
      EXPECT_NEAR(got.g, want.g, 1e-3f) << x;
      EXPECT_NEAR(got.b, want.b, 1e-3f) << x;
    }
  }
  World big(PixelDepth::U8, 64, 64);
  paint(big, pattern);
  writeImage(big, (dir / "cut.png").string(), FileDepth::EIGHT);
  fs::resize_file(dir / "cut.png", fs::file_size(dir / "cut.png") / 2);
  try {
    const Item item = footage("cut.png");
    World back(PixelDepth::U8, 64, 64);
    media.readFrame(item, 0, 1, back);
    FAIL() << "a truncated picture was read";
  } catch (const HostError& e) {
    const std::string message = e.what();
    EXPECT_NE(message.find("cut.png': cannot read the picture (the file ends early)"), std::string::npos) << message;
  }
}

TEST_F(Media, AnUnfinishedVideoLeavesNoFile) {
  {
    VideoWriter writer((dir / "cut.mp4").string(), 32, 32, FrameRate::fromFps(25));
    World w(PixelDepth::U8, 32, 32);
    writer.add(w);
  }
  EXPECT_TRUE(fs::is_empty(dir));
}

TEST(PixelTransfer, SampleRangesConvertExactly) {
  const std::uint8_t white[4] = {255, 255, 255, 255};
  const std::uint8_t half[4] = {128, 0, 1, 255};
  for (const std::uint8_t* sample : {white, half}) {
    PixelBuffer b;
    b.data = sample;
    b.width = b.height = 1;
    b.rowBytes = 4;
    World w16(PixelDepth::U16, 1, 1), w32(PixelDepth::F32, 1, 1);
    importPixels(b, w16);
    importPixels(b, w32);
    const PF_Pixel16 p = pixelRow<PixelDepth::U16>(w16, 0)[0];
    EXPECT_EQ(p.red, (sample[0] * 32768 + 127) / 255);
    EXPECT_EQ(pixelRow<PixelDepth::F32>(w32, 0)[0].red, sample[0] / 255.0f);
  }
  PixelBuffer b;
  b.data = white;
  b.width = b.height = 1;
  b.rowBytes = 4;
  World w16(PixelDepth::U16, 1, 1);
  importPixels(b, w16);
  EXPECT_EQ(pixelRow<PixelDepth::U16>(w16, 0)[0].alpha, 32768);
  std::uint16_t out[4];
  exportPixels(w16, out, sizeof(out), SampleType::U16, false);
  EXPECT_EQ(out[3], 65535);
}

// What the video encoder is given: premultiplied RGBA. Opaque pixels keep their bytes exactly;
// others are scaled by their alpha.
TEST(PixelTransfer, EightBitExportPremultipliesOnlyWhatIsNotOpaque) {
  World w(PixelDepth::U8, 256, 2);
  for (A_long x = 0; x < 256; ++x) {
    const auto v = static_cast<A_u_char>(x);
    pixelRow<PixelDepth::U8>(w, 0)[x] = PF_Pixel8{255, v, static_cast<A_u_char>(255 - v), 7};
    pixelRow<PixelDepth::U8>(w, 1)[x] = PF_Pixel8{v, 200, 0, 255};
  }
  std::vector<std::uint8_t> out(256 * 2 * 4);
  exportPixels(w, out.data(), 256 * 4, SampleType::U8, true);
  for (int x = 0; x < 256; ++x) {
    const std::uint8_t* opaque = &out[static_cast<std::size_t>(x) * 4];
    EXPECT_EQ(opaque[0], x);
    EXPECT_EQ(opaque[1], 255 - x);
    EXPECT_EQ(opaque[2], 7);
    EXPECT_EQ(opaque[3], 255);
    const std::uint8_t* partial = &out[(256 + static_cast<std::size_t>(x)) * 4];
    EXPECT_NEAR(partial[0], 200.0 * x / 255.0, 0.51);
    EXPECT_EQ(partial[1], 0);
    EXPECT_NEAR(partial[2], x, 0.51);
    EXPECT_EQ(partial[3], x);
  }
}

}  // namespace
}  // namespace plenorium::host
