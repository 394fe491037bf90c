#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "holtekTestSupport.h"
#include "mcHInterface.h"
#include "tCaseName.h"

namespace {

// A comparison: VCOMP, 30 ms, one comparator read. Where the search turns, a
// second read starts the next loop.
tTokens probe(unsigned int mV) { return {supply(PS_VCOMP, mV), w(150000), rd(0x60)}; }
tTokens turn(unsigned int mV) { return {supply(PS_VCOMP, mV), w(150000), rd(0x60), rd(0x60)}; }

// from, from + step, ... up to and including to (step may be negative).
tTokens probes(int from, int to, int step) {
  tTokens t;
  for (int v = from; step > 0 ? v <= to : v >= to; v += step)
    append(t, probe(static_cast<unsigned int>(v)));
  return t;
}

tTokens join(std::initializer_list<tTokens> parts) {
  tTokens all;
  for (const tTokens& part : parts) append(all, part);
  return all;
}

struct tVccCase {
  const char* name;
  unsigned long upper;
  unsigned long lower;
  unsigned int sensed;
  unsigned int collapseAtVcompWrite;
  std::uint32_t result;
  tTokens comparisons;
  std::uint64_t cycles;
};

class HoltekVcc : public tHoltekTest, public testing::WithParamInterface<tVccCase> {};

TEST_P(HoltekVcc, SearchesTheSwitchingPoint) {
  const tVccCase& c = GetParam();
  mStub.sensed = c.sensed;
  mStub.vcompWrites = 0;
  mStub.collapseAtVcompWrite = c.collapseAtVcompWrite;

  std::uint32_t result = 0;
  const std::uint64_t cycles = cyclesOf([&] { result = mpHw->calcVcc(c.upper, c.lower); });

  EXPECT_EQ(result, c.result);
  tTokens expected = {supply(PS_VLS, 1000), w(500000)};
  append(expected, c.comparisons);
  EXPECT_EQ(wireTokens(), expected);
  EXPECT_EQ(cycles, c.cycles);
  // Never a wrapped level.
  for (const auto& write : sim().supplyWrites()) EXPECT_LE(write.second, 5000u);
}

INSTANTIATE_TEST_SUITE_P(
    Table, HoltekVcc,
    testing::Values(
        // VCOMP 3640, 2960, 3050 ... 3320, 3311, 3302, 3293, 3288, 3289 ... 3300: 22 comparisons.
        tVccCase{"InsideWindow", 3600, 3000, 3300, 0, 3300,
                 join({probe(3640), turn(2960), probes(3050, 3230, 90), turn(3320),
                       probes(3311, 3293, -9), probe(3288), probes(3289, 3300, 1)}),
                 3800000},
        tVccCase{"JustAboveTheWindowBottom", 3600, 3000, 2961, 0, 2961,
                 join({probe(3640), turn(2960), turn(3050), probes(3041, 2960, -9), probe(2955),
                       probes(2956, 2961, 1)}),
                 3500000},
        // The coarse rise may pass the window top by less than a step.
        tVccCase{"AtTheWindowTop", 3600, 3000, 3640, 0, 3640,
                 join({probe(3640), turn(2960), probes(3050, 3590, 90), turn(3680),
                       probes(3671, 3635, -9), probe(3630), probes(3631, 3640, 1)}),
                 4400000},
        tVccCase{"AboveTheWindow", 3600, 3000, 3700, 0, 0, probe(3640), 650000},
        tVccCase{"BelowTheWindow", 3600, 3000, 2900, 0, 0, join({probe(3640), probe(2960)}),
                 800000},
        tVccCase{"AtTheWindowBottomIsBelow", 3600, 3000, 2960, 0, 0,
                 join({probe(3640), probe(2960)}), 800000},
        tVccCase{"ClippedTopAlreadyHigh", 4980, 4000, 5200, 0, 5000, probe(5000), 650000},
        tVccCase{"TopExactlyAtTheClip", 4960, 4000, 5200, 0, 5000, probe(5000), 650000},
        tVccCase{"TopJustBelowTheClip", 4959, 4000, 5200, 0, 0, probe(4999), 650000},
        // An upper limit near the top of the range does not wrap the window top.
        tVccCase{"UpperLimitNearTheRangeTop", 0xFFFFFFF0ul, 4000, 5200, 0, 5000, probe(5000),
                 650000},
        // A lower limit under 40 mV puts the window bottom at 0 mV.
        tVccCase{"LowerLimitUnder40", 600, 20, 300, 0, 300,
                 join({probe(640), turn(0), probes(90, 270, 90), turn(360), probes(351, 297, -9),
                       probe(292), probes(293, 300, 1)}),
                 3800000},
        // A step below 0 mV ends the search with 0, without comparing there.
        tVccCase{"BackStepWouldGoBelowZero", 600, 20, 1, 0, 0,
                 join({probe(640), turn(0), turn(90), probes(81, 0, -9)}), 2450000},
        tVccCase{"FineFallWouldGoBelowZero", 600, 20, 300, 6, 0,
                 join({probe(640), turn(0), probes(90, 270, 90), turn(360), probes(351, 0, -9)}),
                 7400000}),
    tCaseName());

}  // namespace
