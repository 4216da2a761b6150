#include "model_suites.h"

#include <cstring>

#include "effect_context.h"
#include "host_error.h"
#include "render_session.h"

namespace plenorium::host {
namespace {

RenderSession* session() {
  HostCore* core = HostCore::current();
  return core == nullptr ? nullptr : core->service<RenderSession>();
}

template <typename T>
T* adopt(T* object, HandleKind kind) {
  if (RenderSession* s = session()) s->handles().add(kind, object);
  return object;
}

// Takes a handle back; `destroy` says whether the object is the host's to delete.
template <typename T>
bool release(T* object, HandleKind kind, bool destroy = true) {
  RenderSession* s = session();
  if (object == nullptr || s == nullptr || !s->handles().remove(kind, object)) return false;
  if (destroy) delete object;
  return true;
}

template <typename T>
T* valid(T* object, HandleKind kind) {
  RenderSession* s = session();
  return object != nullptr && s != nullptr && s->handles().contains(kind, object) ? object : nullptr;
}

A_Err traced(const char* call, HostCore::TraceFields fields, A_Err err) {
  if (HostCore* core = HostCore::current()) core->traceCall(call, fields, err);
  return err;
}

Layer* layerOf(AEGP_LayerH h) { return reinterpret_cast<Layer*>(h); }
AEGP_LayerH handleOf(const Layer* l) { return reinterpret_cast<AEGP_LayerH>(const_cast<Layer*>(l)); }
Composition* compOf(AEGP_CompH h) { return reinterpret_cast<Composition*>(h); }
AEGP_CompH handleOf(const Composition* c) { return reinterpret_cast<AEGP_CompH>(const_cast<Composition*>(c)); }
Item* itemOf(AEGP_ItemH h) { return reinterpret_cast<Item*>(h); }
AEGP_ItemH handleOf(const Item* i) { return reinterpret_cast<AEGP_ItemH>(const_cast<Item*>(i)); }

double secondsOf(const A_Time& t) { return t.scale == 0 ? 0.0 : static_cast<double>(t.value) / t.scale; }

// --- "AEGP PF Interface Suite" 1 ---
A_Err getEffectLayer(PF_ProgPtr ref, AEGP_LayerH* layer) {
  EffectContext* c = contextOf(ref);
  if (c == nullptr || c->layer == nullptr || layer == nullptr) return traced("AEGP_GetEffectLayer", {}, A_Err_PARAMETER);
  *layer = handleOf(c->layer);
  return traced("AEGP_GetEffectLayer", {}, A_Err_NONE);
}

A_Err getNewEffectForEffect(AEGP_PluginID, PF_ProgPtr ref, AEGP_EffectRefH* effect) {
  EffectContext* c = contextOf(ref);
  if (c == nullptr || c->effect == nullptr || effect == nullptr) {
    return traced("AEGP_GetNewEffectForEffect", {}, A_Err_PARAMETER);
  }
  *effect = reinterpret_cast<AEGP_EffectRefH>(adopt(new EffectRefObject{c->layer, c->effect}, HandleKind::EFFECT_REF));
  return traced("AEGP_GetNewEffectForEffect", {}, A_Err_NONE);
}

// --- "AEGP Effect Suite" 3 ---
EffectRefObject* effectOf(AEGP_EffectRefH h) { return valid(reinterpret_cast<EffectRefObject*>(h), HandleKind::EFFECT_REF); }

A_Err disposeEffect(AEGP_EffectRefH h) {
  return traced("AEGP_DisposeEffect", {}, release(reinterpret_cast<EffectRefObject*>(h), HandleKind::EFFECT_REF) ? A_Err_NONE : A_Err_PARAMETER);
}

A_Err getLayerNumEffects(AEGP_LayerH layer, A_long* count) {
  if (layer == nullptr || count == nullptr) return A_Err_PARAMETER;
  *count = static_cast<A_long>(layerOf(layer)->effects.size());
  return A_Err_NONE;
}

A_Err getLayerEffectByIndex(AEGP_PluginID, AEGP_LayerH layer, AEGP_EffectIndex index, AEGP_EffectRefH* effect) {
  if (layer == nullptr || effect == nullptr || index < 0 ||
      index >= static_cast<A_long>(layerOf(layer)->effects.size())) {
    return A_Err_PARAMETER;
  }
  Layer* l = layerOf(layer);
  *effect = reinterpret_cast<AEGP_EffectRefH>(
      adopt(new EffectRefObject{l, l->effects[static_cast<std::size_t>(index)].get()}, HandleKind::EFFECT_REF));
  return A_Err_NONE;
}

// --- "AEGP Stream Suite" 7 and 9 ---
StreamRefObject* streamOf(AEGP_StreamRefH h) { return valid(reinterpret_cast<StreamRefObject*>(h), HandleKind::STREAM); }

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

A_Err getEffectNumParamStreams(AEGP_EffectRefH h, A_long* count) {
  EffectRefObject* e = effectOf(h);
  if (e == nullptr || count == nullptr) return A_Err_PARAMETER;
  *count = static_cast<A_long>(e->effect->params.size());
  return A_Err_NONE;
}

A_Err getNewEffectStreamByIndex(AEGP_PluginID, AEGP_EffectRefH h, PF_ParamIndex index, AEGP_StreamRefH* stream) {
  EffectRefObject* e = effectOf(h);
  A_Err err = A_Err_NONE;
  if (e == nullptr || stream == nullptr) {
    err = A_Err_PARAMETER;
  } else if (index < 0 || index >= static_cast<A_long>(e->effect->params.size())) {
    err = A_Err_PARAMETER;
  } else {
    *stream = reinterpret_cast<AEGP_StreamRefH>(adopt(
        new StreamRefObject{e->layer, e->effect, index, &e->effect->params[static_cast<std::size_t>(index)]}, HandleKind::STREAM));
  }
  return traced("AEGP_GetNewEffectStreamByIndex", {{"index", index}}, err);
}

A_Err getNewLayerStream(AEGP_PluginID, AEGP_LayerH layer, AEGP_LayerStream which, AEGP_StreamRefH* stream) {
  if (layer == nullptr || stream == nullptr) return A_Err_PARAMETER;
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
  *stream = reinterpret_cast<AEGP_StreamRefH>(adopt(new StreamRefObject{layerOf(layer), nullptr, which, s}, HandleKind::STREAM));
  return A_Err_NONE;
}

A_Err disposeStream(AEGP_StreamRefH h) {
  return traced("AEGP_DisposeStream", {}, release(reinterpret_cast<StreamRefObject*>(h), HandleKind::STREAM) ? A_Err_NONE : A_Err_PARAMETER);
}

A_Err getStreamType(AEGP_StreamRefH h, AEGP_StreamType* type) {
  StreamRefObject* s = streamOf(h);
  if (s == nullptr || type == nullptr) return A_Err_PARAMETER;
  *type = streamType(*s);
  return A_Err_NONE;
}

A_Err getNewStreamValue(AEGP_PluginID, AEGP_StreamRefH h, AEGP_LTimeMode mode, const A_Time* time, A_Boolean preExpression,
                        AEGP_StreamValue2* value) {
  StreamRefObject* s = streamOf(h);
  A_Err err = A_Err_NONE;
  if (s == nullptr || time == nullptr || value == nullptr || time->scale == 0) {
    err = A_Err_PARAMETER;
  } else {
    double seconds = secondsOf(*time);
    if (mode == AEGP_LTimeMode_CompTime) seconds = s->layer->layerTime(seconds);
    RenderSession* rs = session();
    const StreamValue v = rs != nullptr ? rs->streamValue(*s->layer, s->effect, s->index, *s->stream, seconds, preExpression != 0)
                                        : s->stream->valueAt(seconds);
    std::memset(value, 0, sizeof(*value));
    value->streamH = h;
    switch (streamType(*s)) {
      case AEGP_StreamType_LAYER_ID: value->val.layer_id = static_cast<AEGP_LayerIDVal>(v[0]); break;
      case AEGP_StreamType_TwoD:
      case AEGP_StreamType_TwoD_SPATIAL: value->val.two_d = {v[0], v[1]}; break;
      default: value->val.one_d = v[0]; break;
    }
    adopt(value, HandleKind::STREAM_VALUE);
  }
  return traced("AEGP_GetNewStreamValue",
                {{"index", s != nullptr ? s->index : -1},
                 {"time", time != nullptr ? time->value : 0},
                 {"scale", time != nullptr ? time->scale : 0},
                 {"preExpression", preExpression != 0}},
                err);
}

A_Err disposeStreamValue(AEGP_StreamValue2* value) {
  // The value record belongs to the caller: only the count is given back.
  const bool known = release(value, HandleKind::STREAM_VALUE, false);
  return traced("AEGP_DisposeStreamValue", {}, known ? A_Err_NONE : A_Err_PARAMETER);
}

A_Err setStreamValue(AEGP_PluginID, AEGP_StreamRefH h, AEGP_StreamValue2* value) {
  StreamRefObject* s = streamOf(h);
  A_Err err = A_Err_NONE;
  if (s == nullptr || value == nullptr) {
    err = A_Err_PARAMETER;
  } else {
    switch (streamType(*s)) {
      case AEGP_StreamType_LAYER_ID: s->stream->setConstant({static_cast<double>(value->val.layer_id), 0}); break;
      case AEGP_StreamType_TwoD:
      case AEGP_StreamType_TwoD_SPATIAL: s->stream->setConstant({value->val.two_d.x, value->val.two_d.y}); break;
      case AEGP_StreamType_NO_DATA: err = A_Err_PARAMETER; break;
      default: s->stream->setConstant({value->val.one_d, 0}); break;
    }
  }
  return traced("AEGP_SetStreamValue",
                {{"index", s != nullptr ? s->index : -1}, {"layerId", value != nullptr ? value->val.layer_id : 0}}, err);
}

A_Err getExpressionState(AEGP_PluginID, AEGP_StreamRefH h, A_Boolean* enabled) {
  StreamRefObject* s = streamOf(h);
  if (s == nullptr || enabled == nullptr) return A_Err_PARAMETER;
  *enabled = s->stream->expressionEnabled() && !s->stream->expression().empty();
  return A_Err_NONE;
}

A_Err setExpressionState(AEGP_PluginID, AEGP_StreamRefH h, A_Boolean enabled) {
  StreamRefObject* s = streamOf(h);
  if (s == nullptr) return A_Err_PARAMETER;
  s->stream->setExpressionEnabled(enabled != 0);
  return A_Err_NONE;
}

A_Err getExpression(AEGP_PluginID, AEGP_StreamRefH h, AEGP_MemHandle* text) {
  StreamRefObject* s = streamOf(h);
  HostCore* core = HostCore::current();
  A_Err err = A_Err_NONE;
  if (s == nullptr || text == nullptr || core == nullptr) {
    err = A_Err_PARAMETER;
  } else if (s->stream->expression().empty()) {
    *text = nullptr;
  } else {
    const std::string& e = s->stream->expression();
    void** block = core->memHandles().allocate(e.size() + 1);
    std::memcpy(*block, e.c_str(), e.size() + 1);
    *text = reinterpret_cast<AEGP_MemHandle>(block);
  }
  return traced("AEGP_GetExpression", {{"index", s != nullptr ? s->index : -1}, {"has", text != nullptr && *text != nullptr}}, err);
}

A_Err setExpression(AEGP_PluginID, AEGP_StreamRefH h, const A_char* text) {
  StreamRefObject* s = streamOf(h);
  const A_Err err = s != nullptr && text != nullptr ? A_Err_NONE : A_Err_PARAMETER;
  if (err == A_Err_NONE) s->stream->setExpression(text);
  return traced("AEGP_SetExpression", {{"index", s != nullptr ? s->index : -1}}, err);
}

A_Err isStreamTimevarying(AEGP_StreamRefH h, A_Boolean* varies) {
  StreamRefObject* s = streamOf(h);
  if (s == nullptr || varies == nullptr) return A_Err_PARAMETER;
  *varies = s->stream->isAnimated();
  return A_Err_NONE;
}

// --- "AEGP Dynamic Stream Suite" 5 ---
A_Err getDynamicStreamFlags(AEGP_StreamRefH h, AEGP_DynStreamFlags* flags) {
  StreamRefObject* s = streamOf(h);
  const A_Err err = s != nullptr && flags != nullptr ? A_Err_NONE : A_Err_PARAMETER;
  if (err == A_Err_NONE) *flags = AEGP_DynStreamFlag_ACTIVE_EYEBALL | (s->stream->hidden() ? AEGP_DynStreamFlag_HIDDEN : 0);
  return traced("AEGP_GetDynamicStreamFlags", {{"index", s != nullptr ? s->index : -1}}, err);
}

A_Err setDynamicStreamFlag(AEGP_StreamRefH h, AEGP_DynStreamFlags flag, A_Boolean undoable, A_Boolean set) {
  StreamRefObject* s = streamOf(h);
  A_Err err = s != nullptr ? A_Err_NONE : A_Err_PARAMETER;
  if (err == A_Err_NONE) {
    if (flag == AEGP_DynStreamFlag_HIDDEN) {
      s->stream->setHidden(set != 0);
    } else {
      err = A_Err_PARAMETER;  // the host keeps only the hidden flag
    }
  }
  return traced("AEGP_SetDynamicStreamFlag",
                {{"index", s != nullptr ? s->index : -1}, {"flag", flag}, {"undoable", undoable != 0}, {"set", set != 0}}, err);
}

// --- "AEGP Layer Suite" 11 and 13 ---
A_Err getCompNumLayers(AEGP_CompH comp, A_long* count) {
  if (comp == nullptr || count == nullptr) return traced("AEGP_GetCompNumLayers", {}, A_Err_PARAMETER);
  *count = static_cast<A_long>(compOf(comp)->layers.size());
  return traced("AEGP_GetCompNumLayers", {{"count", *count}}, A_Err_NONE);
}

A_Err getCompLayerByIndex(AEGP_CompH comp, A_long index, AEGP_LayerH* layer) {
  if (comp == nullptr || layer == nullptr || index < 0 || index >= static_cast<A_long>(compOf(comp)->layers.size())) {
    return traced("AEGP_GetCompLayerByIndex", {{"index", index}}, A_Err_PARAMETER);
  }
  *layer = handleOf(compOf(comp)->layers[static_cast<std::size_t>(index)].get());
  return traced("AEGP_GetCompLayerByIndex", {{"index", index}}, A_Err_NONE);
}

A_Err getLayerIndex(AEGP_LayerH layer, A_long* index) {
  if (layer == nullptr || index == nullptr) return A_Err_PARAMETER;
  *index = layerOf(layer)->parent->indexOf(layerOf(layer));
  return A_Err_NONE;
}

A_Err getLayerSourceItem(AEGP_LayerH layer, AEGP_ItemH* item) {
  if (layer == nullptr || item == nullptr) return traced("AEGP_GetLayerSourceItem", {}, A_Err_PARAMETER);
  *item = handleOf(layerOf(layer)->source);
  return traced("AEGP_GetLayerSourceItem", {}, A_Err_NONE);
}

A_Err getLayerSourceItemID(AEGP_LayerH layer, A_long* id) {
  if (layer == nullptr || id == nullptr) return A_Err_PARAMETER;
  *id = layerOf(layer)->source != nullptr ? layerOf(layer)->source->id : 0;
  return A_Err_NONE;
}

A_Err getLayerParentComp(AEGP_LayerH layer, AEGP_CompH* comp) {
  if (layer == nullptr || comp == nullptr) return traced("AEGP_GetLayerParentComp", {}, A_Err_PARAMETER);
  *comp = handleOf(layerOf(layer)->parent);
  return traced("AEGP_GetLayerParentComp", {}, A_Err_NONE);
}

A_Err getLayerFlags(AEGP_LayerH layer, AEGP_LayerFlags* flags) {
  if (layer == nullptr || flags == nullptr) return A_Err_PARAMETER;
  const Layer* l = layerOf(layer);
  *flags = (l->visible ? AEGP_LayerFlag_VIDEO_ACTIVE : 0) | AEGP_LayerFlag_EFFECTS_ACTIVE |
           (l->kind == LayerKind::NULL_LAYER ? AEGP_LayerFlag_NULL_LAYER : 0);
  return A_Err_NONE;
}

A_Err getLayerObjectType(AEGP_LayerH layer, AEGP_ObjectType* type) {
  if (layer == nullptr || type == nullptr) return traced("AEGP_GetLayerObjectType", {}, A_Err_PARAMETER);
  switch (layerOf(layer)->kind) {
    case LayerKind::CAMERA: *type = AEGP_ObjectType_CAMERA; break;
    case LayerKind::LIGHT: *type = AEGP_ObjectType_LIGHT; break;
    default: *type = AEGP_ObjectType_AV; break;
  }
  return traced("AEGP_GetLayerObjectType", {{"type", *type}}, A_Err_NONE);
}

A_Err getLayerID(AEGP_LayerH layer, AEGP_LayerIDVal* id) {
  if (layer == nullptr || id == nullptr) return traced("AEGP_GetLayerID", {}, A_Err_PARAMETER);
  *id = layerOf(layer)->id;
  return traced("AEGP_GetLayerID", {{"id", *id}}, A_Err_NONE);
}

A_Err getLayerFromLayerID(AEGP_CompH comp, AEGP_LayerIDVal id, AEGP_LayerH* layer) {
  if (comp == nullptr || layer == nullptr) return A_Err_PARAMETER;
  const Layer* l = compOf(comp)->layerById(id);
  if (l == nullptr) return A_Err_PARAMETER;
  *layer = handleOf(l);
  return A_Err_NONE;
}

A_Err getLayerOffset(AEGP_LayerH layer, A_Time* offset) {
  if (layer == nullptr || offset == nullptr) return A_Err_PARAMETER;
  const Layer* l = layerOf(layer);
  offset->scale = l->parent->rate.timeScale;
  offset->value = static_cast<A_long>(std::llround(l->startTime * offset->scale));
  return A_Err_NONE;
}

A_Err isLayer3D(AEGP_LayerH layer, A_Boolean* is3D) {
  if (layer == nullptr || is3D == nullptr) return A_Err_PARAMETER;
  *is3D = 0;
  return A_Err_NONE;
}

// --- "AEGP Comp Suite" 15 ---
A_Err getCompFromItem(AEGP_ItemH item, AEGP_CompH* comp) {
  if (item == nullptr || comp == nullptr || itemOf(item)->kind != ItemKind::COMP) {
    return traced("AEGP_GetCompFromItem", {}, A_Err_PARAMETER);
  }
  *comp = handleOf(itemOf(item)->comp.get());
  return traced("AEGP_GetCompFromItem", {}, A_Err_NONE);
}

A_Err getItemFromComp(AEGP_CompH comp, AEGP_ItemH* item) {
  if (comp == nullptr || item == nullptr) return A_Err_PARAMETER;
  *item = handleOf(compOf(comp)->item);
  return A_Err_NONE;
}

A_Err getCompFramerate(AEGP_CompH comp, A_FpLong* fps) {
  if (comp == nullptr || fps == nullptr) return A_Err_PARAMETER;
  *fps = compOf(comp)->rate.fps();
  return A_Err_NONE;
}

A_Err getCompFrameDuration(AEGP_CompH comp, A_Time* duration) {
  if (comp == nullptr || duration == nullptr) return A_Err_PARAMETER;
  *duration = {compOf(comp)->rate.frameTicks, compOf(comp)->rate.timeScale};
  return A_Err_NONE;
}

A_Err getCompBGColor(AEGP_CompH comp, AEGP_ColorVal* color) {
  if (comp == nullptr || color == nullptr) return A_Err_PARAMETER;
  const ColorRGBA& c = compOf(comp)->background;
  *color = {c[3], c[0], c[1], c[2]};
  return A_Err_NONE;
}

// --- "AEGP Item Suite" 13 ---
A_Err getItemType(AEGP_ItemH item, AEGP_ItemType* type) {
  if (item == nullptr || type == nullptr) return traced("AEGP_GetItemType", {}, A_Err_PARAMETER);
  *type = itemOf(item)->kind == ItemKind::COMP ? AEGP_ItemType_COMP : AEGP_ItemType_FOOTAGE;
  return traced("AEGP_GetItemType", {{"type", *type}}, A_Err_NONE);
}

A_Err getItemDimensions(AEGP_ItemH item, A_long* width, A_long* height) {
  if (item == nullptr || width == nullptr || height == nullptr) return A_Err_PARAMETER;
  *width = itemOf(item)->width;
  *height = itemOf(item)->height;
  return A_Err_NONE;
}

A_Err getItemID(AEGP_ItemH item, A_long* id) {
  if (item == nullptr || id == nullptr) return A_Err_PARAMETER;
  *id = itemOf(item)->id;
  return A_Err_NONE;
}

A_Err getItemDuration(AEGP_ItemH item, A_Time* duration) {
  if (item == nullptr || duration == nullptr) return A_Err_PARAMETER;
  const Item* i = itemOf(item);
  duration->scale = i->rate.timeScale;
  duration->value = static_cast<A_long>(std::llround(i->duration * duration->scale));
  return A_Err_NONE;
}

A_Err getItemPixelAspectRatio(AEGP_ItemH item, A_Ratio* ratio) {
  if (item == nullptr || ratio == nullptr) return A_Err_PARAMETER;
  *ratio = {static_cast<A_long>(std::lround(itemOf(item)->pixelAspect * 1000)), 1000};
  return A_Err_NONE;
}

// --- "AEGP Render Options Suite" 3 ---
RenderOptionsObject* optionsOf(AEGP_RenderOptionsH h) {
  return valid(reinterpret_cast<RenderOptionsObject*>(h), HandleKind::RENDER_OPTIONS);
}

A_Err newRenderOptions(AEGP_PluginID, AEGP_ItemH item, AEGP_RenderOptionsH* options) {
  if (item == nullptr || options == nullptr) return traced("AEGP_NewFromItem", {}, A_Err_PARAMETER);
  *options = reinterpret_cast<AEGP_RenderOptionsH>(adopt(new RenderOptionsObject{itemOf(item)}, HandleKind::RENDER_OPTIONS));
  return traced("AEGP_NewFromItem", {{"item", itemOf(item)->name}}, A_Err_NONE);
}

A_Err duplicateRenderOptions(AEGP_PluginID, AEGP_RenderOptionsH h, AEGP_RenderOptionsH* copy) {
  RenderOptionsObject* o = optionsOf(h);
  if (o == nullptr || copy == nullptr) return A_Err_PARAMETER;
  *copy = reinterpret_cast<AEGP_RenderOptionsH>(adopt(new RenderOptionsObject(*o), HandleKind::RENDER_OPTIONS));
  return A_Err_NONE;
}

A_Err disposeRenderOptions(AEGP_RenderOptionsH h) {
  return traced("AEGP_Dispose (render options)", {},
                release(reinterpret_cast<RenderOptionsObject*>(h), HandleKind::RENDER_OPTIONS) ? A_Err_NONE : A_Err_PARAMETER);
}

A_Err setRenderTime(AEGP_RenderOptionsH h, A_Time time) {
  RenderOptionsObject* o = optionsOf(h);
  if (o == nullptr || time.scale == 0) return traced("AEGP_SetTime", {}, A_Err_PARAMETER);
  o->time = time;
  return traced("AEGP_SetTime", {{"time", time.value}, {"scale", time.scale}}, A_Err_NONE);
}

A_Err getRenderTime(AEGP_RenderOptionsH h, A_Time* time) {
  RenderOptionsObject* o = optionsOf(h);
  if (o == nullptr || time == nullptr) return A_Err_PARAMETER;
  *time = o->time;
  return A_Err_NONE;
}

A_Err setWorldType(AEGP_RenderOptionsH h, AEGP_WorldType type) {
  RenderOptionsObject* o = optionsOf(h);
  if (o == nullptr || type < AEGP_WorldType_8 || type > AEGP_WorldType_32) {
    return traced("AEGP_SetWorldType", {{"type", type}}, A_Err_PARAMETER);
  }
  o->worldType = type;
  return traced("AEGP_SetWorldType", {{"type", type}}, A_Err_NONE);
}

A_Err getWorldType(AEGP_RenderOptionsH h, AEGP_WorldType* type) {
  RenderOptionsObject* o = optionsOf(h);
  if (o == nullptr || type == nullptr) return A_Err_PARAMETER;
  *type = o->worldType;
  return A_Err_NONE;
}

A_Err setDownsampleFactor(AEGP_RenderOptionsH h, A_short x, A_short y) {
  RenderOptionsObject* o = optionsOf(h);
  if (o == nullptr || x < 1 || y < 1) return traced("AEGP_SetDownsampleFactor", {{"x", x}, {"y", y}}, A_Err_PARAMETER);
  o->downsampleX = x;
  o->downsampleY = y;
  return traced("AEGP_SetDownsampleFactor", {{"x", x}, {"y", y}}, A_Err_NONE);
}

A_Err getDownsampleFactor(AEGP_RenderOptionsH h, A_short* x, A_short* y) {
  RenderOptionsObject* o = optionsOf(h);
  if (o == nullptr || x == nullptr || y == nullptr) return A_Err_PARAMETER;
  *x = o->downsampleX;
  *y = o->downsampleY;
  return A_Err_NONE;
}

// --- "AEGP Render Suite" 2 ---
ReceiptObject* receiptOf(AEGP_FrameReceiptH h) { return valid(reinterpret_cast<ReceiptObject*>(h), HandleKind::RECEIPT); }

A_Err renderAndCheckoutFrame(AEGP_RenderOptionsH h, AEGP_RenderSuiteCheckForCancellation, AEGP_CancelRefcon,
                             AEGP_FrameReceiptH* receipt) {
  RenderOptionsObject* o = optionsOf(h);
  RenderSession* s = session();
  A_Err err = A_Err_NONE;
  if (o == nullptr || receipt == nullptr || s == nullptr || o->item == nullptr) {
    err = A_Err_PARAMETER;
  } else {
    RenderSettings settings;
    settings.depth = static_cast<PixelDepth>(o->worldType);
    settings.downsample = std::clamp<int>(o->downsampleX, 1, 64);
    try {
      auto* r = new ReceiptObject{s->renderItem(*o->item, secondsOf(o->time), settings)};
      *receipt = reinterpret_cast<AEGP_FrameReceiptH>(adopt(r, HandleKind::RECEIPT));
    } catch (const HostError&) {
      err = A_Err_GENERIC;
    }
  }
  return traced("AEGP_RenderAndCheckoutFrame", {{"time", o != nullptr ? o->time.value : 0}}, err);
}

A_Err checkinFrame(AEGP_FrameReceiptH h) {
  return traced("AEGP_CheckinFrame", {}, release(reinterpret_cast<ReceiptObject*>(h), HandleKind::RECEIPT) ? A_Err_NONE : A_Err_PARAMETER);
}

A_Err getReceiptWorld(AEGP_FrameReceiptH h, AEGP_WorldH* world) {
  ReceiptObject* r = receiptOf(h);
  if (r == nullptr || world == nullptr || !r->world || !*r->world) return traced("AEGP_GetReceiptWorld", {}, A_Err_PARAMETER);
  *world = PixelHost::handleOf(**r->world);
  return traced("AEGP_GetReceiptWorld", {}, A_Err_NONE);
}

}  // namespace

LiveHandles::LiveHandles(Accounting& accounting) {
  for (std::size_t i = 0; i < HANDLE_KINDS; ++i) kinds_[i].balance = &accounting.counter(name(static_cast<HandleKind>(i)));
}

const char* LiveHandles::name(HandleKind kind) {
  switch (kind) {
    case HandleKind::EFFECT_REF: return "effect reference";
    case HandleKind::STREAM: return "stream";
    case HandleKind::STREAM_VALUE: return "stream value";
    case HandleKind::RENDER_OPTIONS: return "render options";
    case HandleKind::RECEIPT: return "frame receipt";
  }
  return "handle";
}

void installModelSuites(HostCore& core) {
  static const AEGP_PFInterfaceSuite1 pfInterface = [] {
    AEGP_PFInterfaceSuite1 t{};
    t.AEGP_GetEffectLayer = &getEffectLayer;
    t.AEGP_GetNewEffectForEffect = &getNewEffectForEffect;
    return t;
  }();
  static const AEGP_EffectSuite3 effect = [] {
    AEGP_EffectSuite3 t{};
    t.AEGP_GetLayerNumEffects = &getLayerNumEffects;
    t.AEGP_GetLayerEffectByIndex = &getLayerEffectByIndex;
    t.AEGP_DisposeEffect = &disposeEffect;
    return t;
  }();
  static const AEGP_StreamSuite7 stream = [] {
    AEGP_StreamSuite7 t{};
    t.AEGP_GetNewLayerStream = &getNewLayerStream;
    t.AEGP_GetEffectNumParamStreams = &getEffectNumParamStreams;
    t.AEGP_GetNewEffectStreamByIndex = &getNewEffectStreamByIndex;
    t.AEGP_DisposeStream = &disposeStream;
    t.AEGP_IsStreamTimevarying = &isStreamTimevarying;
    t.AEGP_GetStreamType = &getStreamType;
    t.AEGP_GetNewStreamValue = &getNewStreamValue;
    t.AEGP_DisposeStreamValue = &disposeStreamValue;
    t.AEGP_SetStreamValue = &setStreamValue;
    t.AEGP_GetExpressionState = &getExpressionState;
    t.AEGP_SetExpressionState = &setExpressionState;
    t.AEGP_GetExpression = &getExpression;
    t.AEGP_SetExpression = &setExpression;
    return t;
  }();
  static const AEGP_DynamicStreamSuite5 dynamic = [] {
    AEGP_DynamicStreamSuite5 t{};
    t.AEGP_GetDynamicStreamFlags = &getDynamicStreamFlags;
    t.AEGP_SetDynamicStreamFlag = &setDynamicStreamFlag;
    return t;
  }();
  static const AEGP_LayerSuite13 layer = [] {
    AEGP_LayerSuite13 t{};
    t.AEGP_GetCompNumLayers = &getCompNumLayers;
    t.AEGP_GetCompLayerByIndex = &getCompLayerByIndex;
    t.AEGP_GetLayerIndex = &getLayerIndex;
    t.AEGP_GetLayerSourceItem = &getLayerSourceItem;
    t.AEGP_GetLayerSourceItemID = &getLayerSourceItemID;
    t.AEGP_GetLayerParentComp = &getLayerParentComp;
    t.AEGP_GetLayerFlags = &getLayerFlags;
    t.AEGP_GetLayerOffset = &getLayerOffset;
    t.AEGP_GetLayerObjectType = &getLayerObjectType;
    t.AEGP_IsLayer3D = &isLayer3D;
    t.AEGP_GetLayerID = &getLayerID;
    t.AEGP_GetLayerFromLayerID = &getLayerFromLayerID;
    return t;
  }();
  static const AEGP_CompSuite15 comp = [] {
    AEGP_CompSuite15 t{};
    t.AEGP_GetCompFromItem = &getCompFromItem;
    t.AEGP_GetItemFromComp = &getItemFromComp;
    t.AEGP_GetCompBGColor = &getCompBGColor;
    t.AEGP_GetCompFramerate = &getCompFramerate;
    t.AEGP_GetCompFrameDuration = &getCompFrameDuration;
    return t;
  }();
  static const AEGP_ItemSuite13 item = [] {
    AEGP_ItemSuite13 t{};
    t.AEGP_GetItemType = &getItemType;
    t.AEGP_GetItemID = &getItemID;
    t.AEGP_GetItemDuration = &getItemDuration;
    t.AEGP_GetItemDimensions = &getItemDimensions;
    t.AEGP_GetItemPixelAspectRatio = &getItemPixelAspectRatio;
    return t;
  }();
  static const AEGP_RenderOptionsSuite3 options = [] {
    AEGP_RenderOptionsSuite3 t{};
    t.AEGP_NewFromItem = &newRenderOptions;
    t.AEGP_Duplicate = &duplicateRenderOptions;
    t.AEGP_Dispose = &disposeRenderOptions;
    t.AEGP_SetTime = &setRenderTime;
    t.AEGP_GetTime = &getRenderTime;
    t.AEGP_SetWorldType = &setWorldType;
    t.AEGP_GetWorldType = &getWorldType;
    t.AEGP_SetDownsampleFactor = &setDownsampleFactor;
    t.AEGP_GetDownsampleFactor = &getDownsampleFactor;
    return t;
  }();
  static const AEGP_RenderSuite2 render = [] {
    AEGP_RenderSuite2 t{};
    t.AEGP_RenderAndCheckoutFrame = &renderAndCheckoutFrame;
    t.AEGP_CheckinFrame = &checkinFrame;
    t.AEGP_GetReceiptWorld = &getReceiptWorld;
    return t;
  }();

  SuiteRegistry& r = core.suites();
  r.provide(kAEGPPFInterfaceSuite, 1, &pfInterface);
  r.provide(kAEGPEffectSuite, 3, &effect);
  r.provide(kAEGPStreamSuite, 7, &stream);
  r.provide(kAEGPStreamSuite, 9, &stream);
  r.provide(kAEGPDynamicStreamSuite, 5, &dynamic);
  // Version 11's table is the start of version 13's.
  r.provide(kAEGPLayerSuite, 11, &layer);
  r.provide(kAEGPLayerSuite, 13, &layer);
  r.provide(kAEGPCompSuite, 15, &comp);
  r.provide(kAEGPItemSuite, 13, &item);
  r.provide(kAEGPRenderOptionsSuite, 3, &options);
  r.provide(kAEGPRenderSuite, 2, &render);
}

}  // namespace plenorium::host
