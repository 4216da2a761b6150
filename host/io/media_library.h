// The footage the host can read: stills and image sequences (PNG, JPEG, TIFF, EXR, ... through
// OpenImageIO) and video files (through the FFmpeg libraries). Decoded frames are cached, so a
// source shown on many screens or many frames is decoded once.
#pragma once

#include <list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "footage_provider.h"
#include "pixel_engine.h"
#include "pixel_transfer.h"

namespace plenorium::host {

// An image sequence's file names: the pattern with %0Nd or #### and the frame numbers found.
struct SequencePattern {
  std::string folder;
  std::string prefix;
  std::string suffix;
  int digits = 0;  // 0: any number of digits
  std::vector<long> numbers;  // ascending
  std::string fileFor(long number) const;
};
// Whether `path` names a sequence; when it does, fills `out` with the files that exist.
bool parseSequencePattern(const std::string& path, SequencePattern& out);

class MediaLibrary : public FootageProvider {
 public:
  explicit MediaLibrary(PixelEngine& engine, std::size_t cacheBytes = std::size_t{768} << 20);
  ~MediaLibrary() override;

  void probe(Item& item) override;
  void readFrame(const Item& item, double seconds, int downsample, World& out) override;

  // Frames decoded so far, for tests of the cache.
  long decodedFrames() const { return decoded_; }

 private:
  struct Source;
  struct Decoded {
    int width = 0, height = 0, channels = 4;
    SampleType type = SampleType::U8;
    std::vector<std::uint8_t> pixels;
  };
  Source& sourceFor(const Item& item);
  std::shared_ptr<const Decoded> frame(Source& source, long index);
  // Puts a freshly decoded frame in the cache, dropping the least recently used past the budget.
  std::shared_ptr<const Decoded> remember(const std::string& key, std::shared_ptr<const Decoded> decoded);

  PixelEngine& engine_;
  std::map<std::string, std::unique_ptr<Source>> sources_;  // by resolved path
  std::list<std::pair<std::string, std::shared_ptr<const Decoded>>> cache_;  // most recent first
  std::size_t cacheBytes_;
  std::size_t cachedBytes_ = 0;
  long decoded_ = 0;
};

}  // namespace plenorium::host
