// The preview's web server: the page (built into the program), the project's state, its frames,
// the changes made on the page and the renders started from it, with what the page must hear of
// pushed as server-sent events. Every request passes the access policy first.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>

#include "access_policy.h"
#include "host_session.h"
#include "preview_model.h"
#include "render_job.h"

namespace httplib {
class Server;
}

namespace plenorium::preview {

struct ServerSettings {
  std::string address = "127.0.0.1";
  int port = 0;                  // 0: any free port
  cli::SessionSettings renders;  // for renders started from the page: the module, threads, cache
};

class PreviewServer {
 public:
  // Binds the port (throws HostError when it cannot); serving starts with run().
  PreviewServer(PreviewModel& model, const ServerSettings& settings);
  ~PreviewServer();
  PreviewServer(const PreviewServer&) = delete;
  PreviewServer& operator=(const PreviewServer&) = delete;

  int port() const { return port_; }
  // The page's address with its token.
  std::string address() const;
  // Serves until stop() (from any thread).
  void run();
  void stop();
  // Whether the project has changes that were not saved (asked when the server stops).
  bool dirty();

 private:
  struct Event {
    unsigned long id;
    std::string name;
    std::string data;
  };
  void routes();
  void publish(const std::string& name, const nlohmann::json& data);
  void publishState();  // under the model's lock

  PreviewModel& model_;
  ServerSettings settings_;
  std::unique_ptr<httplib::Server> server_;
  int port_ = 0;
  std::unique_ptr<AccessPolicy> policy_;
  std::mutex modelMutex_;  // one request at a time uses the host session
  std::atomic<unsigned long> viewTicket_{0};
  std::atomic<unsigned long> playTicket_{0};
  std::mutex eventsMutex_;
  std::condition_variable eventsChanged_;
  std::deque<Event> events_;
  unsigned long nextEvent_ = 1;
  bool stopping_ = false;
  std::unique_ptr<RenderJob> job_;  // under modelMutex_
};

}  // namespace plenorium::preview
