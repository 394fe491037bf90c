#include "callLog.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "callPaths.h"
#include "rawText.h"
#include "realCalls.h"

namespace {

// Absolute, so that a run that changes its folder still finds it.
tPath gLogPath;
bool gLogging = false;

std::size_t appendErrno(char* out, std::size_t size, std::size_t at, int error) {
  const char* name = ::strerrorname_np(error);
  return name != nullptr ? appendText(out, size, at, name) : appendNumber(out, size, at, error);
}

}  // namespace

void readLogPath() {
  const char* value = std::getenv("K5RUN_PRELOAD_LOG");
  if (value == nullptr || value[0] == '\0') return;
  atPath(AT_FDCWD, value, gLogPath);
  gLogging = true;
}

bool logging() { return gLogging; }

void logCall(eCall call, const char* path, const char* path2, int result, int error) {
  if (!gLogging) return;
  char line[2 * PATH_MAX + 64];
  std::size_t at = appendText(line, sizeof line, 0, callName(call));
  at = appendText(line, sizeof line, appendText(line, sizeof line, at, " "), path);
  if (path2 != nullptr) {
    at = appendText(line, sizeof line, appendText(line, sizeof line, at, " "), path2);
  }
  if (result < 0) {
    at = appendNumber(line, sizeof line, appendText(line, sizeof line, at, " = "), result);
    at = appendErrno(line, sizeof line, appendText(line, sizeof line, at, " "), error);
  }
  at = appendText(line, sizeof line, at, "\n");
  const int fd = realCalls().open(gLogPath.text, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return;
  if (realCalls().write(fd, line, at) < 0) {
    // Nothing to tell it to: a line missing fails the test that reads the log.
  }
  ::close(fd);
}
