#include "timeText.h"

#include <cstdio>

namespace {

const double kCyclesPerSecond = 5e6;

std::string seconds(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f s", value);
  return text;
}

}  // namespace

std::string secondsText(std::uint64_t busCycles) {
  return seconds(static_cast<double>(busCycles) / kCyclesPerSecond);
}

std::string secondsText(std::chrono::steady_clock::duration wall) {
  return seconds(std::chrono::duration<double>(wall).count());
}
