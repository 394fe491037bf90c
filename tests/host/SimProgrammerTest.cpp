#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Korvo5.h"
#include "cK5ContinuitySocket.h"
#include "cK5SimProgrammer.h"
#include "tBench.h"

namespace {

using Sim = cK5SimProgrammer;
using Ev = tK5TraceEvent;

const unsigned int kBase = Sim::kRegBaseToken;

// The simulator's own socket, reset and hooks are what these tests test: they
// call it directly, the bench only gives each test a fresh one.
class Korvo5Sim : public tBenchTest {
protected:
  Korvo5Sim() : device(new cKorvo5Device()) {}
  cK5FPGACtrl* fpga(unsigned int slot) { return device->pdioCtrl(slot)->fpgaCtrl(); }
  cK5AbstractCPDCtrl* cpd(unsigned int slot) { return device->pdioCtrl(slot)->cpdCtrl(); }

  static cK5CPDRegSet regSet(unsigned int first) {
    cK5CPDRegSet set;
    for (unsigned int i = 0; i < cK5CPDRegSet::kRegCount; ++i) set.setReg(i, first + i);
    return set;
  }

  std::unique_ptr<cKorvo5Device> device;
};

// ---------------------------------------------------------------- clock

TEST_F(Korvo5Sim, WaitsAndAccessCostsAreSummedApart) {
  sim().setAccessCost(3);
  device->waitBusCycles(250000);
  mcu_wait_bus_cycles(50, Sim::kFpgaMappingToken);
  mcu_write16(kBase + 0xB6, 1);
  mcu_read16(kBase + 0x60);
  fpga(1)->write16(100, 7);
  fpga(1)->read16(100);
  sim().advance(1000);

  EXPECT_EQ(sim().waitedCycles(), 250050u);
  EXPECT_EQ(sim().accessCycles(), 12u);
  EXPECT_EQ(sim().nowCycles(), 250050u + 12u + 1000u);
  EXPECT_EQ(sim().nowMs(), 50u);
}

TEST_F(Korvo5Sim, WaitEventsTellDeviceFromMcuWaitAndCarryTheMapping) {
  device->waitBusCycles(10);
  mcu_wait_bus_cycles(50, 0x1234);
  std::vector<Ev> waits = sim().traceOf(Ev::tkWait);
  ASSERT_EQ(waits.size(), 2u);
  EXPECT_EQ(waits[0].a, 10u);
  EXPECT_EQ(waits[0].b, 0u);
  EXPECT_EQ(waits[0].text, "");
  EXPECT_EQ(waits[1].a, 50u);
  EXPECT_EQ(waits[1].b, 0x1234u);
  EXPECT_EQ(waits[1].text, "mcu");
}

// ---------------------------------------------------------------- trace

TEST_F(Korvo5Sim, TraceKeepsCallOrderWithValues) {
  sim().clearTrace();
  device->psCtrl()->setSupplyVoltage(PS_VCP1, 5000);
  mcu_write16(kBase + 0x82, 1);
  mcu_write16(kBase + 0x80, 2);
  cpd(0)->setCRS(1);
  cpd(0)->pulseCPDStrobe();
  device->lockInterrupts();
  device->unlockInterrupts();
  device->deviceCtrl()->stateCtrl()->setDeviceState(3);

  EXPECT_TRUE(sim().containsInOrder(
      {Sim::eventIs(Ev::tkSupply, PS_VCP1, 5000), Sim::eventIs(Ev::tkMcuWrite, 0x82, 1),
       Sim::eventIs(Ev::tkMcuWrite, 0x80, 2), Sim::eventIs(Ev::tkCpdSelectBank, 1, -1, 0),
       Sim::eventIs(Ev::tkCpdStrobe, -1, -1, 0), Sim::eventIs(Ev::tkLockInterrupts),
       Sim::eventIs(Ev::tkUnlockInterrupts), Sim::eventIs(Ev::tkState, 3)}));
  EXPECT_FALSE(sim().containsInOrder(
      {Sim::eventIs(Ev::tkMcuWrite, 0x80, 2), Sim::eventIs(Ev::tkMcuWrite, 0x82, 1)}));
  EXPECT_EQ(sim().trace().size(), 8u);
  EXPECT_EQ(sim().findEvent(Sim::eventIs(Ev::tkMcuWrite), 2), 2);
  EXPECT_EQ(sim().findEvent(Sim::eventIs(Ev::tkMcuWrite), 3), -1);
}

TEST_F(Korvo5Sim, TraceViewFollowsClearsAndLaterEvents) {
  sim().clearTrace();
  mcu_write16(kBase + 0x86, 1);
  mcu_wait_bus_cycles(7, Sim::kFpgaMappingToken);
  ASSERT_EQ(sim().trace().size(), 2u);
  EXPECT_EQ(sim().trace()[1].text, "mcu");
  sim().clearTrace();
  device->psCtrl()->setSupplyVoltage(PS_VCP2, 3300);
  device->waitBusCycles(9);
  // As many events as before the clear: the view must not keep the old ones.
  ASSERT_EQ(sim().trace().size(), 2u);
  EXPECT_TRUE(Sim::eventIs(Ev::tkSupply, PS_VCP2, 3300)(sim().trace()[0]));
  EXPECT_TRUE(Sim::eventIs(Ev::tkWait, 9, 0)(sim().trace()[1]));
  EXPECT_EQ(sim().trace()[1].text, "");
  mcu_read16(kBase + 0x84);
  EXPECT_EQ(sim().traceSize(), 3u);
  EXPECT_EQ(sim().trace().back().kind, Ev::tkMcuRead);
}

TEST_F(Korvo5Sim, SequencesMatchOnlyConsecutiveEvents) {
  sim().clearTrace();
  mcu_write16(kBase + 0x42, 1);
  mcu_write16(kBase + 0x44, 1);
  mcu_wait_bus_cycles(50, Sim::kFpgaMappingToken);
  mcu_write16(kBase + 0x42, 1);
  mcu_wait_bus_cycles(50, Sim::kFpgaMappingToken);
  const auto set = Sim::eventIs(Ev::tkMcuWrite, 0x42, 1);
  const auto wait = Sim::eventIs(Ev::tkWait, 50);
  EXPECT_EQ(sim().findSequence({set, wait}), 3);  // not at 0: the 0x44 write lies between
  EXPECT_EQ(sim().findSequence({set, wait}, 4), -1);
  EXPECT_EQ(sim().findSequence({wait, set, wait}), 2);
  EXPECT_EQ(sim().findSequence({wait, wait}), -1);
  EXPECT_EQ(sim().countEvents(set), 2u);
  EXPECT_EQ(sim().countEvents(Sim::eventIs(Ev::tkWait)), 2u);
}

TEST_F(Korvo5Sim, DisabledTraceRecordsNothingButTheHardwareStillActs) {
  sim().clearTrace();
  sim().setTraceEnabled(false);
  mcu_write16(kBase + 0x86, 0xBEEF);
  device->psCtrl()->setSupplyVoltage(PS_VLS, 1800);
  EXPECT_TRUE(sim().trace().empty());
  EXPECT_EQ(sim().mcuRegister(0x86), 0xBEEF);
  EXPECT_EQ(sim().supplyLevel(PS_VLS), 1800u);
}

TEST_F(Korvo5Sim, TraceBeyondTheLimitIsCountedNotStored) {
  sim().clearTrace();
  sim().setTraceLimit(3);
  for (unsigned int i = 0; i < 5; ++i) mcu_write16(kBase + 0x86, static_cast<unsigned short>(i));
  EXPECT_EQ(sim().trace().size(), 3u);
  EXPECT_EQ(sim().droppedTraceEvents(), 2u);
  EXPECT_EQ(sim().mcuRegister(0x86), 4u);
}

TEST_F(Korvo5Sim, AccessHookSeesEveryRegisterAccessAndDoesNotRecurse) {
  std::vector<Ev> seen;
  sim().setAccessHook([&](const Ev& e) {
    seen.push_back(e);
    mcu_read16(kBase + 0x60);  // an access from inside the hook is not hooked again
  });
  mcu_write16(kBase + 0x42, 1);
  fpga(2)->read16(103);
  device->waitBusCycles(5);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].kind, Ev::tkMcuWrite);
  EXPECT_EQ(seen[0].a, 0x42u);
  EXPECT_EQ(seen[1].kind, Ev::tkFpgaRead);
  EXPECT_EQ(seen[1].slot, 2u);
  EXPECT_EQ(seen[1].a, 103u);
}

TEST_F(Korvo5Sim, AccessTriggerRunsOnceAfterTheNthRegisterAccess) {
  std::vector<std::uint64_t> ranAt;
  std::vector<unsigned short> hooked;
  sim().setAccessHook([&](const Ev& e) { hooked.push_back(static_cast<unsigned short>(e.b)); });
  sim().atRegisterAccess(3, [&] {
    ranAt.push_back(sim().registerAccesses());
    // Accesses of the event count but trigger nothing again.
    mcu_write16(kBase + 0x86, 0xEE);
  });
  device->waitBusCycles(10);  // a wait is no register access
  for (unsigned short i = 1; i <= 5; ++i) mcu_write16(kBase + 0x86, i);
  EXPECT_EQ(ranAt, (std::vector<std::uint64_t>{3}));
  EXPECT_EQ(sim().registerAccesses(), 6u);
  // The hook saw the third access before the event ran.
  EXPECT_EQ(hooked, (std::vector<unsigned short>{1, 2, 3, 4, 5}));
  EXPECT_EQ(sim().mcuRegister(0x86), 5u);

  sim().reset();
  EXPECT_EQ(sim().registerAccesses(), 0u);
  for (int i = 0; i < 4; ++i) fpga(1)->read16(100);
  EXPECT_EQ(ranAt.size(), 1u);  // reset removes the triggers
}

// ---------------------------------------------------------------- registers

TEST_F(Korvo5Sim, McuAddressesDecodeFromTheSlot0Base) {
  EXPECT_EQ(fpga(0)->regBase, kBase);
  mcu_write16(fpga(0)->regBase + 0x86, 0x1234);
  EXPECT_EQ(sim().mcuRegister(0x86), 0x1234);
  EXPECT_EQ(mcu_read16(kBase + 0x86), 0x1234);
  std::vector<Ev> writes = sim().traceOf(Ev::tkMcuWrite);
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0].a, 0x86u);
  EXPECT_EQ(writes[0].b, 0x1234u);
}

TEST_F(Korvo5Sim, McuAddressOutsideTheSpaceThrowsText) {
  const unsigned int bad[] = {0u, kBase - 2u, kBase + Sim::kRegSpaceSize, kBase + 0x61,
                              fpga(1)->regBase};
  for (unsigned int address : bad) {
    SCOPED_TRACE(address);
    EXPECT_THROW(mcu_read16(address), std::string);
    EXPECT_THROW(mcu_write16(address, 1), std::string);
  }
  EXPECT_NO_THROW(mcu_read16(kBase + Sim::kRegSpaceSize - 2u));
}

TEST_F(Korvo5Sim, EmptySocketReadsInputRegistersAsZeroUnlessSet) {
  const unsigned int offsets[] = {0x60, 0x84, 0x8A, 0x60 + 0x200, 0x84 + 3 * 0x200};
  for (unsigned int offset : offsets) EXPECT_EQ(mcu_read16(kBase + offset), 0) << offset;
  for (unsigned int slot = 1; slot < Sim::kSlotCount; ++slot)
    for (unsigned int reg : {100u, 103u, 106u, 109u}) EXPECT_EQ(fpga(slot)->read16(reg), 0);

  sim().setMcuRegister(0x60 + 2 * 0x200, 0x0080);
  sim().setFpgaRegister(4, 106, 0x8000);
  EXPECT_EQ(mcu_read16(kBase + 0x60 + 2 * 0x200), 0x0080);
  EXPECT_EQ(mcu_read16(kBase + 0x60), 0);
  EXPECT_EQ(fpga(4)->read16(106), 0x8000);
  EXPECT_EQ(fpga(3)->read16(106), 0);
}

TEST_F(Korvo5Sim, FpgaRegisterFilesAreSeparatePerSlot) {
  fpga(2)->write16(10, 0xAAAA);
  fpga(5)->write16(10, 0x5555);
  EXPECT_EQ(fpga(2)->read16(10), 0xAAAA);
  EXPECT_EQ(sim().fpgaRegister(5, 10), 0x5555);
  EXPECT_EQ(sim().fpgaRegister(0, 10), 0);
  EXPECT_THROW(fpga(2)->read16(Sim::kFpgaRegCount), std::string);
}

// ---------------------------------------------------------------- UI timer

TEST_F(Korvo5Sim, UiTimerRunsOverVirtualTimeAndRestartsWhenElapsed) {
  cK5FPGACtrl* timer = fpga(1);
  timer->write16(92, 10);
  EXPECT_EQ(timer->read16(92), 10);
  EXPECT_EQ(timer->read16(93), 1);
  sim().advance(49999);
  EXPECT_EQ(timer->read16(93), 1);
  sim().advance(1);
  EXPECT_EQ(timer->read16(93), 0);  // elapsed: restarts
  EXPECT_EQ(timer->read16(93), 1);
  device->waitBusCycles(50000);  // waits move the same clock
  EXPECT_EQ(timer->read16(93), 0);

  timer->write16(92, 0);
  EXPECT_EQ(timer->read16(93), 0);
}

TEST_F(Korvo5Sim, UiTimerRewriteRestartsThePeriod) {
  cK5FPGACtrl* timer = fpga(1);
  timer->write16(92, 2);
  sim().advance(9000);
  timer->write16(92, 2);
  sim().advance(9000);
  EXPECT_EQ(timer->read16(93), 1);
}

TEST_F(Korvo5Sim, UiTimerIsOnlySlot1AndCanBeSwitchedOff) {
  fpga(2)->write16(92, 10);
  EXPECT_EQ(fpga(2)->read16(93), 0);  // a plain register elsewhere
  sim().setUiTimerEnabled(false);
  fpga(1)->write16(92, 10);
  sim().setFpgaRegister(1, 93, 0x0300);
  EXPECT_EQ(fpga(1)->read16(93), 0x0300);
}

// ---------------------------------------------------------------- pin drivers

TEST_F(Korvo5Sim, BankWritesRecordWhichCallWroteThem) {
  EXPECT_TRUE(cpd(2)->writeRegisterSet(0, regSet(100), nullptr));
  EXPECT_TRUE(cpd(2)->writeRegisterSetOnly(1, regSet(200)));
  const tK5CpdSlotState& state = sim().cpd(2);
  EXPECT_EQ(state.writtenBy[0], k5BankWriteSet);
  EXPECT_EQ(state.writtenBy[1], k5BankWriteSetOnly);
  EXPECT_EQ(state.bank[0][59], 159u);
  EXPECT_EQ(state.bank[1][0], 200u);
  EXPECT_EQ(sim().cpd(3).writtenBy[0], k5BankUnwritten);

  std::vector<Ev> only = sim().traceOf(Ev::tkCpdWriteSetOnly);
  ASSERT_EQ(only.size(), 1u);
  EXPECT_EQ(only[0].slot, 2u);
  EXPECT_EQ(only[0].a, 1u);
  ASSERT_EQ(only[0].values.size(), 60u);
  EXPECT_EQ(only[0].values[7], 207u);

  cK5CPDRegSet back;
  EXPECT_TRUE(cpd(2)->readRegisterSet(1, back));
  EXPECT_EQ(back.getReg(0), 200u);
  EXPECT_EQ(back.getReg(59), 259u);
}

TEST_F(Korvo5Sim, Slot0StrobeMakesItsSelectedBankLiveOnSlots1To6) {
  for (unsigned int slot = 1; slot < Sim::kSlotCount; ++slot) {
    cpd(slot)->writeRegisterSet(0, regSet(slot * 1000), nullptr);
    cpd(slot)->writeRegisterSet(1, regSet(slot * 1000 + 500), nullptr);
  }
  EXPECT_FALSE(sim().cpd(1).liveValid);
  cpd(0)->setCRS(1);
  cpd(3)->pulseCPDStrobe();  // only the global strobe of slot 0 switches banks
  EXPECT_FALSE(sim().cpd(3).liveValid);

  cpd(0)->pulseCPDStrobe();
  for (unsigned int slot = 1; slot < Sim::kSlotCount; ++slot) {
    const tK5CpdSlotState& state = sim().cpd(slot);
    EXPECT_TRUE(state.liveValid);
    EXPECT_EQ(state.liveBank, 1u);
    EXPECT_EQ(state.live[0], slot * 1000 + 500);
  }
  // A later bank write is not live until the next strobe.
  cpd(1)->writeRegisterSet(1, regSet(7), nullptr);
  EXPECT_EQ(sim().cpd(1).live[0], 1500u);
  cpd(0)->setCRS(0);
  cpd(0)->pulseCPDStrobe();
  EXPECT_EQ(sim().cpd(1).liveBank, 0u);
  EXPECT_EQ(sim().cpd(1).live[0], 1000u);
}

TEST_F(Korvo5Sim, BankNumberAbove1ThrowsText) {
  cK5CPDRegSet set;
  EXPECT_THROW(cpd(1)->writeRegisterSet(2, set, nullptr), std::string);
  EXPECT_THROW(cpd(1)->writeRegisterSetOnly(2, set), std::string);
  EXPECT_THROW(cpd(1)->readRegisterSet(2, set), std::string);
  EXPECT_THROW(cpd(0)->setCRS(2), std::string);
}

TEST_F(Korvo5Sim, OutputsStartDisabledAndFollowTheirOwnFlag) {
  for (bool off : sim().cpd(0).outputDisabled) EXPECT_TRUE(off);
  cpd(0)->setNOEVCP2(false);
  cpd(0)->setNOEGlobal(false);
  cpd(0)->setDIR(true);
  const tK5CpdSlotState& state = sim().cpd(0);
  EXPECT_FALSE(state.outputDisabled[k5OutVcp2]);
  EXPECT_FALSE(state.outputDisabled[k5OutGlobal]);
  EXPECT_TRUE(state.outputDisabled[k5OutVcp1]);
  EXPECT_TRUE(state.outputDisabled[k5OutVcp3]);
  EXPECT_TRUE(state.outputDisabled[k5OutGnd]);
  EXPECT_TRUE(state.dirComparator);
  EXPECT_TRUE(sim().containsInOrder({Sim::eventIs(Ev::tkCpdOutput, k5OutVcp2, 0, 0),
                                     Sim::eventIs(Ev::tkCpdOutput, k5OutGlobal, 0, 0),
                                     Sim::eventIs(Ev::tkCpdDir, -1, 1, 0)}));
}

// ---------------------------------------------------------------- supplies

TEST_F(Korvo5Sim, SupplyLevelsSwitchOffAndReadings) {
  cK5AbstractPSCtrl* ps = device->psCtrl();
  EXPECT_TRUE(ps->setSupplyVoltage(PS_VGATE, 20000));
  EXPECT_TRUE(ps->setSupplyVoltage(PS_VCP3, 5000));
  EXPECT_EQ(sim().supplyLevel(PS_VGATE), 20000u);
  EXPECT_EQ(sim().supplyWrites(),
            (std::vector<std::pair<unsigned int, unsigned int>>{{1, 20000}, {5, 5000}}));
  EXPECT_TRUE(ps->switchOffSupplies());
  EXPECT_EQ(sim().supplyLevel(PS_VGATE), 0u);
  EXPECT_EQ(sim().supplyLevel(PS_VCP3), 0u);
  EXPECT_EQ(sim().switchOffCount(), 1u);
  EXPECT_THROW(ps->setSupplyVoltage(static_cast<ePSChannel>(6), 1), std::string);

  unsigned int v[7] = {9, 9, 9, 9, 9, 9, 9};
  EXPECT_TRUE(ps->readSupplyVoltages(v[0], v[1], v[2], v[3], v[4], v[5], v[6]));
  for (unsigned int x : v) EXPECT_EQ(x, 0u);
  sim().setSupplyReadings({{1, 2, 3, 4, 5, 6, 7}});
  EXPECT_TRUE(ps->readSupplyVoltages(v[0], v[1], v[2], v[3], v[4], v[5], v[6]));
  EXPECT_EQ(v[0], 1u);
  EXPECT_EQ(v[6], 7u);
  sim().setSupplyReadings({{0, 0, 0, 0, 0, 0, 0}}, false);
  EXPECT_FALSE(ps->readSupplyVoltages(v[0], v[1], v[2], v[3], v[4], v[5], v[6]));
  EXPECT_EQ(sim().traceOf(Ev::tkSupplyRead).back().b, 0u);
}

// ---------------------------------------------------------------- state, claim, buzzer

TEST_F(Korvo5Sim, ClaimIsKeptAgainstAnotherIdUnlessForced) {
  struct Step {
    const char* interface;
    const char* remoteId;
    bool force;
    bool granted;
    const char* heldInterface;
    const char* heldId;
  };
  const Step steps[] = {
      {"usb", "A", false, true, "usb", "A"},
      {"lan", "A", false, true, "lan", "A"},  // the holder may claim again
      {"usb", "B", false, false, "lan", "A"},
      {"usb", "B", true, true, "usb", "B"},
  };
  cK5StateCtrl* state = device->deviceCtrl()->stateCtrl();
  EXPECT_EQ(state->getClaimedRemoteId(), "");
  EXPECT_EQ(state->getClaimedInterface(), "");
  for (const Step& s : steps) {
    SCOPED_TRACE(std::string(s.interface) + "/" + s.remoteId);
    EXPECT_EQ(state->claimDevice(s.interface, s.remoteId, s.force), s.granted);
    EXPECT_EQ(state->getClaimedInterface(), s.heldInterface);
    EXPECT_EQ(state->getClaimedRemoteId(), s.heldId);
  }
  EXPECT_TRUE(state->unclaimDevice());
  EXPECT_EQ(state->getClaimedRemoteId(), "");
  EXPECT_EQ(state->getClaimedInterface(), "");

  sim().presetClaim("lan", "other");
  EXPECT_FALSE(state->claimDevice("usb", "me", false));
  EXPECT_EQ(sim().claimedRemoteId(), "other");
}

TEST_F(Korvo5Sim, ClaimCallsAndReadBacksAreTracedInOrder) {
  cK5StateCtrl* state = device->deviceCtrl()->stateCtrl();
  sim().presetClaim("lan", "other");
  state->claimDevice("usb", "me", false);
  state->getClaimedRemoteId();
  state->getClaimedInterface();
  state->unclaimDevice();
  state->getClaimedRemoteId();
  const std::vector<Ev>& t = sim().trace();
  ASSERT_EQ(t.size(), 6u);  // the device object's creation, then the five calls
  EXPECT_TRUE(Sim::eventIs(Ev::tkClaim, 0, 0)(t[1]));
  EXPECT_EQ(t[1].text, "usb");
  EXPECT_EQ(t[1].text2, "me");
  EXPECT_TRUE(Sim::eventIs(Ev::tkClaimReadBack, 1)(t[2]));
  EXPECT_EQ(t[2].text, "other");
  EXPECT_TRUE(Sim::eventIs(Ev::tkClaimReadBack, 0)(t[3]));
  EXPECT_EQ(t[3].text, "lan");
  EXPECT_EQ(t[4].kind, Ev::tkUnclaim);
  EXPECT_EQ(t[5].text, "");
}

TEST_F(Korvo5Sim, StateHistoryAndProductInfo) {
  EXPECT_EQ(sim().deviceState(), 0);
  cK5StateCtrl* state = device->deviceCtrl()->stateCtrl();
  state->setDeviceState(3);
  state->setDeviceState(1);
  EXPECT_EQ(sim().stateHistory(), (std::vector<int>{3, 1}));
  EXPECT_EQ(sim().deviceState(), 1);

  cK5ProductInfo* info = device->config()->productInfo();
  EXPECT_EQ(info->productType(), 1);
  EXPECT_EQ(info->productName(), "Korvo5 Sim");
  EXPECT_EQ(info->fpgaBaseMappingAddr(), Sim::kFpgaMappingToken);
  EXPECT_EQ(device->numInstalledPDIOs(), 7u);
  sim().setProductType(0);
  sim().setNumInstalledPDIOs(3);
  EXPECT_EQ(info->productType(), 0);
  EXPECT_EQ(device->numInstalledPDIOs(), 3u);
}

TEST_F(Korvo5Sim, BuzzerFoldsRepeatedCallsIntoRuns) {
  cK5PiezoCtrl piezo(*device);
  for (int i = 0; i < 44444; ++i) piezo.set(5000, 1);
  piezo.set(5000, 0);
  piezo.set(5000, 0);
  piezo.set(5000, 1);
  piezo.set(0, 100);
  const std::vector<tK5BuzzerRun>& runs = sim().buzzer();
  ASSERT_EQ(runs.size(), 4u);
  EXPECT_EQ(runs[0].a, 5000u);
  EXPECT_EQ(runs[0].b, 1u);
  EXPECT_EQ(runs[0].count, 44444u);
  EXPECT_EQ(runs[1].b, 0u);
  EXPECT_EQ(runs[1].count, 2u);
  EXPECT_EQ(runs[2].count, 1u);
  EXPECT_EQ(runs[3].a, 0u);
  EXPECT_EQ(runs[3].b, 100u);
}

// ---------------------------------------------------------------- socket device

// Writes down every write, supply, output and strobe it hears.
class HearingModel : public cK5SocketDevice {
public:
  std::vector<std::string> heard;

  void onMcuWrite(Sim&, unsigned int offset, unsigned short value) override {
    heard.push_back("mcu " + std::to_string(offset) + "=" + std::to_string(value));
  }
  void onFpgaWrite(Sim&, unsigned int slot, unsigned int reg, unsigned short value) override {
    heard.push_back("fpga " + std::to_string(slot) + ":" + std::to_string(reg) + "=" +
                    std::to_string(value));
  }
  void onSupply(Sim&, ePSChannel channel, unsigned int mV) override {
    heard.push_back("supply " + std::to_string(channel) + "=" + std::to_string(mV));
  }
  void onSuppliesOff(Sim&) override { heard.push_back("off"); }
  void onOutput(Sim&, unsigned int slot, eK5Output output, bool disabled) override {
    heard.push_back("noe " + std::to_string(slot) + ":" + std::to_string(output) + "=" +
                    std::to_string(disabled));
  }
  void onStrobe(Sim&) override { heard.push_back("strobe"); }
};

// Answers 0x60 and slot 1 register 100, and notes whether a strobe found a
// bank live.
class RecordingSocket : public HearingModel {
public:
  bool liveAtStrobe = false;

  bool onMcuRead(Sim&, unsigned int offset, unsigned short& value) override {
    if (offset != 0x60) return false;
    value = 0x0200;
    return true;
  }
  bool onFpgaRead(Sim&, unsigned int slot, unsigned int reg, unsigned short& value) override {
    if (slot != 1 || reg != 100) return false;
    value = 0x0001;
    return true;
  }
  void onStrobe(Sim& sim) override {
    HearingModel::onStrobe(sim);
    liveAtStrobe = sim.cpd(1).liveValid;
  }
};

TEST_F(Korvo5Sim, PluggedDeviceHearsTheProgrammerAndAnswersReads) {
  RecordingSocket socket;
  sim().plug(socket);
  sim().setMcuRegister(0x84, 0x1111);
  mcu_write16(kBase + 0x86, 5);
  fpga(2)->write16(7, 9);
  device->psCtrl()->setSupplyVoltage(PS_VCP1, 1800);
  device->psCtrl()->switchOffSupplies();
  cpd(0)->setNOEVCP1(false);
  cpd(0)->pulseCPDStrobe();

  EXPECT_EQ(socket.heard, (std::vector<std::string>{"mcu 134=5", "fpga 2:7=9", "supply 3=1800",
                                                    "off", "noe 0:1=0", "strobe"}));
  EXPECT_TRUE(socket.liveAtStrobe);
  EXPECT_EQ(mcu_read16(kBase + 0x60), 0x0200);
  EXPECT_EQ(mcu_read16(kBase + 0x84), 0x1111);  // not answered: the register file
  EXPECT_EQ(fpga(1)->read16(100), 0x0001);
  EXPECT_EQ(fpga(1)->read16(103), 0);
  sim().unplugAll();
  EXPECT_EQ(mcu_read16(kBase + 0x60), 0);
}

// Hears every event, reads included, and answers the slot-1 registers it is given.
class ListeningModel : public HearingModel {
public:
  typedef std::map<unsigned int, unsigned short> tAnswers;  // register: value
  explicit ListeningModel(const tAnswers& given = tAnswers()) : answers(given) {}

  tAnswers answers;

  bool onMcuRead(Sim&, unsigned int offset, unsigned short&) override {
    heard.push_back("mcu read " + std::to_string(offset));
    return false;
  }
  bool onFpgaRead(Sim&, unsigned int slot, unsigned int reg, unsigned short& value) override {
    heard.push_back("fpga read " + std::to_string(slot) + ":" + std::to_string(reg));
    auto answer = answers.find(reg);
    if (slot != 1 || answer == answers.end()) return false;
    value = answer->second;
    return true;
  }
};

TEST_F(Korvo5Sim, SocketHoldsTheWiringAndOtherModelsAtOnce) {
  // Line 0 of slot 1 drives pin 1, line 5 compares pin 2: both read high.
  cK5ContinuitySocket wiring;
  wiring.connect(1, 0, 1);
  wiring.connect(1, 5, 2);
  ListeningModel first(ListeningModel::tAnswers{{100, 0xBEEF}, {7, 0x1111}});
  ListeningModel second(ListeningModel::tAnswers{{100, 0xCAFE}, {7, 0x2222}});
  sim().plug(wiring);
  sim().plug(first);
  sim().plug(second);
  sim().plug(first);  // in already
  EXPECT_EQ(sim().socketDevices(), (std::vector<cK5SocketDevice*>{&wiring, &first, &second}));

  cK5CPDRegSet modes;
  modes.setReg(0, cK5ContinuitySocket::kModeDriveHigh);
  modes.setReg(5, cK5ContinuitySocket::kModeComparator);
  cpd(1)->writeRegisterSet(0, modes, nullptr);
  cpd(0)->setNOEGlobal(false);
  cpd(0)->pulseCPDStrobe();
  mcu_write16(kBase + 0x86, 5);
  mcu_read16(kBase + 0x84);
  device->psCtrl()->setSupplyVoltage(PS_VCP1, 1800);
  device->psCtrl()->switchOffSupplies();
  fpga(2)->write16(7, 9);
  EXPECT_EQ(fpga(1)->read16(100), 0x0021);  // the wiring answers first
  EXPECT_EQ(fpga(1)->read16(7), 0x1111);    // the wiring does not answer: the next does
  EXPECT_EQ(fpga(1)->read16(8), 0);         // nobody answers: the register file

  const std::vector<std::string> everything = {
      "noe 0:0=0", "strobe",     "mcu 134=5",       "mcu read 132",  "supply 3=1800",
      "off",       "fpga 2:7=9", "fpga read 1:100", "fpga read 1:7", "fpga read 1:8"};
  EXPECT_EQ(first.heard, everything);
  EXPECT_EQ(second.heard, everything);

  // Plugged again at the end, the wiring answers last.
  sim().unplug(wiring);
  sim().plug(wiring);
  EXPECT_EQ(fpga(1)->read16(100), 0xBEEF);

  sim().unplug(first);
  first.heard.clear();
  EXPECT_EQ(fpga(1)->read16(7), 0x2222);
  EXPECT_TRUE(first.heard.empty());
  EXPECT_EQ(sim().socketDevices(), (std::vector<cK5SocketDevice*>{&second, &wiring}));
}

TEST_F(Korvo5Sim, ADeviceLeavingScopeLeavesTheSocket) {
  ListeningModel kept;
  sim().plug(kept);
  {
    ListeningModel gone(ListeningModel::tAnswers{{7, 1}});
    sim().plug(gone);
    EXPECT_EQ(sim().socketDevices().size(), 2u);
  }
  EXPECT_EQ(sim().socketDevices(), (std::vector<cK5SocketDevice*>{&kept}));
  EXPECT_EQ(fpga(1)->read16(7), 0);
  sim().unplugAll();
  EXPECT_TRUE(sim().socketDevices().empty());
}

// ---------------------------------------------------------------- objects and reset

TEST_F(Korvo5Sim, SameSlotGivesSameObjectsAcrossDevicesAndResets) {
  cK5PDIOCtrl* pdio3 = device->pdioCtrl(3);
  cK5FPGACtrl* fpga3 = pdio3->fpgaCtrl();
  cK5AbstractCPDCtrl* cpd3 = pdio3->cpdCtrl();
  cK5AbstractPSCtrl* ps = device->psCtrl();
  cK5StateCtrl* state = device->deviceCtrl()->stateCtrl();
  EXPECT_EQ(pdio3->slot(), 3u);
  EXPECT_EQ(fpga3->slot(), 3u);
  EXPECT_EQ(cpd3->slot(), 3u);
  EXPECT_NE(device->pdioCtrl(4), pdio3);

  sim().reset();
  cKorvo5Device second;
  EXPECT_EQ(sim().liveDevices(), 2u);
  EXPECT_EQ(second.pdioCtrl(3), pdio3);
  EXPECT_EQ(second.pdioCtrl(3)->fpgaCtrl(), fpga3);
  EXPECT_EQ(second.pdioCtrl(3)->cpdCtrl(), cpd3);
  EXPECT_EQ(second.psCtrl(), ps);
  EXPECT_EQ(second.deviceCtrl()->stateCtrl(), state);
  EXPECT_EQ(second.psCtrl(), sim().psCtrl());
  EXPECT_EQ(sim().pdio(3), pdio3);
  EXPECT_EQ(sim().pdio(7), nullptr);
  EXPECT_THROW(second.pdioCtrl(7), std::string);
}

TEST_F(Korvo5Sim, DeviceObjectsAreCountedAndTraced) {
  EXPECT_EQ(sim().liveDevices(), 1u);
  {
    cKorvo5Device other;
    EXPECT_EQ(sim().liveDevices(), 2u);
  }
  EXPECT_EQ(sim().liveDevices(), 1u);
  EXPECT_TRUE(sim().containsInOrder({Sim::eventIs(Ev::tkDeviceCreated, 1),
                                     Sim::eventIs(Ev::tkDeviceCreated, 2),
                                     Sim::eventIs(Ev::tkDeviceDestroyed, 1)}));
}

TEST_F(Korvo5Sim, ResetRestoresPowerUp) {
  RecordingSocket socket;
  sim().plug(socket);
  device->psCtrl()->setSupplyVoltage(PS_VCP2, 3000);
  cpd(1)->writeRegisterSet(1, regSet(1), nullptr);
  cpd(0)->setCRS(1);
  cpd(0)->pulseCPDStrobe();
  cpd(0)->setNOEGND(false);
  mcu_write16(kBase + 0xA6, 1);
  fpga(1)->write16(92, 5);
  device->deviceCtrl()->stateCtrl()->setDeviceState(3);
  device->deviceCtrl()->stateCtrl()->claimDevice("usb", "A", false);
  cK5PiezoCtrl(*device).set(1, 2);
  device->waitBusCycles(77);
  sim().setAccessCost(4);
  sim().setProductName("x");
  sim().setTraceEnabled(false);
  sim().injectThrow("psCtrl", "boom");
  sim().setLoadHdwError(0, "bad");

  sim().reset();

  EXPECT_TRUE(sim().socketDevices().empty());
  EXPECT_EQ(sim().supplyLevel(PS_VCP2), 0u);
  EXPECT_EQ(sim().cpd(1).bank[1][0], 0u);
  EXPECT_EQ(sim().cpd(1).writtenBy[1], k5BankUnwritten);
  EXPECT_FALSE(sim().cpd(1).liveValid);
  EXPECT_EQ(sim().cpd(0).selectedBank, 0u);
  EXPECT_TRUE(sim().cpd(0).outputDisabled[k5OutGnd]);
  EXPECT_EQ(sim().mcuRegister(0xA6), 0);
  EXPECT_EQ(sim().fpgaRegister(1, 92), 0);
  EXPECT_TRUE(sim().stateHistory().empty());
  EXPECT_EQ(sim().claimedRemoteId(), "");
  EXPECT_TRUE(sim().buzzer().empty());
  EXPECT_EQ(sim().nowCycles(), 0u);
  EXPECT_TRUE(sim().trace().empty());
  EXPECT_EQ(sim().productName(), "Korvo5 Sim");
  EXPECT_EQ(sim().liveDevices(), 1u);  // the fixture's device still lives

  EXPECT_NO_THROW(device->psCtrl());
  mcu_read16(kBase + 0x60);
  EXPECT_EQ(sim().accessCycles(), 0u);
  EXPECT_EQ(sim().trace().size(), 1u);
  std::string error = "stale";
  cK5FPGACtrl::loadHdw(0, "ab", 2, error);
  EXPECT_EQ(error, "");
}

}  // namespace
