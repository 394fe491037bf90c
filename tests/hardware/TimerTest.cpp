#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

#include "cK5FPGACtrl.h"
#include "cK5PDIOCtrl.h"
#include "cK5UiFpgaTimer.h"
#include "cStopTimer.h"
#include "hardwareTestSupport.h"
#include "k5SimTime.h"
#include "tCaseName.h"
#include "tK5LinuxTime.h"
#include "tK5StopClock.h"
#include "tLineTap.h"

namespace {

struct tTimeText {
  std::int64_t microseconds;
  const char* text;
};

class StopTimerText : public testing::TestWithParam<tTimeText> {};

TEST_P(StopTimerText, FormatsSecondsMillisecondsMicroseconds) {
  EXPECT_EQ(cStopTimer::formatTime(GetParam().microseconds), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, StopTimerText,
    testing::Values(tTimeText{0, "0.000 000 sec"}, tTimeText{7, "0.000 007 sec"},
                    tTimeText{42, "0.000 042 sec"}, tTimeText{999, "0.000 999 sec"},
                    tTimeText{1000, "0.001 000 sec"}, tTimeText{12345, "0.012 345 sec"},
                    tTimeText{999999, "0.999 999 sec"}, tTimeText{1000000, "1.000 000 sec"},
                    tTimeText{1234567, "1.234 567 sec"}, tTimeText{61000000, "61.000 000 sec"},
                    // Only the low 32 bits of the span are shown.
                    tTimeText{4294967295LL, "4294.967 295 sec"},
                    tTimeText{4294967296LL, "0.000 000 sec"},
                    tTimeText{4294967296LL + 1234567, "1.234 567 sec"}),
    [](const testing::TestParamInfo<tTimeText>& testCase) {
      return "us" + std::to_string(testCase.param.microseconds);
    });

TEST(StopTimerTest, GetTimeIsStableAfterOneEnd) {
  cStopTimer timer;
  EXPECT_EQ(timer.getTime(), "0.000 000 sec");
  timer.start();
  timer.end();
  const std::string first = timer.getTime();
  EXPECT_EQ(timer.getTime(), first);
  EXPECT_EQ(first.substr(first.size() - 4), " sec");
}

TEST(StopClockTest, EndGivesMillisecondsAndKeepsMicroseconds) {
  tK5StopClock clock;
  EXPECT_EQ(clock.getDiffTime(), 0);
  const std::int64_t before = tK5StopClock::getTimerTicks();
  const std::int64_t start = clock.Start();
  EXPECT_GE(start, before);
  const std::int64_t ms = clock.End();
  // Whole milliseconds of the first reading; the difference is taken from a
  // second, later reading. Right after Start() both are a few microseconds.
  EXPECT_GE(ms, 0);
  EXPECT_LE(ms * 1000, clock.getDiffTime());
  EXPECT_LT(clock.getDiffTime(), 1000000);
  clock.Start();
  EXPECT_EQ(clock.getDiffTime(), 0);
}

// In test programs the time of day is the virtual time of the bus clock.
class StopClockOnBusClock : public tHardwareTest {};

TEST_F(StopClockOnBusClock, MeasuresExactlyTheVirtualTimeWaited) {
  tK5StopClock clock;
  EXPECT_EQ(clock.Start(), kK5SimEpochSeconds * 1000000);
  // 1.234567 s and 4 cycles, below a microsecond.
  krv5().getKorvo5Device().waitBusCycles(5 * 1234567 + 4);
  EXPECT_EQ(clock.End(), 1234);
  EXPECT_EQ(clock.getDiffTime(), 1234567);
  EXPECT_EQ(tK5StopClock::getTimerTicks(),
            kK5SimEpochSeconds * 1000000 + static_cast<std::int64_t>(sim().nowCycles() / 5));

  cStopTimer timer;
  timer.start();
  sim().advance(5 * 2500000);
  krv5().getKorvo5Device().waitBusCycles(5 * 42);
  timer.end();
  EXPECT_EQ(timer.getTime(), "2.500 042 sec");
}

TEST(StopClockTest, DelayWarnsOnStandardOutput) {
  tK5StopClock clock;
  const tStdLines lines = stdLinesOf([&] { clock.delay(0); });
  EXPECT_EQ(lines.err, tLines{});
  EXPECT_EQ(lines.out, tLines{"Warning: tK5StopClock::delay called. Check for correct function!"});
}

// ---- bus-cycle delays ----

struct tDelayCase {
  const char* name;
  std::function<void(tK5LinuxTime&)> action;
  std::uint32_t cycles;
};

class LinuxTimeTest : public tHardwareTest, public testing::WithParamInterface<tDelayCase> {};

TEST_P(LinuxTimeTest, WaitsOnceWithTheseCycles) {
  tK5LinuxTime time(krv5().getKorvo5Device());
  GetParam().action(time);
  const auto waits = sim().traceOf(tK5TraceEvent::tkWait);
  ASSERT_EQ(waits.size(), 1u);
  EXPECT_EQ(waits[0].a, GetParam().cycles);
  EXPECT_EQ(sim().waitedCycles(), GetParam().cycles);
}

INSTANTIATE_TEST_SUITE_P(
    Conversions, LinuxTimeTest,
    testing::Values(
        tDelayCase{"Ndelay199", [](tK5LinuxTime& linuxTime) { linuxTime.ndelay(199); }, 0},
        tDelayCase{"Ndelay1000", [](tK5LinuxTime& linuxTime) { linuxTime.ndelay(1000); }, 5},
        tDelayCase{"DelayNs", [](tK5LinuxTime& linuxTime) { EXPECT_TRUE(linuxTime.delay_ns(401)); },
                   2},
        tDelayCase{"Udelay10", [](tK5LinuxTime& linuxTime) { linuxTime.udelay(10); }, 50},
        tDelayCase{"DelayUs", [](tK5LinuxTime& linuxTime) { EXPECT_TRUE(linuxTime.delay_us(7)); },
                   35},
        tDelayCase{"Mdelay", [](tK5LinuxTime& linuxTime) { linuxTime.mdelay(3); }, 15000},
        tDelayCase{"DelayMs50", [](tK5LinuxTime& linuxTime) { linuxTime.delay_ms(50); }, 250000},
        tDelayCase{"Sdelay1", [](tK5LinuxTime& linuxTime) { linuxTime.sdelay(1); }, 5000000},
        tDelayCase{"DelayDefaultCount", [](tK5LinuxTime& linuxTime) { linuxTime.delay(); }, 5},
        tDelayCase{"DelayAfterSetCount",
                   [](tK5LinuxTime& linuxTime) {
                     linuxTime.SetDelayCount(20);
                     linuxTime.delay();
                   },
                   100},
        // Cycle counts are unsigned 32-bit and wrap.
        tDelayCase{"SdelayWraps", [](tK5LinuxTime& linuxTime) { linuxTime.sdelay(859); }, 32704},
        tDelayCase{"MdelayWraps", [](tK5LinuxTime& linuxTime) { linuxTime.mdelay(858994); }, 2704}),
    tCaseName());

// ---- the FPGA period timer ----

class UiFpgaTimerTest : public tHardwareTest {
protected:
  cK5FPGACtrl& fpga(unsigned int slot) {
    unsigned char ok = 0;
    cK5FPGACtrl* ctrl = krv5().getK5FPGACtrl(slot, ok);
    EXPECT_EQ(ok, 1);
    return *ctrl;
  }
};

TEST_F(UiFpgaTimerTest, PeriodIsWrittenToAndReadBackFromRegister92) {
  cK5UiFpgaTimer timer(fpga(1));
  timer.setTime_ms(250);
  EXPECT_EQ(timer.getTimerCount(), 250);
  EXPECT_TRUE(
      sim().containsInOrder({cK5SimProgrammer::eventIs(tK5TraceEvent::tkFpgaWrite, 92, 250, 1),
                             cK5SimProgrammer::eventIs(tK5TraceEvent::tkFpgaRead, 92, 250, 1)}));
}

TEST_F(UiFpgaTimerTest, RunsForThePeriodOnTheVirtualClock) {
  cK5UiFpgaTimer timer(fpga(1));
  timer.setTime_ms(10);
  EXPECT_NE(timer.isRunningAndRestart(), 0);
  sim().advance(10 * 5000);
  EXPECT_EQ(timer.isRunningAndRestart(), 0);
}

TEST_F(UiFpgaTimerTest, RunningFlagIgnoresTheUpperByteOfRegister93) {
  cK5UiFpgaTimer timer(fpga(2));
  sim().setFpgaRegister(2, 93, 0xAB00);
  EXPECT_EQ(timer.isRunningAndRestart(), 0);
  sim().setFpgaRegister(2, 93, 0xAB05);
  EXPECT_EQ(timer.isRunningAndRestart(), 5);
}

}  // namespace
