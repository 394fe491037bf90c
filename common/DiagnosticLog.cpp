#include "DiagnosticLog.h"

#include <iostream>

void logDiag(const std::string& text) { std::cerr << "PIDBG: " << text << std::endl; }

void logStdout(const std::string& text) { std::cout << text << std::endl; }
