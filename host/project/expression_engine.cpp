#include "expression_engine.h"

#include <duktape.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace plenorium::host {
namespace {

using Clock = std::chrono::steady_clock;

// What one heap may use: a deadline for each evaluation and a ceiling on the memory it holds.
// Duktape passes this record to the timeout check and to the allocation functions below.
struct HeapLimits {
  Clock::time_point until = Clock::time_point::max();
  std::size_t bytesLimit = 0;
  std::size_t bytesInUse = 0;
  bool refusedMemory = false;  // an allocation was refused since the evaluation began
  std::uint32_t steps = 0;     // property accesses, between looks at the clock
};

// Each block carries its size in front of it, so that the heap's total is known exactly.
constexpr std::size_t BLOCK_HEADER = alignof(std::max_align_t);

void* limitedAlloc(void* udata, duk_size_t size) {
  auto* limits = static_cast<HeapLimits*>(udata);
  if (size == 0) return nullptr;
  if (size > limits->bytesLimit - std::min(limits->bytesLimit, limits->bytesInUse)) {
    limits->refusedMemory = true;
    return nullptr;
  }
  auto* block = static_cast<unsigned char*>(std::malloc(size + BLOCK_HEADER));
  if (block == nullptr) {
    limits->refusedMemory = true;
    return nullptr;
  }
  std::memcpy(block, &size, sizeof(size));
  limits->bytesInUse += size;
  return block + BLOCK_HEADER;
}

void limitedFree(void* udata, void* ptr) {
  if (ptr == nullptr) return;
  auto* limits = static_cast<HeapLimits*>(udata);
  unsigned char* block = static_cast<unsigned char*>(ptr) - BLOCK_HEADER;
  std::size_t size = 0;
  std::memcpy(&size, block, sizeof(size));
  limits->bytesInUse -= size;
  std::free(block);
}

void* limitedRealloc(void* udata, void* ptr, duk_size_t size) {
  if (ptr == nullptr) return limitedAlloc(udata, size);
  if (size == 0) {
    limitedFree(udata, ptr);
    return nullptr;
  }
  auto* limits = static_cast<HeapLimits*>(udata);
  unsigned char* block = static_cast<unsigned char*>(ptr) - BLOCK_HEADER;
  std::size_t old = 0;
  std::memcpy(&old, block, sizeof(old));
  if (size > old && size - old > limits->bytesLimit - std::min(limits->bytesLimit, limits->bytesInUse)) {
    limits->refusedMemory = true;
    return nullptr;
  }
  auto* grown = static_cast<unsigned char*>(std::realloc(block, size + BLOCK_HEADER));
  if (grown == nullptr) {
    limits->refusedMemory = true;
    return nullptr;  // the old block stays, as realloc leaves it
  }
  std::memcpy(grown, &size, sizeof(size));
  limits->bytesInUse = limits->bytesInUse - old + size;
  return grown + BLOCK_HEADER;
}

// The objects and helpers every expression sees, built from the context record `__ctx`.
constexpr const char* PRELUDE = R"JS(
(function (g) {
  var ctx = JSON.parse(g.__ctxJson);
  function seeded(seed) {
    var s = seed >>> 0;
    return function () {
      s = (s * 1664525 + 1013904223) >>> 0;
      return s / 4294967296;
    };
  }
  function makeEffect(e) {
    var group = function (i) {
      if (typeof i === 'number') return { value: e.values[i] };
      if (e.controls.hasOwnProperty(i)) return { value: e.controls[i] };
      throw new Error('no control ' + i);
    };
    group.name = e.name;
    return group;
  }
  function makeLayer(l) {
    return {
      name: l.name, index: l.index,
      effect: function (n) {
        for (var i = 0; i < l.effects.length; ++i) {
          var e = l.effects[i];
          if (n === i + 1 || n === e.name || n === e.matchName) return makeEffect(e);
        }
        throw new Error('no effect ' + n);
      }
    };
  }
  g.time = ctx.time;
  g.value = ctx.value;
  g.thisComp = {
    name: ctx.comp.name, numLayers: ctx.comp.layers.length, width: ctx.comp.width, height: ctx.comp.height,
    duration: ctx.comp.duration, frameDuration: ctx.comp.frameDuration,
    layer: function (i) {
      for (var k = 0; k < ctx.comp.layers.length; ++k) {
        var l = ctx.comp.layers[k];
        if (i === l.index || i === l.name) return makeLayer(l);
      }
      throw new Error('no layer ' + i);
    }
  };
  g.thisLayer = g.thisComp.layer(ctx.layerIndex);
  g.effect = g.thisLayer.effect;
  g.thisProperty = {
    value: ctx.value,
    propertyGroup: function (n) {
      if (n === 1 && ctx.effectIndex >= 0) return makeEffect(ctx.comp.layers[ctx.layerIndex - 1].effects[ctx.effectIndex]);
      if (n === 1 || n === 2) return g.thisLayer;
      throw new Error('no property group ' + n);
    }
  };
  g.clamp = function (v, lo, hi) { return Math.min(Math.max(v, lo), hi); };
  g.linear = function (t, a, b, c, d) {
    if (arguments.length === 3) { c = a; d = b; a = 0; b = 1; }
    if (b === a) return t < a ? c : d;
    var f = g.clamp((t - a) / (b - a), 0, 1);
    return c + (d - c) * f;
  };
  var rnd = seeded(ctx.seed + Math.round(ctx.time * 1000) * 2654435761);
  g.random = function (a, b) {
    if (arguments.length === 0) return rnd();
    if (arguments.length === 1) return rnd() * a;
    return a + rnd() * (b - a);
  };
  function noise(x, salt) {
    var i = Math.floor(x), f = x - i;
    var at = function (n) { return seeded(ctx.seed ^ ((n * 374761393 + salt * 668265263) >>> 0))() * 2 - 1; };
    var s = f * f * (3 - 2 * f);
    return at(i) * (1 - s) + at(i + 1) * s;
  }
  g.wiggle = function (freq, amp) {
    var t = ctx.time * freq;
    if (typeof g.value === 'number') return g.value + amp * noise(t, 1);
    var out = [];
    for (var k = 0; k < g.value.length; ++k) out.push(g.value[k] + amp * noise(t, k + 1));
    return out;
  };
})(this);
)JS";

void fatal(void*, const char* message) {
  // Duktape calls this only on internal failures it cannot recover from.
  std::fprintf(stderr, "plenorium: the expression engine failed: %s\n", message != nullptr ? message : "");
  std::abort();
}

}  // namespace

extern "C" int plenorium_duktape_timed_out(void* udata) {
  const auto* limits = static_cast<const HeapLimits*>(udata);
  return limits != nullptr && Clock::now() > limits->until ? 1 : 0;
}

// Counts a property access made by the engine's own functions; every 65536th looks at the clock.
extern "C" int plenorium_duktape_step_timed_out(void* udata) {
  auto* limits = static_cast<HeapLimits*>(udata);
  if (limits == nullptr || (++limits->steps & 0xffffU) != 0) return 0;
  return Clock::now() > limits->until ? 1 : 0;
}

struct ExpressionEngine::Heap {
  HeapLimits limits;
  duk_context* ctx = nullptr;
};

ExpressionEngine::ExpressionEngine(std::chrono::milliseconds budget, std::size_t memoryLimit)
    : heap_(std::make_unique<Heap>()), budget_(budget) {
  heap_->limits.bytesLimit = memoryLimit;
  heap_->ctx = duk_create_heap(&limitedAlloc, &limitedRealloc, &limitedFree, &heap_->limits, &fatal);
}

ExpressionEngine::~ExpressionEngine() {
  if (heap_->ctx != nullptr) duk_destroy_heap(heap_->ctx);
}

std::optional<StreamValue> ExpressionEngine::evaluate(const std::string& code, const nlohmann::json& context,
                                                      std::string& error) {
  duk_context* heap = heap_->ctx;
  if (heap == nullptr) {
    error = "the expression engine could not start";
    return std::nullopt;
  }
  // Each evaluation gets its own global environment, so expressions cannot leak state.
  duk_push_thread_new_globalenv(heap);
  duk_context* ctx = duk_get_context(heap, -1);
  const std::string json = context.dump();
  duk_push_string(ctx, json.c_str());
  duk_put_global_string(ctx, "__ctxJson");

  heap_->limits.until = Clock::now() + budget_;
  heap_->limits.refusedMemory = false;
  std::optional<StreamValue> result;
  if (duk_peval_string(ctx, PRELUDE) != 0) {
    error = duk_safe_to_string(ctx, -1);
  } else {
    duk_pop(ctx);
    if (duk_peval_lstring(ctx, code.data(), code.size()) != 0) {
      error = duk_safe_to_string(ctx, -1);
      // The engine's own words ("execution timeout", "alloc failed") are replaced by what happened.
      if (heap_->limits.refusedMemory && error.find("alloc") != std::string::npos) {
        error = "stopped: it asked for more than " + std::to_string(heap_->limits.bytesLimit >> 20) + " MiB of memory";
      } else if (Clock::now() > heap_->limits.until) {
        error = "stopped: still running after " + std::to_string(budget_.count()) + " ms";
      }
    } else if (duk_is_number(ctx, -1)) {
      result = StreamValue{duk_get_number(ctx, -1), 0};
    } else if (duk_is_boolean(ctx, -1)) {
      result = StreamValue{duk_get_boolean(ctx, -1) ? 1.0 : 0.0, 0};
    } else if (duk_is_array(ctx, -1)) {
      StreamValue v{0, 0};
      for (duk_uarridx_t i = 0; i < 2; ++i) {
        duk_get_prop_index(ctx, -1, i);
        if (duk_is_number(ctx, -1)) v[i] = duk_get_number(ctx, -1);
        duk_pop(ctx);
      }
      result = v;
    } else {
      error = std::string("the result is not a number: ") + duk_safe_to_string(ctx, -1);
    }
    if (result && (!std::isfinite((*result)[0]) || !std::isfinite((*result)[1]))) {
      error = "the result is not a finite number";
      result.reset();
    }
  }
  heap_->limits.until = Clock::time_point::max();
  duk_set_top(ctx, 0);
  duk_set_top(heap, 0);  // drops the evaluation's thread and its global environment
  return result;
}

}  // namespace plenorium::host
