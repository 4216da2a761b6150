// Reading and writing a project file's values: where in the file a value is (for messages),
// numbers, text and colours, the keys an object may hold, and animatable streams (a value,
// keyframes, an expression, hidden) both ways. Private to host/project.
#pragma once

#include <functional>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "host_error.h"
#include "project.h"
#include "stream.h"

namespace plenorium::host::file_json {

using json = nlohmann::json;
using oj = nlohmann::ordered_json;

// The file being read, for messages, and the values changed on the way in.
class Context {
 public:
  explicit Context(std::string file) : file_(std::move(file)) {}
  [[noreturn]] void fail(const std::string& path, const std::string& what) const {
    throw HostError((file_.empty() ? "" : file_ + ": ") + path + ": " + what);
  }
  const std::string& file() const { return file_; }
  // A value that was read, but changed to one the control takes.
  void notice(const std::string& path, const std::string& what) const { notices_.push_back(path + ": " + what); }
  std::vector<std::string> takeNotices() const { return std::move(notices_); }

 private:
  std::string file_;
  mutable std::vector<std::string> notices_;
};

// The path of a key or an element, "$.items[2].name".
std::string at(const std::string& path, const std::string& key);
std::string at(const std::string& path, std::size_t index);

double number(const Context& c, const json& v, const std::string& path);
std::string text(const Context& c, const json& v, const std::string& path);
double optionalNumber(const Context& c, const json& object, const std::string& key, const std::string& path,
                      double fallback);
ColorRGBA color(const Context& c, const json& v, const std::string& path);
// Refuses a key the object may not hold, naming the nearest known one.
void checkKeys(const Context& c, const json& object, const std::string& path, const std::vector<std::string>& known);
void checkKeys(const Context& c, const json& object, const std::string& path, std::initializer_list<const char*> known);

// A stream's "hidden" switch, when the object gives one.
void readHidden(const Context& c, const json& object, const std::string& path, Stream& stream);

// Reads one value of a stream from the file.
using ValueReader = std::function<StreamValue(const json&, const std::string&)>;
// A plain value read with `read`, or the object form with a value or keyframes, an expression
// and "hidden".
void readAnimatable(const Context& c, const json& v, const std::string& path, Stream& stream, const ValueReader& read);
ValueReader scalarReader(const Context& c);
ValueReader pairReader(const Context& c);  // [x, y]

// A stream as the file holds it: its plain value, or the object form (the opposite of readAnimatable).
oj streamJson(const Stream& s, const std::function<oj(const StreamValue&)>& value);
oj colorJson(const ColorRGBA& c);

}  // namespace plenorium::host::file_json
