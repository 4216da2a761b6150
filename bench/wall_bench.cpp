// Whole 1920 × 1080 8-bit frames of the wall rendered through the real module and host, beside a
// peer doing the same work with OpenCV, in one process at the same thread count:
//   (a) 5 × 4 screens of 384 × 270 from 20 distinct 1080p sources, neutral
//   (b) 100 × 100 screens from the same 20 sources
//   (c) (a) with random Z rotation, Y tilt and opacity 80 %
//   (d) (c) with a built-in frame
// Reports the median time per frame, ours and the peer's run alternately so that both see the same
// load, and, for (a), the PSNR against an exact box-filtered reference. (d) is timed alternately
// with the same wall unframed, and reported as the ratio of the two.
//   bench_wall MODULE [threads [case-letter [ours]]]
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

#include "effect_registry.h"
#include "patterns.h"
#include "pixel_host.h"
#include "pixel_types.h"
#include "project_file.h"
#include "render_session.h"

namespace {

using namespace plenorium::host;
using json = nlohmann::json;
using Clock = std::chrono::steady_clock;

constexpr int W = 1920, H = 1080, SOURCES = 20;
const char* const PATTERNS[] = {"bars", "checker", "gradient", "counter"};

double median(std::vector<double> t) {
  std::sort(t.begin(), t.end());
  return t[t.size() / 2];
}

double timeMs(const std::function<void()>& fn) {
  const auto start = Clock::now();
  fn();
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Median times of `ours` and `peer` (when given), run alternately after one warm-up each, so that
// both see the same load on a shared machine.
std::pair<double, double> pairedMedians(const std::function<void()>& ours, const std::function<void()>& peer,
                                        int runs) {
  ours();
  if (peer) peer();
  std::vector<double> a, b;
  for (int i = 0; i < runs; ++i) {
    a.push_back(timeMs(ours));
    if (peer) b.push_back(timeMs(peer));
  }
  return {median(a), peer ? median(b) : -1.0};
}

json project(const json& params) {
  json items = json::array();
  json layers = json::array();
  json wall = params;
  for (int i = 0; i < SOURCES; ++i) {
    const std::string name = "s" + std::to_string(i);
    items.push_back({{"name", name}, {"type", "pattern"}, {"pattern", PATTERNS[i % 4]}, {"width", W}, {"height", H}});
    wall["Source " + std::to_string(i + 1)] = "L" + std::to_string(i);
  }
  items.push_back({{"name", "base"}, {"type", "solid"}, {"width", W}, {"height", H}, {"color", {0, 0, 0, 0}}});
  layers.push_back(
      {{"name", "Wall"}, {"source", "base"}, {"effects", {{{"matchName", "KTRM_Plenorium"}, {"params", wall}}}}});
  for (int i = 0; i < SOURCES; ++i) {
    layers.push_back({{"name", "L" + std::to_string(i)}, {"source", "s" + std::to_string(i)}, {"visible", false}});
  }
  items.push_back({{"name", "Main"},
                   {"type", "comp"},
                   {"width", W},
                   {"height", H},
                   {"fps", 25},
                   {"duration", 10},
                   {"layers", layers}});
  return {{"items", items}};
}

// The sources as the peer holds them: the same generated pictures, RGBA.
std::vector<cv::Mat> peerSources(PixelHost& pixels) {
  std::vector<cv::Mat> out;
  for (int i = 0; i < SOURCES; ++i) {
    World w(PixelDepth::U8, W, H);
    drawPattern(pixels.engine(), w, PATTERNS[i % 4], 0, 0, 1.0);
    cv::Mat m(H, W, CV_8UC4);
    for (int y = 0; y < H; ++y) {
      const auto* row = pixelRow<PixelDepth::U8>(w, y);
      auto* dst = m.ptr<std::uint8_t>(y);
      for (int x = 0; x < W; ++x) {
        dst[x * 4] = row[x].red, dst[x * 4 + 1] = row[x].green, dst[x * 4 + 2] = row[x].blue,
                dst[x * 4 + 3] = row[x].alpha;
      }
    }
    out.push_back(m);
  }
  return out;
}

// Straight-alpha "over" of `src` onto `dst` at opacity `k`.
void over(const cv::Mat& src, cv::Mat dst, float k) {
  for (int y = 0; y < src.rows; ++y) {
    const auto* s = src.ptr<std::uint8_t>(y);
    auto* d = dst.ptr<std::uint8_t>(y);
    for (int x = 0; x < src.cols; ++x) {
      const float sa = s[x * 4 + 3] / 255.0f * k;
      if (sa <= 0) continue;
      const float da = d[x * 4 + 3] / 255.0f;
      const float a = sa + da * (1 - sa);
      for (int c = 0; c < 3; ++c) {
        d[x * 4 + c] = static_cast<std::uint8_t>((s[x * 4 + c] * sa + d[x * 4 + c] * da * (1 - sa)) / a + 0.5f);
      }
      d[x * 4 + 3] = static_cast<std::uint8_t>(a * 255 + 0.5f);
    }
  }
}

double psnr(const cv::Mat& a, const cv::Mat& b) {
  cv::Mat da, db;
  a.convertTo(da, CV_64FC4);
  b.convertTo(db, CV_64FC4);
  const cv::Scalar mse = cv::mean((da - db).mul(da - db));
  const double m = (mse[0] + mse[1] + mse[2]) / 3;
  return m <= 0 ? 99 : 10 * std::log10(255.0 * 255.0 / m);
}

cv::Mat toMat(const World& w) {
  cv::Mat m(w.height(), w.width(), CV_8UC4);
  for (int y = 0; y < w.height(); ++y) {
    const auto* row = pixelRow<PixelDepth::U8>(w, y);
    auto* dst = m.ptr<std::uint8_t>(y);
    for (int x = 0; x < w.width(); ++x) {
      dst[x * 4] = row[x].red, dst[x * 4 + 1] = row[x].green, dst[x * 4 + 2] = row[x].blue,
              dst[x * 4 + 3] = row[x].alpha;
    }
  }
  return m;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_wall MODULE [threads [case-letter [ours]]]\n");
    return 2;
  }
  const int threads = argc > 2 ? std::atoi(argv[2]) : 2;
  const std::string only = argc > 3 ? argv[3] : "";                  // one case letter, for profiling
  const bool oursOnly = argc > 4 && std::string(argv[4]) == "ours";  // leave the peer out of a profile
  cv::setNumThreads(threads);
  HostCore core;
  PixelHost pixels(core, static_cast<unsigned>(threads));
  EffectRegistry registry(core);
  registry.load(argv[1]);
  const std::vector<cv::Mat> sources = peerSources(pixels);
  const int runs = 15;

  const json neutral = {{"Columns", 5}, {"Rows", 4}, {"Screen Width", 384}, {"Screen Height", 270}};
  json dense = {{"Columns", 100}, {"Rows", 100}, {"Screen Width", 19.2}, {"Screen Height", 10.8}};
  json turned = neutral;
  turned["Screens Transform/Controls/Rotation/Z"] = 20;
  turned["Z randomize"] = -100;
  turned["Screens Transform/Controls/Rotation/Y"] = 30;
  turned["Y randomize"] = -100;
  turned["Screens Transform/Controls/Opacity"] = 80;
  json framed = turned;
  framed["TV Frame/Frame image"] = "Flat 1";

  struct Case {
    const char* name;
    json params;
  };
  std::printf("threads: %d, frame %d x %d, 8-bit, %d sources\n", threads, W, H, SOURCES);
  std::printf("%-36s %12s %12s %8s %10s %10s\n", "case", "ours ms", "OpenCV ms", "ratio", "ours dB", "OpenCV dB");
  for (const Case& c : {Case{"(a) 5x4 neutral", neutral}, Case{"(b) 100x100", dense},
                        Case{"(c) 5x4 turned, 80 %", turned}, Case{"(d) (c) framed", framed}}) {
    if (!only.empty() && only[0] != c.name[1]) continue;
    json description = project(c.params);
    if (c.name[1] == 'd') {
      // The same wall without its frame, in a second composition of the same project, so that
      // the framed and the unframed frame are timed alternately under the same load.
      json unframed = description["items"].back();
      unframed["name"] = "Unframed";
      unframed["layers"][0]["effects"][0]["params"].erase("TV Frame/Frame image");
      description["items"].push_back(unframed);
    }
    Project p = parseProject(description, "bench", ".", registry.schemaLookup());
    RenderSession session(core, pixels, registry, p);
    session.startInstances();
    // The same frame each time, as the peer works on pictures already in memory: the host keeps
    // the sources (and what it derived from them) between frames.
    OwnedWorld last;
    const auto renderOurs = [&] { last = session.renderFrame(*p.compByName("Main"), 0, {}); };

    double oursDb = -1, peerDb = -1;
    cv::Mat out(H, W, CV_8UC4);
    const std::string name = c.name;
    std::function<void()> peerWork;
    if (name[1] == 'a') {
      peerWork = [&] {
        out.setTo(cv::Scalar::all(0));
        cv::Mat tile;
        for (int s = 0; s < SOURCES; ++s) {
          cv::resize(sources[s], tile, cv::Size(384, 270), 0, 0, cv::INTER_AREA);
          over(tile, out(cv::Rect((s % 5) * 384, (s / 5) * 270, 384, 270)), 1.0f);
        }
      };
    } else if (name[1] == 'b') {
      peerWork = [&] {
        out.setTo(cv::Scalar::all(0));
        std::vector<cv::Mat> tiles(SOURCES);
        for (int s = 0; s < SOURCES; ++s) cv::resize(sources[s], tiles[s], cv::Size(19, 11), 0, 0, cv::INTER_AREA);
        for (int i = 0; i < 10000; ++i) {
          const int x = static_cast<int>((i % 100) * 19.2), y = static_cast<int>((i / 100) * 10.8);
          over(tiles[i % SOURCES], out(cv::Rect(x, y, std::min(19, W - x), std::min(11, H - y))), 1.0f);
        }
      };
    } else if (name[1] == 'c') {
      peerWork = [&] {
        out.setTo(cv::Scalar::all(0));
        cv::Mat tile, turnedTile;
        for (int s = 0; s < SOURCES; ++s) {
          cv::resize(sources[s], tile, cv::Size(384, 270), 0, 0, cv::INTER_AREA);
          const double angle = 20.0 * ((s * 37) % 100) / 100.0;
          const double tilt = std::cos(30.0 * ((s * 53) % 100) / 100.0 * M_PI / 180.0);
          cv::Mat m = cv::getRotationMatrix2D(cv::Point2f(192, 135), -angle, 1.0);
          m.at<double>(0, 0) *= tilt;
          m.at<double>(1, 0) *= tilt;
          cv::warpAffine(tile, turnedTile, m, cv::Size(384, 270), cv::INTER_LINEAR, cv::BORDER_CONSTANT);
          over(turnedTile, out(cv::Rect((s % 5) * 384, (s / 5) * 270, 384, 270)), 0.8f);
        }
      };
    }
    if (name[1] == 'd') {
      peerWork = [&] { session.renderFrame(*p.compByName("Unframed"), 0, {}); };
    }
    if (oursOnly && name[1] != 'd') peerWork = nullptr;
    const auto [ours, peer] = pairedMedians(renderOurs, peerWork, oursOnly ? 4 * runs : runs);
    if (name[1] == 'a') {
      // The reference: every source box-filtered exactly (5 × 4 blocks) into its screen.
      cv::Mat reference(H, W, CV_8UC4, cv::Scalar::all(0));
      for (int s = 0; s < SOURCES; ++s) {
        cv::Mat box;
        cv::resize(sources[s], box, cv::Size(384, 270), 0, 0, cv::INTER_AREA);
        box.copyTo(reference(cv::Rect((s % 5) * 384, (s / 5) * 270, 384, 270)));
      }
      oursDb = psnr(toMat(*last), reference);
      peerDb = psnr(out, reference);
    }
    if (name[1] == 'd') {
      std::printf("%-36s %12.2f %12s %8s   (d)/(c) = %.2f (unframed, timed alternately: %.2f ms)\n", c.name, ours, "-",
                  "-", ours / peer, peer);
      continue;
    }
    if (peer > 0) {
      std::printf("%-36s %12.2f %12.2f %8.2f", c.name, ours, peer, ours / peer);
    } else {
      std::printf("%-36s %12.2f %12s %8s", c.name, ours, "-", "-");
    }
    if (oursDb > 0) {
      std::printf(" %10.2f %10.2f\n", oursDb, peerDb);
    } else {
      std::printf("\n");
    }
  }
  return 0;
}
