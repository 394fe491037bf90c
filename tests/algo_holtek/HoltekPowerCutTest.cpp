// A host failure while the target is powered: the algorithm takes VPP off,
// then Vcc, before the failure goes on to the close, which lowers the supply
// levels with the outputs as they are.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "holtekJobSupport.h"
#include "tLineTap.h"

using namespace holtekJob;

namespace {

const char* const kFault = "host fault";

class HoltekPowerCut : public tHoltekAlgoTest {
protected:
  void TearDown() override {
    sim().setAccessHook(nullptr);
    tHoltekAlgoTest::TearDown();
  }

  // Runs a read whose memory step meets the host's throw at its tenth
  // register access; `second` plants a further fault right then. The text
  // that left Read() in `thrown`, the log in `log`.
  void readFailingInTheStep(const std::function<void()>& second = nullptr) {
    tStepAlgo& algo = makeAlgo();
    accesses = 0;
    algo.beforeStep = [this, second](const std::string&) {
      sim().setAccessHook([this, second](const tK5TraceEvent&) {
        if (++accesses != 10) return;
        if (second) second();
        throw std::string(kFault);
      });
    };
    tLineTap tap(std::cerr);
    thrown.clear();
    try {
      algo.Read();
    } catch (const std::string& text) {
      thrown = text;
    }
    sim().setAccessHook(nullptr);
    log = tap.lines;
  }
  // The last n trace tokens.
  static tTokens traceTail(std::size_t n) {
    const tTokens all = wireTokens();
    return tTokens(all.end() - static_cast<long>(std::min(n, all.size())), all.end());
  }
  // The interface goes, and with it the supply levels to rest.
  void release() {
    mpAlgo.reset();
    mpHw.reset();
  }

  unsigned int accesses = 0;
  std::string thrown;
  tTexts log;
};

const tTexts kPowerCycle = {"GLOBAL on", "VCP1 on",  "VCP2 on", "VCP2 off",
                            "VCP2 on",   "VCP2 off", "VCP1 off"};

TEST_F(HoltekPowerCut, ThrowDuringAStepTakesVppOffBeforeVccWithoutTheExitSequence) {
  readFailingInTheStep();

  EXPECT_EQ(thrown, kFault);
  EXPECT_EQ(outputSwitches(), kPowerCycle);
  // No line moves after the failure: the chip may be in the middle of an
  // instruction.
  EXPECT_EQ(traceTail(3), (tTokens{"VCP2 off", w(50000), "VCP1 off"}));
  EXPECT_EQ(log, tTexts{});
  EXPECT_FALSE(chip.powered());

  // Without the cut, the release would set VCP1 to its rest level under VPP.
  release();
  EXPECT_EQ(chip.violations(), tTexts{});
}

// Each step of the cut runs whatever the others throw; only the first text
// leaves the algorithm.
TEST_F(HoltekPowerCut, EveryStepOfTheCutRunsWhateverTheOthersThrow) {
  const struct {
    const char* name;
    const char* point;
    tTokens tail;
    tTexts violations;
  } cases[] = {
      {"the settle wait throws", "waitBusCycles", {"VCP2 off", "VCP1 off"}, {}},
      // VPP stays on: the host refused the one call that switches it off.
      {"the VPP switch throws",
       "setNOE@0",
       {w(50000), "VCP1 off"},
       {"VPP on while Vcc is off (VCP1 5000 mV, output off)"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    sim().clearTrace();
    readFailingInTheStep([&c] { sim().injectThrow(c.point, "second fault"); });
    EXPECT_EQ(thrown, kFault);
    EXPECT_EQ(log, tTexts{"PIDBG: catch in mcPInterface::cutPower: second fault"});
    EXPECT_EQ(traceTail(c.tail.size()), c.tail);
    EXPECT_EQ(chip.violations(), c.violations);
    // The supplies to rest and a new interface for the next case.
    release();
    chip.clearViolations();
    unsigned char ok = 0;
    mpHw.reset(new mcHInterface(krv5(), *mpCpd, ok, holtekUi()));
    ASSERT_EQ(ok, 1);
  }
}

// Failing while both outputs are on but before the entry: the cut still runs.
TEST_F(HoltekPowerCut, ThrowDuringPowerOnCutsThePowerToo) {
  tStepAlgo& algo = makeAlgo();
  // Waits of the action: pin-driver settle, level settle, VPP level, the
  // 1 us after Vcc is on, then the power-up settle after VPP is on.
  sim().injectThrow("waitBusCycles", kFault, 4);
  std::string text;
  try {
    algo.Read();
  } catch (const std::string& t) {
    text = t;
  }
  EXPECT_EQ(text, kFault);
  EXPECT_EQ(outputSwitches(), (tTexts{"GLOBAL on", "VCP1 on", "VCP2 on", "VCP2 off", "VCP1 off"}));
  release();
  EXPECT_EQ(chip.violations(), tTexts{});
}

}  // namespace
