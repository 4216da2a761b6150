#include "composite.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__)
#include <immintrin.h>

#include "row_sums.h"
#endif

#include <cstdint>
#include <cstring>

namespace plenorium::host {
namespace {

// Filtering opaque pixels sums weights that come to 1 only within rounding: alpha this close to 1
// is opaque, a difference far below the finest channel step of any depth.
constexpr float NEARLY_OPAQUE = 1.0f - 1.0f / (1 << 20);

template <PixelDepth D>
float maskValue(const typename Channel<D>::Pixel& p, A_long flags) {
  using C = Channel<D>;
  float m = C::toFloat(p.alpha);
  if (flags & PF_MaskFlag_LUMINANCE) {
    m = 0.299f * C::toFloat(p.red) + 0.587f * C::toFloat(p.green) + 0.114f * C::toFloat(p.blue);
  }
  return std::clamp(m, 0.0f, 1.0f);
}

// src is premultiplied with its coverage, already scaled by opacity and matte.
inline bool over(const Color4& src, Color4& dst) {
  if (src.a <= 0.0f) return false;
  const float keep = 1.0f - src.a;
  const float a = src.a + dst.a * keep;
  const float inv = a > 0.0f ? 1.0f / a : 0.0f;
  dst = {a, (src.r + dst.r * dst.a * keep) * inv, (src.g + dst.g * dst.a * keep) * inv,
         (src.b + dst.b * dst.a * keep) * inv};
  return true;
}

inline bool under(const Color4& src, Color4& dst) {
  if (src.a <= 0.0f || dst.a >= 1.0f) return false;
  const float room = 1.0f - dst.a;
  const float a = dst.a + src.a * room;
  const float inv = a > 0.0f ? 1.0f / a : 0.0f;
  dst = {a, (dst.r * dst.a + src.r * room) * inv, (dst.g * dst.a + src.g * room) * inv,
         (dst.b * dst.a + src.b * room) * inv};
  return true;
}

inline Color4 unpremultiplied(const Color4& p) {
  if (p.a <= 0.0f) return {};
  const float inv = 1.0f / p.a;
  return {p.a, p.r * inv, p.g * inv, p.b * inv};
}

// One pixel of a composite: `s` is premultiplied or straight as PREMULTIPLIED says, `k` the
// opacity times the matte.
template <PixelDepth D, bool PREMULTIPLIED>
inline void compositePixel(typename Channel<D>::Pixel& out, const Color4& s, float k, bool isUnder, bool isCopy) {
  if (isCopy) {
    Color4 c = PREMULTIPLIED ? unpremultiplied(s) : s;
    c.a *= k;
    storeStraight<D>(out, c);
    return;
  }
  const float sa = s.a * k;
  if constexpr (!PREMULTIPLIED) {
    // Exact cases of a straight copy: nothing underneath (the source is copied whole, colour
    // of transparent pixels included), or an opaque source on top.
    if (sa <= 0.0f && !(k > 0.0f)) return;
    const Color4 d = loadStraight<D>(out);
    if (d.a <= 0.0f || (!isUnder && sa >= 1.0f)) {
      storeStraight<D>(out, Color4{sa, s.r, s.g, s.b});
      return;
    }
  }
  if (sa <= 0.0f) return;
  if (!isUnder && sa >= NEARLY_OPAQUE) {
    // An opaque source hides whatever is underneath.
    const float inv = PREMULTIPLIED ? 1.0f / s.a : 1.0f;
    storeStraight<D>(out, Color4{1.0f, s.r * inv, s.g * inv, s.b * inv});
    return;
  }
  Color4 d = loadStraight<D>(out);
  const Color4 p = PREMULTIPLIED ? s * k : Color4{sa, s.r * sa, s.g * sa, s.b * sa};
  if (isUnder ? under(p, d) : over(p, d)) storeStraight<D>(out, d);
}

// compositePixel for an 8-bit destination and a premultiplied source over or under it, with the
// four channels in one register. Every channel goes through the same operations in the same order
// as the one-channel-at-a-time rule, so the two give identical bytes.
inline Lanes load8(const PF_Pixel8& p) {
  return Lanes{static_cast<float>(p.alpha), static_cast<float>(p.red), static_cast<float>(p.green),
               static_cast<float>(p.blue)} *
         (1.0f / 255.0f);
}

using Ints = std::int32_t __attribute__((vector_size(16)));

// The channel values of normalised `c` as 0..255, rounded.
inline Ints bytesOf(Lanes c) {
  Lanes t = c * 255.0f + 0.5f;
  t = t > 0.0f ? t : Lanes{};  // also turns NaN into 0
  t = t < 255.0f ? t : Lanes{} + 255.0f;
  return __builtin_convertvector(t, Ints);
}

inline void store8(PF_Pixel8& p, Lanes c) {
  const Ints v = bytesOf(c);
#if defined(__SSE2__)
  __m128i packed = _mm_packs_epi32(reinterpret_cast<const __m128i&>(v), _mm_setzero_si128());
  packed = _mm_packus_epi16(packed, packed);
  const std::int32_t bytes = _mm_cvtsi128_si32(packed);
  std::memcpy(&p, &bytes, sizeof p);
#else
  p = {static_cast<A_u_char>(v[0]), static_cast<A_u_char>(v[1]), static_cast<A_u_char>(v[2]),
       static_cast<A_u_char>(v[3])};
#endif
}

// An opaque premultiplied source pixel in straight form: its colour over its alpha, alpha 1.
inline Lanes opaqueStraight(Lanes s) {
  Lanes c = s * (1.0f / s[0]);
  c[0] = 1.0f;
  return c;
}

#if defined(__SSE2__)
// Four opaque source pixels at once, when all four are: stored with one write.
inline bool storeFourOpaque(PF_Pixel8* out, const Color4* source, const CompositeSpec& spec, const float* matte) {
  for (int j = 0; j < 4; ++j) {
    const float k = spec.opacity * (matte != nullptr ? matte[j] : 1.0f);
    if (!(source[j].a * k >= NEARLY_OPAQUE)) return false;
  }
  Ints v[4];
  for (int j = 0; j < 4; ++j) v[j] = bytesOf(opaqueStraight(lanesOf(source[j])));
  const __m128i low = _mm_packs_epi32(reinterpret_cast<const __m128i&>(v[0]), reinterpret_cast<const __m128i&>(v[1]));
  const __m128i high = _mm_packs_epi32(reinterpret_cast<const __m128i&>(v[2]), reinterpret_cast<const __m128i&>(v[3]));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(low, high));
  return true;
}
#endif

void compositeRow8(PF_Pixel8* row, std::span<const Color4> source, const CompositeSpec& spec, const float* matte) {
  const bool isUnder = spec.mode == PF_Xfer_BEHIND;
#if PLENORIUM_AVX512_PATHS
  static const bool wide = processorHasAvx512();
  const bool wideRuns = wide && !isUnder;
#endif
  for (std::size_t i = 0; i < source.size(); ++i) {
#if PLENORIUM_AVX512_PATHS
    if (wideRuns && source[i].a * (spec.opacity * (matte != nullptr ? matte[i] : 1.0f)) >= NEARLY_OPAQUE) {
      const std::size_t stored = storeOpaqueRun8Avx512(row + i, &source[i], source.size() - i, spec.opacity,
                                                       matte != nullptr ? matte + i : nullptr);
      if (stored > 0) {
        i += stored - 1;
        continue;
      }
    }
#endif
#if defined(__SSE2__)
    if (!isUnder && i + 4 <= source.size() &&
        storeFourOpaque(row + i, &source[i], spec, matte != nullptr ? matte + i : nullptr)) {
      i += 3;
      continue;
    }
#endif
    const float k = spec.opacity * (matte != nullptr ? matte[i] : 1.0f);
    const Lanes s = lanesOf(source[i]);
    const float sa = s[0] * k;
    if (sa <= 0.0f) continue;
    if (!isUnder && sa >= NEARLY_OPAQUE) {
      store8(row[i], opaqueStraight(s));
      continue;
    }
    const Lanes d = load8(row[i]);
    const Lanes p = s * k;
    const float da = d[0];
    Lanes out;
    float a;
    if (isUnder) {
      if (da >= 1.0f) continue;
      const float room = 1.0f - da;
      a = da + p[0] * room;
      out = d * da + p * room;
    } else {
      const float keep = 1.0f - p[0];
      a = p[0] + da * keep;
      out = p + d * da * keep;
    }
    out *= a > 0.0f ? 1.0f / a : 0.0f;
    out[0] = a;
    store8(row[i], out);
  }
}

// compositePixel<U8, false> over the destination (IN_FRONT), four channels at a time and with the
// same operations per channel.
inline void overStraight8(PF_Pixel8& out, Lanes s, float k) {
  const float sa = s[0] * k;
  if (sa <= 0.0f && !(k > 0.0f)) return;
  const Lanes d = load8(out);
  const float da = d[0];
  if (da <= 0.0f || sa >= 1.0f) {
    s[0] = sa;
    store8(out, s);
    return;
  }
  if (sa <= 0.0f) return;
  if (sa >= NEARLY_OPAQUE) {
    s[0] = 1.0f;
    store8(out, s);
    return;
  }
  Lanes p = s * sa;
  p[0] = sa;
  const float keep = 1.0f - sa;
  const float a = sa + da * keep;
  Lanes result = (p + d * da * keep) * (a > 0.0f ? 1.0f / a : 0.0f);
  result[0] = a;
  store8(out, result);
}

template <PixelDepth D, bool PREMULTIPLIED>
void compositeRow(World& dst, A_long y, A_long x0, std::span<const Color4> source, const CompositeSpec& spec,
                  const float* matte) {
  auto* row = pixelRow<D>(dst, y) + x0;
  const bool isUnder = spec.mode == PF_Xfer_BEHIND;
  const bool isCopy = spec.mode == PF_Xfer_COPY;
  if constexpr (D == PixelDepth::U8 && PREMULTIPLIED) {
    if (!isCopy) {
      compositeRow8(row, source, spec, matte);
      return;
    }
  }
  for (std::size_t i = 0; i < source.size(); ++i) {
    const float k = spec.opacity * (matte != nullptr ? matte[i] : 1.0f);
    compositePixel<D, PREMULTIPLIED>(row[i], source[i], k, isUnder, isCopy);
  }
}

const float* matteFor(const CompositeSpec& spec, A_long y, A_long x0, std::size_t count, std::span<float> scratch);

}  // namespace

#if PLENORIUM_AVX512_PATHS

PLENORIUM_AVX512_CODE_BEGIN

// Four pixels in each register, each through opaqueStraight and bytesOf: the colour times the
// reciprocal of alpha, alpha 1, then times 255 plus a half, clamped (NaN to 0) and truncated.
PLENORIUM_AVX512 std::size_t storeOpaqueRun8Avx512(PF_Pixel8* row, const Color4* source, std::size_t count,
                                                   float opacity, const float* matte) {
  constexpr __mmask16 ALPHA_LANES = 0x1111;
  const __m512 nearlyOpaque = _mm512_set1_ps(NEARLY_OPAQUE);
  const __m512 one = _mm512_set1_ps(1.0f), max = _mm512_set1_ps(255.0f), half = _mm512_set1_ps(0.5f);
  const __m512i pixelOfLane = _mm512_setr_epi32(0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3);
  std::size_t i = 0;
  for (; i + 16 <= count; i += 16) {
    // Each pixel's opacity times its matte value, then spread over its four lanes.
    const __m512 factors =
        _mm512_mul_ps(_mm512_set1_ps(opacity), matte != nullptr ? _mm512_loadu_ps(matte + i) : _mm512_set1_ps(1.0f));
    __m512 s[4];
    bool opaque = true;
    for (int p = 0; p < 4; ++p) {
      const __m512 k = _mm512_permutexvar_ps(_mm512_add_epi32(_mm512_set1_epi32(4 * p), pixelOfLane), factors);
      s[p] = _mm512_loadu_ps(reinterpret_cast<const float*>(source + i + 4 * p));
      const __mmask16 shown = _mm512_mask_cmp_ps_mask(ALPHA_LANES, _mm512_mul_ps(s[p], k), nearlyOpaque, _CMP_GE_OQ);
      opaque = opaque && shown == ALPHA_LANES;
    }
    if (!opaque) break;
    for (int p = 0; p < 4; ++p) {
      const __m512 straight =
          _mm512_mask_mov_ps(_mm512_mul_ps(s[p], _mm512_div_ps(one, _mm512_permute_ps(s[p], 0))), ALPHA_LANES, one);
      // max and min return their second operand when the comparison fails, as the rule's tests do.
      const __m512 t =
          _mm512_min_ps(_mm512_max_ps(_mm512_add_ps(_mm512_mul_ps(straight, max), half), _mm512_setzero_ps()), max);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(row + i + 4 * p), _mm512_cvtepi32_epi8(_mm512_cvttps_epi32(t)));
    }
  }
  return i;
}

PLENORIUM_AVX512_CODE_END

#endif

bool overSameDepthRow(const World& src, A_long sy, A_long sx0, World& dst, A_long y, A_long x0, std::size_t count,
                      const CompositeSpec& spec, std::span<float> scratch) {
  if (spec.mode != PF_Xfer_IN_FRONT || src.depth() != dst.depth()) return false;
  const float* matte = matteFor(spec, y, x0, count, scratch);
  // Onto pixels that nothing was drawn on, at full opacity, every source pixel is copied as it is.
  const PF_LRect& touched = dst.touched();
  const bool ontoClear =
      y < touched.top || y >= touched.bottom || x0 >= touched.right || x0 + static_cast<A_long>(count) <= touched.left;
  if (matte == nullptr && spec.opacity == 1.0f && ontoClear) {
    std::memcpy(dst.row(y) + static_cast<std::size_t>(x0) * bytesPerPixel(dst.depth()),
                src.row(sy) + static_cast<std::size_t>(sx0) * bytesPerPixel(src.depth()),
                count * bytesPerPixel(dst.depth()));
    return true;
  }
  // Pixels under no matte are left as they are: a matte's row is walked only between its first and
  // last pixel that shows anything (a turned screen's matte is empty in the corners of its box).
  std::size_t begin = 0;
  if (matte != nullptr) {
    while (begin < count && matte[begin] == 0.0f) ++begin;
    while (count > begin && matte[count - 1] == 0.0f) --count;
  }
  dispatchDepth(dst.depth(), [&]<PixelDepth D>() {
    using Pixel = typename Channel<D>::Pixel;
    const Pixel* s = pixelRow<D>(src, sy) + sx0;
    Pixel* d = pixelRow<D>(dst, y) + x0;
    constexpr auto OPAQUE = static_cast<decltype(Pixel{}.alpha)>(Channel<D>::MAX);
    // Where the source is opaque and shown at full opacity, it hides what is underneath: such
    // runs are copied whole.
    const auto hides = [&](std::size_t i) { return s[i].alpha >= OPAQUE && (matte == nullptr || matte[i] == 1.0f); };
    const bool full = spec.opacity == 1.0f;
    for (std::size_t i = begin; i < count; ++i) {
      if (full && hides(i)) {
        std::size_t end = i + 1;
        while (end < count && hides(end)) ++end;
        std::memcpy(d + i, s + i, (end - i) * sizeof(Pixel));
        i = end - 1;
        continue;
      }
      const float k = spec.opacity * (matte != nullptr ? matte[i] : 1.0f);
      if (k == 1.0f && (s[i].alpha >= OPAQUE || d[i].alpha <= 0)) {
        d[i] = s[i];  // an opaque source, or anything onto transparency, is copied as it is
      } else if (k > 0.0f && (s[i].alpha > 0 || d[i].alpha <= 0)) {
        if constexpr (D == PixelDepth::U8) {
          overStraight8(d[i], load8(s[i]), k);
        } else {
          compositePixel<D, false>(d[i], loadStraight<D>(s[i]), k, false, false);
        }
      }
    }
  });
  return true;
}

void maskRow(const CompositeSpec& spec, A_long y, A_long x0, std::span<float> out) {
  std::fill(out.begin(), out.end(), 0.0f);
  const World* m = spec.mask;
  if (m == nullptr) return;
  const A_long my = y - spec.maskOffset.v;
  if (my < 0 || my >= m->height()) {
    if (spec.maskFlags & PF_MaskFlag_INVERTED) std::fill(out.begin(), out.end(), 1.0f);
    return;
  }
  // Only [first, last) of `out` lies over the matte; the rest stays 0.
  const A_long shift = x0 - spec.maskOffset.h;
  const auto count = static_cast<A_long>(out.size());
  const A_long first = std::clamp<A_long>(-shift, 0, count);
  const A_long last = std::clamp<A_long>(m->width() - shift, first, count);
  dispatchDepth(m->depth(), [&]<PixelDepth D>() {
    const auto* row = pixelRow<D>(*m, my);
    if (!(spec.maskFlags & PF_MaskFlag_LUMINANCE)) {
      A_long i = first;
#if defined(__SSE2__)
      if constexpr (D == PixelDepth::U8) {
        // Four alphas at a time: each pixel's first byte, as an integer, times the same factor
        // as one at a time (8-bit alpha over 255 lies in 0..1 and needs no clamping).
        const __m128i low = _mm_set1_epi32(0xFF);
        const __m128 scale = _mm_set1_ps(1.0f / 255.0f);
        for (; i + 4 <= last; i += 4) {
          const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i + shift));
          const __m128 alpha = _mm_mul_ps(_mm_cvtepi32_ps(_mm_and_si128(pixels, low)), scale);
          _mm_storeu_ps(&out[static_cast<std::size_t>(i)], alpha);
        }
      }
#endif
      for (; i < last; ++i) out[static_cast<std::size_t>(i)] = maskValue<D>(row[i + shift], 0);
      return;
    }
    for (A_long i = first; i < last; ++i)
      out[static_cast<std::size_t>(i)] = maskValue<D>(row[i + shift], spec.maskFlags);
  });
  if (spec.maskFlags & PF_MaskFlag_INVERTED) {
    for (float& v : out) v = 1.0f - v;
  }
}

namespace {
const float* matteFor(const CompositeSpec& spec, A_long y, A_long x0, std::size_t count, std::span<float> scratch) {
  if (spec.mask == nullptr) return nullptr;
  maskRow(spec, y, x0, scratch.first(count));
  return scratch.data();
}
}  // namespace

void compositePremultipliedRow(World& dst, A_long y, A_long x0, std::span<const Color4> source,
                               const CompositeSpec& spec, std::span<float> scratch) {
  const float* m = matteFor(spec, y, x0, source.size(), scratch);
  dispatchDepth(dst.depth(), [&]<PixelDepth D>() { compositeRow<D, true>(dst, y, x0, source, spec, m); });
}

void compositeStraightRow(World& dst, A_long y, A_long x0, std::span<const Color4> source, const CompositeSpec& spec,
                          std::span<float> scratch) {
  const float* m = matteFor(spec, y, x0, source.size(), scratch);
  dispatchDepth(dst.depth(), [&]<PixelDepth D>() { compositeRow<D, false>(dst, y, x0, source, spec, m); });
}

}  // namespace plenorium::host
