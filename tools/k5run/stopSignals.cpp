#include "stopSignals.h"

#include <setjmp.h>
#include <signal.h>

#include <cerrno>

namespace {

const int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

volatile sig_atomic_t gFirst = 0;
volatile sig_atomic_t gCount = 0;
// While a stoppable call runs: the count of stop signals that ends it; 0 otherwise.
volatile sig_atomic_t gGivesUpAt = 0;
sigjmp_buf gGiveUp;

// The stop signals are held while one is handled, so only this handler writes.
extern "C" void onStopSignal(int signal) {
  if (gFirst == 0) gFirst = signal;
  if (gCount < 2) gCount = gCount + 1;
  if (gGivesUpAt != 0 && gCount >= gGivesUpAt) {
    gGivesUpAt = 0;
    siglongjmp(gGiveUp, 1);
  }
}

bool ignoredByTheCaller(int signal) {
  struct sigaction current = {};
  return sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN;
}

}  // namespace

void catchStopSignals() {
  gFirst = 0;
  gCount = 0;
  struct sigaction action = {};
  action.sa_handler = onStopSignal;
  sigemptyset(&action.sa_mask);
  for (int s : kStopSignals) sigaddset(&action.sa_mask, s);
  // No SA_RESTART: a call that waits comes back, and the run looks at why.
  action.sa_flags = 0;
  for (int s : kStopSignals) {
    if (!ignoredByTheCaller(s)) sigaction(s, &action, nullptr);
  }
  signal(SIGXFSZ, SIG_IGN);
}

int stopSignal() { return gFirst; }

int stopSignalCount() { return gCount; }

long stoppableCall(int givesUpAt, const std::function<long()>& call) {
  // The mask is saved with the jump's place, so a jump out of the handler
  // takes the stop signals' block with it.
  if (sigsetjmp(gGiveUp, 1) != 0) {
    errno = EINTR;
    return -1;
  }
  gGivesUpAt = givesUpAt;
  if (gCount >= givesUpAt) {
    gGivesUpAt = 0;
    errno = EINTR;
    return -1;
  }
  const long result = call();
  const int reason = errno;
  gGivesUpAt = 0;
  errno = reason;
  return result;
}

std::string signalName(int signal) {
  switch (signal) {
    case SIGINT:
      return "SIGINT";
    case SIGTERM:
      return "SIGTERM";
    case SIGHUP:
      return "SIGHUP";
    case SIGQUIT:
      return "SIGQUIT";
    default:
      return "signal " + std::to_string(signal);
  }
}
