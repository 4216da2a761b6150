// The footage the host can read: stills and image sequences (PNG, JPEG, TIFF, EXR, ... through
// OpenImageIO) and video files (through the FFmpeg libraries). Decoded pictures are kept within
// the engine's memory budget, so a still or sequence frame shown on many frames is decoded once;
// video frames are converted straight into the world asked for, and with worker threads each
// video decodes its next frame, and each sequence its next file, while the render goes on.
#pragma once

#include <atomic>
#include <future>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bounded_cache.h"
#include "footage_provider.h"
#include "pixel_engine.h"
#include "pixel_transfer.h"
#include "worker_threads.h"

namespace plenorium::host {

class VideoReader;

// An image sequence's file names: the pattern with %0Nd or #### and the frame numbers found.
struct SequencePattern {
  std::string folder;
  std::string prefix;
  std::string suffix;
  int digits = 0;             // 0: any number of digits
  std::vector<long> numbers;  // ascending
  std::string fileFor(long number) const;
};
// Whether `path` names a sequence (no file of that name exists and its name holds %d, %0Nd or two
// or more #); when it does, fills `out` with the files that exist.
bool parseSequencePattern(const std::string& path, SequencePattern& out);

class MediaLibrary : public FootageProvider {
 public:
  // `decodeThreads`: workers that decode videos and sequences ahead (0: none, everything on the caller's thread).
  explicit MediaLibrary(PixelEngine& engine, unsigned decodeThreads = 0);
  ~MediaLibrary() override;

  // Starts opening the videos among `paths` (resolved; read upright) on the workers, each with
  // its first frame decoded, while the caller goes on (loading the effect), so that the probes
  // and the first frame that follow find them ready. Does nothing without workers. A file that
  // cannot be opened here is opened again when it is probed, which reports why.
  void openAhead(const std::vector<std::string>& paths);
  void probe(Item& item) override;
  // The files `item` reads: its own, or each file of its sequence.
  std::vector<std::string> filesOf(const Item& item);
  void readFrame(const Item& item, double seconds, int downsample, World& out) override;

  // Pictures decoded so far (video frames and picture files, also those decoded ahead), for tests
  // of what is kept.
  long decodedFrames() const;

 private:
  struct Source;
  struct Decoded {
    int width = 0, height = 0, channels = 4;
    SampleType type = SampleType::U8;
    std::vector<std::uint8_t> pixels;
  };
  Source& sourceFor(const Item& item);
  static std::string fileOf(const Source& source, long index);
  std::shared_ptr<const Decoded> picture(Source& source, long index);
  // The picture decoded ahead if it is `file`'s; waits for that decode to end either way.
  std::shared_ptr<const Decoded> takeAhead(Source& source, const std::string& file);
  std::shared_ptr<Decoded> decodePicture(const std::string& file) const;
  void readVideo(Source& source, long index, int downsample, World& out);
  // The reader openAhead opened for `path`, once its opening is done; null when there is none or
  // it failed.
  std::unique_ptr<VideoReader> openedAhead(const std::string& path);
  // Draws decoded pixels into `out`, resampled when sizes differ.
  void place(const PixelBuffer& buffer, World& out, int downsample);

  PixelEngine& engine_;
  std::map<std::string, std::unique_ptr<Source>> sources_;  // by resolved path
  long openVideos_ = 0;                                     // each keeps its file open for the whole render
  BoundedCache<std::string, std::shared_ptr<const Decoded>> pictures_;
  struct Opening {
    std::future<void> done;
    std::shared_ptr<std::unique_ptr<VideoReader>> reader;
  };
  std::map<std::string, Opening> opening_;        // by resolved path: videos openAhead is opening
  mutable std::atomic<long> decodedPictures_{0};  // counted by whichever thread decodes
  // Declared last, so that the workers stop before the readers they use go.
  std::unique_ptr<WorkerThreads> workers_;
};

}  // namespace plenorium::host
