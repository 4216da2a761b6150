#include "pixel_host.h"

#include <algorithm>

namespace plenorium::host {
namespace {

constexpr const char* WORLD_KIND = "world";
// How much disposed worlds are kept for reuse, at most.
constexpr std::size_t KEPT_BYTES = std::size_t{256} << 20;
constexpr std::size_t KEPT_WORLDS = 16;

std::size_t storageBytes(const World& world) {
  return static_cast<std::size_t>(world.rowBytes()) * static_cast<std::size_t>(world.height());
}

PixelHost* pixels() {
  HostCore* core = HostCore::current();
  return core == nullptr ? nullptr : core->service<PixelHost>();
}

void trace(const char* call, HostCore::TraceFields fields, A_Err result) {
  if (HostCore* core = HostCore::current()) core->traceCall(call, fields, result);
}

// For calls made thousands of times a frame: the record is built only when a trace is written.
bool tracing() {
  const HostCore* core = HostCore::current();
  return core != nullptr && core->tracing();
}

World* worldOf(AEGP_WorldH handle) {
  PixelHost* px = pixels();
  return px != nullptr ? px->find(handle) : nullptr;
}

bool depthOfType(AEGP_WorldType type, PixelDepth& depth) {
  switch (type) {
    case AEGP_WorldType_8: depth = PixelDepth::U8; return true;
    case AEGP_WorldType_16: depth = PixelDepth::U16; return true;
    case AEGP_WorldType_32: depth = PixelDepth::F32; return true;
    default: return false;
  }
}

bool depthOfFormat(PF_PixelFormat format, PixelDepth& depth) {
  switch (format) {
    case PF_PixelFormat_ARGB32: depth = PixelDepth::U8; return true;
    case PF_PixelFormat_ARGB64: depth = PixelDepth::U16; return true;
    case PF_PixelFormat_ARGB128: depth = PixelDepth::F32; return true;
    default: return false;
  }
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
A_Err aegpNew(AEGP_PluginID, AEGP_WorldType type, A_long width, A_long height, AEGP_WorldH* out) {
  PixelHost* px = pixels();
  PixelDepth depth{};
  A_Err err = A_Err_NONE;
  if (px == nullptr || out == nullptr || !depthOfType(type, depth) || width < 0 || height < 0) {
    err = A_Err_PARAMETER;
  } else {
    *out = PixelHost::handleOf(px->create(depth, width, height));
  }
  trace("AEGP_New", {{"type", type}, {"width", width}, {"height", height}}, err);
  return err;
}

A_Err aegpDispose(AEGP_WorldH handle) {
  PixelHost* px = pixels();
  const A_Err err = px != nullptr && px->dispose(px->find(handle)) ? A_Err_NONE : A_Err_PARAMETER;
  trace("AEGP_Dispose", {}, err);
  return err;
}

A_Err aegpGetType(AEGP_WorldH handle, AEGP_WorldType* type) {
  World* w = worldOf(handle);
  if (w == nullptr || type == nullptr) return A_Err_PARAMETER;
  *type = static_cast<AEGP_WorldType>(w->depth());
  return A_Err_NONE;
}

A_Err aegpGetSize(AEGP_WorldH handle, A_long* width, A_long* height) {
  World* w = worldOf(handle);
  if (w == nullptr || width == nullptr || height == nullptr) return A_Err_PARAMETER;
  *width = w->width();
  *height = w->height();
  return A_Err_NONE;
}

A_Err aegpGetRowBytes(AEGP_WorldH handle, A_u_long* rowBytes) {
  World* w = worldOf(handle);
  if (w == nullptr || rowBytes == nullptr) return A_Err_PARAMETER;
  *rowBytes = static_cast<A_u_long>(w->rowBytes());
  return A_Err_NONE;
}

// The raw address is for writing pixels directly, so the world may hold anything afterwards.
template <PixelDepth D, typename Pixel>
A_Err aegpGetBaseAddr(AEGP_WorldH handle, Pixel** base) {
  World* w = worldOf(handle);
  if (w == nullptr || base == nullptr || w->depth() != D) return A_Err_PARAMETER;
  w->markAllWritten();
  *base = reinterpret_cast<Pixel*>(w->data());
  return A_Err_NONE;
}

A_Err aegpFillOutPFEffectWorld(AEGP_WorldH handle, PF_EffectWorld* view) {
  World* w = worldOf(handle);
  const A_Err err = w != nullptr && view != nullptr ? A_Err_NONE : A_Err_PARAMETER;
  if (err == A_Err_NONE) *view = w->view();
  trace("AEGP_FillOutPFEffectWorld", {}, err);
  return err;
}

// --- PF World Suite 2 ---
PF_Err pfNewWorld(PF_ProgPtr, A_long width, A_long height, PF_Boolean, PF_PixelFormat format, PF_EffectWorld* view) {
  PixelHost* px = pixels();
  PixelDepth depth{};
  PF_Err err = PF_Err_NONE;
  if (px == nullptr || view == nullptr || !depthOfFormat(format, depth) || width < 0 || height < 0) {
    err = PF_Err_BAD_CALLBACK_PARAM;
  } else {
    *view = px->create(depth, width, height).view();  // new worlds are always clear
  }
  trace("PF_NewWorld", {{"width", width}, {"height", height}}, err);
  return err;
}

PF_Err pfDisposeWorld(PF_ProgPtr, PF_EffectWorld* view) {
  PixelHost* px = pixels();
  const PF_Err err = px != nullptr && px->dispose(px->find(view)) ? PF_Err_NONE : PF_Err_BAD_CALLBACK_PARAM;
  trace("PF_DisposeWorld", {}, err);
  return err;
}

PF_Err pfGetPixelFormat(const PF_EffectWorld* view, PF_PixelFormat* format) {
  PixelHost* px = pixels();
  World* w = px != nullptr ? px->find(view) : nullptr;
  const PF_Err err = w != nullptr && format != nullptr ? PF_Err_NONE : PF_Err_BAD_CALLBACK_PARAM;
  if (err == PF_Err_NONE) *format = pixelFormat(w->depth());
  trace("PF_GetPixelFormat", {}, err);
  return err;
}

// --- fills ---
PF_Err fillWith(const PF_Rect* rect, PF_EffectWorld* view, const Color4& color, const char* call) {
  PixelHost* px = pixels();
  World* w = px != nullptr ? px->find(view) : nullptr;
  const PF_Err err = w != nullptr ? PF_Err_NONE : PF_Err_BAD_CALLBACK_PARAM;
  if (err == PF_Err_NONE) px->engine().fill(*w, color, rect);
  if (tracing()) trace(call, {{"whole", rect == nullptr}}, err);
  return err;
}

PF_Err fill8(PF_ProgPtr, const PF_Pixel* color, const PF_Rect* rect, PF_EffectWorld* view) {
  Color4 c{};
  if (color != nullptr) c = loadStraight<PixelDepth::U8>(*color);
  return fillWith(rect, view, c, "fill");
}

PF_Err fill16(PF_ProgPtr, const PF_Pixel16* color, const PF_Rect* rect, PF_EffectWorld* view) {
  Color4 c{};
  if (color != nullptr) c = loadStraight<PixelDepth::U16>(*color);
  return fillWith(rect, view, c, "fill16");
}

PF_Err fillFloat(PF_ProgPtr, const PF_PixelFloat* color, const PF_Rect* rect, PF_EffectWorld* view) {
  Color4 c{};
  if (color != nullptr) c = loadStraight<PixelDepth::F32>(*color);
  return fillWith(rect, view, c, "fill_float");
}

// --- transforms and transfers ---
PF_Err transformWorld(PF_ProgPtr, PF_Quality quality, PF_ModeFlags, PF_Field, const PF_EffectWorld* srcView,
                      const PF_CompositeMode* mode, const PF_MaskWorld* mask, const PF_FloatMatrix* matrices,
                      A_long count, PF_Boolean srcToDst, const PF_Rect* destRect, PF_EffectWorld* dstView) {
  PixelHost* px = pixels();
  World* src = px != nullptr ? px->find(srcView) : nullptr;
  World* dst = px != nullptr ? px->find(dstView) : nullptr;
  PF_Err err = PF_Err_NONE;
  if (src == nullptr || dst == nullptr || matrices == nullptr || count < 1) {
    err = PF_Err_BAD_CALLBACK_PARAM;
  } else {
    const CompositeSpec spec = compositeSpec(*px, mode, mask);
    if (mask != nullptr && spec.mask == nullptr) {
      err = PF_Err_BAD_CALLBACK_PARAM;
    } else {
      // Several matrices describe motion blur; the wall never asks for it, so the first is used.
      px->engine().transformWorld(*src, *dst, matrices[0], srcToDst != 0, spec, rectOr(destRect, *dst));
    }
  }
  if (tracing())
    trace("transform_world",
        {{"quality", quality}, {"mode", mode != nullptr ? mode->xfer : -1}, {"opacity", mode != nullptr ? mode->opacity : 255},
         {"mask", mask != nullptr}},
        err);
  return err;
}

PF_Err transferRect(PF_ProgPtr, PF_Quality, PF_ModeFlags, PF_Field, const PF_Rect* srcRect,
                    const PF_EffectWorld* srcView, const PF_CompositeMode* mode, const PF_MaskWorld* mask,
                    A_long destX, A_long destY, PF_EffectWorld* dstView) {
  PixelHost* px = pixels();
  World* src = px != nullptr ? px->find(srcView) : nullptr;
  World* dst = px != nullptr ? px->find(dstView) : nullptr;
  PF_Err err = PF_Err_NONE;
  if (src == nullptr || dst == nullptr) {
    err = PF_Err_BAD_CALLBACK_PARAM;
  } else {
    const CompositeSpec spec = compositeSpec(*px, mode, mask);
    if (mask != nullptr && spec.mask == nullptr) {
      err = PF_Err_BAD_CALLBACK_PARAM;
    } else {
      px->engine().transferRect(*src, rectOr(srcRect, *src), *dst, destX, destY, spec);
    }
  }
  if (tracing()) trace("transfer_rect", {{"x", destX}, {"y", destY}, {"mask", mask != nullptr}}, err);
  return err;
}

PF_Err copyWorld(PF_ProgPtr ref, PF_EffectWorld* srcView, PF_EffectWorld* dstView, PF_Rect* srcRect, PF_Rect* dstRect) {
  const PF_CompositeMode copy{PF_Xfer_COPY, 0, 255, 0, 0};
  const A_long x = dstRect != nullptr ? dstRect->left : 0;
  const A_long y = dstRect != nullptr ? dstRect->top : 0;
  return transferRect(ref, PF_Quality_HI, PF_MF_Alpha_STRAIGHT, PF_Field_FRAME, srcRect, srcView, &copy, nullptr, x, y,
                      dstView);
}

PF_Err utilNewWorld(PF_ProgPtr ref, A_long width, A_long height, A_long flags, PF_EffectWorld* view) {
  return pfNewWorld(ref, width, height, 1, (flags & PF_WorldFlag_DEEP) ? PF_PixelFormat_ARGB64 : PF_PixelFormat_ARGB32,
                    view);
}

}  // namespace

PixelHost::PixelHost(HostCore& core, unsigned threads) : core_(core), engine_(threads) {
  core_.attach(this);

  worldSuite_.AEGP_New = &aegpNew;
  worldSuite_.AEGP_Dispose = &aegpDispose;
  worldSuite_.AEGP_GetType = &aegpGetType;
  worldSuite_.AEGP_GetSize = &aegpGetSize;
  worldSuite_.AEGP_GetRowBytes = &aegpGetRowBytes;
  worldSuite_.AEGP_GetBaseAddr8 = &aegpGetBaseAddr<PixelDepth::U8, PF_Pixel8>;
  worldSuite_.AEGP_GetBaseAddr16 = &aegpGetBaseAddr<PixelDepth::U16, PF_Pixel16>;
  worldSuite_.AEGP_GetBaseAddr32 = &aegpGetBaseAddr<PixelDepth::F32, PF_PixelFloat>;
  worldSuite_.AEGP_FillOutPFEffectWorld = &aegpFillOutPFEffectWorld;
  core_.suites().provide(kAEGPWorldSuite, kAEGPWorldSuiteVersion2, &worldSuite_);
  core_.suites().provide(kAEGPWorldSuite, kAEGPWorldSuiteVersion3, &worldSuite_);

  pfWorldSuite_.PF_NewWorld = &pfNewWorld;
  pfWorldSuite_.PF_DisposeWorld = &pfDisposeWorld;
  pfWorldSuite_.PF_GetPixelFormat = &pfGetPixelFormat;
  core_.suites().provide(kPFWorldSuite, kPFWorldSuiteVersion2, &pfWorldSuite_);

  transformSuite_.copy = &copyWorld;
  transformSuite_.copy_hq = &copyWorld;
  transformSuite_.transfer_rect = &transferRect;
  transformSuite_.transform_world = &transformWorld;
  core_.suites().provide(kPFWorldTransformSuite, kPFWorldTransformSuiteVersion1, &transformSuite_);

  fillSuite_.fill = &fill8;
  fillSuite_.fill16 = &fill16;
  fillSuite_.fill_float = &fillFloat;
  core_.suites().provide(kPFFillMatteSuite, kPFFillMatteSuiteVersion2, &fillSuite_);

  PF_UtilCallbacks* utils = core_.utils();
  utils->fill = &fill8;
  utils->fill16 = &fill16;
  utils->copy = &copyWorld;
  utils->transfer_rect = &transferRect;
  utils->transform_world = &transformWorld;
  utils->new_world = &utilNewWorld;
  utils->dispose_world = &pfDisposeWorld;
}

PixelHost::~PixelHost() { core_.attach<PixelHost>(nullptr); }

World& PixelHost::create(PixelDepth depth, A_long width, A_long height) {
  std::unique_ptr<World> world;
  const auto kept = std::find_if(kept_.begin(), kept_.end(), [&](const std::unique_ptr<World>& w) {
    return w->depth() == depth && w->width() == width && w->height() == height;
  });
  if (kept != kept_.end()) {
    world = std::move(*kept);
    kept_.erase(kept);
    keptBytes_ -= storageBytes(*world);
    engine_.fill(*world, Color4{}, nullptr);  // clears only what was drawn
    world->dropCaches();
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
  keptBytes_ += storageBytes(*disposed);
  kept_.push_front(std::move(disposed));
  while (keptBytes_ > KEPT_BYTES || kept_.size() > KEPT_WORLDS) {
    keptBytes_ -= storageBytes(*kept_.back());
    kept_.pop_back();
  }
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
