#ifndef STOP_SIGNALS_H
#define STOP_SIGNALS_H

#include <functional>
#include <string>

// SIGINT, SIGTERM, SIGHUP and SIGQUIT while a run lives: each is noted
// instead of ending the process, so that the run can leave its files whole
// and say that it was interrupted. One the caller left ignored (nohup, a
// background job of a script) stays ignored. The first one stops what the
// run has not begun; a second one also gives up a write that waits.
//
// SIGXFSZ is ignored: a write past the file-size limit fails with EFBIG,
// which the run reports, instead of killing it half way through a save.
void catchStopSignals();

// The number of the first stop signal; 0 while none came.
int stopSignal();
// How many came, counted up to two.
int stopSignalCount();

// Runs `call`, one system call that may wait (an open or read of a FIFO, a
// write into a full pipe), so that the stop signal that gives it up ends it
// at any moment, also one that came just before the call began: then -1
// with errno EINTR. `givesUpAt` is the count of stop signals that gives it
// up: 1 for what the run has not begun, 2 for a write. The call must not
// take locks or allocate: the signal may leave it part way.
long stoppableCall(int givesUpAt, const std::function<long()>& call);

// "SIGINT", "SIGTERM", "SIGHUP" or "SIGQUIT"; otherwise "signal N".
std::string signalName(int signal);

#endif
