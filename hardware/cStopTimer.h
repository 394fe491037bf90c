#ifndef C_STOP_TIMER_H
#define C_STOP_TIMER_H

#include <cstdint>
#include <string>

#include "tK5StopClock.h"

// Stop watch that writes the elapsed time as "s.mmm uuu sec".
class cStopTimer {
public:
  cStopTimer();

  void start();
  void end();
  // The span of the last end(), see formatTime.
  std::string getTime();

  // Seconds text of a span; only the low 32 bits of the count are shown.
  static std::string formatTime(std::int64_t microseconds);

private:
  tK5StopClock mClock;
  std::string mText;
};

#endif
