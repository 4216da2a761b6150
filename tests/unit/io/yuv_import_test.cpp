// Decoded 4:2:0 frames converted straight into worlds: every version of the row loop gives the
// portable bytes, and the bytes are swscale's for every matrix and range, on random pictures of odd
// widths and padded rows as much as on the probe the reader checks, and on frames read from a file.
#include "yuv_import.h"

#include <gtest/gtest.h>
#include <unistd.h>

extern "C" {
#include <libswscale/swscale.h>
}

#include <filesystem>
#include <random>
#include <vector>

#include "row_sums.h"
#include "scaler_colour.h"
#include "video_reader.h"
#include "video_writer.h"
#include "yuv_import_rows.h"

namespace plenorium::host {
namespace {

const int MATRICES[] = {SWS_CS_ITU601, SWS_CS_ITU709, SWS_CS_FCC, SWS_CS_SMPTE240M, SWS_CS_BT2020};

YuvToRgbWeights weightsOf(int matrix, bool fullRange) {
  const int* t = sws_getCoefficients(matrix);
  return yuvToRgbWeights({t[0], t[1], t[2], t[3]}, fullRange);
}

// Random planes whose rows lie `pad` bytes further apart than they need.
struct Planes {
  int width, height, pad;
  std::vector<std::uint8_t> y, u, v;
  Planes(int w, int h, int padding, std::mt19937& random)
      : width(w),
        height(h),
        pad(padding),
        y(static_cast<std::size_t>((w + padding) * h)),
        u(static_cast<std::size_t>(((w + 1) / 2 + padding) * ((h + 1) / 2))),
        v(u.size()) {
    std::uniform_int_distribution<int> byte(0, 255);
    for (auto* plane : {&y, &u, &v}) {
      for (auto& sample : *plane) sample = static_cast<std::uint8_t>(byte(random));
    }
  }
  Yuv420Source view() const {
    return {width, height, y.data(), u.data(), v.data(), width + pad, (width + 1) / 2 + pad, (width + 1) / 2 + pad};
  }
};

#if defined(__x86_64__)
TEST(YuvImport, EveryVersionGivesThePortableBytes) {
  if (!yuvImportIsFast()) GTEST_SKIP() << "no AVX2 here";
  std::mt19937 random(11);
  std::uniform_int_distribution<int> byte(0, 255);
  std::vector<std::pair<const char*, void (*)(const YuvRow&, const YuvToRgbWeights&)>> versions{
      {"AVX2", yuvToArgbRowAvx2}};
#if PLENORIUM_AVX512_PATHS
  if (processorHasAvx512()) versions.push_back({"AVX-512", yuvToArgbRowAvx512});
#endif
  for (const int matrix : MATRICES) {
    for (const bool fullRange : {false, true}) {
      const YuvToRgbWeights weights = weightsOf(matrix, fullRange);
      // Widths around the vector steps of sixteen and thirty-two pixels, odd ones with a chroma sample of their own.
      for (const std::size_t width : {1u, 2u, 15u, 16u, 17u, 31u, 32u, 33u, 63u, 64u, 99u}) {
        std::vector<std::uint8_t> y(width), u((width + 1) / 2), v((width + 1) / 2);
        for (auto* plane : {&y, &u, &v}) {
          for (auto& sample : *plane) sample = static_cast<std::uint8_t>(byte(random));
        }
        std::vector<std::uint8_t> portable(width * 4);
        yuvToArgbRowPortable({y.data(), u.data(), v.data(), width, portable.data()}, weights, 0);
        for (const auto& [name, convert] : versions) {
          std::vector<std::uint8_t> vector(width * 4 + 4, 77);
          convert({y.data(), u.data(), v.data(), width, vector.data()}, weights);
          EXPECT_TRUE(std::equal(portable.begin(), portable.end(), vector.begin()))
              << name << ", matrix " << matrix << (fullRange ? " full" : " limited") << " range, width " << width;
          EXPECT_EQ(vector[width * 4], 77) << name << " wrote past the row, width " << width;
        }
      }
    }
  }
}
#endif

// swscale's RGBA of `planes`, converted as the reader converts frames (rows of whole 16-pixel blocks).
std::vector<std::uint8_t> scaled(const Planes& planes, int matrix, bool fullRange, int& stride) {
  SwsContext* scaler = sws_getContext(planes.width, planes.height, AV_PIX_FMT_YUV420P, planes.width, planes.height,
                                      AV_PIX_FMT_RGBA, SWS_BICUBIC, nullptr, nullptr, nullptr);
  EXPECT_NE(scaler, nullptr);
  tagScaler(scaler, matrix, fullRange);
  const Yuv420Source s = planes.view();
  const std::uint8_t* source[4] = {s.y, s.u, s.v, nullptr};
  const int sourceStrides[4] = {s.yStride, s.uStride, s.vStride, 0};
  stride = (planes.width * 4 + 63) & ~63;
  std::vector<std::uint8_t> rgba(static_cast<std::size_t>(stride) * planes.height + 64);
  std::uint8_t* target[4] = {rgba.data(), nullptr, nullptr, nullptr};
  const int targetStrides[4] = {stride, 0, 0, 0};
  sws_scale(scaler, source, sourceStrides, 0, planes.height, target, targetStrides);
  sws_freeContext(scaler);
  return rgba;
}

// The first pixel where `world` (ARGB) and `rgba` differ, or -1.
long firstDifference(const World& world, const std::uint8_t* rgba, int stride) {
  for (A_long y = 0; y < world.height(); ++y) {
    for (A_long x = 0; x < world.width(); ++x) {
      const std::uint8_t* ours = world.row(y) + x * 4;
      const std::uint8_t* theirs = rgba + static_cast<std::ptrdiff_t>(y) * stride + x * 4;
      if (ours[0] != theirs[3] || ours[1] != theirs[0] || ours[2] != theirs[1] || ours[3] != theirs[2]) {
        return static_cast<long>(y) * world.width() + x;
      }
    }
  }
  return -1;
}

TEST(YuvImport, FramesOfEveryMatrixAndRangeGetSwscalesBytes) {
  if (!yuvImportIsFast()) GTEST_SKIP() << "swscale converts on this processor";
  std::mt19937 random(3);
  for (const int matrix : MATRICES) {
    for (const bool fullRange : {false, true}) {
      const std::optional<YuvToRgbWeights> weights = directConversion(matrix, fullRange);
      ASSERT_TRUE(weights.has_value()) << "the probe found other bytes: matrix " << matrix
                                       << (fullRange ? " full" : " limited") << " range";
      for (const auto& [width, height] : {std::pair{37, 6}, std::pair{130, 10}, std::pair{2, 2}}) {
        const Planes planes(width, height, 5, random);
        int stride = 0;
        const std::vector<std::uint8_t> rgba = scaled(planes, matrix, fullRange, stride);
        World world(PixelDepth::U8, width, height);
        importYuv420(planes.view(), *weights, world);
        EXPECT_EQ(firstDifference(world, rgba.data(), stride), -1)
            << "matrix " << matrix << (fullRange ? " full" : " limited") << " range, " << width << "x" << height;
      }
    }
  }
}

// Frames read from a file into a world have the bytes of the same frames read as RGBA rows, which
// swscale converts: SD (BT.601) and HD-tagged (BT.709) video.
TEST(YuvImport, FramesReadIntoAWorldAreTheFramesReadAsRgba) {
  const auto dir = std::filesystem::temp_directory_path() / ("plenorium_yuv_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::mt19937 random(8);
  std::uniform_int_distribution<int> byte(0, 255);
  for (const auto& [width, height] : {std::pair{96, 40}, std::pair{64, 720}}) {
    const std::string path = (dir / ("clip" + std::to_string(width) + ".mp4")).string();
    {
      VideoWriter writer(path, width, height, FrameRate::fromFps(25));
      for (int n = 0; n < 2; ++n) {
        World w(PixelDepth::U8, width, height);
        for (A_long y = 0; y < height; ++y) {
          std::uint8_t* row = w.row(y);
          for (A_long x = 0; x < width * 4; ++x) row[x] = x % 4 == 0 ? 255 : static_cast<std::uint8_t>(byte(random));
        }
        writer.add(w);
      }
      writer.finish();
    }
    VideoReader reader(path, 1);
    for (long n = 0; n < 2; ++n) {
      World world(PixelDepth::U8, width, height);
      reader.frameInto(n, world);
      const std::vector<std::uint8_t>& rgba = reader.frame(n);
      EXPECT_EQ(firstDifference(world, rgba.data(), width * 4), -1) << width << "x" << height << ", frame " << n;
    }
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace plenorium::host
