#include "progress.h"

#include <unistd.h>

#include <algorithm>
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
  // The share done and the time left first, as users of long renders look for them.
  const long secondsLeft = static_cast<long>(left + 0.5);
  std::fprintf(stderr, "\r[%s] %3ld%%  %ld:%02ld:%02ld left  %ld/%ld frames  %.2f fps ", bar.c_str(),
               100 * done_ / std::max(total_, 1L), secondsLeft / 3600, secondsLeft / 60 % 60, secondsLeft % 60, done_,
               total_, fps);
  std::fflush(stderr);
}

void Progress::finish() {
  if (!quiet_ && terminal_) std::fprintf(stderr, "\n");
}

}  // namespace plenorium::cli
