#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "Korvo5.h"
#include "cK5SimProgrammer.h"
#include "cK5TouchProbe.h"
#include "tBench.h"

// Found by the printer through the argument's namespace, hence not in the unnamed one.
static void PrintTo(const cK5TouchProbe::tReadRun& r, std::ostream* os) {
  *os << "{pin " << r.pin << ", 0x" << std::hex << r.offset << std::dec << ", "
      << (r.low ? "low" : "high") << " x" << r.count << "}";
}

namespace {

using Sim = cK5SimProgrammer;
using Probe = cK5TouchProbe;

const unsigned int kBase = Sim::kRegBaseToken;
const unsigned int kBank1 = 0x260;
const unsigned int kBank2 = 0x460;
const unsigned int kBank3 = 0x660;
const unsigned short kHigh = 0x0080;
const unsigned short kLow = 0x0000;

Probe::tRun low(std::uint64_t n) { return {true, n}; }
Probe::tRun high(std::uint64_t n) { return {false, n}; }

// The probe alone in the socket, driven with raw register accesses.
// Tests that provoke violations assert them and say so to the bench.
class TouchProbe : public tBenchTest {
protected:
  TouchProbe() { plug(probe); }

  // As the interface loads an address: high half, then low half.
  static void select(std::uint32_t address) {
    mcu_write16(kBase + 0x82, static_cast<unsigned short>(address >> 16));
    mcu_write16(kBase + 0x80, static_cast<unsigned short>(address & 0xFFFFu));
  }
  static unsigned short read(unsigned int offset) { return mcu_read16(kBase + offset); }
  // n reads of the register as 'L' (bit 7 clear) and 'H'.
  static std::string levels(unsigned int offset, unsigned int n) {
    std::string text;
    for (unsigned int i = 0; i < n; ++i) text += (read(offset) & kHigh) == 0 ? 'L' : 'H';
    return text;
  }

  Probe probe;
};

// ---------------------------------------------------------------- selection

TEST_F(TouchProbe, SelectionIsTheHighHalfThenTheLowHalf) {
  select(0x00010002u);
  EXPECT_EQ(probe.selectedAddress(), 0x00010002u);
  EXPECT_EQ(probe.selectedPin(), 0u);  // no socket pin

  select(16);
  EXPECT_EQ(probe.selectedPin(), 16u);
  // A high half alone selects nothing yet.
  mcu_write16(kBase + 0x82, 0);
  EXPECT_EQ(probe.selectedPin(), 16u);
  mcu_write16(kBase + 0x80, 144);
  EXPECT_EQ(probe.selectedPin(), 144u);
  select(145);
  EXPECT_EQ(probe.selectedPin(), 0u);

  EXPECT_EQ(probe.selections(), (std::vector<std::uint32_t>{0x00010002u, 16, 144, 145}));
  EXPECT_EQ(probe.violations(), std::vector<std::string>{});
}

TEST_F(TouchProbe, LowHalfWithoutAHighHalfBeforeItIsAViolation) {
  acceptViolations(probe);
  // Low half first: selects with the stale high half.
  mcu_write16(kBase + 0x80, 3);
  mcu_write16(kBase + 0x82, 0);
  EXPECT_EQ(probe.selectedPin(), 3u);
  select(3);
  mcu_write16(kBase + 0x80, 4);

  EXPECT_EQ(probe.violations(),
            (std::vector<std::string>{"address low half written without a high half before it",
                                      "address low half written without a high half before it"}));
}

// ---------------------------------------------------------------- banks

TEST_F(TouchProbe, EachPinReadsLowOnExactlyOneBank) {
  unsigned int pinsOnBank[4] = {0, 0, 0, 0};
  for (unsigned int pin = 1; pin <= 144; ++pin) {
    ASSERT_TRUE(probe.holdLow(pin));
    select(pin);
    unsigned int lowBank = 0;
    for (unsigned int bank = 1; bank <= 3; ++bank) {
      if ((read(0x60 + bank * 0x200) & kHigh) != 0) continue;
      EXPECT_EQ(lowBank, 0u) << "pin " << pin << " low on two banks";
      lowBank = bank;
    }
    ASSERT_NE(lowBank, 0u) << "pin " << pin;
    EXPECT_EQ(Probe::bankOf(pin), lowBank) << "pin " << pin;
    ++pinsOnBank[lowBank];
  }
  EXPECT_EQ(pinsOnBank[1], 54u);
  EXPECT_EQ(pinsOnBank[2], 60u);
  EXPECT_EQ(pinsOnBank[3], 30u);
}

TEST_F(TouchProbe, BankBoundariesReadLowOnTheirOwnRegister) {
  struct tCase {
    unsigned int pin;
    unsigned int reg;
  };
  const tCase cases[] = {{1, kBank1},  {15, kBank1},  {16, kBank3},  {31, kBank3}, {32, kBank1},
                         {33, kBank3}, {34, kBank1},  {36, kBank3},  {37, kBank1}, {48, kBank3},
                         {51, kBank1}, {52, kBank3},  {60, kBank3},  {61, kBank1}, {72, kBank1},
                         {73, kBank2}, {132, kBank2}, {133, kBank1}, {144, kBank1}};
  for (const tCase& c : cases) {
    probe.holdLow(c.pin);
    select(c.pin);
    for (unsigned int reg : {kBank1, kBank2, kBank3})
      EXPECT_EQ(read(reg), reg == c.reg ? kLow : kHigh) << "pin " << c.pin << " reg " << reg;
  }
}

TEST_F(TouchProbe, BankLookupsOutsideTheSocketAnswerZero) {
  EXPECT_EQ(Probe::bankOf(0), 0u);
  EXPECT_EQ(Probe::bankOf(145), 0u);
  EXPECT_EQ(Probe::bankRegister(0), 0u);
  EXPECT_EQ(Probe::bankRegister(1), kBank1);
  EXPECT_EQ(Probe::bankRegister(3), kBank3);
  EXPECT_EQ(Probe::bankRegister(4), 0u);
}

TEST_F(TouchProbe, OtherRegistersAreLeftToTheRegisterFile) {
  probe.holdLow(1);
  select(1);
  sim().setMcuRegister(0x60, 0x1234);
  sim().setMcuRegister(0x84 + 0x200, 0x0055);
  EXPECT_EQ(read(0x60), 0x1234);
  EXPECT_EQ(read(0x84 + 0x200), 0x0055);
  EXPECT_EQ(read(0x60 + 4 * 0x200), 0);
  EXPECT_EQ(probe.totalReads(), 0u);
  EXPECT_EQ(probe.readings(1), 0u);
}

// ---------------------------------------------------------------- scripts

TEST_F(TouchProbe, ScriptedRunsAnswerInOrderThenHigh) {
  ASSERT_TRUE(probe.script(73, {low(3), high(2), low(1)}));
  select(73);
  EXPECT_EQ(read(kBank2), kLow);  // all other bits 0
  EXPECT_EQ(levels(kBank2, 9), "LLHHLHHHH");
  EXPECT_EQ(read(kBank2), kHigh);
  EXPECT_EQ(probe.readings(73), 11u);

  const std::vector<Probe::tReadRun> expected = {
      {73, kBank2, true, 3}, {73, kBank2, false, 2}, {73, kBank2, true, 1}, {73, kBank2, false, 5}};
  EXPECT_EQ(probe.readLog(), expected);
}

TEST_F(TouchProbe, UnscriptedPinReadsHigh) {
  select(2);
  EXPECT_EQ(levels(kBank1, 3), "HHH");
  EXPECT_EQ(probe.readings(2), 3u);
}

TEST_F(TouchProbe, HeldPinReadsLowAtEveryReading) {
  probe.setReadLimits(Probe::kDefaultReadLimit, 300000);
  probe.holdLow(16);
  select(16);
  std::uint64_t lows = 0;
  for (unsigned int i = 0; i < 250000; ++i) lows += read(kBank3) == kLow ? 1 : 0;
  EXPECT_EQ(lows, 250000u);
  EXPECT_EQ(probe.readLog(), (std::vector<Probe::tReadRun>{{16, kBank3, true, 250000}}));
  EXPECT_EQ(probe.violations(), std::vector<std::string>{});
}

TEST_F(TouchProbe, TouchedPinGivesExactlyTheCompletingLowRun) {
  ASSERT_TRUE(probe.touch(5));
  select(5);
  std::uint64_t lowsInARow = 0;
  while (read(kBank1) == kLow) ++lowsInARow;
  EXPECT_EQ(lowsInARow, 44444u);
  EXPECT_EQ(levels(kBank1, 2), "HH");
  EXPECT_EQ(probe.readings(5), 44447u);
}

TEST_F(TouchProbe, ReadOfAnotherBankAnswersHighAndDoesNotAdvance) {
  probe.script(1, {low(2), high(1)});
  select(1);
  EXPECT_EQ(levels(kBank1, 1), "L");
  EXPECT_EQ(levels(kBank2, 2), "HH");
  EXPECT_EQ(levels(kBank3, 1), "H");
  EXPECT_EQ(levels(kBank1, 3), "LHH");

  EXPECT_EQ(probe.readings(1), 4u);
  EXPECT_EQ(probe.reads(1, kBank1), 4u);
  EXPECT_EQ(probe.reads(1, kBank2), 2u);
  EXPECT_EQ(probe.reads(1, kBank3), 1u);
  EXPECT_EQ(probe.totalReads(), 7u);
  const std::vector<Probe::tReadRun> expected = {{1, kBank1, true, 1},
                                                 {1, kBank2, false, 2},
                                                 {1, kBank3, false, 1},
                                                 {1, kBank1, true, 1},
                                                 {1, kBank1, false, 2}};
  EXPECT_EQ(probe.readLog(), expected);
}

TEST_F(TouchProbe, ReadsWithNoSocketPinSelectedAnswerHighAndAreRecorded) {
  probe.holdLow(1);
  EXPECT_EQ(read(kBank1), kHigh);  // nothing selected yet
  select(0x00010001u);
  EXPECT_EQ(read(kBank1), kHigh);
  EXPECT_EQ(probe.readings(1), 0u);
  EXPECT_EQ(probe.reads(0, kBank1), 2u);
  EXPECT_EQ(probe.readLog(), (std::vector<Probe::tReadRun>{{0, kBank1, false, 2}}));
}

TEST_F(TouchProbe, EachPinKeepsItsScriptPositionAcrossSelections) {
  probe.script(1, {low(2), high(1), low(1)});
  probe.script(16, {high(1), low(2)});
  select(1);
  EXPECT_EQ(levels(kBank1, 1), "L");
  select(16);
  EXPECT_EQ(levels(kBank3, 2), "HL");
  select(1);
  EXPECT_EQ(levels(kBank1, 4), "LHLH");
  select(16);
  EXPECT_EQ(levels(kBank3, 2), "LH");
}

TEST_F(TouchProbe, NewScriptStartsAfresh) {
  probe.script(2, {low(3)});
  select(2);
  EXPECT_EQ(levels(kBank1, 2), "LL");
  probe.script(2, {high(1), low(1)});
  EXPECT_EQ(levels(kBank1, 3), "HLH");
  EXPECT_EQ(probe.readings(2), 5u);
}

TEST_F(TouchProbe, BadScriptInputIsRefusedAndChangesNothing) {
  const std::vector<std::vector<Probe::tRun>> badRuns = {
      {}, {low(0)}, {low(2), high(0)}, {low(Probe::kForever), high(1)}};
  for (const auto& runs : badRuns) EXPECT_FALSE(probe.script(1, runs)) << runs.size();
  for (unsigned int pin : {0u, 145u, 0x10001u}) {
    EXPECT_FALSE(probe.script(pin, {low(1)})) << pin;
    EXPECT_FALSE(probe.holdLow(pin)) << pin;
    EXPECT_FALSE(probe.touch(pin)) << pin;
  }
  EXPECT_FALSE(probe.touchAll({1, 2, 145}));
  EXPECT_FALSE(probe.touchRange(0, 3));
  EXPECT_FALSE(probe.touchRange(143, 145));
  EXPECT_FALSE(probe.touchRange(3, 2));

  for (unsigned int pin : {1u, 2u, 3u, 144u}) {
    select(pin);
    EXPECT_EQ(read(kBank1), kHigh) << pin;
  }
}

TEST_F(TouchProbe, TouchAllAndTouchRangeTouchEachPin) {
  ASSERT_TRUE(probe.touchAll({2, 73}));
  ASSERT_TRUE(probe.touchRange(143, 144));
  ASSERT_TRUE(probe.script(1, {low(Probe::kForever)}));
  for (unsigned int pin : {2u, 73u, 143u, 144u}) {
    select(pin);
    const unsigned int reg = Probe::bankRegister(Probe::bankOf(pin));
    while (read(reg) == kLow) {
    }
    EXPECT_EQ(probe.readings(pin), 44445u) << pin;
  }
  select(3);
  EXPECT_EQ(read(kBank1), kHigh);
}

// ---------------------------------------------------------------- events

TEST_F(TouchProbe, SelectionEventRunsEachTimeThePinIsSelected) {
  std::vector<std::uint32_t> seen;
  ASSERT_TRUE(probe.atSelection(7, [&] { seen.push_back(probe.selectedAddress()); }));
  select(6);
  select(7);
  select(8);
  select(0x00010007u);
  select(7);
  EXPECT_EQ(seen, (std::vector<std::uint32_t>{7, 7}));
  EXPECT_FALSE(probe.atSelection(0, [] {}));
  EXPECT_FALSE(probe.atSelection(145, [] {}));
}

TEST_F(TouchProbe, ReadingEventRunsOnceRightAfterTheNthReading) {
  std::vector<std::string> events;
  ASSERT_TRUE(probe.atReading(
      3, 2, [&] { events.push_back("event after reading " + std::to_string(probe.readings(3))); }));
  probe.holdLow(3);
  probe.holdLow(4);
  select(4);
  levels(kBank1, 3);  // another pin's readings do not count
  select(3);
  for (unsigned int i = 1; i <= 4; ++i) {
    levels(kBank2, 1);  // nor do reads of another bank
    levels(kBank1, 1);
    events.push_back("read " + std::to_string(i) + " returned");
  }
  EXPECT_EQ(events,
            (std::vector<std::string>{"read 1 returned", "event after reading 2", "read 2 returned",
                                      "read 3 returned", "read 4 returned"}));
  EXPECT_FALSE(probe.atReading(3, 0, [] {}));
  EXPECT_FALSE(probe.atReading(145, 1, [] {}));
}

TEST_F(TouchProbe, GuardRunsOnceWhenTheTotalReadLimitIsPassed) {
  acceptViolations(probe);
  probe.setReadLimits(10, 1000);
  std::vector<std::uint64_t> guardAt;
  probe.setGuard([&] { guardAt.push_back(probe.totalReads()); });
  select(1);
  levels(kBank1, 6);
  select(2);
  levels(kBank2, 8);
  EXPECT_EQ(guardAt, std::vector<std::uint64_t>{11});
  EXPECT_EQ(probe.violations(), std::vector<std::string>{"more than 10 reads"});
}

TEST_F(TouchProbe, GuardRunsOncePerPinPassingThePinReadLimit) {
  acceptViolations(probe);
  probe.setReadLimits(1000, 3);
  std::vector<unsigned int> guardAt;
  probe.setGuard([&] { guardAt.push_back(probe.selectedPin()); });
  select(1);
  levels(kBank2, 5);  // a wrong bank never completes a pin: its reads count
  select(2);
  levels(kBank1, 3);
  select(73);
  levels(kBank2, 4);
  select(2);
  levels(kBank1, 1);
  select(0);
  levels(kBank3, 4);
  EXPECT_EQ(guardAt, (std::vector<unsigned int>{1, 73, 2, 0}));
  EXPECT_EQ(probe.violations(),
            (std::vector<std::string>{"pin 1: more than 3 reads", "pin 73: more than 3 reads",
                                      "pin 2: more than 3 reads", "no pin: more than 3 reads"}));
}

TEST_F(TouchProbe, DefaultPinReadLimitRecordsAViolationWithoutAGuard) {
  acceptViolations(probe);
  probe.holdLow(9);
  select(9);
  for (unsigned int i = 0; i < 200000; ++i) read(kBank1);
  EXPECT_EQ(probe.violations(), std::vector<std::string>{});
  read(kBank1);
  EXPECT_EQ(probe.violations(), std::vector<std::string>{"pin 9: more than 200000 reads"});
}

// ---------------------------------------------------------------- a whole run

TEST_F(TouchProbe, FullTouchedRunIsRecordedAsOneRunPerPin) {
  sim().setTraceEnabled(false);
  ASSERT_TRUE(probe.touchRange(1, 144));
  std::vector<std::uint32_t> pins;
  std::vector<Probe::tReadRun> expected;
  for (unsigned int pin = 1; pin <= 144; ++pin) {
    select(pin);
    const unsigned int reg = Probe::bankRegister(Probe::bankOf(pin));
    // As the signal test: done at the low reading that follows 44443 in a row.
    std::uint64_t count = 0;
    while (count <= 44443) count = read(reg) == kLow ? count + 1 : 0;
    pins.push_back(pin);
    expected.push_back({pin, reg, true, 44444});
  }
  EXPECT_EQ(probe.selections(), pins);
  EXPECT_EQ(probe.totalReads(), 144u * 44444u);
  EXPECT_EQ(probe.readLog(), expected);
  EXPECT_EQ(probe.violations(), std::vector<std::string>{});
}

}  // namespace
