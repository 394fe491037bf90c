#ifndef PROGRESS_LINE_H
#define PROGRESS_LINE_H

#include <string>

// The terminal's width in columns as the terminal on fd tells it; 80 when it
// does not.
unsigned int terminalColumns(int fd);

// The progress bar's line, at most `columns` - 1 characters long so that it
// never wraps: "program [####....] 40%  byte 0x0330/0x07FF  bus 0.700 s  wall
// 0.004 s". When it does not fit, the wall time goes first, then the bus time,
// then the bar shrinks and goes, then the position; the action's name is cut
// last.
std::string progressBarLine(const std::string& action, double fraction, const std::string& position,
                            const std::string& busTime, const std::string& wallTime,
                            unsigned int columns);

#endif
