#include "plugin_descriptor.h"

#include "PiPL.h"
#include "host_error.h"

namespace plenorium::host {
namespace {

class Reader {
 public:
  explicit Reader(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
  std::uint32_t u16() {
    need(2);
    const std::uint32_t v = static_cast<std::uint32_t>(bytes_[pos_]) | static_cast<std::uint32_t>(bytes_[pos_ + 1])
                                                                           << 8;
    pos_ += 2;
    return v;
  }
  std::uint32_t u32() {
    need(4);
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | bytes_[pos_ + static_cast<std::size_t>(i)];
    pos_ += 4;
    return v;
  }
  std::vector<std::uint8_t> take(std::size_t n) {
    need(n);
    std::vector<std::uint8_t> out(bytes_.begin() + static_cast<std::ptrdiff_t>(pos_),
                                  bytes_.begin() + static_cast<std::ptrdiff_t>(pos_ + n));
    pos_ += n;
    return out;
  }
  // Values are padded to a multiple of 4 bytes of their own length.
  void skipPadding(std::size_t length) { pos_ = std::min(bytes_.size(), pos_ + ((4 - length % 4) % 4)); }

 private:
  void need(std::size_t n) const {
    if (pos_ + n > bytes_.size()) throw HostError("the plug-in descriptor is truncated");
  }
  const std::vector<std::uint8_t>& bytes_;
  std::size_t pos_ = 0;
};

std::uint32_t le32(const std::vector<std::uint8_t>& v) {
  if (v.size() < 4) throw HostError("a plug-in descriptor number is shorter than 4 bytes");
  return static_cast<std::uint32_t>(v[0]) | v[1] << 8 | v[2] << 16 | static_cast<std::uint32_t>(v[3]) << 24;
}

std::string pascal(const std::vector<std::uint8_t>& v) {
  if (v.empty() || v[0] + 1u > v.size()) throw HostError("a plug-in descriptor name is malformed");
  return std::string(v.begin() + 1, v.begin() + 1 + v[0]);
}

std::string cstring(const std::vector<std::uint8_t>& v) {
  std::string s;
  for (std::uint8_t c : v) {
    if (c == 0) return s;
    s.push_back(static_cast<char>(c));
  }
  throw HostError("a plug-in descriptor string is not terminated");
}

}  // namespace

std::string fourCC(std::uint32_t code) {
  std::string s(4, ' ');
  for (int i = 0; i < 4; ++i) s[static_cast<std::size_t>(i)] = static_cast<char>(code >> (24 - 8 * i));
  return s;
}

PluginDescriptor parsePipl(const std::vector<std::uint8_t>& bytes) {
  Reader r(bytes);
  PluginDescriptor d;
  if (r.u16() != 1) throw HostError("the plug-in descriptor has an unknown list version");
  r.u32();
  const std::uint32_t count = r.u32();
  if (count > 1000) throw HostError("the plug-in descriptor claims too many properties");
  for (std::uint32_t i = 0; i < count; ++i) {
    PiplProperty p;
    p.vendor = r.u32();
    p.key = r.u32();
    p.id = r.u32();
    const std::uint32_t length = r.u32();
    p.value = r.take(length);
    r.skipPadding(length);
    switch (p.key) {
      case PIPL_KEY_KIND: d.kind = le32(p.value); break;
      case PIPL_KEY_NAME: d.name = pascal(p.value); break;
      case PIPL_KEY_CATEGORY: d.category = pascal(p.value); break;
      case PIPL_KEY_ENTRY_POINT_WIN64: d.entryPoint = cstring(p.value); break;
      case PIPL_KEY_MATCH_NAME: d.matchName = pascal(p.value); break;
      case PIPL_KEY_VERSION: d.version = le32(p.value); break;
      case PIPL_KEY_GLOBAL_FLAGS: d.outFlags = le32(p.value); break;
      case PIPL_KEY_GLOBAL_FLAGS2: d.outFlags2 = le32(p.value); break;
      default: break;
    }
    d.properties.push_back(std::move(p));
  }
  return d;
}

void requireEffectDescriptor(const PluginDescriptor& d, const std::string& file) {
  if (d.kind != PIPL_KIND_AE_EFFECT) {
    throw HostError("'" + file + "' is not an effect module (its descriptor kind is '" + fourCC(d.kind) + "')");
  }
  if (d.matchName.empty()) throw HostError("'" + file + "' has no match name in its descriptor");
  if (d.entryPoint.empty()) throw HostError("'" + file + "' names no entry point in its descriptor");
}

}  // namespace plenorium::host
