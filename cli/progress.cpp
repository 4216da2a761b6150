#include "progress.h"

#include <unistd.h>

#include <cstdio>

namespace plenorium::cli {

Progress::Progress(long total, bool quiet)
    : total_(total), quiet_(quiet), terminal_(isatty(STDERR_FILENO) != 0), start_(std::chrono::steady_clock::now()) {}

void Progress::frameDone(const std::string& name) {
  ++done_;
  if (quiet_) return;
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  const double fps = static_cast<double>(done_) / std::max(seconds, 1e-9);
  const double left = static_cast<double>(total_ - done_) / std::max(fps, 1e-9);
  if (!terminal_) {
    std::fprintf(stderr, "frame %ld/%ld  %s  %.2f fps\n", done_, total_, name.c_str(), fps);
    return;
  }
  constexpr int WIDTH = 30;
  const int filled = static_cast<int>(WIDTH * done_ / std::max(total_, 1L));
  std::string bar(static_cast<std::size_t>(filled), '#');
  bar.append(static_cast<std::size_t>(WIDTH - filled), '-');
  std::fprintf(stderr, "\r[%s] %ld/%ld frames  %.2f fps  %.0fs left ", bar.c_str(), done_, total_, fps, left);
  std::fflush(stderr);
}

void Progress::finish() {
  if (!quiet_ && terminal_) std::fprintf(stderr, "\n");
}

}  // namespace plenorium::cli
