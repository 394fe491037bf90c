#include <gtest/gtest.h>

#include <functional>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "cK5AbstractPSCtrl.h"
#include "cK5SmartPSCtrl.h"
#include "hardwareTestSupport.h"
#include "tCaseName.h"
#include "tLineTap.h"

namespace {

class SmartPSCtrlTest : public tHardwareTest {
protected:
  cK5SmartPSCtrl& ps() { return *krv5().getSmartPSCtrl(); }
};

const tPairs kInitWrites = {{1, 20000}, {5, 5000}, {4, 1800}, {3, 1800}, {0, 1800}, {2, 800}};

TEST_F(SmartPSCtrlTest, InitFromZeroSendsTheStartLevelsInOrder) {
  ps().init();
  EXPECT_EQ(sim().supplyWrites(), kInitWrites);
}

TEST_F(SmartPSCtrlTest, ConstructionTouchesNoSupply) {
  // The handle built its front end in SetUp; the trace before it was cleared
  // is not visible, so build one more.
  sim().clearTrace();
  cK5SmartPSCtrl other(*krv5().getPSCtrl());
  EXPECT_TRUE(sim().supplyWrites().empty());
}

// The alarm frame of a refused VCP3 level, with a line for each supply
// (name, level) that lies above it.
tLines alarmFrame(unsigned int mV, const std::vector<std::pair<std::string, unsigned int>>& above) {
  const std::string slashes = "PIDBG: " + std::string(64, '/');
  const std::string blank = "PIDBG: ///" + std::string(58, ' ') + "///";
  tLines lines = {
      "PIDBG: ////// cK5SmartPSCtrl::setVcp3, mV: " + std::to_string(mV) + " - ignored", slashes,
      "PIDBG: /// ALARM !!! ALARM !!! ALARM !!! ALARM !!! ALARM !!! ALARM  ///", slashes, blank};
  for (const auto& supply : above) {
    lines.push_back("PIDBG: ///  " + supply.first + " is " + std::to_string(supply.second) +
                    " mV, but you try set VCP3 to " + std::to_string(mV) + " mV !!!  ///");
  }
  lines.push_back(blank);
  lines.push_back(slashes);
  return lines;
}

TEST_F(SmartPSCtrlTest, RefusedVcp3WritesTheWholeAlarmFrameAndSendsNothing) {
  ps().init();
  sim().clearTrace();
  EXPECT_EQ(linesOf(std::cerr, [&] { ps().setVcp3(1000); }),
            alarmFrame(1000, {{"VCP1", 1800}, {"VCP2", 1800}}));
  EXPECT_TRUE(sim().supplyWrites().empty());

  // Nothing cached either: a later VCP3 of 3000 is still judged against VGATE 20000.
  ps().setVcp3(3000);
  EXPECT_EQ(sim().supplyWrites(), (tPairs{{5, 3000}}));
}

TEST_F(SmartPSCtrlTest, AlarmFrameNamesOnlyTheSupplyThatIsAbove) {
  ps().init();
  ps().setVcp2(9000);  // VCP3 follows to 9000; VCP1 stays 1800
  EXPECT_EQ(linesOf(std::cerr, [&] { ps().setVcp3(5000); }), alarmFrame(5000, {{"VCP2", 9000}}));
}

struct tSupplyCase {
  const char* name;
  std::function<void(cK5SmartPSCtrl&)> action;
  tPairs writes;
};

class SmartPSCtrlAfterInit : public SmartPSCtrlTest,
                             public testing::WithParamInterface<tSupplyCase> {};

TEST_P(SmartPSCtrlAfterInit, SendsExactlyTheseLevels) {
  ps().init();
  sim().clearTrace();
  GetParam().action(ps());
  EXPECT_EQ(sim().supplyWrites(), GetParam().writes);
}

INSTANTIATE_TEST_SUITE_P(
    Guards, SmartPSCtrlAfterInit,
    testing::Values(
        tSupplyCase{"Vcp3CoveredByGate", [](cK5SmartPSCtrl& p) { p.setVcp3(3000); }, {{5, 3000}}},
        tSupplyCase{"Vcp2RaisesGateAndVcp3First",
                    [](cK5SmartPSCtrl& p) { p.setVcp2(16000); },
                    {{1, 21000}, {5, 16000}, {4, 16000}}},
        tSupplyCase{"Vcp2ThenResetKeepsRaisedGate",
                    [](cK5SmartPSCtrl& p) {
                      p.setVcp2(16000);
                      p.reset();
                    },
                    {{1, 21000},
                     {5, 16000},
                     {4, 16000},
                     {2, 800},
                     {0, 1800},
                     {3, 1800},
                     {4, 1800},
                     {5, 5000}}},
        tSupplyCase{"Vcp1RaisesVcp3ThenItself",
                    [](cK5SmartPSCtrl& p) { p.setVcp1(12000); },
                    {{5, 12000}, {3, 12000}}},
        tSupplyCase{"GateEqualIsIgnored", [](cK5SmartPSCtrl& p) { p.setVGate(20000); }, {}},
        tSupplyCase{"GateLowerIsIgnored", [](cK5SmartPSCtrl& p) { p.setVGate(19999); }, {}},
        tSupplyCase{"GateHigherIsSent", [](cK5SmartPSCtrl& p) { p.setVGate(20001); }, {{1, 20001}}},
        tSupplyCase{
            "Vcp3MayComeDownToVcp1", [](cK5SmartPSCtrl& p) { p.setVcp3(1800); }, {{5, 1800}}},
        tSupplyCase{"VlsAndVcompUnguarded",
                    [](cK5SmartPSCtrl& p) {
                      p.setVls(0);
                      p.setVcomp(60000);
                    },
                    {{0, 0}, {2, 60000}}},
        tSupplyCase{"ResetAfterInitSendsAllButGate",
                    [](cK5SmartPSCtrl& p) { p.reset(); },
                    {{2, 800}, {0, 1800}, {3, 1800}, {4, 1800}, {5, 5000}}},
        tSupplyCase{"HugeVcp3KeepsGateAbove",
                    [](cK5SmartPSCtrl& p) { p.setVcp3(4294967000u); },
                    {{1, 4294967295u}, {5, 4294967000u}}}),
    tCaseName());

TEST_F(SmartPSCtrlTest, FromZeroCachesVcp1RaisesGateVcp3AndVcp1) {
  ps().setVcp1(5000);
  EXPECT_EQ(sim().supplyWrites(), (tPairs{{1, 10000}, {5, 5000}, {3, 5000}}));
}

TEST_F(SmartPSCtrlTest, InitStartsFromZeroedCaches) {
  ps().setVGate(30000);
  ps().init();
  // A VGATE of 30000 sent before is forgotten: init sends 20000 again.
  EXPECT_EQ(sim().supplyWrites().at(1), (std::pair<unsigned int, unsigned int>(1, 20000)));
}

struct tVoltsCase {
  float volts;
  unsigned int mV;
};

class SmartPSCtrlVolts : public SmartPSCtrlTest, public testing::WithParamInterface<tVoltsCase> {};

TEST_P(SmartPSCtrlVolts, FloatSettersTruncateToMillivolts) {
  ps().SetVls(GetParam().volts);
  ps().SetVcomp(GetParam().volts);
  EXPECT_EQ(sim().supplyWrites(), (tPairs{{0, GetParam().mV}, {2, GetParam().mV}}));
}

INSTANTIATE_TEST_SUITE_P(Conversion, SmartPSCtrlVolts,
                         testing::Values(tVoltsCase{5.0f, 5000}, tVoltsCase{1.8f, 1800},
                                         tVoltsCase{0.0015f, 1}, tVoltsCase{3.3339f, 3333},
                                         tVoltsCase{-1.0f, 0}));

TEST_F(SmartPSCtrlTest, FloatVcpSettersKeepTheGuards) {
  cK5SmartPSCtrl byVolts(*krv5().getPSCtrl());
  byVolts.SetVcp1(5.0f);
  const tPairs viaFloat = sim().supplyWrites();
  sim().clearTrace();
  cK5SmartPSCtrl byMillivolts(*krv5().getPSCtrl());
  byMillivolts.setVcp1(5000);
  EXPECT_EQ(viaFloat, sim().supplyWrites());
  EXPECT_EQ(viaFloat, (tPairs{{1, 10000}, {5, 5000}, {3, 5000}}));

  sim().clearTrace();
  byVolts.SetVcp2(6.0f);
  // Below VCP2 6000 (and above VCP1 5000): refused.
  EXPECT_EQ(linesOf(std::cerr, [&] { byVolts.SetVcp3(5.5f); }), alarmFrame(5500, {{"VCP2", 6000}}));
  EXPECT_EQ(sim().supplyWrites(), (tPairs{{1, 11000}, {5, 6000}, {4, 6000}}));
}

// ---- the hardware handle ----

class Krv5CtrlTest : public tHardwareTest {};

TEST_F(Krv5CtrlTest, OwningHandleCreatesAndFreesItsDevice) {
  mpKrv5.reset();
  EXPECT_EQ(sim().liveDevices(), 0u);
  unsigned char ok = 0;
  {
    cKrv5Ctrl handle(ok);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(sim().liveDevices(), 1u);
    EXPECT_NE(handle.getSmartPSCtrl(), nullptr);
    EXPECT_EQ(handle.getPSCtrl(), sim().psCtrl());
    EXPECT_EQ(handle.getErrorInfo(), "");
  }
  EXPECT_EQ(sim().liveDevices(), 0u);
}

struct tCtorFault {
  const char* point;
  bool null;
  std::string error;
  unsigned int liveWhileHeld;
};

class Krv5CtrlCtorFault : public Krv5CtrlTest, public testing::WithParamInterface<tCtorFault> {};

TEST_P(Krv5CtrlCtorFault, ReportsThroughOkAndErrorInfo) {
  mpKrv5.reset();
  const tCtorFault& c = GetParam();
  if (c.null) {
    sim().injectNull(c.point);
  } else {
    sim().injectThrow(c.point, "no hardware");
  }
  unsigned char ok = 1;
  {
    cKrv5Ctrl handle(ok);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(handle.getSmartPSCtrl(), nullptr);
    EXPECT_EQ(sim().liveDevices(), c.liveWhileHeld);
    EXPECT_EQ(handle.getErrorInfo(), c.error);
    EXPECT_EQ(handle.getErrorInfo(), "");
  }
  EXPECT_EQ(sim().liveDevices(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, Krv5CtrlCtorFault,
    testing::Values(tCtorFault{"cKorvo5Device", false, "Fatal (exception): no hardware", 0},
                    tCtorFault{"psCtrl", false, "Fatal (exception): no hardware", 1},
                    tCtorFault{"psCtrl", true, "Fatal pointer of cK5AbstractPSCtrl is invalid.",
                               1}));

TEST_F(Krv5CtrlTest, NonOwningHandleWithNullDeviceFails) {
  unsigned char ok = 1;
  cKrv5Ctrl handle(nullptr, ok);
  EXPECT_EQ(ok, 0);
  EXPECT_EQ(handle.getSmartPSCtrl(), nullptr);
  EXPECT_EQ(handle.getErrorInfo(), "Fatal pointer of cKorvo5Device is invalid.");
  EXPECT_EQ(handle.getK5FPGACtrl(0, ok), nullptr);
  EXPECT_EQ(ok, 0);
}

TEST_F(Krv5CtrlTest, NonOwningHandleLeavesTheDeviceAlive) {
  mpKrv5.reset();
  cKorvo5Device* device = new cKorvo5Device();
  unsigned char ok = 0;
  {
    cKrv5Ctrl handle(device, ok);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(&handle.getKorvo5Device(), device);
    EXPECT_NE(handle.getSmartPSCtrl(), nullptr);
  }
  EXPECT_EQ(sim().liveDevices(), 1u);
  delete device;
  EXPECT_EQ(sim().liveDevices(), 0u);
}

TEST_F(Krv5CtrlTest, NonOwningHandleWithoutSupplyControlStillLeavesTheDeviceAlive) {
  mpKrv5.reset();
  struct Case {
    bool null;
    const char* error;
  };
  for (Case c : {Case{false, "Fatal (exception): no supplies"},
                 Case{true, "Fatal pointer of cK5AbstractPSCtrl is invalid."}}) {
    SCOPED_TRACE(c.error);
    cKorvo5Device* device = new cKorvo5Device();
    if (c.null) {
      sim().injectNull("psCtrl");
    } else {
      sim().injectThrow("psCtrl", "no supplies");
    }
    unsigned char ok = 1;
    {
      cKrv5Ctrl handle(device, ok);
      EXPECT_EQ(ok, 0);
      EXPECT_EQ(handle.getSmartPSCtrl(), nullptr);
      EXPECT_EQ(handle.getErrorInfo(), c.error);
    }
    EXPECT_EQ(sim().liveDevices(), 1u);
    delete device;
  }
}

TEST_F(Krv5CtrlTest, SlotGettersHandOutTheHostControls) {
  unsigned char ok = 0;
  EXPECT_EQ(krv5().getK5FPGACtrl(1, ok), sim().pdio(1)->fpgaCtrl());
  EXPECT_EQ(ok, 1);
  ok = 0;
  EXPECT_EQ(krv5().getK5CPDCtrl(6, ok), sim().pdio(6)->cpdCtrl());
  EXPECT_EQ(ok, 1);
}

TEST_F(Krv5CtrlTest, SlotGetterFailuresKeepOnlyTheLastText) {
  unsigned char ok = 1;
  sim().injectThrow("pdioCtrl@3", "slot 3 missing");
  EXPECT_EQ(krv5().getK5FPGACtrl(3, ok), nullptr);
  EXPECT_EQ(ok, 0);
  sim().injectThrow("cpdCtrl", "no pin drivers");
  EXPECT_EQ(krv5().getK5CPDCtrl(2, ok), nullptr);
  EXPECT_EQ(ok, 0);
  // A good call sets ok again but leaves the text.
  EXPECT_NE(krv5().getK5CPDCtrl(2, ok), nullptr);
  EXPECT_EQ(ok, 1);
  EXPECT_EQ(krv5().getErrorInfo(), "Fatal (exception): no pin drivers");
  EXPECT_EQ(krv5().getErrorInfo(), "");
}

TEST_F(Krv5CtrlTest, NullFromTheHostWithoutThrowKeepsOkAtOne) {
  unsigned char ok = 0;
  sim().injectNull("fpgaCtrl");
  EXPECT_EQ(krv5().getK5FPGACtrl(0, ok), nullptr);
  EXPECT_EQ(ok, 1);
  sim().injectNull("pdioCtrl");
  EXPECT_EQ(krv5().getK5CPDCtrl(0, ok), nullptr);
  EXPECT_EQ(ok, 1);
  EXPECT_EQ(krv5().getErrorInfo(), "");
}

}  // namespace
