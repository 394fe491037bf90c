// Larkspur's provider, built from the deliverable's sources, driven through
// its slots on the simulated programmer with the Holtek chip model plugged:
// the job arrives with the receive slot, an action runs with a start slot and
// the results come back with the send slot.
#include <gtest/gtest.h>

#include <cstdint>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cHostSession.h"
#include "cK5AlgoProvider.h"
#include "cK5HoltekChip.h"
#include "cK5PDIOCtrl.h"
#include "cK5SimProgrammer.h"
#include "cKrv5Ctrl.h"
#include "cScaffoHost.h"
#include "moduleGlobals.h"
#include "tActionLog.h"
#include "tBench.h"
#include "tHoltekJob.h"
#include "tLineTap.h"

using namespace holtekJob;
using namespace actionLog;

namespace {

using Sim = cK5SimProgrammer;
typedef std::vector<std::string> tTexts;
typedef void (cKrv32AlgoProviderBase::*tStartSlot)(piModuleAddr);

const piModuleAddr kClient(7, 3);
const piModuleAddr kOther(9, 9);
const char* const kContinuityOff = "Continuity Test disabled";

class HoltekJobSlots : public tBenchTest {
protected:
  void SetUp() override {
    ASSERT_TRUE(chip.setMemoryWords(64));
    plug(chip);
    provider.reset(new cK5AlgoProvider(nullptr, "Larkspur"));
    ASSERT_NE(provider->getKrv5Ctrl(), nullptr);
  }

  // The chip is checked once the provider is gone.
  void TearDown() override {
    provider.reset();
    tBenchTest::TearDown();
  }

  // Sends the job; trace and host records start empty after it.
  void send(const tJob& job) {
    tLineTap quiet(std::cerr);
    ASSERT_TRUE(sendJob(*provider, job, kClient));
    sim().clearTrace();
    host().clear();
  }

  // Runs a start slot with its log in `log` and its waits in `waited`.
  void start(tStartSlot slot) {
    tLineTap tap(std::cerr);
    const std::uint64_t before = sim().waitedCycles();
    (provider.get()->*slot)(kOther);
    waited = sim().waitedCycles() - before;
    log = tap.lines;
  }

  cHostSession session() { return cHostSession(*provider, kClient); }
  // A read job with Vcc measured in the window 3.0 to 3.6 V, the chip sensing `sensed` mV.
  void readWithMeasuredVcc(unsigned int sensed) {
    chip.setSensedSupply(sensed);
    tJob job;
    job.settings.measureVcc = true;
    job.settings.vccUpper = 3600;
    job.settings.vccLower = 3000;
    send(job);
    start(&cKrv32AlgoProviderBase::Slot_StartRead);
  }

  TAG_UI_ALGODATA_KRV3 jobRecordNow() {
    tLineTap quiet(std::cerr);
    TAG_UI_ALGODATA_KRV3 record;
    EXPECT_TRUE(session().fetchJobRecord(record));
    return record;
  }
  std::vector<unsigned char> bufferNow(unsigned int size) {
    tLineTap quiet(std::cerr);
    std::vector<unsigned char> bytes;
    EXPECT_TRUE(session().fetchBuffer(size, bytes));
    return bytes;
  }

  static tTexts shown() {
    tTexts out;
    for (const tScaffoMessage& m : host().messages()) out.push_back(m.text);
    return out;
  }
  // Slot-0 output switches as "VCP1 on" ..., in order.
  static tTexts outputSwitches() {
    static const char* const names[] = {"GLOBAL", "VCP1", "VCP2", "VCP3", "GND"};
    tTexts out;
    for (const tK5TraceEvent& e : sim().traceOf(tK5TraceEvent::tkCpdOutput)) {
      if (e.slot == 0) out.push_back(std::string(names[e.a]) + (e.b == 0 ? " on" : " off"));
    }
    return out;
  }
  static bool everSwitchedOn(const std::string& output) {
    for (const std::string& s : outputSwitches()) {
      if (s == output + " on") return true;
    }
    return false;
  }
  // Values written to the interface enable, in order.
  static std::vector<unsigned int> interfaceEnables() {
    std::vector<unsigned int> out;
    for (const tK5TraceEvent& e : sim().traceOf(tK5TraceEvent::tkMcuWrite)) {
      if (e.a == 0xA6) out.push_back(e.b);
    }
    return out;
  }

  cK5HoltekChip chip;
  std::unique_ptr<cK5AlgoProvider> provider;
  tTexts log;
  std::uint64_t waited = 0;
};

// The switches of one powered action and its close: "SETUP", the power cycle
// (VPP off before Vcc), then the close's "SHUTDOWN" and its outputs off.
const tTexts kPoweredAction = {"GLOBAL on", "VCP1 on",  "VCP2 on",   "VCP2 off",  "VCP2 on",
                               "VCP2 off",  "VCP1 off", "GLOBAL on", "GLOBAL off"};

TEST_F(HoltekJobSlots, EraseWithBlankCheck) {
  chip.setWords(0, wordPattern(64, 1));
  chip.setInfoData(0x12345678u);
  chip.setLockBits(0x03);
  tJob job;
  job.settings.options = kOptBlankCheckAfterErase;
  send(job);

  start(&cKrv32AlgoProviderBase::Slot_StartErase);

  EXPECT_EQ(chip.words(), std::vector<std::uint16_t>(64, 0xFFFF));
  EXPECT_EQ(chip.infoData(), 0xFFFFFFFFu);
  EXPECT_EQ(chip.lockBits(), 0xFF);
  EXPECT_EQ(progressTexts(),
            (tTexts{"msg 144", "msg 145", "adr 0x0", "adr 0x3F", "msg 505", "msg 148", "end"}));
  EXPECT_EQ(shown(), tTexts{kContinuityOff});
  const TAG_UI_ALGODATA_KRV3 record = jobRecordNow();
  EXPECT_EQ(record.getActionFailed(), 0u);
  EXPECT_EQ(record.getErrorCode(), 0u);
  EXPECT_EQ(outputSwitches(), kPoweredAction);
  EXPECT_EQ(waited, 4558027u);
}

// The waits of whole actions are the protocol's waits and nothing else.
TEST_F(HoltekJobSlots, WholeActionsWaitExactlyTheProtocolsCycles) {
  const struct {
    const char* name;
    tStartSlot slot;
    std::uint32_t options;
    std::uint64_t cycles;
  } cases[] = {
      {"read", &cKrv32AlgoProviderBase::Slot_StartRead, 0, 3256830},
      {"erase", &cKrv32AlgoProviderBase::Slot_StartErase, 0, 4555318},
      {"erase and blank check", &cKrv32AlgoProviderBase::Slot_StartErase, kOptBlankCheckAfterErase,
       4558027},
  };
  static_assert(kActionFrame + kChipErase + kBlankCheck == 4558027, "erase and blank check");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    tJob job;
    job.settings.options = c.options;
    send(job);
    start(c.slot);
    EXPECT_EQ(jobRecordNow().getActionFailed(), 0u);
    EXPECT_EQ(waited, c.cycles);
  }
}

TEST_F(HoltekJobSlots, ProgramWithEraseBlankCheckAndVerifyLeavesTheChipEqualToTheBuffer) {
  chip.setWords(0, wordPattern(64, 2));
  tJob job;
  job.settings.options = kOptErase | kOptBlankCheckAfterErase | kOptVerifyAfterProgram;
  // Program takes bytes 0..63, verify words 0..63: the whole 128-byte buffer.
  job.end = 63;
  job.buffer = wordBytes(wordPattern(32, 5));
  job.buffer.resize(128, 0xFF);
  send(job);

  start(&cKrv32AlgoProviderBase::Slot_StartProg);

  std::vector<std::uint16_t> expected = wordPattern(32, 5);
  expected.resize(64, 0xFFFF);
  EXPECT_EQ(chip.words(), expected);
  EXPECT_EQ(progressTexts(),
            (tTexts{"msg 144", "msg 145", "adr 0x0", "adr 0x3F", "msg 505", "msg 148", "msg 136",
                    "adr 0x3F", "msg 305 5f", "adr 0x0", "adr 0x3F", "end"}));
  const TAG_UI_ALGODATA_KRV3 record = jobRecordNow();
  EXPECT_EQ(record.getActionFailed(), 0u);
  EXPECT_EQ(record.getErrorCode(), 0u);
}

TEST_F(HoltekJobSlots, ReadReturnsTheChipImageInBufferZero) {
  const std::vector<std::uint16_t> words = wordPattern(64, 9);
  chip.setWords(0, words);
  tJob job;
  job.end = 63;
  send(job);

  start(&cKrv32AlgoProviderBase::Slot_StartRead);

  EXPECT_EQ(bufferNow(128), wordBytes(words));
  EXPECT_EQ(progressTexts(), (tTexts{"msg 149", "adr 0x0", "adr 0x3F", "end"}));
  EXPECT_EQ(jobRecordNow().getActionFailed(), 0u);
  EXPECT_EQ(waited, 3256830u);
}

TEST_F(HoltekJobSlots, ReadInfoAndLockBitsComeBackInTheDeviceConfiguration) {
  chip.setInfoData(0xCAFE1234u);
  chip.setLockBits(0x1B);
  tJob job;
  job.settings.areas = kAreaInfo | kAreaLock;
  send(job);

  start(&cKrv32AlgoProviderBase::Slot_StartRead);

  cDeviceParam answer;
  tLineTap quiet(std::cerr);
  ASSERT_TRUE(session().fetchDeviceConfig(answer));
  const unsigned char* cfg = answer.getDeviceAlgPrmStruct()->pCfgBuffer;
  EXPECT_EQ(tHoltekSettings::infoDataIn(cfg), 0xCAFE1234u);
  EXPECT_EQ(tHoltekSettings::lockBitsIn(cfg), 0x1B);
  EXPECT_EQ(progressTexts(), (tTexts{"msg 506", "msg 165", "end"}));
}

TEST_F(HoltekJobSlots, EmptySocketGivesTheAcknowledgeCode) {
  chip.setInserted(false);
  send(tJob());

  start(&cKrv32AlgoProviderBase::Slot_StartRead);

  const TAG_UI_ALGODATA_KRV3 record = jobRecordNow();
  EXPECT_EQ(record.getErrorClass(), 9u);
  EXPECT_EQ(record.getErrorCode(), 2014u);
  EXPECT_EQ(record.getActionFailed(), 1u);
  EXPECT_EQ(record.getActionFailCode(), 3003u);
  EXPECT_EQ(progressTexts(), tTexts{"end"});
  // VPP, then Vcc switched off.
  EXPECT_EQ(outputSwitches(), kPoweredAction);
}

TEST_F(HoltekJobSlots, MeasuredVccInsideTheWindowSetsVcp1) {
  readWithMeasuredVcc(3300);

  long vcp1 = sim().findEvent(Sim::eventIs(tK5TraceEvent::tkSupply, PS_VCP1, 3300));
  EXPECT_NE(vcp1, -1);
  EXPECT_LT(vcp1, sim().findEvent(Sim::eventIs(tK5TraceEvent::tkCpdOutput, k5OutVcp1, 0, 0)));
  EXPECT_EQ(jobRecordNow().getActionFailed(), 0u);
  EXPECT_EQ(outputSwitches(), kPoweredAction);
}

TEST_F(HoltekJobSlots, MeasuredVccOutsideTheWindowIsReportedAndNeverPowers) {
  readWithMeasuredVcc(3700);

  EXPECT_EQ(progressTexts(), (tTexts{"msg 484 3.6f 3f", "end"}));
  EXPECT_FALSE(everSwitchedOn("VCP1"));
  EXPECT_FALSE(everSwitchedOn("VCP2"));
  EXPECT_EQ(jobRecordNow().getActionFailed(), 1u);
}

TEST_F(HoltekJobSlots, JobWithoutSetupShowsTheReasonAndNeverPowers) {
  tJob job;
  job.configs = {"SETUPi", "SHUTDOWN"};
  send(job);

  start(&cKrv32AlgoProviderBase::Slot_StartRead);

  EXPECT_EQ(shown(), (tTexts{kContinuityOff, "Can not get CPD config: SETUP.\n"}));
  EXPECT_EQ(progressTexts(), tTexts{"end"});
  EXPECT_FALSE(everSwitchedOn("VCP1"));
  EXPECT_FALSE(everSwitchedOn("VCP2"));
  EXPECT_EQ(sim().traceOf(tK5TraceEvent::tkWait).size(), 0u);
  EXPECT_EQ(jobRecordNow().getActionFailed(), 1u);
}

// Between two address displays the read loop spends no waited time: the UI
// timer lets one through only when register accesses cost time or when it is
// off.
TEST_F(HoltekJobSlots, AddressDisplayIsThrottledToEvery256thAddressPlusTheLast) {
  const struct {
    const char* name;
    bool timerOn;
    unsigned int accessCost;
    tTexts records;
  } cases[] = {
      {"timer on, free accesses", true, 0, {"msg 149", "adr 0x0", "adr 0x2FF", "end"}},
      {"timer on, costly accesses",
       true,
       20,
       {"msg 149", "adr 0x0", "adr 0x100", "adr 0x200", "adr 0x2FF", "end"}},
      {"timer off", false, 0, {"msg 149", "adr 0x0", "adr 0x100", "adr 0x200", "adr 0x2FF", "end"}},
  };
  ASSERT_TRUE(chip.setMemoryWords(0x300));
  tJob job;
  job.settings.memorySize = 0x300;
  job.end = 0x2FF;
  job.buffer.assign(0x600, 0x00);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    send(job);
    sim().setUiTimerEnabled(c.timerOn);
    sim().setAccessCost(c.accessCost);
    start(&cKrv32AlgoProviderBase::Slot_StartRead);
    EXPECT_EQ(progressTexts(), c.records);
    EXPECT_EQ(waited, 3256830u);
  }
}

TEST_F(HoltekJobSlots, CancelDuringAReadEndsAtTheNextAddressAndPowersOff) {
  ASSERT_TRUE(chip.setMemoryWords(0x300));
  const std::vector<std::uint16_t> words = wordPattern(0x300, 4);
  chip.setWords(0, words);
  tJob job;
  job.settings.memorySize = 0x300;
  job.end = 0x2FF;
  job.buffer.assign(0x600, 0x00);
  send(job);
  sim().setUiTimerEnabled(false);
  // Right after the display of address 0x100 went out.
  host().atProgressRecord(4, [](cScaffoProvider& p) { p.Slot_CancelAction(kClient); });

  start(&cKrv32AlgoProviderBase::Slot_StartRead);

  EXPECT_EQ(host().pendingEvents(), 0u);
  // The forced display of the last address is dropped after the cancel.
  EXPECT_EQ(progressTexts(), (tTexts{"msg 149", "adr 0x0", "adr 0x100", "end (cancel)"}));
  std::vector<unsigned char> expected = wordBytes(words);
  std::fill(expected.begin() + 2 * 0x101, expected.end(), 0x00);
  EXPECT_EQ(bufferNow(0x600), expected);
  const TAG_UI_ALGODATA_KRV3 record = jobRecordNow();
  EXPECT_EQ(record.getActionFailed(), 1u);
  EXPECT_EQ(record.getErrorCode(), 0u);
  EXPECT_EQ(log,
            join({opening("Slot_StartRead"), kPrepared, kClose, kFailed, configLive("SHUTDOWN")}));
  EXPECT_EQ(outputSwitches(), kPoweredAction);
}

// ---- the factory ----

TEST_F(HoltekJobSlots, InterfaceThatCannotBindCreatesNothing) {
  send(tJob());
  // The programming interface finds no product information.
  sim().injectNull("productInfo");

  start(&cKrv32AlgoProviderBase::Slot_StartRead);

  EXPECT_EQ(
      log, join({opening("Slot_StartRead"), kNotCreated, kClose, kFailed, configLive("SHUTDOWN")}));
  EXPECT_EQ(shown(), tTexts{kContinuityOff});
  EXPECT_EQ(interfaceEnables(), std::vector<unsigned int>{});
  EXPECT_EQ(provider->getAlgo(), nullptr);
  EXPECT_EQ(jobRecordNow().getActionFailed(), 1u);
}

TEST_F(HoltekJobSlots, FailingShutdownIsShownAndTheAlgorithmAndInterfaceStillGo) {
  tJob job;
  job.configs = {"SETUP", "SETUPi"};
  send(job);

  start(&cKrv32AlgoProviderBase::Slot_StartRead);

  EXPECT_EQ(shown(), (tTexts{kContinuityOff, "Can not get CPD config: SHUTDOWN.\n"}));
  EXPECT_EQ(provider->getAlgo(), nullptr);
  // Enabled when the interface was built, disabled when it went.
  EXPECT_EQ(interfaceEnables(), (std::vector<unsigned int>{1, 0}));
  EXPECT_EQ(jobRecordNow().getActionFailed(), 0u);
}

TEST_F(HoltekJobSlots, HostThrowDuringShutdownStillReleasesBothAndTheNextActionRuns) {
  const std::vector<std::uint16_t> words = wordPattern(64, 6);
  chip.setWords(0, words);
  tJob job;
  job.end = 63;
  send(job);
  // The second bank select of the action: the first makes "SETUP" live.
  sim().injectThrow("setCRS", "bank select broke", 1);

  start(&cKrv32AlgoProviderBase::Slot_StartRead);

  EXPECT_EQ(log,
            join({opening("Slot_StartRead"),
                  kPrepared,
                  kClose,
                  {"PIDBG: catch postAlgoAction: bank select broke", "PIDBG: bank select broke"}}));
  EXPECT_EQ(provider->getAlgo(), nullptr);
  EXPECT_EQ(interfaceEnables(), (std::vector<unsigned int>{1, 0}));
  // Released before the close switched the outputs off.
  const long disabled = sim().findEvent([](const tK5TraceEvent& e) {
    return e.kind == tK5TraceEvent::tkMcuWrite && e.a == 0xA6 && e.b == 0;
  });
  EXPECT_LT(disabled, sim().findEvent(Sim::eventIs(tK5TraceEvent::tkCpdOutput, k5OutGlobal, 1, 0)));
  EXPECT_EQ(jobRecordNow().getActionFailed(), 1u);

  // The next action builds its interface and keeps it enabled until its close.
  send(job);
  start(&cKrv32AlgoProviderBase::Slot_StartRead);
  EXPECT_EQ(interfaceEnables(), (std::vector<unsigned int>{1, 0}));
  EXPECT_EQ(bufferNow(128), wordBytes(words));
  EXPECT_EQ(progressTexts(), (tTexts{"msg 149", "adr 0x0", "adr 0x3F", "end"}));
}

}  // namespace

namespace {

// ---- host data replaced between actions ----

// The pin-driver configurations replaced after an action, then a start whose
// busy mark the host fails: the close that follows must work on the set that
// arrived, never on the one the receive freed.
TEST_F(HoltekJobSlots, ConfigurationsReplacedBeforeAFailedStartAreTheOnesItsCloseUses) {
  const struct {
    const char* name;
    std::vector<std::string> configs;
    tLines shutdown;
    tTexts shown;
  } cases[] = {
      {"without SHUTDOWN",
       {"SETUP", "SETUPi"},
       configMissing("SHUTDOWN"),
       {"state broke", "Can not get CPD config: SHUTDOWN.\n"}},
      {"with SHUTDOWN", {"SETUP", "SETUPi", "SHUTDOWN"}, configLive("SHUTDOWN"), {"state broke"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    send(tJob());
    start(&cKrv32AlgoProviderBase::Slot_StartRead);
    ASSERT_EQ(jobRecordNow().getActionFailed(), 0u);

    // Only the configurations arrive, with a SHUTDOWN of another mode word.
    {
      tLineTap quiet(std::cerr);
      ASSERT_TRUE(session().send(
          JobBuilder().pinDriverConfigs(::pinDriverConfigs(c.configs, [](const std::string& label) {
            return std::vector<tCpdPin>{{2, 7, label == "SHUTDOWN" ? 0x5Au : 0x11u, 1, "P1"}};
          }))));
    }
    sim().clearTrace();
    host().clear();
    sim().injectThrow("setDeviceState", "state broke");

    start(&cKrv32AlgoProviderBase::Slot_StartRead);

    EXPECT_EQ(log, join({{"PIDBG: try Slot_StartRead", "PIDBG: setProcessPriorityHigh NOT enabled.",
                          "PIDBG: catch Slot_StartRead: state broke", "PIDBG: state broke"},
                         kClose,
                         kFailed,
                         c.shutdown}));
    EXPECT_EQ(shown(), c.shown);
    EXPECT_EQ(progressTexts(), tTexts{"end"});
    // Only the new set's SHUTDOWN reaches a bank: slot 2, register 7.
    std::vector<unsigned int> slot2;
    for (const tK5TraceEvent& e : sim().traceOf(tK5TraceEvent::tkCpdWriteSet)) {
      EXPECT_EQ(e.slot, 2u);
      slot2.push_back(e.values.at(7));
    }
    EXPECT_EQ(slot2, c.shutdown == configLive("SHUTDOWN") ? std::vector<unsigned int>{0x5A}
                                                          : std::vector<unsigned int>{});
    EXPECT_EQ(sim().deviceState(), 1);
    EXPECT_EQ(jobRecordNow().getActionFailCode(), 3003u);
  }
}

}  // namespace

namespace {

// The globals an action's interface set stay valid until the module goes,
// and name nothing once the provider and its hardware are gone.
TEST_F(HoltekJobSlots, ModuleGlobalsNameNothingOnceTheProviderIsGone) {
  send(tJob());
  start(&cKrv32AlgoProviderBase::Slot_StartRead);
  ASSERT_EQ(K5Device, &provider->getKrv5Ctrl()->getKorvo5Device());
  EXPECT_EQ(PSCtrl, provider->getKrv5Ctrl()->getSmartPSCtrl());
  EXPECT_NE(CPDCtrl, nullptr);

  provider.reset();

  EXPECT_EQ(K5Device, nullptr);
  EXPECT_EQ(PSCtrl, nullptr);
  EXPECT_EQ(CPDCtrl, nullptr);
}

// Two providers of the module, their actions' bindings complete or failed at
// the pin-driver lookup, in several orders of coming and going: after every
// step the globals name the objects of the provider whose binding last
// succeeded and still lives, or nothing.
TEST_F(HoltekJobSlots, ModuleGlobalsNeverNameAProviderThatIsGone) {
  enum eOp { opBind, opHalfBind, opDrop };
  struct tStep {
    eOp op;
    int who;    // provider 0 or 1
    int bound;  // whose objects the globals name afterwards, -1 none
  };
  const struct {
    const char* name;
    std::vector<tStep> steps;
  } cases[] = {
      {"a binding that failed half way, alone", {{opHalfBind, 0, -1}, {opDrop, 0, -1}}},
      {"the second half bound, then gone first",
       {{opBind, 0, 0}, {opHalfBind, 1, 0}, {opDrop, 1, 0}, {opDrop, 0, -1}}},
      {"the second bound, the first gone first",
       {{opBind, 0, 0}, {opBind, 1, 1}, {opDrop, 0, 1}, {opDrop, 1, -1}}},
      {"the second bound and gone first, the first bound again",
       {{opBind, 0, 0}, {opBind, 1, 1}, {opDrop, 1, -1}, {opBind, 0, 0}, {opDrop, 0, -1}}},
      {"the first half bound after the second, the second gone first",
       {{opBind, 1, 1}, {opHalfBind, 0, 1}, {opDrop, 1, -1}, {opDrop, 0, -1}}},
  };
  provider.reset();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    // What a fresh load holds.
    PSCtrl = nullptr;
    CPDCtrl = nullptr;
    K5Device = nullptr;
    std::unique_ptr<cK5AlgoProvider> providers[2];
    for (std::unique_ptr<cK5AlgoProvider>& p : providers) {
      p.reset(new cK5AlgoProvider(nullptr, "Larkspur"));
      tLineTap quiet(std::cerr);
      ASSERT_TRUE(sendJob(*p, tJob(), kClient));
    }
    for (std::size_t i = 0; i < c.steps.size(); ++i) {
      const tStep& step = c.steps[i];
      SCOPED_TRACE("step " + std::to_string(i));
      tLineTap quiet(std::cerr);
      if (step.op == opDrop) {
        providers[step.who].reset();
      } else {
        if (step.op == opHalfBind) sim().injectNull("cpdCtrl@0");
        providers[step.who]->Slot_StartRead(kClient);
        EXPECT_EQ(sim().deviceState(), 1);
      }
      if (step.bound < 0) {
        EXPECT_EQ(PSCtrl, nullptr);
        EXPECT_EQ(CPDCtrl, nullptr);
        EXPECT_EQ(K5Device, nullptr);
      } else {
        cKrv5Ctrl& handle = *providers[step.bound]->getKrv5Ctrl();
        EXPECT_EQ(PSCtrl, handle.getSmartPSCtrl());
        EXPECT_EQ(CPDCtrl, sim().pdio(0)->cpdCtrl());
        EXPECT_EQ(K5Device, &handle.getKorvo5Device());
      }
    }
  }
}

}  // namespace
