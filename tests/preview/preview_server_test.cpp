// The preview server over HTTP, as the page and a hostile page would reach it: who is let in,
// what a change may carry, which frames are dropped, and how an effect's failure reaches the page.
#include "preview_server.h"

#include <gtest/gtest.h>
#include <httplib.h>
#include <png.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <thread>

#include "host_session.h"
#include "preview_model.h"
#include "temp_folder.h"

namespace {

namespace fs = std::filesystem;
using json = nlohmann::json;
using plenorium::cli::HostSession;
using plenorium::cli::ProjectSource;
using plenorium::cli::SessionSettings;

// A wall of two generated sources and a two-frame picture sequence, small enough to render quickly.
json project(const fs::path& folder, int size, const json& rows = 2) {
  return {{"render", {{"comp", "Main"}}},
          {"items",
           {{{"name", "bars"}, {"type", "pattern"}, {"pattern", "bars"}, {"width", size}, {"height", size * 9 / 16}},
            {{"name", "shots"}, {"type", "footage"}, {"path", (folder / "f_%04d.png").string()}, {"fps", 25}},
            {{"name", "Main"},
             {"type", "comp"},
             {"width", size},
             {"height", size * 9 / 16},
             {"fps", 25},
             {"duration", 0.08},
             {"layers",
              {{{"name", "Wall"},
                {"source", "bars"},
                {"effects",
                 {{{"matchName", "KTRM_Plenorium"},
                   {"params", {{"Columns", 3}, {"Rows", rows}, {"Source 1", "Shots"}, {"Frame image", "Retro"}}}}}}},
               {{"name", "Shots"}, {"source", "shots"}, {"visible", false}}}}}}}};
}

void writeGreyPng(const fs::path& path) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, f);
  png_set_IHDR(png, info, 8, 8, 8, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<png_byte> row(8, 128);
  for (int y = 0; y < 8; ++y) png_write_row(png, row.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(f);
}

class PreviewServerTest : public ::testing::Test {
 protected:
  void start(int size = 320, const json& rows = 2) {
    writeGreyPng(dir() / "f_0001.png");
    writeGreyPng(dir() / "f_0002.png");
    SessionSettings settings;
    settings.modulePath = PLENORIUM_MODULE_PATH;
    settings.threads = 2;
    session = std::make_unique<HostSession>(settings);
    session->open(ProjectSource::built(project(dir(), size, rows), "test"));
    model = std::make_unique<plenorium::preview::PreviewModel>(*session, "", "");
    plenorium::preview::ServerSettings serverSettings;
    serverSettings.renders = settings;
    server = std::make_unique<plenorium::preview::PreviewServer>(*model, serverSettings);
    serving = std::thread([this] { server->run(); });
    const std::string address = server->address();
    token = address.substr(address.find("token=") + 6);
    host = "127.0.0.1:" + std::to_string(server->port());
    // The server answers once it listens.
    for (int i = 0; i < 200 && !client().Get("/api/state"); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  void TearDown() override {
    if (server) server->stop();
    if (serving.joinable()) serving.join();
    server.reset();
    model.reset();
    session.reset();
  }

  const fs::path& dir() const { return folder.path(); }
  httplib::Client client() const {
    httplib::Client c("127.0.0.1", server->port());
    c.set_read_timeout(30);
    return c;
  }
  // Headers of the page's own requests: the cookie the first request set, its own Host.
  httplib::Headers pageHeaders() const {
    return {{"Cookie", std::string(plenorium::preview::AccessPolicy::COOKIE) + "=" + token}, {"Host", host}};
  }
  httplib::Result postJson(const std::string& path, const json& body, httplib::Headers headers = {}) const {
    if (headers.empty()) headers = pageHeaders();
    return client().Post(path.c_str(), headers, body.dump(), "application/json");
  }
  json state() const {
    const auto r = client().Get("/api/state", pageHeaders());
    return r && r->status == 200 ? json::parse(r->body) : json();
  }
  // The index of the control that `--set` names `name`.
  int indexOf(const std::string& name) const {
    const json now = state();
    for (const json& c : now["controls"]) {
      if (c.value("setName", "") == name) return c["index"].get<int>();
    }
    return -1;
  }
  int columnsIndex() const { return indexOf("Columns"); }
  bool hidden(int index) const {
    const json now = state();
    for (const json& c : now["controls"]) {
      if (c["index"] == index) return c["hidden"].get<bool>();
    }
    return false;
  }

  plenorium::testing::TempFolder folder{"plenorium_preview"};
  std::unique_ptr<HostSession> session;
  std::unique_ptr<plenorium::preview::PreviewModel> model;
  std::unique_ptr<plenorium::preview::PreviewServer> server;
  std::thread serving;
  std::string token, host;
};

TEST_F(PreviewServerTest, OnlyTheTokenTheOwnHostAndTheOwnOriginGetIn) {
  start();
  // No token, a wrong one, or a wrong cookie: 403 for the page and the API alike.
  for (const char* path : {"/", "/app.js", "/api/state", "/api/frame?frame=0"}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(client().Get(path, {{"Host", host}})->status, 403);
    EXPECT_EQ(
        client().Get(path, {{"Host", host}, {"Cookie", "plenorium_preview=0123456789abcdef0123456789abcdef"}})->status,
        403);
  }
  const std::string wrong = token.substr(0, token.size() - 1) + (token.back() == '0' ? "1" : "0");
  EXPECT_EQ(client().Get(("/?token=" + wrong).c_str(), {{"Host", host}})->status, 403);
  EXPECT_GE(token.size(), 32u) << "at least 128 bits";
  // With the token the page sets its cookie, HttpOnly and SameSite=Strict, and leaves the token out
  // of the address.
  const auto first = client().Get(("/?token=" + token).c_str(), {{"Host", host}});
  ASSERT_EQ(first->status, 303);
  const std::string cookie = first->get_header_value("Set-Cookie");
  EXPECT_NE(cookie.find(token), std::string::npos);
  EXPECT_NE(cookie.find("HttpOnly"), std::string::npos);
  EXPECT_NE(cookie.find("SameSite=Strict"), std::string::npos);
  EXPECT_EQ(client().Get("/", pageHeaders())->status, 200);
  EXPECT_EQ(client().Get("/app.js", pageHeaders())->status, 200);
  // A page of another site that a DNS trick sends here names its own host.
  for (const char* other : {"evil.example:80", "127.0.0.1", "localhost:1", "127.0.0.1.evil.example"}) {
    SCOPED_TRACE(other);
    httplib::Headers headers = pageHeaders();
    headers.erase("Host");
    headers.emplace("Host", other);
    EXPECT_EQ(client().Get("/api/state", headers)->status, 403);
  }
  // Changes: POST with JSON, from the server's own origin or none; never any CORS permission.
  const int columns = columnsIndex();
  httplib::Headers foreign = pageHeaders();
  foreign.emplace("Origin", "http://evil.example");
  auto r = postJson("/api/change", {{"param", columns}, {"value", 2}}, foreign);
  EXPECT_EQ(r->status, 403);
  EXPECT_FALSE(r->has_header("Access-Control-Allow-Origin"));
  r = client().Post("/api/change", pageHeaders(), json{{"param", columns}, {"value", 2}}.dump(), "text/plain");
  EXPECT_EQ(r->status, 415);
  EXPECT_EQ(client().Get("/api/change", pageHeaders())->status, 404) << "no change by GET";
  EXPECT_EQ(state()["version"], 1) << "nothing refused changed anything";
  httplib::Headers own = pageHeaders();
  own.emplace("Origin", "http://" + host);
  r = postJson("/api/change", {{"param", columns}, {"value", 2}}, own);
  EXPECT_EQ(r->status, 200) << r->body;
}

TEST_F(PreviewServerTest, ARefusedValueOrAnOversizedBodyChangesNothing) {
  start();
  const int columns = columnsIndex();
  const json before = state();
  const auto r = postJson("/api/change", {{"param", columns}, {"value", "three"}});
  EXPECT_EQ(r->status, 400);
  EXPECT_NE(json::parse(r->body)["error"].get<std::string>().find("Columns: expected a number"), std::string::npos)
      << r->body;
  const std::string huge(2 << 20, ' ');
  EXPECT_EQ(client().Post("/api/change", pageHeaders(), huge, "application/json")->status, 413);
  EXPECT_EQ(postJson("/api/change", {{"param", 9999}, {"value", 1}})->status, 400);
  EXPECT_EQ(client().Post("/api/change", pageHeaders(), "{not json", "application/json")->status, 400);
  EXPECT_EQ(postJson("/api/save", {{"path", (dir() / "elsewhere.txt").string()}})->status, 400)
      << "only a .json file is written";
  EXPECT_FALSE(fs::exists(dir() / "elsewhere.txt"));
  EXPECT_EQ(postJson("/api/save", {{"path", (dir() / "f_0001.png").string()}})->status, 400) << "never over footage";
  EXPECT_EQ(state(), before);
}

TEST_F(PreviewServerTest, ChangesGoThroughTheHostAndUndoAndRedoThemAsOneStepPerGesture) {
  start();
  const int columns = columnsIndex();
  const auto exactFrame = [&] { return client().Get("/api/frame?frame=0&exact=1", pageHeaders())->body; };
  const std::string three = exactFrame();
  // A drag: many values, one gesture, one undo step.
  for (int v : {4, 5, 6})
    EXPECT_EQ(postJson("/api/change", {{"param", columns}, {"value", v}, {"gesture", "drag1"}})->status, 200);
  const std::string six = exactFrame();
  EXPECT_TRUE(six != three) << "the picture follows the change";
  EXPECT_TRUE(state()["dirty"].get<bool>());
  EXPECT_EQ(postJson("/api/undo", json::object())->status, 200);
  EXPECT_TRUE(exactFrame() == three) << "one undo takes the whole drag back";
  EXPECT_EQ(postJson("/api/redo", json::object())->status, 200);
  EXPECT_TRUE(exactFrame() == six);
  // Saved, it renders as the page shows it.
  const fs::path saved = dir() / "saved.json";
  ASSERT_EQ(postJson("/api/save", {{"path", saved.string()}})->status, 200);
  EXPECT_FALSE(state()["dirty"].get<bool>());
  EXPECT_EQ(json::parse(std::ifstream(saved))["items"][2]["layers"][0]["effects"][0]["params"]["Columns"], 6);
  // The effect decides what shows: Manual shows the Source controls, Inner Comp hides them.
  const int method = indexOf("Layer selection method"), source1 = indexOf("Source 1");
  EXPECT_FALSE(hidden(source1));
  ASSERT_EQ(postJson("/api/change", {{"param", method}, {"value", "Inner Comp"}})->status, 200);
  EXPECT_TRUE(hidden(source1));
}

TEST_F(PreviewServerTest, AFrameThatWaitedWhileANewerOneCameIsDropped) {
  start(1920);
  // Three requests of one lane at once while the first renders: the one in the middle is
  // superseded before it starts and is dropped; the newest is rendered.
  std::vector<std::future<int>> answers;
  for (int frame = 0; frame < 3; ++frame) {
    answers.push_back(std::async(std::launch::async, [this, frame] {
      return client()
          .Get(("/api/frame?frame=" + std::to_string(frame % 2) + "&lane=view").c_str(), pageHeaders())
          ->status;
    }));
    std::this_thread::sleep_for(std::chrono::milliseconds(15));
  }
  std::vector<int> statuses;
  for (auto& a : answers) statuses.push_back(a.get());
  EXPECT_EQ(statuses.back(), 200);
  EXPECT_NE(std::count(statuses.begin(), statuses.end(), 204), 0) << statuses[0] << " " << statuses[1];
}

TEST_F(PreviewServerTest, AnEffectErrorReachesThePageAndTheNextChangeRenders) {
  start();
  fs::remove(dir() / "f_0002.png");  // the footage's second frame goes missing under the preview
  const auto failed = client().Get("/api/frame?frame=1", pageHeaders());
  ASSERT_EQ(failed->status, 500);
  EXPECT_NE(json::parse(failed->body)["error"].get<std::string>().find("f_0002.png"), std::string::npos)
      << failed->body;
  writeGreyPng(dir() / "f_0002.png");
  ASSERT_EQ(postJson("/api/change", {{"param", columnsIndex()}, {"value", 2}})->status, 200);
  EXPECT_EQ(client().Get("/api/frame?frame=1", pageHeaders())->status, 200) << "the server stayed up";
}

// A render started from the page runs beside the preview, reports its progress, and a cancelled
// one leaves no file; an output that is one of the project's files is refused.
TEST_F(PreviewServerTest, ARenderFromThePageFinishesOrIsCancelledWithNothingLeft) {
  start();
  const auto renderTo = [&](const fs::path& output) { return postJson("/api/render", {{"output", output.string()}}); };
  const auto waitForEnd = [&] {
    json status;
    for (int i = 0; i < 600; ++i) {
      status = json::parse(client().Get("/api/render", pageHeaders())->body);
      if (status["state"] != "running") break;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return status;
  };
  ASSERT_EQ(renderTo(dir() / "wall.mp4")->status, 202);
  EXPECT_EQ(state()["version"], 1) << "the preview is usable meanwhile";
  json status = waitForEnd();
  EXPECT_EQ(status["state"], "done") << status.dump();
  EXPECT_EQ(status["written"], 2);
  EXPECT_TRUE(fs::exists(dir() / "wall.mp4"));

  EXPECT_EQ(renderTo(dir() / "wall.xyz")->status, 400);
  ASSERT_EQ(renderTo(dir() / "f_####.png")->status, 202);
  status = waitForEnd();
  EXPECT_EQ(status["state"], "failed");
  EXPECT_NE(status["error"].get<std::string>().find("is the footage"), std::string::npos) << status.dump();

  ASSERT_EQ(renderTo(dir() / "cancelled.mp4")->status, 202);
  postJson("/api/render/cancel", json::object());
  status = waitForEnd();
  EXPECT_TRUE(status["state"] == "cancelled" || status["state"] == "done") << status.dump();
  if (status["state"] == "cancelled") {
    EXPECT_FALSE(fs::exists(dir() / "cancelled.mp4"));
  }
  for (const auto& entry : fs::directory_iterator(dir())) {
    EXPECT_EQ(entry.path().filename().string().find(".partial"), std::string::npos) << entry.path();
  }
}

// A control with keyframes says so, and a change on the page sets a key at the current time
// without losing the others; undo takes the key back.
TEST_F(PreviewServerTest, AChangeToAnAnimatedControlSetsAKeyAndKeepsTheOthers) {
  start(320, {{"keyframes", {{0, 2}, {0.06, 4}}}});
  const int rows = indexOf("Rows");
  const auto keysOf = [&] {
    const json now = state();
    for (const json& c : now["controls"]) {
      if (c["index"] == rows) return c["keyframes"];
    }
    return json();
  };
  EXPECT_EQ(keysOf(), json::array({0.0, 0.06}));
  ASSERT_EQ(postJson("/api/change", {{"param", rows}, {"value", 3}, {"time", 0.04}})->status, 200);
  EXPECT_EQ(keysOf(), json::array({0.0, 0.04, 0.06}));
  ASSERT_EQ(postJson("/api/change", {{"param", rows}, {"value", 5}, {"time", 0.0}})->status, 200);
  EXPECT_EQ(keysOf(), json::array({0.0, 0.04, 0.06})) << "a key at a key's time replaces its value";
  ASSERT_EQ(postJson("/api/undo", json::object())->status, 200);
  ASSERT_EQ(postJson("/api/undo", json::object())->status, 200);
  EXPECT_EQ(keysOf(), json::array({0.0, 0.06}));
}

}  // namespace
