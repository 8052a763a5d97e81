// The browser front end's server as a stranger meets it: only the page's
// own requests, with the session's token, from the page's own origin, in
// bounded sizes, on the loopback interface.
#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <fstream>
#include <future>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>

#include "tests/testkit/temp_dir.h"
#include "workbench/ui/module_thread.h"
#include "workbench/ui/ui_server.h"

namespace kwt {
namespace {

// A session served on a free port for the length of a test.
class ServedSession {
 public:
  explicit ServedSession(const std::string& prefs) {
    std::promise<std::string> url;
    UiOptions options;
    options.openBrowser = false;
    options.prefsPath = prefs;
    options.commands = {"Make/O/N=3 w = {1, 2, 3}"};
    options.onListening = [&url](const std::string& u) { url.set_value(u); };
    thread_ = std::thread([options] { RunUi(options); });
    const std::string address = url.get_future().get();
    // http://127.0.0.1:PORT/?t=TOKEN
    const size_t colon = address.find(':', 7), slash = address.find('/', colon);
    port = std::stoi(address.substr(colon + 1, slash - colon - 1));
    token = address.substr(address.find("t=") + 2);
  }
  ~ServedSession() {
    httplib::Client client("127.0.0.1", port);
    client.Post("/api/quit", {{"X-KWT-Token", token}}, "{}", "application/json");
    thread_.join();
  }

  httplib::Headers WithToken(httplib::Headers more = {}) const {
    more.emplace("X-KWT-Token", token);
    return more;
  }

  int port = 0;
  std::string token;

 private:
  std::thread thread_;
};

// The local address the server's port listens on, from the kernel's table.
std::string ListeningAddress(int port) {
  std::ifstream table("/proc/net/tcp");
  std::string line;
  std::getline(table, line);
  char want[8];
  std::snprintf(want, sizeof want, ":%04X", port);
  while (std::getline(table, line)) {
    std::istringstream in(line);
    std::string slot, local, remote, state;
    in >> slot >> local >> remote >> state;
    if (state == "0A" && local.size() > 5 && local.substr(local.size() - 5) == want)
      return local.substr(0, local.size() - 5);
  }
  return {};
}

TEST(UiServer, RefusesStrangersAndServesThePage) {
  test::TempDir dir;
  ServedSession session(dir.File("prefs.bin"));
  httplib::Client client("127.0.0.1", session.port);

  // Loopback only: 127.0.0.1 as the kernel lists it.
  EXPECT_EQ(ListeningAddress(session.port), "0100007F");

  EXPECT_EQ(client.Get("/api/state?wait=0")->status, 403) << "no token";
  EXPECT_EQ(client.Get("/api/state?wait=0&t=" + std::string(32, '0'))->status, 403)
      << "a wrong token";
  EXPECT_EQ(client.Get("/?t=")->status, 403) << "the page itself needs the token";
  EXPECT_EQ(client.Get("/api/state?wait=0", session.WithToken({{"Host", "attacker.example"}}))
                ->status,
            403)
      << "a foreign Host (a rebound name)";
  EXPECT_EQ(client.Get("/api/state?wait=0",
                       session.WithToken({{"Origin", "http://attacker.example"}}))
                ->status,
            403)
      << "a foreign Origin";
  const std::string huge(kUiMaxBody + 1, 'x');
  EXPECT_EQ(client.Post("/api/run", session.WithToken(), huge, "application/json")->status, 413)
      << "a body over the bound";

  auto page = client.Get("/?t=" + session.token);
  ASSERT_EQ(page->status, 200);
  EXPECT_NE(page->body.find("app.js?t=" + session.token), std::string::npos);
  EXPECT_EQ(page->get_header_value("X-Frame-Options"), "DENY");

  // The page's own request: the session's waves, and a command it runs.
  auto state = client.Get("/api/state?wait=0", session.WithToken());
  ASSERT_EQ(state->status, 200);
  const auto json = nlohmann::json::parse(state->body);
  EXPECT_EQ(json["objects"]["waves"][0]["name"], "w");
  ASSERT_EQ(client.Post("/api/run", session.WithToken(), R"({"line": "print w[2] * 7"})",
                        "application/json")
                ->status,
            200);
  std::string history;
  for (int i = 0; i < 100 && history.find("  21\n") == std::string::npos; ++i) {
    history = nlohmann::json::parse(client.Get("/api/state?wait=0", session.WithToken())->body)
                  ["history"];
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_NE(history.find("\xe2\x80\xa2print w[2] * 7\n  21\n"), std::string::npos) << history;
}

// A request that waits for the module thread is let go when the session
// ends, whether its service was queued before the end or posted after it;
// it must not wait out its timeout (the server could not stop meanwhile).
TEST(ModuleThread, EndingReleasesWaitingCalls) {
  ModuleThread thread;
  std::thread runner([&] { thread.Run(); });
  EXPECT_EQ(thread.Call<int>([] { return 7; }, std::chrono::hours(1)), 7);
  std::promise<void> blocked, release;
  thread.PostJob([&] {
    blocked.set_value();
    release.get_future().wait();
  });
  blocked.get_future().wait();
  // Queued behind the running job, then dropped by Stop.
  auto queued = std::async(std::launch::async,
                           [&] { return thread.Call<int>([] { return 1; }, std::chrono::hours(1)); });
  thread.Stop();
  release.set_value();
  EXPECT_EQ(queued.get(), std::nullopt);
  EXPECT_EQ(thread.Call<int>([] { return 2; }, std::chrono::hours(1)), std::nullopt);
  runner.join();
}

}  // namespace
}  // namespace kwt
