// A render started from the page: the project as it stood when asked, rendered to an output in a
// host session of its own on a thread of its own, so that the preview stays usable meanwhile.
// Progress, the end and a failure are told through `notify`; cancelling leaves no partial file.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>

#include "render_command.h"

namespace plenorium::preview {

class RenderJob {
 public:
  RenderJob(cli::SessionSettings settings, nlohmann::json project, cli::RenderOptions options,
            std::function<void(const nlohmann::json& status)> notify);
  ~RenderJob();  // cancels, and waits for the thread
  RenderJob(const RenderJob&) = delete;
  RenderJob& operator=(const RenderJob&) = delete;

  void cancel() { cancelled_ = true; }
  bool running() const { return running_; }
  // {"state": "running"|"done"|"failed"|"cancelled", "output", "written", "total", "fps", "secondsLeft", "error"}
  nlohmann::json status() const;

 private:
  void run(cli::SessionSettings settings, nlohmann::json project);

  cli::RenderOptions options_;
  std::function<void(const nlohmann::json& status)> notify_;
  std::atomic<bool> cancelled_{false};
  std::atomic<bool> running_{true};
  mutable std::mutex mutex_;
  std::string state_ = "running";
  std::string error_;
  long written_ = 0, total_ = 0;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  std::thread thread_;
};

}  // namespace plenorium::preview
