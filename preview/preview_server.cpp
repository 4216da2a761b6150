#include "preview_server.h"

#include <httplib.h>

#include <chrono>
#include <filesystem>

#include "host_error.h"
#include "output_names.h"
#include "web_assets.h"

namespace plenorium::preview {

using host::HostError;
using json = nlohmann::json;

namespace {

constexpr std::size_t MAX_BODY_BYTES = std::size_t{1} << 20;

void sendJson(httplib::Response& res, int status, const json& body) {
  res.status = status;
  res.set_content(body.dump(), "application/json");
}

void sendError(httplib::Response& res, int status, const std::string& message) {
  sendJson(res, status, {{"error", host::oneLine(message)}});
}

// The body of a change: a JSON object, or a 400 that says why.
bool parseBody(const httplib::Request& req, httplib::Response& res, json& body) {
  body = json::parse(req.body.empty() ? "{}" : req.body, nullptr, false);
  if (body.is_discarded() || !body.is_object()) {
    sendError(res, 400, "expected a JSON object");
    return false;
  }
  return true;
}

void secureHeaders(httplib::Response& res) {
  res.set_header("Cache-Control", "no-store");
  res.set_header("X-Content-Type-Options", "nosniff");
  res.set_header("X-Frame-Options", "DENY");
  res.set_header("Referrer-Policy", "no-referrer");
  res.set_header("Content-Security-Policy",
                 "default-src 'self'; img-src 'self' blob: data:; style-src 'self'; script-src 'self'; "
                 "connect-src 'self'; frame-ancestors 'none'");
}

}  // namespace

PreviewServer::PreviewServer(PreviewModel& model, const ServerSettings& settings)
    : model_(model), settings_(settings), server_(std::make_unique<httplib::Server>()) {
  server_->new_task_queue = [] { return new httplib::ThreadPool(16); };
  server_->set_payload_max_length(MAX_BODY_BYTES);
  server_->set_keep_alive_timeout(2);
  port_ = settings.port == 0 ? server_->bind_to_any_port(settings.address)
                             : (server_->bind_to_port(settings.address, settings.port) ? settings.port : -1);
  if (port_ <= 0) {
    throw HostError("cannot listen on " + settings.address + ":" + std::to_string(settings.port) +
                    ": the port is taken or the address is not this machine's; try another --port");
  }
  policy_ = std::make_unique<AccessPolicy>(newAccessToken(), port_);
  routes();
}

PreviewServer::~PreviewServer() {
  stop();
  const std::lock_guard lock(modelMutex_);
  job_.reset();
}

std::string PreviewServer::address() const {
  const std::string host =
      settings_.address == "0.0.0.0" || settings_.address == "127.0.0.1" ? "127.0.0.1" : settings_.address;
  return "http://" + host + ":" + std::to_string(port_) + "/?token=" + policy_->token();
}

void PreviewServer::run() {
  server_->listen_after_bind();
}

void PreviewServer::stop() {
  {
    const std::lock_guard lock(eventsMutex_);
    stopping_ = true;
  }
  eventsChanged_.notify_all();
  server_->stop();
}

bool PreviewServer::dirty() {
  const std::lock_guard lock(modelMutex_);
  return model_.dirty();
}

void PreviewServer::publish(const std::string& name, const json& data) {
  {
    const std::lock_guard lock(eventsMutex_);
    events_.push_back({nextEvent_++, name, data.dump()});
    while (events_.size() > 64) events_.pop_front();
  }
  eventsChanged_.notify_all();
}

void PreviewServer::publishState() {
  publish("state", model_.state());
}

void PreviewServer::routes() {
  using httplib::Request;
  using httplib::Response;
  using httplib::Server;

  server_->set_pre_routing_handler([this](const Request& req, Response& res) {
    secureHeaders(res);
    if (!policy_->hostAllowed(req.get_header_value("Host"))) {
      sendError(res, 403, "this server answers only to its own address (Host)");
      return Server::HandlerResponse::Handled;
    }
    if (!policy_->tokenGiven(req.get_param_value("token"), req.get_header_value("Cookie"))) {
      sendError(res, 403, "open the address that `plenorium preview` printed, with its token");
      return Server::HandlerResponse::Handled;
    }
    if (req.method == "POST") {
      if (!policy_->originAllowed(req.get_header_value("Origin"))) {
        sendError(res, 403, "changes are taken only from the preview's own page (Origin)");
        return Server::HandlerResponse::Handled;
      }
      if (req.get_header_value("Content-Type").rfind("application/json", 0) != 0) {
        sendError(res, 415, "changes are sent as JSON (Content-Type: application/json)");
        return Server::HandlerResponse::Handled;
      }
    } else if (req.method != "GET" && req.method != "HEAD") {
      sendError(res, 405, "only GET and POST are served");
      return Server::HandlerResponse::Handled;
    }
    return Server::HandlerResponse::Unhandled;
  });

  // The page. Opened with the token in its address, it sets the cookie and drops the token from
  // the address bar and the history.
  server_->Get("/", [this](const Request& req, Response& res) {
    if (req.has_param("token")) {
      res.set_header("Set-Cookie", policy_->cookie());
      res.set_redirect("/", 303);
      return;
    }
    res.set_content(INDEX_HTML.data(), INDEX_HTML.size(), "text/html; charset=utf-8");
  });
  server_->Get("/app.js", [](const Request&, Response& res) {
    res.set_content(APP_JS.data(), APP_JS.size(), "text/javascript; charset=utf-8");
  });
  server_->Get("/style.css", [](const Request&, Response& res) {
    res.set_content(STYLE_CSS.data(), STYLE_CSS.size(), "text/css; charset=utf-8");
  });

  server_->Get("/api/state", [this](const Request&, Response& res) {
    const std::lock_guard lock(modelMutex_);
    sendJson(res, 200, model_.state());
  });

  // A frame. Requests of one lane ("view": what the viewer shows now; "play": playback and
  // rendering ahead) supersede each other: one that waited while a newer one came is dropped
  // (204) rather than rendered, so the latest always wins and nothing queues up.
  server_->Get("/api/frame", [this](const Request& req, Response& res) {
    FrameRequest request;
    try {
      request.frame = std::stol(req.get_param_value("frame"));
      request.downsample = req.has_param("res") ? std::stoi(req.get_param_value("res")) : 1;
    } catch (const std::exception&) {
      sendError(res, 400, "expected frame=N and res=1..4");
      return;
    }
    request.exact = req.get_param_value("exact") == "1";
    std::atomic<unsigned long>& lane = req.get_param_value("lane") == "play" ? playTicket_ : viewTicket_;
    const unsigned long ticket = ++lane;
    const std::lock_guard lock(modelMutex_);
    if (ticket != lane.load()) {
      res.status = 204;
      return;
    }
    try {
      const EncodedFrame frame = model_.frame(request);
      res.set_header("X-Version", std::to_string(frame.version));
      res.set_header("X-Frame", std::to_string(request.frame));
      res.set_content(frame.bytes->data(), frame.bytes->size(), frame.type);
    } catch (const HostError& e) {
      // The effect failed or a file is missing: the page shows why over the last good picture.
      sendJson(res, 500, {{"error", host::oneLine(e.what())}, {"frame", request.frame}, {"version", model_.version()}});
    }
  });

  const auto changing = [this](const std::function<void(const json&)>& change) {
    return [this, change](const Request& req, Response& res) {
      json body;
      if (!parseBody(req, res, body)) return;
      const std::lock_guard lock(modelMutex_);
      try {
        change(body);
      } catch (const HostError& e) {
        sendError(res, 400, e.what());
        return;
      }
      json state = model_.state();
      publish("state", state);
      sendJson(res, 200, state);
    };
  };
  server_->Post("/api/change", changing([this](const json& body) { model_.change(body); }));
  server_->Post("/api/undo", changing([this](const json&) { model_.undo(); }));
  server_->Post("/api/redo", changing([this](const json&) { model_.redo(); }));
  server_->Post("/api/comp", changing([this](const json& body) {
                  if (!body.contains("name") || !body["name"].is_string()) throw HostError("expected {\"name\": COMP}");
                  model_.chooseComp(body["name"].get<std::string>());
                }));
  server_->Post("/api/save", changing([this](const json& body) {
                  model_.save(body.contains("path") && body["path"].is_string() ? body["path"].get<std::string>() : "");
                }));

  // A render of the project as it stands, to an output named on the page, checked as the
  // command line checks it.
  server_->Post("/api/render", [this](const Request& req, Response& res) {
    json body;
    if (!parseBody(req, res, body)) return;
    const std::lock_guard lock(modelMutex_);
    if (job_ && job_->running()) {
      sendError(res, 409, "a render is running; cancel it or wait for it to end");
      return;
    }
    cli::RenderOptions options;
    options.modulePath = settings_.renders.modulePath;
    options.comp = model_.compName();
    options.threads = settings_.renders.threads;
    options.cacheMb = settings_.renders.cacheBytes >> 20;
    try {
      if (!body.contains("output") || !body["output"].is_string() || body["output"].get<std::string>().empty()) {
        throw HostError("name the output: a video (.mp4, .mov, .mkv, .webm, .gif), pictures with #### or a folder");
      }
      options.output = body["output"].get<std::string>();
      if (body.contains("frames") && body["frames"].is_string()) options.frames = body["frames"].get<std::string>();
      if (body.contains("resolution") && body["resolution"].is_string()) {
        options.resolution = body["resolution"].get<std::string>();
      }
      if (body.contains("codec") && body["codec"].is_string()) options.codec = body["codec"].get<std::string>();
      cli::outputKindOf(options.output);
      cli::sessionSettingsFor(options);  // the options are checked before the render starts
    } catch (const HostError& e) {
      sendError(res, 400, e.what());
      return;
    }
    job_.reset();
    // Progress comes from the render's own thread, which touches only the events.
    job_ = std::make_unique<RenderJob>(settings_.renders, model_.snapshot(), options,
                                       [this](const json& status) { publish("render", status); });
    sendJson(res, 202, job_->status());
  });
  server_->Post("/api/render/cancel", [this](const Request&, Response& res) {
    const std::lock_guard lock(modelMutex_);
    if (job_) job_->cancel();
    sendJson(res, 200, job_ ? job_->status() : json{{"state", "none"}});
  });
  server_->Get("/api/render", [this](const Request&, Response& res) {
    const std::lock_guard lock(modelMutex_);
    sendJson(res, 200, job_ ? job_->status() : json{{"state", "none"}});
  });

  // What the page must hear of without asking: the state after a change made elsewhere, a
  // render's progress.
  server_->Get("/api/events", [this](const Request&, Response& res) {
    unsigned long last = 0;
    {
      const std::lock_guard lock(eventsMutex_);
      last = nextEvent_ - 1;
    }
    res.set_header("X-Accel-Buffering", "no");
    res.set_chunked_content_provider("text/event-stream", [this, last](std::size_t, httplib::DataSink& sink) mutable {
      std::unique_lock lock(eventsMutex_);
      eventsChanged_.wait_for(lock, std::chrono::seconds(10), [&] { return stopping_ || nextEvent_ - 1 > last; });
      if (stopping_) {
        sink.done();
        return false;
      }
      std::string out;
      for (const Event& e : events_) {
        if (e.id <= last) continue;
        out += "id: " + std::to_string(e.id) + "\nevent: " + e.name + "\ndata: " + e.data + "\n\n";
        last = e.id;
      }
      lock.unlock();
      if (out.empty()) out = ": still here\n\n";
      return sink.write(out.data(), out.size());
    });
  });
}

}  // namespace plenorium::preview
