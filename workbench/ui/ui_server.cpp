#include "workbench/ui/ui_server.h"

#include <httplib.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/random.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

#include "resources/resources.h"
#include "support/format.h"
#include "workbench/export/itx.h"
#include "workbench/export/pxp.h"
#include "workbench/export/session_zip.h"
#include "workbench/export/table_csv.h"
#include "workbench/graphs/graph_model.h"
#include "workbench/graphs/render_graph.h"
#include "workbench/host/encoding.h"
#include "workbench/ui/browser_bridge.h"
#include "workbench/ui/page_assets.h"
#include "workbench/ui/session_json.h"
#include "workbench/workbench.h"

extern char** environ;

namespace kwt {
namespace {

using nlohmann::json;
using std::chrono::milliseconds;

// How long a page's request for news waits for one, and how long a request
// waits for the module thread (which may be busy with a long command).
constexpr milliseconds kLongPoll{20000};
constexpr milliseconds kServiceWait{60000};

std::string RandomToken() {
  unsigned char bytes[16] = {};
  size_t got = 0;
  while (got < sizeof bytes) {
    const ssize_t n = getrandom(bytes + got, sizeof bytes - got, 0);
    if (n > 0) got += static_cast<size_t>(n);
  }
  std::string hex;
  for (unsigned char b : bytes) hex += Format("%02x", b);
  return hex;
}

// Compares without stopping at the first difference, so that the time a
// refusal takes tells nothing about the token.
bool SameToken(std::string_view a, std::string_view b) {
  unsigned diff = a.size() == b.size() ? 0u : 1u;
  for (size_t i = 0; i < a.size() && i < b.size(); ++i)
    diff |= static_cast<unsigned>(a[i] ^ b[i]);
  return diff == 0;
}

bool IsWildcard(const std::string& address) {
  return address == "0.0.0.0" || address == "::" || address.empty();
}

// Starts the desktop's browser on the page, when there is a desktop.
void OpenBrowser(const std::string& url) {
  if (getenv("DISPLAY") == nullptr && getenv("WAYLAND_DISPLAY") == nullptr) return;
  const char* argv[] = {"xdg-open", url.c_str(), nullptr};
  pid_t pid = 0;
  posix_spawnp(&pid, "xdg-open", nullptr, nullptr, const_cast<char* const*>(argv), environ);
}

// The session behind the page: the workbench, the module thread's work and
// the view the page reads.
class UiSession {
 public:
  explicit UiSession(const UiOptions& o)
      : bench_(Workbench::Options{o.prefsPath, false, 0, false}), bridge_(thread_, view_) {
    bench_.interaction().SetDelegate(&bridge_);
    bench_.dialogs().SetActionSource(&bridge_);
    bench_.progress().SetListener(
        [this](int64_t spins, double seconds) { view_.SetProgress(spins, seconds); });
    bench_.SetHistorySink([this](std::string_view text) { view_.AppendHistory(text); });
  }

  ModuleThread& thread() { return thread_; }
  UiView& view() { return view_; }
  BrowserBridge& bridge() { return bridge_; }
  Workbench& bench() { return bench_; }

  // A command line as if typed (a job).
  void Run(const std::string& line) {
    thread_.PostJob([this, line] {
      Begin(line);
      bench_.Run(line);
      End();
    });
  }

  // What the status shows while a menu item runs: its text.
  static std::string MenuItemText(int32_t item) {
    for (const resources::MenuItem& m : resources::MenuItems())
      if (m.item == item) return Cp1252ToUtf8(m.text);
    return Format("menu item %d", item);
  }

  // A menu item (a job).
  void Menu(int32_t item) {
    thread_.PostJob([this, item] {
      Begin(MenuItemText(item));
      const int32_t result = bench_.ChooseMenuItem(item);
      // -1 is a dialog's Cancel (and the Buffer Capacity item's answer).
      if (result != 0 && result != -1)
        view_.AddNotice("error", Format("menu item %d: error %d: ", item, result) +
                                     Cp1252ToUtf8(Workbench::ErrorText(result)));
      End();
    });
  }

  // The page's first look: everything as it stands.
  void Publish() {
    view_.SetObjects(FoldersJson(bench_));
    view_.SetWindows(WindowsJson(bench_));
  }

 private:
  void Begin(const std::string& job) {
    results_ = bench_.results().size();
    clipboard_ = bench_.clipboardChanges();
    commandLine_ = bench_.commandLineChanges();
    view_.SetBusy(true, job);
  }

  // What the job left: the reports of its lines, the clipboard and the
  // command line when they were set, the folders and windows.
  void End() {
    const auto& results = bench_.results();
    for (size_t i = results_; i < results.size(); ++i) ReportLine(results[i]);
    if (bench_.clipboardChanges() != clipboard_) view_.SetClipboard(bench_.clipboard());
    if (bench_.commandLineChanges() != commandLine_) view_.SetCommandLine(bench_.commandLine());
    Publish();
    view_.SetBusy(false);
  }

  void ReportLine(const LineResult& r) {
    if (r.code != 0) {
      std::string text = Format("error %d: ", r.code) + Cp1252ToUtf8(r.text);
      if (!r.diagnosis.empty()) text += "; " + Cp1252ToUtf8(r.diagnosis);
      view_.AddNotice("error", text);
    }
    int64_t missing = 0, points = 0, waves = 0;
    for (const Problem& p : r.problems) {
      switch (p.kind) {
        case ProblemKind::kNothingLoaded: view_.AddNotice("error", Cp1252ToUtf8(p.text)); break;
        case ProblemKind::kDamaged:
          view_.AddNotice("problem", "damaged: " + Cp1252ToUtf8(p.text));
          break;
        case ProblemKind::kMissingSamples:
          missing += p.missing;
          points += p.points;
          ++waves;
          break;
        case ProblemKind::kDiagnosis: break;
      }
    }
    if (waves > 0)
      view_.AddNotice("problem", Format("%lld of %lld samples of %lld wave%s were not in the "
                                        "recording",
                                        static_cast<long long>(missing),
                                        static_cast<long long>(points),
                                        static_cast<long long>(waves), waves == 1 ? "" : "s"));
  }

  ModuleThread thread_;
  UiView view_;
  Workbench bench_;
  BrowserBridge bridge_;
  size_t results_ = 0;
  uint64_t clipboard_ = 0, commandLine_ = 0;
};

// A window drawn for the page: the SVG and where its plot and axes lie, so
// that the page can turn a drag into data values.
json WindowPicture(Workbench& bench, const std::string& name, int width, int height,
                   const std::string& axis, double x0, double x1, std::string* error) {
  const Window* window = nullptr;
  for (const Window& w : bench.windows())
    if (Cp1252ToUtf8(w.name) == name) window = &w;
  if (window == nullptr || window->kind != Window::Kind::kGraph) {
    *error = "no graph named " + name;
    return {};
  }
  GraphModel model = BuildGraphModel(*window, bench);
  if (!axis.empty() && std::isfinite(x0) && std::isfinite(x1) && x0 != x1) {
    if (GraphAxis* a = model.FindAxis(axis)) {
      a->manualMin = std::min(x0, x1);
      a->manualMax = std::max(x0, x1);
    }
  }
  RenderOptions options;
  options.width = std::clamp(width, 64, 4096);
  options.height = std::clamp(height, 64, 4096);
  std::string svg;
  GraphLayout layout;
  if (!RenderGraphSvg(model, options, &svg, error, &layout)) return {};
  json axes = json::array();
  for (const AxisLayout& a : layout.axes)
    axes.push_back({{"name", Cp1252ToUtf8(a.name)},
                    {"horizontal", !IsVertical(a.side)},
                    {"start", a.start},
                    {"end", a.end},
                    {"min", a.min},
                    {"max", a.max}});
  return {{"svg", svg},
          {"width", layout.width},
          {"height", layout.height},
          {"plot",
           {{"left", layout.plotLeft},
            {"top", layout.plotTop},
            {"right", layout.plotRight},
            {"bottom", layout.plotBottom}}},
          {"axes", axes}};
}

double NumberParam(const httplib::Request& req, const char* key) {
  if (!req.has_param(key)) return NAN;
  try {
    return std::stod(req.get_param_value(key));
  } catch (...) {
    return NAN;
  }
}

int IntParam(const httplib::Request& req, const char* key, int otherwise) {
  if (!req.has_param(key)) return otherwise;
  try {
    return std::stoi(req.get_param_value(key));
  } catch (...) {
    return otherwise;
  }
}

uint64_t CountParam(const httplib::Request& req, const char* key) {
  if (!req.has_param(key)) return 0;
  try {
    return std::stoull(req.get_param_value(key));
  } catch (...) {
    return 0;
  }
}

void SendJson(httplib::Response& res, const json& body, int status = 200) {
  res.status = status;
  res.set_content(body.dump(-1, ' ', false, json::error_handler_t::replace), "application/json");
}

json ParseBody(const httplib::Request& req) {
  return json::parse(req.body, nullptr, false);
}

// The routes of the page and its API.
void Route(httplib::Server& server, UiSession& session, const std::string& token,
           const std::function<void()>& quit) {
  server.Get("/", [&, token](const httplib::Request&, httplib::Response& res) {
    std::string page(kPageHtml);
    const std::string mark = "{{TOKEN}}";
    for (size_t at = page.find(mark); at != std::string::npos; at = page.find(mark, at))
      page.replace(at, mark.size(), token);
    res.set_content(page, "text/html; charset=utf-8");
  });
  server.Get("/app.js", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(std::string(kPageScript), "text/javascript; charset=utf-8");
  });
  server.Get("/style.css", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(std::string(kPageStyle), "text/css; charset=utf-8");
  });

  server.Get("/api/info", [](const httplib::Request&, httplib::Response& res) {
    json menu = json::array();
    for (const resources::MenuItem& m : resources::MenuItems())
      menu.push_back({{"item", m.item}, {"text", Cp1252ToUtf8(m.text)}});
    SendJson(res, {{"menuTitle", std::string(resources::kMenuTitle)}, {"menu", menu}});
  });
  server.Get("/api/state", [&](const httplib::Request& req, httplib::Response& res) {
    const int wait = IntParam(req, "wait", 1);
    SendJson(res, session.view().Snapshot(CountParam(req, "since"),
                                          static_cast<size_t>(CountParam(req, "h")),
                                          CountParam(req, "ov"), CountParam(req, "wv"),
                                          wait != 0 ? kLongPoll : milliseconds(0)));
  });
  server.Post("/api/run", [&](const httplib::Request& req, httplib::Response& res) {
    const json body = ParseBody(req);
    if (!body.is_object() || !body["line"].is_string()) return SendJson(res, {{"ok", false}}, 400);
    session.Run(Utf8ToHost(body["line"].get<std::string>()));
    SendJson(res, {{"ok", true}});
  });
  server.Post("/api/menu", [&](const httplib::Request& req, httplib::Response& res) {
    const json body = ParseBody(req);
    if (!body.is_object() || !body["item"].is_number_integer())
      return SendJson(res, {{"ok", false}}, 400);
    session.Menu(body["item"].get<int32_t>());
    SendJson(res, {{"ok", true}});
  });
  server.Post("/api/dialog", [&](const httplib::Request& req, httplib::Response& res) {
    const json body = ParseBody(req);
    const auto ok = session.thread().Call<bool>([&session, body] { return session.bridge().Act(body); },
                                                 kServiceWait);
    SendJson(res, {{"ok", ok.value_or(false)}}, ok.value_or(false) ? 200 : 409);
  });
  // The file chooser: a folder as the open file dialog shows it.
  server.Get("/api/files", [&](const httplib::Request& req, httplib::Response& res) {
    const std::string folder = req.get_param_value("folder");
    const size_t filter = std::strtoul(req.get_param_value("filter").c_str(), nullptr, 10);
    const auto listing = session.thread().Call<std::optional<json>>(
        [&session, folder, filter] { return session.bridge().ListFolder(folder, filter); },
        kServiceWait);
    if (!listing || !*listing) return SendJson(res, {{"error", "no file dialog is open"}}, 409);
    SendJson(res, **listing, (*listing)->contains("error") ? 404 : 200);
  });
  server.Post("/api/answer", [&](const httplib::Request& req, httplib::Response& res) {
    const json body = ParseBody(req);
    if (!body.is_object()) return SendJson(res, {{"ok", false}}, 400);
    const uint64_t id = body.value("id", uint64_t{0});
    const int32_t answer = body.value("answer", 1);
    const auto ok = session.thread().Call<bool>(
        [&session, id, answer] { return session.bridge().Answer(id, answer); }, kServiceWait);
    SendJson(res, {{"ok", ok.value_or(false)}}, ok.value_or(false) ? 200 : 409);
  });
  server.Get("/api/window", [&](const httplib::Request& req, httplib::Response& res) {
    const std::string name = req.get_param_value("name");
    const int w = IntParam(req, "w", 800), h = IntParam(req, "h", 500);
    const std::string axis = req.get_param_value("axis");
    const double x0 = NumberParam(req, "x0"), x1 = NumberParam(req, "x1");
    const auto picture = session.thread().Call<json>(
        [&session, name, w, h, axis, x0, x1] {
          std::string error;
          json p = WindowPicture(session.bench(), name, w, h, axis, x0, x1, &error);
          if (p.is_null()) p = {{"error", error}};
          return p;
        },
        kServiceWait);
    if (!picture) return SendJson(res, {{"error", "the session is busy"}}, 503);
    SendJson(res, *picture, picture->contains("error") ? 404 : 200);
  });
  server.Get("/api/table", [&](const httplib::Request& req, httplib::Response& res) {
    const std::string name = req.get_param_value("name");
    const auto csv = session.thread().Call<std::string>(
        [&session, name] {
          for (const Window& w : session.bench().windows())
            if (w.kind == Window::Kind::kTable && Cp1252ToUtf8(w.name) == name) return TableCsv(w);
          return std::string();
        },
        kServiceWait);
    if (!csv || csv->empty()) return SendJson(res, {{"error", "no table named " + name}}, 404);
    res.set_content(*csv, "text/csv; charset=utf-8");
  });
  server.Get("/api/download/session.itx", [&](const httplib::Request&, httplib::Response& res) {
    const auto itx =
        session.thread().Call<std::string>([&session] { return SaveItx(session.bench()); },
                                           kServiceWait);
    if (!itx) return SendJson(res, {{"error", "the session is busy"}}, 503);
    res.set_header("Content-Disposition", "attachment; filename=\"session.itx\"");
    res.set_content(*itx, "application/octet-stream");
  });
  // The packed experiment is written to a temporary file by the session's
  // thread, streamed from the waves, and sent from that file piece by piece:
  // the samples are never held a second time in memory.
  server.Get("/api/download/session.pxp", [&](const httplib::Request&, httplib::Response& res) {
    const auto saved = session.thread().Call<std::pair<std::string, std::string>>(
        [&session] {
          std::string path = (std::filesystem::temp_directory_path() / "kwt-pxp-XXXXXX").string();
          const int fd = mkstemp(path.data());
          if (fd < 0) return std::make_pair(std::string(), std::string("cannot make a temporary file"));
          close(fd);
          std::string error;
          if (!SavePxp(session.bench(), path, &error)) {
            std::remove(path.c_str());
            return std::make_pair(std::string(), error);
          }
          return std::make_pair(path, std::string());
        },
        kServiceWait);
    if (!saved) return SendJson(res, {{"error", "the session is busy"}}, 503);
    if (saved->first.empty()) return SendJson(res, {{"error", saved->second}}, 500);
    auto file = std::make_shared<std::ifstream>(saved->first, std::ios::binary);
    std::error_code ec;
    const auto size = std::filesystem::file_size(saved->first, ec);
    // The open file stays readable after its name is gone.
    std::remove(saved->first.c_str());
    if (!*file || ec) return SendJson(res, {{"error", "cannot read the written experiment"}}, 500);
    res.set_header("Content-Disposition", "attachment; filename=\"session.pxp\"");
    res.set_content_provider(
        static_cast<size_t>(size), "application/octet-stream",
        [file](size_t offset, size_t length, httplib::DataSink& sink) {
          char chunk[1 << 16];
          file->seekg(static_cast<std::streamoff>(offset));
          file->read(chunk, static_cast<std::streamsize>(std::min(length, sizeof chunk)));
          return file->gcount() > 0 && sink.write(chunk, static_cast<size_t>(file->gcount()));
        });
  });
  server.Get("/api/download/session.zip", [&](const httplib::Request&, httplib::Response& res) {
    const auto zip = session.thread().Call<std::pair<std::string, std::string>>(
        [&session] {
          std::string bytes, error;
          if (!SessionDumpZip(session.bench(), &bytes, &error)) return std::make_pair(std::string(), error);
          return std::make_pair(bytes, std::string());
        },
        kServiceWait);
    if (!zip) return SendJson(res, {{"error", "the session is busy"}}, 503);
    if (zip->first.empty()) return SendJson(res, {{"error", zip->second}}, 500);
    res.set_header("Content-Disposition", "attachment; filename=\"session.zip\"");
    res.set_content(zip->first, "application/zip");
  });
  server.Post("/api/quit", [quit](const httplib::Request&, httplib::Response& res) {
    SendJson(res, {{"ok", true}});
    quit();
  });
}

// The checks every request passes before its route: the token, the Host
// the page was served from, and the Origin of scripts.
void Guard(httplib::Server& server, const std::string& token, const std::string& listen,
           const int& port) {
  server.set_pre_routing_handler([token, listen, &port](const httplib::Request& req,
                                                        httplib::Response& res) {
    const auto refuse = [&](const char* why) {
      res.status = 403;
      res.set_content(why, "text/plain");
      return httplib::Server::HandlerResponse::Handled;
    };
    const std::string host = req.get_header_value("Host");
    const std::string p = std::to_string(port);
    std::vector<std::string> hosts = {"127.0.0.1:" + p, "localhost:" + p, "[::1]:" + p};
    if (!IsWildcard(listen)) hosts.push_back((listen.find(':') != std::string::npos ? "[" + listen + "]" : listen) + ":" + p);
    const bool knownHost =
        IsWildcard(listen) ? !host.empty() : std::find(hosts.begin(), hosts.end(), host) != hosts.end();
    if (!knownHost) return refuse("unknown host");
    if (req.has_header("Origin") && req.get_header_value("Origin") != "http://" + host)
      return refuse("foreign origin");
    const std::string given =
        req.has_header("X-KWT-Token") ? req.get_header_value("X-KWT-Token") : req.get_param_value("t");
    if (!SameToken(given, token)) return refuse("no or wrong token");
    res.set_header("Cache-Control", "no-store");
    res.set_header("X-Content-Type-Options", "nosniff");
    res.set_header("X-Frame-Options", "DENY");
    res.set_header("Content-Security-Policy",
                   "default-src 'self'; img-src 'self' data: blob:; style-src 'self' "
                   "'unsafe-inline'; connect-src 'self'; frame-ancestors 'none'");
    return httplib::Server::HandlerResponse::Unhandled;
  });
}

}  // namespace

int RunUi(const UiOptions& options) {
  // Ctrl-C and termination end the session cleanly: they are taken by a
  // thread of their own, never delivered to the others.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGUSR1);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  UiSession session(options);
  httplib::Server server;
  server.set_payload_max_length(kUiMaxBody);
  const std::string token = RandomToken();
  int port = 0;
  std::atomic<bool> quitting{false};
  const auto quit = [&] {
    if (quitting.exchange(true)) return;
    session.view().Close();
    session.thread().Stop();
  };
  Guard(server, token, options.listen, port);
  Route(server, session, token, quit);

  port = options.port > 0 ? (server.bind_to_port(options.listen.c_str(), options.port) ? options.port : -1)
                          : server.bind_to_any_port(options.listen.c_str());
  if (port <= 0) {
    std::fprintf(stderr, "kwt: ui: cannot listen on %s port %d\n", options.listen.c_str(),
                 options.port);
    return 1;
  }
  std::thread listener([&] { server.listen_after_bind(); });
  // Ctrl-C ends the session once the running command has finished (what
  // it made is kept and the preferences are stored); a second one, while
  // that command still runs, ends the program at once.
  std::thread waiter([&] {
    int signal = 0;
    sigwait(&signals, &signal);
    if (signal == SIGUSR1) return;
    const bool busy = session.thread().busy();
    quit();
    if (!busy) return;
    std::fprintf(stderr, "kwt ui: ending when the running command is done; "
                         "Ctrl-C again ends at once\n");
    sigwait(&signals, &signal);
    if (signal != SIGUSR1) std::_Exit(130);
  });

  const std::string shown = IsWildcard(options.listen) ? "127.0.0.1" : options.listen;
  const std::string url = Format("http://%s:%d/?t=%s",
                                 shown.find(':') != std::string::npos ? ("[" + shown + "]").c_str()
                                                                      : shown.c_str(),
                                 port, token.c_str());
  if (options.onListening) {
    options.onListening(url);
  } else {
    std::printf("kwt ui: %s\n", url.c_str());
    std::fflush(stdout);
  }
  for (const std::string& line : options.commands) session.Run(Utf8ToHost(line));
  session.thread().PostJob([&session] { session.Publish(); });
  if (options.openBrowser) OpenBrowser(url);

  session.thread().Run();

  quit();
  server.stop();
  listener.join();
  pthread_kill(waiter.native_handle(), SIGUSR1);
  waiter.join();
  return 0;
}

}  // namespace kwt
