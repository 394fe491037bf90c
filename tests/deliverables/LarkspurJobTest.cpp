// liblarkspur.so as the host loads it, programming and reading back the
// Holtek chip model through its slots.
#include <gtest/gtest.h>

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

}  // namespace
