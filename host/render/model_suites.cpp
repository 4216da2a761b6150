#include "model_suites.h"

#include <cstring>
#include <memory>

#include "c_boundary.h"
#include "effect_context.h"
#include "host_error.h"
#include "host_units.h"
#include "render_session.h"

namespace plenorium::host {
namespace {

// The session the project suites serve. The suites are offered only while a session is
// attached, so a call without one is a fault of the host itself.
RenderSession& session(Call& c) {
  RenderSession* s = c.service<RenderSession>();
  if (s == nullptr) throw HostError("a project suite was called with no render session");
  return *s;
}

// Hands out a new handle of `kind`; the boundary refuses it once it has been taken back.
template <typename T>
T* adopt(Call& c, std::unique_ptr<T> object, HandleKind kind) {
  session(c).handles().add(kind, object.get());
  return object.release();
}

// Takes a handle back; `destroy` says whether the object is the host's to delete.
template <typename T>
bool release(Call& c, T* object, HandleKind kind, bool destroy = true) {
  if (object == nullptr || !session(c).handles().remove(kind, object)) return false;
  if (destroy) delete object;
  return true;
}

// Handles reach these functions only after the boundary has checked them.
Layer* layerOf(AEGP_LayerH h) {
  return reinterpret_cast<Layer*>(h);
}
AEGP_LayerH handleOf(const Layer* l) {
  return reinterpret_cast<AEGP_LayerH>(const_cast<Layer*>(l));
}
Composition* compOf(AEGP_CompH h) {
  return reinterpret_cast<Composition*>(h);
}
AEGP_CompH handleOf(const Composition* c) {
  return reinterpret_cast<AEGP_CompH>(const_cast<Composition*>(c));
}
Item* itemOf(AEGP_ItemH h) {
  return reinterpret_cast<Item*>(h);
}
AEGP_ItemH handleOf(const Item* i) {
  return reinterpret_cast<AEGP_ItemH>(const_cast<Item*>(i));
}
EffectRefObject* effectOf(AEGP_EffectRefH h) {
  return reinterpret_cast<EffectRefObject*>(h);
}
StreamRefObject* streamOf(AEGP_StreamRefH h) {
  return reinterpret_cast<StreamRefObject*>(h);
}
RenderOptionsObject* optionsOf(AEGP_RenderOptionsH h) {
  return reinterpret_cast<RenderOptionsObject*>(h);
}
ReceiptObject* receiptOf(AEGP_FrameReceiptH h) {
  return reinterpret_cast<ReceiptObject*>(h);
}

// --- "AEGP PF Interface Suite" 1 ---
A_Err getEffectLayer(Call&, PF_ProgPtr ref, AEGP_LayerH* layer) {
  EffectContext* c = contextOf(ref);
  if (c->layer == nullptr || layer == nullptr) return A_Err_PARAMETER;
  *layer = handleOf(c->layer);
  return A_Err_NONE;
}

A_Err getNewEffectForEffect(Call& call, AEGP_PluginID, PF_ProgPtr ref, AEGP_EffectRefH* effect) {
  EffectContext* c = contextOf(ref);
  if (c->effect == nullptr || effect == nullptr) return A_Err_PARAMETER;
  *effect = reinterpret_cast<AEGP_EffectRefH>(
      adopt(call, std::make_unique<EffectRefObject>(EffectRefObject{c->layer, c->effect}), HandleKind::EFFECT_REF));
  return A_Err_NONE;
}

// --- "AEGP Effect Suite" 3 ---
A_Err disposeEffect(Call& c, AEGP_EffectRefH h) {
  return release(c, effectOf(h), HandleKind::EFFECT_REF) ? A_Err_NONE : A_Err_PARAMETER;
}

A_Err getLayerNumEffects(Call& c, AEGP_LayerH layer, A_long* count) {
  if (count == nullptr) return A_Err_PARAMETER;
  *count = static_cast<A_long>(layerOf(layer)->effects.size());
  c.note("count", *count);
  return A_Err_NONE;
}

A_Err getLayerEffectByIndex(Call& c, AEGP_PluginID, AEGP_LayerH layer, AEGP_EffectIndex index,
                            AEGP_EffectRefH* effect) {
  c.note("index", index);
  Layer* l = layerOf(layer);
  if (effect == nullptr || index < 0 || index >= static_cast<A_long>(l->effects.size())) return A_Err_PARAMETER;
  *effect = reinterpret_cast<AEGP_EffectRefH>(
      adopt(c, std::make_unique<EffectRefObject>(EffectRefObject{l, l->effects[static_cast<std::size_t>(index)].get()}),
            HandleKind::EFFECT_REF));
  return A_Err_NONE;
}

// --- "AEGP Stream Suite" 7 and 9 ---
AEGP_StreamType streamType(const StreamRefObject& s) {
  if (s.effect == nullptr) {
    return s.index == AEGP_LayerStream_ROTATION || s.index == AEGP_LayerStream_OPACITY ? AEGP_StreamType_OneD
                                                                                       : AEGP_StreamType_TwoD;
  }
  switch (s.effect->schema->at(s.index).def.param_type) {
    case PF_Param_POINT: return AEGP_StreamType_TwoD_SPATIAL;
    case PF_Param_LAYER: return AEGP_StreamType_LAYER_ID;
    case PF_Param_GROUP_START:
    case PF_Param_GROUP_END: return AEGP_StreamType_NO_DATA;
    default: return AEGP_StreamType_OneD;
  }
}

A_Err getEffectNumParamStreams(Call&, AEGP_EffectRefH h, A_long* count) {
  if (count == nullptr) return A_Err_PARAMETER;
  *count = static_cast<A_long>(effectOf(h)->effect->params.size());
  return A_Err_NONE;
}

A_Err getNewEffectStreamByIndex(Call& c, AEGP_PluginID, AEGP_EffectRefH h, PF_ParamIndex index,
                                AEGP_StreamRefH* stream) {
  c.note("index", index);
  EffectRefObject* e = effectOf(h);
  if (stream == nullptr || index < 0 || index >= static_cast<A_long>(e->effect->params.size())) return A_Err_PARAMETER;
  *stream = reinterpret_cast<AEGP_StreamRefH>(
      adopt(c,
            std::make_unique<StreamRefObject>(
                StreamRefObject{e->layer, e->effect, index, &e->effect->params[static_cast<std::size_t>(index)]}),
            HandleKind::STREAM));
  return A_Err_NONE;
}

A_Err getNewLayerStream(Call& c, AEGP_PluginID, AEGP_LayerH layer, AEGP_LayerStream which, AEGP_StreamRefH* stream) {
  c.note("which", which);
  if (stream == nullptr) return A_Err_PARAMETER;
  LayerTransform& t = layerOf(layer)->transform;
  Stream* s = nullptr;
  switch (which) {
    case AEGP_LayerStream_ANCHORPOINT: s = &t.anchor; break;
    case AEGP_LayerStream_POSITION: s = &t.position; break;
    case AEGP_LayerStream_SCALE: s = &t.scale; break;
    case AEGP_LayerStream_ROTATION: s = &t.rotation; break;
    case AEGP_LayerStream_OPACITY: s = &t.opacity; break;
    default: return A_Err_PARAMETER;
  }
  *stream = reinterpret_cast<AEGP_StreamRefH>(adopt(
      c, std::make_unique<StreamRefObject>(StreamRefObject{layerOf(layer), nullptr, which, s}), HandleKind::STREAM));
  return A_Err_NONE;
}

A_Err disposeStream(Call& c, AEGP_StreamRefH h) {
  return release(c, streamOf(h), HandleKind::STREAM) ? A_Err_NONE : A_Err_PARAMETER;
}

A_Err getStreamType(Call&, AEGP_StreamRefH h, AEGP_StreamType* type) {
  if (type == nullptr) return A_Err_PARAMETER;
  *type = streamType(*streamOf(h));
  return A_Err_NONE;
}

// Fills the value record of either version of the stream suite; both hold the same union.
template <typename Record>
A_Err getNewStreamValue(Call& c, AEGP_PluginID, AEGP_StreamRefH h, AEGP_LTimeMode mode, const A_Time* time,
                        A_Boolean preExpression, Record* value) {
  StreamRefObject* s = streamOf(h);
  c.note("index", s->index);
  c.note("preExpression", preExpression != 0);
  if (time == nullptr || value == nullptr || time->scale == 0) return A_Err_PARAMETER;
  c.note("time", time->value);
  c.note("scale", time->scale);
  double seconds = secondsOf(*time);
  if (mode == AEGP_LTimeMode_CompTime) seconds = s->layer->layerTime(seconds);
  const StreamValue v = session(c).streamValue(*s->layer, s->effect, s->index, *s->stream, seconds, preExpression != 0);
  std::memset(value, 0, sizeof(*value));
  value->streamH = h;
  switch (streamType(*s)) {
    case AEGP_StreamType_LAYER_ID: value->val.layer_id = static_cast<AEGP_LayerIDVal>(v[0]); break;
    case AEGP_StreamType_TwoD:
    case AEGP_StreamType_TwoD_SPATIAL: value->val.two_d = {v[0], v[1]}; break;
    default: value->val.one_d = v[0]; break;
  }
  session(c).handles().add(HandleKind::STREAM_VALUE, value);
  return A_Err_NONE;
}

template <typename Record>
A_Err disposeStreamValue(Call& c, Record* value) {
  // The value record belongs to the caller: only the count is given back.
  return release(c, value, HandleKind::STREAM_VALUE, false) ? A_Err_NONE : A_Err_PARAMETER;
}

template <typename Record>
A_Err setStreamValue(Call& c, AEGP_PluginID, AEGP_StreamRefH h, Record* value) {
  StreamRefObject* s = streamOf(h);
  c.note("index", s->index);
  if (value == nullptr) return A_Err_PARAMETER;
  c.note("layerId", value->val.layer_id);
  switch (streamType(*s)) {
    case AEGP_StreamType_LAYER_ID: s->stream->setConstant({static_cast<double>(value->val.layer_id), 0}); break;
    case AEGP_StreamType_TwoD:
    case AEGP_StreamType_TwoD_SPATIAL: s->stream->setConstant({value->val.two_d.x, value->val.two_d.y}); break;
    case AEGP_StreamType_NO_DATA: return A_Err_PARAMETER;
    default: s->stream->setConstant({value->val.one_d, 0}); break;
  }
  session(c).streamsChanged();
  return A_Err_NONE;
}

A_Err getExpressionState(Call&, AEGP_PluginID, AEGP_StreamRefH h, A_Boolean* enabled) {
  if (enabled == nullptr) return A_Err_PARAMETER;
  const Stream& s = *streamOf(h)->stream;
  *enabled = s.expressionEnabled() && !s.expression().empty();
  return A_Err_NONE;
}

A_Err setExpressionState(Call& c, AEGP_PluginID, AEGP_StreamRefH h, A_Boolean enabled) {
  streamOf(h)->stream->setExpressionEnabled(enabled != 0);
  session(c).streamsChanged();
  return A_Err_NONE;
}

A_Err getExpression(Call& c, AEGP_PluginID, AEGP_StreamRefH h, AEGP_MemHandle* text) {
  StreamRefObject* s = streamOf(h);
  c.note("index", s->index);
  if (text == nullptr) return A_Err_PARAMETER;
  const std::string& e = s->stream->expression();
  c.note("has", !e.empty());
  if (e.empty()) {
    *text = nullptr;
    return A_Err_NONE;
  }
  void** block = c.host().memHandles().allocate(e.size() + 1);
  std::memcpy(*block, e.c_str(), e.size() + 1);
  *text = reinterpret_cast<AEGP_MemHandle>(block);
  return A_Err_NONE;
}

A_Err setExpression(Call& c, AEGP_PluginID, AEGP_StreamRefH h, const A_char* text) {
  StreamRefObject* s = streamOf(h);
  c.note("index", s->index);
  if (text == nullptr) return A_Err_PARAMETER;
  s->stream->setExpression(text);
  session(c).streamsChanged();
  return A_Err_NONE;
}

A_Err isStreamTimevarying(Call&, AEGP_StreamRefH h, A_Boolean* varies) {
  if (varies == nullptr) return A_Err_PARAMETER;
  *varies = streamOf(h)->stream->isAnimated();
  return A_Err_NONE;
}

// --- "AEGP Dynamic Stream Suite" 5 ---
A_Err getDynamicStreamFlags(Call& c, AEGP_StreamRefH h, AEGP_DynStreamFlags* flags) {
  StreamRefObject* s = streamOf(h);
  c.note("index", s->index);
  if (flags == nullptr) return A_Err_PARAMETER;
  *flags = AEGP_DynStreamFlag_ACTIVE_EYEBALL;
  if (s->stream->hidden()) *flags |= AEGP_DynStreamFlag_HIDDEN;
  return A_Err_NONE;
}

A_Err setDynamicStreamFlag(Call& c, AEGP_StreamRefH h, AEGP_DynStreamFlags flag, A_Boolean undoable, A_Boolean set) {
  StreamRefObject* s = streamOf(h);
  c.note("index", s->index);
  c.note("flag", flag);
  c.note("undoable", undoable != 0);
  c.note("set", set != 0);
  if (flag != AEGP_DynStreamFlag_HIDDEN) return A_Err_PARAMETER;  // the host keeps only the hidden flag
  s->stream->setHidden(set != 0);
  return A_Err_NONE;
}

// --- "AEGP Layer Suite" 11 and 13 ---
A_Err getCompNumLayers(Call& c, AEGP_CompH comp, A_long* count) {
  if (count == nullptr) return A_Err_PARAMETER;
  *count = static_cast<A_long>(compOf(comp)->layers.size());
  c.note("count", *count);
  return A_Err_NONE;
}

A_Err getCompLayerByIndex(Call& c, AEGP_CompH comp, A_long index, AEGP_LayerH* layer) {
  c.note("index", index);
  const Composition* k = compOf(comp);
  if (layer == nullptr || index < 0 || index >= static_cast<A_long>(k->layers.size())) return A_Err_PARAMETER;
  *layer = handleOf(k->layers[static_cast<std::size_t>(index)].get());
  return A_Err_NONE;
}

A_Err getLayerIndex(Call&, AEGP_LayerH layer, A_long* index) {
  if (index == nullptr) return A_Err_PARAMETER;
  *index = layerOf(layer)->parent->indexOf(layerOf(layer));
  return A_Err_NONE;
}

A_Err getLayerSourceItem(Call&, AEGP_LayerH layer, AEGP_ItemH* item) {
  if (item == nullptr) return A_Err_PARAMETER;
  *item = handleOf(layerOf(layer)->source);
  return A_Err_NONE;
}

A_Err getLayerSourceItemID(Call&, AEGP_LayerH layer, A_long* id) {
  if (id == nullptr) return A_Err_PARAMETER;
  *id = layerOf(layer)->source != nullptr ? layerOf(layer)->source->id : 0;
  return A_Err_NONE;
}

A_Err getLayerParentComp(Call&, AEGP_LayerH layer, AEGP_CompH* comp) {
  if (comp == nullptr) return A_Err_PARAMETER;
  *comp = handleOf(layerOf(layer)->parent);
  return A_Err_NONE;
}

A_Err getLayerFlags(Call&, AEGP_LayerH layer, AEGP_LayerFlags* flags) {
  if (flags == nullptr) return A_Err_PARAMETER;
  const Layer* l = layerOf(layer);
  *flags = (l->visible ? AEGP_LayerFlag_VIDEO_ACTIVE : 0) | AEGP_LayerFlag_EFFECTS_ACTIVE |
           (l->kind == LayerKind::NULL_LAYER ? AEGP_LayerFlag_NULL_LAYER : 0);
  return A_Err_NONE;
}

A_Err getLayerObjectType(Call& c, AEGP_LayerH layer, AEGP_ObjectType* type) {
  if (type == nullptr) return A_Err_PARAMETER;
  switch (layerOf(layer)->kind) {
    case LayerKind::CAMERA: *type = AEGP_ObjectType_CAMERA; break;
    case LayerKind::LIGHT: *type = AEGP_ObjectType_LIGHT; break;
    default: *type = AEGP_ObjectType_AV; break;
  }
  c.note("type", *type);
  return A_Err_NONE;
}

A_Err getLayerID(Call& c, AEGP_LayerH layer, AEGP_LayerIDVal* id) {
  if (id == nullptr) return A_Err_PARAMETER;
  *id = layerOf(layer)->id;
  c.note("id", *id);
  return A_Err_NONE;
}

A_Err getLayerFromLayerID(Call& c, AEGP_CompH comp, AEGP_LayerIDVal id, AEGP_LayerH* layer) {
  c.note("id", id);
  if (layer == nullptr) return A_Err_PARAMETER;
  const Layer* l = compOf(comp)->layerById(id);
  if (l == nullptr) return A_Err_PARAMETER;
  *layer = handleOf(l);
  return A_Err_NONE;
}

A_Err getLayerOffset(Call&, AEGP_LayerH layer, A_Time* offset) {
  if (offset == nullptr) return A_Err_PARAMETER;
  const Layer* l = layerOf(layer);
  offset->scale = l->parent->rate.timeScale;
  offset->value = static_cast<A_long>(std::llround(l->startTime * offset->scale));
  return A_Err_NONE;
}

A_Err isLayer3D(Call&, AEGP_LayerH, A_Boolean* is3D) {
  if (is3D == nullptr) return A_Err_PARAMETER;
  *is3D = 0;
  return A_Err_NONE;
}

// --- "AEGP Comp Suite" 15 ---
A_Err getCompFromItem(Call&, AEGP_ItemH item, AEGP_CompH* comp) {
  if (comp == nullptr || itemOf(item)->kind != ItemKind::COMP) return A_Err_PARAMETER;
  *comp = handleOf(itemOf(item)->comp.get());
  return A_Err_NONE;
}

A_Err getItemFromComp(Call&, AEGP_CompH comp, AEGP_ItemH* item) {
  if (item == nullptr) return A_Err_PARAMETER;
  *item = handleOf(compOf(comp)->item);
  return A_Err_NONE;
}

A_Err getCompFramerate(Call&, AEGP_CompH comp, A_FpLong* fps) {
  if (fps == nullptr) return A_Err_PARAMETER;
  *fps = compOf(comp)->rate.fps();
  return A_Err_NONE;
}

A_Err getCompFrameDuration(Call&, AEGP_CompH comp, A_Time* duration) {
  if (duration == nullptr) return A_Err_PARAMETER;
  *duration = {compOf(comp)->rate.frameTicks, compOf(comp)->rate.timeScale};
  return A_Err_NONE;
}

A_Err getCompBGColor(Call&, AEGP_CompH comp, AEGP_ColorVal* color) {
  if (color == nullptr) return A_Err_PARAMETER;
  const ColorRGBA& k = compOf(comp)->background;
  *color = {k[3], k[0], k[1], k[2]};
  return A_Err_NONE;
}

// --- "AEGP Item Suite" 13 ---
A_Err getItemType(Call& c, AEGP_ItemH item, AEGP_ItemType* type) {
  if (type == nullptr) return A_Err_PARAMETER;
  *type = itemOf(item)->kind == ItemKind::COMP ? AEGP_ItemType_COMP : AEGP_ItemType_FOOTAGE;
  c.note("type", *type);
  return A_Err_NONE;
}

A_Err getItemDimensions(Call&, AEGP_ItemH item, A_long* width, A_long* height) {
  if (width == nullptr || height == nullptr) return A_Err_PARAMETER;
  *width = itemOf(item)->width;
  *height = itemOf(item)->height;
  return A_Err_NONE;
}

A_Err getItemID(Call&, AEGP_ItemH item, A_long* id) {
  if (id == nullptr) return A_Err_PARAMETER;
  *id = itemOf(item)->id;
  return A_Err_NONE;
}

A_Err getItemDuration(Call&, AEGP_ItemH item, A_Time* duration) {
  if (duration == nullptr) return A_Err_PARAMETER;
  const Item* i = itemOf(item);
  duration->scale = i->rate.timeScale;
  duration->value = static_cast<A_long>(std::llround(i->duration * duration->scale));
  return A_Err_NONE;
}

A_Err getItemPixelAspectRatio(Call&, AEGP_ItemH item, A_Ratio* ratio) {
  if (ratio == nullptr) return A_Err_PARAMETER;
  *ratio = {static_cast<A_long>(std::lround(itemOf(item)->pixelAspect * 1000)), 1000};
  return A_Err_NONE;
}

// --- "AEGP Render Options Suite" 3 ---
A_Err newRenderOptions(Call& c, AEGP_PluginID, AEGP_ItemH item, AEGP_RenderOptionsH* options) {
  c.note("item", itemOf(item)->name);
  if (options == nullptr) return A_Err_PARAMETER;
  *options = reinterpret_cast<AEGP_RenderOptionsH>(
      adopt(c, std::make_unique<RenderOptionsObject>(RenderOptionsObject{itemOf(item)}), HandleKind::RENDER_OPTIONS));
  return A_Err_NONE;
}

A_Err duplicateRenderOptions(Call& c, AEGP_PluginID, AEGP_RenderOptionsH h, AEGP_RenderOptionsH* copy) {
  if (copy == nullptr) return A_Err_PARAMETER;
  *copy = reinterpret_cast<AEGP_RenderOptionsH>(
      adopt(c, std::make_unique<RenderOptionsObject>(*optionsOf(h)), HandleKind::RENDER_OPTIONS));
  return A_Err_NONE;
}

A_Err disposeRenderOptions(Call& c, AEGP_RenderOptionsH h) {
  return release(c, optionsOf(h), HandleKind::RENDER_OPTIONS) ? A_Err_NONE : A_Err_PARAMETER;
}

A_Err setRenderTime(Call& c, AEGP_RenderOptionsH h, A_Time time) {
  c.note("time", time.value);
  c.note("scale", time.scale);
  if (time.scale == 0) return A_Err_PARAMETER;
  optionsOf(h)->time = time;
  return A_Err_NONE;
}

A_Err getRenderTime(Call&, AEGP_RenderOptionsH h, A_Time* time) {
  if (time == nullptr) return A_Err_PARAMETER;
  *time = optionsOf(h)->time;
  return A_Err_NONE;
}

A_Err setWorldType(Call& c, AEGP_RenderOptionsH h, AEGP_WorldType type) {
  c.note("type", type);
  if (depthOfWorldType(type) == DepthCode::NONE) return A_Err_PARAMETER;
  optionsOf(h)->worldType = type;
  return A_Err_NONE;
}

A_Err getWorldType(Call&, AEGP_RenderOptionsH h, AEGP_WorldType* type) {
  if (type == nullptr) return A_Err_PARAMETER;
  *type = optionsOf(h)->worldType;
  return A_Err_NONE;
}

A_Err setDownsampleFactor(Call& c, AEGP_RenderOptionsH h, A_short x, A_short y) {
  c.note("x", x);
  c.note("y", y);
  if (x < 1 || y < 1) return A_Err_PARAMETER;
  optionsOf(h)->downsampleX = x;
  optionsOf(h)->downsampleY = y;
  return A_Err_NONE;
}

A_Err getDownsampleFactor(Call&, AEGP_RenderOptionsH h, A_short* x, A_short* y) {
  if (x == nullptr || y == nullptr) return A_Err_PARAMETER;
  *x = optionsOf(h)->downsampleX;
  *y = optionsOf(h)->downsampleY;
  return A_Err_NONE;
}

// --- "AEGP Render Suite" 2 ---
A_Err renderAndCheckoutFrame(Call& c, AEGP_RenderOptionsH h, AEGP_RenderSuiteCheckForCancelv1, AEGP_CancelRefcon,
                             AEGP_FrameReceiptH* receipt) {
  RenderOptionsObject* o = optionsOf(h);
  c.note("time", o->time.value);
  if (receipt == nullptr || o->item == nullptr) return A_Err_PARAMETER;
  RenderSettings settings;
  settings.depth = depthOfWorldType(o->worldType);
  settings.downsample = std::clamp<int>(o->downsampleX, 1, 64);
  try {
    auto r =
        std::make_unique<ReceiptObject>(ReceiptObject{session(c).renderItem(*o->item, secondsOf(o->time), settings)});
    *receipt = reinterpret_cast<AEGP_FrameReceiptH>(adopt(c, std::move(r), HandleKind::RECEIPT));
  } catch (const HostError&) {
    return A_Err_GENERIC;
  }
  return A_Err_NONE;
}

A_Err checkinFrame(Call& c, AEGP_FrameReceiptH h) {
  return release(c, receiptOf(h), HandleKind::RECEIPT) ? A_Err_NONE : A_Err_PARAMETER;
}

A_Err getReceiptWorld(Call&, AEGP_FrameReceiptH h, AEGP_WorldH* world) {
  ReceiptObject* r = receiptOf(h);
  if (world == nullptr || !r->world || !*r->world) return A_Err_PARAMETER;
  *world = PixelHost::handleOf(**r->world);
  return A_Err_NONE;
}

const AEGP_PFInterfaceSuite1 PF_INTERFACE_SUITE{
    PLENORIUM_SERVE(AEGP_PFInterfaceSuite1, AEGP_GetEffectLayer, getEffectLayer),
    PLENORIUM_SERVE(AEGP_PFInterfaceSuite1, AEGP_GetNewEffectForEffect, getNewEffectForEffect),
    PLENORIUM_ABSENT(AEGP_PFInterfaceSuite1, AEGP_ConvertEffectToCompTime),
    PLENORIUM_ABSENT(AEGP_PFInterfaceSuite1, AEGP_GetEffectCamera),
    PLENORIUM_ABSENT(AEGP_PFInterfaceSuite1, AEGP_GetEffectCameraMatrix),
};

const AEGP_EffectSuite3 EFFECT_SUITE{
    PLENORIUM_SERVE(AEGP_EffectSuite3, AEGP_GetLayerNumEffects, getLayerNumEffects),
    PLENORIUM_SERVE(AEGP_EffectSuite3, AEGP_GetLayerEffectByIndex, getLayerEffectByIndex),
    PLENORIUM_ABSENT(AEGP_EffectSuite3, AEGP_GetInstalledKeyFromLayerEffect),
    PLENORIUM_ABSENT(AEGP_EffectSuite3, AEGP_GetEffectParamUnionByIndex),
    PLENORIUM_ABSENT(AEGP_EffectSuite3, AEGP_GetEffectFlags),
    PLENORIUM_ABSENT(AEGP_EffectSuite3, AEGP_SetEffectFlags),
    PLENORIUM_ABSENT(AEGP_EffectSuite3, AEGP_ReorderEffect),
    PLENORIUM_ABSENT(AEGP_EffectSuite3, AEGP_EffectCallGeneric),
    PLENORIUM_SERVE(AEGP_EffectSuite3, AEGP_DisposeEffect, disposeEffect),
    PLENORIUM_ABSENT(AEGP_EffectSuite3, AEGP_ApplyEffect),
    PLENORIUM_ABSENT(AEGP_EffectSuite3, AEGP_DeleteLayerEffect),
    PLENORIUM_ABSENT(AEGP_EffectSuite3, AEGP_GetNumInstalledEffects),
    PLENORIUM_ABSENT(AEGP_EffectSuite3, AEGP_GetNextInstalledEffect),
    PLENORIUM_ABSENT(AEGP_EffectSuite3, AEGP_GetEffectName),
    PLENORIUM_ABSENT(AEGP_EffectSuite3, AEGP_GetEffectMatchName),
    PLENORIUM_ABSENT(AEGP_EffectSuite3, AEGP_GetEffectCategory),
    PLENORIUM_ABSENT(AEGP_EffectSuite3, AEGP_DuplicateEffect),
};

// The Stream suite's slots, the same in versions 7 and 9 but for the stream value record (9's
// holds the newer value union).
template <typename Table, typename Value>
constexpr Table streamTable() {
  return Table{
      PLENORIUM_ABSENT(Table, AEGP_IsStreamLegal),
      PLENORIUM_ABSENT(Table, AEGP_CanVaryOverTime),
      PLENORIUM_ABSENT(Table, AEGP_GetValidInterpolations),
      PLENORIUM_SERVE(Table, AEGP_GetNewLayerStream, getNewLayerStream),
      PLENORIUM_SERVE(Table, AEGP_GetEffectNumParamStreams, getEffectNumParamStreams),
      PLENORIUM_SERVE(Table, AEGP_GetNewEffectStreamByIndex, getNewEffectStreamByIndex),
      PLENORIUM_ABSENT(Table, AEGP_GetNewMaskStream),
      PLENORIUM_SERVE(Table, AEGP_DisposeStream, disposeStream),
      PLENORIUM_ABSENT(Table, AEGP_GetStreamName),
      PLENORIUM_ABSENT(Table, AEGP_GetStreamUnitsText),
      PLENORIUM_ABSENT(Table, AEGP_GetStreamProperties),
      PLENORIUM_SERVE(Table, AEGP_IsStreamTimevarying, isStreamTimevarying),
      PLENORIUM_SERVE(Table, AEGP_GetStreamType, getStreamType),
      PLENORIUM_SERVE(Table, AEGP_GetNewStreamValue, getNewStreamValue<Value>),
      PLENORIUM_SERVE(Table, AEGP_DisposeStreamValue, disposeStreamValue<Value>),
      PLENORIUM_SERVE(Table, AEGP_SetStreamValue, setStreamValue<Value>),
      PLENORIUM_ABSENT(Table, AEGP_GetLayerStreamValue),
      PLENORIUM_SERVE(Table, AEGP_GetExpressionState, getExpressionState),
      PLENORIUM_SERVE(Table, AEGP_SetExpressionState, setExpressionState),
      PLENORIUM_SERVE(Table, AEGP_GetExpression, getExpression),
      PLENORIUM_SERVE(Table, AEGP_SetExpression, setExpression),
      PLENORIUM_ABSENT(Table, AEGP_DuplicateStreamRef),
  };
}

const AEGP_StreamSuite2 STREAM_SUITE_7 = streamTable<AEGP_StreamSuite2, AEGP_StreamValue>();
const AEGP_StreamSuite4 STREAM_SUITE_9 = streamTable<AEGP_StreamSuite4, AEGP_StreamValue2>();

const AEGP_DynamicStreamSuite4 DYNAMIC_STREAM_SUITE{
    PLENORIUM_ABSENT(AEGP_DynamicStreamSuite4, AEGP_GetNewStreamRefForLayer),
    PLENORIUM_ABSENT(AEGP_DynamicStreamSuite4, AEGP_GetNewStreamRefForMask),
    PLENORIUM_ABSENT(AEGP_DynamicStreamSuite4, AEGP_GetStreamDepth),
    PLENORIUM_ABSENT(AEGP_DynamicStreamSuite4, AEGP_GetStreamGroupingType),
    PLENORIUM_ABSENT(AEGP_DynamicStreamSuite4, AEGP_GetNumStreamsInGroup),
    PLENORIUM_SERVE(AEGP_DynamicStreamSuite4, AEGP_GetDynamicStreamFlags, getDynamicStreamFlags),
    PLENORIUM_SERVE(AEGP_DynamicStreamSuite4, AEGP_SetDynamicStreamFlag, setDynamicStreamFlag),
    PLENORIUM_ABSENT(AEGP_DynamicStreamSuite4, AEGP_GetNewStreamRefByIndex),
    PLENORIUM_ABSENT(AEGP_DynamicStreamSuite4, AEGP_GetNewStreamRefByMatchname),
    PLENORIUM_ABSENT(AEGP_DynamicStreamSuite4, AEGP_DeleteStream),
    PLENORIUM_ABSENT(AEGP_DynamicStreamSuite4, AEGP_ReorderStream),
    PLENORIUM_ABSENT(AEGP_DynamicStreamSuite4, AEGP_DuplicateStream),
    PLENORIUM_ABSENT(AEGP_DynamicStreamSuite4, AEGP_SetStreamName),
    PLENORIUM_ABSENT(AEGP_DynamicStreamSuite4, AEGP_CanAddStream),
    PLENORIUM_ABSENT(AEGP_DynamicStreamSuite4, AEGP_AddStream),
    PLENORIUM_ABSENT(AEGP_DynamicStreamSuite4, AEGP_GetMatchName),
    PLENORIUM_ABSENT(AEGP_DynamicStreamSuite4, AEGP_GetNewParentStreamRef),
    PLENORIUM_ABSENT(AEGP_DynamicStreamSuite4, AEGP_GetStreamIsModified),
    PLENORIUM_ABSENT(AEGP_DynamicStreamSuite4, AEGP_GetStreamIndexInParent),
    PLENORIUM_ABSENT(AEGP_DynamicStreamSuite4, AEGP_IsSeparationLeader),
    PLENORIUM_ABSENT(AEGP_DynamicStreamSuite4, AEGP_AreDimensionsSeparated),
    PLENORIUM_ABSENT(AEGP_DynamicStreamSuite4, AEGP_SetDimensionsSeparated),
    PLENORIUM_ABSENT(AEGP_DynamicStreamSuite4, AEGP_GetSeparationFollower),
    PLENORIUM_ABSENT(AEGP_DynamicStreamSuite4, AEGP_IsSeparationFollower),
    PLENORIUM_ABSENT(AEGP_DynamicStreamSuite4, AEGP_GetSeparationLeader),
    PLENORIUM_ABSENT(AEGP_DynamicStreamSuite4, AEGP_GetSeparationDimension),
};

// The later version's own slots are set after the list; the suite registry refuses a table
// with an empty slot, so none can be forgotten.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
// The Layer suite's slots of version 11; 13 adds the layer label's two, which it does not serve.
template <typename Table>
constexpr Table layerTable() {
  Table t{
      PLENORIUM_SERVE(Table, AEGP_GetCompNumLayers, getCompNumLayers),
      PLENORIUM_SERVE(Table, AEGP_GetCompLayerByIndex, getCompLayerByIndex),
      PLENORIUM_ABSENT(Table, AEGP_GetActiveLayer),
      PLENORIUM_SERVE(Table, AEGP_GetLayerIndex, getLayerIndex),
      PLENORIUM_SERVE(Table, AEGP_GetLayerSourceItem, getLayerSourceItem),
      PLENORIUM_SERVE(Table, AEGP_GetLayerSourceItemID, getLayerSourceItemID),
      PLENORIUM_SERVE(Table, AEGP_GetLayerParentComp, getLayerParentComp),
      PLENORIUM_ABSENT(Table, AEGP_GetLayerName),
      PLENORIUM_ABSENT(Table, AEGP_GetLayerQuality),
      PLENORIUM_ABSENT(Table, AEGP_SetLayerQuality),
      PLENORIUM_SERVE(Table, AEGP_GetLayerFlags, getLayerFlags),
      PLENORIUM_ABSENT(Table, AEGP_SetLayerFlag),
      PLENORIUM_ABSENT(Table, AEGP_IsLayerVideoReallyOn),
      PLENORIUM_ABSENT(Table, AEGP_IsLayerAudioReallyOn),
      PLENORIUM_ABSENT(Table, AEGP_GetLayerCurrentTime),
      PLENORIUM_ABSENT(Table, AEGP_GetLayerInPoint),
      PLENORIUM_ABSENT(Table, AEGP_GetLayerDuration),
      PLENORIUM_ABSENT(Table, AEGP_SetLayerInPointAndDuration),
      PLENORIUM_SERVE(Table, AEGP_GetLayerOffset, getLayerOffset),
      PLENORIUM_ABSENT(Table, AEGP_SetLayerOffset),
      PLENORIUM_ABSENT(Table, AEGP_GetLayerStretch),
      PLENORIUM_ABSENT(Table, AEGP_SetLayerStretch),
      PLENORIUM_ABSENT(Table, AEGP_GetLayerTransferMode),
      PLENORIUM_ABSENT(Table, AEGP_SetLayerTransferMode),
      PLENORIUM_ABSENT(Table, AEGP_IsAddLayerValid),
      PLENORIUM_ABSENT(Table, AEGP_AddLayer),
      PLENORIUM_ABSENT(Table, AEGP_ReorderLayer),
      PLENORIUM_ABSENT(Table, AEGP_GetLayerMaskedBounds),
      PLENORIUM_SERVE(Table, AEGP_GetLayerObjectType, getLayerObjectType),
      PLENORIUM_SERVE(Table, AEGP_IsLayer3D, isLayer3D),
      PLENORIUM_ABSENT(Table, AEGP_IsLayer2D),
      PLENORIUM_ABSENT(Table, AEGP_IsVideoActive),
      PLENORIUM_ABSENT(Table, AEGP_IsLayerUsedAsTrackMatte),
      PLENORIUM_ABSENT(Table, AEGP_DoesLayerHaveTrackMatte),
      PLENORIUM_ABSENT(Table, AEGP_ConvertCompToLayerTime),
      PLENORIUM_ABSENT(Table, AEGP_ConvertLayerToCompTime),
      PLENORIUM_ABSENT(Table, AEGP_GetLayerDancingRandValue),
      PLENORIUM_SERVE(Table, AEGP_GetLayerID, getLayerID),
      PLENORIUM_ABSENT(Table, AEGP_GetLayerToWorldXform),
      PLENORIUM_ABSENT(Table, AEGP_GetLayerToWorldXformFromView),
      PLENORIUM_ABSENT(Table, AEGP_SetLayerName),
      PLENORIUM_ABSENT(Table, AEGP_GetLayerParent),
      PLENORIUM_ABSENT(Table, AEGP_SetLayerParent),
      PLENORIUM_ABSENT(Table, AEGP_DeleteLayer),
      PLENORIUM_ABSENT(Table, AEGP_DuplicateLayer),
      PLENORIUM_SERVE(Table, AEGP_GetLayerFromLayerID, getLayerFromLayerID),
  };
  if constexpr (requires { &Table::AEGP_GetLayerLabel; }) {
    t.AEGP_GetLayerLabel = PLENORIUM_SLOT(Table, AEGP_GetLayerLabel, nullptr);
    t.AEGP_SetLayerLabel = PLENORIUM_SLOT(Table, AEGP_SetLayerLabel, nullptr);
  }
  return t;
}
#pragma GCC diagnostic pop

const AEGP_LayerSuite5 LAYER_SUITE_11 = layerTable<AEGP_LayerSuite5>();
const AEGP_LayerSuite7 LAYER_SUITE_13 = layerTable<AEGP_LayerSuite7>();

const AEGP_CompSuite7 COMP_SUITE{
    PLENORIUM_SERVE(AEGP_CompSuite7, AEGP_GetCompFromItem, getCompFromItem),
    PLENORIUM_SERVE(AEGP_CompSuite7, AEGP_GetItemFromComp, getItemFromComp),
    PLENORIUM_ABSENT(AEGP_CompSuite7, AEGP_GetCompDownsampleFactor),
    PLENORIUM_ABSENT(AEGP_CompSuite7, AEGP_SetCompDownsampleFactor),
    PLENORIUM_SERVE(AEGP_CompSuite7, AEGP_GetCompBGColor, getCompBGColor),
    PLENORIUM_ABSENT(AEGP_CompSuite7, AEGP_SetCompBGColor),
    PLENORIUM_ABSENT(AEGP_CompSuite7, AEGP_GetCompFlags),
    PLENORIUM_SERVE(AEGP_CompSuite7, AEGP_GetCompFramerate, getCompFramerate),
    PLENORIUM_ABSENT(AEGP_CompSuite7, AEGP_SetCompFrameRate),
    PLENORIUM_ABSENT(AEGP_CompSuite7, AEGP_GetCompShutterAnglePhase),
    PLENORIUM_ABSENT(AEGP_CompSuite7, AEGP_GetCompShutterFrameRange),
    PLENORIUM_ABSENT(AEGP_CompSuite7, AEGP_GetCompSuggestedMotionBlurSamples),
    PLENORIUM_ABSENT(AEGP_CompSuite7, AEGP_SetCompSuggestedMotionBlurSamples),
    PLENORIUM_ABSENT(AEGP_CompSuite7, AEGP_GetCompWorkAreaStart),
    PLENORIUM_ABSENT(AEGP_CompSuite7, AEGP_GetCompWorkAreaDuration),
    PLENORIUM_ABSENT(AEGP_CompSuite7, AEGP_SetCompWorkAreaStartAndDuration),
    PLENORIUM_ABSENT(AEGP_CompSuite7, AEGP_CreateSolidInComp),
    PLENORIUM_ABSENT(AEGP_CompSuite7, AEGP_CreateCameraInComp),
    PLENORIUM_ABSENT(AEGP_CompSuite7, AEGP_CreateLightInComp),
    PLENORIUM_ABSENT(AEGP_CompSuite7, AEGP_CreateComp),
    PLENORIUM_ABSENT(AEGP_CompSuite7, AEGP_GetNewCollectionFromCompSelection),
    PLENORIUM_ABSENT(AEGP_CompSuite7, AEGP_SetSelection),
    PLENORIUM_ABSENT(AEGP_CompSuite7, AEGP_GetCompDisplayStartTime),
    PLENORIUM_ABSENT(AEGP_CompSuite7, AEGP_SetCompDisplayStartTime),
    PLENORIUM_ABSENT(AEGP_CompSuite7, AEGP_SetCompDuration),
    PLENORIUM_ABSENT(AEGP_CompSuite7, AEGP_CreateNullInComp),
    PLENORIUM_ABSENT(AEGP_CompSuite7, AEGP_SetCompPixelAspectRatio),
    PLENORIUM_ABSENT(AEGP_CompSuite7, AEGP_CreateTextLayerInComp),
    PLENORIUM_ABSENT(AEGP_CompSuite7, AEGP_SetCompDimensions),
    PLENORIUM_ABSENT(AEGP_CompSuite7, AEGP_DuplicateComp),
    PLENORIUM_SERVE(AEGP_CompSuite7, AEGP_GetCompFrameDuration, getCompFrameDuration),
    PLENORIUM_ABSENT(AEGP_CompSuite7, AEGP_GetMostRecentlyUsedComp),
    PLENORIUM_ABSENT(AEGP_CompSuite7, AEGP_CreateVectorLayerInComp),
    PLENORIUM_ABSENT(AEGP_CompSuite7, AEGP_GetNewCompMarkerStream),
};

const AEGP_ItemSuite8 ITEM_SUITE{
    PLENORIUM_ABSENT(AEGP_ItemSuite8, AEGP_GetFirstProjItem),
    PLENORIUM_ABSENT(AEGP_ItemSuite8, AEGP_GetNextProjItem),
    PLENORIUM_ABSENT(AEGP_ItemSuite8, AEGP_GetActiveItem),
    PLENORIUM_ABSENT(AEGP_ItemSuite8, AEGP_IsItemSelected),
    PLENORIUM_ABSENT(AEGP_ItemSuite8, AEGP_SelectItem),
    PLENORIUM_SERVE(AEGP_ItemSuite8, AEGP_GetItemType, getItemType),
    PLENORIUM_ABSENT(AEGP_ItemSuite8, AEGP_GetTypeName),
    PLENORIUM_ABSENT(AEGP_ItemSuite8, AEGP_GetItemName),
    PLENORIUM_ABSENT(AEGP_ItemSuite8, AEGP_SetItemName),
    PLENORIUM_SERVE(AEGP_ItemSuite8, AEGP_GetItemID, getItemID),
    PLENORIUM_ABSENT(AEGP_ItemSuite8, AEGP_GetItemFlags),
    PLENORIUM_ABSENT(AEGP_ItemSuite8, AEGP_SetItemUseProxy),
    PLENORIUM_ABSENT(AEGP_ItemSuite8, AEGP_GetItemParentFolder),
    PLENORIUM_ABSENT(AEGP_ItemSuite8, AEGP_SetItemParentFolder),
    PLENORIUM_SERVE(AEGP_ItemSuite8, AEGP_GetItemDuration, getItemDuration),
    PLENORIUM_ABSENT(AEGP_ItemSuite8, AEGP_GetItemCurrentTime),
    PLENORIUM_SERVE(AEGP_ItemSuite8, AEGP_GetItemDimensions, getItemDimensions),
    PLENORIUM_SERVE(AEGP_ItemSuite8, AEGP_GetItemPixelAspectRatio, getItemPixelAspectRatio),
    PLENORIUM_ABSENT(AEGP_ItemSuite8, AEGP_DeleteItem),
    PLENORIUM_ABSENT(AEGP_ItemSuite8, AEGP_CreateNewFolder),
    PLENORIUM_ABSENT(AEGP_ItemSuite8, AEGP_SetItemCurrentTime),
    PLENORIUM_ABSENT(AEGP_ItemSuite8, AEGP_GetItemCommentLength),
    PLENORIUM_ABSENT(AEGP_ItemSuite8, AEGP_GetItemComment),
    PLENORIUM_ABSENT(AEGP_ItemSuite8, AEGP_SetItemComment),
    PLENORIUM_ABSENT(AEGP_ItemSuite8, AEGP_GetItemLabel),
    PLENORIUM_ABSENT(AEGP_ItemSuite8, AEGP_SetItemLabel),
    PLENORIUM_ABSENT(AEGP_ItemSuite8, AEGP_GetItemMRUView),
};

const AEGP_RenderOptionsSuite3 RENDER_OPTIONS_SUITE{
    PLENORIUM_SERVE(AEGP_RenderOptionsSuite3, AEGP_NewFromItem, newRenderOptions),
    PLENORIUM_SERVE(AEGP_RenderOptionsSuite3, AEGP_Duplicate, duplicateRenderOptions),
    PLENORIUM_SERVE(AEGP_RenderOptionsSuite3, AEGP_Dispose, disposeRenderOptions),
    PLENORIUM_SERVE(AEGP_RenderOptionsSuite3, AEGP_SetTime, setRenderTime),
    PLENORIUM_SERVE(AEGP_RenderOptionsSuite3, AEGP_GetTime, getRenderTime),
    PLENORIUM_ABSENT(AEGP_RenderOptionsSuite3, AEGP_SetTimeStep),
    PLENORIUM_ABSENT(AEGP_RenderOptionsSuite3, AEGP_GetTimeStep),
    PLENORIUM_ABSENT(AEGP_RenderOptionsSuite3, AEGP_SetFieldRender),
    PLENORIUM_ABSENT(AEGP_RenderOptionsSuite3, AEGP_GetFieldRender),
    PLENORIUM_SERVE(AEGP_RenderOptionsSuite3, AEGP_SetWorldType, setWorldType),
    PLENORIUM_SERVE(AEGP_RenderOptionsSuite3, AEGP_GetWorldType, getWorldType),
    PLENORIUM_SERVE(AEGP_RenderOptionsSuite3, AEGP_SetDownsampleFactor, setDownsampleFactor),
    PLENORIUM_SERVE(AEGP_RenderOptionsSuite3, AEGP_GetDownsampleFactor, getDownsampleFactor),
    PLENORIUM_ABSENT(AEGP_RenderOptionsSuite3, AEGP_SetRegionOfInterest),
    PLENORIUM_ABSENT(AEGP_RenderOptionsSuite3, AEGP_GetRegionOfInterest),
    PLENORIUM_ABSENT(AEGP_RenderOptionsSuite3, AEGP_SetMatteMode),
    PLENORIUM_ABSENT(AEGP_RenderOptionsSuite3, AEGP_GetMatteMode),
    PLENORIUM_ABSENT(AEGP_RenderOptionsSuite3, AEGP_SetChannelOrder),
    PLENORIUM_ABSENT(AEGP_RenderOptionsSuite3, AEGP_GetChannelOrder),
    PLENORIUM_ABSENT(AEGP_RenderOptionsSuite3, AEGP_GetRenderGuideLayers),
    PLENORIUM_ABSENT(AEGP_RenderOptionsSuite3, AEGP_SetRenderGuideLayers),
};

const AEGP_RenderSuite2 RENDER_SUITE{
    PLENORIUM_SERVE(AEGP_RenderSuite2, AEGP_RenderAndCheckoutFrame, renderAndCheckoutFrame),
    PLENORIUM_SERVE(AEGP_RenderSuite2, AEGP_CheckinFrame, checkinFrame),
    PLENORIUM_SERVE(AEGP_RenderSuite2, AEGP_GetReceiptWorld, getReceiptWorld),
    PLENORIUM_ABSENT(AEGP_RenderSuite2, AEGP_GetRenderedRegion),
    PLENORIUM_ABSENT(AEGP_RenderSuite2, AEGP_IsRenderedFrameSufficient),
    PLENORIUM_ABSENT(AEGP_RenderSuite2, AEGP_RenderNewItemSoundData),
    PLENORIUM_ABSENT(AEGP_RenderSuite2, AEGP_GetCurrentTimestamp),
    PLENORIUM_ABSENT(AEGP_RenderSuite2, AEGP_HasItemChangedSinceTimestamp),
    PLENORIUM_ABSENT(AEGP_RenderSuite2, AEGP_IsItemWorthwhileToRender),
    PLENORIUM_ABSENT(AEGP_RenderSuite2, AEGP_CheckinRenderedFrame),
};

}  // namespace

LiveHandles::LiveHandles(Accounting& accounting) {
  for (std::size_t i = 0; i < HANDLE_KINDS; ++i)
    kinds_[i].balance = &accounting.counter(name(static_cast<HandleKind>(i)));
}

const char* LiveHandles::name(HandleKind kind) {
  switch (kind) {
    case HandleKind::EFFECT_REF: return "effect reference";
    case HandleKind::STREAM: return "stream";
    case HandleKind::STREAM_VALUE: return "stream value";
    case HandleKind::RENDER_OPTIONS: return "render options";
    case HandleKind::RECEIPT: return "frame receipt";
    case HandleKind::COUNT: break;
  }
  return "handle";
}

bool ProjectObjects::contains(HandleType type, const void* object) {
  if (find(type, object)) return true;
  rebuild();
  return find(type, object);
}

bool ProjectObjects::find(HandleType type, const void* object) const {
  switch (type) {
    case HandleType::LAYER: return layers_.contains(object);
    case HandleType::COMP: return comps_.contains(object);
    case HandleType::ITEM: return items_.contains(object);
    default: return false;
  }
}

void ProjectObjects::rebuild() {
  layers_ = PointerSet();
  comps_ = PointerSet();
  items_ = PointerSet();
  for (const auto& item : project_.items) {
    items_.insert(item.get());
    if (!item->comp) continue;
    comps_.insert(item->comp.get());
    for (const auto& layer : item->comp->layers) layers_.insert(layer.get());
  }
}

void checkSessionHandles(HostCore& core, RenderSession& session) {
  for (HandleType type : {HandleType::LAYER, HandleType::COMP, HandleType::ITEM}) {
    core.checkHandlesWith(type, [&session, type](const void* h) { return session.projectObjects().contains(type, h); });
  }
  const std::pair<HandleType, HandleKind> handedOut[] = {{HandleType::EFFECT, HandleKind::EFFECT_REF},
                                                         {HandleType::STREAM, HandleKind::STREAM},
                                                         {HandleType::RENDER_OPTIONS, HandleKind::RENDER_OPTIONS},
                                                         {HandleType::FRAME_RECEIPT, HandleKind::RECEIPT}};
  for (const auto& entry : handedOut) {
    const HandleKind kind = entry.second;
    core.checkHandlesWith(entry.first, [&session, kind](const void* h) { return session.handles().contains(kind, h); });
  }
}

void stopCheckingSessionHandles(HostCore& core) {
  for (HandleType type : {HandleType::LAYER, HandleType::COMP, HandleType::ITEM, HandleType::EFFECT, HandleType::STREAM,
                          HandleType::RENDER_OPTIONS, HandleType::FRAME_RECEIPT}) {
    core.checkHandlesWith(type, nullptr);
  }
}

void installModelSuites(HostCore& core) {
  SuiteRegistry& r = core.suites();
  r.provide(kAEGPPFInterfaceSuite, kAEGPPFInterfaceSuiteVersion1, &PF_INTERFACE_SUITE);
  r.provide(kAEGPEffectSuite, kAEGPEffectSuiteVersion3, &EFFECT_SUITE);
  r.provide(kAEGPStreamSuite, kAEGPStreamSuiteVersion2, &STREAM_SUITE_7);
  r.provide(kAEGPStreamSuite, kAEGPStreamSuiteVersion4, &STREAM_SUITE_9);
  r.provide(kAEGPDynamicStreamSuite, kAEGPDynamicStreamSuiteVersion4, &DYNAMIC_STREAM_SUITE);
  r.provide(kAEGPLayerSuite, kAEGPLayerSuiteVersion5, &LAYER_SUITE_11);
  r.provide(kAEGPLayerSuite, kAEGPLayerSuiteVersion7, &LAYER_SUITE_13);
  r.provide(kAEGPCompSuite, kAEGPCompSuiteVersion7, &COMP_SUITE);
  r.provide(kAEGPItemSuite, kAEGPItemSuiteVersion8, &ITEM_SUITE);
  r.provide(kAEGPRenderOptionsSuite, kAEGPRenderOptionsSuiteVersion3, &RENDER_OPTIONS_SUITE);
  r.provide(kAEGPRenderSuite, kAEGPRenderSuiteVersion2, &RENDER_SUITE);
}

}  // namespace plenorium::host
