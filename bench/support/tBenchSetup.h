#ifndef T_BENCH_SETUP_H
#define T_BENCH_SETUP_H

// What a benchmark sets up on the one simulated programmer: its socket, a
// provider, a job. One exists at a time: a benchmark that starts replaces the
// previous one's set-up and keeps its own across its runs.

#include <functional>
#include <string>

class tBenchSetup {
public:
  virtual ~tBenchSetup() {}
};

// The set-up named `name`, made by `make` unless it is the one in place.
tBenchSetup& benchSetup(const std::string& name, const std::function<tBenchSetup*()>& make);

template <class Setup>
Setup& benchSetupOf(const std::string& name, const std::function<Setup*()>& make) {
  return static_cast<Setup&>(benchSetup(name, [&make]() -> tBenchSetup* { return make(); }));
}

// Runs the benchmarks the command line selects, then releases the last
// set-up while the host's records still exist; main's whole body.
int runBenchmarks(int argc, char** argv);

#endif
