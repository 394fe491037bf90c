// Hits of the fault points: the calls an injected fault could strike, counted
// whether a fault is injected or not, so that a sweep can inject at each one.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "Korvo5.h"
#include "cK5SimProgrammer.h"

namespace {

using Sim = cK5SimProgrammer;

class FaultPointHits : public ::testing::Test {
protected:
  void SetUp() override {
    sim().reset();
    device.reset(new cKorvo5Device());
  }
  void TearDown() override {
    device.reset();
    sim().reset();
  }
  static Sim& sim() { return Sim::instance(); }

  // A little of everything: controls of two slots, registers of slot 0 and
  // slot 1, supplies, pin drivers and the device state.
  void routine() {
    d().psCtrl()->setSupplyVoltage(PS_VCP1, 3300);
    d().psCtrl()->setSupplyVoltage(PS_VLS, 1800);
    mcu_write16(Sim::kRegBaseToken + 0x42, 1);
    mcu_read16(Sim::kRegBaseToken + 0x84);
    cK5FPGACtrl* fpga1 = d().pdioCtrl(1)->fpgaCtrl();
    fpga1->write16(92, 10);
    fpga1->read16(93);
    cK5AbstractCPDCtrl* cpd0 = d().pdioCtrl(0)->cpdCtrl();
    cpd0->setNOEGlobal(false);
    cpd0->setNOEGlobal(true);
    d().deviceCtrl()->stateCtrl()->setDeviceState(3);
    d().psCtrl()->switchOffSupplies();
  }
  cKorvo5Device& d() { return *device; }

  std::unique_ptr<cKorvo5Device> device;
};

TEST_F(FaultPointHits, CountsEachCallByPointAndSlot) {
  routine();
  const struct {
    const char* point;
    unsigned long long hits;
  } expected[] = {
      {"psCtrl", 3},
      {"setSupplyVoltage", 2},
      {"setSupplyVoltage@3", 1},
      {"setSupplyVoltage@0", 1},
      {"setSupplyVoltage@2", 0},
      {"register", 4},
      {"register@0", 2},
      {"register@1", 2},
      {"pdioCtrl", 2},
      {"pdioCtrl@0", 1},
      {"pdioCtrl@1", 1},
      {"fpgaCtrl@1", 1},
      {"cpdCtrl@0", 1},
      {"setNOE@0", 2},
      {"setNOE@1", 0},
      {"setDeviceState", 1},
      {"switchOffSupplies", 1},
      {"claimDevice", 0},
      {"readRegisterSet", 0},
  };
  for (const auto& e : expected) {
    EXPECT_EQ(sim().faultPointHits(e.point), e.hits) << e.point;
  }
}

// The count is what injection counts: a fault that skips k < hits calls
// strikes, one that skips all hits never does.
TEST_F(FaultPointHits, EveryHitIsAPlaceWhereAnInjectedFaultStrikes) {
  routine();
  const std::vector<std::string> points = {"psCtrl",           "setSupplyVoltage@3", "register@0",
                                           "register",         "setNOE@0",           "pdioCtrl@1",
                                           "switchOffSupplies"};
  for (const std::string& point : points) {
    SCOPED_TRACE(point);
    sim().reset();
    routine();
    const unsigned int hits = static_cast<unsigned int>(sim().faultPointHits(point));
    ASSERT_GT(hits, 0u);
    for (unsigned int skip = 0; skip <= hits; ++skip) {
      sim().reset();
      sim().injectThrow(point, "struck", skip);
      try {
        routine();
      } catch (const std::string&) {
      }
      EXPECT_EQ(sim().unfiredFaults().empty(), skip < hits) << "skip " << skip;
    }
  }
}

TEST_F(FaultPointHits, StruckAndRefusedCallsCountToo) {
  sim().injectFalse("switchOffSupplies");
  sim().injectThrow("setDeviceState", "no");
  sim().injectNull("psCtrl");
  EXPECT_EQ(d().psCtrl(), nullptr);
  EXPECT_FALSE(sim().psCtrl()->switchOffSupplies());
  EXPECT_THROW(d().deviceCtrl()->stateCtrl()->setDeviceState(1), std::string);
  EXPECT_EQ(sim().faultPointHits("psCtrl"), 1u);
  EXPECT_EQ(sim().faultPointHits("switchOffSupplies"), 1u);
  EXPECT_EQ(sim().faultPointHits("setDeviceState"), 1u);
}

TEST_F(FaultPointHits, ResetClearsTheCountsClearFaultsKeepsThem) {
  routine();
  sim().clearFaults();
  EXPECT_EQ(sim().faultPointHits("register"), 4u);
  sim().reset();
  EXPECT_EQ(sim().faultPointHits("register"), 0u);
  EXPECT_EQ(sim().faultPointHits("psCtrl"), 0u);
}

// A call outside the named slots (FPGA index 9) counts for the point, not
// for any slot.
TEST_F(FaultPointHits, CallBeyondTheSlotsCountsOnlyForThePoint) {
  std::string error;
  cK5FPGACtrl::loadHdw(9, "x", 1, error);
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(sim().faultPointHits("loadHdw"), 1u);
  for (unsigned int slot = 0; slot < Sim::kSlotCount; ++slot) {
    EXPECT_EQ(sim().faultPointHits("loadHdw@" + std::to_string(slot)), 0u);
  }
}

TEST_F(FaultPointHits, PointsAreCheckedAsInjectionChecksThem) {
  const char* const refused[] = {"noSuchCall",         "psCtrl@0",  "register@7",
                                 "setSupplyVoltage@6", "register@", "register@x"};
  for (const char* point : refused) {
    EXPECT_THROW(sim().faultPointHits(point), std::invalid_argument) << point;
  }
  // Every point of the table is known, none called since the device was made.
  for (const tK5FaultPoint& p : Sim::faultPoints()) {
    EXPECT_EQ(sim().faultPointHits(p.name), std::string(p.name) == "cKorvo5Device" ? 1u : 0u)
        << p.name;
  }
}

}  // namespace
