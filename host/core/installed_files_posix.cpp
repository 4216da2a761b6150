#include "installed_files.h"

namespace plenorium::host {

namespace fs = std::filesystem;

fs::path programPath(std::error_code& ec) {
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::path() : exe;
}

fs::path installedFile(const std::string& name) {
  std::error_code ec;
  const fs::path exe = programPath(ec);
  const fs::path dir = ec ? fs::current_path() : exe.parent_path();
  for (const fs::path& candidate : {dir / name, dir / ".." / "lib" / "plenorium" / name}) {
    if (fs::exists(candidate, ec)) return candidate.lexically_normal();
  }
  return dir / name;
}

}  // namespace plenorium::host
