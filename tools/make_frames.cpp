// Draws the nine built-in TV-frame pictures: seven flat-screen bezels, one narrow frame and one
// retro television, as 1920 × 1080 RGBA PNGs with an opaque bezel, a fully transparent window,
// antialiased edges and a soft shadow where the bezel meets the window. Everything outside the
// window is opaque (black beyond the bezel's rounded corners and beside the stand), so the picture
// behind a frame shows only through its window.
//   make_frames OUTPUT_FOLDER            writes the nine files
//   make_frames --sheet SHEET.png        writes a 3 × 3 contact sheet over a checkerboard
// The drawing is plain arithmetic on each pixel centre, so the files come out the same on
// every run.
#include <png.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int W = 1920, H = 1080;

struct RGB {
  float r, g, b;
};
struct RGBA {
  float r = 0, g = 0, b = 0, a = 0;
};

RGB mix(RGB a, RGB b, float t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
float clamp01(float v) {
  return std::clamp(v, 0.0f, 1.0f);
}
float smooth(float e0, float e1, float x) {
  const float t = clamp01((x - e0) / (e1 - e0));
  return t * t * (3 - 2 * t);
}

// Signed distance to a rounded rectangle centred at (cx, cy) with half sizes (hx, hy), radius r.
float roundedBox(float x, float y, float cx, float cy, float hx, float hy, float r) {
  const float qx = std::fabs(x - cx) - (hx - r), qy = std::fabs(y - cy) - (hy - r);
  const float ox = std::max(qx, 0.0f), oy = std::max(qy, 0.0f);
  return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0f) - r;
}

float circle(float x, float y, float cx, float cy, float r) {
  return std::hypot(x - cx, y - cy) - r;
}

// Pixel coverage of the inside of a shape from its signed distance (antialiased edge).
float inside(float d) {
  return clamp01(0.5f - d);
}

// Paints `top` over `under` with coverage `a` (straight colours, "over").
RGBA over(RGBA under, RGB top, float a) {
  const float outA = a + under.a * (1 - a);
  if (outA <= 0) return {};
  auto ch = [&](float t, float u) { return (t * a + u * under.a * (1 - a)) / outA; };
  return {ch(top.r, under.r), ch(top.g, under.g), ch(top.b, under.b), outA};
}

struct Flat {
  RGB bezel;          // main colour
  RGB edge;           // outer rim highlight
  float border;       // bezel width, fraction of the height
  float chin;         // extra bezel below the window, fraction of the height
  float outerRadius;  // fraction of the height
  float innerRadius;
  bool stand;
  bool light;
  RGB lightColor;
};

// The window of a flat screen: where the source shows through.
struct Box {
  float cx, cy, hx, hy, r;
};

RGBA drawFlat(const Flat& f, float x, float y) {
  const float bodyBottom = f.stand ? H * 0.86f : static_cast<float>(H);
  const Box body{W * 0.5f, bodyBottom * 0.5f, W * 0.5f - 1, bodyBottom * 0.5f - 1, f.outerRadius * H};
  const float b = f.border * H, chin = f.chin * H;
  const Box window{W * 0.5f, (bodyBottom - chin) * 0.5f, W * 0.5f - b, (bodyBottom - chin) * 0.5f - b,
                   f.innerRadius * H};
  const float dWindow = roundedBox(x, y, window.cx, window.cy, window.hx, window.hy, window.r);
  // Black behind everything but the window.
  RGBA out{0, 0, 0, 1.0f - inside(dWindow)};
  if (f.stand) {
    const float neck = roundedBox(x, y, W * 0.5f, H * 0.9f, W * 0.035f, H * 0.06f, 4);
    const float base = roundedBox(x, y, W * 0.5f, H * 0.972f, W * 0.16f, H * 0.022f, H * 0.02f);
    const float stand = std::min(neck, base);
    const RGB metal = mix(f.bezel, RGB{0.55f, 0.56f, 0.58f}, 0.35f + 0.3f * (y - H * 0.84f) / (H * 0.16f));
    out = over(out, metal, inside(stand));
  }
  const float dBody = roundedBox(x, y, body.cx, body.cy, body.hx, body.hy, body.r);
  // Bezel: a gentle top-to-bottom sheen, a brighter rim at the outer edge.
  const float sheen = 0.12f * (1.0f - y / bodyBottom);
  RGB bezel = mix(f.bezel, RGB{1, 1, 1}, sheen);
  bezel = mix(bezel, f.edge, smooth(-6.0f, 0.0f, dBody) * 0.8f);
  const float bezelCover = inside(dBody) * (1.0f - inside(dWindow));
  out = over(out, bezel, bezelCover);
  // The soft shadow the bezel casts into the window: dark, fading out over a few pixels.
  const float depth = -dWindow;
  if (depth > 0) {
    const float shadow = 0.55f * (1.0f - smooth(0.0f, H * 0.018f, depth)) * inside(dWindow);
    out = over(out, RGB{0, 0, 0}, shadow);
  }
  if (f.light) {
    const float lx = W * 0.5f + window.hx - H * 0.02f, ly = window.cy + window.hy + (b + chin) * 0.5f;
    const float dot = circle(x, y, lx, ly, H * 0.0065f);
    const float glow = circle(x, y, lx, ly, H * 0.02f);
    out = over(out, f.lightColor, inside(dot));
    out = over(out, f.lightColor, 0.25f * (1.0f - smooth(-H * 0.02f, 0.0f, glow)) * (1.0f - inside(dot)) * bezelCover);
  }
  return out;
}

RGBA drawRetro(float x, float y) {
  // Wooden cabinet: warm browns with a slow, wavy grain.
  const float grain =
      0.5f + 0.5f * std::sin(y * 0.045f + 2.2f * std::sin(x * 0.004f) + 0.8f * std::sin(x * 0.013f + y * 0.002f));
  const float ring = 0.5f + 0.5f * std::sin(y * 0.16f + 3.0f * std::sin(x * 0.0021f));
  RGB wood = mix(RGB{0.36f, 0.20f, 0.09f}, RGB{0.55f, 0.33f, 0.15f}, grain * 0.7f + ring * 0.3f);
  const float cabinet = roundedBox(x, y, W * 0.5f, H * 0.5f, W * 0.5f - 1, H * 0.5f - 1, H * 0.06f);
  // Black behind the cabinet's rounded corners; the window is cut out below.
  RGBA out =
      over(RGBA{0, 0, 0, 1}, mix(wood, RGB{0.75f, 0.55f, 0.3f}, smooth(-10.0f, 0.0f, cabinet) * 0.5f), inside(cabinet));

  // Control panel on the right: dark plastic with two knobs and a speaker grille.
  const float panel = roundedBox(x, y, W * 0.855f, H * 0.5f, W * 0.105f, H * 0.42f, H * 0.03f);
  out = over(out, mix(RGB{0.10f, 0.09f, 0.08f}, RGB{0.2f, 0.18f, 0.16f}, 1.0f - y / H), inside(panel));
  for (int k = 0; k < 2; ++k) {
    const float ky = H * (0.22f + 0.2f * static_cast<float>(k));
    const float knob = circle(x, y, W * 0.855f, ky, H * 0.065f);
    const float angle = std::atan2(y - ky, x - W * 0.855f);
    const RGB chrome = mix(RGB{0.45f, 0.45f, 0.47f}, RGB{0.9f, 0.9f, 0.92f}, 0.5f + 0.5f * std::sin(angle * 24.0f));
    out = over(out, mix(chrome, RGB{0.2f, 0.2f, 0.22f}, smooth(-H * 0.065f, 0, knob) * 0.6f), inside(knob));
    const float cap = circle(x, y, W * 0.855f, ky, H * 0.03f);
    out = over(out, RGB{0.15f, 0.13f, 0.12f}, inside(cap));
    const float mark = roundedBox(x, y, W * 0.855f, ky - H * 0.045f, 3, H * 0.014f, 2);
    out = over(out, RGB{0.95f, 0.9f, 0.75f}, inside(mark));
  }
  for (int i = 0; i < 6; ++i) {
    const float slot =
        roundedBox(x, y, W * 0.855f, H * (0.66f + 0.04f * static_cast<float>(i)), W * 0.07f, H * 0.008f, H * 0.008f);
    out = over(out, RGB{0.03f, 0.03f, 0.03f}, inside(slot));
  }

  // The picture tube: a rounded window with a chrome rim and a deep shadow inside.
  const Box tube{W * 0.38f, H * 0.5f, W * 0.335f, H * 0.43f, H * 0.16f};
  const float rim = roundedBox(x, y, tube.cx, tube.cy, tube.hx + H * 0.018f, tube.hy + H * 0.018f, tube.r + H * 0.018f);
  const float window = roundedBox(x, y, tube.cx, tube.cy, tube.hx, tube.hy, tube.r);
  const RGB chrome = mix(RGB{0.55f, 0.55f, 0.57f}, RGB{0.92f, 0.92f, 0.9f}, 0.5f + 0.5f * std::sin((x + y) * 0.01f));
  out = over(out, chrome, inside(rim) * (1.0f - inside(window)));
  // Cut the window out, then lay the tube's shadow into it.
  out.a *= 1.0f - inside(window);
  const float depth = -window;
  if (depth > 0) out = over(out, RGB{0, 0, 0}, 0.65f * (1.0f - smooth(0.0f, H * 0.035f, depth)) * inside(window));
  return out;
}

using Drawer = RGBA (*)(float, float);

struct FrameFile {
  const char* name;
  Flat style;  // unused for the retro picture
  bool retro;
};

const std::array<FrameFile, 9>& frameFiles() {
  static const std::array<FrameFile, 9> files = {{
      {"FLAT_SCREEN_FRAME-1920x1080_01.png",
       {{0.06f, 0.06f, 0.07f}, {0.35f, 0.35f, 0.38f}, 0.045f, 0.03f, 0.02f, 0.004f, false, true, {0.2f, 0.9f, 0.3f}},
       false},
      {"FLAT_SCREEN_FRAME-1920x1080_02.png",
       {{0.78f, 0.79f, 0.81f}, {0.98f, 0.98f, 1.0f}, 0.06f, 0.05f, 0.05f, 0.012f, false, true, {0.3f, 0.6f, 1.0f}},
       false},
      {"FLAT_SCREEN_FRAME-1920x1080_03.png",
       {{0.12f, 0.12f, 0.13f}, {0.4f, 0.4f, 0.42f}, 0.035f, 0.035f, 0.015f, 0.003f, true, true, {1.0f, 0.25f, 0.2f}},
       false},
      {"FLAT_SCREEN_FRAME-1920x1080_04.png",
       {{0.93f, 0.93f, 0.92f}, {1.0f, 1.0f, 1.0f}, 0.08f, 0.02f, 0.08f, 0.025f, false, false, {0, 0, 0}},
       false},
      {"FLAT_SCREEN_FRAME-1920x1080_05.png",
       {{0.08f, 0.12f, 0.25f}, {0.3f, 0.42f, 0.7f}, 0.05f, 0.04f, 0.03f, 0.008f, false, true, {0.95f, 0.75f, 0.2f}},
       false},
      {"FLAT_SCREEN_FRAME-1920x1080_06.png",
       {{0.45f, 0.08f, 0.07f}, {0.85f, 0.3f, 0.25f}, 0.055f, 0.06f, 0.04f, 0.01f, true, false, {0, 0, 0}},
       false},
      {"FLAT_SCREEN_FRAME-1920x1080_07.png",
       {{0.22f, 0.23f, 0.21f}, {0.55f, 0.56f, 0.5f}, 0.1f, 0.0f, 0.015f, 0.06f, false, true, {0.2f, 0.9f, 0.9f}},
       false},
      {"NARROW_FRAME-1920x1080_08.png",
       {{0.04f, 0.04f, 0.045f}, {0.3f, 0.3f, 0.32f}, 0.012f, 0.0f, 0.006f, 0.002f, false, false, {0, 0, 0}},
       false},
      {"RETRO_09-1920x1080.png", {}, true},
  }};
  return files;
}

std::vector<std::uint8_t> render(const FrameFile& f) {
  std::vector<std::uint8_t> rgba(static_cast<std::size_t>(W) * H * 4);
  for (int y = 0; y < H; ++y) {
    for (int x = 0; x < W; ++x) {
      const float px = static_cast<float>(x) + 0.5f, py = static_cast<float>(y) + 0.5f;
      const RGBA c = f.retro ? drawRetro(px, py) : drawFlat(f.style, px, py);
      std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * W + x) * 4];
      p[0] = static_cast<std::uint8_t>(std::lround(clamp01(c.r) * 255));
      p[1] = static_cast<std::uint8_t>(std::lround(clamp01(c.g) * 255));
      p[2] = static_cast<std::uint8_t>(std::lround(clamp01(c.b) * 255));
      p[3] = static_cast<std::uint8_t>(std::lround(clamp01(c.a) * 255));
    }
  }
  return rgba;
}

// Rows are stored unfiltered and compressed with zlib's greedy matching (level 3): the files are
// about twice the size the defaults make, but long runs of equal pixels become long matches, and
// the effect, which decodes all nine at every start, reads them about four times as fast.
bool writePng(const std::string& path, const std::vector<std::uint8_t>& rgba, int w, int h) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    std::fprintf(stderr, "make_frames: cannot write %s\n", path.c_str());
    return false;
  }
  std::vector<png_const_bytep> rows(static_cast<std::size_t>(h));
  for (int y = 0; y < h; ++y) rows[static_cast<std::size_t>(y)] = &rgba[static_cast<std::size_t>(y) * w * 4];
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  bool ok = false;
  if (info != nullptr && setjmp(png_jmpbuf(png)) == 0) {
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h), 8, PNG_COLOR_TYPE_RGB_ALPHA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_sRGB(png, info, PNG_sRGB_INTENT_PERCEPTUAL);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_set_compression_level(png, 3);
    png_write_info(png, info);
    png_write_rows(png, const_cast<png_bytepp>(rows.data()), static_cast<png_uint_32>(h));
    png_write_end(png, nullptr);
    ok = true;
  }
  png_destroy_write_struct(&png, &info);
  ok = std::fclose(file) == 0 && ok;
  if (!ok) std::fprintf(stderr, "make_frames: cannot write %s\n", path.c_str());
  return ok;
}

int writeSheet(const std::string& path) {
  constexpr int TW = 480, TH = 270, GAP = 12;
  const int sw = 3 * TW + 4 * GAP, sh = 3 * TH + 4 * GAP;
  std::vector<std::uint8_t> sheet(static_cast<std::size_t>(sw) * sh * 4);
  for (int y = 0; y < sh; ++y) {
    for (int x = 0; x < sw; ++x) {
      const bool light = ((x / 16) + (y / 16)) % 2 == 0;
      std::uint8_t* p = &sheet[(static_cast<std::size_t>(y) * sw + x) * 4];
      p[0] = p[1] = p[2] = light ? 200 : 150;
      p[3] = 255;
    }
  }
  for (std::size_t i = 0; i < frameFiles().size(); ++i) {
    const auto rgba = render(frameFiles()[i]);
    const int ox = GAP + static_cast<int>(i % 3) * (TW + GAP), oy = GAP + static_cast<int>(i / 3) * (TH + GAP);
    for (int ty = 0; ty < TH; ++ty) {
      for (int tx = 0; tx < TW; ++tx) {
        float acc[4] = {0, 0, 0, 0};
        for (int j = 0; j < 4; ++j) {
          for (int k = 0; k < 4; ++k) {
            const std::uint8_t* s = &rgba[(static_cast<std::size_t>(ty * 4 + j) * W + tx * 4 + k) * 4];
            const float a = s[3] / 255.0f;
            for (int c = 0; c < 3; ++c) acc[c] += s[c] * a;
            acc[3] += a;
          }
        }
        std::uint8_t* d = &sheet[(static_cast<std::size_t>(oy + ty) * sw + ox + tx) * 4];
        const float a = acc[3] / 16.0f;
        for (int c = 0; c < 3; ++c) {
          d[c] = static_cast<std::uint8_t>(std::lround(acc[c] / 16.0f + d[c] * (1.0f - a)));
        }
      }
    }
  }
  return writePng(path, sheet, sw, sh) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--sheet") return writeSheet(argv[2]);
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_frames OUTPUT_FOLDER | make_frames --sheet SHEET.png\n");
    return 2;
  }
  for (const FrameFile& f : frameFiles()) {
    if (!writePng(std::string(argv[1]) + "/" + f.name, render(f), W, H)) return 1;
  }
  return 0;
}
