#include <gtest/gtest.h>

#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "cK5ContinuitySocket.h"
#include "cPinConnectionKernel.h"
#include "hardwareTestSupport.h"
#include "tContinuityBench.h"
#include "tLineTap.h"

namespace {

typedef tK5TraceEvent tE;
typedef cDevicePDxyData P;

const unsigned int kNull = 0;
const unsigned int kComp = 0xC01;
const unsigned int kDrive = 0xC51;

class PinConnectionKernelTest : public tHardwareTest {
protected:
  void SetUp() override {
    tHardwareTest::SetUp();
    plug(mSocket);
  }

  // Layout ready for the kernel, as the provider prepares it.
  void prepare(const std::string& method, const std::vector<tBenchPin>& pins) {
    mLayout = benchLayout(method, pins);
    wireSocket(mSocket, pins);
    ASSERT_TRUE(mLayout.init());
  }

  // Runs doIt on a new kernel; the diagnostic lines land in mLog.
  bool run() {
    cPinConnectionKernel kernel(mLayout, krv5());
    bool ok = false;
    mLog = linesOf(std::cerr, [&] { ok = kernel.doIt(); });
    mHint = kernel.getErrorHint();
    return ok;
  }

  std::vector<unsigned int> levels() {
    std::vector<unsigned int> result;
    for (unsigned int i = 0; i < mLayout.getSize(); ++i) {
      result.push_back(mLayout.getDevicePDxyData(i)->getConnectionResult());
    }
    return result;
  }

  cK5ContinuitySocket mSocket;
  cCfgFileDeviceLayout mLayout{0};
  tLines mLog;
  std::string mHint;
};

const tPairs kTestLevels = {{PS_VLS, 2000},   {PS_VGATE, 15000}, {PS_VCP3, 12000},
                            {PS_VCOMP, 1000}, {PS_VCP1, 2200},   {PS_VCP2, 3000}};
const tPairs kAllZero = {{PS_VCP2, 0}, {PS_VCP1, 0},  {PS_VCOMP, 0},
                         {PS_VCP3, 0}, {PS_VGATE, 0}, {PS_VLS, 0}};

std::string methodLine(const std::string& method) {
  return "PIDBG: Pin Continuity Test: - " + method + " - method selected.";
}

// The log of a test that got as far as its levels, then these lines.
tLines startedLog(const std::string& method, const tLines& then) {
  const std::string levels = "PIDBG: cPinConnectionKernel::initAllVoltages: ";
  tLines lines = {methodLine(method), levels + "vls = 2000", levels + "vcomp = 1000",
                  levels + "HighSideDriverVoltage(vcp1) = 2200"};
  lines.insert(lines.end(), then.begin(), then.end());
  return lines;
}

// The log of a passing test: each pin after the levels.
tLines passingLog(const std::string& method, const std::vector<std::string>& pins) {
  tLines pinLines;
  for (const std::string& pin : pins) pinLines.push_back("PIDBG: DevicePin(" + pin + ") = 1");
  return startedLog(method, pinLines);
}
const std::vector<std::string> kFourPins = {"1,0,trHighSideDriverPin,1,P1", "1,5,trHigh,2,P2",
                                            "2,47,trHigh,3,P3", "3,59,trHigh,4,P4"};

tPairs concat(tPairs a, const tPairs& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST_F(PinConnectionKernelTest, InsertedChipReadsEveryPinAsItsRuleAsks) {
  prepare("OneGndDiodeHigh", fourPinChip());
  EXPECT_TRUE(run());
  EXPECT_EQ(mHint, "");
  EXPECT_EQ(levels(), std::vector<unsigned int>(4, 1));
  EXPECT_EQ(mLayout.getHighSideDriverPinCount(), 1u);
  EXPECT_EQ(mLayout.getPinConnectionResult(), cPinConnectionData(4, 4));

  EXPECT_EQ(mLog, passingLog("OneGndDiodeHigh", kFourPins));

  // Supplies up, 50 ms, and all six back to 0 with no wait; the outputs stay on.
  EXPECT_EQ(sim().supplyWrites(), concat(kTestLevels, kAllZero));
  EXPECT_EQ(sim().waitedCycles(), 50u * 5000u);
  // The settling wait follows the last supply level and comes before any pin is set.
  const long wait = sim().findEvent(cK5SimProgrammer::eventIs(tE::tkWait, 50 * 5000));
  ASSERT_GE(wait, 0);
  EXPECT_EQ(wait, sim().findEvent(cK5SimProgrammer::eventIs(tE::tkSupply, PS_VCP2, 3000)) + 1);
  EXPECT_LT(wait, sim().findEvent(cK5SimProgrammer::eventIs(tE::tkCpdWriteSet)));
  for (unsigned int ch = 0; ch < 6; ++ch) EXPECT_EQ(sim().supplyLevel(ePSChannel(ch)), 0u);
  EXPECT_FALSE(sim().cpd(0).outputDisabled[k5OutGlobal]);
}

TEST_F(PinConnectionKernelTest, VerdictsOfEmptySocketAndBentPin) {
  struct Case {
    const char* what;
    bool inserted;
    unsigned int bentPin;
    std::vector<unsigned int> levels;
    cPinConnectionData result;
  };
  const Case cases[] = {
      {"empty socket", false, 0, {1, 0, 0, 0}, cPinConnectionData(4, 0)},
      {"bent pin 3", true, 3, {1, 1, 0, 1}, cPinConnectionData(4, 3)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    mSocket.setInserted(c.inserted);
    for (unsigned int pin = 1; pin <= 4; ++pin) mSocket.setTouching(pin, pin != c.bentPin);
    prepare("OneGndDiodeHigh", fourPinChip());
    EXPECT_TRUE(run());
    EXPECT_EQ(levels(), c.levels);
    EXPECT_EQ(mLayout.getPinConnectionResult(), c.result);
    EXPECT_FALSE(mLayout.getPinConnectionResult().isDeviceConnected());
  }
}

TEST_F(PinConnectionKernelTest, ImagesGoNullComparatorDriverNullEachWithOneStrobe) {
  // Pin 9 has no contact: it reads low as its rule asks.
  prepare("OneGndDiodeHigh", fourPinChipAnd({2, 10, P::trLow, 9}));
  mSocket.disconnect(2, 10);
  EXPECT_TRUE(run());
  EXPECT_EQ(levels(), std::vector<unsigned int>({1, 1, 1, 1, 0}));

  // (slot, image) of every bank write, and where the strobes fall.
  const std::vector<std::vector<unsigned int>> expected = {
      image({{0, kNull}, {5, kNull}}),  image({{47, kNull}, {10, kNull}}), image({{59, kNull}}),
      image({{0, kComp}, {5, kComp}}),  image({{47, kComp}, {10, kComp}}), image({{59, kComp}}),
      image({{0, kDrive}, {5, kComp}}), image({{47, kComp}, {10, kComp}}), image({{59, kComp}}),
      image({{0, kNull}, {5, kNull}}),  image({{47, kNull}, {10, kNull}}), image({{59, kNull}})};
  std::vector<std::string> shape;
  std::vector<std::vector<unsigned int>> images;
  for (const tK5TraceEvent& e : sim().trace()) {
    if (e.kind == tE::tkCpdWriteSet) {
      shape.push_back("W" + std::to_string(e.slot) + "/" + std::to_string(e.a));
      images.push_back(e.values);
    } else if (e.kind == tE::tkCpdStrobe) {
      shape.push_back("S" + std::to_string(e.slot));
    } else if (e.kind == tE::tkCpdSelectBank || e.kind == tE::tkCpdWriteSetOnly) {
      shape.push_back("unexpected");
    }
  }
  const std::vector<std::string> round = {"W1/0", "W2/0", "W3/0", "S0"};
  std::vector<std::string> rounds;
  for (int i = 0; i < 4; ++i) rounds.insert(rounds.end(), round.begin(), round.end());
  EXPECT_EQ(shape, rounds);
  EXPECT_EQ(images, expected);

  // Outputs on before the first transfer; slot 0's FPGA never read.
  EXPECT_LT(sim().findEvent(cK5SimProgrammer::eventIs(tE::tkCpdOutput, k5OutGlobal, 0, 0)),
            sim().findEvent(cK5SimProgrammer::eventIs(tE::tkCpdWriteSet)));
  std::vector<std::pair<unsigned int, unsigned int>> reads;
  for (const tK5TraceEvent& e : sim().traceOf(tE::tkFpgaRead)) reads.push_back({e.slot, e.a});
  EXPECT_EQ(reads, tPairs({{1, 109},
                           {1, 106},
                           {1, 103},
                           {1, 100},
                           {2, 109},
                           {2, 106},
                           {2, 103},
                           {2, 100},
                           {3, 109},
                           {3, 106},
                           {3, 103},
                           {3, 100}}));
}

TEST_F(PinConnectionKernelTest, MultiMethodDrivesEveryDriverPin) {
  prepare("MultiGndDiodeHigh", fourPinChipAnd({3, 1, P::trHighSideDriverPin, 5}));
  EXPECT_TRUE(run());
  std::vector<std::string> fivePins = kFourPins;
  fivePins.push_back("3,1,trHighSideDriverPin,5,P5");
  EXPECT_EQ(mLog, passingLog("MultiGndDiodeHigh", fivePins));
  EXPECT_EQ(mLayout.getHighSideDriverPinCount(), 2u);
  EXPECT_EQ(levels(), std::vector<unsigned int>(5, 1));
  const std::vector<tK5TraceEvent> writes = sim().traceOf(tE::tkCpdWriteSet);
  ASSERT_EQ(writes.size(), 12u);
  EXPECT_EQ(writes[6].values, image({{0, kDrive}, {5, kComp}}));
  EXPECT_EQ(writes[8].values, image({{59, kComp}, {1, kDrive}}));
}

TEST_F(PinConnectionKernelTest, ReadBackWordAssemblesFourRegisters) {
  // Without a socket the register file answers.
  unplug(mSocket);
  sim().setFpgaRegister(1, 100, 0x0001);
  sim().setFpgaRegister(1, 103, 0x0000);
  sim().setFpgaRegister(1, 106, 0x8000);
  sim().setFpgaRegister(1, 109, 0x0000);
  sim().setFpgaRegister(2, 109, 0x8001);
  prepare("OneGndDiodeHigh", {{1, 0, P::trHighSideDriverPin, 1},
                              {1, 47, P::trHigh, 2},
                              {1, 1, P::trLow, 3},
                              {1, 46, P::trLow, 4},
                              {1, 48, P::trLow, 5},
                              {2, 48, P::trHigh, 6},
                              {2, 59, P::trLow, 7}});
  cPinConnectionKernel kernel(mLayout, krv5());
  ASSERT_TRUE(kernel.init());
  EXPECT_EQ(kernel.readPDyFromAdapter(1), 0x0000800000000001ull);
  EXPECT_EQ(kernel.readPDyFromAdapter(2), 0x8001000000000000ull);
  // A slot without FPGA control reads all ones.
  EXPECT_EQ(kernel.readPDyFromAdapter(3), ~0ull);
  {
    tLineTap quiet(std::cerr);
    kernel.readAdapterPins();
  }
  EXPECT_EQ(levels(), std::vector<unsigned int>({1, 1, 0, 0, 0, 1, 0}));

  std::vector<unsigned long long> words = {0, 1};
  EXPECT_EQ(linesOf(std::cerr, [&] { EXPECT_FALSE(kernel.getReadValue(words, 2, 0)); }),
            tLines{"PIDBG: Error: Can not get read value of PD - Slot: 2"});
  EXPECT_TRUE(kernel.getReadValue(words, 1, 0));
}

TEST_F(PinConnectionKernelTest, BindsSlotsUpToTheLargestOnly) {
  prepare("OneGndDiodeHigh", {{1, 0, P::trHighSideDriverPin, 1}, {3, 2, P::trHigh, 2}});
  cPinConnectionKernel kernel(mLayout, krv5());
  ASSERT_TRUE(kernel.init());
  sim().clearTrace();
  kernel.setCPDActive();
  std::vector<unsigned int> slots;
  for (const tK5TraceEvent& e : sim().traceOf(tE::tkCpdWriteSet)) slots.push_back(e.slot);
  EXPECT_EQ(slots, std::vector<unsigned int>({1, 2, 3}));
  // Slot 4 is not bound: no register image to write into.
  EXPECT_EQ(linesOf(std::cerr, [&] { EXPECT_FALSE(kernel.setCpdCfg(4, 0, kComp)); }),
            tLines{"PIDBG: Error: Invalid Fpga slot number. 4"});
  EXPECT_EQ(kernel.getErrorHint(), "Error: Invalid Fpga slot number. \n");
}

TEST_F(PinConnectionKernelTest, FailingStepsLeaveTheirHintsExactly) {
  struct Case {
    const char* what;
    std::string method;
    std::vector<tBenchPin> pins;
    std::string hint;
    tLines log;
    bool suppliesOn;
  };
  const tLines unknownMethod = {"PIDBG: Error: Unknown ConnectionTestMethod selected."};
  const Case cases[] = {
      {"slot 7",
       "OneGndDiodeHigh",
       {{1, 0, P::trHighSideDriverPin, 1}, {7, 0, P::trHigh, 2}},
       "Error: Invalid Pindriver-Slot found.",
       {methodLine("OneGndDiodeHigh")},
       false},
      {"PDx 0", "OneGndDiodeHigh", fourPinChipAnd({0, 3, P::trLow, 7}),
       "Error: Invalid Fpga slot number. \nError: setCpdCfgAllPins(DAT_NULL_MODE) failed.\n",
       startedLog("OneGndDiodeHigh", {"PIDBG: Error: Invalid Fpga slot number. 0",
                                      "PIDBG: Error: setCpdCfgAllPins(DAT_NULL_MODE) failed."}),
       true},
      {"PDy 60", "OneGndDiodeHigh", fourPinChipAnd({2, 60, P::trLow, 7}),
       "Error: Can not set CPD register.\nError: setCpdCfgAllPins(DAT_NULL_MODE) failed.\n",
       startedLog("OneGndDiodeHigh", {"PIDBG: Error: Can not set CPD register.",
                                      "PIDBG: Error: setCpdCfgAllPins(DAT_NULL_MODE) failed."}),
       true},
      {"no driver pin",
       "OneGndDiodeHigh",
       {{1, 0, P::trHigh, 1}, {2, 1, P::trHigh, 2}},
       "Error: Can not get the High-Side driver pin.\n",
       startedLog("OneGndDiodeHigh", {"PIDBG: Error: Can not get the High-Side driver pin."}),
       true},
      {"no driver pins",
       "MultiGndDiodeHigh",
       {{1, 0, P::trHigh, 1}},
       "Error: Can not get the High-Side driver pin(s).\n",
       startedLog("MultiGndDiodeHigh", {"PIDBG: Error: Can not get the High-Side driver pin(s)."}),
       true},
      {"wrong case", "onegnddiodehigh", fourPinChip(), "", unknownMethod, false},
      {"trailing blank", "OneGndDiodeHigh ", fourPinChip(), "", unknownMethod, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    restart();
    mLayout = benchLayout(c.method, c.pins);
    wireSocket(mSocket, c.pins);
    ASSERT_TRUE(mLayout.init());
    EXPECT_FALSE(run());
    EXPECT_EQ(mHint, c.hint);
    EXPECT_EQ(mLog, c.log);
    // Nothing undone: the test levels stay, or nothing was touched at all.
    EXPECT_EQ(sim().supplyWrites(), c.suppliesOn ? kTestLevels : tPairs());
  }
}

TEST_F(PinConnectionKernelTest, FailedDriverLookupLeavesPinsInComparatorMode) {
  prepare("OneGndDiodeHigh", {{1, 0, P::trHigh, 1}, {2, 1, P::trHigh, 2}});
  EXPECT_FALSE(run());
  EXPECT_EQ(sim().cpd(1).live[0], kComp);
  EXPECT_EQ(sim().cpd(2).live[1], kComp);
  EXPECT_EQ(sim().supplyLevel(PS_VCP3), 12000u);
  EXPECT_FALSE(sim().cpd(0).outputDisabled[k5OutGlobal]);
}

TEST_F(PinConnectionKernelTest, EveryBadPinReportsItselfBeforeTheStep) {
  std::vector<tBenchPin> pins = fourPinChip();
  pins.push_back({0, 3, P::trLow, 7});
  pins.push_back({2, 61, P::trLow, 8});
  pins.push_back({0, 4, P::trLow, 9});
  prepare("OneGndDiodeHigh", pins);
  EXPECT_FALSE(run());
  EXPECT_EQ(mHint,
            "Error: Invalid Fpga slot number. \nError: Can not set CPD register.\n"
            "Error: Invalid Fpga slot number. \nError: setCpdCfgAllPins(DAT_NULL_MODE) failed.\n");
}

TEST_F(PinConnectionKernelTest, MappingFailuresReplaceTheHint) {
  struct Case {
    const char* point;
    bool thrown;  // false: the host hands out null without a text
    std::string hint;
  };
  const Case cases[] = {
      {"cpdCtrl@2", true, "Error: FPGA Mapping failed for CPD control."},
      {"fpgaCtrl@3", true,
       "Error: FPGA Mapping failed for FPGA control.\nFatal (exception): no FPGA 3"},
      {"cpdCtrl@0", false, "Error: FPGA Mapping failed for CPD control."},
      {"fpgaCtrl@2", false, "Error: FPGA Mapping failed for FPGA control.\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.point);
    restart();
    if (c.thrown) {
      sim().injectThrow(c.point, "no FPGA 3");
    } else {
      sim().injectNull(c.point);
    }
    prepare("OneGndDiodeHigh", fourPinChip());
    EXPECT_FALSE(run());
    EXPECT_EQ(mHint, c.hint);
    EXPECT_EQ(mLog, tLines{methodLine("OneGndDiodeHigh")});
    EXPECT_TRUE(sim().supplyWrites().empty());
  }
}

TEST_F(PinConnectionKernelTest, HintIsClearedByAMethodReplacedByInitAndKeptOtherwise) {
  prepare("OneGndDiodeHigh", fourPinChip());
  cPinConnectionKernel kernel(mLayout, krv5());
  // Nothing bound before init.
  EXPECT_EQ(linesOf(std::cerr, [&] { EXPECT_FALSE(kernel.setCpdCfg(1, 0, kComp)); }),
            tLines{"PIDBG: Error: Not CPD control available."});
  EXPECT_EQ(kernel.getErrorHint(), "Error: Not CPD control available.\n");

  {
    tLineTap quiet(std::cerr);
    EXPECT_TRUE(kernel.doIt());
  }
  EXPECT_EQ(kernel.getErrorHint(), "");

  // Later failures append; handing the hint out does not clear it.
  mLayout.clear();
  EXPECT_EQ(linesOf(std::cerr,
                    [&] {
                      EXPECT_FALSE(kernel.setCpdCfg(0, 0, kComp));
                      EXPECT_FALSE(kernel.setCpdCfgAllPins(kNull));
                    }),
            (tLines{"PIDBG: Error: Invalid Fpga slot number. 0",
                    "PIDBG: Error: No device layout defined."}));
  EXPECT_EQ(kernel.getErrorHint(),
            "Error: Invalid Fpga slot number. \nError: No device layout defined.\n");
  EXPECT_EQ(kernel.getErrorHint(),
            "Error: Invalid Fpga slot number. \nError: No device layout defined.\n");

  // A failed init replaces the hint with its one message.
  sim().clearTrace();
  EXPECT_EQ(linesOf(std::cerr, [&] { EXPECT_FALSE(kernel.init()); }), tLines{});
  EXPECT_EQ(kernel.getErrorHint(), "Error: Invalid Pindriver-Slot found.");
  EXPECT_TRUE(sim().supplyWrites().empty());

  // An unknown method leaves it as it is.
  mLayout.sMethod() = "MultiGndDiodehigh";
  EXPECT_EQ(linesOf(std::cerr, [&] { EXPECT_FALSE(kernel.doIt()); }),
            tLines{"PIDBG: Error: Unknown ConnectionTestMethod selected."});
  EXPECT_EQ(kernel.getErrorHint(), "Error: Invalid Pindriver-Slot found.");
}

TEST_F(PinConnectionKernelTest, DriverVoltageReachesVcp1Unchecked) {
  prepare("OneGndDiodeHigh", fourPinChip());
  mLayout.uiHighSideDriverVoltage() = 30000;
  mLayout.uiVls() = 1800;
  mLayout.uiVComp() = 700;
  EXPECT_TRUE(run());
  const tPairs up = {{PS_VLS, 1800},  {PS_VGATE, 15000}, {PS_VCP3, 12000},
                     {PS_VCOMP, 700}, {PS_VCP1, 30000},  {PS_VCP2, 3000}};
  EXPECT_EQ(sim().supplyWrites(), concat(up, kAllZero));
}

TEST_F(PinConnectionKernelTest, HostTextsPassThroughAndTheKernelCleansUpQuietly) {
  prepare("OneGndDiodeHigh", fourPinChip());
  sim().injectThrow("pulseCPDStrobe", "strobe lost", 1);
  {
    cPinConnectionKernel kernel(mLayout, krv5());
    tLineTap quiet(std::cerr);
    try {
      kernel.doIt();
      ADD_FAILURE() << "no text thrown";
    } catch (const std::string& text) {
      EXPECT_EQ(text, "strobe lost");
    }
    sim().clearTrace();
  }
  // The destructor issues no hardware call.
  EXPECT_TRUE(sim().trace().empty());
}

}  // namespace

namespace {

TEST_F(PinConnectionKernelTest, NoSupplyControlNoTest) {
  prepare("OneGndDiodeHigh", fourPinChip());
  sim().injectNull("psCtrl");
  EXPECT_FALSE(run());
  EXPECT_EQ(mHint, "Error: No supply control available.");
  EXPECT_TRUE(sim().traceOf(tE::tkCpdWriteSet).empty());
}

}  // namespace
