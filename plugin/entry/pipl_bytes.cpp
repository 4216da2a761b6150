#include "pipl_bytes.h"

#include <cstring>
#include <string_view>

#include "PiPL.h"
#include "descriptor.h"

namespace plenorium {
namespace {

class PiplWriter {
 public:
  void u16(std::uint16_t v) {
    bytes_.push_back(static_cast<std::uint8_t>(v));
    bytes_.push_back(static_cast<std::uint8_t>(v >> 8));
  }
  void u32(std::uint32_t v) {
    u16(static_cast<std::uint16_t>(v));
    u16(static_cast<std::uint16_t>(v >> 16));
  }

  // One property: vendor, key, id 0, length, then the value padded with zeros to 4 bytes. The
  // length counts the padding, as the resource tools write it, since a host may step from one
  // property to the next by the length alone.
  void property(std::uint32_t key, const std::vector<std::uint8_t>& value) {
    const std::size_t padded = (value.size() + 3) / 4 * 4;
    u32(PIPL_VENDOR_HOST);
    u32(key);
    u32(0);
    u32(static_cast<std::uint32_t>(padded));
    for (std::uint8_t b : value) bytes_.push_back(b);
    for (std::size_t i = value.size(); i < padded; ++i) bytes_.push_back(0);
  }

  std::vector<std::uint8_t> take() { return std::move(bytes_); }

 private:
  std::vector<std::uint8_t> bytes_;
};

std::vector<std::uint8_t> le32(std::uint32_t v) {
  return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v >> 16),
          static_cast<std::uint8_t>(v >> 24)};
}

std::vector<std::uint8_t> le16Pair(std::uint16_t major, std::uint16_t minor) {
  return {static_cast<std::uint8_t>(major), static_cast<std::uint8_t>(major >> 8), static_cast<std::uint8_t>(minor),
          static_cast<std::uint8_t>(minor >> 8)};
}

// One length byte, then the characters.
std::vector<std::uint8_t> pascalString(std::string_view text) {
  std::vector<std::uint8_t> out;
  out.reserve(text.size() + 1);
  out.push_back(static_cast<std::uint8_t>(text.size()));
  for (char c : text) out.push_back(static_cast<std::uint8_t>(c));
  return out;
}

std::vector<std::uint8_t> cString(std::string_view text) {
  std::vector<std::uint8_t> out;
  out.reserve(text.size() + 1);
  for (char c : text) out.push_back(static_cast<std::uint8_t>(c));
  out.push_back(0);
  return out;
}

}  // namespace

PiplSpec effectPiplSpec() {
  return {EFFECT_NAME,
          EFFECT_CATEGORY,
          EFFECT_MATCH_NAME,
          ENTRY_POINT_NAME,
          VERSION_WORD,
          static_cast<std::uint32_t>(OUT_FLAGS),
          static_cast<std::uint32_t>(OUT_FLAGS2)};
}

std::vector<std::uint8_t> buildPiplBytes(const PiplSpec& spec) {
  constexpr std::uint32_t PROPERTY_COUNT = 12;
  PiplWriter w;
  w.u16(1);  // list version
  w.u32(0);  // reserved
  w.u32(PROPERTY_COUNT);
  w.property(PIPL_KEY_KIND, le32(PIPL_KIND_AE_EFFECT));
  w.property(PIPL_KEY_NAME, pascalString(spec.name));
  w.property(PIPL_KEY_CATEGORY, pascalString(spec.category));
  w.property(PIPL_KEY_ENTRY_POINT_WIN64, cString(spec.entryPoint));
  w.property(PIPL_KEY_PIPL_VERSION, le16Pair(PIPL_VERSION_MAJOR, PIPL_VERSION_MINOR));
  w.property(PIPL_KEY_SPEC_VERSION, le16Pair(SPEC_VERSION_MAJOR, SPEC_VERSION_MINOR));
  w.property(PIPL_KEY_VERSION, le32(spec.version));
  w.property(PIPL_KEY_INFO_FLAGS, {0, 0});
  w.property(PIPL_KEY_GLOBAL_FLAGS, le32(spec.outFlags));
  w.property(PIPL_KEY_GLOBAL_FLAGS2, le32(spec.outFlags2));
  w.property(PIPL_KEY_MATCH_NAME, pascalString(spec.matchName));
  w.property(PIPL_KEY_AE_FLAGS, le32(0));
  return w.take();
}

}  // namespace plenorium
