#include "scaler_colour.h"

extern "C" {
#include <libavutil/pixfmt.h>
}

#include <cstdint>
#include <cstring>
#include <vector>

#include "world.h"

namespace plenorium::host {

int scalerMatrixOf(int avColorSpace) {
  switch (static_cast<AVColorSpace>(avColorSpace)) {
    case AVCOL_SPC_BT709: return SWS_CS_ITU709;
    case AVCOL_SPC_BT2020_NCL:
    case AVCOL_SPC_BT2020_CL: return SWS_CS_BT2020;
    case AVCOL_SPC_FCC: return SWS_CS_FCC;
    case AVCOL_SPC_SMPTE240M: return SWS_CS_SMPTE240M;
    default: return SWS_CS_DEFAULT;
  }
}

void tagScaler(SwsContext* scaler, int matrix, bool fullRange) {
  int* inverse = nullptr;
  int* table = nullptr;
  int srcRange = 0, dstRange = 0, brightness = 0, contrast = 0, saturation = 0;
  if (sws_getColorspaceDetails(scaler, &inverse, &srcRange, &table, &dstRange, &brightness, &contrast, &saturation) >=
      0) {
    sws_setColorspaceDetails(scaler, sws_getCoefficients(matrix), fullRange ? 1 : srcRange, table, dstRange, brightness,
                             contrast, saturation);
  }
}

namespace {

// Every pair of chroma samples once (u across, v down), each over four different luma samples, and
// every luma sample in every row.
constexpr int PROBE_SIZE = 512;

struct ProbePlanes {
  std::vector<std::uint8_t> y, u, v;
  ProbePlanes() : y(PROBE_SIZE * PROBE_SIZE), u(PROBE_SIZE * PROBE_SIZE / 4), v(PROBE_SIZE * PROBE_SIZE / 4) {
    for (int row = 0; row < PROBE_SIZE; ++row) {
      for (int x = 0; x < PROBE_SIZE; ++x) y[row * PROBE_SIZE + x] = static_cast<std::uint8_t>(x + 3 * row);
    }
    for (int row = 0; row < PROBE_SIZE / 2; ++row) {
      for (int x = 0; x < PROBE_SIZE / 2; ++x) {
        u[row * PROBE_SIZE / 2 + x] = static_cast<std::uint8_t>(x);
        v[row * PROBE_SIZE / 2 + x] = static_cast<std::uint8_t>(row);
      }
    }
  }
};

// The probe converted by swscale as the reader converts frames: RGBA rows, 16 pixels a block.
std::vector<std::uint8_t> scaledProbe(const ProbePlanes& planes, int matrix, bool fullRange) {
  SwsContext* scaler = sws_getContext(PROBE_SIZE, PROBE_SIZE, AV_PIX_FMT_YUV420P, PROBE_SIZE, PROBE_SIZE,
                                      AV_PIX_FMT_RGBA, SWS_BICUBIC, nullptr, nullptr, nullptr);
  if (scaler == nullptr) return {};
  tagScaler(scaler, matrix, fullRange);
  const std::uint8_t* source[4] = {planes.y.data(), planes.u.data(), planes.v.data(), nullptr};
  const int sourceStrides[4] = {PROBE_SIZE, PROBE_SIZE / 2, PROBE_SIZE / 2, 0};
  std::vector<std::uint8_t> rgba(static_cast<std::size_t>(PROBE_SIZE) * PROBE_SIZE * 4 + 64);
  std::uint8_t* target[4] = {rgba.data(), nullptr, nullptr, nullptr};
  const int targetStrides[4] = {PROBE_SIZE * 4, 0, 0, 0};
  const int rows = sws_scale(scaler, source, sourceStrides, 0, PROBE_SIZE, target, targetStrides);
  sws_freeContext(scaler);
  if (rows != PROBE_SIZE) return {};
  return rgba;
}

}  // namespace

std::optional<YuvToRgbWeights> directConversion(int matrix, bool fullRange) {
  if (!yuvImportIsFast()) return std::nullopt;
  const int* inverse = sws_getCoefficients(matrix);
  const YuvToRgbWeights weights = yuvToRgbWeights({inverse[0], inverse[1], inverse[2], inverse[3]}, fullRange);

  const ProbePlanes planes;
  const std::vector<std::uint8_t> expected = scaledProbe(planes, matrix, fullRange);
  if (expected.empty()) return std::nullopt;
  World direct(PixelDepth::U8, PROBE_SIZE, PROBE_SIZE);
  importYuv420({PROBE_SIZE, PROBE_SIZE, planes.y.data(), planes.u.data(), planes.v.data(), PROBE_SIZE, PROBE_SIZE / 2,
                PROBE_SIZE / 2},
               weights, direct);
  for (int row = 0; row < PROBE_SIZE; ++row) {
    const std::uint8_t* ours = direct.row(row);
    const std::uint8_t* theirs = expected.data() + static_cast<std::size_t>(row) * PROBE_SIZE * 4;
    for (int x = 0; x < PROBE_SIZE; ++x) {
      // RGBA against ARGB.
      if (ours[x * 4] != theirs[x * 4 + 3] || std::memcmp(ours + x * 4 + 1, theirs + x * 4, 3) != 0) {
        return std::nullopt;
      }
    }
  }
  return weights;
}

}  // namespace plenorium::host
