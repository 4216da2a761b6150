#include "media_input.h"

extern "C" {
#include <libavutil/log.h>
}

#include "av_error.h"
#include "host_error.h"

namespace plenorium::host {

int openMediaInput(const std::string& path, AVMediaType type, const char* kind, AVFormatContext*& format,
                   AVCodecContext*& codec, int threads) {
  // Failures are reported in our errors, with FFmpeg's reason; its own lines stay off standard error.
  av_log_set_level(AV_LOG_QUIET);
  auto fail = [&](const std::string& what, int code) {
    throw HostError("'" + path + "': " + what + (code != 0 ? " (" + avError(code) + ")" : ""));
  };
  int r = avformat_open_input(&format, path.c_str(), nullptr, nullptr);
  if (r < 0) fail("cannot open the file", r);
  r = avformat_find_stream_info(format, nullptr);
  if (r < 0) fail("cannot read the file's streams", r);
  const AVCodec* decoder = nullptr;
  const int stream = av_find_best_stream(format, type, -1, -1, &decoder, 0);
  if (stream < 0 || decoder == nullptr)
    fail(std::string("has no ") + kind + " this host can decode", stream < 0 ? stream : 0);
  const AVStream* st = format->streams[stream];
  codec = avcodec_alloc_context3(decoder);
  if (codec == nullptr) fail("out of memory", 0);
  avcodec_parameters_to_context(codec, st->codecpar);
  codec->pkt_timebase = st->time_base;
  codec->thread_count = threads;
  r = avcodec_open2(codec, decoder, nullptr);
  if (r < 0) fail("cannot open its decoder", r);
  return stream;
}

}  // namespace plenorium::host
