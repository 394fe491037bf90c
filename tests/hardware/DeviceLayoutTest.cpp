#include <gtest/gtest.h>

#include <iostream>
#include <string>
#include <vector>

#include "cCfgFileDeviceLayout.h"
#include "cPinConnectionData.h"
#include "tLineTap.h"

namespace {

typedef cDevicePDxyData P;

struct PinDef {
  unsigned pdx;
  P::eTestRule rule;
};

cCfgFileDeviceLayout layoutOf(std::vector<PinDef> pins) {
  cCfgFileDeviceLayout layout(0);
  unsigned line = 0;
  for (const PinDef& p : pins) {
    layout.addPinDefs(new P(p.pdx, line, p.rule, line + 1, "P" + std::to_string(line)));
    ++line;
  }
  return layout;
}

tLines warning(unsigned connected, unsigned hsCount) {
  return {"PIDBG: ",
          "PIDBG: *** Pin Continuity Test *** WARNING : connected pin count = " +
              std::to_string(connected),
          "PIDBG: " + std::string(38, ' ') + "HSDriver  pin count = " + std::to_string(hsCount),
          "PIDBG: " + std::string(33, ' ') + std::string(31, '-'),
          "PIDBG: " + std::string(34, ' ') + "connected pins reported = 0"};
}

TEST(DeviceLayout, InitNeedsASlotAndATestablePin) {
  struct Case {
    const char* what;
    std::vector<PinDef> pins;
    bool ok;
    unsigned maxSlot, total;
  };
  const Case cases[] = {
      {"no pins", {}, false, 0, 0},
      {"all in slot 0", {{0, P::trHigh}, {0, P::trLow}}, false, 0, 0},
      {"nothing testable", {{1, P::trDontCare}, {2, P::trLowSideDriverPin}}, false, 2, 0},
      {"three testable",
       {{1, P::trHighSideDriverPin}, {3, P::trHigh}, {2, P::trLow}, {6, P::trDontCare}},
       true,
       6,
       3},
      {"slot 7", {{7, P::trHigh}}, true, 0, 1},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    cCfgFileDeviceLayout layout = layoutOf(k.pins);
    EXPECT_EQ(layout.init(), k.ok);
    EXPECT_EQ(layout.getSize(), k.pins.size());
    EXPECT_EQ(layout.getPDMaxSlot(), k.maxSlot);
    EXPECT_EQ(layout.getTotalPinNumber(), k.total);
  }
}

TEST(DeviceLayout, PinsAreFreshCopiesForEachTest) {
  cCfgFileDeviceLayout layout = layoutOf({{1, P::trHigh}, {1, P::trLow}});
  ASSERT_TRUE(layout.init());
  layout.getDevicePDxyData(0)->setbResult(1);
  EXPECT_EQ(layout.getDevicePDxyData(2), nullptr);
  EXPECT_EQ(layout.getPinDef(0)->getConnectionResult(), P::crNotSet);
  ASSERT_TRUE(layout.init());
  EXPECT_EQ(layout.getSize(), 2u);
  EXPECT_EQ(layout.getDevicePDxyData(0)->getConnectionResult(), P::crNotSet);
}

TEST(DeviceLayout, ConnectedWhenMorePinsPassThanHighSideDrivers) {
  cCfgFileDeviceLayout layout =
      layoutOf({{1, P::trHighSideDriverPin}, {2, P::trHigh}, {2, P::trLow}, {3, P::trDontCare}});
  ASSERT_TRUE(layout.init());
  ASSERT_EQ(layout.getHighSideDriverPin(), layout.getDevicePDxyData(0));
  EXPECT_EQ(layout.getHighSideDriverPinCount(), 1u);
  layout.getDevicePDxyData(0)->setbResult(1);
  layout.getDevicePDxyData(1)->setbResult(1);
  layout.getDevicePDxyData(2)->setbResult(0);
  layout.getDevicePDxyData(3)->setbResult(1);
  cPinConnectionData result(0, 0);
  EXPECT_EQ(linesOf(std::cerr, [&] { result = layout.getPinConnectionResult(); }), tLines{});
  EXPECT_EQ(result, cPinConnectionData(3, 3));
  EXPECT_TRUE(result.isDeviceConnected());
  EXPECT_FALSE(result.isDeviceNotConnected());
}

TEST(DeviceLayout, OnlyTheDriverPassingReportsNothingConnected) {
  cCfgFileDeviceLayout layout =
      layoutOf({{1, P::trHighSideDriverPin}, {2, P::trHigh}, {2, P::trLow}});
  ASSERT_TRUE(layout.init());
  layout.getHighSideDriverPin()->setbResult(1);
  layout.getDevicePDxyData(1)->setbResult(0);
  layout.getDevicePDxyData(2)->setbResult(1);
  cPinConnectionData result(0, 0);
  EXPECT_EQ(linesOf(std::cerr, [&] { result = layout.getPinConnectionResult(); }), warning(1, 1));
  EXPECT_EQ(result, cPinConnectionData(3, 0));
  EXPECT_TRUE(result.isDeviceNotConnected());
  EXPECT_FALSE(result.isDeviceConnected());
}

TEST(DeviceLayout, NoPinPassingStillWarnsWithZeroCounts) {
  cCfgFileDeviceLayout layout = layoutOf({{1, P::trHigh}});
  ASSERT_TRUE(layout.init());
  EXPECT_EQ(linesOf(std::cerr,
                    [&] { EXPECT_EQ(layout.getPinConnectionResult(), cPinConnectionData(1, 0)); }),
            warning(0, 0));
}

TEST(DeviceLayout, HighSideDriverPinsAreAppendedAndCounted) {
  cCfgFileDeviceLayout layout =
      layoutOf({{1, P::trHighSideDriverPin}, {1, P::trHigh}, {2, P::trHighSideDriverPin}});
  ASSERT_TRUE(layout.init());
  std::vector<P*> pins(1, nullptr);
  layout.getHighSideDriverPins(pins);
  ASSERT_EQ(pins.size(), 3u);
  EXPECT_EQ(pins[1], layout.getDevicePDxyData(0));
  EXPECT_EQ(pins[2], layout.getDevicePDxyData(2));
  EXPECT_EQ(layout.getHighSideDriverPinCount(), 2u);
  layout.clear();  // the count survives clear
  EXPECT_EQ(layout.getHighSideDriverPinCount(), 2u);
  EXPECT_EQ(layout.getSize(), 0u);
  EXPECT_EQ(layout.getPinConnectionResult().getTotalPinNumber(), 0u);
}

TEST(DeviceLayout, TestResultPerRuleAndLevel) {
  struct Case {
    P::eTestRule rule;
    int level;  // -1: not read
    bool pass;
  };
  const Case cases[] = {{P::trHighSideDriverPin, 1, true},
                        {P::trHighSideDriverPin, 0, false},
                        {P::trHigh, 1, true},
                        {P::trHigh, 0, false},
                        {P::trLow, 0, true},
                        {P::trLow, 1, false},
                        {P::trLow, -1, false},
                        {P::trDontCare, 1, false},
                        {P::trDontCare, 0, false},
                        {P::trLowSideDriverPin, 0, false}};
  for (const Case& k : cases) {
    P pin(1, 0, k.rule, 1u, "X");
    if (k.level >= 0) pin.setbResult(static_cast<unsigned char>(k.level ? 7 : 0));
    EXPECT_EQ(pin.getTestResult(), k.pass) << P::toStringTR(k.rule) << " " << k.level;
  }
}

TEST(PinConnectionData, Verdicts) {
  EXPECT_EQ(linesOf(std::cerr,
                    [] {
                      cPinConnectionData none(0, 0);
                      EXPECT_FALSE(none.isDeviceConnected());
                      EXPECT_FALSE(none.isDeviceNotConnected());
                    }),
            tLines{});

  cPinConnectionData odd(0, 2);
  EXPECT_EQ(linesOf(std::cerr,
                    [&] {
                      EXPECT_FALSE(odd.isDeviceConnected());
                      EXPECT_FALSE(odd.isDeviceNotConnected());
                    }),
            tLines{"PIDBG: Total Pin Number == \"0\". Error in connection test"});

  EXPECT_FALSE(cPinConnectionData(3, 2).isDeviceConnected());
  EXPECT_FALSE(cPinConnectionData(3, 2).isDeviceNotConnected());
  EXPECT_EQ(cPinConnectionData(12, 7).toString(), "Total = 12, Connected = 7");
}

TEST(DevicePDxyData, Texts) {
  EXPECT_EQ(P().toString(), "DevicePin(0,0,trDontCare,0,UNKNOWN) = crNotSet");
  P pin(2, 59, P::trLow, 14u, "GND");
  pin.setbResult(0);
  EXPECT_EQ(pin.toString(), "DevicePin(2,59,trLow,14,GND) = 0");
  P byText(1, 1, P::trHigh, std::string("A7"), "ADR");
  EXPECT_TRUE(byText.usePinNumString());
  EXPECT_EQ(byText.getDevicePinNum(), "A7");
  EXPECT_EQ(byText.toString(), "DevicePin(1,1,trHigh,0,ADR) = crNotSet");
  EXPECT_EQ(P::toStringTR(static_cast<P::eTestRule>(9)), "");
  EXPECT_EQ(P::toStringTR(P::trLowSideDriverPin), "trLowSideDriverPin");
  EXPECT_EQ(P::toStringCR(static_cast<P::eConnectionResult>(5)), "");
  EXPECT_EQ(P::toStringCR(P::crHigh), "1");
}

TEST(DeviceLayout, EqualityComparesWhatTravels) {
  cCfgFileDeviceLayout a(0), b(0);
  a.addPinDefs(new P(1, 1, P::trHigh, std::string("1"), "N"));
  b.addPinDefs(new P(1, 1, P::trHigh, std::string("2"), "N"));
  EXPECT_NE(a, b);  // pin number text
  cCfgFileDeviceLayout c(0), d(0);
  c.addPinDefs(new P(1, 1, P::trHigh, std::string("UNKNOWN"), "N"));
  d.addPinDefs(new P(1, 1, P::trHigh, 0u, "N"));
  EXPECT_NE(c, d);  // only the flag differs

  cCfgFileDeviceLayout e = layoutOf({{1, P::trHigh}});
  cCfgFileDeviceLayout f(e);
  ASSERT_TRUE(e.init());
  e.getDevicePDxyData(0)->setbResult(1);
  e.getPinConnectionResult();
  EXPECT_EQ(e, f);  // the test's pins and result are not compared
  f.uiVls() = 1800;
  EXPECT_NE(e, f);
  EXPECT_EQ(cCfgFileDeviceLayout(0).getConnectionTestMethod(), "");
}

TEST(DeviceLayout, SentAfterATestCarriesTheReceivedResults) {
  cCfgFileDeviceLayout layout = layoutOf({{1, P::trHighSideDriverPin}, {2, P::trHigh}});
  layout.sMethod() = "MultiGndDiodeHigh";
  piSubFrame before;
  layout >> before;
  ASSERT_TRUE(layout.init());
  layout.getDevicePDxyData(0)->setbResult(1);
  layout.getDevicePDxyData(1)->setbResult(1);
  layout.getPinConnectionResult();
  piSubFrame after;
  layout >> after;
  EXPECT_EQ(after, before);
  EXPECT_EQ(after.item(6).i32, P::crNotSet);
  EXPECT_EQ(layout.getConnectionTestMethod(), "MultiGndDiodeHigh");
}

TEST(DeviceLayout, FailedReceiveKeepsWhatWasStored) {
  cCfgFileDeviceLayout sent = layoutOf({{1, P::trHigh}});
  sent.sMethod() = "OneGndDiodeHigh";
  piSubFrame sf;
  sent >> sf;
  cCfgFileDeviceLayout tooBig(2);
  EXPECT_FALSE(tooBig << sf);
  EXPECT_EQ(tooBig.sMethod(), "OneGndDiodeHigh");
  EXPECT_EQ(tooBig.getPinDef(0)->getTestRule(), P::trHigh);
  EXPECT_EQ(tooBig.getPinDef(1)->getTestRule(), P::trDontCare);
}

}  // namespace
