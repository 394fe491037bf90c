#ifndef TIME_TEXT_H
#define TIME_TEXT_H

#include <chrono>
#include <cstdint>
#include <string>

// Seconds with three decimals, e.g. "1.234 s": of bus cycles (5 per
// microsecond) and of wall-clock time.
std::string secondsText(std::uint64_t busCycles);
std::string secondsText(std::chrono::steady_clock::duration wall);

#endif
