// What the video and sound readers share: opening a media file, reading its list of streams and
// opening a decoder for its best stream of one kind. Failures throw HostError naming the file,
// with FFmpeg's reason.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <string>

namespace plenorium::host {

// Fills `format` and `codec`, which the caller closes (avformat_close_input, avcodec_free_context)
// also when this throws, and returns the stream's index. `kind` names the stream in the message
// when there is none: "video stream", "sound". `threads` is the decoder's own thread count (0: as
// many as it finds useful).
int openMediaInput(const std::string& path, AVMediaType type, const char* kind, AVFormatContext*& format,
                   AVCodecContext*& codec, int threads = 0);

}  // namespace plenorium::host
