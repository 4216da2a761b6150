#include "render_job.h"

#include "host_error.h"

namespace plenorium::preview {

RenderJob::RenderJob(cli::SessionSettings settings, nlohmann::json project, cli::RenderOptions options,
                     std::function<void(const nlohmann::json& status)> notify)
    : options_(std::move(options)), notify_(std::move(notify)) {
  options_.quiet = true;
  options_.stopRequested = [this] { return cancelled_.load(); };
  options_.frameWritten = [this](long written, long total) {
    {
      const std::lock_guard lock(mutex_);
      written_ = written;
      total_ = total;
    }
    notify_(status());
  };
  thread_ = std::thread([this, settings = std::move(settings), project = std::move(project)]() mutable {
    run(std::move(settings), std::move(project));
  });
}

RenderJob::~RenderJob() {
  cancel();
  if (thread_.joinable()) thread_.join();
}

void RenderJob::run(cli::SessionSettings settings, nlohmann::json project) {
  std::string state = "done", error;
  try {
    cli::HostSession session(settings);
    session.open(cli::ProjectSource::built(std::move(project), "the preview's project"));
    if (cli::renderOpened(session, options_) == 130) state = "cancelled";
  } catch (const std::exception& e) {
    state = "failed";
    error = host::oneLine(e.what());
  }
  {
    const std::lock_guard lock(mutex_);
    state_ = state;
    error_ = error;
  }
  running_ = false;
  notify_(status());
}

nlohmann::json RenderJob::status() const {
  const std::lock_guard lock(mutex_);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  const double fps = seconds > 0 ? static_cast<double>(written_) / seconds : 0;
  nlohmann::json out = {
      {"state", state_},     {"output", options_.output},
      {"written", written_}, {"total", total_},
      {"fps", fps},          {"secondsLeft", fps > 0 ? static_cast<double>(total_ - written_) / fps : 0.0}};
  if (!error_.empty()) out["error"] = error_;
  return out;
}

}  // namespace plenorium::preview
