#ifndef STOP_SIGNALS_H
#define STOP_SIGNALS_H

#include <string>

// SIGINT, SIGTERM and SIGHUP while a run lives: each is noted instead of
// ending the process, so that the run can leave its files whole and say that
// it was interrupted. A call that waits (a FIFO, a full pipe) returns EINTR
// on them. The first one stops what the run has not begun; a second one also
// gives up a write that waits.
void catchStopSignals();

// The number of the first stop signal; 0 while none came.
int stopSignal();
// How many came, counted up to two.
int stopSignalCount();

// "SIGINT", "SIGTERM" or "SIGHUP"; otherwise "signal N".
std::string signalName(int signal);

#endif
