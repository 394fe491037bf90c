#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tActionFlowFixture.h"

namespace {

typedef tK5TraceEvent tE;

class FpgaLoading : public tActionFlowFixture {
protected:
  void images(const std::vector<cFpgaHdwImageCtrl>& list) {
    cKxHdwParam& hdw = provider->getAP().getHdwParam();
    hdw.createFpgaHdwImagesLst();
    for (const cFpgaHdwImageCtrl& image : list) hdw.addFpgaHdwImageCtrl(image);
  }

  bool load(const std::string& kind) {
    tLineTap tap(std::cerr);
    const bool ok = provider->loadFPGAs(kind);
    log = tap.lines;
    return ok;
  }

  // (FPGA index, first byte) of every image loaded.
  static std::vector<std::pair<unsigned int, int>> loaded() {
    std::vector<std::pair<unsigned int, int>> result;
    for (const tK5LoadedImage& image : sim().loadHistory())
      result.push_back({image.index, image.bytes.at(0)});
    return result;
  }
};

TEST_F(FpgaLoading, IndexCountsOnlyImagesOfTheKind) {
  images({hdwImage("HDW", {10}), hdwImage("HDW_CONTINUITY", {20}), hdwImage("HDW", {30})});
  EXPECT_TRUE(load("HDW"));
  EXPECT_EQ(loaded(), (std::vector<std::pair<unsigned int, int>>{{0, 10}, {1, 30}}));
  EXPECT_EQ(devShown(), std::vector<std::string>({"LoadFPGAs with HDW Ok."}));
  // Four identical lines, then the reset of all FPGAs through slot 0, before any load.
  EXPECT_EQ(std::count(log.begin(), log.end(), "PIDBG: reset All FPGAs via page \"0\"."), 4);
  EXPECT_EQ(log.front(), "PIDBG: reset All FPGAs via page \"0\".");
  EXPECT_LT(sim().findEvent(cK5SimProgrammer::eventIs(tE::tkResetFpga, -1, 1, 0)),
            sim().findEvent(cK5SimProgrammer::eventIs(tE::tkLoadHdw)));

  restart();
  EXPECT_TRUE(load("HDW_CONTINUITY"));
  EXPECT_EQ(loaded(), (std::vector<std::pair<unsigned int, int>>{{0, 20}}));
  EXPECT_EQ(devShown(), std::vector<std::string>({"LoadFPGAs with HDW_CONTINUITY Ok."}));
}

TEST_F(FpgaLoading, EmptyImageIsSkippedWithoutUsingAnIndex) {
  images({hdwImage("HDW", {}), hdwImage("HDW", {30})});
  EXPECT_TRUE(load("HDW"));
  EXPECT_EQ(loaded(), (std::vector<std::pair<unsigned int, int>>{{0, 30}}));
}

TEST_F(FpgaLoading, ImageErrorStopsWithItsTextAndSlot) {
  images({hdwImage("HDW", {10}), hdwImage("HDW_CONTINUITY", {20}), hdwImage("HDW", {30}),
          hdwImage("HDW", {40})});
  sim().setLoadHdwError(1, "bad bitstream");
  EXPECT_FALSE(load("HDW"));
  EXPECT_EQ(loaded(), (std::vector<std::pair<unsigned int, int>>{{0, 10}}));
  EXPECT_EQ(sim().traceOf(tE::tkLoadHdw).size(), 2u);
  const std::string text = "LoadFPGAs -> false ->bad bitstream: 2";
  EXPECT_EQ(devShown(), std::vector<std::string>({text}));
  EXPECT_EQ(std::count(log.begin(), log.end(), "PIDBG: " + text), 2);
}

TEST_F(FpgaLoading, NothingToLoad) {
  struct Case {
    const char* what;
    std::vector<cFpgaHdwImageCtrl> list;
    std::string text;
  };
  const Case cases[] = {
      {"no images", {}, "Error: LoadFPGAs -> false -> no FpgaHdwImageCount"},
      {"none of the kind", {hdwImage("HDW_CONTINUITY", {1})}, "Error: No FPGAs loaded"},
      {"kind differs in case", {hdwImage("hdw", {1})}, "Error: No FPGAs loaded"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    host().clear();
    images(c.list);
    EXPECT_FALSE(load("HDW"));
    EXPECT_EQ(devShown(), std::vector<std::string>({c.text}));
    EXPECT_TRUE(sim().loadHistory().empty());
  }
}

TEST_F(FpgaLoading, ResetFailuresEndTheLoading) {
  struct Case {
    const char* what;
    std::function<void()> fault;
    std::string text;
  };
  const Case cases[] = {
      {"no FPGA control of slot 0", [] { sim().injectNull("fpgaCtrl@0"); },
       "Error: Unable to map FPGA page \"0\"."},
      {"slot 0 not mapped", [] { sim().injectThrow("pdioCtrl@0", "unmapped"); },
       "Error: Unable to map FPGA page \"0\"."},
      {"reset refused", [] { sim().injectFalse("resetFPGA"); },
       "Error: Unable to reset all FPGAs."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    restart();
    c.fault();
    EXPECT_FALSE(load("HDW"));
    EXPECT_EQ(shown(), std::vector<std::string>({c.text}));
    EXPECT_TRUE(devShown().empty());
    EXPECT_TRUE(sim().loadHistory().empty());
  }
}

TEST_F(FpgaLoading, ContinuitySlotDisablesDriversThenLoadsTheContinuityImages) {
  images({hdwImage("HDW", {10}), hdwImage("HDW_CONTINUITY", {20})});
  unsigned char ok = 0;
  {
    tLineTap tap(std::cerr);
    provider->Slot_LoadFpgaForContinuity(ok, kOther);
  }
  EXPECT_EQ(ok, 1);
  EXPECT_EQ(provider->getAddrFrom(), kOther);
  EXPECT_EQ(loaded(), (std::vector<std::pair<unsigned int, int>>{{0, 20}}));
  EXPECT_LT(sim().findEvent(cK5SimProgrammer::eventIs(tE::tkCpdOutput, k5OutGlobal, 1, 0)),
            sim().findEvent(cK5SimProgrammer::eventIs(tE::tkResetFpga)));
  ASSERT_EQ(host().dbgMessages().size(), 1u);
  EXPECT_EQ(host().dbgMessages()[0].addr, kOther);

  host().clear();
  images({hdwImage("HDW", {10})});
  ok = 1;
  {
    tLineTap tap(std::cerr);
    provider->Slot_LoadFpgaForContinuity(ok, kClient);
  }
  EXPECT_EQ(ok, 0);
  EXPECT_EQ(shown(), std::vector<std::string>({"Can not load Fpgas for continuity test."}));
}

TEST_F(FpgaLoading, SwitchingOffWithoutGlobalPinDriverControlTouchesNothingMissing) {
  sim().injectNull("cpdCtrl@0");
  tLineTap tap(std::cerr);
  provider->disableCPDs();
  EXPECT_TRUE(sim().traceOf(tE::tkCpdOutput).empty());
  provider->disableVoltage();
  EXPECT_EQ(sim().switchOffCount(), 1u);
}

}  // namespace
