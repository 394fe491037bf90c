#include <gtest/gtest.h>

#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cA5H5InterfaceT.h"
#include "cK5AbstractCPDCtrl.h"
#include "cK5CpdCtrl.h"
#include "cK5PDIOCtrl.h"
#include "cK5SmartPSCtrl.h"
#include "hardwareTestSupport.h"
#include "moduleGlobals.h"
#include "tCaseName.h"
#include "tLineTap.h"

namespace {

typedef tK5TraceEvent tE;

const tPairs kInitWrites = {{1, 20000}, {5, 5000}, {4, 1800}, {3, 1800}, {0, 1800}, {2, 800}};
const tPairs kResetWrites = {{2, 800}, {0, 1800}, {3, 1800}, {4, 1800}, {5, 5000}};

// The interface never reads the user-interface object, so any suitably
// aligned storage stands in for it.
alignas(16) unsigned char gUiStorage[64];
cAlgoModuleUiInterface& ui() { return *reinterpret_cast<cAlgoModuleUiInterface*>(gUiStorage); }

class InterfaceTest : public tHardwareTest {
protected:
  void SetUp() override {
    tHardwareTest::SetUp();
    IOSpace = 0x1234;
    mFPGAMapping = 0x5678;
    PSCtrl = nullptr;
    CPDCtrl = nullptr;
    K5Device = nullptr;
    mConfigs.addCpdConfig(makeConfig("SETUP", {{2, 7, 0x70}}));
    mpCpd.reset(new cK5CpdCtrl(krv5(), &mConfigs));
  }

  std::unique_ptr<cA5H5InterfaceT> build(unsigned char& ok) {
    return std::unique_ptr<cA5H5InterfaceT>(new cA5H5InterfaceT(krv5(), *mpCpd, ok, ui()));
  }

  // A good interface with a clean trace.
  std::unique_ptr<cA5H5InterfaceT> ready() {
    unsigned char ok = 0;
    std::unique_ptr<cA5H5InterfaceT> iface = build(ok);
    EXPECT_EQ(ok, 1);
    sim().clearTrace();
    return iface;
  }

  cCfgFileDeviceCpdConfigs mConfigs;
  std::unique_ptr<cK5CpdCtrl> mpCpd;
};

TEST_F(InterfaceTest, ConstructionBindsGlobalsStartsSuppliesAndEnablesLast) {
  sim().setFpgaBaseMappingAddr(0x51234000u);
  unsigned char ok = 0;
  std::unique_ptr<cA5H5InterfaceT> iface = build(ok);
  ASSERT_EQ(ok, 1);
  EXPECT_EQ(IOSpace, cK5SimProgrammer::kRegBaseToken);
  EXPECT_EQ(mFPGAMapping, 0x51234000u);
  EXPECT_EQ(PSCtrl, krv5().getSmartPSCtrl());
  EXPECT_EQ(CPDCtrl, sim().pdio(0)->cpdCtrl());
  EXPECT_EQ(K5Device, &krv5().getKorvo5Device());

  EXPECT_EQ(sim().supplyWrites(), kInitWrites);
  EXPECT_EQ(mcuWrites(), (tPairs{{0xA6, 1}}));
  const tK5TraceEvent& last = sim().trace().back();
  EXPECT_EQ(last.kind, tE::tkMcuWrite);
  EXPECT_EQ(last.a, 0xA6u);
}

TEST_F(InterfaceTest, DestructionDisablesThenRestsTheSuppliesAndKeepsTheGlobals) {
  std::unique_ptr<cA5H5InterfaceT> iface = ready();
  iface->setVgate(23000);
  sim().clearTrace();
  iface.reset();
  EXPECT_EQ(mcuWrites(), (tPairs{{0xA6, 0}}));
  EXPECT_EQ(sim().supplyWrites(), kResetWrites);  // VGATE 23000 is not lowered
  EXPECT_TRUE(sim().containsInOrder({cK5SimProgrammer::eventIs(tE::tkMcuWrite, 0xA6, 0),
                                     cK5SimProgrammer::eventIs(tE::tkSupply)}));
  EXPECT_EQ(IOSpace, cK5SimProgrammer::kRegBaseToken);
  EXPECT_EQ(PSCtrl, krv5().getSmartPSCtrl());
  EXPECT_EQ(K5Device, &krv5().getKorvo5Device());
}

struct tLookupFault {
  const char* name;
  const char* point;
  bool null;
};

class InterfaceLookupFault : public InterfaceTest,
                             public testing::WithParamInterface<tLookupFault> {};

TEST_P(InterfaceLookupFault, GivesOkZeroAndLeavesTheHardwareAlone) {
  const tLookupFault& c = GetParam();
  if (c.null) {
    sim().injectNull(c.point);
  } else {
    sim().injectThrow(c.point, "lookup failed");
  }
  unsigned char ok = 1;
  std::unique_ptr<cA5H5InterfaceT> iface = build(ok);
  EXPECT_EQ(ok, 0);
  iface.reset();

  EXPECT_TRUE(mcuWrites().empty());
  EXPECT_TRUE(sim().supplyWrites().empty());
  // A binding that failed names nothing of the handle.
  EXPECT_EQ(PSCtrl, nullptr);
  EXPECT_EQ(CPDCtrl, nullptr);
  EXPECT_EQ(K5Device, nullptr);
  EXPECT_EQ(IOSpace, 0x1234u);
  EXPECT_EQ(mFPGAMapping, 0x5678u);
  EXPECT_EQ(krv5().getErrorInfo(), c.null ? "" : "Fatal (exception): lookup failed");
}

INSTANTIATE_TEST_SUITE_P(Faults, InterfaceLookupFault,
                         testing::Values(tLookupFault{"FpgaThrows", "fpgaCtrl@0", false},
                                         tLookupFault{"FpgaNull", "fpgaCtrl@0", true},
                                         tLookupFault{"PdioThrows", "pdioCtrl@0", false},
                                         tLookupFault{"CpdThrows", "cpdCtrl@0", false},
                                         tLookupFault{"CpdNull", "cpdCtrl@0", true}),
                         tCaseName());

// A host text thrown part way through construction shows how far it got:
// each step only runs after the ones before it, and the globals are bound,
// all at once, only after the last lookup.
struct tBindFault {
  const char* name;
  const char* point;
  bool bound;
  tPairs supplies;
};

class InterfaceBindOrder : public InterfaceTest, public testing::WithParamInterface<tBindFault> {};

TEST_P(InterfaceBindOrder, StepsRunInOrderAndTheEnableComesLast) {
  const tBindFault& c = GetParam();
  sim().setFpgaBaseMappingAddr(0x51234000u);
  sim().injectThrow(c.point, "host fault");
  unsigned char ok = 0;
  EXPECT_THROW(build(ok), std::string);

  EXPECT_EQ(PSCtrl, c.bound ? krv5().getSmartPSCtrl() : nullptr);
  EXPECT_EQ(CPDCtrl, c.bound ? sim().pdio(0)->cpdCtrl() : nullptr);
  EXPECT_EQ(K5Device, c.bound ? &krv5().getKorvo5Device() : nullptr);
  EXPECT_EQ(IOSpace, c.bound ? cK5SimProgrammer::kRegBaseToken : 0x1234u);
  EXPECT_EQ(mFPGAMapping, c.bound ? 0x51234000u : 0x5678u);
  EXPECT_EQ(sim().supplyWrites(), c.supplies);
  EXPECT_TRUE(mcuWrites().empty());
}

INSTANTIATE_TEST_SUITE_P(Faults, InterfaceBindOrder,
                         testing::Values(tBindFault{"Config", "config", false, {}},
                                         tBindFault{"ProductInfo", "productInfo", false, {}},
                                         tBindFault{
                                             "MappingAddress", "fpgaBaseMappingAddr", false, {}},
                                         tBindFault{"SupplyStart", "setSupplyVoltage", true, {}},
                                         tBindFault{"EnableWrite", "register", true, kInitWrites}),
                         tCaseName());

// Without the product information there is no mapping to time the waits
// with: as much a failed lookup as a missing control.
TEST_F(InterfaceTest, NullProductLookupGivesOkZeroAndLeavesTheHardwareAlone) {
  for (const char* point : {"config", "productInfo"}) {
    SCOPED_TRACE(point);
    sim().clearTrace();
    sim().injectNull(point);
    unsigned char ok = 1;
    std::unique_ptr<cA5H5InterfaceT> iface = build(ok);
    EXPECT_EQ(ok, 0);
    iface.reset();
    EXPECT_EQ(mFPGAMapping, 0x5678u);
    EXPECT_TRUE(mcuWrites().empty());
    EXPECT_TRUE(sim().supplyWrites().empty());
  }
}

// A destructor must not let a host text escape: each failing step is logged
// and the other step still runs.
TEST_F(InterfaceTest, HostFaultsInTheDestructorAreOnlyLogged) {
  struct Case {
    const char* point;
    tPairs mcu;
    tPairs supplies;
  };
  for (const Case& c :
       {Case{"register", {}, kResetWrites}, Case{"setSupplyVoltage", {{0xA6, 0}}, {}}}) {
    SCOPED_TRACE(c.point);
    std::unique_ptr<cA5H5InterfaceT> iface = ready();
    sim().injectThrow(c.point, "host fault");
    EXPECT_EQ(linesOf(std::cerr, [&] { iface.reset(); }),
              tLines{"PIDBG: catch in ~cA5H5InterfaceT: host fault"});
    EXPECT_EQ(mcuWrites(), c.mcu);
    EXPECT_EQ(sim().supplyWrites(), c.supplies);
  }
}

struct tWriteCase {
  const char* name;
  std::function<void(cA5H5InterfaceT&)> action;
  tPairs writes;
};

class InterfaceRegisterWrites : public InterfaceTest,
                                public testing::WithParamInterface<tWriteCase> {};

TEST_P(InterfaceRegisterWrites, WriteExactlyThese) {
  std::unique_ptr<cA5H5InterfaceT> iface = ready();
  GetParam().action(*iface);
  EXPECT_EQ(mcuWrites(), GetParam().writes);
  EXPECT_TRUE(sim().supplyWrites().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Table, InterfaceRegisterWrites,
    testing::Values(
        tWriteCase{"LoadAddrRegHighHalfFirst",
                   [](cA5H5InterfaceT& i) { i.loadAddrReg(65538); },
                   {{0x82, 1}, {0x80, 2}}},
        tWriteCase{"LoadAddrRegTopBits",
                   [](cA5H5InterfaceT& i) { i.loadAddrReg(0xFEDCBA98ul); },
                   {{0x82, 0xFEDC}, {0x80, 0xBA98}}},
        tWriteCase{"DirWriteThenRead",
                   [](cA5H5InterfaceT& i) {
                     i.setDir_WR();
                     i.setDir_RD();
                   },
                   {{0x42, 1}, {0x44, 1}}},
        tWriteCase{"DataOut",
                   [](cA5H5InterfaceT& i) {
                     i.loadDataReg(0x1234);
                     i.putData(0xFFFF);
                     i.putDataInc(0x00A5);
                   },
                   {{0x86, 0x1234}, {0x86, 0xFFFF}, {0x88, 0x00A5}}},
        tWriteCase{"RunControl",
                   [](cA5H5InterfaceT& i) {
                     i.FPGA_start();
                     i.FPGA_stop();
                     i.FPGA_setPrescaler(7);
                     i.FPGA_setClkSource(2);
                   },
                   {{0xB6, 1}, {0xB6, 0}, {0xB4, 7}, {0xB0, 2}}},
        tWriteCase{"LineTwoSet", [](cA5H5InterfaceT&) { cPinDriverLS<2>().set(); }, {{0x42, 4}}},
        tWriteCase{
            "LineThreeReset", [](cA5H5InterfaceT&) { cPinDriverLS<3>().reset(); }, {{0x44, 8}}},
        tWriteCase{"LineOneBoth",
                   [](cA5H5InterfaceT&) {
                     cPinDriverLS<1> line;
                     line.set();
                     line.reset();
                   },
                   {{0x42, 2}, {0x44, 2}}}),
    tCaseName());

TEST_F(InterfaceTest, SynchronizeStopsWaitsFiftyCyclesAndRuns) {
  std::unique_ptr<cA5H5InterfaceT> iface = ready();
  iface->FPGA_synchronize();
  EXPECT_TRUE(sim().containsInOrder({cK5SimProgrammer::eventIs(tE::tkMcuWrite, 0xB6, 0),
                                     cK5SimProgrammer::eventIs(tE::tkWait, 50, mFPGAMapping),
                                     cK5SimProgrammer::eventIs(tE::tkMcuWrite, 0xB6, 1)}));
  EXPECT_EQ(sim().waitedCycles(), 50u);
}

TEST_F(InterfaceTest, ReadsComeFromTheirRegisters) {
  std::unique_ptr<cA5H5InterfaceT> iface = ready();
  sim().setMcuRegister(0x60, 0x0200);
  sim().setMcuRegister(0x84, 0x8001);
  sim().setMcuRegister(0x8A, 0x4321);

  EXPECT_TRUE(cPinStateCMP<9>().high());
  EXPECT_FALSE(cPinStateCMP<9>().low());
  EXPECT_FALSE(cPinStateCMP<3>().high());
  EXPECT_EQ(iface->rbData(), 0x0200);
  EXPECT_EQ(iface->getData(), 0x8001);
  EXPECT_EQ(iface->getDataInc(), 0x4321);
  // All 16 bits count.
  EXPECT_TRUE(iface->DataIsEqual(0x8001));
  EXPECT_FALSE(iface->DataIsEqual(0x0001));
  EXPECT_FALSE(iface->DataIsEqual(0x8000));
  EXPECT_TRUE(mcuWrites().empty());
}

TEST_F(InterfaceTest, ComparatorLowReadsOnItsOwn) {
  std::unique_ptr<cA5H5InterfaceT> iface = ready();
  cPinStateCMP<9> pin;
  sim().setMcuRegister(0x60, 0x0200);
  EXPECT_TRUE(pin.high());
  sim().setMcuRegister(0x60, 0x0000);
  EXPECT_TRUE(pin.low());
  EXPECT_EQ(sim().traceOf(tE::tkMcuRead).size(), 2u);
}

// Further pin-driver banks repeat the comparator and data-in registers every
// 0x200 bytes; each call reads its own register once.
TEST_F(InterfaceTest, BankReadsStepByBank) {
  std::unique_ptr<cA5H5InterfaceT> iface = ready();
  const unsigned short data[] = {0x1111, 0x2222, 0x3333, 0x4444};
  for (unsigned int bank = 0; bank < 4; ++bank)
    sim().setMcuRegister(0x84 + bank * 0x200, data[bank]);
  // Bit 7 clear on banks 1 and 3 only; the other bits must not count.
  sim().setMcuRegister(0x60, 0x0080);
  sim().setMcuRegister(0x260, 0xFF7F);
  sim().setMcuRegister(0x460, 0x0080);
  sim().setMcuRegister(0x660, 0x0000);

  for (unsigned int bank = 0; bank < 4; ++bank) EXPECT_EQ(iface->getData(bank), data[bank]) << bank;
  const cPinStateCMP<7> pin;
  EXPECT_FALSE(pin.low(0));
  EXPECT_TRUE(pin.low(1));
  EXPECT_FALSE(pin.low(2));
  EXPECT_TRUE(pin.low(3));

  tPairs reads;
  for (const tK5TraceEvent& e : sim().traceOf(tE::tkMcuRead)) reads.push_back({e.a, e.b});
  EXPECT_EQ(reads, (tPairs{{0x84, 0x1111},
                           {0x284, 0x2222},
                           {0x484, 0x3333},
                           {0x684, 0x4444},
                           {0x60, 0x0080},
                           {0x260, 0xFF7F},
                           {0x460, 0x0080},
                           {0x660, 0x0000}}));
  EXPECT_TRUE(mcuWrites().empty());
}

// Only the signal test's constructor fills the table of further pin-driver
// controls; the framework's leaves it empty however many boards there are.
TEST_F(InterfaceTest, FrameworkConstructorLeavesThePinDriverTableEmpty) {
  sim().setNumInstalledPDIOs(7);
  std::unique_ptr<cA5H5InterfaceT> iface = ready();
  EXPECT_EQ(iface->getCPDCtrlTable(), cA5H5InterfaceT::tCPDCtrlTable{});
}

TEST_F(InterfaceTest, SupplyLevelsGoThroughTheGuardedFrontEnd) {
  std::unique_ptr<cA5H5InterfaceT> iface = ready();
  iface->setVLevels(900, 3300);
  iface->setVls(2500);
  iface->setVcomp(1000);
  iface->setVgate(20000);  // not above the start level: nothing
  iface->setVgate(24000);
  EXPECT_EQ(sim().supplyWrites(), (tPairs{{2, 900}, {0, 3300}, {0, 2500}, {2, 1000}, {1, 24000}}));
}

TEST_F(InterfaceTest, SupplyModuleStoresItsLevelBeforeTheSupplyIsSet) {
  std::unique_ptr<cA5H5InterfaceT> iface = ready();
  cVCPxModule<VCP1> vcp1;
  EXPECT_EQ(vcp1.getVoltage(), 0u);
  vcp1.setVoltage(12000);
  EXPECT_EQ(vcp1.getVoltage(), 12000u);
  EXPECT_EQ(sim().supplyWrites(), (tPairs{{5, 12000}, {3, 12000}}));

  // When the VCP3 raise does not go through, the level is stored all the same.
  // The guard keeps VCP3 at or above VCP1 and VCP2, so a raise that the
  // front end itself refuses cannot arise here; a host that throws stands in.
  cK5SmartPSCtrl& ps = *krv5().getSmartPSCtrl();
  ps.reset();
  sim().clearTrace();
  sim().injectThrow("setSupplyVoltage", "supply fault");
  cVCPxModule<VCP1> raised;
  EXPECT_THROW(raised.setVoltage(12000), std::string);
  EXPECT_EQ(raised.getVoltage(), 12000u);
  EXPECT_TRUE(sim().supplyWrites().empty());

  sim().clearTrace();
  sim().injectThrow("setSupplyVoltage", "supply fault");
  cVCPxModule<VCP2> vcp2;
  EXPECT_THROW(vcp2.setVoltage(15000), std::string);
  EXPECT_EQ(vcp2.getVoltage(), 15000u);
}

TEST_F(InterfaceTest, SupplyModuleOutputEnables) {
  std::unique_ptr<cA5H5InterfaceT> iface = ready();
  cVCPxModule<VCP1> vcp1;
  cVCPxModule<VCP2> vcp2;
  vcp1.enable();
  vcp2.enable();
  vcp1.disable();
  vcp2.disable();
  EXPECT_TRUE(sim().containsInOrder({cK5SimProgrammer::eventIs(tE::tkCpdOutput, k5OutVcp1, 0, 0),
                                     cK5SimProgrammer::eventIs(tE::tkCpdOutput, k5OutVcp2, 0, 0),
                                     cK5SimProgrammer::eventIs(tE::tkCpdOutput, k5OutVcp1, 1, 0),
                                     cK5SimProgrammer::eventIs(tE::tkCpdOutput, k5OutVcp2, 1, 0)}));
  EXPECT_EQ(sim().traceOf(tE::tkCpdOutput).size(), 4u);
}

TEST_F(InterfaceTest, StateLedsAndInterrupts) {
  std::unique_ptr<cA5H5InterfaceT> iface = ready();
  iface->LedBusyOn();
  iface->lockInterrupts();
  iface->unlockInterrupts();
  iface->LedReadyOn();
  EXPECT_EQ(sim().stateHistory(), (std::vector<int>{3, 1}));
  EXPECT_TRUE(sim().containsInOrder({cK5SimProgrammer::eventIs(tE::tkState, 3),
                                     cK5SimProgrammer::eventIs(tE::tkLockInterrupts),
                                     cK5SimProgrammer::eventIs(tE::tkUnlockInterrupts),
                                     cK5SimProgrammer::eventIs(tE::tkState, 1)}));
}

TEST_F(InterfaceTest, StateLedsWithoutAStateControllerDoNothing) {
  std::unique_ptr<cA5H5InterfaceT> iface = ready();
  sim().injectNull("deviceCtrl");
  iface->LedBusyOn();
  sim().injectNull("stateCtrl");
  iface->LedReadyOn();
  EXPECT_TRUE(sim().stateHistory().empty());
  iface->LedBusyOn();
  EXPECT_EQ(sim().stateHistory(), (std::vector<int>{3}));
}

TEST_F(InterfaceTest, NamedConfigurationGoesToABankThenThatBankGoesLive) {
  std::unique_ptr<cA5H5InterfaceT> iface = ready();
  EXPECT_EQ(linesOf(std::cerr,
                    [&] {
                      EXPECT_TRUE(iface->CPD_transmitConfig("SETUP", true));
                      EXPECT_EQ(sim().cpd(2).writtenBy[1], k5BankWriteSetOnly);
                      EXPECT_FALSE(sim().cpd(2).liveValid);
                      EXPECT_TRUE(iface->CPD_enableConfigReg(true));
                    }),
            tLines{});
  EXPECT_TRUE(sim().cpd(2).liveValid);
  EXPECT_EQ(sim().cpd(2).liveBank, 1u);
  EXPECT_EQ(sim().cpd(2).live[7], 0x70u);
  EXPECT_EQ(iface->getCpdErrorInfo(), "");
}

// The caller learns of a failed switch and can show the control's reason.
TEST_F(InterfaceTest, FailedConfigurationSwitchIsReportedWithItsReason) {
  std::unique_ptr<cA5H5InterfaceT> iface = ready();
  {
    tLineTap tap(std::cerr);
    EXPECT_FALSE(iface->CPD_transmitConfig("SETUPi", false));
    EXPECT_EQ(tap.lines,
              (std::vector<std::string>{
                  "PIDBG: cK5CpdCtrl::transmitCpdConfig::setupCpdConfig(sLabel) failed. SETUPi"}));
  }
  EXPECT_EQ(iface->getCpdErrorInfo(), "Can not get CPD config: SETUPi.\n");
  EXPECT_EQ(iface->getCpdErrorInfo(), "");  // handed out once

  // Without a slot-0 control nothing can be made live.
  iface.reset();
  cK5CpdCtrl fresh(krv5(), &mConfigs);
  unsigned char ok = 0;
  cA5H5InterfaceT other(krv5(), fresh, ok, ui());
  ASSERT_EQ(ok, 1);
  EXPECT_FALSE(other.CPD_enableConfigReg(false));
  EXPECT_FALSE(sim().cpd(2).liveValid);
}

}  // namespace
