#include "pixel_host.h"

#include <algorithm>

#include "c_boundary.h"
#include "core_services.h"
#include "host_error.h"

namespace plenorium::host {
namespace {

constexpr const char* WORLD_KIND = "world";
std::size_t storageBytes(const World& world) {
  return static_cast<std::size_t>(world.rowBytes()) * static_cast<std::size_t>(world.height());
}

// The pixel host serving the call. The suites are offered only by a live pixel host, so a call
// without one is a fault of the host itself.
PixelHost& pixels(Call& c) {
  PixelHost* px = c.service<PixelHost>();
  if (px == nullptr) throw HostError("a pixel suite was called with no pixel host");
  return *px;
}

// Worlds reach these functions only after the boundary has checked their handles.
World& worldOf(Call& c, AEGP_WorldH handle) {
  return *pixels(c).find(handle);
}

// The depth a host call names, when it names one.
bool depthOfType(AEGP_WorldType type, PixelDepth& depth) {
  depth = depthOfWorldType(type);
  return depth != DepthCode::NONE;
}

bool depthOfFormat(PF_PixelFormat format, PixelDepth& depth) {
  depth = depthOfPixelFormat(format);
  return depth != DepthCode::NONE;
}

CompositeSpec compositeSpec(PixelHost& px, const PF_CompositeMode* mode, const PF_MaskWorld* mask) {
  CompositeSpec spec;
  if (mode != nullptr) {
    spec.mode = mode->xfer;
    spec.opacity = static_cast<float>(mode->opacity) / 255.0f;
  }
  if (mask != nullptr) {
    spec.mask = px.find(&mask->mask);
    spec.maskOffset = mask->offset;
    spec.maskFlags = mask->what_is_mask;
  }
  return spec;
}

PF_LRect rectOr(const PF_Rect* rect, const World& world) {
  return rect != nullptr ? *rect : PF_LRect{0, 0, world.width(), world.height()};
}

// --- AEGP World Suite 2 and 3 ---
A_Err aegpNew(Call& c, AEGP_PluginID, AEGP_WorldType type, A_long width, A_long height, AEGP_WorldH* out) {
  c.note("type", type);
  c.note("width", width);
  c.note("height", height);
  PixelDepth depth{};
  if (out == nullptr || !depthOfType(type, depth) || width < 0 || height < 0) return A_Err_PARAMETER;
  *out = PixelHost::handleOf(pixels(c).create(depth, width, height));
  return A_Err_NONE;
}

A_Err aegpDispose(Call& c, AEGP_WorldH handle) {
  PixelHost& px = pixels(c);
  return px.dispose(px.find(handle)) ? A_Err_NONE : A_Err_PARAMETER;
}

A_Err aegpGetType(Call& c, AEGP_WorldH handle, AEGP_WorldType* type) {
  if (type == nullptr) return A_Err_PARAMETER;
  *type = worldTypeOf(worldOf(c, handle).depth());
  return A_Err_NONE;
}

A_Err aegpGetSize(Call& c, AEGP_WorldH handle, A_long* width, A_long* height) {
  if (width == nullptr || height == nullptr) return A_Err_PARAMETER;
  const World& w = worldOf(c, handle);
  *width = w.width();
  *height = w.height();
  return A_Err_NONE;
}

A_Err aegpGetRowBytes(Call& c, AEGP_WorldH handle, A_u_long* rowBytes) {
  if (rowBytes == nullptr) return A_Err_PARAMETER;
  *rowBytes = static_cast<A_u_long>(worldOf(c, handle).rowBytes());
  return A_Err_NONE;
}

// The raw address is for writing pixels directly, so the world may hold anything afterwards.
template <PixelDepth D, typename Pixel>
A_Err aegpGetBaseAddr(Call& c, AEGP_WorldH handle, Pixel** base) {
  World& w = worldOf(c, handle);
  if (base == nullptr || w.depth() != D) return A_Err_PARAMETER;
  w.markAllWritten();
  *base = reinterpret_cast<Pixel*>(w.data());
  return A_Err_NONE;
}

A_Err aegpFillOutPFEffectWorld(Call& c, AEGP_WorldH handle, PF_EffectWorld* view) {
  if (view == nullptr) return A_Err_PARAMETER;
  *view = worldOf(c, handle).view();
  return A_Err_NONE;
}

// --- PF World Suite 2 ---
PF_Err pfNewWorld(Call& c, PF_ProgPtr, A_long width, A_long height, PF_Boolean, PF_PixelFormat format,
                  PF_EffectWorld* view) {
  c.note("width", width);
  c.note("height", height);
  PixelDepth depth{};
  if (view == nullptr || !depthOfFormat(format, depth) || width < 0 || height < 0) return PF_Err_BAD_CALLBACK_PARAM;
  *view = pixels(c).create(depth, width, height).view();  // new worlds are always clear
  return PF_Err_NONE;
}

PF_Err pfDisposeWorld(Call& c, PF_ProgPtr, PF_EffectWorld* view) {
  PixelHost& px = pixels(c);
  return px.dispose(px.find(view)) ? PF_Err_NONE : PF_Err_BAD_CALLBACK_PARAM;
}

PF_Err pfGetPixelFormat(Call& c, const PF_EffectWorld* view, PF_PixelFormat* format) {
  const World* w = pixels(c).find(view);
  if (w == nullptr || format == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  *format = pixelFormatOf(w->depth());
  return PF_Err_NONE;
}

// --- fills ---
PF_Err fillWith(Call& c, const PF_Rect* rect, PF_EffectWorld* view, const Color4& color) {
  c.note("whole", rect == nullptr);
  PixelHost& px = pixels(c);
  World* w = px.find(view);
  if (w == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  px.engine().fill(*w, color, rect);
  return PF_Err_NONE;
}

template <PixelDepth D, typename Pixel>
PF_Err fill(Call& c, PF_ProgPtr, const Pixel* color, const PF_Rect* rect, PF_EffectWorld* view) {
  return fillWith(c, rect, view, color != nullptr ? loadStraight<D>(*color) : Color4{});
}

// --- transforms and transfers ---
PF_Err transformWorld(Call& c, PF_ProgPtr, PF_Quality quality, PF_ModeFlags, PF_Field, const PF_EffectWorld* srcView,
                      const PF_CompositeMode* mode, const PF_MaskWorld* mask, const PF_FloatMatrix* matrices,
                      A_long count, PF_Boolean srcToDst, const PF_Rect* destRect, PF_EffectWorld* dstView) {
  c.note("quality", quality);
  c.note("mode", mode != nullptr ? mode->xfer : -1);
  c.note("opacity", mode != nullptr ? mode->opacity : 255);
  c.note("mask", mask != nullptr);
  PixelHost& px = pixels(c);
  World* src = px.find(srcView);
  World* dst = px.find(dstView);
  if (src == nullptr || dst == nullptr || matrices == nullptr || count < 1) return PF_Err_BAD_CALLBACK_PARAM;
  const CompositeSpec spec = compositeSpec(px, mode, mask);
  if (mask != nullptr && spec.mask == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  // Several matrices describe motion blur; the wall never asks for it, so the first is used.
  px.engine().transformWorld(*src, *dst, matrices[0], srcToDst != 0, spec, rectOr(destRect, *dst));
  return PF_Err_NONE;
}

PF_Err transferRect(Call& c, PF_ProgPtr, PF_Quality, PF_ModeFlags, PF_Field, const PF_Rect* srcRect,
                    const PF_EffectWorld* srcView, const PF_CompositeMode* mode, const PF_MaskWorld* mask, A_long destX,
                    A_long destY, PF_EffectWorld* dstView) {
  c.note("x", destX);
  c.note("y", destY);
  c.note("mask", mask != nullptr);
  PixelHost& px = pixels(c);
  World* src = px.find(srcView);
  World* dst = px.find(dstView);
  if (src == nullptr || dst == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  const CompositeSpec spec = compositeSpec(px, mode, mask);
  if (mask != nullptr && spec.mask == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  px.engine().transferRect(*src, rectOr(srcRect, *src), *dst, destX, destY, spec);
  return PF_Err_NONE;
}

PF_Err copyWorld(Call& c, PF_ProgPtr ref, PF_EffectWorld* srcView, PF_EffectWorld* dstView, PF_Rect* srcRect,
                 PF_Rect* dstRect) {
  const PF_CompositeMode copy{PF_Xfer_COPY, 0, static_cast<A_u_char>(255), 0, 0};
  const A_long x = dstRect != nullptr ? dstRect->left : 0;
  const A_long y = dstRect != nullptr ? dstRect->top : 0;
  return transferRect(c, ref, PF_Quality_HI, PF_MF_Alpha_STRAIGHT, PF_Field_FRAME, srcRect, srcView, &copy, nullptr, x,
                      y, dstView);
}

PF_Err utilNewWorld(Call& c, PF_ProgPtr ref, A_long width, A_long height, PF_NewWorldFlags flags,
                    PF_EffectWorld* view) {
  return pfNewWorld(c, ref, width, height, 1,
                    (flags & PF_WorldFlag_DEEP) ? PF_PixelFormat_ARGB64 : PF_PixelFormat_ARGB32, view);
}

// The later version's own slots are set after the list; the suite registry refuses a table
// with an empty slot, so none can be forgotten.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
// The AEGP World suite's slots of version 2; 3 adds the base address of float worlds.
template <typename Table>
constexpr Table aegpWorldTable() {
  Table t{
      PLENORIUM_SERVE(Table, AEGP_New, aegpNew),
      PLENORIUM_SERVE(Table, AEGP_Dispose, aegpDispose),
      PLENORIUM_SERVE(Table, AEGP_GetType, aegpGetType),
      PLENORIUM_SERVE(Table, AEGP_GetSize, aegpGetSize),
      PLENORIUM_SERVE(Table, AEGP_GetRowBytes, aegpGetRowBytes),
      PLENORIUM_SERVE(Table, AEGP_GetBaseAddr8, aegpGetBaseAddr<PixelDepth::U8, PF_Pixel8>),
      PLENORIUM_SERVE(Table, AEGP_GetBaseAddr16, aegpGetBaseAddr<PixelDepth::U16, PF_Pixel16>),
      PLENORIUM_SERVE(Table, AEGP_FillOutPFEffectWorld, aegpFillOutPFEffectWorld),
      PLENORIUM_ABSENT(Table, AEGP_FastBlur),
      PLENORIUM_ABSENT(Table, AEGP_NewPlatformWorld),
      PLENORIUM_ABSENT(Table, AEGP_DisposePlatformWorld),
      PLENORIUM_ABSENT(Table, AEGP_NewReferenceFromPlatformWorld),
  };
  if constexpr (requires { &Table::AEGP_GetBaseAddr32; }) {
    t.AEGP_GetBaseAddr32 = PLENORIUM_SLOT(Table, AEGP_GetBaseAddr32, aegpGetBaseAddr<PixelDepth::F32, PF_PixelFloat>);
  }
  return t;
}
#pragma GCC diagnostic pop

const AEGP_WorldSuite2 WORLD_SUITE_2 = aegpWorldTable<AEGP_WorldSuite2>();
const AEGP_WorldSuite3 WORLD_SUITE_3 = aegpWorldTable<AEGP_WorldSuite3>();

const PF_WorldSuite2 PF_WORLD_SUITE{
    PLENORIUM_SERVE(PF_WorldSuite2, PF_NewWorld, pfNewWorld),
    PLENORIUM_SERVE(PF_WorldSuite2, PF_DisposeWorld, pfDisposeWorld),
    PLENORIUM_SERVE(PF_WorldSuite2, PF_GetPixelFormat, pfGetPixelFormat),
};

const PF_WorldTransformSuite1 TRANSFORM_SUITE{
    PLENORIUM_ABSENT(PF_WorldTransformSuite1, composite_rect),
    PLENORIUM_ABSENT(PF_WorldTransformSuite1, blend),
    PLENORIUM_ABSENT(PF_WorldTransformSuite1, convolve),
    PLENORIUM_SERVE(PF_WorldTransformSuite1, copy, copyWorld),
    PLENORIUM_SERVE(PF_WorldTransformSuite1, copy_hq, copyWorld),
    PLENORIUM_SERVE(PF_WorldTransformSuite1, transfer_rect, transferRect),
    PLENORIUM_SERVE(PF_WorldTransformSuite1, transform_world, transformWorld),
};

const PF_FillMatteSuite2 FILL_SUITE{
    PLENORIUM_SERVE(PF_FillMatteSuite2, fill, fill<PixelDepth::U8, PF_Pixel>),
    PLENORIUM_SERVE(PF_FillMatteSuite2, fill16, fill<PixelDepth::U16, PF_Pixel16>),
    PLENORIUM_SERVE(PF_FillMatteSuite2, fill_float, fill<PixelDepth::F32, PF_PixelFloat>),
    PLENORIUM_ABSENT(PF_FillMatteSuite2, premultiply),
    PLENORIUM_ABSENT(PF_FillMatteSuite2, premultiply_color),
    PLENORIUM_ABSENT(PF_FillMatteSuite2, premultiply_color16),
    PLENORIUM_ABSENT(PF_FillMatteSuite2, premultiply_color_float),
};

// Variadic, so not made by the boundary: the host offers no application-specific calls.
PF_Err utilApp(PF_ProgPtr, A_long selector, ...) {
  if (HostCore* core = HostCore::current())
    core->traceCall("app", {{"selector", selector}, {"unimplemented", true}}, PF_Err_INVALID_CALLBACK);
  return PF_Err_INVALID_CALLBACK;
}

PF_UtilCallbacks utilCallbacks() {
  return PF_UtilCallbacks{
      PLENORIUM_ABSENT(PF_UtilCallbacks, begin_sampling),
      PLENORIUM_ABSENT(PF_UtilCallbacks, subpixel_sample),
      PLENORIUM_ABSENT(PF_UtilCallbacks, area_sample),
      .get_batch_func_is_deprecated = nullptr,  // a data member, never called
      PLENORIUM_ABSENT(PF_UtilCallbacks, end_sampling),
      PLENORIUM_ABSENT(PF_UtilCallbacks, composite_rect),
      PLENORIUM_ABSENT(PF_UtilCallbacks, blend),
      PLENORIUM_ABSENT(PF_UtilCallbacks, convolve),
      PLENORIUM_SERVE(PF_UtilCallbacks, copy, copyWorld),
      PLENORIUM_SERVE(PF_UtilCallbacks, fill, fill<PixelDepth::U8, PF_Pixel>),
      PLENORIUM_ABSENT(PF_UtilCallbacks, gaussian_kernel),
      PLENORIUM_ABSENT(PF_UtilCallbacks, iterate),
      PLENORIUM_ABSENT(PF_UtilCallbacks, premultiply),
      PLENORIUM_ABSENT(PF_UtilCallbacks, premultiply_color),
      PLENORIUM_SERVE(PF_UtilCallbacks, new_world, utilNewWorld),
      PLENORIUM_SERVE(PF_UtilCallbacks, dispose_world, pfDisposeWorld),
      PLENORIUM_ABSENT(PF_UtilCallbacks, iterate_origin),
      PLENORIUM_ABSENT(PF_UtilCallbacks, iterate_lut),
      PLENORIUM_SERVE(PF_UtilCallbacks, transfer_rect, transferRect),
      PLENORIUM_SERVE(PF_UtilCallbacks, transform_world, transformWorld),
      PLENORIUM_SERVE(PF_UtilCallbacks, host_new_handle, CoreServices::newHandle),
      PLENORIUM_SERVE(PF_UtilCallbacks, host_lock_handle, CoreServices::lockHandle),
      PLENORIUM_SERVE(PF_UtilCallbacks, host_unlock_handle, CoreServices::unlockHandle),
      PLENORIUM_SERVE(PF_UtilCallbacks, host_dispose_handle, CoreServices::disposeHandle),
      PLENORIUM_ABSENT(PF_UtilCallbacks, get_callback_addr),
      .app = &utilApp,
      .ansi = ansiCallbacks(),
      .colorCB = colorCallbacks(),
      PLENORIUM_SERVE(PF_UtilCallbacks, get_platform_data, CoreServices::platformData),
      PLENORIUM_SERVE(PF_UtilCallbacks, host_get_handle_size, CoreServices::handleSize),
      PLENORIUM_ABSENT(PF_UtilCallbacks, iterate_origin_non_clip_src),
      PLENORIUM_ABSENT(PF_UtilCallbacks, iterate_generic),
      PLENORIUM_SERVE(PF_UtilCallbacks, host_resize_handle, CoreServices::resizeHandle),
      PLENORIUM_ABSENT(PF_UtilCallbacks, subpixel_sample16),
      PLENORIUM_ABSENT(PF_UtilCallbacks, area_sample16),
      PLENORIUM_SERVE(PF_UtilCallbacks, fill16, fill<PixelDepth::U16, PF_Pixel16>),
      PLENORIUM_ABSENT(PF_UtilCallbacks, premultiply_color16),
      PLENORIUM_ABSENT(PF_UtilCallbacks, iterate16),
      PLENORIUM_ABSENT(PF_UtilCallbacks, iterate_origin16),
      PLENORIUM_ABSENT(PF_UtilCallbacks, iterate_origin_non_clip_src16),
      PLENORIUM_ABSENT(PF_UtilCallbacks, get_pixel_data8),
      PLENORIUM_ABSENT(PF_UtilCallbacks, get_pixel_data16),
      .reserved = {0},
  };
}

}  // namespace

PixelHost::PixelHost(HostCore& core, unsigned threads, std::size_t cacheBytes)
    : core_(core),
      engine_(threads, cacheBytes),
      kept_(engine_.budget(), [](const std::unique_ptr<World>& w) { return storageBytes(*w); }),
      utils_(utilCallbacks()) {
  core_.attach(this);
  core_.provideUtilCallbacks(&utils_);
  core_.checkHandlesWith(HandleType::WORLD,
                         [this](const void* h) { return handles_.count(static_cast<const World*>(h)) != 0; });
  SuiteRegistry& r = core_.suites();
  r.provide(kAEGPWorldSuite, kAEGPWorldSuiteVersion2, &WORLD_SUITE_2);
  r.provide(kAEGPWorldSuite, kAEGPWorldSuiteVersion3, &WORLD_SUITE_3);
  r.provide(kPFWorldSuite, kPFWorldSuiteVersion2, &PF_WORLD_SUITE);
  r.provide(kPFWorldTransformSuite, kPFWorldTransformSuiteVersion1, &TRANSFORM_SUITE);
  r.provide(kPFFillMatteSuite, kPFFillMatteSuiteVersion2, &FILL_SUITE);
}

PixelHost::~PixelHost() {
  core_.checkHandlesWith(HandleType::WORLD, nullptr);
  core_.provideUtilCallbacks(nullptr);
  core_.attach<PixelHost>(nullptr);
}

World& PixelHost::create(PixelDepth depth, A_long width, A_long height, bool clear) {
  std::unique_ptr<World> world;
  // Of the kept worlds of this size, one to be cleared is the one with the least drawn on it (a
  // screen-sized layer is cleared in its screen's rectangle, a decoded frame would be wholly).
  auto sameSize = [&](const std::unique_ptr<World>& w) {
    return w->depth() == depth && w->width() == width && w->height() == height;
  };
  auto toClear = [&](const std::unique_ptr<World>& w) {
    const PF_LRect& t = w->touched();
    return clear && !isEmpty(t) ? static_cast<double>(t.right - t.left) * static_cast<double>(t.bottom - t.top) : 0.0;
  };
  if (auto kept = kept_.takeCheapest(sameSize, toClear)) {
    world = std::move(*kept);
    if (clear) engine_.fill(*world, Color4{}, nullptr);  // clears only what was drawn
  } else {
    world = std::make_unique<World>(depth, width, height);
  }
  World& ref = *world;
  ref.setSerial(nextSerial_++);
  handles_.insert(&ref);
  worlds_.emplace(ref.data(), std::move(world));
  core_.accounting().take(WORLD_KIND);
  return ref;
}

bool PixelHost::dispose(const World* world) {
  if (world == nullptr || handles_.erase(world) == 0) return false;
  const auto it = worlds_.find(world->data());
  std::unique_ptr<World> disposed = std::move(it->second);
  worlds_.erase(it);
  core_.accounting().give(WORLD_KIND);
  // What was derived from its pixels goes now; its serial keys it among the kept.
  disposed->dropCaches();
  const std::uint64_t key = disposed->serial();
  kept_.put(key, std::move(disposed));
  return true;
}

World* PixelHost::find(const PF_EffectWorld* view) const {
  if (view == nullptr) return nullptr;
  const auto it = worlds_.find(view->data);
  return it == worlds_.end() ? nullptr : it->second.get();
}

World* PixelHost::find(AEGP_WorldH handle) const {
  auto* world = reinterpret_cast<World*>(handle);
  return handles_.count(world) != 0 ? world : nullptr;
}

}  // namespace plenorium::host
