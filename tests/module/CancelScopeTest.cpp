// A cancel belongs to the action it was sent in: one sent before an action
// starts never reaches that action's close, one sent during it does.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tActionFlowFixture.h"

namespace {

typedef void (cKrv32AlgoProviderBase::*tSlot)(piModuleAddr);

class CancelScope : public tActionFlowFixture {
protected:
  // The cancel byte of the last record the host took; that record must be
  // the action's final one.
  int finalCancelByte() const {
    if (host().progress().empty() || host().progress().back().bytes.size() != 50) return -1;
    const std::vector<char>& bytes = host().progress().back().bytes;
    return bytes[4] == 1 ? bytes[5] : -1;
  }
};

// Actions that close before the algorithm is configured: continuity only, and
// starts that fail on the way.
TEST_F(CancelScope, CancelBeforeAnActionDoesNotReachItsClose) {
  const struct {
    const char* what;
    tSlot slot;
    std::function<void(tActionFlowFixture&, cScriptedAlgoProvider&)> arrange;
    bool failed;
  } cases[] = {
      {"continuity", &cKrv32AlgoProviderBase::Slot_StartContinuity, nullptr, false},
      {"no-continuity with a chip in the socket", &cKrv32AlgoProviderBase::Slot_StartNoContinuity,
       nullptr, true},
      {"continuity test failed", &cKrv32AlgoProviderBase::Slot_StartProg,
       [](tActionFlowFixture& f, cScriptedAlgoProvider&) { f.socket.setTouching(2, false); }, true},
      {"no HDW image", &cKrv32AlgoProviderBase::Slot_StartRead,
       [](tActionFlowFixture&, cScriptedAlgoProvider& p) {
         p.getAP().getHdwParam().createFpgaHdwImagesLst();
       },
       true},
      {"CreateAlgo false", &cKrv32AlgoProviderBase::Slot_StartErase,
       [](tActionFlowFixture&, cScriptedAlgoProvider& p) { p.createResult = false; }, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    nextRow();
    if (c.arrange) c.arrange(*this, *provider);
    provider->Slot_CancelAction(kClient);
    call(c.slot);
    EXPECT_EQ(0, finalCancelByte());
    expectOneClose(c.failed);
  }
}

TEST_F(CancelScope, CancelledProgramJobDoesNotCarryIntoTheNextAction) {
  provider->script.duringRun = [this](cScriptedAlgo&) { provider->Slot_CancelAction(kClient); };
  call(&cKrv32AlgoProviderBase::Slot_StartProg);
  ASSERT_EQ(1, finalCancelByte());

  host().clear();
  sim().clearTrace();
  call(&cKrv32AlgoProviderBase::Slot_StartContinuity);
  EXPECT_EQ(0, finalCancelByte());
  EXPECT_EQ(1u, endedRecords());
}

// Cleared at the start, not at the close: a cancel the host delivers while
// the continuity test runs reaches the action's final record.
TEST_F(CancelScope, CancelDuringAContinuityActionReachesItsClose) {
  bool delivered = false;
  sim().setAccessHook([&](const tK5TraceEvent&) {
    if (delivered) return;
    delivered = true;
    provider->Slot_CancelAction(kClient);
  });
  call(&cKrv32AlgoProviderBase::Slot_StartContinuity);
  sim().setAccessHook(nullptr);
  ASSERT_TRUE(delivered);
  EXPECT_EQ(1, finalCancelByte());
  expectOneClose(false);
}

typedef tBenchTest CancelScopeWithoutHardware;

// Without hardware the action closes at once; a cancel before it stays out too.
TEST_F(CancelScopeWithoutHardware, CancelBeforeTheStartDoesNotReachItsClose) {
  sim().injectThrow("cKorvo5Device", "no programmer");
  tLineTap quiet(std::cerr);
  cScriptedAlgoProvider provider;
  ASSERT_EQ(nullptr, provider.getKrv5Ctrl());
  provider.Slot_CancelAction(piModuleAddr(4, 2));
  provider.Slot_StartProg(piModuleAddr(9, 9));
  ASSERT_EQ(1u, host().progress().size());
  EXPECT_EQ(1, host().progress()[0].bytes.at(4));
  EXPECT_EQ(0, host().progress()[0].bytes.at(5));
}

}  // namespace
