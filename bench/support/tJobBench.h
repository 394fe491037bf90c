#ifndef T_JOB_BENCH_H
#define T_JOB_BENCH_H

// One job per benchmark iteration beside its floor, the same calls made by a
// bare loop (tCallTape) less the loop's own reading of its tape, so that the
// module's cost reads as a ratio.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "cK5SimProgrammer.h"
#include "tBenchCheck.h"
#include "tCallTape.h"

// Runs `job` once per iteration, then plays the tape back, once as it is and
// once reading each call twice; `check` (untimed) runs after each of them.
// The iteration's time is the job's wall time alone.
// Counters:
//   wall_ms     wall time of the job
//   floor_ms    wall time of the job's calls made directly: the playback less
//               tape_ms
//   tape_ms     what reading the tape adds to the playback: the playback that
//               reads each call twice less the plain one
//   ratio       wall_ms / floor_ms: the module's cost on top of the simulator
//   accesses    register accesses of the job (mcu and FPGA)
//   bus_cycles  virtual bus time of the job (5 cycles a microsecond)
//   waited      sum of the job's waits
//   mcu_reads, mcu_writes, wait_calls, other_calls
//               the calls the job made and the bare loop makes: mcu register
//               reads and writes, waits, and FPGA register, buzzer, supply
//               and output calls
//   unplayed    hardware calls of the job that the bare loop leaves out
//               (pin-driver register sets, device objects, state, claim)
// Aborts when a job's virtual bus time or its waits differ from `waits`, the
// sum of the protocol's waits.
template <class Job, class Check>
void runBesideFloor(benchmark::State& state, const tCallTape& tape, std::uint64_t waits, Job job,
                    Check check) {
  typedef std::chrono::steady_clock Clock;
  cK5SimProgrammer& sim = cK5SimProgrammer::instance();
  double jobSeconds = 0;
  double playSeconds = 0;
  double tapeSeconds = 0;
  std::uint64_t accesses = 0;
  std::uint64_t waited = 0;
  std::uint64_t busTime = 0;
  for (auto _ : state) {
    const std::uint64_t accessesBefore = sim.registerAccesses();
    const std::uint64_t waitedBefore = sim.waitedCycles();
    const std::uint64_t nowBefore = sim.nowCycles();
    const Clock::time_point start = Clock::now();
    job();
    const Clock::time_point end = Clock::now();
    const std::chrono::duration<double> took = end - start;
    state.SetIterationTime(took.count());
    jobSeconds += took.count();

    accesses = sim.registerAccesses() - accessesBefore;
    waited = sim.waitedCycles() - waitedBefore;
    busTime = sim.nowCycles() - nowBefore;
    benchCheck(waited == waits, "the job waited " + std::to_string(waited) + " cycles, not " +
                                    std::to_string(waits));
    benchCheck(busTime == waits, "the job took " + std::to_string(busTime) +
                                     " cycles of bus time, not " + std::to_string(waits));
    benchCheck(accesses == tape.registerAccesses(), "the job made " + std::to_string(accesses) +
                                                        " register accesses, the recorded " +
                                                        std::to_string(tape.registerAccesses()));
    check();

    const Clock::time_point playStart = Clock::now();
    tape.replay();
    const Clock::time_point playEnd = Clock::now();
    check();
    const Clock::time_point twiceStart = Clock::now();
    tape.replayReadingTwice();
    const Clock::time_point twiceEnd = Clock::now();
    check();
    const double played = std::chrono::duration<double>(playEnd - playStart).count();
    playSeconds += played;
    tapeSeconds += std::chrono::duration<double>(twiceEnd - twiceStart).count() - played;
  }
  const double n = static_cast<double>(state.iterations());
  if (n == 0) return;
  const double floorSeconds = playSeconds - tapeSeconds;
  state.counters["wall_ms"] = 1000 * jobSeconds / n;
  state.counters["floor_ms"] = 1000 * floorSeconds / n;
  state.counters["tape_ms"] = 1000 * tapeSeconds / n;
  state.counters["ratio"] = floorSeconds > 0 ? jobSeconds / floorSeconds : 0;
  state.counters["accesses"] = static_cast<double>(accesses);
  state.counters["bus_cycles"] = static_cast<double>(busTime);
  state.counters["waited"] = static_cast<double>(waited);
  typedef tStandInCall C;
  const std::uint64_t reads = tape.calls(C::kMcuRead);
  const std::uint64_t writes = tape.calls(C::kMcuWrite);
  const std::uint64_t waitCalls = tape.calls(C::kMcuWait) + tape.calls(C::kDeviceWait);
  std::uint64_t all = 0;
  for (unsigned int kind = 0; kind < C::kKinds; ++kind)
    all += tape.calls(static_cast<C::eKind>(kind));
  state.counters["mcu_reads"] = static_cast<double>(reads);
  state.counters["mcu_writes"] = static_cast<double>(writes);
  state.counters["wait_calls"] = static_cast<double>(waitCalls);
  state.counters["other_calls"] = static_cast<double>(all - reads - writes - waitCalls);
  state.counters["unplayed"] = static_cast<double>(tape.otherEvents());
}

#endif
