#include "tK5StopClock.h"

#include <sys/time.h>

#include "DiagnosticLog.h"

tK5StopClock::tK5StopClock() : mStart(0), mEnd(0), mDiff(0) {}

tK5StopClock::~tK5StopClock() {}

std::int64_t tK5StopClock::getTimerTicks() {
  struct timeval now;
  gettimeofday(&now, nullptr);
  return static_cast<std::int64_t>(now.tv_sec) * 1000000 + now.tv_usec;
}

std::int64_t tK5StopClock::Start() {
  mStart = getTimerTicks();
  mEnd = 0;
  mDiff = 0;
  return mStart;
}

std::int64_t tK5StopClock::End() {
  mEnd = getTimerTicks();
  mDiff = getTimerTicks() - mStart;
  return (mEnd - mStart) / 1000;
}

std::int64_t tK5StopClock::getDiffTime() const { return mDiff; }

void tK5StopClock::delay(unsigned long ms) {
  logStdout("Warning: tK5StopClock::delay called. Check for correct function!");
  Start();
  while (End() < static_cast<std::int64_t>(ms)) {
  }
}
