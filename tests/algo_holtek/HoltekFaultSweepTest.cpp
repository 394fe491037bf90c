// Every host fault, one at a time, over Larkspur's actions. Each action runs
// once without faults, counting how often each fault point of the programmer
// and each host signal is called; then, for every point, every kind of fault
// it can show and every hit (or an even spread of them), the action runs with
// that one fault. Whatever the host does, the action must end as the action
// flow promises, and the next action on the same provider must give what a
// fresh provider gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "JobBuilder.h"
#include "cAlgoParam.h"
#include "cHostSession.h"
#include "cK5AlgoProvider.h"
#include "cK5ContinuitySocket.h"
#include "cK5HoltekChip.h"
#include "cK5SimProgrammer.h"
#include "cScaffoHost.h"
#include "tBench.h"
#include "tByteArray.h"
#include "tCaseName.h"
#include "tContinuityBench.h"
#include "tFaultSweep.h"
#include "tHoltekJob.h"
#include "tLineTap.h"

using namespace holtekJob;

namespace {

using faultSweep::tTarget;
typedef std::vector<std::string> tTexts;
typedef void (cKrv32AlgoProviderBase::*tStartSlot)(piModuleAddr);

const piModuleAddr kClient(7, 3);
const piModuleAddr kOther(9, 9);
// Hits struck per target and kind: all up to this many, else a spread.
const unsigned int kHitsPerTarget = 50;
const char* const kFaultText = "host fault";
const unsigned int kInterfaceEnable = 0xA6;
const char* const kCatchClose = "PIDBG: catch postAlgoAction: ";

enum eChipJob { cjNone, cjProgram, cjRead, cjErase };

struct tScenario {
  const char* name;
  tStartSlot slot;
  eChipJob chipJob;
  bool continuityTest;
  // The chip and the continuity wiring's chip are out of the socket.
  bool socketEmpty;
  // The clean action fails: a no-continuity test that is switched off.
  bool fails;
};

void PrintTo(const tScenario& scenario, std::ostream* os) { *os << scenario.name; }

// What an action leaves behind, everything the host or the chip could tell.
struct tOutcome {
  tTexts progress;
  tTexts shown;
  tTexts devShown;
  std::vector<piSubFrame> pinData;
  tTexts log;
  std::vector<unsigned char> record;  // the job record without its buffer address
  std::vector<unsigned char> buffer;  // buffer 0
  std::vector<std::uint16_t> words;
  std::uint32_t info = 0;
  std::uint8_t lock = 0;
  tTexts violations;
  std::vector<std::array<std::uint32_t, 4>> trace;  // kind, slot, a, b
  std::vector<unsigned int> traceValues;            // of all events, one after the other
  std::vector<int> states;                          // set during the action
  std::array<unsigned int, 6> supplies{};
  std::array<bool, 5> outputs{};
  unsigned short interfaceEnable = 0;
  std::uint64_t waited = 0;

  // Names of the parts that differ.
  tTexts differences(const tOutcome& o) const {
    tTexts out;
    if (progress != o.progress) out.push_back("progress records");
    if (shown != o.shown) out.push_back("messages");
    if (devShown != o.devShown) out.push_back("developer messages");
    if (!(pinData == o.pinData)) out.push_back("continuity results");
    if (log != o.log) out.push_back("log");
    if (record != o.record) out.push_back("job record");
    if (buffer != o.buffer) out.push_back("buffer 0");
    if (words != o.words || info != o.info || lock != o.lock) out.push_back("chip contents");
    if (violations != o.violations) out.push_back("chip violations");
    if (trace != o.trace || traceValues != o.traceValues) out.push_back("hardware trace");
    if (states != o.states) out.push_back("device states");
    if (supplies != o.supplies) out.push_back("supply levels");
    if (outputs != o.outputs) out.push_back("slot-0 outputs");
    if (interfaceEnable != o.interfaceEnable) out.push_back("interface enable");
    if (waited != o.waited) out.push_back("waited cycles");
    return out;
  }
};

// What a run showed besides its outcome.
struct tRunInfo {
  std::string escaped;  // what left the start slot, "" when nothing did
  faultSweep::tHits hits;
  // Log lines written before each progress record with the action ended.
  std::vector<std::size_t> endedAtLine;
};

struct tCase {
  const tTarget* target;
  eK5FaultKind kind;
  std::uint64_t hit;
  std::uint64_t hitsInCleanRun;

  std::string text() const {
    if (target == nullptr) return "the clean action";
    return target->name + " " + faultSweep::kindName(kind) + " at hit " + std::to_string(hit + 1) +
           " of " + std::to_string(hitsInCleanRun);
  }
};

bool contains(const tTexts& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

tTexts messageTexts(const std::vector<tScaffoMessage>& messages) {
  tTexts out;
  for (const tScaffoMessage& m : messages) out.push_back(m.text);
  return out;
}

bool isEndedRecord(const tScaffoProgress& p) {
  return p.bytes.size() == TAG_GLOBAL_ALGOCTRL_DATA::kSize && p.bytes[gacdActionEnded] == 1;
}

// One bench for all the cases of a scenario: the provider lives from case to
// case, as a host's does, and only a harmed one makes the bench restart.
class HoltekFaultSweep : public tBenchTest, public testing::WithParamInterface<tScenario> {
protected:
  void SetUp() override {
    wireSocket(socket, fourPinChip());
    socket.setInserted(!scenario().socketEmpty);
    plug(socket);
  }

  void TearDown() override {
    provider.reset();
    EXPECT_EQ(sim().liveDevices(), 0u);
    chip.reset();
    tBenchTest::TearDown();
  }

  static const tScenario& scenario() { return GetParam(); }

  // A programmer at power-up with the socket plugged and no provider.
  void powerUp() {
    provider.reset();
    chip.reset();
    restart();
  }

  tJob job() const {
    tJob job;
    switch (scenario().chipJob) {
      case cjProgram:
        job.settings.options = kOptErase | kOptBlankCheckAfterErase | kOptVerifyAfterProgram;
        job.end = 63;
        job.buffer = wordBytes(wordPattern(32, 5));
        job.buffer.resize(128, 0xFF);
        break;
      case cjRead:
        job.end = 63;
        break;
      default:
        break;
    }
    return job;
  }

  // A chip as the scenario wants it, in the socket after the wiring. Each
  // run's chip is checked with the run (a refused supply may excuse a
  // violation), so the bench does not check it again.
  void newChip() {
    chip.reset(new cK5HoltekChip());
    ASSERT_TRUE(chip->setMemoryWords(64));
    chip->setInserted(!scenario().socketEmpty);
    switch (scenario().chipJob) {
      case cjProgram:
        chip->setWords(0, wordPattern(64, 2));
        break;
      case cjRead:
        chip->setWords(0, wordPattern(64, 9));
        break;
      case cjErase:
        chip->setWords(0, wordPattern(64, 1));
        chip->setInfoData(0x12345678u);
        chip->setLockBits(0x03);
        break;
      default:
        break;
    }
    sim().plug(*chip);
  }

  cHostSession session() { return cHostSession(*provider, kClient); }

  // A fresh provider with the job sent.
  void newProvider() {
    provider.reset();
    provider.reset(new cK5AlgoProvider(nullptr, "Larkspur"));
    ASSERT_NE(provider->getKrv5Ctrl(), nullptr);
    tLineTap quiet(std::cerr);
    ASSERT_TRUE(sendJob(*provider, job(), kClient));
    if (scenario().continuityTest) {
      ASSERT_TRUE(session().send(JobBuilder()
                                     .parameterSet(1, job().uiTimerMs, "/cfg/holtek.cfg", "Job")
                                     .layout(benchLayout("OneGndDiodeHigh", fourPinChip()))));
    }
  }

  // The host sends a new job record before each action: the close's codes
  // stay in the record until then.
  void resendJobRecord() {
    tLineTap quiet(std::cerr);
    const tJob j = job();
    ASSERT_TRUE(session().send(JobBuilder().jobRecord(runnableJobRecord(j.start, j.end))));
  }

  // One action on the provider with a fresh chip; `inject` plants a fault
  // once everything is counted from zero.
  tOutcome run(tRunInfo& info, const std::function<void()>& inject = nullptr) {
    resendJobRecord();
    newChip();
    host().clear();
    sim().clearTrace();
    const std::vector<tTarget>& all = targets();
    const faultSweep::tHits before = faultSweep::hitsNow(all);
    if (inject) inject();

    tOutcome out;
    {
      tLineTap tap(std::cerr);
      tScaffoSinks sinks;
      sinks.progress = [&](const tScaffoProgress& p) {
        if (isEndedRecord(p)) info.endedAtLine.push_back(tap.lines.size());
      };
      host().setSinks(sinks);
      const std::uint64_t waitedBefore = sim().waitedCycles();
      const std::size_t statesBefore = sim().stateHistory().size();
      try {
        (provider.get()->*scenario().slot)(kOther);
      } catch (const std::string& text) {
        info.escaped = "the host's text \"" + text + "\"";
      } catch (...) {
        info.escaped = "an exception";
      }
      out.waited = sim().waitedCycles() - waitedBefore;
      out.states.assign(sim().stateHistory().begin() + statesBefore, sim().stateHistory().end());
      host().setSinks(tScaffoSinks());
      out.log = tap.lines;
    }
    info.hits = faultSweep::hitsBetween(before, faultSweep::hitsNow(all));

    out.progress = progressTexts();
    out.shown = messageTexts(host().messages());
    out.devShown = messageTexts(host().dbgMessages());
    for (const tScaffoPinData& d : host().pinData()) out.pinData.push_back(d.frame);
    const TAG_UI_ALGODATA_KRV3& record = *provider->getAP().getAlgoKrv3UIData();
    out.record.assign(record.raw, record.raw + TAG_UI_ALGODATA_KRV3::kSize);
    std::fill(out.record.begin() + TAG_UI_ALGODATA_KRV3::ofsDataBuffer,
              out.record.begin() + TAG_UI_ALGODATA_KRV3::ofsDataBuffer + 4, 0);
    const tByteArray& buffer = *provider->getAP().getByteArrayFromIndex(0);
    if (buffer.getDataConst() != nullptr) {
      out.buffer.assign(buffer.getDataConst(), buffer.getDataConst() + buffer.GetSize());
    }
    out.words = chip->words();
    out.info = chip->infoData();
    out.lock = chip->lockBits();
    out.violations = chip->violations();
    for (const tK5TraceEvent& e : sim().trace()) {
      out.trace.push_back({static_cast<std::uint32_t>(e.kind), e.slot, e.a, e.b});
      out.traceValues.insert(out.traceValues.end(), e.values.begin(), e.values.end());
    }
    for (unsigned int c = 0; c < out.supplies.size(); ++c) {
      out.supplies[c] = sim().supplyLevel(static_cast<ePSChannel>(c));
    }
    out.outputs = sim().cpd(0).outputDisabled;
    out.interfaceEnable = sim().mcuRegister(kInterfaceEnable);
    return out;
  }

  static const std::vector<tTarget>& targets() {
    static const std::vector<tTarget> all = faultSweep::allTargets();
    return all;
  }

  // The invariants every action keeps whatever the host does. An invariant
  // is excused only where the host refused the very call that keeps it, and
  // the module named the refusal; `excused` collects the excuses used.
  // A case without target is the clean run, which needs no excuse.
  tTexts broken(const tCase& c, const tOutcome& out, const tRunInfo& info, tTexts& excused) const {
    tTexts broken;
    const std::string target = c.target != nullptr ? c.target->name : "";
    // The struck call was the last call of its point in the run: no later
    // call could make up for it, so it was the close's own.
    const bool struckLastCall = c.target != nullptr && info.hits.at(target) == c.hit + 1;
    const bool nulled = c.kind == k5FaultNull;
    auto logged = [&out](const std::string& line) { return contains(out.log, "PIDBG: " + line); };
    const bool caughtInClose =
        c.kind == k5FaultThrow && logged(std::string("catch postAlgoAction: ") + kFaultText);
    auto is = [&target](std::initializer_list<const char*> points) {
      for (const char* p : points) {
        if (target == p) return true;
      }
      return false;
    };
    // Checks an invariant; a break is excused when `excuse` holds.
    auto check = [&](bool holds, const std::string& invariant, bool excuse) {
      if (holds) return;
      if (excuse) {
        excused.push_back(invariant);
      } else {
        broken.push_back(invariant);
      }
    };

    check(info.escaped.empty(), "start slot left by " + info.escaped, false);

    // One final record, closing the record stream; a second only when a
    // close step threw after the first went out (the close's handler sends
    // the record again).
    const std::vector<tScaffoProgress>& records = host().progress();
    const bool endsWithFinal = !records.empty() && isEndedRecord(records.back());
    check(endsWithFinal, "no final progress record with actionEnded 1", false);
    if (endsWithFinal) {
      bool caughtAfterFirst = false;
      for (std::size_t i = info.endedAtLine.front(); i < out.log.size(); ++i) {
        caughtAfterFirst = caughtAfterFirst || out.log[i].rfind(kCatchClose, 0) == 0;
      }
      const std::size_t expected = caughtAfterFirst ? 2 : 1;
      check(info.endedAtLine.size() == expected,
            std::to_string(info.endedAtLine.size()) + " final records, expected " +
                std::to_string(expected),
            false);
    }

    // Ready at the end: excused when the host handed out no device or state
    // control for the ready call, or threw at it.
    check(
        !out.states.empty() && out.states.back() == 1, "device ready",
        struckLastCall && ((nulled && is({"deviceCtrl", "stateCtrl"}) &&
                            logged("Error: No device state control. Can not set device ready.")) ||
                           (caughtInClose && is({"deviceCtrl", "stateCtrl", "setDeviceState"}))));

    // Slot 0's outputs all disabled (the supply outputs by the algorithm,
    // the global one by the close): excused when the host gave no slot-0
    // control to the close (a thrown text there also reads as none) or threw
    // at the close's output switch itself.
    const bool outputsOff =
        std::all_of(out.outputs.begin(), out.outputs.end(), [](bool off) { return off; });
    check(outputsOff, "pin-driver outputs disabled",
          struckLastCall && ((is({"pdioCtrl@0", "cpdCtrl@0"}) &&
                              logged("Error: No CPD control of FPGA 0. Can not disable CPDs.")) ||
                             (caughtInClose && is({"setNOE@0"}))));

    // Supplies switched off after the last level was set: excused when the
    // host gave no supply control to the close, refused the switch-off or
    // threw at either.
    long lastSet = -1;
    long lastOff = -1;
    for (std::size_t i = 0; i < out.trace.size(); ++i) {
      if (out.trace[i][0] == tK5TraceEvent::tkSupply) lastSet = static_cast<long>(i);
      if (out.trace[i][0] == tK5TraceEvent::tkSuppliesOff) lastOff = static_cast<long>(i);
    }
    const bool allOff = std::all_of(out.supplies.begin(), out.supplies.end(),
                                    [](unsigned int mV) { return mV == 0; });
    check(lastOff >= 0 && lastOff > lastSet && allOff, "supplies off after the last level",
          struckLastCall &&
              ((nulled && is({"psCtrl"}) &&
                logged("Error: No power supply control. Can not reset power supplies.")) ||
               (c.kind == k5FaultFalse && is({"switchOffSupplies"}) &&
                logged("Error: switchOffSupplies refused.")) ||
               (caughtInClose && is({"psCtrl", "switchOffSupplies"}))));

    // Algorithm and interface released: no algorithm held, the programming
    // interface disabled; the disable is excused when the host threw at the
    // interface's own disabling write.
    check(provider->getAlgo() == nullptr, "algorithm released", false);
    check(out.interfaceEnable == 0, "programming interface disabled",
          c.kind == k5FaultThrow && is({"register@0"}) &&
              logged(std::string("catch in ~cA5H5InterfaceT: ") + kFaultText));

    // The module's one device object and nothing more.
    check(sim().liveDevices() == 1, "one live device object", false);

    // The chip saw a clean protocol: excused when the host refused the
    // level of the chip's Vcc. Supply results are not examined, so powerOn
    // switches Vcc on at the rest level of 1800 mV, too low to power the
    // chip, and VPP after it; the wrong acknowledge then fails the action.
    const std::string kVppOnUnpowered =
        "VPP on while Vcc 1800 mV is outside the operating range 2200-5500 mV";
    const TAG_UI_ALGODATA_KRV3& record = *provider->getAP().getAlgoKrv3UIData();
    check(out.violations.empty(),
          "no protocol violation" + (out.violations.empty() ? "" : ": " + out.violations.front()),
          c.kind == k5FaultFalse && is({"setSupplyVoltage@3"}) &&
              std::all_of(out.violations.begin(), out.violations.end(),
                          [&](const std::string& v) { return v == kVppOnUnpowered; }) &&
              record.getErrorCode() == 2014 && record.getActionFailed() == 1);
    return broken;
  }

  // Runs the action with the case's fault, then without, on the same
  // provider; what broke in `broke`, the excuses used in `excused`.
  void sweepCase(const tCase& c, const tOutcome& expected, tTexts& broke, tTexts& excused,
                 bool& secondRecord) {
    tRunInfo info;
    const tOutcome faulted =
        run(info, [&c] { faultSweep::inject(*c.target, c.kind, c.hit, kFaultText); });
    broke = broken(c, faulted, info, excused);
    const bool struck =
        c.target->host ? info.hits.at(c.target->name) > c.hit : sim().unfiredFaults().empty();
    if (!struck) broke.push_back("the fault never struck");
    secondRecord = info.endedAtLine.size() == 2;
    sim().clearFaults();

    tRunInfo nextInfo;
    const tTexts differs = run(nextInfo).differences(expected);
    if (differs.empty()) return;
    std::string parts;
    for (const std::string& d : differs) parts += (parts.empty() ? "" : ", ") + d;
    broke.push_back("the next action differs in " + parts);
    // A harmed provider or programmer would spoil every later case.
    powerUp();
    newProvider();
  }

  cK5ContinuitySocket socket;
  std::unique_ptr<cK5HoltekChip> chip;
  std::unique_ptr<cK5AlgoProvider> provider;
};

TEST_P(HoltekFaultSweep, EveryFaultEndsTheActionCleanlyAndTheNextActionIsUnharmed) {
  // The clean run on a fresh provider: the result every later action must
  // give, and the hits to strike.
  newProvider();
  tRunInfo clean;
  const tOutcome expected = run(clean);
  tTexts excuses;
  ASSERT_EQ(broken(tCase{nullptr, k5FaultThrow, 0, 0}, expected, clean, excuses), tTexts{});
  ASSERT_EQ(provider->getAP().getAlgoKrv3UIData()->getActionFailed(), scenario().fails ? 1u : 0u);
  {
    tRunInfo again;
    const tOutcome second = run(again);
    ASSERT_EQ(second.differences(expected), tTexts{}) << "a second clean action differs";
    ASSERT_EQ(again.hits, clean.hits);
  }

  tTexts failures;
  tTexts excusedCases;
  unsigned int cases = 0;
  unsigned int struckTargets = 0;
  unsigned int spreadTargets = 0;
  unsigned int secondRecords = 0;
  std::uint64_t allHits = 0;
  std::array<unsigned int, 5> byKind{};
  for (const tTarget& target : targets()) {
    const std::uint64_t hits = clean.hits.at(target.name);
    if (hits == 0) continue;
    ++struckTargets;
    allHits += hits;
    if (hits > kHitsPerTarget) ++spreadTargets;
    for (eK5FaultKind kind : {k5FaultThrow, k5FaultFalse, k5FaultNull}) {
      if (!(target.kinds & kind)) continue;
      for (std::uint64_t hit : faultSweep::hitsToStrike(hits, kHitsPerTarget)) {
        const tCase c{&target, kind, hit, hits};
        ++cases;
        ++byKind[kind];
        tTexts broke;
        tTexts caseExcuses;
        bool secondRecord = false;
        sweepCase(c, expected, broke, caseExcuses, secondRecord);
        if (secondRecord) ++secondRecords;
        for (const std::string& e : caseExcuses) excusedCases.push_back(c.text() + ": " + e);
        for (const std::string& b : broke) failures.push_back(c.text() + ": " + b);
      }
    }
  }
  std::string hitList;
  for (const tTarget& target : targets()) {
    const std::uint64_t hits = clean.hits.at(target.name);
    if (hits == 0) continue;
    hitList += (hitList.empty() ? "" : ", ") + target.name + " " + std::to_string(hits);
  }
  std::cout << "[ hits     ] " << scenario().name << ": " << hitList << std::endl;
  std::cout << "[ sweep    ] " << scenario().name << ": " << struckTargets << " of "
            << targets().size() << " targets, " << allHits << " hits (" << spreadTargets
            << " spread over " << kHitsPerTarget << " hits), " << cases << " cases (throw "
            << byKind[k5FaultThrow] << ", false " << byKind[k5FaultFalse] << ", null "
            << byKind[k5FaultNull] << "), " << secondRecords << " with a second final record"
            << std::endl;
  for (const std::string& e : excusedCases) std::cout << "[ excused  ] " << e << std::endl;
  std::string list;
  for (const std::string& f : failures) list += "\n  " + f;
  EXPECT_TRUE(failures.empty()) << failures.size() << " cases broke an invariant:" << list;
}

const tScenario kScenarios[] = {
    // name, start slot, chip job, continuity test on, socket empty, clean action fails
    {"ContinuityOn", &cKrv32AlgoProviderBase::Slot_StartContinuity, cjNone, true, false, false},
    {"ContinuityOff", &cKrv32AlgoProviderBase::Slot_StartContinuity, cjNone, false, false, false},
    {"NoContinuityOn", &cKrv32AlgoProviderBase::Slot_StartNoContinuity, cjNone, true, true, false},
    {"NoContinuityOff", &cKrv32AlgoProviderBase::Slot_StartNoContinuity, cjNone, false, true, true},
    {"ProgramOn", &cKrv32AlgoProviderBase::Slot_StartProg, cjProgram, true, false, false},
    {"ProgramOff", &cKrv32AlgoProviderBase::Slot_StartProg, cjProgram, false, false, false},
    {"ReadOn", &cKrv32AlgoProviderBase::Slot_StartRead, cjRead, true, false, false},
    {"ReadOff", &cKrv32AlgoProviderBase::Slot_StartRead, cjRead, false, false, false},
    {"EraseOn", &cKrv32AlgoProviderBase::Slot_StartErase, cjErase, true, false, false},
    {"EraseOff", &cKrv32AlgoProviderBase::Slot_StartErase, cjErase, false, false, false},
};

INSTANTIATE_TEST_SUITE_P(Actions, HoltekFaultSweep, testing::ValuesIn(kScenarios), tCaseName());

}  // namespace
