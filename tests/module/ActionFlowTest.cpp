#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "cPinConnectionData.h"
#include "frameIo.h"
#include "tActionFlowFixture.h"

namespace {

typedef tActionFlowFixture ActionFlow;
typedef cKrv32AlgoProviderBase tBase;
typedef void (tBase::*tSlot)(piModuleAddr);
typedef cDevicePDxyData P;

const std::string kPrepare = "cKrv32AlgoProviderBase::preActionStart: Error: ";
const std::string kCreate = "cKrv32AlgoProviderBase::__createAlgo(): Error: ";
const std::string kCreateFailed = kPrepare + "__createAlgo() failed.";

// The seven start slots: the name in their entry line, the operation they run
// and the prefix of the line for a caught text (the continuity slots run no
// operation and log the bare text).
struct tStartSlot {
  tSlot slot;
  const char* name;
  const char* operation;
  const char* catchPrefix;
};
const tStartSlot kStartSlots[] = {
    {&tBase::Slot_StartProg, "Slot_StartProg", "Program", "catch in Slot_StartProg: "},
    {&tBase::Slot_StartRead, "Slot_StartRead", "Read", "catch Slot_StartRead: "},
    {&tBase::Slot_StartBlank, "Slot_StartBlank", "BlankCheck", "catch Slot_StartBlank: "},
    {&tBase::Slot_StartVerify, "Slot_StartVerify", "Verify", "catch Slot_StartVerify: "},
    {&tBase::Slot_StartErase, "Slot_StartErase", "Erase", "catch Slot_StartErase: "},
    {&tBase::Slot_StartContinuity, "Slot_StartContinuity", "", ""},
    {&tBase::Slot_StartNoContinuity, "Slot_StartNoContinuity", "", ""},
};

cPinConnectionData sentResult(const tScaffoPinData& data) {
  cPinConnectionData result(99, 99);
  receiveRecord(result, data.frame);
  return result;
}

// ------------------------------------------------------------ passing actions

TEST_F(ActionFlow, ProgramRunsTheAlgorithmInItsOrderAndClosesOnce) {
  call(&cKrv32AlgoProviderBase::Slot_StartProg);
  EXPECT_EQ(provider->calls,
            std::vector<std::string>({"CreateAlgo", "setAlgoUI", "Init", "CheckProcess", "GetEpMax",
                                      "GetEpNumber", "Config", "Program", "DeleteAlgo", "~"}));
  expectOneClose(false);
  EXPECT_EQ(record().getCheckProcessRet(), 0);
  EXPECT_EQ(record().getEpMax(), 7u);
  EXPECT_EQ(record().getEpNumber(), 3u);
  EXPECT_EQ(log.front(), "PIDBG: try Slot_StartProg");
  EXPECT_TRUE(logged("setProcessPriorityHigh NOT enabled."));
  EXPECT_TRUE(logged("setProcessPriorityLow NOT enabled."));
  EXPECT_TRUE(logged("maprAlgoParam->getAlgoKrv3UIData().CheckProcessRet: 0"));
  EXPECT_FALSE(logged("Action failed -> return value < 0"));
  EXPECT_EQ(shown(), std::vector<std::string>({"Doing Continuity Test"}));
  EXPECT_EQ(devShown(), std::vector<std::string>({"LoadFPGAs with HDW Ok."}));

  // Continuity first (on the images in place), then the "HDW" images, then the algorithm.
  const long lastRead =
      sim().findEvent(cK5SimProgrammer::eventIs(tK5TraceEvent::tkFpgaRead, 100, -1, 3));
  const long reset = sim().findEvent(cK5SimProgrammer::eventIs(tK5TraceEvent::tkResetFpga));
  ASSERT_NE(lastRead, -1);
  EXPECT_LT(lastRead, reset);
  ASSERT_EQ(sim().loadHistory().size(), 1u);
  EXPECT_EQ(sim().loadHistory()[0].index, 0u);
  EXPECT_EQ(sim().fpgaRegister(1, 92), 10u);

  // Every signal of the action went to the client that stored its address.
  ASSERT_EQ(host().pinData().size(), 1u);
  EXPECT_EQ(host().pinData()[0].addr, kClient);
  EXPECT_EQ(host().pinData()[0].timeout, 20000u);
  EXPECT_EQ(sentResult(host().pinData()[0]), cPinConnectionData(4, 4));
  EXPECT_EQ(host().progress()[0].addr, kClient);
  EXPECT_EQ(host().messages()[0].addr, kClient);
  EXPECT_EQ(host().messages()[0].timeout, 20000u);
}

TEST_F(ActionFlow, ProgrammerBusyFromPreparationToTheLastCloseStep) {
  typedef tK5TraceEvent tE;
  std::vector<std::string> callsAtFinalRecord;
  std::size_t traceAtFinalRecord = 0;
  tScaffoSinks sinks;
  sinks.progress = [&](const tScaffoProgress& p) {
    if (p.bytes.at(4) != 1) return;
    callsAtFinalRecord = provider->calls;
    traceAtFinalRecord = sim().traceSize();
  };
  host().setSinks(sinks);
  call(&cKrv32AlgoProviderBase::Slot_StartProg);
  host().setSinks(tScaffoSinks());

  const auto is = &cK5SimProgrammer::eventIs;
  const auto outputsOff = is(tE::tkCpdOutput, k5OutGlobal, 1, 0);
  EXPECT_TRUE(sim().containsInOrder({is(tE::tkState, 3, -1, -1), is(tE::tkFpgaRead, 100, -1, -1),
                                     is(tE::tkResetFpga, -1, -1, -1), is(tE::tkLoadHdw, -1, -1, -1),
                                     outputsOff, is(tE::tkSuppliesOff, -1, -1, -1),
                                     is(tE::tkState, 1, -1, -1)}));
  EXPECT_EQ(sim().findEvent(is(tE::tkState, 3, -1, -1)), 0);
  EXPECT_EQ(sim().trace().back().kind, tE::tkState);
  // The final record goes out before the algorithm is released and the
  // programmer switched off.
  ASSERT_FALSE(callsAtFinalRecord.empty());
  EXPECT_EQ(callsAtFinalRecord.back(), "Program");
  EXPECT_GE(sim().findEvent(outputsOff), static_cast<long>(traceAtFinalRecord));
  EXPECT_EQ(log.at(1), "PIDBG: setProcessPriorityHigh NOT enabled.");
  EXPECT_EQ(logAt("setProcessPriorityLow NOT enabled."), logAt("try postAlgoAction") + 1);
}

TEST(ActionFlowRows, EachStartSlotRunsItsOwnOperation) {
  for (const tStartSlot& c : kStartSlots) {
    if (*c.operation == '\0') continue;
    SCOPED_TRACE(c.name);
    tActionBench b;
    b.call(c.slot);
    EXPECT_EQ(b.log.front(), std::string("PIDBG: try ") + c.name);
    EXPECT_EQ(b.callsOf(c.operation), 1u);
    EXPECT_EQ(b.provider->calls[b.provider->calls.size() - 3], c.operation);
    b.expectOneClose(false);
  }
}

TEST_F(ActionFlow, OnlyReadLetsTheAlgorithmChangeBufferZero) {
  tByteArray* buffer = provider->getAP().getByteArrayFromIndex(0);
  const unsigned before = buffer->getVersionOfChanges();
  call(&cKrv32AlgoProviderBase::Slot_StartProg);
  EXPECT_EQ(buffer->getVersionOfChanges(), before);
  call(&cKrv32AlgoProviderBase::Slot_StartRead);
  EXPECT_NE(buffer->getVersionOfChanges(), before);
  EXPECT_EQ(record().getDataBufferSize(), buffer->GetSize());
}

TEST_F(ActionFlow, ContinuityActionOnAnInsertedChipPassesWithoutAlgorithm) {
  call(&cKrv32AlgoProviderBase::Slot_StartContinuity);
  EXPECT_EQ(log.front(), "PIDBG: try Slot_StartContinuity");
  ASSERT_EQ(host().pinData().size(), 1u);
  EXPECT_EQ(host().pinData()[0].addr, kClient);
  EXPECT_EQ(host().pinData()[0].timeout, 20000u);
  EXPECT_EQ(sentResult(host().pinData()[0]), cPinConnectionData(4, 4));
  EXPECT_TRUE(logged("TotalPinNumber = 4"));
  EXPECT_TRUE(logged("ConnectedPinNumber = 4"));
  EXPECT_EQ(callsOf("CreateAlgo"), 0u);
  EXPECT_TRUE(sim().loadHistory().empty());
  expectOneClose(false);
}

TEST(ActionFlowRows, ContinuityVerdictsOfEmptySocketAndBentPin) {
  struct Case {
    const char* what;
    bool inserted;
    unsigned int bentPin;
    tSlot slot;
    bool failed;
    const char* shownText;  // "" for none beyond "Doing Continuity Test"
    cPinConnectionData sent;
  };
  const Case cases[] = {
      {"empty socket, no-continuity", false, 0, &cKrv32AlgoProviderBase::Slot_StartNoContinuity,
       false, "", cPinConnectionData(4, 0)},
      {"empty socket, continuity", false, 0, &cKrv32AlgoProviderBase::Slot_StartContinuity, true,
       "Continuity Test error : device not connected", cPinConnectionData(4, 0)},
      {"inserted chip, no-continuity", true, 0, &cKrv32AlgoProviderBase::Slot_StartNoContinuity,
       true, "Continuity Test error : device is connected", cPinConnectionData(4, 4)},
      {"bent pin, continuity", true, 3, &cKrv32AlgoProviderBase::Slot_StartContinuity, true,
       "Continuity Test error : device not connected", cPinConnectionData(4, 3)},
      {"bent pin, program", true, 3, &cKrv32AlgoProviderBase::Slot_StartProg, true,
       "Continuity Test error : device not connected", cPinConnectionData(4, 3)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    tActionBench b;
    b.socket.setInserted(c.inserted);
    for (unsigned int pin = 1; pin <= 4; ++pin) b.socket.setTouching(pin, pin != c.bentPin);
    b.call(c.slot);
    ASSERT_EQ(b.host().pinData().size(), 1u);
    EXPECT_EQ(sentResult(b.host().pinData()[0]), c.sent);
    std::vector<std::string> expectedShown = {"Doing Continuity Test"};
    if (*c.shownText != '\0') expectedShown.push_back(c.shownText);
    EXPECT_EQ(b.shown(), expectedShown);
    const bool noContinuity = c.slot == &cKrv32AlgoProviderBase::Slot_StartNoContinuity;
    if (c.failed) {
      EXPECT_TRUE(b.logged(kPrepare + (noContinuity ? "doPinNoConnectionTest() failed."
                                                    : "doPinConnectionTest() failed.")));
    }
    EXPECT_EQ(b.callsOf("CreateAlgo"), 0u);
    b.expectOneClose(c.failed);
  }
}

TEST(ActionFlowRows, KernelHintsReachTheUser) {
  struct Case {
    const char* what;
    std::string method;
    std::vector<tBenchPin> pins;
    std::string hint;
  };
  const Case cases[] = {
      {"wrong case", "ONEGNDDIODEHIGH", fourPinChip(), ""},
      {"slot 7",
       "OneGndDiodeHigh",
       {{1, 0, P::trHighSideDriverPin, 1}, {7, 1, P::trHigh, 2}},
       "Error: Invalid Pindriver-Slot found."},
      {"PDx 0", "OneGndDiodeHigh", fourPinChipAnd({0, 3, P::trLow, 7}),
       "Error: Invalid Fpga slot number. \nError: setCpdCfgAllPins(DAT_NULL_MODE) failed.\n"},
      {"PDy 60", "OneGndDiodeHigh", fourPinChipAnd({2, 60, P::trLow, 7}),
       "Error: Can not set CPD register.\nError: setCpdCfgAllPins(DAT_NULL_MODE) failed.\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    tActionBench b;
    b.setLayout(benchLayout(c.method, c.pins));
    b.call(&cKrv32AlgoProviderBase::Slot_StartContinuity);
    EXPECT_EQ(b.shown(), std::vector<std::string>({"Doing Continuity Test", c.hint}));
    // The result goes out even so.
    EXPECT_EQ(b.host().pinData().size(), 1u);
    EXPECT_TRUE(b.logged(kPrepare + "doPinConnectionTest() failed."));
    b.expectOneClose(true);
  }
}

TEST(ActionFlowRows, ContinuityTestSkippedOrUnavailable) {
  struct Case {
    const char* what;
    bool enabled;
    bool layout;
    tSlot slot;
    bool failed;
    std::vector<std::string> shownTexts;
    unsigned int sent;  // results sent, each (0, 0)
  };
  const Case cases[] = {
      {"disabled, continuity",
       false,
       true,
       &cKrv32AlgoProviderBase::Slot_StartContinuity,
       false,
       {"Continuity Test disabled"},
       0},
      {"disabled, no-continuity",
       false,
       true,
       &cKrv32AlgoProviderBase::Slot_StartNoContinuity,
       true,
       {"Continuity Test disabled"},
       0},
      {"no layout, continuity",
       true,
       false,
       &cKrv32AlgoProviderBase::Slot_StartContinuity,
       false,
       {"Continuity Test not available"},
       0},
      {"no layout, no-continuity",
       true,
       false,
       &cKrv32AlgoProviderBase::Slot_StartNoContinuity,
       false,
       {"Doing Continuity Test", "Continuity Test not available"},
       1},
      {"disabled, program",
       false,
       true,
       &cKrv32AlgoProviderBase::Slot_StartProg,
       false,
       {"Continuity Test disabled"},
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    tActionBench b;
    b.provider->getAP().setDoDeviceContinuityTest(c.enabled ? 1 : 0);
    if (!c.layout) b.setLayout(cCfgFileDeviceLayout(0));
    b.call(c.slot);
    EXPECT_EQ(b.shown(), c.shownTexts);
    ASSERT_EQ(b.host().pinData().size(), c.sent);
    if (c.sent) {
      EXPECT_EQ(sentResult(b.host().pinData()[0]), cPinConnectionData(0, 0));
    }
    EXPECT_EQ(b.logged("cKrv32AlgoProviderBase::getDeviceLayout: No valid Device Layout for "
                       "Continuity Test available."),
              c.enabled && !c.layout);
    // No pin was driven.
    EXPECT_TRUE(b.sim().supplyWrites().empty());
    b.expectOneClose(c.failed);
  }
}

TEST(ActionFlowRows, LayoutThatCannotBeInitialisedFailsBothTests) {
  for (tSlot slot : {&cKrv32AlgoProviderBase::Slot_StartContinuity,
                     &cKrv32AlgoProviderBase::Slot_StartNoContinuity}) {
    tActionBench b;
    // Nothing testable on the pins.
    b.setLayout(benchLayout("OneGndDiodeHigh", {{1, 0, P::trDontCare, 1}}));
    b.call(slot);
    const bool noContinuity = slot == &cKrv32AlgoProviderBase::Slot_StartNoContinuity;
    // Only the no-continuity test announces itself before it fetches the layout.
    std::vector<std::string> expectedShown = {
        "Continuity Test error : can't initialize device Pin-Layout"};
    if (noContinuity) expectedShown.insert(expectedShown.begin(), "Doing Continuity Test");
    EXPECT_EQ(b.shown(), expectedShown);
    ASSERT_EQ(b.host().pinData().size(), noContinuity ? 1u : 0u);
    if (noContinuity) {
      EXPECT_EQ(sentResult(b.host().pinData()[0]), cPinConnectionData(0, 0));
    }
    b.expectOneClose(true);
  }
}

TEST_F(ActionFlow, ResultNotTakenByTheHostIsOnlyLogged) {
  host().setResult(ssPinConnectionData, false);
  call(&cKrv32AlgoProviderBase::Slot_StartContinuity);
  EXPECT_TRUE(logged("Fatal Error: Timeout at transmitting pin connection data."));
  expectOneClose(false);
}

// --------------------------------------------- every failure ends in one close

struct tFailureRow {
  const char* what;
  std::function<void(tActionBench&, cScriptedAlgoProvider&)> arrange;
  std::vector<std::string> logLines;    // in this order, other lines between
  std::vector<std::string> shownTexts;  // every message shown, in order
  std::vector<std::string> devTexts;    // every developer message, in order
  unsigned int deletes;
  unsigned int records;
  bool shutdownDone = true;  // false where the host broke "SHUTDOWN" off
};

void runFailureRow(const tFailureRow& row) {
  SCOPED_TRACE(row.what);
  tActionBench b;
  row.arrange(b, *b.provider);
  b.call(&cKrv32AlgoProviderBase::Slot_StartProg);
  long at = -1;
  for (const std::string& line : row.logLines) {
    const long pos = b.logAt(line);
    EXPECT_GT(pos, at) << line;
    at = pos;
  }
  EXPECT_EQ(b.shown(), row.shownTexts);
  EXPECT_EQ(b.devShown(), row.devTexts);
  EXPECT_EQ(b.callsOf("DeleteAlgo"), row.deletes);
  b.expectOneClose(true, row.records, row.shutdownDone);
}

TEST(ActionFlowFailures, EveryRowEndsInExactlyOneClose) {
  const std::string kActionFailed = "Action failed -> return value < 0";
  const std::string kDoing = "Doing Continuity Test";
  const std::string kLoaded = "LoadFPGAs with HDW Ok.";
  const tFailureRow rows[] = {
      {"continuity test failed",
       [](tActionBench& f, cScriptedAlgoProvider&) { f.socket.setTouching(2, false); },
       {kPrepare + "doPinConnectionTest() failed.", "try postAlgoAction", kActionFailed},
       {kDoing, "Continuity Test error : device not connected"},
       {},
       1,
       1},
      {"no HDW image",
       [](tActionBench&, cScriptedAlgoProvider& p) {
         p.getAP().getHdwParam().createFpgaHdwImagesLst();
         p.getAP().getHdwParam().addFpgaHdwImageCtrl(hdwImage("HDW_CONTINUITY", {1}));
       },
       {kCreate + "loadFPGAs() failed.", kCreateFailed, kActionFailed},
       {kDoing},
       {"Error: No FPGAs loaded"},
       1,
       1},
      {"UI timer of 65536",
       [](tActionBench&, cScriptedAlgoProvider& p) { p.getAP().setUiFpgaTimerValue(65536); },
       {"cAlgoModuleUiInterface::createUiFpgaTimer: Error: Timer value is \"0\".",
        "Error: Failed to create Ui-FPGA timer.", kCreateFailed, kActionFailed},
       {kDoing, "Error: Failed to create Ui-FPGA timer."},
       {kLoaded},
       1,
       1},
      {"CreateAlgo false",
       [](tActionBench&, cScriptedAlgoProvider& p) { p.createResult = false; },
       {kCreate + "CreateAlgo() failed.", kCreateFailed, kActionFailed},
       {kDoing},
       {kLoaded},
       1,
       1},
      {"no algorithm after CreateAlgo",
       [](tActionBench&, cScriptedAlgoProvider& p) { p.createBuildsAlgo = false; },
       {kCreate + "getAlgo() failed.", kCreateFailed, kActionFailed},
       {kDoing},
       {kLoaded},
       1,
       1},
      {"Init false",
       [](tActionBench&, cScriptedAlgoProvider& p) { p.script.init = 0; },
       {"pAlgo->Init() -> false!", kCreateFailed, kActionFailed},
       {kDoing},
       {kLoaded, "pAlgo->Init() -> false!"},
       2,
       1},
      {"CheckProcess 5",
       [](tActionBench&, cScriptedAlgoProvider& p) { p.script.checkProcess = 5; },
       {"maprAlgoParam->getAlgoKrv3UIData().CheckProcessRet: 5", "cfgUIData failed", kCreateFailed,
        kActionFailed},
       {kDoing},
       {kLoaded},
       1,
       1},
      {"ActionMode 1",
       [](tActionBench& f, cScriptedAlgoProvider&) { f.record().setActionMode(1); },
       {"cfgAlgoForSpecificAction failed.", kActionFailed},
       {kDoing},
       {kLoaded, "cfgAlgoForSpecificAction failed."},
       1,
       1},
      {"ActionMode 0x0011 acts as 1",
       [](tActionBench& f, cScriptedAlgoProvider&) { f.record().setActionMode(0x0011); },
       {"cfgAlgoForSpecificAction failed.", kActionFailed},
       {kDoing},
       {kLoaded, "cfgAlgoForSpecificAction failed."},
       1,
       1},
      {"Config false",
       [](tActionBench&, cScriptedAlgoProvider& p) { p.script.config = 0; },
       {"AbstractAlgoBase.Config() failed.", kActionFailed},
       {kDoing},
       {kLoaded, "AbstractAlgoBase.Config() failed."},
       1,
       1},
      {"Program -1",
       [](tActionBench&, cScriptedAlgoProvider& p) { p.script.status = -1; },
       {"try postAlgoAction", kActionFailed},
       {kDoing},
       {kLoaded},
       1,
       1},
      {"ErrorCode with ErrorInfoMode 3",
       [](tActionBench& f, cScriptedAlgoProvider& p) {
         f.record().setErrorInfoMode(3);
         p.script.duringRun = [&f](cScriptedAlgo&) { f.record().setErrorCode(0x21); };
       },
       {"try postAlgoAction"},
       {kDoing},
       {kLoaded},
       1,
       1},
      {"text thrown in Init",
       [](tActionBench&, cScriptedAlgoProvider& p) {
         p.script.throwIn = "Init";
         p.script.throwText = "init lost";
       },
       {"catch in Slot_StartProg: init lost", kActionFailed},
       {kDoing, "init lost"},
       {kLoaded},
       1,
       1},
      {"text thrown by the host in the continuity test",
       [](tActionBench& f, cScriptedAlgoProvider&) {
         f.sim().injectThrow("pulseCPDStrobe", "strobe lost");
       },
       {"catch in Slot_StartProg: strobe lost", kActionFailed},
       {kDoing, "strobe lost"},
       {},
       1,
       1},
      {"text thrown in Program",
       [](tActionBench&, cScriptedAlgoProvider& p) {
         p.script.throwIn = "Program";
         p.script.throwText = "bus error";
       },
       {"catch in Slot_StartProg: bus error", kActionFailed},
       {kDoing, "bus error"},
       {kLoaded},
       1,
       1},
      {"text thrown in the close after the record went out",
       [](tActionBench& f, cScriptedAlgoProvider&) {
         // The "SHUTDOWN" transfer of the release.
         f.sim().injectThrow("writeRegisterSet@1", "no transfer", 4);
       },
       {"try postAlgoAction", "catch postAlgoAction: no transfer"},
       {kDoing, "no transfer"},
       {kLoaded},
       1,
       2,
       false},
  };
  for (const tFailureRow& row : rows) runFailureRow(row);
}

TEST(ActionFlowRows, FailureCodesOnlyFromNegativeStatusOrAlgorithmErrorCode) {
  struct Case {
    const char* what;
    short status;
    unsigned int errorInfoMode;
    unsigned short errorCode;
    bool failed;
  };
  const Case cases[] = {
      {"positive status", 5, 0, 0, false},
      {"positive status, code without mode 3", 5, 2, 0x21, false},
      {"mode 3 without code", 0, 3, 0, false},
      {"mode 3 with code", 0, 3, 0x21, true},
      {"negative status", -2, 0, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    tActionBench b;
    b.provider->script.status = c.status;
    b.record().setErrorInfoMode(c.errorInfoMode);
    const unsigned short code = c.errorCode;
    b.provider->script.duringRun = [&b, code](cScriptedAlgo&) { b.record().setErrorCode(code); };
    b.call(&cKrv32AlgoProviderBase::Slot_StartProg);
    EXPECT_EQ(b.logged("Action failed -> return value < 0"), c.status < 0);
    b.expectOneClose(c.failed);
  }
}

TEST(ActionFlowRows, ActionModeLowBitsChooseTheSettingCall) {
  struct Case {
    unsigned short mode;
    std::vector<std::string> between;  // calls between GetEpNumber and Config
  };
  const Case cases[] = {
      {0, {}},
      {4, {}},
      {2, {"SetEpNumber(1)"}},
      {0xFFF2, {"SetEpNumber(1)"}},
      {8, {"SetSinglNullMode"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    tActionBench b;
    b.record().setActionMode(c.mode);
    b.call(&cKrv32AlgoProviderBase::Slot_StartVerify);
    std::vector<std::string> expected = {"CreateAlgo",   "setAlgoUI", "Init",
                                         "CheckProcess", "GetEpMax",  "GetEpNumber"};
    expected.insert(expected.end(), c.between.begin(), c.between.end());
    for (const char* tail : {"Config", "Verify", "DeleteAlgo", "~"}) expected.push_back(tail);
    EXPECT_EQ(b.provider->calls, expected);
    b.expectOneClose(false);
  }
}

TEST_F(ActionFlow, TimerValueAbove65535PassesItsLowBits) {
  provider->getAP().setUiFpgaTimerValue(65536 + 25);
  call(&cKrv32AlgoProviderBase::Slot_StartErase);
  EXPECT_EQ(sim().fpgaRegister(1, 92), 25u);
  expectOneClose(false);
}

TEST_F(ActionFlow, CancelBeforeTheAlgorithmIsForgottenOneDuringTheRunIsSeen) {
  provider->Slot_CancelAction(kClient);
  std::vector<bool> seen;
  provider->script.duringRun = [&seen, this](cScriptedAlgo& algo) {
    seen.push_back(algo.ui()->K4Cancel());
    // The host delivers the cancel while the algorithm's message goes out.
    cAbstractEventManager::setScheduleHook(
        [this](cAbstractEventManager&, int) { provider->Slot_CancelAction(kClient); });
    algo.ActionMessage(12);
    cAbstractEventManager::setScheduleHook(nullptr);
    seen.push_back(algo.ui()->K4Cancel());
  };
  call(&cKrv32AlgoProviderBase::Slot_StartProg);
  EXPECT_EQ(seen, std::vector<bool>({false, true}));
  // The final record carries the request on.
  ASSERT_EQ(host().progress().size(), 2u);
  EXPECT_EQ(host().progress()[1].bytes[5], 1);
  EXPECT_EQ(endedRecords(), 1u);
}

TEST_F(ActionFlow, CancelWhileTheAlgorithmIsBeingCreatedIsForgotten) {
  // Delivered by the host while the UI timer is set up, inside the creation.
  bool delivered = false;
  sim().setAccessHook([&](const tK5TraceEvent& e) {
    if (delivered || e.kind != tK5TraceEvent::tkFpgaWrite || e.a != 92) return;
    delivered = true;
    provider->Slot_CancelAction(kClient);
  });
  bool seen = true;
  provider->script.duringRun = [&seen](cScriptedAlgo& algo) { seen = algo.ui()->K4Cancel(); };
  call(&cKrv32AlgoProviderBase::Slot_StartProg);
  sim().setAccessHook(nullptr);
  ASSERT_TRUE(delivered);
  EXPECT_FALSE(seen);
  ASSERT_EQ(host().progress().size(), 1u);
  EXPECT_EQ(host().progress()[0].bytes[5], 0);
}

TEST(ActionFlowRows, ThrownTextsCarryTheirSlotPrefix) {
  for (const tStartSlot& c : kStartSlots) {
    SCOPED_TRACE(c.name);
    tActionBench b;
    if (*c.operation != '\0') {
      b.provider->script.throwIn = c.operation;
      b.provider->script.throwText = "lost";
    } else {
      // The first read-back of the continuity test.
      b.sim().injectThrow("register@1", "lost");
    }
    b.call(c.slot);
    EXPECT_TRUE(b.logged(std::string(c.catchPrefix) + "lost"));
    EXPECT_EQ(b.shown(), std::vector<std::string>({"Doing Continuity Test", "lost"}));
    b.expectOneClose(true);
  }
}

TEST(ActionFlowRows, ThrowsInTheCloseStillSwitchTheProgrammerOff) {
  struct Case {
    const char* what;
    std::function<void(tActionBench&)> arrange;
    unsigned int records;
  };
  const Case cases[] = {
      // The record itself is not taken: the catch sends it once more.
      {"final record", [](tActionBench& b) { b.host().throwAt(ssProgress, 1, "host busy"); }, 1},
      // "SHUTDOWN" broken off: the algorithm goes all the same.
      {"release",
       [](tActionBench& b) { b.sim().injectThrow("writeRegisterSet@1", "host busy", 4); }, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    tActionBench b;
    c.arrange(b);
    b.call(&cKrv32AlgoProviderBase::Slot_StartProg);
    EXPECT_TRUE(b.logged("catch postAlgoAction: host busy"));
    EXPECT_EQ(b.shown(), std::vector<std::string>({"Doing Continuity Test", "host busy"}));
    EXPECT_TRUE(b.sim().cpd(0).outputDisabled[k5OutGlobal]);
    EXPECT_EQ(b.sim().switchOffCount(), 1u);
    EXPECT_EQ(b.sim().deviceState(), 1);
    EXPECT_EQ(b.provider->algo(), nullptr);
    EXPECT_EQ(b.callsOf("~"), 1u);
    EXPECT_EQ(b.endedRecords(), c.records);
    EXPECT_EQ(b.record().getActionFailed(), 1u);
    EXPECT_EQ(b.record().getActionFailCode(), 3003u);
  }
}

TEST_F(ActionFlow, ThrowInTheLastCloseStepIsLoggedOnce) {
  sim().injectThrow("setDeviceState", "state lost", 1);
  call(&cKrv32AlgoProviderBase::Slot_StartProg);
  EXPECT_TRUE(logged("catch postAlgoAction: state lost"));
  EXPECT_EQ(std::count(log.begin(), log.end(), "PIDBG: catch postAlgoAction: state lost"), 1);
  EXPECT_EQ(endedRecords(), 2u);
  EXPECT_EQ(sim().switchOffCount(), 1u);
}

// A host that refuses again while told of its first failure: the action is
// still closed exactly once and the programmer given back.
TEST(ActionFlowRows, HostFailingAgainDuringTheFailureReportStillClosesOnce) {
  struct Case {
    const char* what;
    std::function<void(cScriptedAlgoProvider&)> arrange;
    std::vector<std::string> logLines;
    unsigned int records;
    bool failed;
  };
  const Case cases[] = {
      {"final record refused twice",
       [](cScriptedAlgoProvider&) {
         tBench::host().throwAt(ssProgress, 1, "host busy");
         tBench::host().throwAt(ssProgress, 2, "host gone");
       },
       {"catch postAlgoAction: host busy", "catch postAlgoAction: host gone"},
       0,
       true},
      {"close's text refused",
       [](cScriptedAlgoProvider&) {
         tBench::host().throwAt(ssProgress, 1, "host busy");
         tBench::host().throwAt(ssMessage, 2, "host gone");
       },
       {"catch postAlgoAction: host busy", "catch postAlgoAction: host gone"},
       1,
       true},
      {"every signal refused",
       [](cScriptedAlgoProvider&) {
         for (unsigned int n = 1; n <= 4; ++n) tBench::host().throwAt(ssProgress, n, "host gone");
         for (unsigned int n = 2; n <= 4; ++n) tBench::host().throwAt(ssMessage, n, "host gone");
       },
       {"catch postAlgoAction: host gone", "catch postAlgoAction: host gone"},
       0,
       true},
      {"slot's text refused",
       [](cScriptedAlgoProvider& p) {
         p.script.throwIn = "Program";
         p.script.throwText = "bus error";
         tBench::host().throwAt(ssMessage, 2, "host gone");
       },
       {"catch in Slot_StartProg: bus error", "catch in Slot_StartProg: host gone",
        "try postAlgoAction"},
       1,
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    tActionBench b;
    c.arrange(*b.provider);
    b.call(&cKrv32AlgoProviderBase::Slot_StartProg);
    long at = -1;
    for (const std::string& line : c.logLines) {
      const long pos = b.logAt(line, at + 1);
      EXPECT_GT(pos, at) << line;
      at = pos;
    }
    EXPECT_EQ(std::count(b.log.begin(), b.log.end(), "PIDBG: try postAlgoAction"), 1);
    EXPECT_EQ(b.endedRecords(), c.records);
    EXPECT_EQ(b.record().getActionFailed(), c.failed ? 1u : 0u);
    EXPECT_EQ(b.record().getActionFailCode(), c.failed ? 3003u : 0u);
    EXPECT_EQ(b.callsOf("DeleteAlgo"), 1u);
    EXPECT_EQ(b.provider->algo(), nullptr);
    EXPECT_TRUE(b.sim().cpd(0).outputDisabled[k5OutGlobal]);
    EXPECT_EQ(b.sim().switchOffCount(), 1u);
    EXPECT_EQ(b.sim().stateHistory(), std::vector<int>({3, 1}));
  }
}

// ------------------------------------------------------- without hardware

class ActionFlowWithoutHardware : public tActionFlowFixture {
protected:
  void SetUp() override {
    unplug(socket);
    sim().injectThrow("cKorvo5Device", "no programmer");
    tLineTap quiet(std::cerr);
    makeProvider();
  }
};

TEST_F(ActionFlowWithoutHardware, EveryStartClosesWithoutTouchingWhatIsMissing) {
  ASSERT_EQ(provider->getKrv5Ctrl(), nullptr);
  for (tSlot slot :
       {&cKrv32AlgoProviderBase::Slot_StartProg, &cKrv32AlgoProviderBase::Slot_StartContinuity,
        &cKrv32AlgoProviderBase::Slot_StartNoContinuity}) {
    host().clear();
    call(slot);
    EXPECT_EQ(shown(),
              std::vector<std::string>({"Error: No Korvo control object available.",
                                        "Error: No korvo 5 ctrl. Can not disable CPDs.",
                                        "Error: No korvo 5 ctrl. Can not reset power supplies."}));
    EXPECT_EQ(endedRecords(), 1u);
    EXPECT_EQ(record().getActionFailed(), 1u);
    EXPECT_EQ(record().getActionFailCode(), 3003u);
    EXPECT_TRUE(provider->calls.empty());
    EXPECT_TRUE(sim().stateHistory().empty());
  }
  EXPECT_TRUE(sim().trace().empty());
}

TEST_F(ActionFlowWithoutHardware, ContinuityLoadingAnswersFalse) {
  unsigned char ok = 7;
  tLineTap tap(std::cerr);
  provider->Slot_LoadFpgaForContinuity(ok, kOther);
  EXPECT_EQ(ok, 0);
  EXPECT_EQ(provider->getAddrFrom(), kOther);
  EXPECT_EQ(shown(), std::vector<std::string>({"Error: No korvo 5 ctrl. Can not disable CPDs.",
                                               "Error: Unable to map FPGA page \"0\".",
                                               "Can not load Fpgas for continuity test."}));
  EXPECT_TRUE(sim().trace().empty());
}

}  // namespace
