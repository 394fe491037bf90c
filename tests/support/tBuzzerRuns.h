#ifndef T_BUZZER_RUNS_H
#define T_BUZZER_RUNS_H

#include <cstdint>
#include <tuple>
#include <vector>

#include "cK5SimProgrammer.h"

// The buzzer calls of the simulated programmer as (a, b, run length), a form
// tests compare and print.
typedef std::tuple<unsigned int, unsigned int, std::uint64_t> tBuzzerRun;
typedef std::vector<tBuzzerRun> tBuzzerRuns;

inline tBuzzerRuns buzzerRuns() {
  tBuzzerRuns runs;
  for (const tK5BuzzerRun& r : cK5SimProgrammer::instance().buzzer())
    runs.emplace_back(r.a, r.b, r.count);
  return runs;
}

// A pin of the signal test that the probe touches for exactly the readings
// that complete it: the buzzer at each low reading, the four tones of the
// gong, quiet, and off at the pin's end.
inline void appendTouchedPin(tBuzzerRuns& runs, std::uint64_t touchRun) {
  runs.emplace_back(5000, 1, touchRun);
  const tBuzzerRuns tail = {{500, 0, 1}, {500, 1, 1}, {300, 1, 1},
                            {500, 1, 1}, {0, 100, 1}, {5000, 0, 1}};
  runs.insert(runs.end(), tail.begin(), tail.end());
}

#endif
