#include "preview_command.h"

#include <malloc.h>
#include <pthread.h>
#include <spawn.h>
#include <sys/wait.h>

#include <csignal>
#include <filesystem>
#include <iostream>
#include <thread>

#include "host_error.h"
#include "preview_model.h"
#include "preview_server.h"
#include "project_file.h"

extern char** environ;

namespace plenorium::cli {
namespace {

namespace fs = std::filesystem;
using host::HostError;

// Opens the page in the user's browser when one is found, as its own process (never through a
// shell: the address is an argument, not a command line).
void openInBrowser(const std::string& address) {
  const char* opener = "xdg-open";
  char* const argv[] = {const_cast<char*>(opener), const_cast<char*>(address.c_str()), nullptr};
  pid_t pid = 0;
  if (posix_spawnp(&pid, opener, nullptr, nullptr, argv, environ) != 0) {
    std::cerr << "plenorium: no browser was found (xdg-open); open the address above in one\n";
    return;
  }
  // Reaped on a thread of its own, so that it leaves no zombie while the server runs.
  std::thread([pid] {
    int status = 0;
    waitpid(pid, &status, 0);
  }).detach();
}

// Ctrl-C, SIGTERM and SIGHUP are taken by one thread with sigwait: they are blocked in every
// thread, which inherit the mask, so the caller must do this before any thread starts.
sigset_t stopSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);
  return set;
}

}  // namespace

int runPreview(const PreviewOptions& options, const WallOptions& wall, const RenderOptions& render) {
  // The server's threads each take requests in turn; with a heap arena each, every arena would
  // keep the frames it once held. Two arenas serve them all.
  mallopt(M_ARENA_MAX, 2);
  const sigset_t signals = stopSignals();
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  const SessionSettings settings = sessionSettingsFor(render);
  const bool project = options.inputs.size() == 1 && fs::path(options.inputs[0]).extension() == ".json";
  SessionSettings opening = settings;
  opening.footageAhead = project ? host::uprightFootageIn(options.inputs[0]) : resolvedClipPaths(options.inputs);
  HostSession session(opening);
  std::string savePath;
  if (options.inputs.empty()) {
    session.open(ProjectSource::demo());
  } else if (project) {
    session.open(ProjectSource::file(options.inputs[0]));
    savePath = options.inputs[0];
  } else {
    WallOptions clips = wall;
    clips.clips = options.inputs;
    openWall(session, clips);
  }
  preview::PreviewModel model(session, options.comp, savePath);
  preview::ServerSettings serverSettings;
  serverSettings.address = options.listen;
  serverSettings.port = options.port;
  serverSettings.renders = settings;
  serverSettings.renders.trace.clear();
  if (options.listen != "127.0.0.1" && options.listen != "localhost" && options.listen != "::1") {
    std::cerr << "plenorium: warning: listening on " << options.listen
              << ": other machines may reach the page; its token is all that keeps them out\n";
  }
  preview::PreviewServer server(model, serverSettings);
  std::cout << server.address() << std::endl;
  std::cerr << "plenorium: previewing " << session.source().name << " ('" << model.compName() << "'); Ctrl-C stops\n";
  if (!options.noOpen) openInBrowser(server.address());

  std::thread waiter([&server, signals] {
    int signal = 0;
    sigwait(&signals, &signal);
    server.stop();
  });
  server.run();
  // run() also ends when the server fails; the waiter is then woken as a stop would wake it.
  pthread_kill(waiter.native_handle(), SIGTERM);
  waiter.join();
  if (server.dirty()) std::cerr << "plenorium: stopped with changes that were not saved\n";
  return 0;
}

}  // namespace plenorium::cli
