// Warps of one 1920 × 1080 RGBA8 picture by our pixel engine and by peer libraries, in one
// process at the same thread count: per-call time and PSNR against a box-filtered reference.
//   bench_warp [threads]   (default 2)
#include <Imath/ImathMatrix.h>
#include <OpenImageIO/imagebuf.h>
#include <OpenImageIO/imagebufalgo.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <string>
#include <vector>

#include "pixel_engine.h"
#include "pixel_types.h"

namespace {

using namespace plenorium::host;
using Clock = std::chrono::steady_clock;

constexpr int SRC_W = 1920, SRC_H = 1080;

// An opaque picture with detail at every scale: gradients, fine stripes, a zone plate and noise.
std::vector<std::uint8_t> makeSource() {
  std::vector<std::uint8_t> rgba(static_cast<std::size_t>(SRC_W) * SRC_H * 4);
  std::uint32_t seed = 12345;
  for (int y = 0; y < SRC_H; ++y) {
    for (int x = 0; x < SRC_W; ++x) {
      seed = seed * 1664525u + 1013904223u;
      const double dx = x - SRC_W / 2.0, dy = y - SRC_H / 2.0;
      const double zone = 0.5 + 0.5 * std::cos((dx * dx + dy * dy) * 0.0009);
      const double stripes = ((x / 3 + y / 7) % 2) ? 1.0 : 0.0;
      const double noise = (seed >> 24) / 255.0;
      auto c = [](double v) { return static_cast<std::uint8_t>(std::clamp(v, 0.0, 1.0) * 255.0 + 0.5); };
      std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * SRC_W + x) * 4];
      p[0] = c(0.6 * zone + 0.4 * x / SRC_W);     // r
      p[1] = c(0.5 * stripes + 0.5 * y / SRC_H);  // g
      p[2] = c(0.7 * noise + 0.3 * zone);         // b
      p[3] = 255;
    }
  }
  return rgba;
}

// dst → src affine map: u = a x + c y + e, v = b x + d y + f (pixel centres at +0.5).
struct Warp {
  std::string name;
  int dstW, dstH;
  double a, b, c, d, e, f;
};

Warp scaleRotate(const std::string& name, int dstW, int dstH, double degrees) {
  // Source stretched onto the destination, turned about the destination centre.
  const double sx = static_cast<double>(dstW) / SRC_W, sy = static_cast<double>(dstH) / SRC_H;
  const double t = degrees * M_PI / 180.0, cs = std::cos(t), sn = std::sin(t);
  // forward: p_dst = R (S p_src - cS) + cD, with cS the scaled source centre and cD the destination centre
  const double cx = dstW / 2.0, cy = dstH / 2.0;
  // inverse: p_src = S⁻¹ (R⁻¹ (p_dst - cD) + cS)
  Warp w{name, dstW, dstH, 0, 0, 0, 0, 0, 0};
  w.a = cs / sx;
  w.b = -sn / sy;
  w.c = sn / sx;
  w.d = cs / sy;
  w.e = (-cs * cx - sn * cy) / sx + SRC_W / 2.0;
  w.f = (sn * cx - cs * cy) / sy + SRC_H / 2.0;
  return w;
}

PF_FloatMatrix dstToSrcMatrix(const Warp& w) {
  PF_FloatMatrix m{};
  m.mat[0][0] = w.a;
  m.mat[0][1] = w.b;
  m.mat[1][0] = w.c;
  m.mat[1][1] = w.d;
  m.mat[2][0] = w.e;
  m.mat[2][1] = w.f;
  m.mat[2][2] = 1;
  return m;
}

// The reference: each destination pixel's square footprint averaged over 32 × 32 point samples of
// the source (nearest source pixel, transparent outside), i.e. a box filter in destination space.
std::vector<double> reference(const std::vector<std::uint8_t>& src, int srcW, int srcH, const Warp& w) {
  constexpr int N = 32;
  std::vector<double> out(static_cast<std::size_t>(w.dstW) * w.dstH * 3);
  for (int y = 0; y < w.dstH; ++y) {
    for (int x = 0; x < w.dstW; ++x) {
      double sum[3] = {0, 0, 0};
      for (int j = 0; j < N; ++j) {
        for (int i = 0; i < N; ++i) {
          const double px = x + (i + 0.5) / N, py = y + (j + 0.5) / N;
          const int u = static_cast<int>(std::floor(w.a * px + w.c * py + w.e));
          const int v = static_cast<int>(std::floor(w.b * px + w.d * py + w.f));
          if (u < 0 || v < 0 || u >= srcW || v >= srcH) continue;
          const std::uint8_t* p = &src[(static_cast<std::size_t>(v) * srcW + u) * 4];
          for (int k = 0; k < 3; ++k) sum[k] += p[k];
        }
      }
      for (int k = 0; k < 3; ++k) out[(static_cast<std::size_t>(y) * w.dstW + x) * 3 + k] = sum[k] / (N * N);
    }
  }
  return out;
}

// PSNR over RGB of an RGBA8 result against the reference, leaving out a 2-pixel border where the
// edge treatment of the libraries differs.
double psnr(const std::vector<double>& ref, const std::uint8_t* rgba, std::size_t rowBytes, const Warp& w) {
  double se = 0;
  long n = 0;
  for (int y = 2; y < w.dstH - 2; ++y) {
    for (int x = 2; x < w.dstW - 2; ++x) {
      const std::uint8_t* p = rgba + y * rowBytes + x * 4;
      for (int k = 0; k < 3; ++k) {
        const double d = p[k] - ref[(static_cast<std::size_t>(y) * w.dstW + x) * 3 + k];
        se += d * d;
        ++n;
      }
    }
  }
  return n == 0 || se == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / (se / n));
}

double medianMs(const std::function<void()>& fn, int runs) {
  fn();  // warm-up
  std::vector<double> t;
  for (int i = 0; i < runs; ++i) {
    const auto start = Clock::now();
    fn();
    t.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  std::sort(t.begin(), t.end());
  return t[t.size() / 2];
}

struct Row {
  std::string warp, who;
  double ms, db;
};

}  // namespace

int main(int argc, char** argv) {
  const int threads = argc > 1 ? std::atoi(argv[1]) : 2;
  cv::setNumThreads(threads);
  OIIO::attribute("threads", threads);

  const std::vector<std::uint8_t> rgba = makeSource();
  // Our engine holds ARGB; OpenCV and OpenImageIO get the same pixels as RGBA.
  PixelEngine engine(static_cast<unsigned>(threads));
  World src(PixelDepth::U8, SRC_W, SRC_H);
  for (int y = 0; y < SRC_H; ++y) {
    auto* row = reinterpret_cast<PF_Pixel8*>(src.row(y));
    for (int x = 0; x < SRC_W; ++x) {
      const std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * SRC_W + x) * 4];
      row[x] = PF_Pixel8{p[3], p[0], p[1], p[2]};
    }
  }
  src.markAllWritten();
  src.setSerial(1);  // as every world the host makes has: what is derived from it may be kept
  const cv::Mat cvSrc(SRC_H, SRC_W, CV_8UC4, const_cast<std::uint8_t*>(rgba.data()));
  OIIO::ImageBuf oiioSrc(OIIO::ImageSpec(SRC_W, SRC_H, 4, OIIO::TypeDesc::UINT8),
                         const_cast<std::uint8_t*>(rgba.data()));

  // The 1:1 sub-pixel placement works on a 384 × 270 tile cut from the picture.
  const std::vector<Warp> warps = {scaleRotate("1080p -> 384x270", 384, 270, 0),
                                   scaleRotate("1080p -> 384x270, 10 deg", 384, 270, 10),
                                   scaleRotate("1080p -> 19x11", 19, 11, 0)};
  std::vector<Row> rows;
  const int runs = 30;

  for (const Warp& w : warps) {
    const auto ref = reference(rgba, SRC_W, SRC_H, w);
    const PF_FloatMatrix m = dstToSrcMatrix(w);
    World dst(PixelDepth::U8, w.dstW, w.dstH);
    std::vector<std::uint8_t> ours(static_cast<std::size_t>(w.dstW) * w.dstH * 4);
    auto runOurs = [&] {
      engine.fill(dst, Color4{}, nullptr);
      engine.transformWorld(src, dst, m, false, CompositeSpec{}, PF_LRect{0, 0, w.dstW, w.dstH});
    };
    const double warm = medianMs(runOurs, runs);
    const double cold = medianMs(
        [&] {
          src.markAllWritten();
          runOurs();
        },
        runs);
    for (int y = 0; y < w.dstH; ++y) {
      const auto* row = reinterpret_cast<const PF_Pixel8*>(dst.row(y));
      for (int x = 0; x < w.dstW; ++x) {
        std::uint8_t* p = &ours[(static_cast<std::size_t>(y) * w.dstW + x) * 4];
        p[0] = row[x].red, p[1] = row[x].green, p[2] = row[x].blue, p[3] = row[x].alpha;
      }
    }
    const double oursDb = psnr(ref, ours.data(), static_cast<std::size_t>(w.dstW) * 4, w);
    rows.push_back({w.name, "ours, kept from last call", warm, oursDb});
    rows.push_back({w.name, "ours, source changed", cold, oursDb});

    const bool axisAligned = std::fabs(w.b) < 1e-12 && std::fabs(w.c) < 1e-12;
    cv::Mat out;
    const cv::Mat cvM = (cv::Mat_<double>(2, 3) << w.a, w.c, w.e - 0.5 + 0.5 * w.a + 0.5 * w.c, w.b, w.d,
                         w.f - 0.5 + 0.5 * w.b + 0.5 * w.d);
    if (axisAligned) {
      const double area =
          medianMs([&] { cv::resize(cvSrc, out, cv::Size(w.dstW, w.dstH), 0, 0, cv::INTER_AREA); }, runs);
      rows.push_back({w.name, "OpenCV resize AREA", area, psnr(ref, out.data, out.step, w)});
      const double lin =
          medianMs([&] { cv::resize(cvSrc, out, cv::Size(w.dstW, w.dstH), 0, 0, cv::INTER_LINEAR); }, runs);
      rows.push_back({w.name, "OpenCV resize LINEAR", lin, psnr(ref, out.data, out.step, w)});
    } else {
      // Area resize to the screen's scale, then a linear rotation: the usual two-step recipe.
      const double sx = std::hypot(w.a, w.b), sy = std::hypot(w.c, w.d);
      const cv::Size mid(static_cast<int>(std::lround(SRC_W / sx)), static_cast<int>(std::lround(SRC_H / sy)));
      const double sxm = static_cast<double>(SRC_W) / mid.width, sym = static_cast<double>(SRC_H) / mid.height;
      const cv::Mat midM =
          (cv::Mat_<double>(2, 3) << w.a / sxm, w.c / sxm, (w.e - 0.5 + 0.5 * w.a + 0.5 * w.c + 0.5) / sxm - 0.5,
           w.b / sym, w.d / sym, (w.f - 0.5 + 0.5 * w.b + 0.5 * w.d + 0.5) / sym - 0.5);
      cv::Mat small;
      const double two = medianMs(
          [&] {
            cv::resize(cvSrc, small, mid, 0, 0, cv::INTER_AREA);
            cv::warpAffine(small, out, midM, cv::Size(w.dstW, w.dstH), cv::INTER_LINEAR | cv::WARP_INVERSE_MAP);
          },
          runs);
      rows.push_back({w.name, "OpenCV AREA + warpAffine", two, psnr(ref, out.data, out.step, w)});
      const double lin = medianMs(
          [&] { cv::warpAffine(cvSrc, out, cvM, cv::Size(w.dstW, w.dstH), cv::INTER_LINEAR | cv::WARP_INVERSE_MAP); },
          runs);
      rows.push_back({w.name, "OpenCV warpAffine LINEAR", lin, psnr(ref, out.data, out.step, w)});
    }

    OIIO::ImageBuf oiioOut;
    if (axisAligned) {
      const double t = medianMs(
          [&] {
            oiioOut = OIIO::ImageBufAlgo::resize(oiioSrc, "", 0, OIIO::ROI(0, w.dstW, 0, w.dstH, 0, 1, 0, 4), threads);
          },
          runs / 3);
      rows.push_back(
          {w.name, "OIIO resize", t,
           psnr(ref, static_cast<const std::uint8_t*>(oiioOut.localpixels()), oiioOut.scanline_stride(), w)});
    } else {
      // OpenImageIO's warp takes the source-to-destination matrix.
      const double det = w.a * w.d - w.b * w.c;
      const double ia = w.d / det, ib = -w.b / det, ic = -w.c / det, id = w.a / det;
      const double ie = -(w.e * ia + w.f * ic), iff = -(w.e * ib + w.f * id);
      const Imath::M33f M(static_cast<float>(ia), static_cast<float>(ib), 0, static_cast<float>(ic),
                          static_cast<float>(id), 0, static_cast<float>(ie), static_cast<float>(iff), 1);
      const double t = medianMs(
          [&] {
            oiioOut = OIIO::ImageBufAlgo::warp(oiioSrc, M, "lanczos3", 1.0f, false, OIIO::ImageBuf::WrapBlack,
                                               OIIO::ROI(0, w.dstW, 0, w.dstH, 0, 1, 0, 4), threads);
          },
          runs / 3);
      rows.push_back(
          {w.name, "OIIO warp lanczos3", t,
           psnr(ref, static_cast<const std::uint8_t*>(oiioOut.localpixels()), oiioOut.scanline_stride(), w)});
    }
  }

  // What reading every source pixel once costs (OpenCV's vectorised, threaded sum): no filter that
  // averages the whole source area, as a one-off downscale must, can take less.
  {
    cv::Scalar total;
    const double t = medianMs([&] { total = cv::sum(cvSrc); }, runs);
    rows.push_back({"1080p source", "OpenCV sum (reads it once)", t, -1});
    if (total[0] < 0) std::printf("impossible sum\n");  // keeps the sum from being optimised away
  }

  // 1:1 sub-pixel placement of a tile.
  {
    World tile(PixelDepth::U8, 384, 270);
    engine.transferRect(src, PF_LRect{500, 300, 884, 570}, tile, 0, 0, CompositeSpec{});
    World dst(PixelDepth::U8, 400, 290);
    PF_FloatMatrix m{};
    m.mat[0][0] = m.mat[1][1] = m.mat[2][2] = 1;
    m.mat[2][0] = 7.37;
    m.mat[2][1] = 9.61;
    const double ours = medianMs(
        [&] {
          engine.fill(dst, Color4{}, nullptr);
          engine.transformWorld(tile, dst, m, true, CompositeSpec{}, PF_LRect{0, 0, 400, 290});
        },
        runs);
    rows.push_back({"384x270 tile, 1:1 sub-pixel", "ours", ours, 0});
    cv::Mat cvTile = cvSrc(cv::Rect(500, 300, 384, 270)).clone(), out;
    const cv::Mat shift = (cv::Mat_<double>(2, 3) << 1, 0, 7.37, 0, 1, 9.61);
    const double cvT =
        medianMs([&] { cv::warpAffine(cvTile, out, shift, cv::Size(400, 290), cv::INTER_LINEAR); }, runs);
    rows.push_back({"384x270 tile, 1:1 sub-pixel", "OpenCV warpAffine LINEAR", cvT, 0});
  }

  std::printf("threads: %d\n%-30s %-28s %10s %9s\n", threads, "warp", "implementation", "ms/call", "PSNR dB");
  for (const Row& r : rows) {
    if (r.db > 0) {
      std::printf("%-30s %-28s %10.3f %9.2f\n", r.warp.c_str(), r.who.c_str(), r.ms, r.db);
    } else {
      std::printf("%-30s %-28s %10.3f %9s\n", r.warp.c_str(), r.who.c_str(), r.ms, "-");
    }
  }
  return 0;
}
