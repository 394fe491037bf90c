#include <gtest/gtest.h>

#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "cK5AbstractCPDCtrl.h"
#include "cK5CPDHdwCtrl.h"
#include "cK5CPDRegSet.h"
#include "cK5CpdCtrl.h"
#include "hardwareTestSupport.h"
#include "tCaseName.h"
#include "tLineTap.h"

namespace {

typedef tK5TraceEvent tE;

class CpdCtrlTest : public tHardwareTest {
protected:
  void SetUp() override {
    tHardwareTest::SetUp();
    mConfigs.addCpdConfig(makeConfig("SETUP", {{1, 0, 0x11}, {3, 5, 0x33}, {1, 59, 0x22}}));
    mConfigs.addCpdConfig(makeConfig("SHUTDOWN", {{1, 0, 0x01}}));
    mConfigs.addCpdConfig(makeConfig("A", {{1, 3, 7}, {3, 1, 1}}));
    mConfigs.addCpdConfig(makeConfig("B", {{1, 4, 9}}));
    mConfigs.addCpdConfig(makeConfig("BADSLOT", {{2, 0, 1}, {7, 0, 1}, {1, 60, 1}}));
    mConfigs.addCpdConfig(makeConfig("BADREG", {{2, 0, 1}, {1, 60, 1}, {7, 0, 1}}));
  }

  // Bank writes of either kind, in order.
  static std::vector<tK5TraceEvent> bankWrites() {
    std::vector<tK5TraceEvent> writes;
    for (const tK5TraceEvent& e : sim().trace()) {
      if (e.kind == tE::tkCpdWriteSet || e.kind == tE::tkCpdWriteSetOnly) writes.push_back(e);
    }
    return writes;
  }

  cCfgFileDeviceCpdConfigs mConfigs;
};

TEST_F(CpdCtrlTest, EnableWritesOnlyTheNamedSlotsAndStrobesSlotZero) {
  cK5CpdCtrl cpd(krv5(), &mConfigs);
  EXPECT_EQ(linesOf(std::cerr, [&] { EXPECT_TRUE(cpd.enableCpdConfig("SETUP", true)); }),
            tLines{"PIDBG: cK5CpdCtrl::enableCpdConfig for \"SETUP\" OK."});

  const std::vector<tK5TraceEvent> writes = bankWrites();
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_EQ(writes[0].kind, tE::tkCpdWriteSet);
  EXPECT_EQ(writes[0].slot, 1u);
  EXPECT_EQ(writes[0].a, 1u);
  EXPECT_EQ(writes[0].values, image({{0, 0x11}, {59, 0x22}}));
  EXPECT_EQ(writes[1].slot, 3u);
  EXPECT_EQ(writes[1].values, image({{5, 0x33}}));

  for (unsigned int slot = 0; slot < 7; ++slot) {
    const bool named = slot == 1 || slot == 3;
    EXPECT_EQ(sim().cpd(slot).writtenBy[1], named ? k5BankWriteSet : k5BankUnwritten) << slot;
    EXPECT_EQ(sim().cpd(slot).writtenBy[0], k5BankUnwritten) << slot;
  }
  EXPECT_TRUE(sim().cpd(1).liveValid);
  EXPECT_EQ(sim().cpd(1).liveBank, 1u);
  EXPECT_EQ(std::vector<unsigned int>(sim().cpd(3).live.begin(), sim().cpd(3).live.end()),
            image({{5, 0x33}}));

  // Outputs on before any register is written; bank 1 selected, then strobed, on slot 0.
  EXPECT_TRUE(sim().containsInOrder({cK5SimProgrammer::eventIs(tE::tkCpdOutput, k5OutGlobal, 0, 0),
                                     cK5SimProgrammer::eventIs(tE::tkCpdWriteSet),
                                     cK5SimProgrammer::eventIs(tE::tkCpdWriteSet),
                                     cK5SimProgrammer::eventIs(tE::tkCpdSelectBank, 1, -1, 0),
                                     cK5SimProgrammer::eventIs(tE::tkCpdStrobe, -1, -1, 0)}));
  EXPECT_EQ(sim().traceOf(tE::tkCpdStrobe).size(), 1u);
  EXPECT_EQ(cpd.getErrorInfo(), "");
}

TEST_F(CpdCtrlTest, SlotsAreWrittenInSlotOrderNotInPinOrder) {
  mConfigs.addCpdConfig(makeConfig("REVERSED", {{5, 2, 0x55}, {2, 9, 0x22}, {5, 3, 0x56}}));
  cK5CpdCtrl cpd(krv5(), &mConfigs);
  {
    tLineTap quiet(std::cerr);
    EXPECT_TRUE(cpd.enableCpdConfig("REVERSED", false));
  }
  const std::vector<tK5TraceEvent> writes = bankWrites();
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_EQ(writes[0].slot, 2u);
  EXPECT_EQ(writes[0].values, image({{9, 0x22}}));
  EXPECT_EQ(writes[1].slot, 5u);
  EXPECT_EQ(writes[1].values, image({{2, 0x55}, {3, 0x56}}));
}

TEST_F(CpdCtrlTest, ShutdownLineCarriesTheLabelInQuotes) {
  cK5CpdCtrl cpd(krv5(), &mConfigs);
  EXPECT_EQ(linesOf(std::cerr, [&] { EXPECT_TRUE(cpd.enableCpdConfig("SHUTDOWN", false)); }),
            tLines{"PIDBG: cK5CpdCtrl::enableCpdConfig for \"SHUTDOWN\" OK."});
  EXPECT_EQ(sim().cpd(1).writtenBy[0], k5BankWriteSet);
}

TEST_F(CpdCtrlTest, TransmitOnlyUsesTheOtherWriteAndSelectsNothing) {
  cK5CpdCtrl cpd(krv5(), &mConfigs);
  EXPECT_TRUE(cpd.transmitCpdConfigOnly("SETUP", false));
  EXPECT_EQ(sim().cpd(1).writtenBy[0], k5BankWriteSetOnly);
  EXPECT_EQ(sim().cpd(3).writtenBy[0], k5BankWriteSetOnly);
  EXPECT_TRUE(sim().traceOf(tE::tkCpdWriteSet).empty());
  EXPECT_TRUE(sim().traceOf(tE::tkCpdSelectBank).empty());
  EXPECT_TRUE(sim().traceOf(tE::tkCpdStrobe).empty());

  EXPECT_TRUE(cpd.enableCpdConfigReg(false));
  EXPECT_TRUE(sim().containsInOrder({cK5SimProgrammer::eventIs(tE::tkCpdSelectBank, 0, -1, 0),
                                     cK5SimProgrammer::eventIs(tE::tkCpdStrobe, -1, -1, 0)}));
  EXPECT_TRUE(sim().cpd(1).liveValid);
  EXPECT_EQ(sim().cpd(1).liveBank, 0u);
  EXPECT_EQ(std::vector<unsigned int>(sim().cpd(1).live.begin(), sim().cpd(1).live.end()),
            image({{0, 0x11}, {59, 0x22}}));
}

// The job flow writes configurations with the bank-only transfer; its
// failures carry the transfer's own lines and leave every bank alone.
TEST_F(CpdCtrlTest, TransmitOnlyFailureLogsTheTransferLineAndWritesNoBank) {
  cK5CpdCtrl cpd(krv5(), &mConfigs);
  const tStdLines lines =
      stdLinesOf([&] { EXPECT_FALSE(cpd.transmitCpdConfigOnly("BADREG", true)); });
  EXPECT_EQ(lines.err,
            tLines{"PIDBG: cK5CpdCtrl::transmitCpdConfig::setupCpdConfig(sLabel) failed. BADREG"});
  EXPECT_EQ(lines.out, tLines{"Invalid DxNr in cK5CPDHdwCtrl::setCPDReg"});
  EXPECT_EQ(cpd.getErrorInfo(), "Can setup the CPD register for PDy: #60.\n");
  EXPECT_TRUE(bankWrites().empty());
}

TEST_F(CpdCtrlTest, SuccessiveTransfersStartFromNewImages) {
  cK5CpdCtrl cpd(krv5(), &mConfigs);
  tLineTap quiet(std::cerr);
  const bool first = cpd.enableCpdConfig("A", false);
  sim().clearTrace();
  const bool second = cpd.enableCpdConfig("B", false);
  ASSERT_TRUE(first && second);

  const std::vector<tK5TraceEvent> writes = bankWrites();
  ASSERT_EQ(writes.size(), 1u);  // slot 3 of "A" is not written again
  EXPECT_EQ(writes[0].slot, 1u);
  EXPECT_EQ(writes[0].values, image({{4, 9}}));
}

TEST_F(CpdCtrlTest, EnableConfigRegNeedsSlotZeroAndDoesNotCreateIt) {
  cK5CpdCtrl cpd(krv5(), &mConfigs);
  EXPECT_FALSE(cpd.enableCpdConfigReg(false));
  EXPECT_TRUE(sim().trace().empty());
}

struct tCpdFailure {
  const char* name;
  bool withConfigs;
  const char* label;
  std::string errorInfo;
  tLines stderrLines;
  tLines stdoutLines;
};

class CpdCtrlFailure : public CpdCtrlTest, public testing::WithParamInterface<tCpdFailure> {};

TEST_P(CpdCtrlFailure, WritesNoBankAndReportsTheReason) {
  const tCpdFailure& c = GetParam();
  cK5CpdCtrl cpd(krv5(), c.withConfigs ? &mConfigs : nullptr);
  const tStdLines lines = stdLinesOf([&] { EXPECT_FALSE(cpd.enableCpdConfig(c.label, false)); });
  EXPECT_EQ(lines.err, c.stderrLines);
  EXPECT_EQ(lines.out, c.stdoutLines);
  EXPECT_EQ(cpd.getErrorInfo(), c.errorInfo);
  EXPECT_EQ(cpd.getErrorInfo(), "");
  EXPECT_TRUE(bankWrites().empty());
  EXPECT_TRUE(sim().traceOf(tE::tkCpdStrobe).empty());
  EXPECT_TRUE(sim().traceOf(tE::tkCpdSelectBank).empty());
}

tLines failedLines(const std::string& middle, const std::string& label) {
  return {"PIDBG: cK5CpdCtrl::transmitCpdConfig::" + middle,
          "PIDBG: cK5CpdCtrl::enableCpdConfig::transmitCpdConfig failed. " + label};
}

INSTANTIATE_TEST_SUITE_P(
    Reasons, CpdCtrlFailure,
    testing::Values(tCpdFailure{"NoConfigurationSet",
                                false,
                                "SHUTDOWN",
                                "CfgFileDeviceCpdConfigs invalid.\n",
                                failedLines("mpCfgFileDeviceCpdConfigs invalid.", "SHUTDOWN"),
                                {}},
                    tCpdFailure{"UnknownLabel",
                                true,
                                "XYZ",
                                "Can not get CPD config: XYZ.\n",
                                failedLines("setupCpdConfig(sLabel) failed. XYZ", "XYZ"),
                                {}},
                    tCpdFailure{"LabelIsCaseSensitive",
                                true,
                                "setup",
                                "Can not get CPD config: setup.\n",
                                failedLines("setupCpdConfig(sLabel) failed. setup", "setup"),
                                {}},
                    // The first bad pin ends the setup: the later bad register is not reached.
                    tCpdFailure{"SlotSeven",
                                true,
                                "BADSLOT",
                                "Can not get CPD control for Fpga Number: #7.\n",
                                failedLines("setupCpdConfig(sLabel) failed. BADSLOT", "BADSLOT"),
                                {}},
                    tCpdFailure{"RegisterSixty",
                                true,
                                "BADREG",
                                "Can setup the CPD register for PDy: #60.\n",
                                failedLines("setupCpdConfig(sLabel) failed. BADREG", "BADREG"),
                                {"Invalid DxNr in cK5CPDHdwCtrl::setCPDReg"}}),
    tCaseName());

TEST_F(CpdCtrlTest, FoundLabelSwitchesOutputsOnEvenWhenTheSetupFails) {
  cK5CpdCtrl cpd(krv5(), &mConfigs);
  stdLinesOf([&] { EXPECT_FALSE(cpd.enableCpdConfig("BADREG", false)); });
  EXPECT_FALSE(sim().cpd(0).outputDisabled[k5OutGlobal]);
}

TEST_F(CpdCtrlTest, ErrorTextCollectsFailuresUntilHandedOut) {
  cK5CpdCtrl cpd(krv5(), &mConfigs);
  {
    tLineTap quiet(std::cerr);
    EXPECT_FALSE(cpd.enableCpdConfig("XYZ", false));
    EXPECT_FALSE(cpd.enableCpdConfig("BADSLOT", false));
    EXPECT_TRUE(cpd.enableCpdConfig("SETUP", false));
  }
  EXPECT_EQ(cpd.getErrorInfo(),
            "Can not get CPD config: XYZ.\nCan not get CPD control for Fpga Number: #7.\n");
  EXPECT_EQ(cpd.getErrorInfo(), "");
}

TEST_F(CpdCtrlTest, SlotZeroLookupFailureStopsTheTransfer) {
  sim().injectThrow("cpdCtrl@0", "slot 0 gone");
  cK5CpdCtrl cpd(krv5(), &mConfigs);
  EXPECT_EQ(linesOf(std::cerr, [&] { EXPECT_FALSE(cpd.enableCpdConfig("SETUP", false)); }),
            failedLines("getCPDHdwCtrl(0) failed.", "SETUP"));
  EXPECT_EQ(cpd.getErrorInfo(), "Can not get CPD control for Fpga Number: #0.\n");
  EXPECT_EQ(krv5().getErrorInfo(), "Fatal (exception): slot 0 gone");
  EXPECT_TRUE(bankWrites().empty());
}

TEST_F(CpdCtrlTest, NullHostControlCountsAsAMissingSlot) {
  sim().injectNull("cpdCtrl@3");
  cK5CpdCtrl cpd(krv5(), &mConfigs);
  {
    tLineTap quiet(std::cerr);
    EXPECT_FALSE(cpd.enableCpdConfig("SETUP", false));
  }
  EXPECT_EQ(cpd.getErrorInfo(), "Can not get CPD control for Fpga Number: #3.\n");
  EXPECT_EQ(cpd.getCPDHdwCtrl(3)->pK5CPDCtrl, sim().pdio(3)->cpdCtrl());  // asked again: now there
  EXPECT_TRUE(bankWrites().empty());
}

TEST_F(CpdCtrlTest, TransferTimeoutIsOnlyWrittenOut) {
  sim().injectFalse("writeRegisterSet");
  cK5CpdCtrl cpd(krv5(), &mConfigs);
  const tStdLines lines = stdLinesOf([&] { EXPECT_TRUE(cpd.enableCpdConfig("SETUP", false)); });
  EXPECT_EQ(lines.out, tLines{"cK5CPDHdwCtrl::setCPD->transferbuffer timeout"});
  EXPECT_EQ(lines.err, tLines{"PIDBG: cK5CpdCtrl::enableCpdConfig for \"SETUP\" OK."});
  EXPECT_EQ(cpd.getErrorInfo(), "");
}

struct tOutputCase {
  const char* name;
  void (cK5CpdCtrl::*op)();
  tE::eKind kind;
  long a;
  long b;
};

class CpdCtrlOutputs : public CpdCtrlTest, public testing::WithParamInterface<tOutputCase> {};

TEST_P(CpdCtrlOutputs, ActOnSlotZero) {
  const tOutputCase& c = GetParam();
  cK5CpdCtrl cpd(krv5(), &mConfigs);
  (cpd.*c.op)();  // slot 0 empty: nothing happens
  EXPECT_TRUE(sim().trace().empty());
  ASSERT_NE(cpd.getCPDHdwCtrl(0), nullptr);
  (cpd.*c.op)();
  ASSERT_EQ(sim().trace().size(), 1u);
  EXPECT_TRUE(cK5SimProgrammer::eventIs(c.kind, c.a, c.b, 0)(sim().trace()[0]));
}

INSTANTIATE_TEST_SUITE_P(
    Table, CpdCtrlOutputs,
    testing::Values(
        tOutputCase{"EnableCPD01", &cK5CpdCtrl::EnableCPD01, tE::tkCpdOutput, k5OutGlobal, 0},
        tOutputCase{"DisableCPD01", &cK5CpdCtrl::DisableCPD01, tE::tkCpdOutput, k5OutGlobal, 1},
        tOutputCase{"EnableVCP1", &cK5CpdCtrl::EnableVCP1, tE::tkCpdOutput, k5OutVcp1, 0},
        tOutputCase{"DisableVCP1", &cK5CpdCtrl::DisableVCP1, tE::tkCpdOutput, k5OutVcp1, 1},
        tOutputCase{"EnableVCP2", &cK5CpdCtrl::EnableVCP2, tE::tkCpdOutput, k5OutVcp2, 0},
        tOutputCase{"DisableVCP2", &cK5CpdCtrl::DisableVCP2, tE::tkCpdOutput, k5OutVcp2, 1},
        tOutputCase{"EnableVCP3", &cK5CpdCtrl::EnableVCP3, tE::tkCpdOutput, k5OutVcp3, 0},
        tOutputCase{"DisableVCP3", &cK5CpdCtrl::DisableVCP3, tE::tkCpdOutput, k5OutVcp3, 1},
        tOutputCase{"EnableGND", &cK5CpdCtrl::EnableGND, tE::tkCpdOutput, k5OutGnd, 0},
        tOutputCase{"DisableGND", &cK5CpdCtrl::DisableGND, tE::tkCpdOutput, k5OutGnd, 1},
        tOutputCase{"EnableDirLs", &cK5CpdCtrl::EnableDirLs, tE::tkCpdDir, -1, 0},
        tOutputCase{"EnableDirComp", &cK5CpdCtrl::EnableDirComp, tE::tkCpdDir, -1, 1}),
    tCaseName());

TEST_F(CpdCtrlTest, CopiesShareTheSetButNotTheSlots) {
  cCfgFileDeviceCpdConfigs otherSet;
  cK5CpdCtrl cpd(krv5(), &mConfigs);
  cpd.addErrorInfo("earlier");
  ASSERT_NE(cpd.getCPDHdwCtrl(0), nullptr);

  cK5CpdCtrl copy(cpd);
  EXPECT_TRUE(copy == cpd);
  EXPECT_FALSE(copy.enableCpdConfigReg(false));  // no slot 0 in the copy
  EXPECT_TRUE(cpd.enableCpdConfigReg(false));

  cK5CpdCtrl other(krv5(), &otherSet);
  EXPECT_TRUE(other != cpd);
  other = cpd;
  EXPECT_TRUE(other == cpd);
  EXPECT_EQ(other.getErrorInfo(), "earlier\n");
  EXPECT_EQ(copy.getErrorInfo(), "earlier\n");
}

// ---- one slot's control ----

class CPDHdwCtrlTest : public tHardwareTest {};

TEST_F(CPDHdwCtrlTest, ShadowImageRefusesRegistersFromSixty) {
  unsigned char ok = 0;
  cK5CPDHdwCtrl ctrl(krv5(), 2, ok);
  ASSERT_EQ(ok, 1);
  EXPECT_EQ(ctrl.pK5CPDCtrl, sim().pdio(2)->cpdCtrl());
  EXPECT_EQ(ctrl.checkDyNr(59), 59);
  EXPECT_EQ(ctrl.checkDyNr(60), -1);
  EXPECT_TRUE(ctrl.setCPDReg(59, 0xBEEF));
  EXPECT_EQ(ctrl.getCPDReg(59), 0xBEEFu);

  EXPECT_EQ(linesOf(std::cout,
                    [&] {
                      EXPECT_FALSE(ctrl.setCPDReg(60, 1));
                      EXPECT_EQ(ctrl.getCPDReg(60), 0u);
                    }),
            tLines(2, "Invalid DxNr in cK5CPDHdwCtrl::setCPDReg"));
  EXPECT_TRUE(sim().trace().empty());  // all of it stays in the shadow image
}

TEST_F(CPDHdwCtrlTest, ImageCopyWriteAndReadBack) {
  unsigned char ok = 0;
  cK5CPDHdwCtrl writer(krv5(), 4, ok);
  cK5CPDRegSet set;
  set.setReg(0, 10);
  set.setReg(30, 20);
  ASSERT_TRUE(writer.setCPDReg(set));
  writer.setCPDOnly(true);
  EXPECT_EQ(sim().cpd(4).writtenBy[1], k5BankWriteSetOnly);
  EXPECT_EQ(std::vector<unsigned int>(sim().cpd(4).bank[1].begin(), sim().cpd(4).bank[1].end()),
            image({{0, 10}, {30, 20}}));

  cK5CPDHdwCtrl reader(krv5(), 4, ok);
  EXPECT_TRUE(reader.readCPD(true));
  EXPECT_EQ(reader.getCPDReg(30), 20u);
}

TEST_F(CPDHdwCtrlTest, LookupFailuresGiveOkZero) {
  unsigned char ok = 1;
  sim().injectThrow("cpdCtrl@5", "none");
  cK5CPDHdwCtrl thrown(krv5(), 5, ok);
  EXPECT_EQ(ok, 0);
  EXPECT_EQ(thrown.pK5CPDCtrl, nullptr);

  ok = 1;
  sim().injectNull("cpdCtrl@5");
  cK5CPDHdwCtrl null(krv5(), 5, ok);
  EXPECT_EQ(ok, 0);
  EXPECT_EQ(linesOf(std::cerr, [&] { null.setCPD(false); }),
            tLines{"PIDBG: cK5CPDHdwCtrl::setCPD failed #1 !"});
  EXPECT_FALSE(null.readCPD(false));
}

}  // namespace
