#include "output_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "host_error.h"

namespace plenorium::host {

namespace fs = std::filesystem;

fs::path partialPathFor(const fs::path& target) {
  // Appended piece by piece: GCC 12 at -O3 reports a false overlap (-Wrestrict) for a literal
  // prepended to a temporary string.
  std::string name = ".";
  name += target.stem().string();
  name += ".partial-" + std::to_string(::getpid());
  name += target.extension().string();
  return target.parent_path() / name;
}

fs::path replaceableTarget(const std::string& path) {
  fs::path target(path);
  std::error_code ec;
  if (fs::is_symlink(fs::symlink_status(target, ec))) {
    const fs::path link = fs::read_symlink(target, ec);
    target = link.is_absolute() ? link : target.parent_path() / link;
  }
  const fs::file_status status = fs::status(target, ec);
  if (fs::exists(status) && !fs::is_regular_file(status)) {
    throw HostError("cannot write '" + path + "': it is not a regular file");
  }
  return target;
}

void writeWholeFile(const std::string& path, std::span<const unsigned char> bytes) {
  const fs::path target = replaceableTarget(path);
  const fs::path temp = partialPathFor(target);
  std::FILE* file = std::fopen(temp.string().c_str(), "wb");
  if (file == nullptr) {
    throw HostError("cannot write '" + path + "': " + std::strerror(errno) +
                    "; check that its folder exists and is writable");
  }
  // Buffered bytes may meet a full disk at the write, the flush or the close: each is checked.
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  const int writeError = errno;
  const bool flushed = written && std::fflush(file) == 0;
  const int flushError = errno;
  const bool closed = std::fclose(file) == 0;
  const int closeError = errno;
  std::error_code ignored;
  if (!written || !flushed || !closed) {
    fs::remove(temp, ignored);
    const int cause = !written ? writeError : !flushed ? flushError : closeError;
    throw HostError("cannot write '" + path + "': " + std::strerror(cause));
  }
  std::error_code ec;
  fs::rename(temp, target, ec);
  if (ec) {
    fs::remove(temp, ignored);
    throw HostError("cannot write '" + path + "': " + ec.message());
  }
}

}  // namespace plenorium::host
