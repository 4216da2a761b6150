// Text at the Windows API boundary: the host's paths are UTF-8, the wide API takes UTF-16.
#pragma once

#include <string>

namespace plenorium::host {

std::wstring widenUtf8(const std::string& text);
// The system's message for an error code from GetLastError.
std::string windowsErrorText(unsigned long code);

}  // namespace plenorium::host
