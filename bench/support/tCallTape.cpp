#include "tCallTape.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>
#include <utility>

#include "cK5AbstractCPDCtrl.h"
#include "cK5AbstractPSCtrl.h"
#include "cK5FPGACtrl.h"
#include "cK5PDIOCtrl.h"
#include "cK5PiezoCtrl.h"
#include "cK5SimProgrammer.h"
#include "cKorvo5Device.h"
#include "mcuAccess.h"
#include "tBenchCheck.h"

namespace {

typedef cK5SimProgrammer Sim;

// Trace events taken out of the simulator at a time, and raw calls packed into
// runs at a time: a job of millions of accesses never holds its whole trace.
const std::size_t kTraceChunk = 1u << 16;
const std::size_t kPackChunk = 1u << 20;
// Longest repeating pattern looked for, and the fewest calls worth a run.
const std::size_t kMaxPeriod = 256;
const std::size_t kMinRunCalls = 32;

std::uint16_t narrow(std::uint32_t value, const char* what) {
  if (value > 0xFFFFu)
    benchCheck(false, std::string(what) + " does not fit the tape: " + std::to_string(value));
  return static_cast<std::uint16_t>(value);
}

}  // namespace

void tCallTape::record(const std::function<void()>& job) {
  *this = tCallTape();
  Sim& sim = Sim::instance();
  std::vector<tStandInCall> raw;
  sim.clearTrace();
  sim.setTraceEnabled(true);
  sim.setAccessHook([&](const tK5TraceEvent&) {
    if (sim.traceSize() >= kTraceChunk) drain(raw);
  });
  job();
  sim.setAccessHook(nullptr);
  benchCheck(sim.droppedTraceEvents() == 0, "the trace dropped events while recording");
  drain(raw);
  take(raw);
  sim.setTraceEnabled(false);
}

void tCallTape::drain(std::vector<tStandInCall>& raw) {
  Sim& sim = Sim::instance();
  for (const tK5TraceEvent& e : sim.trace()) {
    tStandInCall call{tStandInCall::kKinds, 0, 0, 0};
    switch (e.kind) {
      case tK5TraceEvent::tkMcuRead:
        call = {tStandInCall::kMcuRead, 0, narrow(e.a, "register offset"), 0};
        break;
      case tK5TraceEvent::tkMcuWrite:
        call = {tStandInCall::kMcuWrite, 0, narrow(e.a, "register offset"), e.b};
        break;
      case tK5TraceEvent::tkFpgaRead:
        call = {tStandInCall::kFpgaRead, static_cast<std::uint8_t>(e.slot), narrow(e.a, "register"),
                0};
        break;
      case tK5TraceEvent::tkFpgaWrite:
        call = {tStandInCall::kFpgaWrite, static_cast<std::uint8_t>(e.slot),
                narrow(e.a, "register"), e.b};
        break;
      case tK5TraceEvent::tkWait:
        if (e.text == "mcu") {
          benchCheck(!mMappingSeen || mMapping == e.b, "waits with different mapping addresses");
          mMapping = e.b;
          mMappingSeen = true;
          call = {tStandInCall::kMcuWait, 0, 0, e.a};
        } else {
          call = {tStandInCall::kDeviceWait, 0, 0, e.a};
        }
        mWaited += e.a;
        break;
      case tK5TraceEvent::tkBuzzer:
        call = {tStandInCall::kBuzzer, 0, narrow(e.a, "buzzer value"), e.b};
        break;
      case tK5TraceEvent::tkSupply:
        call = {tStandInCall::kSupply, static_cast<std::uint8_t>(e.a), 0, e.b};
        break;
      case tK5TraceEvent::tkSuppliesOff:
        call = {tStandInCall::kSuppliesOff, 0, 0, 0};
        break;
      case tK5TraceEvent::tkCpdOutput:
        call = {tStandInCall::kOutput, static_cast<std::uint8_t>(e.slot), narrow(e.a, "output"),
                e.b};
        break;
      default:
        ++mOther;
        continue;
    }
    ++mCount[call.kind];
    raw.push_back(call);
  }
  sim.clearTrace();
  if (raw.size() >= kPackChunk) {
    take(raw);
    raw.clear();
  }
}

// Packs the calls into runs of a repeating pattern, greedily: at each call the
// period that repeats over the most calls wins, the shortest among equals. A
// multiple of a period that already repeats beyond it repeats no further, so
// it is not tried.
void tCallTape::take(const std::vector<tStandInCall>& raw) {
  const std::size_t n = raw.size();
  std::size_t literal = 0;
  std::size_t i = 0;
  while (i < n) {
    std::size_t bestPeriod = 0;
    std::size_t bestCover = 0;
    const std::size_t maxPeriod = std::min(kMaxPeriod, (n - i) / 2);
    for (std::size_t p = 1; p <= maxPeriod; ++p) {
      if (bestPeriod != 0 && p % bestPeriod == 0 && bestCover >= p) continue;
      if (raw[i] != raw[i + p]) continue;
      std::size_t repeats = 1;
      while (i + (repeats + 1) * p <= n &&
             std::equal(raw.begin() + i, raw.begin() + i + p, raw.begin() + i + repeats * p)) {
        ++repeats;
      }
      if (repeats >= 2 && repeats * p > bestCover) {
        bestPeriod = p;
        bestCover = repeats * p;
      }
    }
    if (bestCover < kMinRunCalls) {
      ++i;
      continue;
    }
    if (literal < i) addRun(&raw[literal], i - literal, 1);
    addRun(&raw[i], bestPeriod, bestCover / bestPeriod);
    i += bestCover;
    literal = i;
  }
  if (literal < n) addRun(&raw[literal], n - literal, 1);
}

void tCallTape::addRun(const tStandInCall* calls, std::size_t length, std::uint64_t repeats) {
  if (!mRuns.empty()) {
    tRun& last = mRuns.back();
    // A pattern that goes on from the previous chunk.
    if (last.length == length && std::equal(calls, calls + length, mCalls.begin() + last.first)) {
      last.repeats += repeats;
      return;
    }
    // Calls that follow the previous unrepeated ones.
    if (repeats == 1 && last.repeats == 1 && last.first + last.length == mCalls.size()) {
      mCalls.insert(mCalls.end(), calls, calls + length);
      last.length += static_cast<std::uint32_t>(length);
      return;
    }
  }
  benchCheck(mCalls.size() + length < 0xFFFFFFFFu, "too many calls to store");
  mRuns.push_back(
      tRun{static_cast<std::uint32_t>(mCalls.size()), static_cast<std::uint32_t>(length), repeats});
  mCalls.insert(mCalls.end(), calls, calls + length);
}

std::uint64_t tCallTape::registerAccesses() const {
  return mCount[tStandInCall::kMcuRead] + mCount[tStandInCall::kMcuWrite] +
         mCount[tStandInCall::kFpgaRead] + mCount[tStandInCall::kFpgaWrite];
}

namespace {

// The calls themselves, to the stand-in hardware library.
class tStandInCalls {
public:
  explicit tStandInCalls(std::uint32_t mapping)
      : mPiezo(mDevice), mSupplies(Sim::instance().psCtrl()), mMapping(mapping) {
    Sim& sim = Sim::instance();
    for (unsigned int slot = 0; slot < Sim::kSlotCount; ++slot) {
      mFpga[slot] = sim.pdio(slot)->fpgaCtrl();
      mCpd[slot] = sim.pdio(slot)->cpdCtrl();
    }
  }

  void mcuRead(std::uint16_t a) { mcu_read16(kBase + a); }
  void mcuWrite(std::uint16_t a, std::uint32_t b) {
    mcu_write16(kBase + a, static_cast<unsigned short>(b));
  }
  void mcuWait(std::uint32_t b) { mcu_wait_bus_cycles(b, mMapping); }
  void fpgaRead(std::uint8_t slot, std::uint16_t a) { mFpga[slot]->read16(a); }
  void fpgaWrite(std::uint8_t slot, std::uint16_t a, std::uint32_t b) {
    mFpga[slot]->write16(a, static_cast<unsigned short>(b));
  }
  void deviceWait(std::uint32_t b) { mDevice.waitBusCycles(b); }
  void buzzer(std::uint16_t a, std::uint32_t b) { mPiezo.set(a, b); }
  void supply(std::uint8_t channel, std::uint32_t b) {
    mSupplies->setSupplyVoltage(static_cast<ePSChannel>(channel), b);
  }
  void suppliesOff() { mSupplies->switchOffSupplies(); }
  void output(std::uint8_t slot, std::uint16_t a, std::uint32_t b) {
    const bool off = b != 0;
    switch (a) {
      case k5OutGlobal:
        mCpd[slot]->setNOEGlobal(off);
        break;
      case k5OutVcp1:
        mCpd[slot]->setNOEVCP1(off);
        break;
      case k5OutVcp2:
        mCpd[slot]->setNOEVCP2(off);
        break;
      case k5OutVcp3:
        mCpd[slot]->setNOEVCP3(off);
        break;
      default:
        mCpd[slot]->setNOEGND(off);
        break;
    }
  }

private:
  static const unsigned int kBase = Sim::kRegBaseToken;
  cKorvo5Device mDevice;
  cK5PiezoCtrl mPiezo;
  cK5AbstractPSCtrl* const mSupplies;
  cK5FPGACtrl* mFpga[Sim::kSlotCount];
  cK5AbstractCPDCtrl* mCpd[Sim::kSlotCount];
  const std::uint32_t mMapping;
};

// No calls: each call's arguments are read and kept from the optimizer,
// nothing more.
class tNoCalls {
public:
  void mcuRead(std::uint16_t a) { keep(a); }
  void mcuWrite(std::uint16_t a, std::uint32_t b) { keep(a, b); }
  void mcuWait(std::uint32_t b) { keep(b); }
  void fpgaRead(std::uint8_t slot, std::uint16_t a) { keep(slot, a); }
  void fpgaWrite(std::uint8_t slot, std::uint16_t a, std::uint32_t b) { keep(slot, a, b); }
  void deviceWait(std::uint32_t b) { keep(b); }
  void buzzer(std::uint16_t a, std::uint32_t b) { keep(a, b); }
  void supply(std::uint8_t channel, std::uint32_t b) { keep(channel, b); }
  void suppliesOff() { benchmark::ClobberMemory(); }
  void output(std::uint8_t slot, std::uint16_t a, std::uint32_t b) { keep(slot, a, b); }

private:
  // The clobber also makes the next reading load the tape again, as a call does.
  template <class... Values>
  static void keep(Values... values) {
    int unused[] = {(benchmark::DoNotOptimize(values), 0)...};
    (void)unused;
    benchmark::ClobberMemory();
  }
};

// Each call read twice: once for nothing, then for the stand-in.
struct tCallsReadTwice {
  explicit tCallsReadTwice(std::uint32_t mapping) : made(mapping) {}
  tNoCalls unmade;
  tStandInCalls made;
};

// One call of the tape.
template <class Calls>
__attribute__((always_inline)) inline void playOne(Calls& calls, const tStandInCall& c) {
  switch (c.kind) {
    case tStandInCall::kMcuRead:
      calls.mcuRead(c.a);
      break;
    case tStandInCall::kMcuWrite:
      calls.mcuWrite(c.a, c.b);
      break;
    case tStandInCall::kMcuWait:
      calls.mcuWait(c.b);
      break;
    case tStandInCall::kFpgaRead:
      calls.fpgaRead(c.slot, c.a);
      break;
    case tStandInCall::kFpgaWrite:
      calls.fpgaWrite(c.slot, c.a, c.b);
      break;
    case tStandInCall::kDeviceWait:
      calls.deviceWait(c.b);
      break;
    case tStandInCall::kBuzzer:
      calls.buzzer(c.a, c.b);
      break;
    case tStandInCall::kSupply:
      calls.supply(c.slot, c.b);
      break;
    case tStandInCall::kSuppliesOff:
      calls.suppliesOff();
      break;
    case tStandInCall::kOutput:
      calls.output(c.slot, c.a, c.b);
      break;
    case tStandInCall::kKinds:
      break;
  }
}

template <class Calls>
__attribute__((always_inline)) inline void playPlace(Calls& calls, const tStandInCall& c) {
  playOne(calls, c);
}

__attribute__((always_inline)) inline void playPlace(tCallsReadTwice& calls,
                                                     const tStandInCall& c) {
  playOne(calls.unmade, c);
  playOne(calls.made, c);
}

// A run of a pattern of `sizeof...(Place)` calls made `repeats` times,
// unrolled: each place of the pattern has a dispatch of its own, which goes
// to the same call at every repeat and so is as well predicted as a direct
// call.
template <class Calls, std::size_t... Place>
void playUnrolled(Calls& calls, const tStandInCall* c, std::uint64_t repeats,
                  std::index_sequence<Place...>) {
  for (std::uint64_t k = 0; k < repeats; ++k) (playPlace(calls, c[Place]), ...);
}

template <class Calls, std::size_t Length>
void playRepeats(Calls& calls, const tStandInCall* c, std::uint64_t repeats) {
  playUnrolled(calls, c, repeats, std::make_index_sequence<Length>());
}

// Patterns up to this length are unrolled whole; longer ones in pieces.
const std::size_t kUnrolled = 32;

template <class Calls, std::size_t... Lengths>
void playRun(Calls& calls, const tStandInCall* c, std::size_t length, std::uint64_t repeats,
             std::index_sequence<Lengths...>) {
  typedef void (*tPlay)(Calls&, const tStandInCall*, std::uint64_t);
  static const tPlay kPlay[] = {&playRepeats<Calls, Lengths + 1>...};
  if (length <= kUnrolled) {
    kPlay[length - 1](calls, c, repeats);
    return;
  }
  for (std::uint64_t k = 0; k < repeats; ++k) {
    for (std::size_t done = 0; done < length; done += kUnrolled)
      kPlay[std::min(kUnrolled, length - done) - 1](calls, c + done, 1);
  }
}

}  // namespace

template <class Calls>
void tCallTape::play(Calls& calls) const {
  for (const tRun& run : mRuns) {
    if (run.length == 0) continue;
    playRun(calls, mCalls.data() + run.first, run.length, run.repeats,
            std::make_index_sequence<kUnrolled>());
  }
}

template <class Calls>
void tCallTape::playChecked(Calls& calls) const {
  Sim& sim = Sim::instance();
  const std::uint64_t accessesBefore = sim.registerAccesses();
  const std::uint64_t waitedBefore = sim.waitedCycles();
  play(calls);
  benchCheck(sim.registerAccesses() - accessesBefore == registerAccesses(),
             "the playback made " + std::to_string(sim.registerAccesses() - accessesBefore) +
                 " register accesses, the job " + std::to_string(registerAccesses()));
  benchCheck(sim.waitedCycles() - waitedBefore == mWaited,
             "the playback waited " + std::to_string(sim.waitedCycles() - waitedBefore) +
                 " cycles, the job " + std::to_string(mWaited));
}

void tCallTape::replay() const {
  tStandInCalls calls(mMapping);
  playChecked(calls);
}

void tCallTape::replayReadingTwice() const {
  tCallsReadTwice calls(mMapping);
  playChecked(calls);
}
