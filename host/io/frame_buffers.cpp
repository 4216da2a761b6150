#include "frame_buffers.h"

extern "C" {
#include <libavutil/buffer.h>
#include <libavutil/imgutils.h>
}

#include <sys/mman.h>

#include <atomic>
#include <cstdint>
#include <mutex>

namespace plenorium::host {
namespace {

// Plane starts and line sizes are kept to this, as vector code in decoders expects.
constexpr int ALIGNMENT = 64;

void unmapBuffer(void* opaque, std::uint8_t* data) {
  ::munmap(data, reinterpret_cast<std::uintptr_t>(opaque));
}

}  // namespace

struct FrameBuffers::State {
  std::mutex mutex;
  AVBufferPool* pool = nullptr;  // of blocks of `blockBytes`
  std::size_t blockBytes = 0;
  std::atomic<long> mappings{0};

  ~State() { av_buffer_pool_uninit(&pool); }

  static AVBufferRef* map(void* opaque, std::size_t bytes) {
    auto* state = static_cast<State*>(opaque);
    void* block = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    if (block == MAP_FAILED) return nullptr;
    AVBufferRef* ref = av_buffer_create(static_cast<std::uint8_t*>(block), bytes, unmapBuffer,
                                        reinterpret_cast<void*>(static_cast<std::uintptr_t>(bytes)), 0);
    if (ref == nullptr) {
      ::munmap(block, bytes);
      return nullptr;
    }
    state->mappings.fetch_add(1);
    return ref;
  }

  // A block of `bytes` from the pool, made anew when frames change size. The pool outlives the
  // blocks it gave out: uninit frees it once the last comes back.
  AVBufferRef* block(std::size_t bytes) {
    std::lock_guard lock(mutex);
    if (bytes != blockBytes) {
      av_buffer_pool_uninit(&pool);
      pool = av_buffer_pool_init2(bytes, this, map, nullptr);
      blockBytes = bytes;
    }
    return pool != nullptr ? av_buffer_pool_get(pool) : nullptr;
  }

  // The frame laid out as FFmpeg lays it out for this decoder (its padded size, line sizes widened
  // until every one is aligned), in one block: planes one after the other.
  static int getBuffer(AVCodecContext* codec, AVFrame* frame, int flags) {
    auto* state = static_cast<State*>(codec->opaque);
    const auto format = static_cast<AVPixelFormat>(frame->format);
    if (state == nullptr || format != AV_PIX_FMT_YUV420P || (codec->codec->capabilities & AV_CODEC_CAP_DR1) == 0) {
      return avcodec_default_get_buffer2(codec, frame, flags);
    }
    int width = frame->width, height = frame->height;
    int lineAlign[AV_NUM_DATA_POINTERS];
    avcodec_align_dimensions2(codec, &width, &height, lineAlign);
    int lines[4] = {};
    for (;;) {
      if (av_image_fill_linesizes(lines, format, width) < 0) return AVERROR(EINVAL);
      bool aligned = true;
      for (int i = 0; i < 3; ++i) aligned = aligned && lines[i] % ALIGNMENT == 0 && lines[i] % lineAlign[i] == 0;
      if (aligned) break;
      width += width & ~(width - 1);
    }
    const std::ptrdiff_t strides[4] = {lines[0], lines[1], lines[2], 0};
    std::size_t planes[4] = {};
    if (av_image_fill_plane_sizes(planes, format, height, strides) < 0) return AVERROR(EINVAL);
    // Room past the last plane for decoders that read a little beyond it, as FFmpeg's own gives.
    const std::size_t bytes = planes[0] + planes[1] + planes[2] + 16 + ALIGNMENT;
    AVBufferRef* block = state->block(bytes);
    if (block == nullptr) return AVERROR(ENOMEM);
    frame->buf[0] = block;
    frame->data[0] = block->data;
    frame->data[1] = frame->data[0] + planes[0];
    frame->data[2] = frame->data[1] + planes[1];
    for (int i = 0; i < 3; ++i) frame->linesize[i] = lines[i];
    frame->extended_data = frame->data;
    return 0;
  }
};

FrameBuffers::FrameBuffers() : state_(std::make_unique<State>()) {}

FrameBuffers::~FrameBuffers() = default;

void FrameBuffers::serve(AVCodecContext* codec) {
  codec->opaque = state_.get();
  codec->get_buffer2 = State::getBuffer;
}

long FrameBuffers::mapped() const {
  return state_->mappings.load();
}

}  // namespace plenorium::host
