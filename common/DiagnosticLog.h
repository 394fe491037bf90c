#ifndef DIAGNOSTIC_LOG_H
#define DIAGNOSTIC_LOG_H

#include <string>

// Diagnostic line on standard error: "PIDBG: " + text + end of line.
void logDiag(const std::string& text);

// Low-level warning on standard output, without prefix.
void logStdout(const std::string& text);

#endif
