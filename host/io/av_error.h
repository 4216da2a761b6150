// FFmpeg's words for one of its error codes, for the host's messages.
#pragma once

extern "C" {
#include <libavutil/error.h>
}

#include <string>

namespace plenorium::host {

inline std::string avError(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof(text));
  return text;
}

}  // namespace plenorium::host
