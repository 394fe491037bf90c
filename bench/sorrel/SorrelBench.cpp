// Sorrel's signal test through the slots of a provider built from the
// deliverable's parts, on the simulated programmer with the trace off and the
// touch probe in the socket, beside its floor.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <iostream>
#include <memory>
#include <string>

#include "cAbstractEventManager.h"
#include "cHostSession.h"
#include "cK5AlgoProvider.h"
#include "cK5SimProgrammer.h"
#include "cK5TouchProbe.h"
#include "cMPDE.h"
#include "cScaffoHost.h"
#include "tBenchCheck.h"
#include "tBenchSetup.h"
#include "tCallTape.h"
#include "tJobBench.h"
#include "tQuietStream.h"
#include "tSignalTestJob.h"

namespace {

typedef cK5SimProgrammer Sim;
typedef cK5TouchProbe Probe;

const piModuleAddr kClient(3, 7);
const unsigned int kPins = Probe::kLastPin;

// Bus cycles the test waits: the set-up of its levels (10 ms and the FPGA
// synchronisation), then the gong of each pin, four tones of 100 ms.
const std::uint64_t kSetupCycles = 50000 + 50;
const std::uint64_t kGongCycles = 4 * 500000;
static_assert(kSetupCycles + kPins * kGongCycles == 288050050, "a 144-pin signal test waits");

Sim& sim() { return Sim::instance(); }
cScaffoHost& host() { return cScaffoHost::instance(); }

// A fresh simulated programmer with the touch probe, a provider of Sorrel's
// parts and the signal-test job; every pin is touched for exactly the run of
// low readings that completes it, so the test ends by itself after pin 144.
class tSignalTestBench : public tBenchSetup {
public:
  tSignalTestBench() {
    sim().reset();
    host().clear();
    cAbstractEventManager::setScheduleHook(nullptr);
    sim().plug(probe);
    // The reads of all runs add up, and each run reads every pin again.
    probe.setReadLimits(Probe::kForever, Probe::kForever);
    provider.reset(new cK5AlgoProvider(&mpde, "Sorrel"));
    benchCheck(provider->getKrv5Ctrl() != nullptr, "the provider found no programmer");
    {
      tQuietStream quiet(std::cerr);
      benchCheck(cHostSession(*provider, kClient).send(signalTestJob::job()),
                 "the module refused the job");
    }
    host().clear();
    sim().setTraceEnabled(false);
    touchAll();
    tape.record([this] { run(); });
    check();
  }
  ~tSignalTestBench() override {
    provider.reset();
    sim().reset();
    host().clear();
  }

  void run() {
    tQuietStream quiet(std::cerr);
    provider->Slot_StartVerify(kClient);
  }

  // Every pin was read exactly its run of low readings, the probe saw no
  // fault and the action did not fail; then the pins are touched again for
  // the next run.
  void check() {
    benchCheck(probe.violations().empty(),
               "the probe saw: " +
                   (probe.violations().empty() ? std::string() : probe.violations().front()));
    for (unsigned int pin = Probe::kFirstPin; pin <= kPins; ++pin) {
      benchCheck(probe.readings(pin) - mReadings[pin] == Probe::kTouchRun,
                 "pin " + std::to_string(pin) + " was read " +
                     std::to_string(probe.readings(pin) - mReadings[pin]) + " times");
    }
    TAG_UI_ALGODATA_KRV3 record;
    {
      tQuietStream quiet(std::cerr);
      benchCheck(cHostSession(*provider, kClient).fetchJobRecord(record),
                 "the job record did not come back");
    }
    benchCheck(record.getActionFailed() == 0, "the signal test failed");
    host().clear();
    touchAll();
  }

  cK5TouchProbe probe;
  cMPDE mpde;
  std::unique_ptr<cK5AlgoProvider> provider;
  tCallTape tape;

private:
  void touchAll() {
    benchCheck(probe.touchRange(Probe::kFirstPin, kPins), "the probe took no script");
    for (unsigned int pin = Probe::kFirstPin; pin <= kPins; ++pin)
      mReadings[pin] = probe.readings(pin);
  }

  std::uint64_t mReadings[kPins + 1] = {};
};

tSignalTestBench* makeSignalTestBench() { return new tSignalTestBench(); }

void SignalTest144Pins(benchmark::State& state) {
  tSignalTestBench& bench = benchSetupOf<tSignalTestBench>("signal test", makeSignalTestBench);
  runBesideFloor(
      state, bench.tape, kSetupCycles + kPins * kGongCycles, [&] { bench.run(); },
      [&] { bench.check(); });
  state.counters["readings"] = static_cast<double>(kPins * Probe::kTouchRun);
}

}  // namespace

BENCHMARK(SignalTest144Pins)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) { return runBenchmarks(argc, argv); }
