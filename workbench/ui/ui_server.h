// The workbench in a web browser: `kwt ui` serves one session to a page on
// the same machine.
//
// The calling thread becomes the module thread: it makes the workbench,
// runs the given command lines, and then runs what the page asks for, one
// job at a time (module_thread.h).  An HTTP server answers the page on
// threads of its own: it reads the session's view (ui_view.h) and posts
// work to the module thread, never touching the session itself.
//
// Every request carries the session's random token (in the X-KWT-Token
// header, or a "t" query parameter for pages, scripts and downloads); the
// Host header must name the address the server listens on and an Origin,
// when sent, the same; request bodies are bounded.  The server listens on
// the loopback interface unless told otherwise.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kwt {

struct UiOptions {
  std::string listen = "127.0.0.1";  // the address to listen on
  int port = 0;                      // 0: a free port
  bool openBrowser = true;           // start the default browser on the page
  std::string prefsPath;             // the stored preferences (empty: default)
  std::vector<std::string> commands; // run before the page is served
  // Called once the server listens, with the page's address (token
  // included); the default prints it on standard output.
  std::function<void(const std::string& url)> onListening;
};

// Serves until the page asks to quit or the process is interrupted
// (SIGINT, SIGTERM); returns the exit status: 0, or 1 when the server
// could not listen.
int RunUi(const UiOptions& options);

// The largest request body the server accepts, in bytes.
inline constexpr size_t kUiMaxBody = 256 * 1024;

}  // namespace kwt
