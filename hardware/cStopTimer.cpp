#include "cStopTimer.h"

cStopTimer::cStopTimer() { mText.reserve(64); }

void cStopTimer::start() { mClock.Start(); }

void cStopTimer::end() { mClock.End(); }

std::string cStopTimer::getTime() {
  mText = formatTime(mClock.getDiffTime());
  return mText;
}

std::string cStopTimer::formatTime(std::int64_t microseconds) {
  const std::uint32_t count = static_cast<std::uint32_t>(microseconds);
  std::string text = std::to_string(count);
  // Pad to at least seven digits, then split seconds, milliseconds, microseconds.
  if (text.size() < 7) text.insert(0, 7 - text.size(), '0');
  const std::size_t n = text.size();
  text.insert(n - 3, " ");
  text.insert(n - 6, ".");
  return text + " sec";
}
