#ifndef T_K5_STOP_CLOCK_H
#define T_K5_STOP_CLOCK_H

#include <cstdint>

// Microsecond stop watch on the system time of day.
class tK5StopClock {
public:
  tK5StopClock();
  virtual ~tK5StopClock();

  // Time of day in microseconds.
  static std::int64_t getTimerTicks();

  std::int64_t Start();
  // Whole milliseconds since Start().
  std::int64_t End();
  // Microseconds between Start() and the last End().
  std::int64_t getDiffTime() const;
  // Busy-waits on the time of day; kept for old callers only.
  void delay(unsigned long ms);

private:
  std::int64_t mStart;
  std::int64_t mEnd;
  std::int64_t mDiff;
};

#endif
