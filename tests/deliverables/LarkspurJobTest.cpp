// liblarkspur.so as the host loads it, programming and reading back the
// Holtek chip model through its slots.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdint>
#include <iostream>
#include <string>
#include <vector>

#include "cAbstractEventManager.h"
#include "cAbstractModule.h"
#include "cK5HoltekChip.h"
#include "cK5SimProgrammer.h"
#include "cMPDE.h"
#include "cScaffoHost.h"
#include "cScaffoProvider.h"
#include "tHoltekJob.h"
#include "tLineTap.h"

using namespace holtekJob;

// The provider's class stays inside the module; the host sees it through its bases.
class cK5AlgoProvider;

namespace {

typedef int (*tModuleInit)(cMPDE*, cK5AlgoProvider**, std::string);
typedef int (*tModuleDone)(cK5AlgoProvider**);

const piModuleAddr kClient(5, 6);

class LarkspurJob : public testing::Test {
protected:
  void SetUp() override {
    sim().reset();
    cScaffoHost::instance().clear();
    cAbstractEventManager::setScheduleHook(nullptr);
    sim().plug(chip);
    handle = dlopen(LS_LARKSPUR_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << dlerror();
    init = reinterpret_cast<tModuleInit>(dlsym(handle, "moduleInit"));
    done = reinterpret_cast<tModuleDone>(dlsym(handle, "moduleDone"));
    ASSERT_TRUE(init && done);
    tLineTap quiet(std::cerr);
    ASSERT_EQ(init(&mpde, &provider, "Larkspur"), 1);
  }

  void TearDown() override {
    if (provider != nullptr) {
      EXPECT_EQ(done(&provider), 1);
    }
    if (handle != nullptr) {
      EXPECT_EQ(dlclose(handle), 0);
    }
    EXPECT_EQ(chip.violations(), std::vector<std::string>{});
    sim().reset();
    cScaffoHost::instance().clear();
  }

  static cK5SimProgrammer& sim() { return cK5SimProgrammer::instance(); }
  // The module base comes first in the provider, so it shares the provider's address.
  cScaffoProvider& slots() {
    return *dynamic_cast<cScaffoProvider*>(reinterpret_cast<cAbstractModule*>(provider));
  }

  cK5HoltekChip chip;
  cMPDE mpde;
  void* handle = nullptr;
  tModuleInit init = nullptr;
  tModuleDone done = nullptr;
  cK5AlgoProvider* provider = nullptr;
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
  ASSERT_TRUE(fetchJobRecord(slots(), record, kClient));
  EXPECT_EQ(record.getActionFailed(), 0u);
  EXPECT_EQ(record.getErrorCode(), 0u);
  std::vector<std::uint16_t> expected(image.begin(), image.begin() + 128);
  expected.resize(256, 0xFFFF);
  EXPECT_EQ(chip.words(), expected);

  tJob read = program;
  read.settings.options = 0;
  read.buffer.assign(512, 0x00);
  ASSERT_TRUE(sendJob(slots(), read, kClient));
  cScaffoHost::instance().clear();
  const std::uint64_t before = sim().waitedCycles();
  slots().Slot_StartRead(kClient);
  EXPECT_EQ(sim().waitedCycles() - before, 3256830u);

  std::vector<unsigned char> bytes;
  ASSERT_TRUE(fetchBuffer(slots(), 512, bytes, kClient));
  EXPECT_EQ(bytes, wordBytes(expected));
  EXPECT_EQ(progressTexts(), (std::vector<std::string>{"msg 149", "adr 0x0", "adr 0xFF", "end"}));
}

}  // namespace
