// Scoped references to this effect instance and its parameter streams: each is given back to
// the host when it goes out of scope, whatever way the code leaves.
#pragma once

#include "AE_GeneralPlug.h"
#include "host_suites.h"

namespace plenorium {

class EffectRef {
 public:
  EffectRef(HostSuites& suites, PF_ProgPtr effect_ref) : suites_(suites) {
    err_ = suites_.pfInterfaceSuite1()->AEGP_GetNewEffectForEffect(0, effect_ref, &effect_);
    if (err_ != A_Err_NONE) effect_ = nullptr;
  }
  ~EffectRef() {
    if (effect_ != nullptr) suites_.effectSuite3()->AEGP_DisposeEffect(effect_);
  }
  EffectRef(const EffectRef&) = delete;
  EffectRef& operator=(const EffectRef&) = delete;

  AEGP_EffectRefH get() const { return effect_; }
  A_Err error() const { return err_; }

 private:
  HostSuites& suites_;
  AEGP_EffectRefH effect_ = nullptr;
  A_Err err_ = A_Err_NONE;
};

// A parameter stream through the given version of the stream suite.
template <typename StreamSuite>
class ParamStream {
 public:
  ParamStream(const StreamSuite* streams, AEGP_EffectRefH effect, int index) : streams_(streams) {
    if (effect == nullptr) {
      err_ = A_Err_PARAMETER;
      return;
    }
    err_ = streams_->AEGP_GetNewEffectStreamByIndex(0, effect, index, &stream_);
    if (err_ != A_Err_NONE) stream_ = nullptr;
  }
  ~ParamStream() {
    if (stream_ != nullptr) streams_->AEGP_DisposeStream(stream_);
  }
  ParamStream(const ParamStream&) = delete;
  ParamStream& operator=(const ParamStream&) = delete;

  AEGP_StreamRefH get() const { return stream_; }
  A_Err error() const { return err_; }
  // Disposes now and reports the disposal's error.
  A_Err dispose() {
    A_Err err = A_Err_NONE;
    if (stream_ != nullptr) err = streams_->AEGP_DisposeStream(stream_);
    stream_ = nullptr;
    return err;
  }

 private:
  const StreamSuite* streams_;
  AEGP_StreamRefH stream_ = nullptr;
  A_Err err_ = A_Err_NONE;
};

// The value record that each version of the stream suite fills in.
template <typename StreamSuite>
struct StreamValueRecord;
template <>
struct StreamValueRecord<AEGP_StreamSuite2> {
  using type = AEGP_StreamValue;
};
template <>
struct StreamValueRecord<AEGP_StreamSuite4> {
  using type = AEGP_StreamValue2;
};

// The value of a stream at a time (layer time, after expressions), disposed when done.
template <typename StreamSuite>
class StreamValue {
 public:
  using Record = typename StreamValueRecord<StreamSuite>::type;

  StreamValue(const StreamSuite* streams, AEGP_StreamRefH stream, const A_Time& time) : streams_(streams) {
    if (stream == nullptr) {
      err_ = A_Err_PARAMETER;
      return;
    }
    err_ = streams_->AEGP_GetNewStreamValue(0, stream, AEGP_LTimeMode_LayerTime, &time, false, &value_);
    held_ = err_ == A_Err_NONE;
  }
  ~StreamValue() {
    if (held_) streams_->AEGP_DisposeStreamValue(&value_);
  }
  StreamValue(const StreamValue&) = delete;
  StreamValue& operator=(const StreamValue&) = delete;

  bool ok() const { return held_; }
  const decltype(Record::val)& value() const { return value_.val; }

 private:
  const StreamSuite* streams_;
  Record value_{};
  A_Err err_ = A_Err_NONE;
  bool held_ = false;
};

}  // namespace plenorium
