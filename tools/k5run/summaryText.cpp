#include "summaryText.h"

#include <cstdio>

#include "runnerLine.h"

std::string summaryText(const tSummaryLines& lines) {
  std::string text;
  for (const auto& line : lines) {
    char label[32];
    std::snprintf(label, sizeof label, "%-11s ", (line.first + ":").c_str());
    text += label + shownText(line.second) + "\n";
  }
  return text;
}

std::string hexText(std::uint32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*X", digits, value);
  return text;
}

std::string countText(std::uint64_t count, const std::string& noun) {
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

std::string joined(const std::vector<std::string>& parts, const std::string& separator) {
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : separator) + part;
  return text;
}

std::string continuityText(std::uint32_t connected, std::uint32_t total) {
  std::string verdict = "no verdict";
  if (total != 0 && connected == total) verdict = "device connected";
  if (total != 0 && connected == 0) verdict = "socket empty";
  return std::to_string(connected) + " of " + std::to_string(total) + " pins connected: " + verdict;
}
