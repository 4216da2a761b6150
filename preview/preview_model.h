// What the preview page edits and shows, on top of one host session: the effect's controls as the
// host received them, changes made as a user makes them (with undo and redo), the layers'
// switches, the composition shown, and its frames encoded for the page, kept within the host's
// memory budget until a change makes them stale. Not thread-safe: the server calls it under one lock.
#pragma once

#include <cstdint>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "bounded_cache.h"
#include "host_session.h"

namespace plenorium::preview {

struct FrameRequest {
  long frame = 0;
  int downsample = 1;  // 1 full, 2 half, 3 third, 4 quarter
  bool exact = false;  // PNG with alpha, as `render` writes it; else JPEG over a checkerboard
};

struct EncodedFrame {
  std::shared_ptr<const std::string> bytes;
  const char* type = "image/jpeg";
  unsigned long version = 0;
};

class PreviewModel {
 public:
  // `savePath`: where Save writes without a name (the project file; empty for clips or the demo).
  PreviewModel(cli::HostSession& session, const std::string& compName, std::string savePath);

  // Everything the page shows besides the picture.
  nlohmann::json state();
  // Counts changes: frames and states carry it, so that the page can tell a stale one.
  unsigned long version() const { return version_; }
  bool dirty() const { return savedVersion_ != contentVersion_; }

  // A change made on the page, as a user's change through the host:
  //   {"param": INDEX, "value": V, "time": SECONDS, "gesture": ID}  sets a control (a key at
  //     `time` when it has keyframes); changes of one gesture (a drag) make one undo step;
  //   {"param": INDEX, "reset": true}                               back to the default;
  //   {"layer": ID, "visible": B}                                   a layer's switch.
  // Throws HostError for a value the control does not take, changing nothing.
  void change(const nlohmann::json& request);
  bool undo();
  bool redo();
  void chooseComp(const std::string& name);

  // The frame asked for, from the cache or rendered. Throws HostError when the effect fails.
  EncodedFrame frame(const FrameRequest& request);
  // Writes the project (to `path`, or where it came from), whole. Returns the path written.
  std::string save(const std::string& path);
  // The project as it stands, with footage paths rebased onto the working folder: what a render
  // of it in a session of its own opens.
  nlohmann::json snapshot() const;
  const std::string& compName() const { return compName_; }

 private:
  struct Edit {
    int layerId = 0;
    int paramIndex = -1;  // -1: the layer's visibility
    host::Stream before, after;
    bool visibleBefore = true, visibleAfter = true;
    std::string gesture;
  };
  struct FrameKey {
    unsigned long version;
    long frame;
    int downsample;
    bool exact;
    bool operator==(const FrameKey&) const = default;
  };
  struct FrameKeyHash {
    std::size_t operator()(const FrameKey& k) const;
  };

  const host::Composition& comp() const;
  host::Layer* effectLayer() const;  // the first layer of the composition with an effect
  void apply(const Edit& edit, bool forward);
  void record(Edit edit);
  void changed();
  nlohmann::json controlsJson();
  nlohmann::json layersJson() const;

  cli::HostSession& session_;
  std::string compName_;
  std::string savePath_;
  std::vector<Edit> undo_, redo_;
  unsigned long version_ = 1;
  unsigned long contentVersion_ = 0;  // changes to what a save writes
  unsigned long savedVersion_ = 0;
  host::BoundedCache<FrameKey, std::shared_ptr<const std::string>, FrameKeyHash> frames_;
};

}  // namespace plenorium::preview
