#include "video_writer.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <filesystem>
#include <vector>

#include "av_error.h"
#include "host_error.h"
#include "output_file.h"
#include "pixel_transfer.h"
#include "yuv_export.h"

namespace plenorium::host {
namespace {
constexpr int H264_THREADS = 4;
}  // namespace
namespace {

namespace fs = std::filesystem;

}  // namespace

struct VideoWriter::State {
  std::string path;    // as the user gave it, for messages
  std::string target;  // the file it replaces (a symlink's target)
  std::string temp;
  VideoFormat chosen;
  AVFormatContext* format = nullptr;
  AVCodecContext* codec = nullptr;
  AVStream* stream = nullptr;
  AVFrame* frame = nullptr;
  AVPacket* packet = nullptr;
  SwsContext* scaler = nullptr;
  std::vector<std::uint8_t> rgba;
  int width = 0, height = 0;
  std::int64_t next = 0;
  // The sound track, when there is one: samples wait in the queue for whole encoder frames.
  AVCodecContext* soundCodec = nullptr;
  AVStream* soundStream = nullptr;
  AVFrame* soundFrame = nullptr;
  SwrContext* soundConverter = nullptr;
  AVAudioFifo* soundQueue = nullptr;
  std::vector<std::uint8_t> converted;
  std::int64_t nextSound = 0;
  bool finished = false;

  ~State() {
    sws_freeContext(scaler);
    swr_free(&soundConverter);
    if (soundQueue != nullptr) av_audio_fifo_free(soundQueue);
    av_frame_free(&soundFrame);
    avcodec_free_context(&soundCodec);
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&codec);
    if (format != nullptr) {
      if (format->pb != nullptr) avio_closep(&format->pb);
      avformat_free_context(format);
    }
    if (!finished && !temp.empty()) {
      std::error_code ignored;
      fs::remove(temp, ignored);
    }
  }

  [[noreturn]] void fail(const std::string& what, int code) const {
    throw HostError("cannot write '" + path + "': " + what + (code != 0 ? " (" + avError(code) + ")" : ""));
  }

  // Hands the converted picture in `frame` to the encoder as the next frame.
  void sendFrame() {
    frame->pts = next++;
    const int r = avcodec_send_frame(codec, frame);
    if (r < 0) fail("the encoder refused a frame", r);
    drain(codec, stream, false);
  }

  void drain(AVCodecContext* from, AVStream* to, bool flushing) {
    for (;;) {
      const int r = avcodec_receive_packet(from, packet);
      if (r == AVERROR(EAGAIN) || (flushing && r == AVERROR_EOF)) return;
      if (r < 0) fail("the encoder failed", r);
      av_packet_rescale_ts(packet, from->time_base, to->time_base);
      packet->stream_index = to->index;
      const int w = av_interleaved_write_frame(format, packet);
      av_packet_unref(packet);
      if (w < 0) fail("the disk refused the data", w);
    }
  }

  void openVideo(FrameRate rate) {
    const AVCodec* encoder = avcodec_find_encoder_by_name(chosen.encoder.c_str());
    if (encoder == nullptr) fail("no " + chosen.encoder + " encoder is installed", 0);
    stream = avformat_new_stream(format, nullptr);
    codec = avcodec_alloc_context3(encoder);
    if (stream == nullptr || codec == nullptr) fail("out of memory", 0);
    codec->width = width;
    codec->height = height;
    codec->pix_fmt = av_get_pix_fmt(chosen.pixelFormat.c_str());
    codec->time_base = AVRational{rate.frameTicks, static_cast<int>(rate.timeScale)};
    codec->framerate = AVRational{static_cast<int>(rate.timeScale), rate.frameTicks};
    codec->gop_size = 25;
    codec->bit_rate = 0;
    if (chosen.rgb && chosen.codecName != "gif") {
      // RGB holds the render's own sRGB-encoded values, no matrix, full range.
      codec->colorspace = AVCOL_SPC_RGB;
      codec->color_primaries = AVCOL_PRI_BT709;
      codec->color_trc = AVCOL_TRC_IEC61966_2_1;
      codec->color_range = AVCOL_RANGE_JPEG;
    } else if (!chosen.rgb) {
      // Players assume BT.709 for HD and larger and BT.601 below; all four colour fields say which.
      const bool hd = height >= 720;
      codec->colorspace = hd ? AVCOL_SPC_BT709 : AVCOL_SPC_SMPTE170M;
      codec->color_primaries = hd ? AVCOL_PRI_BT709 : AVCOL_PRI_SMPTE170M;
      codec->color_trc = hd ? AVCOL_TRC_BT709 : AVCOL_TRC_SMPTE170M;
      codec->color_range = AVCOL_RANGE_MPEG;
    }
    if (format->oformat->flags & AVFMT_GLOBALHEADER) codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    const std::string crf = chosen.crf ? std::to_string(*chosen.crf) : "";
    if (chosen.codecName == "vp9") {
      av_opt_set(codec->priv_data, "crf", crf.c_str(), 0);
      av_opt_set(codec->priv_data, "deadline", "good", 0);
      av_opt_set(codec->priv_data, "cpu-used", "4", 0);
      av_opt_set_int(codec->priv_data, "row-mt", 1, 0);
    } else if (chosen.codecName == "h264" || chosen.codecName == "h265") {
      av_opt_set(codec->priv_data, "crf", crf.c_str(), 0);
      av_opt_set(codec->priv_data, "preset", chosen.preset.c_str(), 0);
      // x264 encodes frames in parallel, and what it makes depends on how many: the count is
      // fixed, so a video has the same bits on every machine and for every --threads.
      if (chosen.codecName == "h264") codec->thread_count = H264_THREADS;
      // x265 reports through its own log, which the libraries' quiet setting does not reach.
      if (chosen.codecName == "h265") av_opt_set(codec->priv_data, "x265-params", "log-level=error", 0);
    } else if (!chosen.profile.empty()) {
      av_opt_set(codec->priv_data, "profile", chosen.profile.c_str(), 0);
    }
    const int r = avcodec_open2(codec, encoder, nullptr);
    if (r < 0) fail("cannot open the " + chosen.encoder + " encoder", r);
    avcodec_parameters_from_context(stream->codecpar, codec);
    // Apple's players and editors open H.265 in MP4 and QuickTime only under this tag.
    const bool quickTime = chosen.container == ".mp4" || chosen.container == ".mov" || chosen.container == ".m4v";
    if (chosen.codecName == "h265" && quickTime) stream->codecpar->codec_tag = MKTAG('h', 'v', 'c', '1');
    stream->time_base = codec->time_base;
    stream->avg_frame_rate = codec->framerate;
    stream->r_frame_rate = codec->framerate;
  }

  void openSound() {
    const AVCodec* encoder = avcodec_find_encoder_by_name(chosen.soundEncoder.c_str());
    if (encoder == nullptr) fail("no " + chosen.soundEncoder + " encoder is installed", 0);
    soundStream = avformat_new_stream(format, nullptr);
    soundCodec = avcodec_alloc_context3(encoder);
    if (soundStream == nullptr || soundCodec == nullptr) fail("out of memory", 0);
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    av_channel_layout_copy(&soundCodec->ch_layout, &stereo);
    soundCodec->sample_rate = SOUND_RATE;
    soundCodec->sample_fmt = encoder->sample_fmts != nullptr ? encoder->sample_fmts[0] : AV_SAMPLE_FMT_S16;
    soundCodec->time_base = AVRational{1, SOUND_RATE};
    if (chosen.soundEncoder == "aac") soundCodec->bit_rate = 192'000;
    if (chosen.soundEncoder == "libopus") soundCodec->bit_rate = 160'000;
    if (format->oformat->flags & AVFMT_GLOBALHEADER) soundCodec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    int r = avcodec_open2(soundCodec, encoder, nullptr);
    if (r < 0) fail("cannot open the " + chosen.soundEncoder + " sound encoder", r);
    avcodec_parameters_from_context(soundStream->codecpar, soundCodec);
    soundStream->time_base = soundCodec->time_base;
    r = swr_alloc_set_opts2(&soundConverter, &soundCodec->ch_layout, soundCodec->sample_fmt, SOUND_RATE, &stereo,
                            AV_SAMPLE_FMT_FLT, SOUND_RATE, 0, nullptr);
    if (r < 0 || swr_init(soundConverter) < 0) fail("cannot convert the sound", r);
    soundQueue = av_audio_fifo_alloc(soundCodec->sample_fmt, SOUND_CHANNELS, SOUND_RATE);
    soundFrame = av_frame_alloc();
    if (soundQueue == nullptr || soundFrame == nullptr) fail("out of memory", 0);
    soundFrame->format = soundCodec->sample_fmt;
    av_channel_layout_copy(&soundFrame->ch_layout, &soundCodec->ch_layout);
    soundFrame->nb_samples = soundFrameSize();
    if (av_frame_get_buffer(soundFrame, 0) < 0) fail("out of memory", 0);
  }

  // PCM takes frames of any size; the others say theirs.
  int soundFrameSize() const { return soundCodec->frame_size > 0 ? soundCodec->frame_size : 1024; }

  // Encodes every whole frame waiting in the queue; at the end also the rest, padded with
  // silence where the encoder cannot take a short last frame.
  void encodeSound(bool last) {
    const int size = soundFrameSize();
    const bool shortLastFrame =
        (soundCodec->codec->capabilities & (AV_CODEC_CAP_SMALL_LAST_FRAME | AV_CODEC_CAP_VARIABLE_FRAME_SIZE)) != 0;
    while (av_audio_fifo_size(soundQueue) >= size || (last && av_audio_fifo_size(soundQueue) > 0)) {
      if (av_frame_make_writable(soundFrame) < 0) fail("out of memory", 0);
      const int count = std::min(size, av_audio_fifo_size(soundQueue));
      soundFrame->nb_samples = size;
      if (count < size) av_samples_set_silence(soundFrame->data, 0, size, SOUND_CHANNELS, soundCodec->sample_fmt);
      if (av_audio_fifo_read(soundQueue, reinterpret_cast<void**>(soundFrame->data), count) < count) {
        fail("the sound queue failed", 0);
      }
      if (shortLastFrame) soundFrame->nb_samples = count;
      soundFrame->pts = nextSound;
      nextSound += soundFrame->nb_samples;
      const int r = avcodec_send_frame(soundCodec, soundFrame);
      if (r < 0) fail("the sound encoder refused samples", r);
      drain(soundCodec, soundStream, false);
    }
  }
};

VideoWriter::VideoWriter(const std::string& path, int width, int height, FrameRate rate)
    : VideoWriter(path, width, height, rate, resolveVideoFormat(path, {})) {}

VideoWriter::VideoWriter(const std::string& path, int width, int height, FrameRate rate, const VideoFormat& format)
    : state_(std::make_unique<State>()) {
  // The libraries report through our errors; their own chatter stays off standard error.
  av_log_set_level(AV_LOG_QUIET);
  State& s = *state_;
  s.path = path;
  s.chosen = format;
  const fs::path target = replaceableTarget(path);
  s.target = target.string();
  s.temp = partialPathFor(s.target).string();
  // Subsampled chroma wants sizes it divides; an odd last row or column is left out.
  s.width = width & ~((1 << format.chromaShiftX) - 1);
  s.height = height & ~((1 << format.chromaShiftY) - 1);
  if (s.width < 2 || s.height < 2) s.fail("the picture is too small for video", 0);
  // Named by the partial file, with the real extension's muxer: the MP4 muxer reopens its file by
  // this name to move the index first.
  int r = avformat_alloc_output_context2(&s.format, nullptr, nullptr, s.temp.c_str());
  if (r < 0 || s.format == nullptr) s.fail("no video container for this file name", r);
  s.openVideo(rate);
  if (!format.soundEncoder.empty()) s.openSound();
  r = avio_open(&s.format->pb, s.temp.c_str(), AVIO_FLAG_WRITE);
  if (r < 0) s.fail("cannot create the file; check that its folder exists and is writable", r);
  // MP4 and QuickTime files put their index first, so that they play while they download.
  AVDictionary* options = nullptr;
  if (format.container == ".mp4" || format.container == ".mov" || format.container == ".m4v") {
    av_dict_set(&options, "movflags", "+faststart", 0);
  }
  r = avformat_write_header(s.format, &options);
  av_dict_free(&options);
  if (r < 0) s.fail("cannot start the video", r);
  s.frame = av_frame_alloc();
  s.packet = av_packet_alloc();
  if (s.frame == nullptr || s.packet == nullptr) s.fail("out of memory", 0);
  s.frame->format = s.codec->pix_fmt;
  s.frame->width = s.width;
  s.frame->height = s.height;
  // Some encoders (ProRes) write the colour fields of each frame rather than the stream's.
  s.frame->colorspace = s.codec->colorspace;
  s.frame->color_primaries = s.codec->color_primaries;
  s.frame->color_trc = s.codec->color_trc;
  s.frame->color_range = s.codec->color_range;
  if (av_frame_get_buffer(s.frame, 0) < 0) s.fail("out of memory", 0);
}

VideoWriter::~VideoWriter() = default;

void VideoWriter::add(const World& world) {
  State& s = *state_;
  // The file's frames are the world's top-left s.width x s.height pixels (an odd last column and
  // row are left out of formats that store colour at half size).
  if (world.width() < s.width || world.height() < s.height) s.fail("a frame smaller than the video was given", 0);
  if (s.codec->pix_fmt == AV_PIX_FMT_YUV420P && !s.chosen.rgb && !s.chosen.alpha) {
    // The common case (H.264 and most web video) is converted straight from the world's rows.
    if (av_frame_make_writable(s.frame) < 0) s.fail("out of memory", 0);
    const YuvMatrix matrix = s.codec->colorspace == AVCOL_SPC_BT709 ? YuvMatrix::Bt709 : YuvMatrix::Bt601;
    exportYuv420(world,
                 Yuv420Planes{s.width, s.height, s.frame->data[0], s.frame->data[1], s.frame->data[2],
                              s.frame->linesize[0], s.frame->linesize[1], s.frame->linesize[2]},
                 matrix);
    s.sendFrame();
    return;
  }
  // Deeper pixel formats get 16-bit samples; alpha stays straight where the format keeps it and
  // is otherwise composited over black (premultiplied colour without its alpha).
  const bool deep = s.chosen.bitsPerSample > 8;
  const std::size_t rowBytes = static_cast<std::size_t>(world.width()) * 4 * (deep ? 2 : 1);
  // Room past the last row: swscale reads its input in whole vector blocks.
  s.rgba.resize(rowBytes * static_cast<std::size_t>(world.height()) + 64);
  exportPixels(world, s.rgba.data(), rowBytes, deep ? SampleType::U16 : SampleType::U8, !s.chosen.alpha);
  if (s.scaler == nullptr) {
    s.scaler = sws_getContext(s.width, s.height, deep ? AV_PIX_FMT_RGBA64 : AV_PIX_FMT_RGBA, s.width, s.height,
                              s.codec->pix_fmt, SWS_BICUBIC, nullptr, nullptr, nullptr);
    if (s.scaler == nullptr) s.fail("out of memory", 0);
    if (!s.chosen.rgb) {
      // RGB becomes YUV with the matrix the file is tagged with, in limited range.
      const int matrix = s.codec->colorspace == AVCOL_SPC_BT709 ? SWS_CS_ITU709 : SWS_CS_ITU601;
      sws_setColorspaceDetails(s.scaler, sws_getCoefficients(SWS_CS_DEFAULT), 1, sws_getCoefficients(matrix), 0, 0,
                               1 << 16, 1 << 16);
    }
  }
  if (av_frame_make_writable(s.frame) < 0) s.fail("out of memory", 0);
  const std::uint8_t* planes[1] = {s.rgba.data()};
  const int strides[1] = {static_cast<int>(rowBytes)};
  sws_scale(s.scaler, planes, strides, 0, s.height, s.frame->data, s.frame->linesize);
  s.sendFrame();
}

void VideoWriter::addSound(const float* samples, int frames) {
  State& s = *state_;
  if (s.soundCodec == nullptr || frames <= 0) return;
  const int bytes = av_samples_get_buffer_size(nullptr, SOUND_CHANNELS, frames, s.soundCodec->sample_fmt, 1);
  if (bytes < 0) s.fail("the sound cannot be converted", bytes);
  s.converted.resize(static_cast<std::size_t>(bytes));
  std::uint8_t* planes[SOUND_CHANNELS] = {};
  av_samples_fill_arrays(planes, nullptr, s.converted.data(), SOUND_CHANNELS, frames, s.soundCodec->sample_fmt, 1);
  const auto* in = reinterpret_cast<const std::uint8_t*>(samples);
  const int made = swr_convert(s.soundConverter, planes, frames, &in, frames);
  if (made < 0) s.fail("the sound cannot be converted", made);
  if (av_audio_fifo_write(s.soundQueue, reinterpret_cast<void**>(planes), made) < made) s.fail("out of memory", 0);
  s.encodeSound(false);
}

void VideoWriter::finish() {
  State& s = *state_;
  if (s.finished) return;
  const int r = avcodec_send_frame(s.codec, nullptr);
  if (r < 0) s.fail("the encoder failed to finish", r);
  s.drain(s.codec, s.stream, true);
  if (s.soundCodec != nullptr) {
    s.encodeSound(true);
    const int e = avcodec_send_frame(s.soundCodec, nullptr);
    if (e < 0) s.fail("the sound encoder failed to finish", e);
    s.drain(s.soundCodec, s.soundStream, true);
  }
  const int t = av_write_trailer(s.format);
  if (t < 0) s.fail("cannot finish the video", t);
  // Buffered bytes reach the disk at the close; a failure there is a failure of the whole file.
  const int pending = s.format->pb->error;
  const int c = avio_closep(&s.format->pb);
  if (pending < 0 || c < 0) s.fail("the disk refused the data", pending < 0 ? pending : c);
  std::error_code ec;
  fs::rename(s.temp, s.target, ec);
  if (ec) s.fail(ec.message(), 0);
  s.finished = true;
}

}  // namespace plenorium::host
