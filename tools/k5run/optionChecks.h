#ifndef OPTION_CHECKS_H
#define OPTION_CHECKS_H

#include <string>

#include "tRunOptions.h"

// What the options ask, checked before any file is touched: the command on
// the module that carries it, options that need each other, and voltages
// inside what the chip takes. False with one line.
bool checkOptions(const tRunOptions& options, std::string& error);

#endif
