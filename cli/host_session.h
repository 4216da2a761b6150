// The host as every command uses it, built in one place: the core (with its trace), the pixel
// engine, the media libraries, the loaded effect module and one opened project, given back in the
// reverse order. A long-lived session (the preview) changes values, renders any frame again and
// saves, without opening anything again.
#pragma once

#include <cstddef>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "effect_driver.h"
#include "effect_registry.h"
#include "host_core.h"
#include "media_library.h"
#include "output_safety.h"
#include "pixel_host.h"
#include "project.h"
#include "render_session.h"

namespace plenorium::cli {

struct SessionSettings {
  std::string modulePath;
  unsigned threads = 1;        // the pixel engine's threads
  unsigned decodeHelpers = 0;  // threads decoding footage ahead (0: none)
  std::size_t cacheBytes = std::size_t{256} << 20;
  std::string trace;  // a file for every call the effect makes into the host; empty: none
  // Footage known before the project is loaded (the wall's clips, a project file's videos),
  // resolved: opened on the decode helpers while the effect loads.
  std::vector<std::string> footageAhead;
};

// Where a project comes from: a file, a document built in memory (the wall command's), or the
// built-in demo.
struct ProjectSource {
  std::string path;
  std::optional<nlohmann::json> document;
  std::string name;  // how messages name a document

  static ProjectSource file(const std::string& path) { return {path, std::nullopt, path}; }
  static ProjectSource built(nlohmann::json document, const std::string& name) {
    return {"", std::move(document), name};
  }
  static ProjectSource demo() { return {"", std::nullopt, "the built-in demo"}; }
};

class HostSession {
 public:
  // Starts the host and loads the effect module (global and parameter set-up). Throws HostError.
  explicit HostSession(const SessionSettings& settings);
  ~HostSession();
  HostSession(const HostSession&) = delete;
  HostSession& operator=(const HostSession&) = delete;

  // Opens the project, its footage probed unless `probeFootage` is false.
  host::Project& open(const ProjectSource& source, bool probeFootage = true);
  bool isOpen() const { return project_ != nullptr; }
  host::Project& project() { return *project_; }
  const ProjectSource& source() const { return source_; }
  // The composition asked for, else the project's render comp, else its last one.
  const host::Composition& comp(const std::string& requested) const;

  // The renderer, started on first use: sequence set-up and a controls update for every effect.
  host::RenderSession& renderer();
  // The warnings gathered since the last call (expressions that failed).
  std::vector<std::string> takeWarnings() { return renderer_ ? renderer_->takeWarnings() : std::vector<std::string>{}; }

  // Every file the project's footage reads (each file of a sequence).
  ReadFiles footageFiles();
  // Writes the project to `path`, whole, unless `path` is a file the project reads.
  void save(const std::string& path, const std::string& option = "--save-project");

  // Stops the effect instances and the module (sequence and global set-down) and puts the trace
  // in place; afterwards only the core's accounting and trace are asked. Throws the trace's
  // failure. Also done, without throwing, when the session ends.
  void shutDown();
  // The trace is a file the project reads: it is dropped, not moved into place.
  void dropTrace() { traceDropped_ = true; }

  host::HostCore& core() { return core_; }
  host::MediaLibrary& media() { return media_; }
  host::PixelHost& pixels() { return pixels_; }
  host::EffectDriver& driver() { return *driver_; }
  host::EffectRegistry& registry() { return *registry_; }

 private:
  void placeTrace();

  SessionSettings settings_;
  host::HostCore core_;
  host::PixelHost pixels_;
  host::MediaLibrary media_;
  std::unique_ptr<host::EffectRegistry> registry_;
  host::EffectDriver* driver_ = nullptr;
  ProjectSource source_;
  std::unique_ptr<host::Project> project_;
  std::unique_ptr<host::RenderSession> renderer_;
  std::string tracePartial_;
  bool traceDropped_ = false;
};

}  // namespace plenorium::cli
