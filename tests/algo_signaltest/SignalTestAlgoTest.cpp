#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include "cK5TouchProbe.h"
#include "mcAlgo.h"
#include "pinBankTable.h"
#include "signalTestSupport.h"
#include "tBuzzerRuns.h"
#include "tCaseName.h"

namespace {

using namespace signalTape;
using Probe = cK5TouchProbe;

const std::uint64_t kSetupCycles = 50000 + 50;
const std::uint64_t kGongCycles = 4 * 500000;

void touchedPinBuzzer(tBuzzerRuns& runs) { appendTouchedPin(runs, Probe::kTouchRun); }

const char* const kRefusedNames[] = {"Program", "Read", "BlankCheck", "Erase"};

std::string refusedName(const testing::TestParamInfo<short (mcAlgo::*)()>& info) {
  return kRefusedNames[info.index];
}

// ------------------------------------------------------------------- itoa

struct tItoaCase {
  const char* name;
  int value;
  int base;
  const char* text;
};

class SignalTestItoa : public testing::TestWithParam<tItoaCase> {};

TEST_P(SignalTestItoa, WritesTheValueInTheBase) {
  const tItoaCase& c = GetParam();
  char buffer[mcAlgo::kItoaBufferSize + 2];
  std::fill(std::begin(buffer), std::end(buffer), '#');
  EXPECT_EQ(mcAlgo::itoa(c.value, buffer, c.base), buffer);
  EXPECT_STREQ(buffer, c.text);
  // Nothing beyond the room the caller gives.
  EXPECT_EQ(buffer[mcAlgo::kItoaBufferSize], '#');
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SignalTestItoa,
    testing::Values(tItoaCase{"NegativeHex", -255, 16, "-ff"}, tItoaCase{"Zero", 0, 10, "0"},
                    tItoaCase{"Binary", 255, 2, "11111111"}, tItoaCase{"TopBase", 35, 36, "z"},
                    tItoaCase{"PinNumber", 144, 10, "144"},
                    tItoaCase{"MinimumDecimal", INT_MIN, 10, "-2147483648"},
                    tItoaCase{"MaximumDecimal", INT_MAX, 10, "2147483647"},
                    tItoaCase{"MinimumBinary", INT_MIN, 2, "-10000000000000000000000000000000"},
                    tItoaCase{"BaseOne", 5, 1, ""}, tItoaCase{"BaseThirtySeven", 5, 37, ""},
                    tItoaCase{"NegativeBase", 5, -10, ""}),
    tCaseName());

// ------------------------------------------------------------ bank table

TEST(SignalTestPinBankTable, HoldsEveryPinOnItsBankBetweenTwoZeros) {
  EXPECT_EQ(pinBankTable[0], 0);
  EXPECT_EQ(pinBankTable[145], 0);
  unsigned int onBank[4] = {};
  for (unsigned int pin = 1; pin <= 144; ++pin) {
    ASSERT_GE(pinBankTable[pin], 1) << pin;
    ASSERT_LE(pinBankTable[pin], 3) << pin;
    ++onBank[pinBankTable[pin]];
    // The probe's wiring is a copy of its own.
    EXPECT_EQ(static_cast<unsigned int>(pinBankTable[pin]), Probe::bankOf(pin)) << pin;
  }
  EXPECT_EQ(onBank[1], 54u);
  EXPECT_EQ(onBank[2], 60u);
  EXPECT_EQ(onBank[3], 30u);
  const std::vector<std::pair<unsigned int, int>> edges = {
      {1, 1},  {15, 1}, {16, 3}, {31, 3}, {32, 1},  {33, 3},  {34, 1}, {35, 3},
      {36, 3}, {37, 1}, {47, 1}, {48, 3}, {49, 1},  {50, 3},  {51, 1}, {52, 3},
      {60, 3}, {61, 1}, {72, 1}, {73, 2}, {132, 2}, {133, 1}, {144, 1}};
  for (const auto& e : edges) EXPECT_EQ(pinBankTable[e.first], e.second) << e.first;
}

// ------------------------------------------------------- refused actions

class SignalTestRefused : public tSignalTestBench,
                          public testing::WithParamInterface<short (mcAlgo::*)()> {};

TEST_P(SignalTestRefused, WriteClassNineCode210AndTouchNothing) {
  EXPECT_EQ((algo.get()->*GetParam())(), -1);
  EXPECT_EQ(record().getErrorClass(), 9u);
  EXPECT_EQ(record().getErrorCode(), 210u);
  EXPECT_EQ(sim().traceSize(), 0u);
  EXPECT_TRUE(buzzerRuns().empty());
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(ui.addresses + ui.cancelPolls, 0u);
  EXPECT_EQ(probe.violations(), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Actions, SignalTestRefused,
                         testing::Values(&mcAlgo::Program, &mcAlgo::Read, &mcAlgo::BlankCheck,
                                         &mcAlgo::Erase),
                         refusedName);

// ------------------------------------------------------------ the test

class SignalTest : public tSignalTestBench {
protected:
  void cancelAt(unsigned int pin, std::uint64_t reading) {
    ASSERT_TRUE(reading == 0 ? probe.atSelection(pin, [this] { ui.cancel = true; })
                             : probe.atReading(pin, reading, [this] { ui.cancel = true; }));
  }
};

TEST_F(SignalTest, SetupSetsTheLevelsWaitsAndSynchronises) {
  startTape();
  hw->setup();
  EXPECT_EQ(tape.groups(), (tGroups{{kSetup, 1}}));
}

// Every round of the test, exactly as the programmer and the user interface
// saw it: three touched pins, then a pin that stays high until the cancel
// after its fifth reading.
TEST_F(SignalTest, TouchedPinsGongAndACancelEndsTheTestAtTheNextPin) {
  ASSERT_TRUE(probe.touchRange(1, 3));
  cancelAt(4, 5);
  startTape();
  EXPECT_EQ(algo->Verify(), 0);

  tGroups expected = {{kSetup, 1}};
  for (unsigned int pin = 1; pin <= 3; ++pin) touchedPin(expected, pin);
  expected.push_back({select(4), 1});
  expected.push_back({reading(4, false), 5});
  // The round that saw the cancel still reads; the next pin's check ends it.
  expected.push_back({reading(4, false, true) + kPinOff, 1});
  expected.push_back({cancelledEnd(), 1});
  EXPECT_EQ(tape.groups(), expected);

  tBuzzerRuns buzzer;
  for (int pin = 1; pin <= 3; ++pin) touchedPinBuzzer(buzzer);
  std::get<2>(buzzer.back()) += 6 + 1;  // pin 4: six readings and the pin's end
  buzzer.emplace_back(0, 100, 1);
  EXPECT_EQ(buzzerRuns(), buzzer);

  EXPECT_EQ(sim().waitedCycles(), kSetupCycles + 3 * kGongCycles);
  EXPECT_EQ(ui.debugTexts, (std::vector<std::string>{"Pin #1 selected", "Pin #2 selected",
                                                     "Pin #3 selected", "Pin #4 selected"}));
  EXPECT_TRUE(ui.messages.empty());
  for (unsigned int pin = 1; pin <= 3; ++pin) EXPECT_EQ(probe.readings(pin), Probe::kTouchRun);
  EXPECT_EQ(probe.readings(4), 6u);
  EXPECT_EQ(probe.violations(), std::vector<std::string>{});
}

TEST_F(SignalTest, EachPinIsAnnouncedBySelectionAndDebugText) {
  ASSERT_TRUE(probe.touchRange(1, 6));
  cancelAt(7, 0);
  EXPECT_EQ(algo->Verify(), 0);
  ASSERT_EQ(ui.debugTexts.size(), 7u);
  EXPECT_EQ(ui.debugTexts[6], "Pin #7 selected");
  EXPECT_EQ(probe.selections(), (std::vector<std::uint32_t>{1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(probe.readings(7), 1u);
  EXPECT_EQ(ui.addressRuns, (std::vector<std::pair<int, unsigned short>>{{0, 0}}));
  EXPECT_EQ(probe.violations(), std::vector<std::string>{});
}

// A single high reading starts the count again: the pin is done only at the
// end of the second run.
TEST_F(SignalTest, AHighReadingStartsTheCountAgain) {
  ASSERT_TRUE(probe.script(1, {{true, 44443}, {false, 1}, {true, 44444}}));
  cancelAt(2, 0);
  startTape();
  EXPECT_EQ(algo->Verify(), 0);

  const tGroups expected = {{kSetup, 1},
                            {select(1), 1},
                            {reading(1, true), 44443},
                            {reading(1, false), 1},
                            {reading(1, true), 44443},
                            {reading(1, true) + kGong + kPinOff, 1},
                            {select(2), 1},
                            {reading(2, false, true) + kPinOff, 1},
                            {cancelledEnd(), 1}};
  EXPECT_EQ(tape.groups(), expected);
  EXPECT_EQ(sim().waitedCycles(), kSetupCycles + kGongCycles);
  EXPECT_EQ(probe.violations(), std::vector<std::string>{});
}

// 44443 low readings in a row are not enough.
TEST_F(SignalTest, OneLowReadingShortOfTheRunIsNoGong) {
  ASSERT_TRUE(probe.script(1, {{true, 44443}}));
  cancelAt(1, 44443 + 10);
  EXPECT_EQ(algo->Verify(), 0);
  EXPECT_EQ(probe.readings(1), 44443u + 11);
  EXPECT_EQ(sim().waitedCycles(), kSetupCycles);
  EXPECT_EQ(buzzerRuns(), (tBuzzerRuns{{5000, 1, 44443}, {5000, 0, 12}, {0, 100, 1}}));
  EXPECT_EQ(probe.violations(), std::vector<std::string>{});
}

TEST_F(SignalTest, CancelBeforeTheFirstPinOnlyQuietsTheBuzzer) {
  ui.cancel = true;
  startTape();
  EXPECT_EQ(algo->Verify(), 0);
  EXPECT_EQ(tape.groups(), (tGroups{{kSetup, 1}, {cancelledEnd(), 1}}));
  EXPECT_EQ(buzzerRuns(), (tBuzzerRuns{{0, 100, 1}}));
  EXPECT_TRUE(ui.debugTexts.empty());
  EXPECT_TRUE(probe.selections().empty());
  EXPECT_EQ(probe.violations(), std::vector<std::string>{});
}

// The operator's tool: a pin that never reads low keeps the test there, with
// no time-out, until the cancel.
TEST_F(SignalTest, APinThatNeverReadsLowHoldsTheTestUntilCancel) {
  sim().setTraceEnabled(false);
  cancelAt(1, 150000);
  EXPECT_EQ(algo->Verify(), 0);
  EXPECT_EQ(probe.readings(1), 150001u);
  EXPECT_EQ(probe.selections(), std::vector<std::uint32_t>{1});
  EXPECT_EQ(buzzerRuns(), (tBuzzerRuns{{5000, 0, 150002}, {0, 100, 1}}));
  EXPECT_EQ(sim().waitedCycles(), kSetupCycles);
  EXPECT_EQ(probe.violations(), std::vector<std::string>{});
}

// All 144 pins touched: the test ends by itself after the last pin, each pin
// read only at its own bank's register.
TEST_F(SignalTest, AllPinsTouchedEndsAfterTheLastPin) {
  sim().setTraceEnabled(false);
  ASSERT_TRUE(probe.touchRange(1, 144));
  EXPECT_EQ(algo->Verify(), 0);

  std::vector<Probe::tReadRun> readLog;
  std::vector<std::string> debugTexts;
  std::vector<std::uint32_t> selections;
  tBuzzerRuns buzzer;
  for (unsigned int pin = 1; pin <= 144; ++pin) {
    readLog.push_back({pin, Probe::bankRegister(Probe::bankOf(pin)), true, Probe::kTouchRun});
    debugTexts.push_back("Pin #" + std::to_string(pin) + " selected");
    selections.push_back(pin);
    touchedPinBuzzer(buzzer);
  }
  buzzer.emplace_back(0, 100, 1);
  EXPECT_TRUE(probe.readLog() == readLog);
  EXPECT_EQ(probe.reads(1, 0x260), Probe::kTouchRun);
  EXPECT_EQ(probe.reads(16, 0x660), Probe::kTouchRun);
  EXPECT_EQ(probe.reads(73, 0x460), Probe::kTouchRun);
  EXPECT_EQ(probe.totalReads(), 144 * Probe::kTouchRun);
  EXPECT_EQ(ui.debugTexts, debugTexts);
  EXPECT_EQ(probe.selections(), selections);
  EXPECT_EQ(buzzerRuns(), buzzer);
  EXPECT_EQ(sim().waitedCycles(), kSetupCycles + 144 * kGongCycles);
  EXPECT_EQ(sim().waitedCycles(), 50050u + 144u * 2000000u);
  // One round per pin to select it and one per reading; no check after the last.
  EXPECT_EQ(ui.addresses, 144 * (1 + Probe::kTouchRun));
  EXPECT_EQ(ui.cancelPolls, ui.addresses);
  EXPECT_EQ(ui.addressRuns, (std::vector<std::pair<int, unsigned short>>{{0, 0}}));
  EXPECT_FALSE(ui.cancel);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(probe.violations(), std::vector<std::string>{});
}

}  // namespace
