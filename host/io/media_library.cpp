#include "media_library.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <regex>

#include "host_error.h"
#include "picture_codec.h"
#include "pixel_transfer.h"
#include "png_reader.h"
#include "video_reader.h"

namespace plenorium::host {
namespace {

std::size_t physicalMemoryBytes() {
  const long pages = ::sysconf(_SC_PHYS_PAGES);
  const long pageSize = ::sysconf(_SC_PAGESIZE);
  return pages > 0 && pageSize > 0 ? static_cast<std::size_t>(pages) * static_cast<std::size_t>(pageSize)
                                   : std::numeric_limits<std::size_t>::max();
}

// Refuses a picture of `bytes` that would take more than half of this machine's memory.
void requireHoldable(const std::string& file, int width, int height, std::size_t bytes) {
  if (bytes <= physicalMemoryBytes() / 2) return;
  throw HostError("'" + file + "': a " + std::to_string(width) + "x" + std::to_string(height) + " picture needs " +
                  std::to_string(bytes >> 20) + " MB, more than this machine can hold");
}

namespace fs = std::filesystem;

// Files the process keeps for everything but its videos: the output, pictures being read and
// written, the trace, libraries loaded on demand, the preview's connections.
constexpr long FILES_KEPT_FOR_OTHERS = 48;

// Each video keeps its file open for the whole render. One more than the process may open is
// refused while files are still to spare, naming the limit, rather than failing somewhere that
// needs a file later.
void requireFileToSpare(const std::string& file, long openVideos) {
  rlimit limit{};
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return;
  const long allowed = static_cast<long>(limit.rlim_cur);
  const long kept = std::min(FILES_KEPT_FOR_OTHERS, allowed / 4);
  if (openVideos + 1 + kept <= allowed) return;
  throw HostError("'" + file + "': cannot open another video: this process may open " + std::to_string(allowed) +
                  " files at once (ulimit -n), and each video stays open for the render (" +
                  std::to_string(openVideos) + " are open, " + std::to_string(kept) +
                  " are kept for the rest); raise the limit, for example with `ulimit -n 4096`");
}

enum class Kind { STILL, SEQUENCE, VIDEO };

Kind kindOf(const std::string& path, bool sequence) {
  if (sequence) return Kind::SEQUENCE;
  std::string ext = fs::path(path).extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  static const char* const VIDEO[] = {".mp4", ".mov", ".mkv", ".avi", ".webm", ".m4v", ".mxf"};
  for (const char* v : VIDEO) {
    if (ext == v) return Kind::VIDEO;
  }
  return Kind::STILL;
}

}  // namespace

std::string SequencePattern::fileFor(long number) const {
  std::string digitsText = std::to_string(number);
  if (static_cast<int>(digitsText.size()) < digits)
    digitsText.insert(0, static_cast<std::size_t>(digits) - digitsText.size(), '0');
  return (fs::path(folder) / (prefix + digitsText + suffix)).string();
}

bool parseSequencePattern(const std::string& path, SequencePattern& out) {
  // A file that exists is that file, whatever characters its name holds (a#b.mp4, 50%d.mp4).
  std::error_code exists;
  if (fs::is_regular_file(path, exists)) return false;
  const fs::path p(path);
  const std::string name = p.filename().string();
  // The placeholders: %d, %0Nd, or a run of two or more # (a lone # is part of a name).
  static const std::regex printf(R"(^(.*)%0?(\d*)d(.*)$)");
  static const std::regex hashes(R"(^([^#]*)(##+)(.*)$)");
  std::smatch m;
  if (std::regex_match(name, m, printf)) {
    // File names carry at most nine digits of frame number (see below).
    if (m[2].length() > 1) throw HostError("'" + path + "': a frame number takes 1 to 9 digits (%04d or ####)");
    out.digits = m[2].length() > 0 ? std::stoi(m[2]) : 0;
  } else if (std::regex_match(name, m, hashes)) {
    out.digits = static_cast<int>(m[2].length());
  } else {
    return false;
  }
  out.prefix = m[1];
  out.suffix = m[3];
  out.folder = p.parent_path().string();
  out.numbers.clear();
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(out.folder.empty() ? "." : out.folder, ec)) {
    const std::string file = entry.path().filename().string();
    if (file.size() <= out.prefix.size() + out.suffix.size() || file.compare(0, out.prefix.size(), out.prefix) != 0 ||
        file.compare(file.size() - out.suffix.size(), out.suffix.size(), out.suffix) != 0) {
      continue;
    }
    const std::string middle = file.substr(out.prefix.size(), file.size() - out.prefix.size() - out.suffix.size());
    if (middle.empty() || middle.size() > 9 || !std::all_of(middle.begin(), middle.end(), ::isdigit)) continue;
    if (out.digits > 0 && static_cast<int>(middle.size()) != out.digits) continue;
    out.numbers.push_back(std::stol(middle));
  }
  std::sort(out.numbers.begin(), out.numbers.end());
  return true;
}

struct MediaLibrary::Source {
  std::string path;
  Kind kind = Kind::STILL;
  SequencePattern sequence;
  std::unique_ptr<VideoReader> video;
  std::future<void> ahead;  // a worker decoding the video's next frame
  // A worker decoding the sequence's next file, `aheadFile`, into `aheadPicture`.
  std::future<void> aheadDecode;
  std::string aheadFile;
  std::shared_ptr<std::shared_ptr<const MediaLibrary::Decoded>> aheadPicture;
  int width = 0, height = 0;
  double fps = 25, pixelAspect = 1;
  long frames = 1;
};

MediaLibrary::MediaLibrary(PixelEngine& engine, unsigned decodeThreads)
    : engine_(engine),
      pictures_(engine.budget(), [](const std::shared_ptr<const Decoded>& d) { return d->pixels.size(); }),
      workers_(decodeThreads > 0 ? std::make_unique<WorkerThreads>(decodeThreads) : nullptr) {}

// The workers go first (declared last) and finish what they were given before the readers go.
MediaLibrary::~MediaLibrary() = default;

long MediaLibrary::decodedFrames() const {
  long frames = decodedPictures_;
  for (const auto& [path, source] : sources_) {
    if (source->video) frames += source->video->framesDecoded();
  }
  return frames;
}

namespace {

// A picture file that is not a PNG, opened by the picture module.
std::unique_ptr<PictureFile> openPicture(const std::string& file) {
  std::string error;
  std::unique_ptr<PictureFile> in = pictureCodec().open(file, error);
  if (!in) throw HostError("'" + file + "': " + error);
  return in;
}

bool isPng(const std::string& file) {
  std::string ext = fs::path(file).extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext == ".png";
}

void probeImage(const std::string& file, int& width, int& height, double& aspect) {
  if (isPng(file)) {
    const PngHeader header = readPngHeader(file);
    width = header.width;
    height = header.height;
    aspect = header.pixelAspect;
    return;
  }
  const std::unique_ptr<PictureFile> in = openPicture(file);
  width = in->info().width;
  height = in->info().height;
  aspect = in->info().pixelAspect;
}

}  // namespace

MediaLibrary::Source& MediaLibrary::sourceFor(const Item& item) {
  // The same file read as it is recorded, not turned upright, is another source.
  const std::string key = item.autorotate ? item.resolvedPath : item.resolvedPath + "\n(as recorded)";
  auto it = sources_.find(key);
  if (it != sources_.end()) return *it->second;
  auto source = std::make_unique<Source>();
  source->path = item.resolvedPath;
  const bool isSequence = parseSequencePattern(item.resolvedPath, source->sequence);
  source->kind = kindOf(item.resolvedPath, isSequence);
  source->fps = item.rate.fps();
  switch (source->kind) {
    case Kind::SEQUENCE:
      if (source->sequence.numbers.empty()) {
        throw HostError("'" + item.resolvedPath + "': no file of this sequence exists");
      }
      probeImage(source->sequence.fileFor(source->sequence.numbers.front()), source->width, source->height,
                 source->pixelAspect);
      source->frames = source->sequence.numbers.back() - source->sequence.numbers.front() + 1;
      break;
    case Kind::VIDEO:
      if (item.autorotate) source->video = openedAhead(item.resolvedPath);
      if (!source->video) {
        requireFileToSpare(item.resolvedPath, openVideos_ + static_cast<long>(opening_.size()));
        // With workers, videos are decoded side by side, each by one thread: as fast, and without
        // the frames a decoder's own threads keep in flight.
        source->video = std::make_unique<VideoReader>(item.resolvedPath, workers_ ? 1 : 0, item.autorotate);
      }
      source->width = source->video->width();
      source->height = source->video->height();
      source->fps = source->video->fps();
      source->frames = source->video->frameCount();
      source->pixelAspect = source->video->pixelAspect();
      ++openVideos_;
      break;
    case Kind::STILL:
      if (!fs::exists(item.resolvedPath)) throw HostError("'" + item.resolvedPath + "': no such file");
      probeImage(item.resolvedPath, source->width, source->height, source->pixelAspect);
      source->frames = 1;
      break;
  }
  return *sources_.emplace(key, std::move(source)).first->second;
}

void MediaLibrary::openAhead(const std::vector<std::string>& paths) {
  if (!workers_) return;
  for (const std::string& path : paths) {
    SequencePattern sequence;
    if (opening_.count(path) != 0 || sources_.count(path) != 0 ||
        kindOf(path, parseSequencePattern(path, sequence)) != Kind::VIDEO) {
      continue;
    }
    // Files that the render will need more are not taken for this.
    try {
      requireFileToSpare(path, openVideos_ + static_cast<long>(opening_.size()));
    } catch (const HostError&) {
      return;
    }
    auto reader = std::make_shared<std::unique_ptr<VideoReader>>();
    std::future<void> done = workers_->run([path, reader] {
      auto video = std::make_unique<VideoReader>(path, 1, true);
      video->decodeAhead(0);
      *reader = std::move(video);
    });
    opening_.emplace(path, Opening{std::move(done), std::move(reader)});
  }
}

std::unique_ptr<VideoReader> MediaLibrary::openedAhead(const std::string& path) {
  const auto it = opening_.find(path);
  if (it == opening_.end()) return nullptr;
  Opening opening = std::move(it->second);
  opening_.erase(it);
  try {
    opening.done.get();
  } catch (const std::exception&) {
    return nullptr;  // opened again by the caller, which reports the error
  }
  return std::move(*opening.reader);
}

void MediaLibrary::probe(Item& item) {
  Source& s = sourceFor(item);
  // A header may claim any size: a picture that this machine could not hold even at 8 bits is
  // refused now, naming the file, rather than failing somewhere in the render.
  requireHoldable(item.resolvedPath, s.width, s.height,
                  static_cast<std::size_t>(std::max(s.width, 0)) * static_cast<std::size_t>(std::max(s.height, 0)) * 4);
  item.width = s.width;
  item.height = s.height;
  item.pixelAspect = s.pixelAspect;
  if (s.kind == Kind::VIDEO) item.rate = FrameRate::fromFps(s.fps);
  item.hasSound = s.kind == Kind::VIDEO && s.video->hasSound();
  item.duration = s.kind == Kind::STILL ? 0.0 : static_cast<double>(s.frames) / s.fps;
}

std::vector<std::string> MediaLibrary::filesOf(const Item& item) {
  const Source& s = sourceFor(item);
  if (s.kind != Kind::SEQUENCE) return {s.path};
  std::vector<std::string> files;
  files.reserve(s.sequence.numbers.size());
  for (const long number : s.sequence.numbers) files.push_back(s.sequence.fileFor(number));
  return files;
}

std::string MediaLibrary::fileOf(const Source& source, long index) {
  if (source.kind != Kind::SEQUENCE) return source.path;
  // A missing number holds the last frame before it.
  const long wanted = source.sequence.numbers.front() + index;
  auto at = std::upper_bound(source.sequence.numbers.begin(), source.sequence.numbers.end(), wanted);
  return source.sequence.fileFor(at == source.sequence.numbers.begin() ? source.sequence.numbers.front() : *(at - 1));
}

std::shared_ptr<const MediaLibrary::Decoded> MediaLibrary::picture(Source& source, long index) {
  const std::string file = fileOf(source, index);
  std::shared_ptr<const Decoded> decoded;
  if (const auto* kept = pictures_.find(file)) {
    decoded = *kept;
  } else {
    decoded = takeAhead(source, file);
    if (!decoded) decoded = decodePicture(file);
    pictures_.put(file, decoded);
  }
  // Sequences mostly go forward a frame at a time: the next file is decoded while this one is used.
  if (workers_ && source.kind == Kind::SEQUENCE && index + 1 < source.frames) {
    const std::string next = fileOf(source, index + 1);
    if (next != file && next != source.aheadFile && pictures_.find(next) == nullptr) {
      takeAhead(source, "");  // a decode ahead that no frame asked for is not kept
      auto slot = std::make_shared<std::shared_ptr<const Decoded>>();
      source.aheadFile = next;
      source.aheadPicture = slot;
      source.aheadDecode = workers_->run([this, next, slot] { *slot = decodePicture(next); });
    }
  }
  return decoded;
}

std::shared_ptr<const MediaLibrary::Decoded> MediaLibrary::takeAhead(Source& source, const std::string& file) {
  if (!source.aheadDecode.valid()) return nullptr;
  const bool wanted = source.aheadFile == file;
  source.aheadFile.clear();
  try {
    source.aheadDecode.get();
  } catch (const std::exception&) {
    // Left to the request itself, which decodes again and reports the error with its file.
    return nullptr;
  }
  return wanted ? *source.aheadPicture : nullptr;
}

std::shared_ptr<MediaLibrary::Decoded> MediaLibrary::decodePicture(const std::string& file) const {
  auto decoded = std::make_shared<Decoded>();
  if (isPng(file)) {
    const PngHeader header = readPng(file, decoded->pixels, [&](const PngHeader& h) {
      requireHoldable(file, h.width, h.height,
                      static_cast<std::size_t>(h.width) * static_cast<std::size_t>(h.height) * (h.sixteenBit ? 8 : 4));
    });
    decoded->width = header.width;
    decoded->height = header.height;
    decoded->channels = 4;
    decoded->type = header.sixteenBit ? SampleType::U16 : SampleType::U8;
    ++decodedPictures_;
    return decoded;
  }
  const std::unique_ptr<PictureFile> in = openPicture(file);
  const PictureInfo& info = in->info();
  decoded->width = info.width;
  decoded->height = info.height;
  decoded->channels = std::min(info.channels, 4);
  decoded->type = info.sample == PictureSample::U8    ? SampleType::U8
                  : info.sample == PictureSample::U16 ? SampleType::U16
                                                      : SampleType::F32;
  const PictureSample read = decoded->type == SampleType::U8    ? PictureSample::U8
                             : decoded->type == SampleType::U16 ? PictureSample::U16
                                                                : PictureSample::F32;
  const std::size_t sampleBytes = read == PictureSample::U8 ? 1 : read == PictureSample::U16 ? 2 : 4;
  const std::size_t bytes = static_cast<std::size_t>(info.width) * static_cast<std::size_t>(info.height) *
                            static_cast<std::size_t>(decoded->channels) * sampleBytes;
  // Each frame of a sequence may claim another size: it is refused before it is read, too.
  requireHoldable(file, info.width, info.height, bytes);
  decoded->pixels.resize(bytes);
  const std::string failure = in->read(decoded->channels, read, decoded->pixels.data());
  if (!failure.empty()) throw HostError("'" + file + "': " + failure);
  if (info.exr && decoded->type == SampleType::F32) {
    auto* p = reinterpret_cast<float*>(decoded->pixels.data());
    const std::size_t count = static_cast<std::size_t>(info.width) * static_cast<std::size_t>(info.height);
    // OpenEXR stores colour multiplied by alpha; worlds hold it straight.
    if (decoded->channels == 4) {
      for (std::size_t i = 0; i < count; ++i) {
        float* px = p + i * 4;
        if (px[3] > 0) {
          for (int k = 0; k < 3; ++k) px[k] /= px[3];
        }
      }
    }
    // EXR values are linear light unless the file says they are sRGB-encoded (as this host's own
    // files without --linear do); worlds hold sRGB-encoded values.
    if (info.colourSpace != "sRGB" && info.colourSpace != "srgb") linearToSrgb(p, count, decoded->channels);
  }
  ++decodedPictures_;
  return decoded;
}

void MediaLibrary::readFrame(const Item& item, double seconds, int downsample, World& out) {
  Source& source = sourceFor(item);
  long index = 0;
  if (source.kind != Kind::STILL) {
    index = static_cast<long>(std::floor(seconds * source.fps + 1e-6));
    index = std::clamp(index, 0L, source.frames - 1);
  }
  if (source.kind == Kind::VIDEO) {
    readVideo(source, index, downsample, out);
    return;
  }
  const std::shared_ptr<const Decoded> d = picture(source, index);
  PixelBuffer buffer;
  buffer.data = d->pixels.data();
  buffer.width = d->width;
  buffer.height = d->height;
  buffer.channels = d->channels;
  buffer.type = d->type;
  const std::size_t sampleBytes = d->type == SampleType::U8 ? 1 : d->type == SampleType::U16 ? 2 : 4;
  buffer.rowBytes = static_cast<std::size_t>(d->width) * d->channels * sampleBytes;
  place(buffer, out, downsample);
}

void MediaLibrary::readVideo(Source& source, long index, int downsample, World& out) {
  // The reader is the worker's until its decode is done. A failed decode ahead is left to the
  // request itself, which decodes again and reports the error with its frame.
  if (source.ahead.valid()) {
    try {
      source.ahead.get();
    } catch (const std::exception&) {
    }
  }
  if (downsample <= 1 && out.depth() == PixelDepth::U8 && out.width() == source.width &&
      out.height() == source.height && !source.video->turned()) {
    source.video->frameInto(index, out);
  } else {
    const std::vector<std::uint8_t>& rgba = source.video->frame(index);
    PixelBuffer buffer;
    buffer.data = rgba.data();
    buffer.width = source.width;
    buffer.height = source.height;
    buffer.channels = 4;
    buffer.type = SampleType::U8;
    buffer.rowBytes = static_cast<std::size_t>(source.width) * 4;
    place(buffer, out, downsample);
  }
  // Renders mostly go forward a frame at a time: the next frame is decoded while this one is used.
  if (workers_ && index + 1 < source.frames) {
    VideoReader* reader = source.video.get();
    source.ahead = workers_->run([reader, next = index + 1] { reader->decodeAhead(next); });
  }
}

void MediaLibrary::place(const PixelBuffer& buffer, World& out, int downsample) {
  if (downsample <= 1 && out.width() == buffer.width && out.height() == buffer.height) {
    importPixels(buffer, out);
    return;
  }
  World full(out.depth(), buffer.width, buffer.height);
  importPixels(buffer, full);
  engine_.fill(out, Color4{}, nullptr);  // the resampled picture is drawn over transparency
  PF_FloatMatrix m{};
  m.mat[0][0] = static_cast<double>(out.width()) / buffer.width;
  m.mat[1][1] = static_cast<double>(out.height()) / buffer.height;
  m.mat[2][2] = 1;
  engine_.transformWorld(full, out, m, true, CompositeSpec{}, PF_LRect{0, 0, out.width(), out.height()});
}

}  // namespace plenorium::host
