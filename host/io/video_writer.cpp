#include "video_writer.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <filesystem>
#include <vector>

#include "host_error.h"
#include "output_file.h"
#include "pixel_transfer.h"

namespace plenorium::host {
namespace {

namespace fs = std::filesystem;

std::string avError(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof(text));
  return text;
}

}  // namespace

struct VideoWriter::State {
  std::string path;    // as the user gave it, for messages
  std::string target;  // the file it replaces (a symlink's target)
  std::string temp;
  AVFormatContext* format = nullptr;
  AVCodecContext* codec = nullptr;
  AVStream* stream = nullptr;
  AVFrame* frame = nullptr;
  AVPacket* packet = nullptr;
  SwsContext* scaler = nullptr;
  std::vector<std::uint8_t> rgba;
  int width = 0, height = 0;
  std::int64_t next = 0;
  bool headerWritten = false;
  bool finished = false;

  ~State() {
    sws_freeContext(scaler);
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

  void drain(bool flushing) {
    for (;;) {
      const int r = avcodec_receive_packet(codec, packet);
      if (r == AVERROR(EAGAIN) || (flushing && r == AVERROR_EOF)) return;
      if (r < 0) fail("the encoder failed", r);
      av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
      packet->stream_index = stream->index;
      const int w = av_interleaved_write_frame(format, packet);
      av_packet_unref(packet);
      if (w < 0) fail("the disk refused the data", w);
    }
  }
};

VideoWriter::VideoWriter(const std::string& path, int width, int height, FrameRate rate)
    : state_(std::make_unique<State>()) {
  // The libraries report through our errors; their own chatter stays off standard error.
  av_log_set_level(AV_LOG_QUIET);
  State& s = *state_;
  s.path = path;
  const fs::path target = replaceableTarget(path);
  s.target = target.string();
  s.temp = partialPathFor(s.target).string();
  // H.264 in 4:2:0 wants even sizes; an odd last row or column is left out.
  s.width = width & ~1;
  s.height = height & ~1;
  if (s.width < 2 || s.height < 2) s.fail("the picture is too small for video", 0);
  // Named by the partial file: the MP4 muxer reopens its file by this name to move the index first.
  int r = avformat_alloc_output_context2(&s.format, nullptr, nullptr, s.temp.c_str());
  if (r < 0 || s.format == nullptr) s.fail("no video container for this file name", r);
  // The encoder the container is for: VP9 in WebM, GIF's own, and H.264 elsewhere.
  std::string extension = target.extension().string();
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const bool webm = extension == ".webm", gif = extension == ".gif";
  const AVCodec* encoder = nullptr;
  if (webm) {
    encoder = avcodec_find_encoder_by_name("libvpx-vp9");
  } else if (gif) {
    encoder = avcodec_find_encoder(AV_CODEC_ID_GIF);
  } else {
    encoder = avcodec_find_encoder_by_name("libx264");
    if (encoder == nullptr) encoder = avcodec_find_encoder(AV_CODEC_ID_H264);
    if (encoder == nullptr) encoder = avcodec_find_encoder(AV_CODEC_ID_MPEG4);
  }
  if (encoder == nullptr) s.fail("no video encoder for this kind of file is installed", 0);
  s.stream = avformat_new_stream(s.format, nullptr);
  s.codec = avcodec_alloc_context3(encoder);
  s.codec->width = s.width;
  s.codec->height = s.height;
  s.codec->pix_fmt = gif ? AV_PIX_FMT_RGB8 : AV_PIX_FMT_YUV420P;
  s.codec->time_base = AVRational{rate.frameTicks, static_cast<int>(rate.timeScale)};
  s.codec->framerate = AVRational{static_cast<int>(rate.timeScale), rate.frameTicks};
  s.codec->gop_size = 25;
  s.codec->bit_rate = 0;
  if (!gif) {
    // Players assume BT.709 for HD and larger and BT.601 below; all four colour fields say which.
    const bool hd = s.height >= 720;
    s.codec->colorspace = hd ? AVCOL_SPC_BT709 : AVCOL_SPC_SMPTE170M;
    s.codec->color_primaries = hd ? AVCOL_PRI_BT709 : AVCOL_PRI_SMPTE170M;
    s.codec->color_trc = hd ? AVCOL_TRC_BT709 : AVCOL_TRC_SMPTE170M;
    s.codec->color_range = AVCOL_RANGE_MPEG;
  }
  if (s.format->oformat->flags & AVFMT_GLOBALHEADER) s.codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  if (webm) {
    av_opt_set(s.codec->priv_data, "crf", "31", 0);
    av_opt_set(s.codec->priv_data, "deadline", "good", 0);
    av_opt_set(s.codec->priv_data, "cpu-used", "4", 0);
    av_opt_set_int(s.codec->priv_data, "row-mt", 1, 0);
  } else if (!gif) {
    av_opt_set(s.codec->priv_data, "crf", "18", 0);
    av_opt_set(s.codec->priv_data, "preset", "medium", 0);
  }
  if (encoder->id == AV_CODEC_ID_MPEG4) s.codec->bit_rate = 8'000'000;
  r = avcodec_open2(s.codec, encoder, nullptr);
  if (r < 0) s.fail("cannot open the video encoder", r);
  avcodec_parameters_from_context(s.stream->codecpar, s.codec);
  s.stream->time_base = s.codec->time_base;
  s.stream->avg_frame_rate = s.codec->framerate;
  s.stream->r_frame_rate = s.codec->framerate;
  r = avio_open(&s.format->pb, s.temp.c_str(), AVIO_FLAG_WRITE);
  if (r < 0) s.fail("cannot create the file; check that its folder exists and is writable", r);
  // MP4 and QuickTime files put their index first, so that they play while they download.
  AVDictionary* options = nullptr;
  if (extension == ".mp4" || extension == ".mov" || extension == ".m4v") av_dict_set(&options, "movflags", "+faststart", 0);
  r = avformat_write_header(s.format, &options);
  av_dict_free(&options);
  if (r < 0) s.fail("cannot start the video", r);
  s.headerWritten = true;
  s.frame = av_frame_alloc();
  s.frame->format = s.codec->pix_fmt;
  s.frame->width = s.width;
  s.frame->height = s.height;
  if (av_frame_get_buffer(s.frame, 0) < 0) s.fail("out of memory", 0);
  s.packet = av_packet_alloc();
}

VideoWriter::~VideoWriter() = default;

void VideoWriter::add(const World& world) {
  State& s = *state_;
  const std::size_t rowBytes = static_cast<std::size_t>(world.width()) * 4;
  // Room past the last row: swscale reads its input in whole vector blocks.
  s.rgba.resize(rowBytes * static_cast<std::size_t>(world.height()) + 64);
  exportPixels(world, s.rgba.data(), rowBytes, SampleType::U8, true);
  if (s.scaler == nullptr) {
    s.scaler = sws_getContext(s.width, s.height, AV_PIX_FMT_RGBA, s.width, s.height, s.codec->pix_fmt, SWS_BICUBIC,
                              nullptr, nullptr, nullptr);
    if (s.scaler == nullptr) s.fail("out of memory", 0);
    // RGB becomes YUV with the matrix the file is tagged with, in limited range.
    if (s.codec->colorspace == AVCOL_SPC_BT709) {
      sws_setColorspaceDetails(s.scaler, sws_getCoefficients(SWS_CS_DEFAULT), 1, sws_getCoefficients(SWS_CS_ITU709), 0, 0,
                               1 << 16, 1 << 16);
    }
  }
  if (av_frame_make_writable(s.frame) < 0) s.fail("out of memory", 0);
  const std::uint8_t* planes[1] = {s.rgba.data()};
  const int strides[1] = {static_cast<int>(rowBytes)};
  sws_scale(s.scaler, planes, strides, 0, s.height, s.frame->data, s.frame->linesize);
  s.frame->pts = s.next++;
  const int r = avcodec_send_frame(s.codec, s.frame);
  if (r < 0) s.fail("the encoder refused a frame", r);
  s.drain(false);
}

void VideoWriter::finish() {
  State& s = *state_;
  if (s.finished) return;
  const int r = avcodec_send_frame(s.codec, nullptr);
  if (r < 0) s.fail("the encoder failed to finish", r);
  s.drain(true);
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
