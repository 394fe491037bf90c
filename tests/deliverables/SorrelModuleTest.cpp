#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "cMPDE.h"
#include "tLoadedModule.h"
#include "tSignalTestSlotBench.h"

namespace {

// The signal test through the slots of the real libsorrel.so.
class SorrelModule : public tSignalTestSlotBench {
protected:
  void SetUp() override {
    mpModule.reset(new tLoadedModule(LS_SORREL_PATH));
    std::string error;
    ASSERT_TRUE(mpModule->load(mMpde, "Sorrel", error)) << error;
    slots = mpModule->slots();
    ASSERT_NE(slots, nullptr);
  }
  void TearDown() override {
    mpModule.reset();
    tSignalTestSlotBench::TearDown();
  }

  cMPDE mMpde;
  std::unique_ptr<tLoadedModule> mpModule;
};

TEST_F(SorrelModule, VerifyRunsTheTestBetweenSetupAndShutdown) { verifyTwoTouchedPinsThenCancel(); }

TEST_F(SorrelModule, MissingSetupFailsTheFactoryWithItsReason) { verifyWithoutSetup(); }

TEST_F(SorrelModule, ConfigurationsReplacedBeforeAFailedStartAreTheOnesItsCloseUses) {
  configsReplacedBeforeAFailedStart();
}

}  // namespace
