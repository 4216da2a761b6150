#include "output_safety.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits>
#include <regex>

#include "host_error.h"

namespace plenorium::cli {

namespace fs = std::filesystem;
using host::HostError;

namespace {

bool identityOf(const std::string& path, std::pair<dev_t, ino_t>& id) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;  // follows links: a link is the file it names
  id = {st.st_dev, st.st_ino};
  return true;
}

bool processIsGone(long pid) {
  return pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

}  // namespace

void ReadFiles::add(const std::string& path) {
  std::pair<dev_t, ino_t> id;
  if (identityOf(path, id)) byIdentity_.emplace(id, path);
}

const std::string* ReadFiles::sameAs(const std::string& path) const {
  std::pair<dev_t, ino_t> id;
  if (!identityOf(path, id)) return nullptr;  // a file that does not exist yet is no input
  const auto found = byIdentity_.find(id);
  return found != byIdentity_.end() ? &found->second : nullptr;
}

void refuseReplacingInput(const ReadFiles& inputs, const std::string& output, const std::string& option) {
  if (const std::string* input = inputs.sameAs(output)) {
    throw HostError(option + " '" + output + "' is the footage '" + *input +
                    "' that this render reads; writing it would destroy it. Name another output, or move the "
                    "footage, and run again (nothing was written)");
  }
}

OutputLock::OutputLock(const fs::path& lockFile, const std::string& outputName, long first, long last)
    : path_(lockFile) {
  // A lock file removed by its last holder between our open and our lock is a stale one: the lock
  // is taken again on the file that the name now gives.
  for (int attempt = 0; attempt < 100; ++attempt) {
    const int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
      throw HostError("cannot lock '" + outputName + "' for writing: " + std::strerror(errno) + " ('" + path_.string() +
                      "')");
    }
    struct flock claim {};
    claim.l_type = F_WRLCK;
    claim.l_whence = SEEK_SET;
    claim.l_start = static_cast<off_t>(first);
    claim.l_len = last == std::numeric_limits<long>::max() ? 0 : static_cast<off_t>(last - first + 1);
    if (::fcntl(fd, F_SETLK, &claim) != 0) {
      const int cause = errno;
      struct flock holder = claim;
      const bool known =
          (cause == EACCES || cause == EAGAIN) && ::fcntl(fd, F_GETLK, &holder) == 0 && holder.l_type != F_UNLCK;
      ::close(fd);
      if (cause == EACCES || cause == EAGAIN) {
        throw HostError("'" + outputName + "' is being written by another render" +
                        (known && holder.l_pid > 0 ? " (process " + std::to_string(holder.l_pid) + ")" : "") +
                        "; wait for it to end, or name another output");
      }
      throw HostError("cannot lock '" + outputName + "' for writing: " + std::strerror(cause));
    }
    struct stat held {
    }, named{};
    if (::fstat(fd, &held) == 0 && ::stat(path_.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
        held.st_ino == named.st_ino) {
      fd_ = fd;
      return;
    }
    ::close(fd);
  }
  throw HostError("cannot lock '" + outputName + "' for writing: its lock file '" + path_.string() +
                  "' keeps changing");
}

OutputLock::~OutputLock() {
  if (fd_ < 0) return;
  // Only a render that can hold the whole file holds it alone: it removes the file, still locked,
  // so that a render that opened it meanwhile sees it gone and takes a new one.
  struct flock whole {};
  whole.l_type = F_WRLCK;
  whole.l_whence = SEEK_SET;
  if (::fcntl(fd_, F_SETLK, &whole) == 0) ::unlink(path_.c_str());
  ::close(fd_);
}

void removeAbandonedPartials(const fs::path& folder, const std::function<bool(const std::string&)>& isOurs) {
  // ".NAME.partial-PID.EXT", as partial files are named.
  static const std::regex partial(R"(^\.(.+)\.partial-(\d{1,9})(\.[^.]*)?$)");
  std::error_code ec;
  for (fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    const std::string name = it->path().filename().string();
    std::smatch m;
    if (!std::regex_match(name, m, partial)) continue;
    const long pid = std::stol(m[2]);
    if (pid == ::getpid() || !isOurs(m[1].str() + m[3].str()) || !processIsGone(pid)) continue;
    std::error_code ignored;
    fs::remove(it->path(), ignored);
  }
}

}  // namespace plenorium::cli
