#ifndef COMMAND_LINE_H
#define COMMAND_LINE_H

#include "tRunOptions.h"

// Reads the command line into options, checked for form: the command, its
// options before or after it, their values (none empty). Returns -1 when
// the run goes on; otherwise the exit code, after it printed the help, the
// version, or one line on standard error.
int readCommandLine(int argc, char** argv, tRunOptions& options);

// The command as typed: "program", "no-continuity".
const char* commandName(tRunOptions::eCommand command);

#endif
