#include "frame_library.h"

#include <array>
#include <bit>
#include <cstdio>
#include <cstring>
#include <limits>

#include "png_decoder.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace plenorium {

const char* const FRAME_FILE_NAMES[FRAME_IMAGE_COUNT] = {
    "FLAT_SCREEN_FRAME-1920x1080_01.png", "FLAT_SCREEN_FRAME-1920x1080_02.png", "FLAT_SCREEN_FRAME-1920x1080_03.png",
    "FLAT_SCREEN_FRAME-1920x1080_04.png", "FLAT_SCREEN_FRAME-1920x1080_05.png", "FLAT_SCREEN_FRAME-1920x1080_06.png",
    "FLAT_SCREEN_FRAME-1920x1080_07.png", "NARROW_FRAME-1920x1080_08.png",      "RETRO_09-1920x1080.png"};

std::uint16_t toChannel16(std::uint8_t v) {
  return static_cast<std::uint16_t>((v * 32768u + 128u) / 255u);
}

namespace {

// The float nearest 1/255, by its bits, so that every build converts the same way.
constexpr float ONE_255TH = std::bit_cast<float>(0x3B808081u);

}  // namespace

float toChannel32(std::uint8_t v) {
  return static_cast<float>(v) * ONE_255TH;
}

namespace {

// Every 8-bit value's 16-bit value, looked up rather than divided out for each channel.
using Table16 = std::array<std::uint16_t, 256>;

Table16 channel16Table() {
  Table16 table{};
  for (unsigned v = 0; v < table.size(); ++v) table[v] = toChannel16(static_cast<std::uint8_t>(v));
  return table;
}

void convertChannels16(const std::uint8_t* __restrict src, std::size_t count, const Table16& table,
                       std::uint16_t* __restrict out) {
  for (std::size_t i = 0; i < count; ++i) out[i] = table[src[i]];
}

void convertChannels32(const std::uint8_t* __restrict src, std::size_t count, float* __restrict out) {
  std::size_t i = 0;
#if defined(__SSE2__)
  // Sixteen channels a step, each widened to a float and multiplied once, as toChannel32 does.
  const __m128 k = _mm_set1_ps(ONE_255TH);
  const __m128i zero = _mm_setzero_si128();
  for (; i + 16 <= count; i += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
    const __m128i words[2] = {_mm_unpacklo_epi8(bytes, zero), _mm_unpackhi_epi8(bytes, zero)};
    for (int h = 0; h < 2; ++h) {
      _mm_storeu_ps(out + i + 8 * h, _mm_mul_ps(_mm_cvtepi32_ps(_mm_unpacklo_epi16(words[h], zero)), k));
      _mm_storeu_ps(out + i + 8 * h + 4, _mm_mul_ps(_mm_cvtepi32_ps(_mm_unpackhi_epi16(words[h], zero)), k));
    }
  }
#endif
  for (; i < count; ++i) out[i] = toChannel32(src[i]);
}

// The staging buffer from the host's memory suite, unlocked and freed on every way out.
class Staging {
 public:
  Staging(HostSuites& suites, std::size_t bytes) : memory_(suites.memorySuite1()) {
    // The memory suite measures blocks in 32 bits.
    if (bytes > std::numeric_limits<AEGP_MemSize>::max() ||
        memory_->AEGP_NewMemHandle(0, nullptr, static_cast<AEGP_MemSize>(bytes), AEGP_MemFlag_NONE, &handle_) !=
            A_Err_NONE) {
      handle_ = nullptr;
      return;
    }
    if (memory_->AEGP_LockMemHandle(handle_, reinterpret_cast<void**>(&data_)) != A_Err_NONE) data_ = nullptr;
    if (data_ != nullptr) std::memset(data_, 0, bytes);
  }
  ~Staging() {
    if (handle_ == nullptr) return;
    if (data_ == nullptr || memory_->AEGP_UnlockMemHandle(handle_) == A_Err_NONE) memory_->AEGP_FreeMemHandle(handle_);
  }
  Staging(const Staging&) = delete;
  Staging& operator=(const Staging&) = delete;

  std::uint8_t* data() const { return data_; }

 private:
  const AEGP_MemorySuite1* memory_;
  AEGP_MemHandle handle_ = nullptr;
  std::uint8_t* data_ = nullptr;
};

}  // namespace

void loadFrameImage(HostSuites& suites, const std::string& path, FrameImage& frame) {
  frame = FrameImage{nullptr, nullptr, nullptr};
  if (std::FILE* probe = std::fopen(path.c_str(), "r")) {
    std::fclose(probe);
  } else {
    return;
  }
  PngDecoder decoder(path);
  const A_long width = static_cast<A_long>(decoder.width());
  const A_long height = static_cast<A_long>(decoder.height());
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
  Staging staging(suites, std::max<std::size_t>(rowBytes * static_cast<std::size_t>(height), 1));
  if (staging.data() == nullptr) return;
  const bool decoded = decoder.readARGB(staging.data());

  const AEGP_WorldSuite3* worlds = suites.worldSuite3();
  PF_Pixel8* base8 = nullptr;
  PF_Pixel16* base16 = nullptr;
  PF_PixelFloat* base32 = nullptr;
  A_u_long row8 = 0, row16 = 0, row32 = 0;
  A_Err err = worlds->AEGP_New(0, AEGP_WorldType_8, width, height, &frame.world8);
  if (err) frame.world8 = nullptr;
  if (!err) err = worlds->AEGP_GetBaseAddr8(frame.world8, &base8);
  if (!err) err = worlds->AEGP_GetRowBytes(frame.world8, &row8);
  if (!err) {
    err = worlds->AEGP_New(0, AEGP_WorldType_16, width, height, &frame.world16);
    if (err) frame.world16 = nullptr;
  }
  if (!err) err = worlds->AEGP_GetBaseAddr16(frame.world16, &base16);
  if (!err) err = worlds->AEGP_GetRowBytes(frame.world16, &row16);
  if (!err) {
    err = worlds->AEGP_New(0, AEGP_WorldType_32, width, height, &frame.world32);
    if (err) frame.world32 = nullptr;
  }
  if (!err) err = worlds->AEGP_GetBaseAddr32(frame.world32, &base32);
  if (!err) err = worlds->AEGP_GetRowBytes(frame.world32, &row32);
  if (err || !decoded) return;

  // The staging bytes and all three pixel types hold alpha, red, green, blue in that order, so a
  // row is converted as one run of channels, which the compiler does in vector registers.
  static_assert(sizeof(PF_Pixel16) == 4 * sizeof(std::uint16_t) && sizeof(PF_PixelFloat) == 4 * sizeof(float));
  const Table16 table16 = channel16Table();
  for (A_long y = 0; y < height; ++y) {
    const std::uint8_t* src = staging.data() + static_cast<std::size_t>(y) * rowBytes;
    std::memcpy(reinterpret_cast<std::uint8_t*>(base8) + y * row8, src, rowBytes);
    convertChannels16(src, rowBytes, table16,
                      reinterpret_cast<std::uint16_t*>(reinterpret_cast<std::uint8_t*>(base16) + y * row16));
    convertChannels32(src, rowBytes, reinterpret_cast<float*>(reinterpret_cast<std::uint8_t*>(base32) + y * row32));
  }
}

void loadFrameImages(const SPBasicSuite* basic, const std::string& folder, FrameImage (&frames)[FRAME_IMAGE_COUNT]) {
  for (int i = 0; i < FRAME_IMAGE_COUNT; ++i) {
    frames[i] = FrameImage{nullptr, nullptr, nullptr};
    // A picture that cannot be loaded, even for want of a suite, is left out; set-up goes on.
    try {
      HostSuites suites(basic);
      loadFrameImage(suites, folder + FRAME_FILE_NAMES[i], frames[i]);
    } catch (const MissingSuite&) {
    }
  }
}

void disposeFrameImages(HostSuites& suites, FrameImage (&frames)[FRAME_IMAGE_COUNT]) {
  for (FrameImage& frame : frames) {
    for (AEGP_WorldH* world : {&frame.world8, &frame.world16, &frame.world32}) {
      if (*world == nullptr) continue;
      if (suites.worldSuite3()->AEGP_Dispose(*world) != A_Err_NONE) return;
      *world = nullptr;
    }
  }
}

}  // namespace plenorium
