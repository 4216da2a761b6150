// Evaluates expressions on parameter and transform streams with an embedded ECMAScript engine.
// An expression sees `time`, `value`, `thisComp`, `thisLayer`, `thisProperty` (with
// `propertyGroup(n)` and indexed access to the effect's controls), `effect(name)(control)`,
// `Math`, and the helpers `linear`, `clamp`, `random` and `wiggle`. Evaluation is bounded in
// time, also inside regular expressions, and in memory: a runaway loop, a pattern that backtracks
// without end or a string of gigabytes is stopped and reported as a failure.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "stream.h"

namespace plenorium::host {

class ExpressionEngine {
 public:
  // Each evaluation may run for `budget` and the engine may hold `memoryLimit` bytes; past
  // either, the evaluation fails with an error that says which.
  explicit ExpressionEngine(std::chrono::milliseconds budget = std::chrono::milliseconds(250),
                            std::size_t memoryLimit = std::size_t{64} << 20);
  ~ExpressionEngine();
  ExpressionEngine(const ExpressionEngine&) = delete;
  ExpressionEngine& operator=(const ExpressionEngine&) = delete;

  // Evaluates `code` with the context (stream_expressions.cpp builds it). Returns the
  // value, or nothing with `error` set.
  std::optional<StreamValue> evaluate(const std::string& code, const nlohmann::json& context, std::string& error);

 private:
  struct Heap;
  std::unique_ptr<Heap> heap_;
  std::chrono::milliseconds budget_;
};

}  // namespace plenorium::host
