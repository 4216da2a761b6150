#include "byte_order.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "row_sums.h"

namespace plenorium::host {
namespace {

// Decoded RGBA turned into ARGB: every version gives the portable one's bytes, for rows of every
// length around the vector width (the tail after the last whole step included), and the portable
// one moves alpha to the front.
TEST(RgbaToArgbRows, EveryVersionTurnsEveryPixelAlike) {
  std::uint8_t pixel[4] = {10, 20, 30, 40};
  rgbaToArgbRowPortable(pixel, 1);
  EXPECT_EQ(std::vector<int>(pixel, pixel + 4), (std::vector<int>{40, 10, 20, 30}));
  std::mt19937 random(11);
  std::uniform_int_distribution<int> byte(0, 255);
  for (const std::size_t width : {std::size_t{0}, std::size_t{1}, std::size_t{7}, std::size_t{8}, std::size_t{9},
                                  std::size_t{17}, std::size_t{1921}}) {
    SCOPED_TRACE(width);
    std::vector<std::uint8_t> row(width * 4);
    for (auto& b : row) b = static_cast<std::uint8_t>(byte(random));
    std::vector<std::uint8_t> want = row;
    rgbaToArgbRowPortable(want.data(), width);
    std::vector<std::uint8_t> fastest = row;
    fastestRgbaToArgbRow()(fastest.data(), width);
    EXPECT_EQ(fastest, want);
#if defined(__x86_64__)
    if (processorHasAvx2()) {
      std::vector<std::uint8_t> wide = row;
      rgbaToArgbRowAvx2(wide.data(), width);
      EXPECT_EQ(wide, want);
    }
#endif
  }
}

}  // namespace
}  // namespace plenorium::host
