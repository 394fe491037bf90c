#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "cA5H5InterfaceT.h"
#include "cK5PDIOCtrl.h"
#include "hardwareTestSupport.h"
#include "signalTestSupport.h"
#include "tBench.h"
#include "tCaseName.h"

namespace {

typedef cA5H5InterfaceT::tCPDCtrlTable tTable;

const tPairs kStartLevels = {{1, 20000}, {5, 5000}, {4, 1800}, {3, 1800}, {0, 1800}, {2, 800}};
const tPairs kRestLevels = {{2, 800}, {0, 1800}, {3, 1800}, {4, 1800}, {5, 5000}};

// Sorrel's hardware interface built over the pieces of a Sorrel provider, on a
// fresh bench.
class SignalTestInterface : public tBenchTest {
protected:
  void SetUp() override {
    mpProvider.reset(new cK5AlgoProvider(&mMpde, "Sorrel"));
    ASSERT_NE(mpProvider->getKrv5Ctrl(), nullptr);
    IOSpace = 0;
    mFPGAMapping = 0;
    sim().clearTrace();
  }
  void TearDown() override {
    mpProvider.reset();
    tBenchTest::TearDown();
  }

  std::unique_ptr<mcHInterface> build(unsigned char& ok) {
    return std::unique_ptr<mcHInterface>(new mcHInterface(*mpProvider->getKrv5Ctrl(),
                                                          mpProvider->getK5CpdCtrl(), ok,
                                                          *mpProvider->getAlgoUiInterface()));
  }
  // The host control of a pin-driver slot.
  static cK5AbstractCPDCtrl* control(unsigned int slot) { return sim().pdio(slot)->cpdCtrl(); }

private:
  cMPDE mMpde;
  std::unique_ptr<cK5AlgoProvider> mpProvider;
};

struct tBoardsCase {
  const char* name;
  unsigned int boards;
  unsigned int filled;  // entries 0 .. filled - 1 hold the controls of slots 1 .. filled
};

class SignalTestInterfaceBoards : public SignalTestInterface,
                                  public testing::WithParamInterface<tBoardsCase> {};

// The framework's construction and destruction, whatever the boards; slot 0
// is one of them, and slots above 6 are never looked up (the host would
// refuse them and fail the construction).
TEST_P(SignalTestInterfaceBoards, FillsOneEntryPerFurtherBoardUpToSix) {
  const tBoardsCase& c = GetParam();
  sim().setNumInstalledPDIOs(c.boards);
  // A lookup of the first slot without a board would strike; none is made.
  const std::string noBoard = "pdioCtrl@" + std::to_string(c.filled + 1);
  if (c.filled < 6) {
    sim().injectThrow(noBoard, "no board there");
    allowUnfired(noBoard);
  }
  unsigned char ok = 0;
  std::unique_ptr<mcHInterface> hw = build(ok);
  ASSERT_EQ(ok, 1);

  tTable expected{};
  for (unsigned int i = 0; i < c.filled; ++i) expected[i] = control(i + 1);
  EXPECT_EQ(hw->getCPDCtrlTable(), expected);
  if (c.filled < 6) {
    EXPECT_EQ(sim().unfiredFaults(), std::vector<std::string>{noBoard});
  }
  EXPECT_EQ(IOSpace, cK5SimProgrammer::kRegBaseToken);
  EXPECT_EQ(mFPGAMapping, cK5SimProgrammer::kFpgaMappingToken);
  EXPECT_EQ(sim().supplyWrites(), kStartLevels);
  EXPECT_EQ(mcuWrites(), (tPairs{{0xA6, 1}}));

  sim().clearTrace();
  hw.reset();
  EXPECT_EQ(mcuWrites(), (tPairs{{0xA6, 0}}));
  EXPECT_EQ(sim().supplyWrites(), kRestLevels);
}

INSTANTIATE_TEST_SUITE_P(Boards, SignalTestInterfaceBoards,
                         testing::Values(tBoardsCase{"None", 0, 0}, tBoardsCase{"One", 1, 0},
                                         tBoardsCase{"Three", 3, 2}, tBoardsCase{"Seven", 7, 6},
                                         tBoardsCase{"Nine", 9, 6},
                                         tBoardsCase{"Countless", 0xFFFFFFFFu, 0}),
                         tCaseName());

// A slot whose controller cannot be bound fails the construction before the
// supplies or the interface enable are touched; the entries after it stay
// null, and such an interface leaves the hardware alone when destroyed.
TEST_F(SignalTestInterface, FailedLookupGivesOkZeroAndLeavesTheHardwareAlone) {
  sim().injectThrow("cpdCtrl@2", "board gone");
  unsigned char ok = 1;
  std::unique_ptr<mcHInterface> hw = build(ok);
  EXPECT_EQ(ok, 0);
  EXPECT_EQ(hw->getCPDCtrlTable(),
            (tTable{control(1), nullptr, nullptr, nullptr, nullptr, nullptr}));
  EXPECT_EQ(IOSpace, cK5SimProgrammer::kRegBaseToken);
  hw.reset();
  EXPECT_TRUE(sim().supplyWrites().empty());
  EXPECT_TRUE(mcuWrites().empty());
  EXPECT_TRUE(sim().buzzer().empty());
}

// A board that the host hands out no controller for stays a null entry:
// nothing reads the table, so the test can still run.
TEST_F(SignalTestInterface, NullControllerIsANullEntry) {
  sim().setNumInstalledPDIOs(4);
  sim().injectNull("cpdCtrl@2");
  unsigned char ok = 0;
  std::unique_ptr<mcHInterface> hw = build(ok);
  EXPECT_EQ(ok, 1);
  EXPECT_EQ(hw->getCPDCtrlTable(),
            (tTable{control(1), nullptr, control(3), nullptr, nullptr, nullptr}));
  EXPECT_EQ(mcuWrites(), (tPairs{{0xA6, 1}}));
}

// A host text while counting the boards passes to the creator with nothing
// switched on.
TEST_F(SignalTestInterface, HostTextWhileCountingTheBoardsPassesOn) {
  sim().injectThrow("numInstalledPDIOs", "no count");
  unsigned char ok = 1;
  try {
    build(ok);
    ADD_FAILURE() << "no exception";
  } catch (const std::string& text) {
    EXPECT_EQ(text, "no count");
  }
  EXPECT_TRUE(sim().supplyWrites().empty());
  EXPECT_TRUE(mcuWrites().empty());
}

}  // namespace
