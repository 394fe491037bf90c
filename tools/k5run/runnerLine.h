#ifndef RUNNER_LINE_H
#define RUNNER_LINE_H

#include <string>

// The runner's exit codes.
const int kExitOk = 0;
const int kExitFailed = 1;       // the run failed, or its output could not be written
const int kExitBadInput = 2;     // refused before anything ran
const int kExitInterrupted = 3;  // a stop signal

// A text as the runner shows it: control characters (a newline in a file
// name, say) written as escapes, so that every line stays one line.
std::string shownText(const std::string& text);

// "k5run: " + the text, shown, as one line on standard error.
void sayLine(const std::string& text);

// A refusal before anything ran: its line, and kExitBadInput.
int refuse(const std::string& text);

#endif
