// Decoders that take their frames from mapped buffers decode the same pixels as with FFmpeg's own
// buffers, with one or more threads, reuse a handful of buffers over a whole clip, and frames kept
// after their decoder and buffers are gone stay readable.
#include "frame_buffers.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "media_input.h"
#include "video_writer.h"
#include "world.h"

namespace plenorium::host {
namespace {

// Decodes the whole video stream of `path`, handing each frame to `seen`.
template <typename Seen>
void decodeAll(const std::string& path, int threads, FrameBuffers* buffers, Seen seen) {
  AVFormatContext* format = nullptr;
  AVCodecContext* codec = nullptr;
  const int stream = openMediaInput(path, AVMEDIA_TYPE_VIDEO, "video stream", format, codec, threads);
  if (buffers != nullptr) buffers->serve(codec);
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  auto receive = [&] {
    while (avcodec_receive_frame(codec, frame) == 0) {
      seen(frame);
      av_frame_unref(frame);
    }
  };
  while (av_read_frame(format, packet) >= 0) {
    if (packet->stream_index == stream) avcodec_send_packet(codec, packet);
    av_packet_unref(packet);
    receive();
  }
  avcodec_send_packet(codec, nullptr);
  receive();
  av_frame_free(&frame);
  av_packet_free(&packet);
  avcodec_free_context(&codec);
  avformat_close_input(&format);
}

// The visible samples of a 4:2:0 frame, plane after plane.
std::string samplesOf(const AVFrame* frame) {
  std::string samples;
  for (int plane = 0; plane < 3; ++plane) {
    const int width = plane == 0 ? frame->width : (frame->width + 1) / 2;
    const int height = plane == 0 ? frame->height : (frame->height + 1) / 2;
    for (int y = 0; y < height; ++y) {
      samples.append(reinterpret_cast<const char*>(frame->data[plane] + y * frame->linesize[plane]),
                     static_cast<std::size_t>(width));
    }
  }
  return samples;
}

TEST(FrameBuffers, DecodeAsFfmpegsOwnReusedAndOutliveTheirDecoder) {
  const auto dir = std::filesystem::temp_directory_path() / ("plenorium_buffers_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "noise.mp4").string();
  {
    // Noise changes in every frame, so every frame is coded with its neighbours as references.
    std::mt19937 random(4);
    VideoWriter writer(path, 200, 120, FrameRate::fromFps(25));
    for (int n = 0; n < 40; ++n) {
      World w(PixelDepth::U8, 200, 120);
      for (A_long y = 0; y < 120; ++y) {
        for (A_long x = 0; x < 800; ++x) w.row(y)[x] = x % 4 == 0 ? 255 : static_cast<std::uint8_t>(random() >> 24);
      }
      writer.add(w);
    }
    writer.finish();
  }
  std::vector<std::string> expected;
  decodeAll(path, 1, nullptr, [&](const AVFrame* f) { expected.push_back(samplesOf(f)); });
  ASSERT_EQ(expected.size(), 40u);

  for (const int threads : {1, 3}) {
    std::vector<std::string> decoded;
    AVFrame* kept = av_frame_alloc();
    std::optional<FrameBuffers> buffers(std::in_place);
    decodeAll(path, threads, &*buffers, [&](const AVFrame* f) {
      decoded.push_back(samplesOf(f));
      if (decoded.size() == 20) av_frame_ref(kept, f);
    });
    EXPECT_EQ(decoded, expected) << threads << " decoder threads";
    EXPECT_GT(buffers->mapped(), 0) << "the decoder took FFmpeg's buffers";
    EXPECT_LT(buffers->mapped(), 20) << "buffers are reused";
    buffers.reset();
    EXPECT_EQ(samplesOf(kept), expected[19]) << "a kept frame outlives its decoder and buffers";
    av_frame_free(&kept);
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace plenorium::host
