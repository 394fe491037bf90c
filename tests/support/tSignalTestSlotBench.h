#ifndef T_SIGNAL_TEST_SLOT_BENCH_H
#define T_SIGNAL_TEST_SLOT_BENCH_H

// The host's side of a signal-test module's slots, with the touch probe
// plugged on the bench. A derived fixture supplies the provider (built in
// process or taken from a loaded libsorrel.so) in its SetUp and lets it go in
// its TearDown before calling this one's. The probe's guard cancels the
// action, so a runaway test ends (and fails on the probe's violations, which
// the bench checks at the end of every test).

#include <gtest/gtest.h>

#include <iostream>
#include <string>
#include <vector>

#include "cHostSession.h"
#include "cK5SimProgrammer.h"
#include "cK5TouchProbe.h"
#include "cScaffoHost.h"
#include "cScaffoProvider.h"
#include "cUiAlgoDataK3.h"
#include "piModuleAddr.h"
#include "tActionLog.h"
#include "tBench.h"
#include "tBuzzerRuns.h"
#include "tLineTap.h"
#include "tSignalTestJob.h"

typedef std::vector<std::string> tTokens;

// Tokens of powerAndPinDrivers().
namespace signalTestSlots {

// The interface's start levels and enable; its disable and rest levels.
const tTokens kInterfaceOn = {"VGATE=20000", "VCP3=5000", "VCP2=1800", "VCP1=1800",
                              "VLS=1800",    "VCOMP=800", "A6=1"};
const tTokens kInterfaceOff = {"A6=0",      "VCOMP=800", "VLS=1800",
                               "VCP1=1800", "VCP2=1800", "VCP3=5000"};
// A configuration made live: outputs on, the image into bank 0, bank 0
// selected and strobed.
const tTokens kSetupLive = {"GLOBAL@0 on", "set@1 bank 0 reg5=2645", "select@0 bank 0", "strobe@0"};
const tTokens kShutdownLive = {"GLOBAL@0 on", "set@1 bank 0 reg5=1", "select@0 bank 0", "strobe@0"};
const tTokens kTestLevels = {"VCP2=5000", "VCP1=5000", "VLS=4640", "VCOMP=1000"};
// The close after the algorithm's release.
const tTokens kSwitchOff = {"GLOBAL@0 off", "supplies off"};

using actionLog::join;

}  // namespace signalTestSlots

// A start slot of the provider.
typedef void (cScaffoProvider::*tStartSlot)(piModuleAddr);

class tSignalTestSlotBench : public tBenchTest {
protected:
  tSignalTestSlotBench() {
    plug(probe);
    probe.setGuard([this] { cancel(); });
  }

  // Sends the job, then starts with an empty record of the host and the trace.
  void sendJob(bool withSetup = true, bool withShutdown = true) {
    tLineTap quiet(std::cerr);
    ASSERT_TRUE(session().send(signalTestJob::job(withSetup, withShutdown)));
    host().clear();
    sim().clearTrace();
  }
  void cancel() { slots->Slot_CancelAction(kCaller); }
  void cancelAtSelection(unsigned int pin) {
    ASSERT_TRUE(probe.atSelection(pin, [this] { cancel(); }));
  }
  // Runs a start slot with its log lines collected.
  void start(tStartSlot slot) {
    tLineTap tap(std::cerr);
    (slots->*slot)(kCaller);
    log = tap.lines;
  }
  cHostSession session() { return cHostSession(*slots, kCaller); }
  TAG_UI_ALGODATA_KRV3 jobRecord() {
    tLineTap quiet(std::cerr);
    TAG_UI_ALGODATA_KRV3 record;
    EXPECT_TRUE(session().fetchJobRecord(record));
    return record;
  }
  std::vector<std::string> shown() const {
    std::vector<std::string> texts;
    for (const tScaffoMessage& m : host().messages()) texts.push_back(m.text);
    return texts;
  }
  // The log of a verify that passed.
  static tLines passedVerifyLog() {
    using namespace actionLog;
    return join({opening("Slot_StartVerify"), configLive("SETUP"), kPrepared, kClose,
                 configLive("SHUTDOWN")});
  }
  // Progress records sent with the end-of-action byte.
  unsigned int endedRecords() const {
    unsigned int n = 0;
    for (const tScaffoProgress& p : host().progress()) n += p.bytes.size() == 50 && p.bytes[4] == 1;
    return n;
  }

  // What the action did to supplies, interface enable and pin drivers, in
  // order, as tokens.
  static std::vector<std::string> powerAndPinDrivers() {
    static const char* const supplies[] = {"VLS", "VGATE", "VCOMP", "VCP1", "VCP2", "VCP3"};
    static const char* const outputs[] = {"GLOBAL", "VCP1", "VCP2", "VCP3", "GND"};
    std::vector<std::string> tokens;
    for (const tK5TraceEvent& e : sim().trace()) {
      const std::string slot = "@" + std::to_string(e.slot);
      switch (e.kind) {
        case tK5TraceEvent::tkSupply:
          tokens.push_back(std::string(supplies[e.a]) + "=" + std::to_string(e.b));
          break;
        case tK5TraceEvent::tkSuppliesOff:
          tokens.push_back("supplies off");
          break;
        case tK5TraceEvent::tkMcuWrite:
          if (e.a == 0xA6) tokens.push_back("A6=" + std::to_string(e.b));
          break;
        case tK5TraceEvent::tkCpdWriteSet:
        case tK5TraceEvent::tkCpdWriteSetOnly:
          tokens.push_back(
              std::string(e.kind == tK5TraceEvent::tkCpdWriteSet ? "set" : "set only") + slot +
              " bank " + std::to_string(e.a) +
              " reg5=" + std::to_string(e.values.at(signalTestJob::kConfigRegister)));
          break;
        case tK5TraceEvent::tkCpdSelectBank:
          tokens.push_back("select" + slot + " bank " + std::to_string(e.a));
          break;
        case tK5TraceEvent::tkCpdStrobe:
          tokens.push_back("strobe" + slot);
          break;
        case tK5TraceEvent::tkCpdOutput:
          tokens.push_back(std::string(outputs[e.a]) + slot + (e.b ? " off" : " on"));
          break;
        default:
          break;
      }
    }
    return tokens;
  }

  // ---- scenarios that every way of reaching the module must pass ----

  // A verify with pins 1 and 2 touched and the cancel at pin 3: the test's
  // status 0 passes, "SETUP" goes live before the test's levels are set, and
  // the close switches everything off.
  void verifyTwoTouchedPinsThenCancel() {
    using namespace signalTestSlots;
    sendJob();
    ASSERT_TRUE(probe.touchRange(1, 2));
    cancelAtSelection(3);
    start(&cScaffoProvider::Slot_StartVerify);

    EXPECT_EQ(log, passedVerifyLog());
    const TAG_UI_ALGODATA_KRV3 record = jobRecord();
    EXPECT_EQ(record.getActionFailed(), 0u);
    EXPECT_EQ(record.getActionFailCode(), 0u);
    EXPECT_EQ(sim().waitedCycles(), 4050050u);
    tBuzzerRuns buzzer;
    appendTouchedPin(buzzer, cK5TouchProbe::kTouchRun);
    appendTouchedPin(buzzer, cK5TouchProbe::kTouchRun);
    std::get<2>(buzzer.back()) += 2;  // pin 3: the reading that saw the cancel, and the pin's end
    buzzer.emplace_back(0, 100, 1);
    EXPECT_EQ(buzzerRuns(), buzzer);
    EXPECT_EQ(powerAndPinDrivers(), join({kInterfaceOn, kSetupLive, kTestLevels, kShutdownLive,
                                          kInterfaceOff, kSwitchOff}));
    EXPECT_EQ(shown(), tTokens{"Continuity Test disabled"});
    EXPECT_EQ(endedRecords(), 1u);
    EXPECT_EQ(sim().stateHistory(), (std::vector<int>{3, 1}));
    EXPECT_EQ(probe.selections(), (std::vector<std::uint32_t>{1, 2, 3}));
    EXPECT_EQ(probe.readings(3), 1u);
    EXPECT_EQ(probe.violations(), tTokens{});
  }

  // A job without "SETUP": the factory shows why and fails, and the close
  // still makes "SHUTDOWN" live and releases the interface.
  void verifyWithoutSetup() {
    using namespace signalTestSlots;
    sendJob(false);
    start(&cScaffoProvider::Slot_StartVerify);

    EXPECT_EQ(shown(), (tTokens{"Continuity Test disabled", "Can not get CPD config: SETUP.\n"}));
    EXPECT_EQ(log, join({actionLog::opening("Slot_StartVerify"), actionLog::configMissing("SETUP"),
                         actionLog::kNotCreated, actionLog::kClose, actionLog::kFailed,
                         actionLog::configLive("SHUTDOWN")}));
    const TAG_UI_ALGODATA_KRV3 record = jobRecord();
    EXPECT_EQ(record.getActionFailed(), 1u);
    EXPECT_EQ(record.getActionFailCode(), 3003u);
    EXPECT_EQ(powerAndPinDrivers(), join({kInterfaceOn, kShutdownLive, kInterfaceOff, kSwitchOff}));
    EXPECT_EQ(endedRecords(), 1u);
    EXPECT_TRUE(buzzerRuns().empty());
    EXPECT_TRUE(probe.selections().empty());
    EXPECT_EQ(probe.violations(), tTokens{});
  }

  // Pin-driver configurations replaced after an action, then a start whose
  // busy mark the host fails: the close works on the set that arrived (its
  // "SHUTDOWN", or that it has none), never on the one the receive freed.
  void configsReplacedBeforeAFailedStart() {
    using namespace signalTestSlots;
    const unsigned int kNewShutdown = 0x5A;
    const struct {
      const char* name;
      std::vector<std::string> labels;
      tLines shutdown;
      tTokens shown;
      tTokens pinDrivers;
    } cases[] = {
        {"without SHUTDOWN",
         {"SETUP"},
         actionLog::configMissing("SHUTDOWN"),
         {"state broke", "Can not get CPD config: SHUTDOWN.\n"},
         kSwitchOff},
        {"with SHUTDOWN",
         {"SETUP", "SHUTDOWN"},
         actionLog::configLive("SHUTDOWN"),
         {"state broke"},
         join({{"GLOBAL@0 on", "set@1 bank 0 reg5=" + std::to_string(kNewShutdown),
                "select@0 bank 0", "strobe@0"},
               kSwitchOff})},
    };
    for (const auto& c : cases) {
      SCOPED_TRACE(c.name);
      // An action builds the provider's pin-driver control over the job's set.
      sendJob();
      start(&cScaffoProvider::Slot_StartRead);
      ASSERT_EQ(jobRecord().getErrorCode(), 210u);
      {
        tLineTap quiet(std::cerr);
        ASSERT_TRUE(session().send(
            JobBuilder().pinDriverConfigs(pinDriverConfigs(c.labels, [&](const std::string& label) {
              const unsigned int value =
                  label == "SETUP" ? signalTestJob::kSetupValue : kNewShutdown;
              return std::vector<tCpdPin>{
                  {signalTestJob::kConfigSlot, signalTestJob::kConfigRegister, value, 0, "P1"}};
            }))));
      }
      host().clear();
      sim().clearTrace();
      sim().injectThrow("setDeviceState", "state broke");

      start(&cScaffoProvider::Slot_StartVerify);

      EXPECT_EQ(log,
                join({{"PIDBG: try Slot_StartVerify", "PIDBG: setProcessPriorityHigh NOT enabled.",
                       "PIDBG: catch Slot_StartVerify: state broke", "PIDBG: state broke"},
                      actionLog::kClose,
                      actionLog::kFailed,
                      c.shutdown}));
      EXPECT_EQ(shown(), c.shown);
      EXPECT_EQ(powerAndPinDrivers(), c.pinDrivers);
      EXPECT_EQ(endedRecords(), 1u);
      EXPECT_EQ(host().progress().size(), 1u);
      EXPECT_EQ(sim().deviceState(), 1);
      EXPECT_EQ(jobRecord().getActionFailCode(), 3003u);
      EXPECT_TRUE(probe.selections().empty());
    }
  }

  const piModuleAddr kCaller{3, 7};
  cK5TouchProbe probe;
  cScaffoProvider* slots = nullptr;
  std::vector<std::string> log;
};

#endif
