#include "row_sums.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "column_sums.h"

namespace plenorium::host {
namespace {

// Rows of pixels that exercise every path: long opaque runs (the vector versions' shortcut), runs
// broken by one translucent pixel, transparent pixels and random ones.
std::vector<PF_Pixel8> testRow(std::size_t width, std::mt19937& random) {
  std::vector<PF_Pixel8> row(width);
  std::uniform_int_distribution<int> byte(0, 255), kind(0, 9);
  for (std::size_t i = 0; i < width; ++i) {
    const int k = kind(random);
    const int alpha = k < 6 ? 255 : k == 6 ? 0 : byte(random);
    row[i] = PF_Pixel8{static_cast<A_u_char>(alpha), static_cast<A_u_char>(byte(random)),
                       static_cast<A_u_char>(byte(random)), static_cast<A_u_char>(byte(random))};
  }
  // A run of sixteen opaque pixels somewhere, as whole video frames are.
  if (width >= 24) {
    for (std::size_t i = 4; i < 20; ++i) row[i].alpha = 255;
  }
  return row;
}

struct Sums {
  const char* name;
  SumRows8 sum;
};

std::vector<Sums> versionsHere() {
  std::vector<Sums> versions{{"portable", sumRows8Portable}};
#if defined(__x86_64__)
  versions.push_back({"SSE2", sumRows8Sse2});
  if (processorHasAvx2()) versions.push_back({"AVX2", sumRows8Avx2});
#endif
#if PLENORIUM_AVX512_PATHS
  if (processorHasAvx512()) versions.push_back({"AVX-512", sumRows8Avx512});
#endif
  return versions;
}

// Pictures must not depend on the processor that drew them: every version of the row sums gives
// the portable version's bits, for any width (whole vector steps and tails), any number of rows,
// and sums that continue earlier ones.
TEST(RowSums, EveryVersionGivesThePortableBits) {
  const std::vector<Sums> versions = versionsHere();
  if (versions.size() == 1) GTEST_SKIP() << "only the portable version runs on this processor";
  std::mt19937 random(20261210);
  std::uniform_real_distribution<float> share(0.0f, 1.0f);
  for (const std::size_t width : {std::size_t{0}, std::size_t{1}, std::size_t{3}, std::size_t{7}, std::size_t{8},
                                  std::size_t{13}, std::size_t{16}, std::size_t{37}, std::size_t{1921}}) {
    for (const int count : {0, 1, 2, 5, 8}) {
      for (const bool after : {false, true}) {
        std::vector<std::vector<PF_Pixel8>> rows;
        std::vector<const PF_Pixel8*> pointers;
        std::vector<float> weights;
        for (int k = 0; k < count; ++k) {
          rows.push_back(testRow(width, random));
          weights.push_back(share(random));
        }
        for (const auto& row : rows) pointers.push_back(row.data());
        std::vector<Lanes> earlier(width);
        for (Lanes& l : earlier) l = Lanes{share(random), share(random), share(random), share(random)};
        const WeightedRows input{pointers.data(), weights.data(), count, after};
        std::vector<Lanes> expected = earlier;
        sumRows8Portable(input, width, expected.data());
        for (const Sums& version : versions) {
          std::vector<Lanes> got = earlier;
          version.sum(input, width, got.data());
          // (An empty row has no storage to compare: memcmp must not be given null.)
          EXPECT_TRUE(width == 0 || std::memcmp(got.data(), expected.data(), width * sizeof(Lanes)) == 0)
              << version.name << ", " << width << " pixels, " << count << " rows" << (after ? ", after earlier" : "");
        }
      }
    }
  }
}

// What a sum means: premultiplied, normalised colour times the weight, transparent adding nothing.
TEST(RowSums, APixelAddsItsPremultipliedColourTimesTheWeight) {
  const PF_Pixel8 white{255, 255, 255, 255}, halfRed{128, 255, 0, 0}, clear{0, 200, 100, 50};
  const PF_Pixel8* rows[] = {&white, &halfRed, &clear};
  const float weights[] = {0.5f, 0.5f, 1.0f};
  for (const Sums& version : versionsHere()) {
    Lanes sum{};
    version.sum(WeightedRows{rows, weights, 3, false}, 1, &sum);
    const float half = 0.5f * 128.0f / 255.0f;
    EXPECT_NEAR(sum[0], 0.5f + half, 1e-6f) << version.name;
    EXPECT_NEAR(sum[1], 0.5f + half, 1e-6f) << version.name;
    EXPECT_NEAR(sum[2], 0.5f, 1e-6f) << version.name;
    EXPECT_NEAR(sum[3], 0.5f, 1e-6f) << version.name;
  }
}

#if PLENORIUM_AVX512_PATHS
// The horizontal pass, likewise: runs of pixels with the same number of taps (one to eight, shared
// in vector registers), runs broken by a pixel with another number, pixels with none or more than
// eight, from any start within the column, give the portable version's bits.
TEST(ColumnSums, EveryVersionGivesThePortableBits) {
  if (!processorHasAvx512()) GTEST_SKIP() << "only the portable version runs on this processor";
  std::mt19937 random(20261211);
  std::uniform_real_distribution<float> value(-2.0f, 2.0f), share(0.0f, 1.0f);
  std::uniform_int_distribution<int> taps(0, 9), runLength(1, 11);
  for (int trial = 0; trial < 40; ++trial) {
    std::vector<TapRange> ranges;
    std::vector<float> weights;
    A_long first = 3;
    while (ranges.size() < 61) {
      const int n = taps(random);
      for (int r = runLength(random); r > 0 && ranges.size() < 61; --r) {
        ranges.push_back({first, n, weights.size()});
        for (int k = 0; k < n; ++k) weights.push_back(share(random));
        first += std::max(n - 1, 1);  // neighbours overlap by one column, as a box's fractional ends do
      }
    }
    std::vector<Lanes> column(static_cast<std::size_t>(first + 10));
    for (Lanes& l : column) l = Lanes{value(random), value(random), value(random), value(random)};
    for (const std::size_t from : {std::size_t{0}, std::size_t{1}, std::size_t{3}}) {
      const std::size_t count = ranges.size() - from;
      std::vector<Color4> expected(count), got(count, Color4{9, 9, 9, 9});
      sumColumnsPortable(column.data(), 2, ranges.data() + from, weights.data(), count, expected.data());
      sumColumnsAvx512(column.data(), 2, ranges.data() + from, weights.data(), count, got.data());
      EXPECT_EQ(std::memcmp(got.data(), expected.data(), count * sizeof(Color4)), 0)
          << "trial " << trial << ", from pixel " << from;
    }
  }
}
#endif

}  // namespace
}  // namespace plenorium::host
