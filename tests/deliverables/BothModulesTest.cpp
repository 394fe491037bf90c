#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cHostSession.h"
#include "cK5HoltekChip.h"
#include "cK5SimProgrammer.h"
#include "cMPDE.h"
#include "tHoltekSettings.h"
#include "tLoadedModule.h"
#include "tSignalTestSlotBench.h"

class cK5SmartPSCtrl;
class cK5AbstractCPDCtrl;
class cKorvo5Device;

namespace {

// The exported module globals of one module, read through dlsym.
struct tGlobals {
  unsigned int ioSpace;
  unsigned int mapping;
  cK5SmartPSCtrl* psCtrl;
  cK5AbstractCPDCtrl* cpdCtrl;
  cKorvo5Device* device;

  bool operator==(const tGlobals& o) const {
    return ioSpace == o.ioSpace && mapping == o.mapping && psCtrl == o.psCtrl &&
           cpdCtrl == o.cpdCtrl && device == o.device;
  }
};

void PrintTo(const tGlobals& g, std::ostream* os) {
  *os << "{IOSpace " << g.ioSpace << ", mFPGAMapping " << g.mapping << ", PSCtrl " << g.psCtrl
      << ", CPDCtrl " << g.cpdCtrl << ", K5Device " << g.device << "}";
}

tGlobals globalsOf(const tLoadedModule& m) {
  return {*m.global<unsigned int>("IOSpace"), *m.global<unsigned int>("mFPGAMapping"),
          *m.global<cK5SmartPSCtrl*>("PSCtrl"), *m.global<cK5AbstractCPDCtrl*>("CPDCtrl"),
          *m.global<cKorvo5Device*>("K5Device")};
}

// What the host received from one module during one action.
struct tActionResult {
  std::vector<std::string> messages;
  std::vector<std::string> dbgMessages;
  std::vector<std::vector<char>> progress;
  std::uint32_t actionFailed;
  std::uint32_t actionFailCode;
  std::uint16_t errorClass;
  std::uint16_t errorCode;

  bool operator==(const tActionResult& o) const {
    return messages == o.messages && dbgMessages == o.dbgMessages && progress == o.progress &&
           actionFailed == o.actionFailed && actionFailCode == o.actionFailCode &&
           errorClass == o.errorClass && errorCode == o.errorCode;
  }
};

void PrintTo(const tActionResult& r, std::ostream* os) {
  *os << "{" << r.messages.size() << " messages, " << r.dbgMessages.size()
      << " developer messages, " << r.progress.size() << " progress records, failed "
      << r.actionFailed << "/" << r.actionFailCode << ", error " << r.errorClass << "/"
      << r.errorCode << "}";
}

// Larkspur and Sorrel loaded side by side, a Holtek chip and the touch probe
// in the socket.
class BothModules : public tSignalTestSlotBench {
protected:
  void SetUp() override {
    plug(chip);
    std::string error;
    ASSERT_TRUE(larkspur.load(mMpde, "Larkspur", error)) << error;
    ASSERT_TRUE(sorrel.load(mMpde, "Sorrel", error)) << error;
    slots = sorrel.slots();
    ASSERT_NE(larkspur.slots(), nullptr);
    ASSERT_NE(slots, nullptr);
  }
  // The chip and the probe are checked once both modules are gone.
  void TearDown() override {
    slots = nullptr;
    EXPECT_TRUE(sorrel.unload());
    EXPECT_TRUE(larkspur.unload());
    tSignalTestSlotBench::TearDown();
  }

  // A Holtek job: fixed Vcc ("SETUP"), erase without blank check, over the
  // signal test's job.
  JobBuilder holtekJob() {
    tHoltekSettings settings;
    settings.options = 0;
    settings.fixedVcc = 5000;
    settings.vpp = 5000;
    settings.memorySize = 0x100;
    settings.areas = tHoltekSettings::kAreaMain;
    JobBuilder job = signalTestJob::job();
    job.deviceConfig(settings.deviceConfig());
    return job;
  }

  tActionResult larkspurErase() {
    host().clear();
    cScaffoProvider& lark = *larkspur.slots();
    {
      tLineTap quiet(std::cerr);
      lark.Slot_StartErase(kLarkspurCaller);
    }
    tActionResult result{};
    for (const tScaffoMessage& m : host().messages())
      if (m.sender == &lark) result.messages.push_back(m.text);
    for (const tScaffoMessage& m : host().dbgMessages())
      if (m.sender == &lark) result.dbgMessages.push_back(m.text);
    for (const tScaffoProgress& p : host().progress())
      if (p.sender == &lark) result.progress.push_back(p.bytes);
    tLineTap quiet(std::cerr);
    TAG_UI_ALGODATA_KRV3 r;
    EXPECT_TRUE(cHostSession(lark, kLarkspurCaller).fetchJobRecord(r));
    result.actionFailed = r.getActionFailed();
    result.actionFailCode = r.getActionFailCode();
    result.errorClass = r.getErrorClass();
    result.errorCode = r.getErrorCode();
    return result;
  }

  const piModuleAddr kLarkspurCaller{1, 11};
  cK5HoltekChip chip;
  cMPDE mMpde;
  tLoadedModule larkspur{LS_LARKSPUR_PATH};
  tLoadedModule sorrel{LS_SORREL_PATH};
};

// Each module keeps its own globals: a Sorrel verify between two Larkspur
// erases changes neither Larkspur's globals nor its results.
TEST_F(BothModules, SorrelVerifyBetweenLarkspurActionsLeavesLarkspurAlone) {
  ASSERT_NE(larkspur.global<unsigned int>("IOSpace"), sorrel.global<unsigned int>("IOSpace"));
  ASSERT_TRUE(chip.setWords(0, {0x1234, 0x5678}));
  {
    tLineTap quiet(std::cerr);
    ASSERT_TRUE(cHostSession(*larkspur.slots(), kLarkspurCaller).send(holtekJob()));
  }
  sendJob();

  const tActionResult first = larkspurErase();
  const tGlobals larkspurGlobals = globalsOf(larkspur);
  // The erase really ran Larkspur's algorithm: it bound its globals and erased the chip.
  EXPECT_EQ(first.actionFailed, 0u);
  EXPECT_EQ(first.errorCode, 0u);
  EXPECT_EQ(larkspurGlobals.ioSpace, cK5SimProgrammer::kRegBaseToken);
  EXPECT_NE(larkspurGlobals.device, nullptr);
  EXPECT_EQ(chip.words()[0], 0xFFFF);

  ASSERT_TRUE(probe.touchRange(1, 2));
  cancelAtSelection(3);
  start(&cScaffoProvider::Slot_StartVerify);
  EXPECT_EQ(log, passedVerifyLog());
  EXPECT_EQ(probe.selections(), (std::vector<std::uint32_t>{1, 2, 3}));
  const tGlobals sorrelGlobals = globalsOf(sorrel);
  EXPECT_EQ(sorrelGlobals.ioSpace, cK5SimProgrammer::kRegBaseToken);
  EXPECT_EQ(sorrelGlobals.mapping, cK5SimProgrammer::kFpgaMappingToken);
  EXPECT_NE(sorrelGlobals.device, nullptr);
  EXPECT_EQ(globalsOf(larkspur), larkspurGlobals);

  EXPECT_EQ(larkspurErase(), first);
  EXPECT_EQ(globalsOf(larkspur), larkspurGlobals);
  EXPECT_EQ(globalsOf(sorrel), sorrelGlobals);
  EXPECT_EQ(chip.violations(), std::vector<std::string>{});
  EXPECT_EQ(probe.violations(), std::vector<std::string>{});
}

}  // namespace
