#include "callRules.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "rawText.h"
#include "realCalls.h"

namespace {

const char* const kCallNames[] = {"fchmod", "fsync", "rename", "link",  "unlink",
                                  "flock",  "open",  "read",   "write", "fstat"};
const int kCalls = sizeof kCallNames / sizeof kCallNames[0];

// Apart from every exit code k5run has.
const int kExitBadValue = 125;

struct tRule {
  bool set = false;
  eCall call = cOpen;
  int value = 0;  // the signal, or the errno
  char fifo[PATH_MAX] = {};
  const char* substring = "";  // in the environment itself; "" matches any path
  std::atomic<bool> spent{false};
};

tRule gHold;
tRule gRaise;
tRule gFail;

[[noreturn]] void refuse(const char* variable, const char* value, const char* why) {
  char line[3 * PATH_MAX];
  std::size_t at = appendText(line, sizeof line, 0, "k5run_preload: ");
  at = appendText(line, sizeof line, at, variable);
  at = appendText(line, sizeof line, at, "=");
  at = appendText(line, sizeof line, at, value);
  at = appendText(line, sizeof line, at, ": ");
  at = appendText(line, sizeof line, at, why);
  at = appendText(line, sizeof line, at, "\n");
  realCalls().write(STDERR_FILENO, line, at);
  ::_exit(kExitBadValue);
}

// A whole decimal number in [1, limit), or 0.
int numberBelow(const char* text, long limit) {
  char* end = nullptr;
  errno = 0;
  const long n = std::strtol(text, &end, 10);
  if (text[0] < '0' || text[0] > '9' || *end != '\0' || errno != 0 || n < 1 || n >= limit) return 0;
  return static_cast<int>(n);
}

int errnoOf(const char* text) {
  const int kLargestErrno = 4095;
  if (const int n = numberBelow(text, kLargestErrno + 1)) return n;
  for (int e = 1; e <= kLargestErrno; ++e) {
    const char* name = ::strerrorname_np(e);
    if (name != nullptr && std::strcmp(name, text) == 0) return e;
  }
  return 0;
}

// "<call>:<second>[:<substring>]": the call and the substring into the
// rule, the second field into `second`.
void split(const char* variable, const char* value, tRule& rule, char* second) {
  const char* colon = std::strchr(value, ':');
  if (colon == nullptr) refuse(variable, value, "not <call>:<value>[:<path substring>]");
  int call = 0;
  while (call < kCalls &&
         (std::strlen(kCallNames[call]) != static_cast<std::size_t>(colon - value) ||
          std::strncmp(kCallNames[call], value, colon - value) != 0)) {
    ++call;
  }
  if (call == kCalls) {
    char why[128];
    std::size_t at = appendText(why, sizeof why, 0, "no such call (");
    for (int c = 0; c < kCalls; ++c) {
      at = appendText(why, sizeof why, appendText(why, sizeof why, at, c == 0 ? "" : ", "),
                      kCallNames[c]);
    }
    appendText(why, sizeof why, at, ")");
    refuse(variable, value, why);
  }
  rule.call = static_cast<eCall>(call);
  const char* end = std::strchr(colon + 1, ':');
  const std::size_t length =
      end != nullptr ? static_cast<std::size_t>(end - colon - 1) : std::strlen(colon + 1);
  if (length == 0 || length >= PATH_MAX) refuse(variable, value, "no value after the call");
  appendText(second, PATH_MAX, 0, colon + 1, length);
  rule.substring = end != nullptr ? end + 1 : "";
  rule.set = true;
}

void readRule(const char* variable, tRule& rule, int (*valueOf)(const char*), const char* what) {
  const char* value = std::getenv(variable);
  if (value == nullptr || value[0] == '\0') return;
  char second[PATH_MAX];
  split(variable, value, rule, second);
  if (valueOf == nullptr) {
    appendText(rule.fifo, sizeof rule.fifo, 0, second);
    return;
  }
  rule.value = valueOf(second);
  if (rule.value == 0) refuse(variable, value, what);
}

bool matches(const tRule& rule, eCall call, const char* path, const char* path2) {
  if (!rule.set || rule.call != call) return false;
  return std::strstr(path, rule.substring) != nullptr ||
         (path2 != nullptr && std::strstr(path2, rule.substring) != nullptr);
}

// The first matching call only.
bool takes(tRule& rule, eCall call, const char* path, const char* path2) {
  return matches(rule, call, path, path2) && !rule.spent.exchange(true);
}

// Until the test writes a byte or closes its end; a signal does not end it.
void hold() {
  int fd = -1;
  do {
    fd = realCalls().open(gHold.fifo, O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    char why[64];
    appendText(why, sizeof why, appendText(why, sizeof why, 0, "cannot open the FIFO: "),
               ::strerrorname_np(errno));
    refuse("K5RUN_PRELOAD_HOLD", std::getenv("K5RUN_PRELOAD_HOLD"), why);
  }
  char byte = 0;
  while (realCalls().read(fd, &byte, 1) < 0 && errno == EINTR) {
  }
  ::close(fd);
}

int signalOf(const char* text) { return numberBelow(text, NSIG); }

}  // namespace

const char* callName(eCall call) { return kCallNames[call]; }

void readRules() {
  readRule("K5RUN_PRELOAD_HOLD", gHold, nullptr, "");
  readRule("K5RUN_PRELOAD_RAISE", gRaise, signalOf, "no signal number");
  readRule("K5RUN_PRELOAD_FAIL", gFail, errnoOf, "no errno name or number");
}

bool ruleFor(eCall call) {
  return (gFail.set && gFail.call == call) || (gHold.set && gHold.call == call && !gHold.spent) ||
         (gRaise.set && gRaise.call == call && !gRaise.spent);
}

int beforeCall(eCall call, const char* path, const char* path2) {
  if (takes(gHold, call, path, path2)) hold();
  if (takes(gRaise, call, path, path2)) ::raise(gRaise.value);
  return matches(gFail, call, path, path2) ? gFail.value : 0;
}
