#include "video_reader.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <optional>

#include "av_error.h"
#include "frame_buffers.h"
#include "host_error.h"
#include "media_input.h"
#include "pixel_transfer.h"
#include "scaler_colour.h"
#include "world.h"

namespace plenorium::host {
struct VideoReader::State {
  std::string path;
  FrameBuffers buffers;  // the decoder's frames; declared before it, so that it goes after
  AVFormatContext* format = nullptr;
  AVCodecContext* codec = nullptr;
  AVFrame* decoded = nullptr;   // the newest decoded frame, frame `decodedIndex`
  AVFrame* shown = nullptr;     // the frame last converted, frame `shownIndex`
  AVFrame* incoming = nullptr;  // receives from the decoder, so that `decoded` outlives the stream's end
  AVPacket* packet = nullptr;
  SwsContext* scaler = nullptr;
  std::array<int, 3> taggedSource{-1, -1, -1};  // the width, height and format the colour tags were set for
  int taggedMatrix = -1, taggedFullRange = -1;
  std::array<int, 2> directSetting{-1, -1};  // the matrix and range `direct` was found for
  std::optional<YuvToRgbWeights> direct;
  int stream = -1;
  AVRational timeBase{1, 1};
  AVRational rate{25, 1};
  std::int64_t startPts = 0;
  long frames = 0;
  std::atomic<long> decodedCount{0};  // frames decoded, read by other threads for tests
  long decodedIndex = -1;
  long shownIndex = -1;
  long rgbaIndex = -1;  // index of the frame in `rgba`
  std::vector<std::uint8_t> rgba;
  std::vector<std::uint8_t> unturned;  // a frame before it is turned upright
  QuarterTurn turn;                    // from the stream's display matrix
  bool ended = false;
  bool sound = false;

  ~State() {
    sws_freeContext(scaler);
    av_packet_free(&packet);
    av_frame_free(&decoded);
    av_frame_free(&shown);
    av_frame_free(&incoming);
    avcodec_free_context(&codec);
    avformat_close_input(&format);
  }

  [[noreturn]] void fail(const std::string& what, int code) const {
    throw HostError("'" + path + "': " + what + (code != 0 ? " (" + avError(code) + ")" : ""));
  }

  long indexOf(std::int64_t pts) const {
    const double seconds = static_cast<double>(pts - startPts) * av_q2d(timeBase);
    return static_cast<long>(std::llround(seconds * av_q2d(rate)));
  }

  std::int64_t ptsOf(long index) const {
    return startPts + static_cast<std::int64_t>(std::llround(index / av_q2d(rate) / av_q2d(timeBase)));
  }

  // Decodes the next frame; false at the end of the stream.
  bool decodeNext() {
    for (;;) {
      const int got = avcodec_receive_frame(codec, incoming);
      if (got == 0) {
        ++decodedCount;
        av_frame_unref(decoded);
        av_frame_move_ref(decoded, incoming);
        return true;
      }
      if (got == AVERROR_EOF) return false;
      if (got != AVERROR(EAGAIN)) fail("cannot decode a frame", got);
      if (ended) {
        avcodec_send_packet(codec, nullptr);
        continue;
      }
      const int read = av_read_frame(format, packet);
      if (read < 0) {
        ended = true;
        avcodec_send_packet(codec, nullptr);
        continue;
      }
      if (packet->stream_index == stream) {
        const int sent = avcodec_send_packet(codec, packet);
        if (sent < 0 && sent != AVERROR(EAGAIN)) {
          av_packet_unref(packet);
          fail("cannot decode a packet", sent);
        }
      }
      av_packet_unref(packet);
    }
  }

  // Prepares the scaler for `frame` to `target`, following the frame's colour tags. Untagged frames
  // keep swscale's defaults (BT.601, limited range), as FFmpeg's own tools decode them.
  void prepareScaler(const AVFrame* frame, AVPixelFormat target) {
    const int width = codec->width, height = codec->height;
    const std::array<int, 3> source{frame->width, frame->height, frame->format};
    SwsContext* before = scaler;
    scaler = sws_getCachedContext(scaler, source[0], source[1], static_cast<AVPixelFormat>(source[2]), width, height,
                                  target, SWS_BICUBIC, nullptr, nullptr, nullptr);
    if (scaler == nullptr) fail("cannot convert its pixel format", 0);
    const int matrix = scalerMatrixOf(frame->colorspace);
    const int fullRange = frame->color_range == AVCOL_RANGE_JPEG ? 1 : 0;
    // A changed source or target makes a new context, which needs the tags again.
    if (scaler != before || source != taggedSource || matrix != taggedMatrix || fullRange != taggedFullRange) {
      tagScaler(scaler, matrix, fullRange != 0);
      taggedSource = source;
      taggedMatrix = matrix;
      taggedFullRange = fullRange;
    }
  }

  // The weights that convert `frame` straight into a world with swscale's bytes, if any: 4:2:0
  // 8-bit frames of the video's size and an even height (an odd one takes swscale's scaling path),
  // each colour setting checked once.
  const YuvToRgbWeights* directWeights(const AVFrame* frame) {
    if (frame->format != AV_PIX_FMT_YUV420P || frame->width != codec->width || frame->height != codec->height ||
        frame->height % 2 != 0) {
      return nullptr;
    }
    const std::array<int, 2> setting{scalerMatrixOf(frame->colorspace), frame->color_range == AVCOL_RANGE_JPEG};
    if (setting != directSetting) {
      direct = directConversion(setting[0], setting[1] != 0);
      directSetting = setting;
    }
    return direct ? &*direct : nullptr;
  }

  // The frame to convert for `index` (decoded before, so one of the two kept frames has it).
  const AVFrame* frameFor(long index) const { return index == shownIndex ? shown : decoded; }

  // Keeps the frame of `index` as the one shown last.
  void show(long index) {
    if (index == shownIndex) return;
    av_frame_unref(shown);
    if (av_frame_ref(shown, decoded) < 0) fail("out of memory", 0);
    shownIndex = index;
  }

  void convertToRgba(long index) {
    const AVFrame* frame = frameFor(index);
    prepareScaler(frame, AV_PIX_FMT_RGBA);
    const int width = codec->width, height = codec->height;
    // swscale writes whole vector blocks: rows are converted at an aligned stride into a buffer
    // with room past its end, then packed to width × 4 bytes apart.
    const std::size_t packed = static_cast<std::size_t>(width) * 4;
    const std::size_t stride = (packed + 63) & ~std::size_t{63};
    rgba.resize(stride * static_cast<std::size_t>(height) + 64);
    std::uint8_t* planes[4] = {rgba.data(), nullptr, nullptr, nullptr};
    int strides[4] = {static_cast<int>(stride), 0, 0, 0};
    sws_scale(scaler, frame->data, frame->linesize, 0, frame->height, planes, strides);
    if (stride != packed) {
      for (std::size_t y = 1; y < static_cast<std::size_t>(height); ++y) {
        std::memmove(rgba.data() + y * packed, rgba.data() + y * stride, packed);
      }
    }
    rgba.resize(packed * static_cast<std::size_t>(height));
    if (!turn.identity()) {
      unturned.swap(rgba);
      turnRgba(unturned.data(), width, height, turn, rgba);
    }
    rgbaIndex = index;
  }

  // Into an 8-bit world, whose pixels are alpha, red, green, blue in memory: directly where that
  // gives swscale's bytes, else by swscale, whose vector code converts to RGBA, not ARGB, so RGBA
  // is written and turned in place. World rows are 64-byte aligned with room past the last, as
  // swscale's vector writes need.
  void convertInto(long index, World& out) {
    const AVFrame* frame = frameFor(index);
    if (const YuvToRgbWeights* weights = directWeights(frame)) {
      importYuv420({frame->width, frame->height, frame->data[0], frame->data[1], frame->data[2], frame->linesize[0],
                    frame->linesize[1], frame->linesize[2]},
                   *weights, out);
      return;
    }
    prepareScaler(frame, AV_PIX_FMT_RGBA);
    std::uint8_t* planes[4] = {out.data(), nullptr, nullptr, nullptr};
    int strides[4] = {static_cast<int>(out.rowBytes()), 0, 0, 0};
    sws_scale(scaler, frame->data, frame->linesize, 0, frame->height, planes, strides);
    rgbaToArgbInPlace(out);
  }

  // Brings `decoded` to frame `index` (clamped), unless one of the kept frames is it.
  void decodeTo(long index) {
    if (index == decodedIndex || index == shownIndex) return;
    // Onward within a few frames: keep decoding. Anything else: seek to the key frame before.
    if (decodedIndex < 0 || index < decodedIndex || index > decodedIndex + 48) seekTo(index);
    while (decodeNext()) {
      const std::int64_t pts =
          decoded->best_effort_timestamp != AV_NOPTS_VALUE ? decoded->best_effort_timestamp : decoded->pts;
      if (indexOf(pts) >= index) {
        decodedIndex = index;
        return;
      }
      decodedIndex = indexOf(pts);  // a frame before the wanted one
    }
    // The stream ended before the wanted frame: the last decoded frame stands for it.
    if (decoded->data[0] == nullptr) fail("has no frame " + std::to_string(index), 0);
    decodedIndex = index;
  }

  void seekTo(long index) {
    const int r = av_seek_frame(format, stream, ptsOf(index), AVSEEK_FLAG_BACKWARD);
    if (r < 0) fail("cannot seek", r);
    avcodec_flush_buffers(codec);
    ended = false;
    decodedIndex = -1;
  }
};

namespace {

// How FFmpeg's own tools turn a stream with this display matrix upright: quarter turns, with the
// mirrorings a matrix may add. Other angles are left as they are.
QuarterTurn turnOf(const std::int32_t* matrix) {
  if (matrix == nullptr) return {};
  double theta = -std::round(av_display_rotation_get(matrix));
  theta -= 360 * std::floor(theta / 360 + 0.9 / 360);
  if (std::fabs(theta - 90) < 1)
    return matrix[3] > 0 ? QuarterTurn{true, false, false} : QuarterTurn{true, false, true};
  if (std::fabs(theta - 180) < 1) return {false, matrix[0] < 0, matrix[4] < 0};
  if (std::fabs(theta - 270) < 1) return matrix[3] < 0 ? QuarterTurn{true, true, true} : QuarterTurn{true, true, false};
  if (std::fabs(theta) < 1) return {false, false, matrix[4] < 0};
  return {};
}

}  // namespace

VideoReader::VideoReader(const std::string& path, int decoderThreads, bool upright)
    : state_(std::make_unique<State>()) {
  State& s = *state_;
  s.path = path;
  s.stream = openMediaInput(path, AVMEDIA_TYPE_VIDEO, "video stream", s.format, s.codec, decoderThreads);
  // A decoder on one thread (beside the host's own helpers) holds a handful of frames. One with
  // threads of its own keeps FFmpeg's buffers: with the mapped ones it was seen to hold more memory
  // at its peak.
  if (decoderThreads == 1) s.buffers.serve(s.codec);
  AVStream* st = s.format->streams[s.stream];
  s.sound = av_find_best_stream(s.format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0) >= 0;
  if (upright) {
    s.turn =
        turnOf(reinterpret_cast<const std::int32_t*>(av_stream_get_side_data(st, AV_PKT_DATA_DISPLAYMATRIX, nullptr)));
  }
  s.decoded = av_frame_alloc();
  s.shown = av_frame_alloc();
  s.incoming = av_frame_alloc();
  s.packet = av_packet_alloc();
  if (s.decoded == nullptr || s.shown == nullptr || s.incoming == nullptr || s.packet == nullptr)
    s.fail("out of memory", 0);
  s.timeBase = st->time_base;
  // The nominal rate; the average is measured from the packets and can be off for short files.
  s.rate = st->r_frame_rate.num > 0 && st->r_frame_rate.den > 0 ? st->r_frame_rate : st->avg_frame_rate;
  if (s.rate.num <= 0 || s.rate.den <= 0) s.rate = {25, 1};
  s.startPts = st->start_time != AV_NOPTS_VALUE ? st->start_time : 0;
  if (st->nb_frames > 0) {
    s.frames = static_cast<long>(st->nb_frames);
  } else if (st->duration != AV_NOPTS_VALUE) {
    s.frames = static_cast<long>(std::llround(st->duration * av_q2d(st->time_base) * av_q2d(s.rate)));
  } else if (s.format->duration != AV_NOPTS_VALUE) {
    s.frames = static_cast<long>(std::llround(s.format->duration / double(AV_TIME_BASE) * av_q2d(s.rate)));
  }
  s.frames = std::max(s.frames, 1L);
}

VideoReader::~VideoReader() = default;

int VideoReader::width() const {
  return state_->turn.swapAxes ? state_->codec->height : state_->codec->width;
}
int VideoReader::height() const {
  return state_->turn.swapAxes ? state_->codec->width : state_->codec->height;
}
bool VideoReader::turned() const {
  return !state_->turn.identity();
}
double VideoReader::fps() const {
  return av_q2d(state_->rate);
}
long VideoReader::frameCount() const {
  return state_->frames;
}
bool VideoReader::hasSound() const {
  return state_->sound;
}
double VideoReader::pixelAspect() const {
  const AVRational sar = state_->codec->sample_aspect_ratio;
  return sar.num > 0 && sar.den > 0 ? av_q2d(sar) : 1.0;
}

const std::vector<std::uint8_t>& VideoReader::frame(long index) {
  State& s = *state_;
  index = std::clamp(index, 0L, s.frames - 1);
  if (index == s.rgbaIndex) return s.rgba;
  s.decodeTo(index);
  s.convertToRgba(index);
  s.show(index);
  return s.rgba;
}

void VideoReader::frameInto(long index, World& out) {
  State& s = *state_;
  if (out.depth() != PixelDepth::U8 || out.width() != s.codec->width || out.height() != s.codec->height ||
      !s.turn.identity()) {
    throw HostError("'" + s.path + "': a frame is converted only into an 8-bit world of the video's size, upright");
  }
  index = std::clamp(index, 0L, s.frames - 1);
  s.decodeTo(index);
  s.convertInto(index, out);
  s.show(index);
}

long VideoReader::framesDecoded() const {
  return state_->decodedCount;
}

void VideoReader::decodeAhead(long index) {
  state_->decodeTo(std::clamp(index, 0L, state_->frames - 1));
}

}  // namespace plenorium::host
