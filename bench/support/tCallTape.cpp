#include "tCallTape.h"

#include <algorithm>
#include <string>

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

void tCallTape::replay() const {
  Sim& sim = Sim::instance();
  cKorvo5Device device;
  cK5PiezoCtrl piezo(device);
  cK5AbstractPSCtrl* const supplies = sim.psCtrl();
  cK5FPGACtrl* fpga[Sim::kSlotCount];
  cK5AbstractCPDCtrl* cpd[Sim::kSlotCount];
  for (unsigned int slot = 0; slot < Sim::kSlotCount; ++slot) {
    fpga[slot] = sim.pdio(slot)->fpgaCtrl();
    cpd[slot] = sim.pdio(slot)->cpdCtrl();
  }
  const unsigned int base = Sim::kRegBaseToken;
  const std::uint64_t accessesBefore = sim.registerAccesses();
  const std::uint64_t waitedBefore = sim.waitedCycles();

  for (const tRun& run : mRuns) {
    const tStandInCall* const first = mCalls.data() + run.first;
    const tStandInCall* const last = first + run.length;
    for (std::uint64_t k = 0; k < run.repeats; ++k) {
      for (const tStandInCall* c = first; c != last; ++c) {
        switch (c->kind) {
          case tStandInCall::kMcuRead:
            mcu_read16(base + c->a);
            break;
          case tStandInCall::kMcuWrite:
            mcu_write16(base + c->a, static_cast<unsigned short>(c->b));
            break;
          case tStandInCall::kMcuWait:
            mcu_wait_bus_cycles(c->b, mMapping);
            break;
          case tStandInCall::kFpgaRead:
            fpga[c->slot]->read16(c->a);
            break;
          case tStandInCall::kFpgaWrite:
            fpga[c->slot]->write16(c->a, static_cast<unsigned short>(c->b));
            break;
          case tStandInCall::kDeviceWait:
            device.waitBusCycles(c->b);
            break;
          case tStandInCall::kBuzzer:
            piezo.set(c->a, c->b);
            break;
          case tStandInCall::kSupply:
            supplies->setSupplyVoltage(static_cast<ePSChannel>(c->slot), c->b);
            break;
          case tStandInCall::kSuppliesOff:
            supplies->switchOffSupplies();
            break;
          case tStandInCall::kOutput: {
            const bool off = c->b != 0;
            switch (c->a) {
              case k5OutGlobal:
                cpd[c->slot]->setNOEGlobal(off);
                break;
              case k5OutVcp1:
                cpd[c->slot]->setNOEVCP1(off);
                break;
              case k5OutVcp2:
                cpd[c->slot]->setNOEVCP2(off);
                break;
              case k5OutVcp3:
                cpd[c->slot]->setNOEVCP3(off);
                break;
              default:
                cpd[c->slot]->setNOEGND(off);
                break;
            }
            break;
          }
          case tStandInCall::kKinds:
            break;
        }
      }
    }
  }

  benchCheck(sim.registerAccesses() - accessesBefore == registerAccesses(),
             "the playback made " + std::to_string(sim.registerAccesses() - accessesBefore) +
                 " register accesses, the job " + std::to_string(registerAccesses()));
  benchCheck(sim.waitedCycles() - waitedBefore == mWaited,
             "the playback waited " + std::to_string(sim.waitedCycles() - waitedBefore) +
                 " cycles, the job " + std::to_string(mWaited));
}
