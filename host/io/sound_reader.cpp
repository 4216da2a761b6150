#include "sound_reader.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "av_error.h"
#include "host_error.h"
#include "media_input.h"
#include "video_format.h"

namespace plenorium::host {
namespace {

// A jump forward of more than this is a seek rather than decoding through.
constexpr std::int64_t DECODE_THROUGH = std::int64_t{SOUND_RATE} * 2;

}  // namespace

struct SoundReader::State {
  std::string path;
  AVFormatContext* format = nullptr;
  AVCodecContext* codec = nullptr;
  AVFrame* decoded = nullptr;
  AVPacket* packet = nullptr;
  SwrContext* converter = nullptr;
  // What the converter was set up for; a stream may change its layout or rate midway.
  int convertedFormat = -1, convertedRate = -1;
  AVChannelLayout convertedLayout{};
  int stream = -1;
  AVRational timeBase{1, 1};
  double origin = 0;  // seconds on the file's clock of position 0
  // Decoded samples not yet read, interleaved, from position `pendingStart` on.
  std::vector<float> pending;
  std::int64_t pendingStart = 0;
  bool positioned = false;   // whether pendingStart is known (after the first frame since opening or seeking)
  bool started = false;      // whether anything was decoded yet
  std::int64_t readEnd = 0;  // where the last read ended: reading on from there never seeks
  bool ended = false;

  ~State() {
    swr_free(&converter);
    av_channel_layout_uninit(&convertedLayout);
    av_packet_free(&packet);
    av_frame_free(&decoded);
    avcodec_free_context(&codec);
    avformat_close_input(&format);
  }

  [[noreturn]] void fail(const std::string& what, int code) const {
    throw HostError("'" + path + "': " + what + (code != 0 ? " (" + avError(code) + ")" : ""));
  }

  std::int64_t pendingEnd() const { return pendingStart + static_cast<std::int64_t>(pending.size() / SOUND_CHANNELS); }

  void seekTo(std::int64_t position) {
    const double seconds = origin + static_cast<double>(position) / SOUND_RATE;
    const auto ts = static_cast<std::int64_t>(std::floor(seconds / av_q2d(timeBase)));
    const int r = av_seek_frame(format, stream, ts, AVSEEK_FLAG_BACKWARD);
    if (r < 0) fail("cannot seek in the sound", r);
    avcodec_flush_buffers(codec);
    swr_free(&converter);
    pending.clear();
    positioned = false;
    ended = false;
  }

  void prepareConverter(const AVFrame& frame) {
    AVChannelLayout layout{};
    if (frame.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || frame.ch_layout.nb_channels == 0) {
      av_channel_layout_default(&layout, std::max(frame.ch_layout.nb_channels, 1));
    } else {
      av_channel_layout_copy(&layout, &frame.ch_layout);
    }
    const bool same = converter != nullptr && convertedFormat == frame.format && convertedRate == frame.sample_rate &&
                      av_channel_layout_compare(&layout, &convertedLayout) == 0;
    if (same) {
      av_channel_layout_uninit(&layout);
      return;
    }
    swr_free(&converter);
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    int r = swr_alloc_set_opts2(&converter, &stereo, AV_SAMPLE_FMT_FLT, SOUND_RATE, &layout,
                                static_cast<AVSampleFormat>(frame.format), frame.sample_rate, 0, nullptr);
    if (r >= 0) r = swr_init(converter);
    av_channel_layout_uninit(&convertedLayout);
    convertedLayout = layout;
    convertedFormat = frame.format;
    convertedRate = frame.sample_rate;
    if (r < 0) fail("cannot convert its sound", r);
  }

  void append(const AVFrame* frame) {
    const int room = swr_get_out_samples(converter, frame != nullptr ? frame->nb_samples : 0);
    if (room <= 0) return;
    const std::size_t at = pending.size();
    pending.resize(at + static_cast<std::size_t>(room) * SOUND_CHANNELS);
    auto* out = reinterpret_cast<std::uint8_t*>(pending.data() + at);
    const int made = frame != nullptr
                         ? swr_convert(converter, &out, room, const_cast<const std::uint8_t**>(frame->extended_data),
                                       frame->nb_samples)
                         : swr_convert(converter, &out, room, nullptr, 0);
    if (made < 0) fail("cannot convert its sound", made);
    pending.resize(at + static_cast<std::size_t>(made) * SOUND_CHANNELS);
  }

  void takeFrames() {
    for (;;) {
      const int r = avcodec_receive_frame(codec, decoded);
      if (r == AVERROR(EAGAIN)) return;
      if (r == AVERROR_EOF) {
        if (converter != nullptr) append(nullptr);
        ended = true;
        return;
      }
      if (r < 0) fail("cannot decode its sound", r);
      prepareConverter(*decoded);
      if (!positioned) {
        const std::int64_t pts =
            decoded->best_effort_timestamp != AV_NOPTS_VALUE ? decoded->best_effort_timestamp : decoded->pts;
        const double seconds = pts != AV_NOPTS_VALUE ? static_cast<double>(pts) * av_q2d(timeBase) - origin : 0.0;
        pendingStart = std::llround(seconds * SOUND_RATE);
        positioned = true;
      }
      append(decoded);
      av_frame_unref(decoded);
    }
  }

  // Decodes one more packet's worth of sound (or learns that the sound has ended).
  void decodeMore() {
    started = true;
    for (;;) {
      const int r = av_read_frame(format, packet);
      if (r == AVERROR_EOF) {
        avcodec_send_packet(codec, nullptr);
        takeFrames();
        ended = true;
        return;
      }
      if (r < 0) fail("cannot read its sound", r);
      if (packet->stream_index != stream) {
        av_packet_unref(packet);
        continue;
      }
      const int sent = avcodec_send_packet(codec, packet);
      av_packet_unref(packet);
      // A damaged packet costs its own few milliseconds of sound, as players treat it.
      if (sent < 0 && sent != AVERROR_INVALIDDATA) fail("cannot decode its sound", sent);
      takeFrames();
      return;
    }
  }
};

SoundReader::SoundReader(const std::string& path) : state_(std::make_unique<State>()) {
  State& s = *state_;
  s.path = path;
  s.stream = openMediaInput(path, AVMEDIA_TYPE_AUDIO, "sound", s.format, s.codec);
  for (unsigned i = 0; i < s.format->nb_streams; ++i) {
    if (static_cast<int>(i) != s.stream) s.format->streams[i]->discard = AVDISCARD_ALL;
  }
  AVStream* st = s.format->streams[s.stream];
  s.timeBase = st->time_base;
  // Position 0 is where the pictures start, as the video reader counts its frames.
  const int video = av_find_best_stream(s.format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  const AVStream* clock = video >= 0 ? s.format->streams[video] : st;
  s.origin =
      clock->start_time != AV_NOPTS_VALUE ? static_cast<double>(clock->start_time) * av_q2d(clock->time_base) : 0.0;
  s.decoded = av_frame_alloc();
  s.packet = av_packet_alloc();
  if (s.decoded == nullptr || s.packet == nullptr) s.fail("out of memory", 0);
}

SoundReader::~SoundReader() = default;

void SoundReader::read(std::int64_t first, int count, float* out) {
  State& s = *state_;
  std::fill(out, out + static_cast<std::ptrdiff_t>(count) * SOUND_CHANNELS, 0.0f);
  if (count <= 0) return;
  const std::int64_t last = first + count;
  // From the start the file is read through; elsewhere a jump back, or far ahead, seeks.
  const bool nearStart = !s.started && first < DECODE_THROUGH;
  const bool jump = s.started && (first < s.readEnd || first > s.readEnd + DECODE_THROUGH);
  if ((!s.started && !nearStart) || jump) s.seekTo(std::max<std::int64_t>(first, 0));
  while (!s.ended && (!s.positioned || s.pendingEnd() < last)) s.decodeMore();
  const std::int64_t from = std::max(first, s.pendingStart), to = std::min(last, s.pendingEnd());
  if (from < to) {
    std::memcpy(out + (from - first) * SOUND_CHANNELS, s.pending.data() + (from - s.pendingStart) * SOUND_CHANNELS,
                static_cast<std::size_t>(to - from) * SOUND_CHANNELS * sizeof(float));
  }
  // What was read is done with; decoding goes on from there next time.
  const std::int64_t keep = std::clamp<std::int64_t>(last - s.pendingStart, 0, s.pendingEnd() - s.pendingStart);
  s.pending.erase(s.pending.begin(), s.pending.begin() + keep * SOUND_CHANNELS);
  s.pendingStart += keep;
  s.readEnd = last;
}

}  // namespace plenorium::host
