#include "runnerLine.h"

#include <unistd.h>

#include <cstdio>

#include "fileIo.h"

std::string shownText(const std::string& text) {
  std::string shown;
  for (const char c : text) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u >= 0x20 && u != 0x7F) {
      shown += c;
    } else if (c == '\n') {
      shown += "\\n";
    } else if (c == '\t') {
      shown += "\\t";
    } else if (c == '\r') {
      shown += "\\r";
    } else {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02X", u);
      shown += escape;
    }
  }
  return shown;
}

void sayLine(const std::string& text) {
  const std::string line = "k5run: " + shownText(text) + "\n";
  std::fflush(stderr);
  writeAll(STDERR_FILENO, line.data(), line.size());
}

int refuse(const std::string& text) {
  sayLine(text);
  return kExitBadInput;
}
