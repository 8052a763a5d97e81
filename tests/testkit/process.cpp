#include "tests/testkit/process.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace kwt::test {

ProcessResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                         const std::string& input) {
  ProcessResult result;
  int in[2], out[2], err[2];
  if (::pipe(in) != 0 || ::pipe(out) != 0 || ::pipe(err) != 0) return result;
  const pid_t pid = ::fork();
  if (pid < 0) return result;
  if (pid == 0) {
    ::dup2(in[0], 0);
    ::dup2(out[1], 1);
    ::dup2(err[1], 2);
    for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) ::close(fd);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  ::close(in[0]);
  ::close(out[1]);
  ::close(err[1]);
  // Feed the input and drain both outputs without blocking on either.
  size_t written = 0;
  if (input.empty()) {
    ::close(in[1]);
    in[1] = -1;
  } else {
    ::fcntl(in[1], F_SETFL, O_NONBLOCK);
  }
  bool outOpen = true, errOpen = true;
  char buf[65536];
  while (outOpen || errOpen) {
    pollfd fds[3];
    int n = 0;
    if (outOpen) fds[n++] = {out[0], POLLIN, 0};
    if (errOpen) fds[n++] = {err[0], POLLIN, 0};
    if (in[1] >= 0) fds[n++] = {in[1], POLLOUT, 0};
    if (::poll(fds, static_cast<nfds_t>(n), -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (int i = 0; i < n; ++i) {
      if (fds[i].revents == 0) continue;
      if (fds[i].fd == in[1]) {
        const ssize_t w = ::write(in[1], input.data() + written, input.size() - written);
        if (w > 0) written += static_cast<size_t>(w);
        if (w < 0 || written == input.size()) {
          ::close(in[1]);
          in[1] = -1;
        }
        continue;
      }
      const ssize_t r = ::read(fds[i].fd, buf, sizeof buf);
      if (r <= 0) {
        if (fds[i].fd == out[0]) outOpen = false;
        else errOpen = false;
        continue;
      }
      (fds[i].fd == out[0] ? result.out : result.err).append(buf, static_cast<size_t>(r));
    }
  }
  if (in[1] >= 0) ::close(in[1]);
  ::close(out[0]);
  ::close(err[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

ProcessResult RunKwt(const std::vector<std::string>& args, const std::string& input) {
#ifdef KWT_BINARY
  return RunProgram(KWT_BINARY, args, input);
#else
  return RunProgram("kwt", args, input);
#endif
}

bool HaveNumpy() {
  return RunProgram("/usr/bin/python3", {"-c", "import numpy"}).status == 0;
}

}  // namespace kwt::test
