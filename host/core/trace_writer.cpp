#include "trace_writer.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "host_error.h"

namespace plenorium::host {

TraceWriter::TraceWriter(const std::string& path, const std::string& shownAs)
    : out_(std::make_unique<std::ofstream>(path, std::ios::trunc)),
      path_(path),
      shownAs_(shownAs.empty() ? path : shownAs) {
  if (!*out_) throw HostError("cannot write the trace file '" + shownAs_ + "': check that its folder exists");
}

void TraceWriter::record(int cmd, const std::string& call, const nlohmann::json& fields, const nlohmann::json& result) {
  if (!out_ || !failure_.empty()) return;
  nlohmann::ordered_json line;
  line["cmd"] = cmd;
  line["call"] = call;
  if (fields.is_object()) {
    for (const auto& [key, value] : fields.items()) line[key] = value;
  }
  if (!result.is_null()) line["result"] = result;
  *out_ << line.dump() << '\n';
  out_->flush();
  if (!*out_) {
    failure_ = "cannot write the trace file '" + shownAs_ + "': " + std::strerror(errno);
    // A trace cut short by the disk is no record of the render: it goes, unless it is a device.
    out_.reset();
    std::error_code ec;
    if (std::filesystem::is_regular_file(path_, ec)) std::filesystem::remove(path_, ec);
  }
}

}  // namespace plenorium::host
