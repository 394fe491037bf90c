// liblarkspur.so as the host loads it, programming and reading back the
// Holtek chip model through its slots.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <iostream>
#include <string>
#include <vector>

#include "cHostSession.h"
#include "cK5HoltekChip.h"
#include "cMPDE.h"
#include "tBench.h"
#include "tHoltekJob.h"
#include "tLineTap.h"
#include "tLoadedModule.h"

using namespace holtekJob;

namespace {

const piModuleAddr kClient(5, 6);

class LarkspurJob : public tBenchTest {
protected:
  void SetUp() override {
    plug(chip);
    tLineTap quiet(std::cerr);
    std::string error;
    ASSERT_TRUE(larkspur.load(mpde, "Larkspur", error)) << error;
  }

  // The chip is checked once the module is gone.
  void TearDown() override {
    EXPECT_TRUE(larkspur.unload());
    tBenchTest::TearDown();
  }

  cScaffoProvider& slots() { return *larkspur.slots(); }
  cHostSession session() { return cHostSession(slots(), kClient); }

  cK5HoltekChip chip;
  cMPDE mpde;
  tLoadedModule larkspur{LS_LARKSPUR_PATH};
};

TEST_F(LarkspurJob, ProgramsWithEraseBlankCheckAndVerifyThenReadsTheImageBack) {
  ASSERT_TRUE(chip.setMemoryWords(256));
  chip.setWords(0, wordPattern(256, 8));
  const std::vector<std::uint16_t> image = wordPattern(256, 1);
  tLineTap quiet(std::cerr);

  // Program takes bytes 0..255 (words 0..127), verify words 0..255: the
  // buffer beyond the programmed bytes holds what an erased chip reads.
  tJob program;
  program.settings.memorySize = 256;
  program.settings.pageSize = 64;
  program.settings.options = kOptErase | kOptBlankCheckAfterErase | kOptVerifyAfterProgram;
  program.end = 255;
  program.buffer = wordBytes(std::vector<std::uint16_t>(image.begin(), image.begin() + 128));
  program.buffer.resize(512, 0xFF);
  ASSERT_TRUE(sendJob(slots(), program, kClient));
  slots().Slot_StartProg(kClient);

  TAG_UI_ALGODATA_KRV3 record;
  ASSERT_TRUE(session().fetchJobRecord(record));
  EXPECT_EQ(record.getActionFailed(), 0u);
  EXPECT_EQ(record.getErrorCode(), 0u);
  std::vector<std::uint16_t> expected(image.begin(), image.begin() + 128);
  expected.resize(256, 0xFFFF);
  EXPECT_EQ(chip.words(), expected);

  tJob read = program;
  read.settings.options = 0;
  read.buffer.assign(512, 0x00);
  ASSERT_TRUE(sendJob(slots(), read, kClient));
  host().clear();
  const std::uint64_t before = sim().waitedCycles();
  slots().Slot_StartRead(kClient);
  EXPECT_EQ(sim().waitedCycles() - before, 3256830u);

  std::vector<unsigned char> bytes;
  ASSERT_TRUE(session().fetchBuffer(512, bytes));
  EXPECT_EQ(bytes, wordBytes(expected));
  EXPECT_EQ(progressTexts(), (std::vector<std::string>{"msg 149", "adr 0x0", "adr 0xFF", "end"}));
}

// A host event during an action unloads a provider of the module. The
// provider whose start slot runs is not unloaded: moduleDone answers 0 with
// one log line and leaves the host's pointer, the action ends as without the
// event, and once the slot has returned the unload works. Another provider
// of the module unloads at once.
TEST_F(LarkspurJob, UnloadDuringAnActionWaitsUntilTheSlotHasReturned) {
  const struct {
    const char* what;
    unsigned int record;  // the progress record the event comes before
    bool own;
  } cases[] = {
      {"its own provider during the job operation", 1, true},
      {"its own provider at the close's final record", 4, true},
      {"another provider of the module", 2, false},
  };
  ASSERT_TRUE(chip.setMemoryWords(64));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    tLineTap quiet(std::cerr);
    cK5AlgoProvider* other = nullptr;
    ASSERT_EQ(1, larkspur.init(&mpde, &other, "Larkspur"));
    ASSERT_TRUE(sendJob(slots(), tJob(), kClient));
    host().clear();
    const std::size_t states = sim().stateHistory().size();
    cK5AlgoProvider** const target = c.own ? &larkspur.provider : &other;
    cK5AlgoProvider* const before = *target;
    int answer = 7;
    tLines unloadLog;
    host().atProgressRecord(c.record, [&](cScaffoProvider&) {
      unloadLog = linesOf(std::cerr, [&] { answer = larkspur.done(target); });
    });
    slots().Slot_StartRead(kClient);

    if (c.own) {
      EXPECT_EQ(0, answer);
      EXPECT_EQ(before, *target);
      EXPECT_EQ(unloadLog, tLines{"PIDBG: moduleDone refused while its provider runs an action."});
    } else {
      EXPECT_EQ(1, answer);
      EXPECT_EQ(nullptr, other);
      EXPECT_TRUE(unloadLog.empty());
    }
    EXPECT_EQ(progressTexts(), (std::vector<std::string>{"msg 149", "adr 0x0", "adr 0x1F", "end"}));
    const std::vector<int>& history = sim().stateHistory();
    EXPECT_EQ(
        std::vector<int>(history.begin() + static_cast<std::ptrdiff_t>(states), history.end()),
        (std::vector<int>{3, 1}));
    TAG_UI_ALGODATA_KRV3 record;
    ASSERT_TRUE(session().fetchJobRecord(record));
    EXPECT_EQ(record.getActionFailed(), 0u);

    // After the slot the unload works as before.
    const int otherAnswer = other == nullptr ? 0 : 1;
    EXPECT_EQ(otherAnswer, larkspur.done(&other));
    EXPECT_EQ(1, larkspur.done(&larkspur.provider));
    EXPECT_EQ(nullptr, larkspur.provider);
    EXPECT_EQ(0, sim().liveDevices());
    ASSERT_EQ(1, larkspur.init(&mpde, &larkspur.provider, "Larkspur"));
  }
}

}  // namespace
