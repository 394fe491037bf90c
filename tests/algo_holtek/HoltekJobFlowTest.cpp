// The Holtek job flow on the real hardware interface and wire protocol, with
// the chip model in the simulated socket and a recording user-interface object.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "holtekJobSupport.h"
#include "tLineTap.h"

using namespace holtekJob;

namespace {

using Sim = cK5SimProgrammer;
typedef short (mcAlgo::*tOperation)();

const tTexts kPowerCycle = {"GLOBAL on", "VCP1 on",  "VCP2 on", "VCP2 off",
                            "VCP2 on",   "VCP2 off", "VCP1 off"};
// The stop timer runs on the bus clock, five cycles a microsecond, from the
// end of the power-on (on a whole microsecond) to the end of the steps, and
// its text counts whole microseconds: the steps' cycles / 5, rounded down.
std::string totalTime(const std::string& seconds) {
  return "debug *** total time : " + seconds + " sec";
}
// Main memory is read with no wait but to enter and leave read mode: 1,800
// cycles however many words are read.
const std::string kReadModeTime = totalTime("0.000 360");
// ChipErase waits 1,300,288 cycles, 260,057.6 µs.
const std::string kEraseTime = totalTime("0.260 057");
// Where the time is not the point: its form only.
const char* const kTimeForm = "debug *** total time : <time>";

// Bytes 0..31 of a pattern and 0xFF beyond: what a program of bytes 0..31
// leaves in an erased 64-word chip, so that verifying words 0..31 passes.
std::vector<unsigned char> programImage() {
  std::vector<unsigned char> bytes(128, 0xFF);
  const std::vector<unsigned char> pattern = wordBytes(wordPattern(16));
  std::copy(pattern.begin(), pattern.end(), bytes.begin());
  return bytes;
}

std::vector<std::uint16_t> chipWordsOf(const std::vector<unsigned char>& bytes,
                                       unsigned int words) {
  std::vector<std::uint16_t> out;
  for (unsigned int w = 0; w < words; ++w) out.push_back(loadLeU16(bytes.data(), 2 * w));
  return out;
}

template <class Case>
std::string caseName(const testing::TestParamInfo<Case>& info) {
  return info.param.name;
}

// ProgrMemory of bytes 0..31 in pages of 16.
const std::uint64_t kProgram32 = 32 * kLoadByte + 2 * kWritePage;

class HoltekJobFlow : public tHoltekAlgoTest {
protected:
  // A read with Vcc measured in the window 3.0 to 3.6 V, the chip sensing `sensed` mV.
  short readWithMeasuredVcc(unsigned int sensed) {
    settings.measureVcc = true;
    settings.vccUpper = 3600;
    settings.vccLower = 3000;
    chip.setSensedSupply(sensed);
    return run(&mcAlgo::Read);
  }
};

// ---- job operations x options x areas ----

struct tFlowCase {
  const char* name;
  tOperation operation;
  std::uint32_t options;
  std::uint32_t areas;
  std::uint32_t mask;
  tTexts flow;
  short status;
  std::uint16_t errorClass;
  std::uint16_t errorCode;
  bool powered;
  std::uint64_t waits;
  // Sets the chip up before the run; checks the outcome after it.
  std::function<void(tHoltekAlgoTest&, cK5HoltekChip&)> before;
  std::function<void(cK5HoltekChip&, const std::vector<unsigned char>&, const unsigned char*)>
      after;
};

class HoltekJobFlowTable : public HoltekJobFlow, public testing::WithParamInterface<tFlowCase> {};

TEST_P(HoltekJobFlowTable, RunsTheSelectedStepsInOrder) {
  const tFlowCase& c = GetParam();
  settings.options = c.options;
  settings.areas = c.areas;
  settings.infoData = 0xA5A55A5Au;
  settings.lockBits = 0xF5;
  buffer = programImage();
  if (c.before) c.before(*this, chip);

  const short status = run(c.operation);

  EXPECT_EQ(status, c.status);
  EXPECT_EQ(mpAlgo->getActionMask(), c.mask);
  EXPECT_EQ(ui.flow(), c.flow);
  EXPECT_EQ(record()->getErrorClass(), c.errorClass);
  EXPECT_EQ(record()->getErrorCode(), c.errorCode);
  EXPECT_EQ(outputSwitches(), c.powered ? kPowerCycle : tTexts{});
  if (!c.powered) expectUntouchedHardware();
  EXPECT_EQ(waited, c.waits);
  if (c.after) c.after(chip, bufferNow(), config());
}

void presetPattern(tHoltekAlgoTest&, cK5HoltekChip& chip) { chip.setWords(0, wordPattern(64, 7)); }

void expectProgrammed(cK5HoltekChip& chip, const std::vector<unsigned char>&,
                      const unsigned char*) {
  EXPECT_EQ(chip.words(), chipWordsOf(programImage(), 64));
}

void expectErased(cK5HoltekChip& chip, const std::vector<unsigned char>&, const unsigned char*) {
  EXPECT_EQ(chip.words(), std::vector<std::uint16_t>(64, 0xFFFF));
}

const tFlowCase kFlowCases[] = {
    {"ProgramWithEraseBlankCheckAndVerify",
     &mcAlgo::Program,
     kOptErase | kOptBlankCheckAfterErase | kOptVerifyAfterProgram,
     kAreaMain,
     0x01B,
     {"msg 144", "step EraseDevice", "msg 145", "step BCheckMemory", "msg 505", "msg 148",
      "msg 136", "step ProgrMemory", "msg 305 5f", "step VerifyMemory",
      totalTime("0.275 797")},  // 1,378,989 cycles
     0,
     0,
     0,
     true,
     kActionFrame + kChipErase + kBlankCheck + kProgram32 + kReadMode,
     presetPattern,
     expectProgrammed},
    {"ProgramOnly",
     &mcAlgo::Program,
     0,
     kAreaMain,
     0x008,
     {"msg 136", "step ProgrMemory", totalTime("0.014 838")},  // 74,192 cycles
     0,
     0,
     0,
     true,
     kActionFrame + kProgram32,
     nullptr,
     expectProgrammed},
    {"ProgramWithNoArea", &mcAlgo::Program, 0xFF, 0, 0, {}, -1, 9, 210, false, 0, nullptr, nullptr},
    {"ReadWithNoArea",
     &mcAlgo::Read,
     0xFF,
     0,
     0,
     {"msg 61280"},
     -1,
     9,
     210,
     false,
     0,
     nullptr,
     nullptr},
    {"ReadMain",
     &mcAlgo::Read,
     0,
     kAreaMain,
     0x004,
     {"msg 149", "step ReadMemory", kReadModeTime},
     0,
     0,
     0,
     true,
     kActionFrame + kReadMode,
     presetPattern,
     [](cK5HoltekChip& chip, const std::vector<unsigned char>& buf, const unsigned char*) {
       std::vector<unsigned char> expected =
           wordBytes(std::vector<std::uint16_t>(chip.words().begin(), chip.words().begin() + 32));
       expected.resize(128, 0xFF);
       EXPECT_EQ(buf, expected);
     }},
    {"ReadThenVerifyWhatWasRead",
     &mcAlgo::Read,
     kOptVerifyAfterRead,
     kAreaMain,
     0x014,
     {"msg 149", "step ReadMemory", "msg 305 5f", "step VerifyMemory", totalTime("0.000 720")},
     0,
     0,
     0,
     true,
     kActionFrame + 2 * kReadMode,
     presetPattern,
     nullptr},
    {"ReadInfoAndLockStoresThem",
     &mcAlgo::Read,
     0,
     kAreaInfo | kAreaLock,
     0x120,
     {"msg 506", "msg 165", totalTime("0.000 181")},  // 909 cycles
     0,
     0,
     0,
     true,
     kActionFrame + kReadInfo + kReadLock,
     [](tHoltekAlgoTest&, cK5HoltekChip& chip) {
       chip.setInfoData(0x12345678u);
       chip.setLockBits(0x0A);
     },
     [](cK5HoltekChip&, const std::vector<unsigned char>&, const unsigned char* cfg) {
       EXPECT_EQ(tHoltekSettings::infoDataIn(cfg), 0x12345678u);
       EXPECT_EQ(tHoltekSettings::lockBitsIn(cfg), 0x0A);
     }},
    {"ReadInfoAndLockThenVerifyThem",
     &mcAlgo::Read,
     kOptVerifyAfterRead,
     kAreaInfo | kAreaLock,
     0x5A0,
     {"msg 506", "msg 165", totalTime("0.000 363")},  // 1,818 cycles
     0,
     0,
     0,
     true,
     kActionFrame + 2 * (kReadInfo + kReadLock),
     [](tHoltekAlgoTest&, cK5HoltekChip& chip) { chip.setLockBits(0xEA); },
     nullptr},
    {"VerifyWithBits4To6Clear",
     &mcAlgo::Verify,
     0x8F,
     kAreaMain | kAreaInfo | kAreaLock,
     0,
     {"msg 61255"},
     -1,
     9,
     210,
     false,
     0,
     nullptr,
     nullptr},
    {"VerifyMain",
     &mcAlgo::Verify,
     0x20,
     kAreaMain,
     0x010,
     {"msg 305 5f", "step VerifyMemory", kReadModeTime},
     0,
     0,
     0,
     true,
     kActionFrame + kReadMode,
     [](tHoltekAlgoTest&, cK5HoltekChip& chip) {
       chip.setWords(0, chipWordsOf(programImage(), 64));
     },
     nullptr},
    {"VerifyInfoOnly",
     &mcAlgo::Verify,
     0x40,
     kAreaInfo,
     0x080,
     {totalTime("0.000 121")},  // 606 cycles
     0,
     0,
     0,
     true,
     kActionFrame + kReadInfo,
     [](tHoltekAlgoTest&, cK5HoltekChip& chip) { chip.setInfoData(0xA5A55A5Au); },
     nullptr},
    {"Erase",
     &mcAlgo::Erase,
     0,
     0,
     0x001,
     {"msg 144", "step EraseDevice", kEraseTime},
     0,
     0,
     0,
     true,
     kActionFrame + kChipErase,
     presetPattern,
     expectErased},
    {"EraseThenBlankCheck",
     &mcAlgo::Erase,
     kOptBlankCheckAfterErase,
     0,
     0x003,
     {"msg 144", "step EraseDevice", "msg 145", "step BCheckMemory", "msg 505", "msg 148",
      totalTime("0.260 599")},  // 1,302,997 cycles
     0,
     0,
     0,
     true,
     kActionFrame + kChipErase + kBlankCheck,
     presetPattern,
     expectErased},
    {"BlankCheckIgnoresOptionsAndAreas",
     &mcAlgo::BlankCheck,
     0xFF,
     0x7,
     0x002,
     {"msg 145", "step BCheckMemory", "msg 505", "msg 148",
      totalTime("0.000 541")},  // 2,709 cycles
     0,
     0,
     0,
     true,
     kActionFrame + kBlankCheck,
     nullptr,
     nullptr},
    {"ProgramEveryArea",
     &mcAlgo::Program,
     kOptErase | kOptVerifyAfterProgram,
     kAreaMain | kAreaInfo | kAreaLock,
     0x6D9,
     {"msg 144", "step EraseDevice", "msg 136", "step ProgrMemory", "msg 305 5f",
      "step VerifyMemory", totalTime("0.275 830")},  // 1,379,153 cycles
     0,
     0,
     0,
     true,
     kActionFrame + kChipErase + kProgram32 + kReadMode + kWriteInfo + kReadInfo + kWriteLock +
         kReadLock,
     presetPattern,
     [](cK5HoltekChip& chip, const std::vector<unsigned char>&, const unsigned char*) {
       EXPECT_EQ(chip.words(), chipWordsOf(programImage(), 64));
       EXPECT_EQ(chip.infoData(), 0xA5A55A5Au);
       EXPECT_EQ(chip.lockBits(), 0x15);
     }},
};

INSTANTIATE_TEST_SUITE_P(Table, HoltekJobFlowTable, testing::ValuesIn(kFlowCases),
                         caseName<tFlowCase>);

TEST_F(HoltekJobFlow, BlankCheckAssignsTheMaskWhereTheOthersAdd) {
  settings.options = kOptBlankCheckAfterErase;
  makeAlgo();
  EXPECT_EQ(mpAlgo->Erase(), 0);
  EXPECT_EQ(mpAlgo->getActionMask(), 0x003u);
  EXPECT_EQ(mpAlgo->Erase(), 0);
  EXPECT_EQ(mpAlgo->getActionMask(), 0x003u);
  EXPECT_EQ(mpAlgo->BlankCheck(), 0);
  EXPECT_EQ(mpAlgo->getActionMask(), 0x002u);
}

// ---- the program loop ----

TEST_F(HoltekJobFlow, ProgramLoadsWholePagesAroundTheRange) {
  settings.pageSize = 4;
  start = 5;
  end = 9;
  for (unsigned int i = 0; i < 16; ++i) buffer[i] = static_cast<unsigned char>(0xB0 + i);
  makeAlgo();
  tTexts wire;
  mpAlgo->beforeStep = [](const std::string&) { sim().clearTrace(); };
  mpAlgo->afterStep = [&](const std::string&) { wire = instructions(); };

  EXPECT_EQ(mpAlgo->Program(), 0);

  EXPECT_EQ(wire,
            (tTexts{"40 00 04 FF", "48 00 05 B5", "40 00 06 B6", "48 00 07 B7", "4C 00 00 00",
                    "40 00 08 B8", "48 00 09 B9", "40 00 0A FF", "48 00 0B FF", "4C 00 00 00"}));
  ASSERT_EQ(mpAlgo->stepWaits.size(), 1u);
  EXPECT_EQ(mpAlgo->stepWaits[0].second, 67280u);
  EXPECT_EQ(mpAlgo->stepWaits[0].second, 8 * kLoadByte + 2 * kWritePage);
  EXPECT_EQ(ui.addresses(), tTexts{"adr 0x9 forced"});
  std::vector<std::uint16_t> expected(64, 0xFFFF);
  expected[2] = 0xB5FF;
  expected[3] = 0xB7B6;
  expected[4] = 0xB9B8;
  EXPECT_EQ(chip.words(), expected);
}

TEST_F(HoltekJobFlow, ProgramOfTheLastPageEndsAtTheTopOfTheAddressSpace) {
  ASSERT_TRUE(chip.setMemoryWords(0x10000));
  settings.memorySize = 0x10000;
  settings.pageSize = 256;
  start = 0xFFF0;
  end = 0xFFFF;
  buffer.assign(0x10000, 0x00);
  for (unsigned int a = 0xFFF0; a <= 0xFFFF; ++a) buffer[a] = static_cast<unsigned char>(a);
  makeAlgo();
  tTexts wire;
  mpAlgo->beforeStep = [](const std::string&) { sim().clearTrace(); };
  mpAlgo->afterStep = [&](const std::string&) { wire = instructions(); };

  EXPECT_EQ(mpAlgo->Program(), 0);

  ASSERT_EQ(wire.size(), 257u);
  EXPECT_EQ(wire[0], "40 00 00 FF");
  EXPECT_EQ(wire[0xEF], "48 00 EF FF");
  EXPECT_EQ(wire[0xF0], "40 00 F0 F0");
  EXPECT_EQ(wire[0xFF], "48 00 FF FF");
  EXPECT_EQ(wire[0x100], "4C FF 00 00");
  EXPECT_EQ(ui.addresses(), tTexts{"adr 0xFFFF forced"});
  for (unsigned int w = 0x7FF8; w < 0x8000; ++w) {
    EXPECT_EQ(chip.words()[w], (2 * w & 0xFF) | ((2 * w + 1) & 0xFF) << 8) << w;
  }
  EXPECT_EQ(chip.words()[0x7FF7], 0xFFFF);
}

// ---- mismatches ----

struct tMismatchCase {
  const char* name;
  std::uint16_t chipWord;
  std::uint16_t bufferWord;
  std::uint32_t errorAddress;
  std::uint32_t expectedByte;
  std::uint32_t readByte;
  const char* logLine;
};

class HoltekMismatch : public HoltekJobFlow, public testing::WithParamInterface<tMismatchCase> {};

TEST_P(HoltekMismatch, ReportsTheFirstDifferingByte) {
  const tMismatchCase& c = GetParam();
  settings.options = kOptVerifyAllowed;
  buffer.assign(128, 0xFF);
  storeLeU16(buffer.data(), 2 * 0x10, c.bufferWord);
  std::vector<std::uint16_t> words(64, 0xFFFF);
  words[0x10] = c.chipWord;
  chip.setWords(0, words);
  tLineTap log(std::cerr);

  EXPECT_EQ(run(&mcAlgo::Verify), -1);

  EXPECT_EQ(log.lines, tTexts{c.logLine});
  EXPECT_EQ(record()->getErrorAdr(), c.errorAddress);
  EXPECT_EQ(record()->getErrorExpected(), c.expectedByte);
  EXPECT_EQ(record()->getErrorRead(), c.readByte);
  EXPECT_EQ(record()->getErrorClass(), 0u);
  EXPECT_EQ(record()->getErrorCode(), 1u);
  // The report shows the error address, the loop the address it stopped at.
  EXPECT_EQ(ui.events, (tTexts{"msg 305 5f", "step VerifyMemory", "adr 0x0",
                               "adr " + hexText(c.errorAddress) + " forced", "adr 0x10 forced",
                               kReadModeTime}));
  EXPECT_EQ(outputSwitches(), kPowerCycle);
}

const tMismatchCase kMismatchCases[] = {
    {"LowByte", 0x12AB, 0x12CD, 0x10, 0xCD, 0xAB, "PIDBG: data read out : 0x12AB on addr : 0x10"},
    {"HighByteOneAddressUp", 0x34AB, 0x12AB, 0x11, 0x12, 0x34,
     "PIDBG: data read out : 0x34AB on addr : 0x10"},
};

INSTANTIATE_TEST_SUITE_P(Table, HoltekMismatch, testing::ValuesIn(kMismatchCases),
                         caseName<tMismatchCase>);

// A word that is not blank is a mismatch with 0xFFFF; info data and lock bits
// that are not blank fail without a message or error record.
struct tBlankCase {
  const char* name;
  std::function<void(cK5HoltekChip&)> dirty;
  tTexts events;
  std::uint32_t errorAddress;
  std::uint32_t expectedByte;
  std::uint32_t readByte;
  std::uint16_t errorCode;
  tTexts log;
};

class HoltekBlankCheck : public HoltekJobFlow, public testing::WithParamInterface<tBlankCase> {};

TEST_P(HoltekBlankCheck, StopsAtWhatIsNotBlank) {
  const tBlankCase& c = GetParam();
  c.dirty(chip);
  tLineTap log(std::cerr);

  EXPECT_EQ(run(&mcAlgo::BlankCheck), -1);

  EXPECT_EQ(log.lines, c.log);
  EXPECT_EQ(ui.events, c.events);
  EXPECT_EQ(record()->getErrorAdr(), c.errorAddress);
  EXPECT_EQ(record()->getErrorExpected(), c.expectedByte);
  EXPECT_EQ(record()->getErrorRead(), c.readByte);
  EXPECT_EQ(record()->getErrorClass(), 0u);
  EXPECT_EQ(record()->getErrorCode(), c.errorCode);
  EXPECT_EQ(outputSwitches(), kPowerCycle);
}

const tBlankCase kBlankCases[] = {
    {"Word",
     [](cK5HoltekChip& c) { c.setWords(0x23, {0xFFFE}); },
     {"msg 145", "step BCheckMemory", "adr 0x0", "adr 0x23 forced", "adr 0x23 forced",
      kReadModeTime},
     0x23,
     0xFF,
     0xFE,
     1,
     {"PIDBG: data read out : 0xFFFE on addr : 0x23"}},
    {"HighByteOfTheLastWord",
     [](cK5HoltekChip& c) { c.setWords(0x3F, {0x7FFF}); },
     {"msg 145", "step BCheckMemory", "adr 0x0", "adr 0x40 forced", "adr 0x3F forced",
      kReadModeTime},
     0x40,
     0xFF,
     0x7F,
     1,
     {"PIDBG: data read out : 0x7FFF on addr : 0x3F"}},
    {"InfoData",
     [](cK5HoltekChip& c) { c.setInfoData(0xFFFFFFFEu); },
     // Read mode and the info data: 2,406 cycles.
     {"msg 145", "step BCheckMemory", "adr 0x0", "adr 0x3F forced", "msg 505",
      totalTime("0.000 481")},
     0,
     0,
     0,
     0,
     {}},
    {"LockBits",
     [](cK5HoltekChip& c) { c.setLockBits(0xFE); },
     {"msg 145", "step BCheckMemory", "adr 0x0", "adr 0x3F forced", "msg 505", "msg 148",
      totalTime("0.000 541")},
     0,
     0,
     0,
     0,
     {}},
};

INSTANTIATE_TEST_SUITE_P(Table, HoltekBlankCheck, testing::ValuesIn(kBlankCases),
                         caseName<tBlankCase>);

// ---- the top of the 16-bit address space ----

// The loops count in 32 bits, so a range up to 0xFFFF ends.
TEST_F(HoltekJobFlow, ReadUpToTheTopOfTheAddressSpaceEnds) {
  ASSERT_TRUE(chip.setMemoryWords(0x10000));
  const std::vector<std::uint16_t> words = wordPattern(0x10000, 2);
  chip.setWords(0, words);
  settings.memorySize = 0x10000;
  end = 0xFFFF;
  buffer.assign(0x20000, 0x00);
  sim().setTraceEnabled(false);

  EXPECT_EQ(run(&mcAlgo::Read), 0);

  EXPECT_EQ(ui.polls, 0x10000u);
  EXPECT_EQ(bufferNow(), wordBytes(words));
  const tTexts shown = ui.addresses();
  ASSERT_EQ(shown.size(), 257u);
  EXPECT_EQ(shown[0], "adr 0x0");
  EXPECT_EQ(shown[255], "adr 0xFF00");
  EXPECT_EQ(shown[256], "adr 0xFFFF forced");
}

TEST_F(HoltekJobFlow, BlankCheckCoversTheMemoryUpToTheTopOfTheAddressSpace) {
  ASSERT_TRUE(chip.setMemoryWords(0x10000));
  const struct {
    std::uint32_t memorySize;
    std::uint16_t lastWord;
    short status;
    tTexts lastAddresses;
  } cases[] = {
      {0x10000, 0xFFFF, 0, {"adr 0xFF00", "adr 0xFFFF forced"}},
      {0x10000, 0xFFFE, -1, {"adr 0xFF00", "adr 0xFFFF forced", "adr 0xFFFF forced"}},
      // Low 16 bits 0: still the whole address space, not nothing.
      {0x30000, 0xFFFF, 0, {"adr 0xFF00", "adr 0xFFFF forced"}},
      {0x08000, 0x0000, 0, {"adr 0x7F00", "adr 0x7FFF forced"}},
  };
  sim().setTraceEnabled(false);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.memorySize);
    chip.setWords(0xFFFF, {c.lastWord});
    settings.memorySize = c.memorySize;
    ui.events.clear();
    ui.polls = 0;
    EXPECT_EQ(run(&mcAlgo::BlankCheck), c.status);
    EXPECT_EQ(ui.polls, std::min<std::uint32_t>(c.memorySize, 0x10000));
    const tTexts shown = ui.addresses();
    ASSERT_GE(shown.size(), c.lastAddresses.size());
    EXPECT_EQ(tTexts(shown.end() - c.lastAddresses.size(), shown.end()), c.lastAddresses);
  }
}

// ---- address display and cancel ----

TEST_F(HoltekJobFlow, ShowsEvery256thAddressAndTheLastOneForced) {
  ASSERT_TRUE(chip.setMemoryWords(0x300));
  settings.memorySize = 0x300;
  buffer.assign(0x600, 0x00);
  const struct {
    std::uint32_t start;
    tTexts addresses;
  } cases[] = {{0, {"adr 0x0", "adr 0x100", "adr 0x200", "adr 0x2FF forced"}},
               {0x105, {"adr 0x200", "adr 0x2FF forced"}},
               {0x2FF, {"adr 0x2FF forced"}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.start);
    ui.events.clear();
    start = c.start;
    end = 0x2FF;
    EXPECT_EQ(run(&mcAlgo::Read), 0);
    EXPECT_EQ(ui.addresses(), c.addresses);
  }
}

TEST_F(HoltekJobFlow, CancelEndsTheLoopAtTheNextAddressAndPowersOff) {
  ASSERT_TRUE(chip.setMemoryWords(0x300));
  const std::vector<std::uint16_t> words = wordPattern(0x300, 3);
  chip.setWords(0, words);
  settings.memorySize = 0x300;
  end = 0x2FF;
  buffer.assign(0x600, 0x00);
  // Polls at addresses 0 to 0x180 pass; the one at 0x181 sees the cancel.
  ui.cancelFromPoll = 0x182;

  EXPECT_EQ(run(&mcAlgo::Read), -1);

  EXPECT_EQ(ui.polls, 0x182u);
  EXPECT_EQ(ui.events, (tTexts{"msg 149", "step ReadMemory", "adr 0x0", "adr 0x100",
                               "adr 0x181 forced", kReadModeTime}));
  std::vector<unsigned char> expected = wordBytes(words);
  std::fill(expected.begin() + 2 * 0x181, expected.end(), 0x00);
  EXPECT_EQ(bufferNow(), expected);
  EXPECT_EQ(record()->getErrorCode(), 0u);
  EXPECT_EQ(outputSwitches(), kPowerCycle);
}

// ---- power and Vcc ----

TEST_F(HoltekJobFlow, EmptySocketReportsTheAcknowledgeCodeAndStillPowersOff) {
  chip.setInserted(false);

  EXPECT_EQ(run(&mcAlgo::Read), -1);

  // The chip never acknowledged: no step runs.
  EXPECT_EQ(ui.events, tTexts{totalTime("0.000 000")});
  EXPECT_EQ(record()->getErrorClass(), 9u);
  EXPECT_EQ(record()->getErrorCode(), 2014u);
  // VPP goes off before Vcc.
  EXPECT_EQ(outputSwitches(), kPowerCycle);
  EXPECT_EQ(waited, kActionFrame);
}

TEST_F(HoltekJobFlow, FixedVccLoadsSetupAndLetsItSettleFirst) {
  settings.fixedVcc = 4500;
  EXPECT_EQ(run(&mcAlgo::Read), 0);

  const tK5CpdSlotState& slot1 = sim().cpd(1);
  EXPECT_TRUE(slot1.liveValid);
  EXPECT_EQ(slot1.liveBank, 0u);
  EXPECT_EQ(slot1.live[0], kSetupValue);
  // Bank 0 written, selected and strobed, then the settle wait, then Vcc.
  const long strobe = sim().findEvent(Sim::eventIs(tK5TraceEvent::tkCpdStrobe));
  ASSERT_NE(strobe, -1);
  EXPECT_EQ(sim().findSequence({Sim::eventIs(tK5TraceEvent::tkCpdStrobe),
                                Sim::eventIs(tK5TraceEvent::tkWait, 500000),
                                Sim::eventIs(tK5TraceEvent::tkSupply, PS_VCP1, 4500)}),
            strobe);
  EXPECT_EQ(ui.flow(), (tTexts{"msg 149", "step ReadMemory", kReadModeTime}));
}

TEST_F(HoltekJobFlow, MeasuredVccSetsTheSuppliesToTheMeasuredLevel) {
  EXPECT_EQ(readWithMeasuredVcc(3300), 0);

  EXPECT_EQ(sim().cpd(1).live[0], kSetupMeasureValue);
  tPairs expected = {{PS_VLS, 1000}};
  for (unsigned int v : {3640, 2960, 3050, 3140, 3230, 3320, 3311, 3302, 3293, 3288}) {
    expected.push_back({PS_VCOMP, v});
  }
  for (unsigned int v = 3289; v <= 3300; ++v) expected.push_back({PS_VCOMP, v});
  const tPairs power = {{PS_VCP1, 3300},  {PS_VCOMP, 1650}, {PS_VLS, 3300},
                        {PS_VCP3, 12000}, {PS_VCP2, 12000}, {PS_VCP2, 12000}};
  expected.insert(expected.end(), power.begin(), power.end());
  EXPECT_EQ(sim().supplyWrites(), expected);
  EXPECT_EQ(ui.flow(), (tTexts{"msg 149", "step ReadMemory", kReadModeTime}));
}

TEST_F(HoltekJobFlow, MeasuredVccOutsideTheWindowIsReportedAndNeverPowers) {
  EXPECT_EQ(readWithMeasuredVcc(3700), -1);

  EXPECT_EQ(ui.events, tTexts{"msg 484 3.6f 3f"});
  EXPECT_EQ(sim().supplyWrites(), (tPairs{{PS_VLS, 1000}, {PS_VCOMP, 3640}}));
  EXPECT_EQ(outputSwitches(), tTexts{"GLOBAL on"});
  EXPECT_EQ(record()->getErrorCode(), 0u);
}

// ---- refusals before the target is powered ----

struct tRefusalCase {
  const char* name;
  tOperation operation;
  std::uint32_t options;
  std::uint32_t start;
  std::uint32_t end;
  std::uint32_t memorySize;
  unsigned int bufferSize;  // 0: no buffer
  bool refused;
};

class HoltekRefusal : public HoltekJobFlow, public testing::WithParamInterface<tRefusalCase> {};

// Nothing is ever read or written outside the buffer: a job whose range does
// not fit the memory, the 16-bit address space or the buffer is refused.
TEST_P(HoltekRefusal, RefusesWhatDoesNotFitBeforeLoadingAnything) {
  const tRefusalCase& c = GetParam();
  ASSERT_TRUE(chip.setMemoryWords(c.memorySize > 0 && c.memorySize <= 0x10000 ? c.memorySize : 64));
  settings.options = c.options;
  settings.memorySize = c.memorySize;
  start = c.start;
  end = c.end;
  buffer.assign(c.bufferSize == 0 ? 1 : c.bufferSize, 0xFF);

  const short status = run(c.operation, c.bufferSize != 0);

  if (c.refused) {
    EXPECT_EQ(status, -1);
    EXPECT_EQ(ui.events, tTexts{"msg 2716"});
    EXPECT_EQ(waited, 0u);
    expectUntouchedHardware();
    EXPECT_EQ(record()->getErrorCode(), 0u);
    if (c.bufferSize != 0) {
      EXPECT_EQ(bufferNow(), std::vector<unsigned char>(c.bufferSize, 0xFF));
    }
  } else {
    EXPECT_EQ(status, 0);
    EXPECT_NE(ui.events.front(), "msg 2716");
  }
}

const tRefusalCase kRefusalCases[] = {
    {"ReadBufferOneByteShort", &mcAlgo::Read, 0, 0, 31, 64, 63, true},
    {"ReadBufferJustLongEnough", &mcAlgo::Read, 0, 0, 31, 64, 64, false},
    {"ReadWithoutBuffer", &mcAlgo::Read, 0, 0, 0, 64, 0, true},
    {"VerifyBufferOneByteShort", &mcAlgo::Verify, kOptVerifyAllowed, 2, 31, 64, 63, true},
    {"ProgramBufferOneByteShort", &mcAlgo::Program, 0, 0, 31, 64, 31, true},
    {"ProgramBufferJustLongEnough", &mcAlgo::Program, 0, 0, 31, 64, 32, false},
    {"ProgramAndVerifyNeedTheWords", &mcAlgo::Program, kOptVerifyAfterProgram, 0, 31, 64, 63, true},
    {"StartAfterEnd", &mcAlgo::Read, 0, 9, 8, 64, 128, true},
    {"EndAtMemorySize", &mcAlgo::Read, 0, 0, 64, 64, 256, true},
    {"EndBeyond16Bits", &mcAlgo::Read, 0, 0, 0x10000, 0x10001, 0x20002, true},
    {"BlankCheckOfNoMemory", &mcAlgo::BlankCheck, 0, 0, 0, 0, 128, true},
    {"EraseWithBlankCheckOfNoMemory", &mcAlgo::Erase, kOptBlankCheckAfterErase, 0, 0, 0, 128, true},
    {"EraseIgnoresTheRange", &mcAlgo::Erase, 0, 9, 8, 0, 0, false},
};

INSTANTIATE_TEST_SUITE_P(Table, HoltekRefusal, testing::ValuesIn(kRefusalCases),
                         caseName<tRefusalCase>);

TEST_F(HoltekJobFlow, PageSizeMustBeAPowerOfTwoUpTo256) {
  const struct {
    std::uint16_t pageSize;
    bool valid;
  } cases[] = {{0, false},  {1, true},    {3, false},  {4, true},
               {256, true}, {300, false}, {512, false}};
  // Room for a whole page of 256 bytes.
  ASSERT_TRUE(chip.setMemoryWords(128));
  settings.memorySize = 128;
  end = 7;
  buffer = programImage();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pageSize);
    chip.setWords(0, std::vector<std::uint16_t>(128, 0xFFFF));
    ui.events.clear();
    sim().clearTrace();
    settings.pageSize = c.pageSize;
    const short status = run(&mcAlgo::Program);
    if (c.valid) {
      EXPECT_EQ(status, 0);
      EXPECT_EQ(std::vector<std::uint16_t>(chip.words().begin(), chip.words().begin() + 4),
                std::vector<std::uint16_t>(wordPattern(4)));
    } else {
      EXPECT_EQ(status, -1);
      const std::string text = "text Error: invalid page size " + std::to_string(c.pageSize) + ".";
      EXPECT_EQ(ui.events, tTexts{text});
      EXPECT_EQ(waited, 0u);
      expectUntouchedHardware();
    }
  }
}

// A bank whose transfer failed is never made live under a powered target.
TEST_F(HoltekJobFlow, MissingSetupConfigurationIsShownAndNeverPowers) {
  const struct {
    std::uint32_t measureVcc;
    std::vector<std::string> labels;
    const char* text;
    const char* log;
  } cases[] = {{0,
                {"SETUPi", "SHUTDOWN"},
                "text Can not get CPD config: SETUP.\n",
                "PIDBG: cK5CpdCtrl::transmitCpdConfig::setupCpdConfig(sLabel) failed. SETUP"},
               {1,
                {"SETUP", "SHUTDOWN"},
                "text Can not get CPD config: SETUPi.\n",
                "PIDBG: cK5CpdCtrl::transmitCpdConfig::setupCpdConfig(sLabel) failed. SETUPi"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    ui.events.clear();
    sim().clearTrace();
    configs = pinDriverConfigs(c.labels);
    settings.measureVcc = c.measureVcc;
    tLineTap log(std::cerr);
    EXPECT_EQ(run(&mcAlgo::Read), -1);
    EXPECT_EQ(log.lines, tTexts{c.log});
    EXPECT_EQ(ui.events, tTexts{c.text});
    EXPECT_EQ(waited, 0u);
    expectUntouchedHardware();
    EXPECT_EQ(sim().traceOf(tK5TraceEvent::tkCpdSelectBank).size(), 0u);
    EXPECT_EQ(sim().supplyWrites(), tPairs{});
  }
}

// ---- info data and lock bits ----

TEST_F(HoltekJobFlow, InfoDataAndLockBitsAreProgrammedAndVerifiedAfterTheMainMemory) {
  settings.options = kOptVerifyAfterProgram;
  settings.areas = kAreaInfo | kAreaLock;
  settings.infoData = 0x12345678u;
  settings.lockBits = 0xF5;

  EXPECT_EQ(run(&mcAlgo::Program), 0);

  EXPECT_EQ(mpAlgo->getActionMask(), 0x6C0u);
  EXPECT_EQ(instructions(), (tTexts{"AC 00 12 34", "AC 10 56 78", "AC 20 rx rx", "AC 30 rx rx",
                                    "AC E0 00 15", "58 00 00 rx"}));
  EXPECT_EQ(chip.infoData(), 0x12345678u);
  EXPECT_EQ(chip.lockBits(), 0x15);
  EXPECT_EQ(ui.events, tTexts{totalTime("0.000 574")});  // 2,873 cycles
  EXPECT_EQ(waited, kActionFrame + kWriteInfo + kReadInfo + kWriteLock + kReadLock);
}

TEST_F(HoltekJobFlow, InfoOnlyProgramAndVerifyWritesAndChecksTheInfoData) {
  const struct {
    const char* name;
    std::uint32_t before;
    std::uint32_t after;
    short status;
  } cases[] = {{"erased", 0xFFFFFFFFu, 0x12345678u, 0},
               // Programming only clears bits: the high half cannot become 0x1234.
               {"not erased", 0x0000FFFFu, 0x00005678u, -1}};
  settings.options = kOptVerifyAfterProgram;
  settings.areas = kAreaInfo;
  settings.infoData = 0x12345678u;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    chip.setInfoData(c.before);
    ui.events.clear();
    sim().clearTrace();

    EXPECT_EQ(run(&mcAlgo::Program), c.status);

    EXPECT_EQ(mpAlgo->getActionMask(), 0x0C0u);
    EXPECT_EQ(instructions(), (tTexts{"AC 00 12 34", "AC 10 56 78", "AC 20 rx rx", "AC 30 rx rx"}));
    EXPECT_EQ(chip.infoData(), c.after);
    // A failure here writes no error record and shows nothing.
    EXPECT_EQ(ui.events, tTexts{totalTime("0.000 396")});  // 1,982 cycles
    EXPECT_EQ(record()->getErrorAdr(), 0u);
    EXPECT_EQ(record()->getErrorClass(), 0u);
    EXPECT_EQ(record()->getErrorCode(), 0u);
    EXPECT_EQ(outputSwitches(), kPowerCycle);
    EXPECT_EQ(waited, kActionFrame + kWriteInfo + kReadInfo);
  }
}

TEST_F(HoltekJobFlow, SignatureShowsTheChipIdOrFails) {
  chip.setSignatureId(0x42);
  makeAlgo();
  mpAlgo->afterStep = [this](const std::string&) { mpAlgo->checkSignature(); };
  EXPECT_EQ(mpAlgo->Erase(), 0);
  EXPECT_EQ(ui.withTime(), (tTexts{"msg 144", "step EraseDevice", "sig 0x42", kTimeForm}));

  // Unpowered, the chip answers nothing.
  ui.events.clear();
  makeAlgo();
  mpAlgo->checkSignature();
  EXPECT_EQ(mpAlgo->getJobStatus(), -1);
  EXPECT_EQ(ui.events, tTexts{});
}

}  // namespace
