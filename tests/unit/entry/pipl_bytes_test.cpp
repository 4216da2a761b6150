#include "pipl_bytes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace plenorium {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t le32At(const Bytes& b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | b[at + 1] << 8 | b[at + 2] << 16 |
         static_cast<std::uint32_t>(b[at + 3]) << 24;
}

Bytes bytesOf(const std::string& s) {
  return Bytes(s.begin(), s.end());
}

struct Expected {
  const char* key;  // as the four characters read in memory order (little-endian storage)
  Bytes value;      // unpadded
};

TEST(PiplBytes, HeaderAndTwelvePropertiesInOrderWithTheirExactValues) {
  const Bytes b = buildPiplBytes();
  ASSERT_GE(b.size(), 10u);
  EXPECT_EQ(b[0] | b[1] << 8, 1);
  EXPECT_EQ(le32At(b, 2), 0u);
  EXPECT_EQ(le32At(b, 6), 12u);

  auto pascal = [](const std::string& s) {
    Bytes v{static_cast<std::uint8_t>(s.size())};
    for (char c : s) v.push_back(static_cast<std::uint8_t>(c));
    return v;
  };
  Bytes entry = bytesOf("EntryPointFunc");
  entry.push_back(0);
  const std::vector<Expected> expected = {
      {"dnik", bytesOf("TKFe")},
      {"eman", pascal("Plenorium Maker")},
      {"gtac", pascal("Quorvix")},
      {"4668", entry},
      {"RVPe", {2, 0, 0, 0}},
      {"RVSe", {13, 0, 0, 0}},
      {"REVe", {0x12, 0x00, 0x08, 0x00}},
      {"FNIe", {0, 0}},
      {"OLGe", {0x03, 0x00, 0x08, 0x06}},
      {"2LGe", {0x08, 0x14, 0x00, 0x00}},
      {"ANMe", pascal("KTRM_Plenorium")},
      {"LFea", {0, 0, 0, 0}},
  };

  std::size_t at = 10;
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.key);
    ASSERT_LE(at + 16, b.size());
    EXPECT_EQ(std::string(b.begin() + static_cast<long>(at), b.begin() + static_cast<long>(at + 4)), "MIB8");
    EXPECT_EQ(std::string(b.begin() + static_cast<long>(at + 4), b.begin() + static_cast<long>(at + 8)), e.key);
    EXPECT_EQ(le32At(b, at + 8), 0u);
    // The length counts the value's padding to 4 bytes, so a reader can step by it alone.
    const std::uint32_t length = le32At(b, at + 12);
    const std::size_t padded = (e.value.size() + 3) & ~std::size_t{3};
    ASSERT_EQ(length, padded);
    const Bytes value(b.begin() + static_cast<long>(at + 16), b.begin() + static_cast<long>(at + 16 + e.value.size()));
    EXPECT_EQ(value, e.value);
    for (std::size_t i = e.value.size(); i < padded; ++i) EXPECT_EQ(b[at + 16 + i], 0) << "padding byte " << i;
    at += 16 + length;
  }
  EXPECT_EQ(at, b.size());
}

}  // namespace
}  // namespace plenorium
