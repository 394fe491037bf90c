// k5run: runs the actions of the Larkspur and Sorrel modules from the command
// line, on the simulated programmer, as the programmer's host software would.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <string>

#include "cRunner.h"
#include "commandLine.h"
#include "optionChecks.h"
#include "runnerLine.h"
#include "tRunOptions.h"

namespace {

std::string runnerFolder() {
  char path[4096];
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return ".";
  const std::string exe(path, static_cast<std::size_t>(n));
  const std::string::size_type slash = exe.rfind('/');
  return slash == std::string::npos ? "." : exe.substr(0, slash);
}

// A standard descriptor the caller closed would go to the first file the run
// opens, and the run's output into that file: each gets /dev/null instead.
bool openStandardDescriptors() {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    if (::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY) != fd) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (!openStandardDescriptors()) return kExitFailed;
  tRunOptions options;
  const int read = readCommandLine(argc, argv, options);
  if (read >= 0) return read;
  std::string error;
  if (!checkOptions(options, error)) return refuse(error);
  // A reader that goes away makes a write fail with EPIPE, which the run reports.
  std::signal(SIGPIPE, SIG_IGN);
  cRunner runner(options, runnerFolder());
  return runner.run();
}
