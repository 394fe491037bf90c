#ifndef CALL_RULES_H
#define CALL_RULES_H

// The calls the library catches, each under one name whatever the libc
// entry point, and what its environment variables make it do at them. Each
// variable is "<call>:<value>[:<path substring>]" and acts on the calls one
// of whose absolute paths holds the substring (any call when there is none):
//   K5RUN_PRELOAD_HOLD=<call>:<FIFO>  the first such call waits, before it is
//     made, until the FIFO opened for reading gives a byte or its end; a
//     signal does not end the wait.
//   K5RUN_PRELOAD_RAISE=<call>:<signal number>  raises the signal just
//     before the first such call.
//   K5RUN_PRELOAD_FAIL=<call>:<errno name or number>  every such call fails
//     with it, and is not made.
// Held, raised and failed in that order.
enum eCall { cFchmod, cFsync, cRename, cLink, cUnlink, cFlock, cOpen, cRead, cWrite, cFstat };

// The calls K5RUN_PRELOAD_LOG records (callLog.h): all but open, read, write and fstat.
inline bool isLogged(eCall call) { return call <= cFlock; }

const char* callName(eCall call);

// Reads the variables. A value it cannot use, or a FIFO it cannot open when
// it comes to hold a call, is told on standard error as
// "k5run_preload: <variable>=<value>: <why>" and ends the process with exit
// code 125.
void readRules();

// True when a rule is about the call, so that its paths are needed.
bool ruleFor(eCall call);

// Just before the real call on path (and path2, or null): holds it, raises
// the signal. The errno the call fails with instead of being made, or 0.
int beforeCall(eCall call, const char* path, const char* path2);

#endif
