#include "stopSignals.h"

#include <signal.h>

namespace {

const int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

volatile sig_atomic_t gFirst = 0;
volatile sig_atomic_t gCount = 0;

// The three are held while one is handled, so only this handler writes.
extern "C" void onStopSignal(int signal) {
  if (gFirst == 0) gFirst = signal;
  if (gCount < 2) gCount = gCount + 1;
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
  for (int s : kStopSignals) sigaction(s, &action, nullptr);
}

int stopSignal() { return gFirst; }

int stopSignalCount() { return gCount; }

std::string signalName(int signal) {
  switch (signal) {
    case SIGINT:
      return "SIGINT";
    case SIGTERM:
      return "SIGTERM";
    case SIGHUP:
      return "SIGHUP";
    default:
      return "signal " + std::to_string(signal);
  }
}
