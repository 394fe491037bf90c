#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "holtekTestSupport.h"
#include "mcHInterface.h"

namespace {

const tTokens kStartLevels = {supply(PS_VGATE, 20000), supply(PS_VCP3, 5000),
                              supply(PS_VCP2, 1800),   supply(PS_VCP1, 1800),
                              supply(PS_VLS, 1800),    supply(PS_VCOMP, 800)};
const tTokens kRestLevels = {supply(PS_VCOMP, 800), supply(PS_VLS, 1800), supply(PS_VCP1, 1800),
                             supply(PS_VCP2, 1800), supply(PS_VCP3, 5000)};

class HoltekInterfaceLifetime : public tHardwareTest {
protected:
  std::unique_ptr<mcHInterface> build(unsigned char& ok) {
    mpCpd.reset(new cK5CpdCtrl(krv5(), nullptr));
    sim().clearTrace();
    return std::unique_ptr<mcHInterface>(new mcHInterface(krv5(), *mpCpd, ok, holtekUi()));
  }

  std::unique_ptr<cK5CpdCtrl> mpCpd;
};

// The members touch no hardware: building and releasing the interface is
// exactly what the programming interface does.
TEST_F(HoltekInterfaceLifetime, BindsStartsAndEnablesThenDisablesAndRests) {
  unsigned char ok = 0;
  std::unique_ptr<mcHInterface> hw = build(ok);
  ASSERT_EQ(ok, 1);
  tTokens expected = kStartLevels;
  expected.push_back("A6=0001");
  EXPECT_EQ(wireTokens(), expected);

  sim().clearTrace();
  hw.reset();
  expected = {"A6=0000"};
  append(expected, kRestLevels);
  EXPECT_EQ(wireTokens(), expected);
}

TEST_F(HoltekInterfaceLifetime, FailedBindingGivesOkZeroAndLeavesTheHardwareAlone) {
  sim().injectThrow("fpgaCtrl@0", "no FPGA");
  unsigned char ok = 1;
  std::unique_ptr<mcHInterface> hw = build(ok);
  EXPECT_EQ(ok, 0);
  hw.reset();
  EXPECT_EQ(wireTokens(), tTokens{});
}

class HoltekInterface : public tHoltekTest {};

// SCK and SDO share lines 2 and 3 with L2 and L3.
TEST_F(HoltekInterface, LinesDriveTheirOwnBits) {
  mcHInterface& h = *mpHw;
  h.mL1.set();
  h.mL2.set();
  h.mL3.set();
  h.mSck.reset();
  h.mSdo.reset();
  h.mL1Spare.set();
  h.mL4.set();
  h.mL1.reset();
  EXPECT_EQ(wireTokens(), (tTokens{hi(1), hi(2), hi(3), lo(2), lo(3), hi(1), hi(4), lo(1)}));
}

// VCP3 is raised first so that it stays at or above VCP2.
TEST_F(HoltekInterface, SuppliesAreVcp1AndVcp2) {
  mcHInterface& h = *mpHw;
  h.mVcc.setVoltage(3300);
  h.mVpp.setVoltage(9000);
  h.mVcc.enable();
  h.mVpp.enable();
  h.mVpp.disable();
  h.mVcc.disable();
  EXPECT_EQ(wireTokens(),
            (tTokens{supply(PS_VCP1, 3300), supply(PS_VCP3, 9000), supply(PS_VCP2, 9000),
                     output(k5OutVcp1, true), output(k5OutVcp2, true), output(k5OutVcp2, false),
                     output(k5OutVcp1, false)}));
}

TEST_F(HoltekInterface, ComparatorsReadTheirOwnBits) {
  struct Case {
    unsigned short reg;
    bool vccHigh;
    bool sdiHigh;
  };
  // Without the stub the register file answers.
  unplug(mStub);
  for (const Case& c :
       {Case{0x0200, true, false}, Case{0x0008, false, true}, Case{0xFDF7, false, false}}) {
    SCOPED_TRACE(c.reg);
    sim().setMcuRegister(0x60, c.reg);
    EXPECT_EQ(mpHw->mVccCmp.high(), c.vccHigh);
    EXPECT_EQ(mpHw->mVccCmp.low(), !c.vccHigh);
    EXPECT_EQ(mpHw->mSdi.high(), c.sdiHigh);
  }
}

}  // namespace
