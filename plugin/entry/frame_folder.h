// The folder of the built-in frame pictures: `Resources` beside the module file.
#pragma once

#include <string>

namespace plenorium {

#ifdef _WIN32
inline constexpr char PATH_SEPARATOR = '\\';
#else
inline constexpr char PATH_SEPARATOR = '/';
#endif

inline constexpr const char* FRAME_FOLDER_NAME = "Resources";

// Cuts the module path after its last separator ('/' or '\\'), whatever the module is called,
// and appends the frame folder and a trailing separator.
std::string frameFolderFor(const std::string& modulePath, char separator = PATH_SEPARATOR);

}  // namespace plenorium
