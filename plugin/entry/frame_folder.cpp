#include "frame_folder.h"

namespace plenorium {

std::string frameFolderFor(const std::string& modulePath, char separator) {
  const auto cut = modulePath.find_last_of("/\\");
  std::string folder = cut == std::string::npos ? std::string() : modulePath.substr(0, cut + 1);
  folder += FRAME_FOLDER_NAME;
  folder += separator;
  return folder;
}

}  // namespace plenorium
