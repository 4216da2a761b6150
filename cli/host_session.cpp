#include "host_session.h"

#include <filesystem>

#include "demo_project.h"
#include "host_error.h"
#include "output_file.h"
#include "project_file.h"
#include "trace_writer.h"

namespace plenorium::cli {

namespace fs = std::filesystem;
using host::HostError;

HostSession::HostSession(const SessionSettings& settings)
    : settings_(settings),
      pixels_(core_, settings.threads, settings.cacheBytes),
      media_(pixels_.engine(), settings.decodeHelpers) {
  if (!settings.trace.empty()) {
    // A file's trace is written under a partial name and moved into place at the end: until the
    // project is known, its name may be one of the files it reads. A device (/dev/stdout) is
    // written as it is.
    std::error_code ec;
    const fs::file_status status = fs::status(settings.trace, ec);
    if (fs::exists(status) && !fs::is_regular_file(status)) {
      core_.setTrace(host::TraceWriter(settings.trace));
    } else {
      tracePartial_ = host::partialPathFor(host::replaceableTarget(settings.trace)).string();
      core_.setTrace(host::TraceWriter(tracePartial_, settings.trace));
    }
  }
  media_.openAhead(settings.footageAhead);
  registry_ = std::make_unique<host::EffectRegistry>(core_);
  driver_ = &registry_->load(settings.modulePath);
}

HostSession::~HostSession() {
  try {
    shutDown();
  } catch (const std::exception&) {
    // The trace's own failure was the caller's to report; it is not thrown from here.
  }
}

host::Project& HostSession::open(const ProjectSource& source, bool probeFootage) {
  renderer_.reset();
  project_.reset();
  host::MediaLibrary& media = media_;
  const host::FootageProbe probe =
      probeFootage ? host::FootageProbe([&media](host::Item& item) { media.probe(item); }) : host::FootageProbe();
  const host::SchemaLookup schemas = registry_->schemaLookup();
  if (source.document) {
    project_ = std::make_unique<host::Project>(
        host::parseProject(*source.document, source.name, fs::current_path().string(), schemas, probe));
  } else if (source.path.empty()) {
    project_ = std::make_unique<host::Project>(host::parseProject(nlohmann::json::parse(DEMO_PROJECT), "built-in demo",
                                                                  fs::current_path().string(), schemas, probe));
  } else {
    project_ = std::make_unique<host::Project>(host::loadProject(source.path, schemas, probe));
  }
  source_ = source;
  return *project_;
}

const host::Composition& HostSession::comp(const std::string& requested) const {
  const host::Project& project = *project_;
  const std::string name = requested.empty() ? project.renderComp : requested;
  if (!name.empty()) {
    if (const host::Composition* comp = project.compByName(name)) return *comp;
    std::string known;
    for (const auto& item : project.items) {
      if (item->kind == host::ItemKind::COMP) known += " '" + item->name + "'";
    }
    throw HostError("no composition named '" + name + "'; the project has:" + known);
  }
  const host::Composition* last = nullptr;
  for (const auto& item : project.items) {
    if (item->kind == host::ItemKind::COMP) last = item->comp.get();
  }
  if (last == nullptr) throw HostError(project.file + ": the project has no composition to render");
  return *last;
}

host::RenderSession& HostSession::renderer() {
  if (!renderer_) {
    renderer_ = std::make_unique<host::RenderSession>(core_, pixels_, *registry_, *project_);
    renderer_->setFootageProvider(&media_);
    renderer_->startInstances();
  }
  return *renderer_;
}

ReadFiles HostSession::footageFiles() {
  ReadFiles files;
  for (const auto& item : project_->items) {
    if (item->kind != host::ItemKind::FOOTAGE) continue;
    for (const std::string& file : media_.filesOf(*item)) files.add(file);
  }
  return files;
}

void HostSession::save(const std::string& path, const std::string& option) {
  refuseReplacingInput(footageFiles(), path, option);
  host::saveProject(*project_, path);
}

void HostSession::shutDown() {
  renderer_.reset();
  registry_.reset();
  driver_ = nullptr;
  placeTrace();
}

void HostSession::placeTrace() {
  if (tracePartial_.empty()) {
    if (!core_.trace().failure().empty()) throw HostError(core_.trace().failure());
    return;
  }
  const std::string partial = std::exchange(tracePartial_, std::string());
  std::error_code ec;
  if (traceDropped_) {
    fs::remove(partial, ec);
    return;
  }
  if (fs::exists(partial, ec)) fs::rename(partial, host::replaceableTarget(settings_.trace), ec);
  if (ec) throw HostError("cannot write the trace file '" + settings_.trace + "': " + ec.message());
  if (!core_.trace().failure().empty()) throw HostError(core_.trace().failure());
}

}  // namespace plenorium::cli
