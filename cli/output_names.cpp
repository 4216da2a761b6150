#include "output_names.h"

#include <cstdio>
#include <regex>

#include "host_error.h"
#include "image_writer.h"

namespace plenorium::cli {

namespace fs = std::filesystem;
using host::HostError;

namespace {
const char* const VIDEO_EXTENSIONS[] = {".mp4", ".mov", ".mkv", ".m4v", ".webm", ".gif"};
}  // namespace

std::string lowerCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

OutputKind outputKindOf(const std::string& output) {
  if (output.empty() || output.back() == '/' || fs::is_directory(output)) return OutputKind::FOLDER;
  const std::string extension = lowerCase(fs::path(output).extension().string());
  if (extension.empty()) return OutputKind::FOLDER;
  for (const char* video : VIDEO_EXTENSIONS) {
    if (extension == video) return OutputKind::VIDEO;
  }
  if (host::canWritePicture(output)) return OutputKind::PICTURES;
  throw HostError("'" + output + "': cannot write " + extension +
                  " files; name a folder, pictures (.png, .tif, .exr, .jpg, .webp, .bmp, ...) or a video (.mp4, .mov, "
                  ".mkv, .webm, .gif)");
}

OutputNames::OutputNames(const std::string& output, const std::string& compName, bool singleFrame, OutputKind kind) {
  if (kind == OutputKind::FOLDER) {
    folder_ = output.empty() ? fs::path("out") / compName : fs::path(output);
    prefix_ = compName + "_";
    return;
  }
  folder_ = fs::path(output).parent_path();
  pattern_ = fs::path(output).filename().string();
  static const std::regex widths(R"(%0?(\d+)d|(#+))");
  std::smatch m;
  if (std::regex_search(pattern_, m, widths) &&
      (m[1].length() > 1 || m.length(2) > 9 || (m[1].matched && m[1] == "0"))) {
    throw HostError("'" + output + "': a frame number takes 1 to 9 digits (%04d or ####)");
  }
  if (!std::regex_search(pattern_, std::regex(R"(%0?\d*d|#)")) && !singleFrame) {
    throw HostError("'" + output +
                    "' names one picture but several frames are rendered: put %04d or #### in the "
                    "name, or name a video (.mp4, .mov)");
  }
}

std::string OutputNames::nameFor(long frame) const {
  const long number = frame - firstFrame_ + firstNumber_;
  if (pattern_.empty()) {
    char digits[32];
    std::snprintf(digits, sizeof(digits), "%04ld", number);
    return (folder_ / (prefix_ + digits + ".png")).string();
  }
  static const std::regex printf(R"(%0?(\d*)d)");
  static const std::regex hashes(R"(#+)");
  std::smatch m;
  std::string name = pattern_;
  char digits[32];
  if (std::regex_search(pattern_, m, printf)) {
    std::snprintf(digits, sizeof(digits), "%0*ld", m[1].length() > 0 ? std::stoi(m[1]) : 1, number);
    name = m.prefix().str() + digits + m.suffix().str();
  } else if (std::regex_search(pattern_, m, hashes)) {
    std::snprintf(digits, sizeof(digits), "%0*ld", static_cast<int>(m.length(0)), number);
    name = m.prefix().str() + digits + m.suffix().str();
  }
  return (folder_ / name).string();
}

}  // namespace plenorium::cli
