#ifndef CALL_LOG_H
#define CALL_LOG_H

#include "callRules.h"

// K5RUN_PRELOAD_LOG: one line per call made, "<call> <path>[ <path2>]", and
// " = -1 <errno name>" after it when the call failed.
void readLogPath();

bool logging();

// Appends the line with one write(), so that runs that share the file, or
// a call left by siglongjmp, never leave half a line.
void logCall(eCall call, const char* path, const char* path2, int result, int error);

#endif
