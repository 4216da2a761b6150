// Writes one JSON object per line for every call a plug-in makes into the host.
#pragma once

#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

namespace plenorium::host {

class TraceWriter {
 public:
  TraceWriter() = default;
  // Opens `path` for writing; throws HostError when it cannot. Messages name it `shownAs` (the
  // file it becomes, when `path` is a partial file moved into place later).
  explicit TraceWriter(const std::string& path, const std::string& shownAs = "");

  bool enabled() const { return out_ != nullptr; }
  // Why writing stopped (a full disk, say), or empty while every line got through. Lines after a
  // failure are dropped; the caller reports it when the render ends.
  const std::string& failure() const { return failure_; }

  // Writes {"cmd":<current command>,"call":<call>, ...fields, "result":<result>}. `fields` is an
  // object of the call's own arguments; `result` is left out when negative-free calls have none.
  void record(int cmd, const std::string& call, const nlohmann::json& fields, const nlohmann::json& result);

 private:
  std::unique_ptr<std::ofstream> out_;
  std::string path_;
  std::string shownAs_;
  std::string failure_;
};

}  // namespace plenorium::host
