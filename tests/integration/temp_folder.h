// A fresh folder under the system's temporary folder for one test, removed with it.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <string>

namespace plenorium::testing {

class TempFolder {
 public:
  explicit TempFolder(const std::string& prefix)
      : path_(std::filesystem::temp_directory_path() / (prefix + "_" + std::to_string(::getpid()))) {
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace plenorium::testing
