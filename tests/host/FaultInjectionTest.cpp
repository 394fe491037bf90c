#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "Korvo5.h"
#include "cK5SimProgrammer.h"
#include "tBench.h"

namespace {

using Sim = cK5SimProgrammer;
using Ev = tK5TraceEvent;

class Korvo5Faults : public tBenchTest {
protected:
  Korvo5Faults() : device(new cKorvo5Device()) {}
  std::unique_ptr<cKorvo5Device> device;
};

// The thrown text, or "" when the call did not throw.
std::string thrownBy(const std::function<void()>& call) {
  try {
    call();
  } catch (const std::string& text) {
    return text;
  }
  return "";
}

struct ThrowCase {
  const char* point;
  std::function<void(cKorvo5Device&)> call;
};

TEST_F(Korvo5Faults, EachNamedCallThrowsTheInjectedText) {
  const ThrowCase cases[] = {
      {"cKorvo5Device", [](cKorvo5Device&) { cKorvo5Device d; }},
      {"psCtrl", [](cKorvo5Device& d) { d.psCtrl(); }},
      {"pdioCtrl", [](cKorvo5Device& d) { d.pdioCtrl(0); }},
      {"fpgaCtrl", [](cKorvo5Device& d) { d.pdioCtrl(1)->fpgaCtrl(); }},
      {"cpdCtrl", [](cKorvo5Device& d) { d.pdioCtrl(1)->cpdCtrl(); }},
      {"config", [](cKorvo5Device& d) { d.config(); }},
      {"productInfo", [](cKorvo5Device& d) { d.config()->productInfo(); }},
      {"deviceCtrl", [](cKorvo5Device& d) { d.deviceCtrl(); }},
      {"stateCtrl", [](cKorvo5Device& d) { d.deviceCtrl()->stateCtrl(); }},
      {"setDeviceState", [](cKorvo5Device& d) { d.deviceCtrl()->stateCtrl()->setDeviceState(3); }},
      {"claimDevice",
       [](cKorvo5Device& d) { d.deviceCtrl()->stateCtrl()->claimDevice("usb", "A", false); }},
      {"getClaimedRemoteId",
       [](cKorvo5Device& d) { d.deviceCtrl()->stateCtrl()->getClaimedRemoteId(); }},
      {"getClaimedInterface",
       [](cKorvo5Device& d) { d.deviceCtrl()->stateCtrl()->getClaimedInterface(); }},
      {"register", [](cKorvo5Device&) { mcu_read16(Sim::kRegBaseToken); }},
      {"register", [](cKorvo5Device& d) { d.pdioCtrl(1)->fpgaCtrl()->write16(92, 1); }},
      {"setSupplyVoltage", [](cKorvo5Device& d) { d.psCtrl()->setSupplyVoltage(PS_VLS, 1); }},
      {"switchOffSupplies", [](cKorvo5Device& d) { d.psCtrl()->switchOffSupplies(); }},
      {"writeRegisterSet",
       [](cKorvo5Device& d) {
         d.pdioCtrl(1)->cpdCtrl()->writeRegisterSet(0, cK5CPDRegSet(), nullptr);
       }},
      {"pulseCPDStrobe", [](cKorvo5Device& d) { d.pdioCtrl(0)->cpdCtrl()->pulseCPDStrobe(); }},
      {"setNOE", [](cKorvo5Device& d) { d.pdioCtrl(0)->cpdCtrl()->setNOEVCP3(false); }},
      {"resetFPGA", [](cKorvo5Device& d) { d.pdioCtrl(0)->fpgaCtrl()->resetFPGA(); }},
      {"loadHdw",
       [](cKorvo5Device&) {
         std::string e;
         cK5FPGACtrl::loadHdw(0, "x", 1, e);
       }},
      {"waitBusCycles", [](cKorvo5Device& d) { d.waitBusCycles(1); }},
      {"waitBusCycles", [](cKorvo5Device&) { mcu_wait_bus_cycles(1, 0); }},
  };
  for (const ThrowCase& c : cases) {
    SCOPED_TRACE(c.point);
    sim().clearFaults();
    sim().injectThrow(c.point, std::string("no ") + c.point);
    EXPECT_EQ(thrownBy([&] { c.call(*device); }), std::string("no ") + c.point);
    EXPECT_EQ(thrownBy([&] { c.call(*device); }), "");  // struck once only
  }
}

TEST_F(Korvo5Faults, ThrowsLeaveTheStateAlone) {
  sim().injectThrow("setSupplyVoltage", "x");
  sim().injectThrow("register", "x");
  EXPECT_THROW(device->psCtrl()->setSupplyVoltage(PS_VCP1, 5000), std::string);
  EXPECT_THROW(mcu_write16(Sim::kRegBaseToken + 0x86, 9), std::string);
  EXPECT_EQ(sim().supplyLevel(PS_VCP1), 0u);
  EXPECT_EQ(sim().mcuRegister(0x86), 0);
  EXPECT_TRUE(sim().traceOf(Ev::tkSupply).empty());
  EXPECT_TRUE(sim().traceOf(Ev::tkMcuWrite).empty());
}

TEST_F(Korvo5Faults, NthRegisterAccessThrowsAfterSkip) {
  sim().injectThrow("register", "bus error", 2);
  cK5FPGACtrl* fpga = device->pdioCtrl(1)->fpgaCtrl();
  EXPECT_EQ(thrownBy([] { mcu_read16(Sim::kRegBaseToken + 0x60); }), "");
  EXPECT_EQ(thrownBy([&] { fpga->read16(100); }), "");
  EXPECT_EQ(thrownBy([] { mcu_write16(Sim::kRegBaseToken + 0x86, 1); }), "bus error");
  EXPECT_EQ(thrownBy([&] { fpga->read16(100); }), "");
  EXPECT_EQ(sim().traceOf(Ev::tkMcuWrite).size(), 0u);
}

TEST_F(Korvo5Faults, SlotQualifiedPointStrikesOnlyThatSlot) {
  sim().injectThrow("pdioCtrl@3", "slot 3 missing", 0, Sim::kAlways);
  EXPECT_NO_THROW(device->pdioCtrl(2));
  EXPECT_NO_THROW(device->pdioCtrl(4));
  EXPECT_EQ(thrownBy([&] { device->pdioCtrl(3); }), "slot 3 missing");
  EXPECT_EQ(thrownBy([&] { device->pdioCtrl(3); }), "slot 3 missing");

  sim().clearFaults();
  sim().injectThrow("register@2", "slot 2 dead");
  EXPECT_NO_THROW(mcu_read16(Sim::kRegBaseToken));
  EXPECT_NO_THROW(device->pdioCtrl(1)->fpgaCtrl()->read16(0));
  EXPECT_EQ(thrownBy([&] { device->pdioCtrl(2)->fpgaCtrl()->read16(0); }), "slot 2 dead");
}

TEST_F(Korvo5Faults, TimesLimitsHowOftenAFaultStrikes) {
  sim().injectThrow("waitBusCycles", "t", 1, 2);
  std::vector<std::string> texts;
  for (int i = 0; i < 5; ++i) texts.push_back(thrownBy([&] { device->waitBusCycles(1); }));
  EXPECT_EQ(texts, (std::vector<std::string>{"", "t", "t", "", ""}));
  EXPECT_EQ(sim().waitedCycles(), 3u);
}

TEST_F(Korvo5Faults, NullControlsWithoutThrowing) {
  sim().injectNull("psCtrl");
  sim().injectNull("cpdCtrl@0");
  sim().injectNull("fpgaCtrl", 1);
  EXPECT_EQ(device->psCtrl(), nullptr);
  EXPECT_NE(device->psCtrl(), nullptr);
  EXPECT_NE(device->pdioCtrl(1)->cpdCtrl(), nullptr);
  EXPECT_EQ(device->pdioCtrl(0)->cpdCtrl(), nullptr);
  EXPECT_NE(device->pdioCtrl(0)->fpgaCtrl(), nullptr);
  EXPECT_EQ(device->pdioCtrl(0)->fpgaCtrl(), nullptr);
}

TEST_F(Korvo5Faults, AKindACallCannotShowIsRefusedAndLeavesTheCallAlone) {
  // setCRS has no result: an injected false is refused, nothing strikes.
  EXPECT_THROW(sim().injectFalse("setCRS"), std::invalid_argument);
  cK5AbstractCPDCtrl* cpd0 = device->pdioCtrl(0)->cpdCtrl();
  cpd0->setCRS(1);
  EXPECT_EQ(sim().cpd(0).selectedBank, 1u);
  EXPECT_TRUE(sim().unfiredFaults().empty());
  sim().injectNull("pdioCtrl");
  EXPECT_EQ(device->pdioCtrl(1), nullptr);
}

struct tRefusedFault {
  const char* what;
  std::function<void()> inject;
  const char* text;
};

// A fault that could never strike is refused, naming the point, so a test
// cannot pass while testing nothing.
TEST_F(Korvo5Faults, FaultsThatCouldNeverStrikeAreRefused) {
  const tRefusedFault cases[] = {
      {"misspelt", [] { sim().injectThrow("pdioCrtl@3", "x"); },
       "injectThrow: fault point \"pdioCrtl@3\" does not exist"},
      {"case differs", [] { sim().injectNull("PsCtrl"); },
       "injectNull: fault point \"PsCtrl\" does not exist"},
      {"empty", [] { sim().injectFalse(""); }, "injectFalse: fault point \"\" does not exist"},
      {"no false", [] { sim().injectFalse("waitBusCycles"); },
       "injectFalse: fault point \"waitBusCycles\" cannot answer false"},
      {"no null", [] { sim().injectNull("claimDevice"); },
       "injectNull: fault point \"claimDevice\" cannot hand out null"},
      {"no slot", [] { sim().injectThrow("psCtrl@1", "x"); },
       "injectThrow: fault point \"psCtrl@1\" takes no slot"},
      {"slot too high", [] { sim().injectNull("cpdCtrl@7"); },
       "injectNull: fault point \"cpdCtrl@7\": no slot 7 (0 to 6)"},
      {"channel too high", [] { sim().injectFalse("setSupplyVoltage@6"); },
       "injectFalse: fault point \"setSupplyVoltage@6\": no slot 6 (0 to 5)"},
      {"slot not a number", [] { sim().injectThrow("register@1x", "x"); },
       "injectThrow: fault point \"register@1x\": the slot is not a number"},
      {"slot missing", [] { sim().injectThrow("register@", "x"); },
       "injectThrow: fault point \"register@\": the slot is not a number"},
  };
  for (const tRefusedFault& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      c.inject();
      ADD_FAILURE() << "accepted";
    } catch (const std::invalid_argument& e) {
      EXPECT_STREQ(e.what(), c.text);
    }
    EXPECT_TRUE(sim().unfiredFaults().empty());
  }
}

TEST_F(Korvo5Faults, UnfiredFaultsListsThePointsThatHaveNotStruck) {
  sim().injectThrow("setDeviceState", "x");
  sim().injectNull("cpdCtrl@5");
  sim().injectFalse("claimDevice", 1);
  sim().injectThrow("buzzer", "x");
  EXPECT_EQ(sim().unfiredFaults(),
            (std::vector<std::string>{"setDeviceState", "cpdCtrl@5", "claimDevice", "buzzer"}));

  EXPECT_THROW(device->deviceCtrl()->stateCtrl()->setDeviceState(1), std::string);
  EXPECT_EQ(device->pdioCtrl(4)->cpdCtrl(), sim().pdio(4)->cpdCtrl());  // another slot
  cK5StateCtrl* state = device->deviceCtrl()->stateCtrl();
  EXPECT_TRUE(state->claimDevice("usb", "A", false));  // skipped, not yet struck
  EXPECT_EQ(sim().unfiredFaults(),
            (std::vector<std::string>{"cpdCtrl@5", "claimDevice", "buzzer"}));

  EXPECT_EQ(device->pdioCtrl(5)->cpdCtrl(), nullptr);
  EXPECT_FALSE(state->claimDevice("usb", "A", false));
  EXPECT_EQ(sim().unfiredFaults(), std::vector<std::string>{"buzzer"});

  sim().clearFaults();
  EXPECT_TRUE(sim().unfiredFaults().empty());
  sim().injectThrow("buzzer", "x");
  sim().reset();
  EXPECT_TRUE(sim().unfiredFaults().empty());
}

TEST_F(Korvo5Faults, FalseAnswersChangeNothing) {
  cK5AbstractCPDCtrl* cpd1 = device->pdioCtrl(1)->cpdCtrl();
  cK5CPDRegSet set;
  set.setReg(0, 42);
  sim().injectFalse("writeRegisterSet");
  sim().injectFalse("writeRegisterSetOnly");
  EXPECT_FALSE(cpd1->writeRegisterSet(0, set, nullptr));
  EXPECT_FALSE(cpd1->writeRegisterSetOnly(1, set));
  EXPECT_EQ(sim().cpd(1).bank[0][0], 0u);
  EXPECT_EQ(sim().cpd(1).writtenBy[0], k5BankUnwritten);
  EXPECT_EQ(sim().cpd(1).writtenBy[1], k5BankUnwritten);
  EXPECT_EQ(sim().traceOf(Ev::tkCpdWriteSet).at(0).b, 0u);
  EXPECT_TRUE(cpd1->writeRegisterSet(0, set, nullptr));
  EXPECT_EQ(sim().cpd(1).bank[0][0], 42u);

  sim().injectFalse("readRegisterSet");
  cK5CPDRegSet back;
  EXPECT_FALSE(cpd1->readRegisterSet(0, back));
  EXPECT_EQ(back.getReg(0), 0u);

  cK5AbstractPSCtrl* ps = device->psCtrl();
  sim().injectFalse("setSupplyVoltage");
  EXPECT_FALSE(ps->setSupplyVoltage(PS_VCP1, 5000));
  EXPECT_EQ(sim().supplyLevel(PS_VCP1), 0u);
  EXPECT_TRUE(sim().supplyWrites().empty());
  ps->setSupplyVoltage(PS_VCP1, 5000);
  sim().injectFalse("switchOffSupplies");
  EXPECT_FALSE(ps->switchOffSupplies());
  EXPECT_EQ(sim().supplyLevel(PS_VCP1), 5000u);
  EXPECT_EQ(sim().switchOffCount(), 0u);

  sim().setSupplyReadings({{1, 2, 3, 4, 5, 6, 7}});
  sim().injectFalse("readSupplyVoltages");
  unsigned int v[7] = {};
  EXPECT_FALSE(ps->readSupplyVoltages(v[0], v[1], v[2], v[3], v[4], v[5], v[6]));
  EXPECT_EQ(v[0], 0u);

  cK5FPGACtrl* fpga0 = device->pdioCtrl(0)->fpgaCtrl();
  sim().injectFalse("resetFPGA");
  EXPECT_FALSE(fpga0->resetFPGA());
  EXPECT_TRUE(fpga0->resetFPGA());
  EXPECT_EQ(sim().resetCount(), 1u);

  sim().injectFalse("claimDevice");
  EXPECT_FALSE(device->deviceCtrl()->stateCtrl()->claimDevice("usb", "A", false));
  EXPECT_EQ(sim().claimedRemoteId(), "");
}

TEST_F(Korvo5Faults, LoadHdwErrorTextPerIndexAndHistoryOfGoodLoads) {
  sim().setLoadHdwError(2, "CRC error in image");
  const char image[] = {1, 2, 3};
  std::string error;
  cK5FPGACtrl::loadHdw(1, image, 3, error);
  EXPECT_EQ(error, "");
  cK5FPGACtrl::loadHdw(2, image, 3, error);
  EXPECT_EQ(error, "CRC error in image");
  cK5FPGACtrl::loadHdw(1, image, 0, error);
  EXPECT_EQ(error, "");  // a good load clears an earlier text

  struct Bad {
    unsigned int index;
    const char* data;
    unsigned int size;
  };
  const Bad bad[] = {{7, image, 3}, {0, nullptr, 3}};
  for (const Bad& b : bad) {
    cK5FPGACtrl::loadHdw(b.index, b.data, b.size, error);
    EXPECT_NE(error, "") << b.index;
  }
  sim().injectFalse("loadHdw@3");
  cK5FPGACtrl::loadHdw(3, image, 3, error);
  EXPECT_NE(error, "");

  const std::vector<tK5LoadedImage>& history = sim().loadHistory();
  ASSERT_EQ(history.size(), 2u);
  EXPECT_EQ(history[0].index, 1u);
  EXPECT_EQ(history[0].bytes, (std::vector<char>{1, 2, 3}));
  EXPECT_TRUE(history[1].bytes.empty());
  std::vector<Ev> loads = sim().traceOf(Ev::tkLoadHdw);
  ASSERT_EQ(loads.size(), 6u);
  EXPECT_EQ(loads[1].a, 2u);
  EXPECT_EQ(loads[1].b, 3u);
  EXPECT_EQ(loads[1].text, "CRC error in image");
}

}  // namespace
