#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "cK5AlgoProvider.h"
#include "cMPDE.h"
#include "tBuzzerRuns.h"
#include "tCaseName.h"
#include "tSignalTestSlotBench.h"

namespace {

using namespace signalTestSlots;
using namespace actionLog;

// Sorrel's provider built in this program from the module's own parts.
class SignalTestSlots : public tSignalTestSlotBench {
protected:
  void SetUp() override {
    provider.reset(new cK5AlgoProvider(&mMpde, "Sorrel"));
    ASSERT_NE(provider->getKrv5Ctrl(), nullptr);
    slots = provider.get();
  }
  void TearDown() override {
    provider.reset();
    tSignalTestSlotBench::TearDown();
  }

  cMPDE mMpde;
  std::unique_ptr<cK5AlgoProvider> provider;
};

TEST_F(SignalTestSlots, VerifyRunsTheTestBetweenSetupAndShutdown) {
  verifyTwoTouchedPinsThenCancel();
  EXPECT_EQ(provider->getAlgo(), nullptr);
}

TEST_F(SignalTestSlots, MissingSetupFailsTheFactoryWithItsReason) {
  verifyWithoutSetup();
  EXPECT_EQ(provider->getAlgo(), nullptr);
}

TEST_F(SignalTestSlots, ConfigurationsReplacedBeforeAFailedStartAreTheOnesItsCloseUses) {
  configsReplacedBeforeAFailedStart();
}

// "SHUTDOWN" that cannot be made live is shown; the action's result stands
// and both objects go all the same.
TEST_F(SignalTestSlots, MissingShutdownIsShownAndBothObjectsGo) {
  sendJob(true, false);
  cancelAtSelection(1);
  start(&cScaffoProvider::Slot_StartVerify);

  EXPECT_EQ(shown(), (tTokens{"Continuity Test disabled", "Can not get CPD config: SHUTDOWN.\n"}));
  EXPECT_EQ(log, join({opening("Slot_StartVerify"), configLive("SETUP"), kPrepared, kClose,
                       configMissing("SHUTDOWN")}));
  EXPECT_EQ(jobRecord().getActionFailed(), 0u);
  EXPECT_EQ(powerAndPinDrivers(),
            join({kInterfaceOn, kSetupLive, kTestLevels, kInterfaceOff, kSwitchOff}));
  EXPECT_EQ(provider->getAlgo(), nullptr);
  EXPECT_EQ(probe.violations(), tTokens{});
}

// Nothing survives a start slot: a host text while "SHUTDOWN" goes to the pin
// drivers still releases the interface and the algorithm, then the close
// reports it and switches off.
TEST_F(SignalTestSlots, HostTextDuringShutdownStillReleasesBoth) {
  sendJob();
  // The first transfer to slot 1 is "SETUP", the second "SHUTDOWN".
  sim().injectThrow("writeRegisterSet@1", "pin drivers lost", 1);
  cancelAtSelection(1);
  start(&cScaffoProvider::Slot_StartVerify);

  EXPECT_TRUE(sim().unfiredFaults().empty());
  EXPECT_EQ(provider->getAlgo(), nullptr);
  EXPECT_EQ(log,
            join({opening("Slot_StartVerify"),
                  configLive("SETUP"),
                  kPrepared,
                  kClose,
                  {"PIDBG: catch postAlgoAction: pin drivers lost", "PIDBG: pin drivers lost"}}));
  EXPECT_EQ(shown(), (tTokens{"Continuity Test disabled", "pin drivers lost"}));
  const TAG_UI_ALGODATA_KRV3 record = jobRecord();
  EXPECT_EQ(record.getActionFailed(), 1u);
  EXPECT_EQ(record.getActionFailCode(), 3003u);
  EXPECT_EQ(
      powerAndPinDrivers(),
      join({kInterfaceOn, kSetupLive, kTestLevels, {"GLOBAL@0 on"}, kInterfaceOff, kSwitchOff}));
  // The close's record, and the one that reports the failure.
  EXPECT_EQ(endedRecords(), 2u);
  EXPECT_EQ(sim().stateHistory(), (std::vector<int>{3, 1}));
  EXPECT_EQ(probe.violations(), tTokens{});
}

// A pin-driver slot whose controller cannot be bound fails the factory
// silently, before any supply, enable or "SETUP".
TEST_F(SignalTestSlots, UnboundPinDriverSlotFailsTheFactorySilently) {
  sendJob();
  sim().injectThrow("cpdCtrl@2", "board gone");
  start(&cScaffoProvider::Slot_StartVerify);

  EXPECT_TRUE(sim().unfiredFaults().empty());
  EXPECT_EQ(shown(), tTokens{"Continuity Test disabled"});
  EXPECT_EQ(log, join({opening("Slot_StartVerify"), kNotCreated, kClose, kFailed,
                       configLive("SHUTDOWN")}));
  EXPECT_EQ(jobRecord().getActionFailCode(), 3003u);
  EXPECT_EQ(powerAndPinDrivers(), join({kShutdownLive, kSwitchOff}));
  EXPECT_EQ(provider->getAlgo(), nullptr);
  EXPECT_TRUE(probe.selections().empty());
}

struct tRefusedCase {
  const char* name;
  tStartSlot slot;
  const char* entry;  // the slot's name in the log
};

class SignalTestSlotsRefused : public SignalTestSlots,
                               public testing::WithParamInterface<tRefusedCase> {};

// The other actions get their algorithm and "SETUP", then the algorithm
// refuses without touching the hardware.
TEST_P(SignalTestSlotsRefused, FailWithClassNineCode210) {
  sendJob();
  start(GetParam().slot);

  EXPECT_EQ(log, join({opening(GetParam().entry), configLive("SETUP"), kPrepared, kClose, kFailed,
                       configLive("SHUTDOWN")}));
  const TAG_UI_ALGODATA_KRV3 r = jobRecord();
  EXPECT_EQ(r.getErrorClass(), 9u);
  EXPECT_EQ(r.getErrorCode(), 210u);
  EXPECT_EQ(r.getActionFailed(), 1u);
  EXPECT_EQ(r.getActionFailCode(), 3003u);
  EXPECT_EQ(powerAndPinDrivers(),
            join({kInterfaceOn, kSetupLive, kShutdownLive, kInterfaceOff, kSwitchOff}));
  EXPECT_EQ(shown(), tTokens{"Continuity Test disabled"});
  EXPECT_TRUE(buzzerRuns().empty());
  EXPECT_EQ(probe.totalReads(), 0u);
  EXPECT_TRUE(probe.selections().empty());
  EXPECT_EQ(provider->getAlgo(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Actions, SignalTestSlotsRefused,
    testing::Values(tRefusedCase{"Program", &cScaffoProvider::Slot_StartProg, "Slot_StartProg"},
                    tRefusedCase{"Read", &cScaffoProvider::Slot_StartRead, "Slot_StartRead"},
                    tRefusedCase{"BlankCheck", &cScaffoProvider::Slot_StartBlank,
                                 "Slot_StartBlank"},
                    tRefusedCase{"Erase", &cScaffoProvider::Slot_StartErase, "Slot_StartErase"}),
    tCaseName());

}  // namespace
