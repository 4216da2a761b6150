// Guards around a render's outputs: none may be a file the render reads, two renders never write
// the same frames at once, and what a killed render left behind is cleared by the next one.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <utility>

namespace plenorium::cli {

// Files a render reads, known by device and inode, so that a path through "..", "." or a symbolic
// link is recognised as the same file.
class ReadFiles {
 public:
  void add(const std::string& path);  // a file that does not exist is not read, and is left out
  // The read file that `path` is (as it was added), or null.
  const std::string* sameAs(const std::string& path) const;

 private:
  std::map<std::pair<dev_t, ino_t>, std::string> byIdentity_;
};

// Throws HostError, before anything is written, when `output` (given with `option`) is one of the
// files the render reads.
void refuseReplacingInput(const ReadFiles& inputs, const std::string& output, const std::string& option);

// An advisory lock on frames `first` to `last` of an output, held in a lock file beside it, for as
// long as the object lives. Renders of other frames of the same sequence (a farm's chunks) go on
// side by side; a second render of the same frames is refused with the process that holds them.
// The kernel lets go of a lock whose process died, so a killed render blocks nothing.
class OutputLock {
 public:
  OutputLock(const std::filesystem::path& lockFile, const std::string& outputName, long first, long last);
  ~OutputLock();  // lets go, and removes the lock file when no other render holds part of it
  OutputLock(const OutputLock&) = delete;
  OutputLock& operator=(const OutputLock&) = delete;

 private:
  std::filesystem::path path_;
  int fd_ = -1;
};

// Removes the hidden partial files in `folder` that a render killed before it could finish left
// beside an output: those whose target file name `isOurs` accepts and whose process is gone.
void removeAbandonedPartials(const std::filesystem::path& folder,
                             const std::function<bool(const std::string& targetName)>& isOurs);

}  // namespace plenorium::cli
