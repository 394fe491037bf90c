#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "cK5HoltekChip.h"
#include "holtekTestSupport.h"
#include "mcHInterface.h"
#include "mcPInterface.h"
#include "mcuAccess.h"
#include "moduleGlobals.h"
#include "tCaseName.h"

namespace {

using Chip = cK5HoltekChip;
using Words = std::vector<std::uint16_t>;

const unsigned int kPageBytes = 64;

// The acknowledge as the wire protocol read it: bit 0 of each read of the
// data-in register, least significant first.
unsigned int acknowledgeRead() {
  unsigned int ack = 0;
  unsigned int bit = 0;
  for (const tK5TraceEvent& e : cK5SimProgrammer::instance().traceOf(tK5TraceEvent::tkMcuRead)) {
    if (e.a == 0x84) ack |= (e.b & 1u) << bit++;
  }
  EXPECT_EQ(bit, 8u);
  return ack;
}

// ---- power-on entry against the chip ----

struct tEntryCase {
  const char* name;
  bool inserted;
  std::uint8_t chipAck;
  unsigned int windowLow, windowHigh;  // mV
  unsigned long vcc;
  unsigned int ackRead;
  short status;
  Chip::eMode mode;  // after powerOn
  tTokens violations;
};

class HoltekChipEntry : public tHoltekChipTest, public testing::WithParamInterface<tEntryCase> {};

// A failed entry still leaves the interface powered, so the caller's powerOff
// runs the exit and switches both supplies off.
TEST_P(HoltekChipEntry, EntersOrGives2014AndPowersOffAfter) {
  const tEntryCase& c = GetParam();
  mChip.setInserted(c.inserted);
  mChip.setAcknowledge(c.chipAck);
  ASSERT_TRUE(mChip.setPowerWindow(c.windowLow, c.windowHigh));

  powerOn(c.vcc);
  EXPECT_EQ(acknowledgeRead(), c.ackRead);
  EXPECT_EQ(mStatus, c.status);
  EXPECT_EQ(mChip.mode(), c.mode);
  EXPECT_TRUE(outputOn(k5OutVcp1));
  EXPECT_TRUE(outputOn(k5OutVcp2));
  EXPECT_EQ(takeViolations(), c.violations);

  mpWire->powerOff();
  EXPECT_FALSE(outputOn(k5OutVcp1));
  EXPECT_FALSE(outputOn(k5OutVcp2));
  EXPECT_EQ(mChip.mode(), Chip::mdOff);
}

// VPP is raised twice while powering on; the chip objects to the wrong Vcc once.
tTokens vppOverWrongVcc(unsigned int vcc, const std::string& range) {
  return {"VPP on while Vcc " + std::to_string(vcc) + " mV is outside the operating range " +
          range + " mV"};
}

INSTANTIATE_TEST_SUITE_P(
    Table, HoltekChipEntry,
    testing::Values(
        tEntryCase{"RightAcknowledge", true, 0xBC, 2200, 5500, 5000, 0xBC, 0, Chip::mdSerial, {}},
        tEntryCase{"LowWindowEdge", true, 0xBC, 3300, 5500, 3300, 0xBC, 0, Chip::mdSerial, {}},
        // The chip enters all the same; only its answer is wrong.
        tEntryCase{
            "WrongAcknowledge", true, 0xBD, 2200, 5500, 5000, 0xBD, 2014, Chip::mdSerial, {}},
        tEntryCase{"EmptySocket", false, 0xBC, 2200, 5500, 5000, 0x00, 2014, Chip::mdOff, {}},
        tEntryCase{"VccBelowTheWindow", true, 0xBC, 2200, 5500, 2199, 0x00, 2014, Chip::mdOff,
                   vppOverWrongVcc(2199, "2200-5500")},
        tEntryCase{"VccAboveTheWindow", true, 0xBC, 3000, 3600, 3601, 0x00, 2014, Chip::mdOff,
                   vppOverWrongVcc(3601, "3000-3600")}),
    tCaseName());

class HoltekChipWire : public tHoltekChipTest {
protected:
  // Word w is the bytes 2w (low) and 2w + 1 (high); each page goes to the chip
  // as its bytes, then one commit.
  void programWords(const Words& words) {
    const unsigned int bytes = static_cast<unsigned int>(2 * words.size());
    for (unsigned int page = 0; page < bytes; page += kPageBytes) {
      for (unsigned int a = page; a < page + kPageBytes && a < bytes; ++a) {
        const std::uint16_t word = words[a / 2];
        mpWire->LoadDataByte(static_cast<unsigned short>(a),
                             static_cast<unsigned char>(a & 1u ? word >> 8 : word));
      }
      mpWire->WriteDataPage(static_cast<unsigned short>(page));
    }
  }

  Words readWords(unsigned long first, std::size_t count) {
    Words words;
    mpWire->EnterReadMode(first);
    for (std::size_t i = 0; i < count; ++i) words.push_back(mpWire->ReadDataWord());
    mpWire->LeaveReadMode();
    return words;
  }
};

// The exit sequence and a new entry: the chip only enters after a power cycle.
TEST_F(HoltekChipWire, PowerOnWhilePoweredReenters) {
  powerOn();
  ASSERT_EQ(mStatus, 0);
  mpWire->LoadInstruction(0x30);  // an instruction left unfinished
  powerOn();
  EXPECT_EQ(mStatus, 0);
  EXPECT_EQ(mChip.mode(), Chip::mdSerial);
  EXPECT_EQ(mpWire->ReadLockBits(), 0xFF);
}

TEST_F(HoltekChipWire, SerialReadsAnswerWhatTheChipHolds) {
  mChip.setSignatureId(0x5A);
  ASSERT_TRUE(mChip.setWords(0x091A, {0xA55A}));
  mChip.setInfoData(0x89ABCDEF);
  mChip.setLockBits(0x15);
  powerOn();
  ASSERT_EQ(mStatus, 0);
  // Accepted without effect: the next instruction is taken as usual.
  mpWire->setWriteCycleTime(0x20);

  unsigned char signature[7] = {};
  mpWire->ReadSignature(signature);
  EXPECT_EQ(std::vector<unsigned int>(signature, signature + 7),
            (std::vector<unsigned int>{0x7F, 0x7F, 0x7F, 0x7F, 0x1F, 0x00, 0x5A}));
  EXPECT_EQ(mpWire->ReadDataByte(0x1234), 0x5A);
  EXPECT_EQ(mpWire->ReadDataByte(0x1235), 0xA5);
  EXPECT_EQ(mpWire->ReadInfoData(), 0x89ABCDEFu);
  EXPECT_EQ(mpWire->ReadLockBits(), 0x15);
}

TEST_F(HoltekChipWire, ProgrammedPagesReadBackAndOnlyLoseOnes) {
  ASSERT_TRUE(mChip.setMemoryWords(0x200));
  Words first(0x200), second(0x200), both(0x200);
  for (unsigned int i = 0; i < 0x200; ++i) {
    first[i] = static_cast<std::uint16_t>(i * 0x9E37u + 0x1234u);
    second[i] = static_cast<std::uint16_t>(~(i * 0x0101u) ^ 0x8421u);
    both[i] = static_cast<std::uint16_t>(first[i] & second[i]);
  }
  powerOn();
  ASSERT_EQ(mStatus, 0);

  programWords(first);
  EXPECT_EQ(mChip.words(), first);
  EXPECT_EQ(readWords(0, 0x200), first);
  // A read from the middle of the memory.
  EXPECT_EQ(readWords(0x123, 0x40), Words(first.begin() + 0x123, first.begin() + 0x163));
  EXPECT_EQ(mpWire->ReadDataByte(0x0247), static_cast<unsigned char>(first[0x123] >> 8));

  programWords(second);
  EXPECT_EQ(readWords(0, 0x200), both);

  mpWire->ChipErase();
  EXPECT_EQ(readWords(0, 0x200), Words(0x200, 0xFFFF));
}

TEST_F(HoltekChipWire, InfoDataAndLockBitsWriteAndReadBack) {
  powerOn();
  ASSERT_EQ(mStatus, 0);
  mpWire->WriteInfoData(0x12345678);
  mpWire->WriteLockBits(0xF5);  // the low 5 bits only
  EXPECT_EQ(mpWire->ReadInfoData(), 0x12345678u);
  EXPECT_EQ(mpWire->ReadLockBits(), 0x15);

  mpWire->WriteInfoData(0xF0F0FF0F);
  mpWire->WriteLockBits(0x0E);
  EXPECT_EQ(mpWire->ReadInfoData(), 0x10305608u);
  EXPECT_EQ(mpWire->ReadLockBits(), 0x04);

  mpWire->ChipErase();
  EXPECT_EQ(mpWire->ReadInfoData(), 0xFFFFFFFFu);
  EXPECT_EQ(mpWire->ReadLockBits(), 0xFF);
}

// ---- waits cut short ----

struct tBusyCase {
  const char* name;
  std::function<void(mcPInterface&)> operation;
  std::vector<unsigned char> bytes;  // its last instruction
  unsigned int busy;                 // cycles
  const char* what;
};

class HoltekChipBusy : public tHoltekChipTest, public testing::WithParamInterface<tBusyCase> {};

// The operation's own wait covers the busy time even for an edge right after
// it; the same instruction with the wait one cycle short is caught.
TEST_P(HoltekChipBusy, AWaitOneCycleShortIsAViolation) {
  const tBusyCase& c = GetParam();
  auto strobeEdge = [&] {
    mpHw->mL1.reset();
    mpHw->mL1.set();
  };
  powerOn();
  ASSERT_EQ(mStatus, 0);
  c.operation(*mpWire);
  strobeEdge();
  EXPECT_EQ(takeViolations(), tTokens{});

  for (unsigned char byte : c.bytes) mpWire->LoadInstruction(byte);
  // The clock pulse already waited 2 cycles after its falling edge.
  mcu_wait_bus_cycles(c.busy - 3, mFPGAMapping);
  strobeEdge();
  EXPECT_EQ(takeViolations(), tTokens{"line edge " + std::to_string(c.busy - 1) + " cycles after " +
                                      c.what + " (busy for " + std::to_string(c.busy) + ")"});
}

INSTANTIATE_TEST_SUITE_P(Table, HoltekChipBusy,
                         testing::Values(tBusyCase{"PageCommit",
                                                   [](mcPInterface& p) { p.WriteDataPage(0x0100); },
                                                   {0x4C, 0x01, 0x00, 0x00},
                                                   Chip::kPageCommitCycles,
                                                   "a page commit"},
                                         tBusyCase{"ChipErase",
                                                   [](mcPInterface& p) { p.ChipErase(); },
                                                   {0xAC, 0x80, 0x00, 0x00},
                                                   Chip::kEraseCycles,
                                                   "a chip erase"},
                                         tBusyCase{
                                             "InfoDataWrite",
                                             [](mcPInterface& p) { p.WriteInfoData(0xFFFFFFFF); },
                                             {0xAC, 0x10, 0xFF, 0xFF},
                                             Chip::kInfoWriteCycles,
                                             "an info-data write"},
                                         tBusyCase{"LockBitWrite",
                                                   [](mcPInterface& p) { p.WriteLockBits(0x1F); },
                                                   {0xAC, 0xE0, 0x00, 0x1F},
                                                   Chip::kLockWriteCycles,
                                                   "a lock-bit write"}),
                         tCaseName());

// ---- Vcc measurement against the chip's comparator ----

struct tChipVccCase {
  const char* name;
  unsigned long upper, lower;
  unsigned int sensed;
  std::uint32_t result;
};

class HoltekChipVcc : public tHoltekChipTest, public testing::WithParamInterface<tChipVccCase> {};

// The chip's comparator and the stub's give the same search, step by step.
TEST_P(HoltekChipVcc, MeasuresLikeOverTheStub) {
  const tChipVccCase& c = GetParam();
  mChip.setSensedSupply(c.sensed);
  EXPECT_EQ(mpHw->calcVcc(c.upper, c.lower), c.result);
  const tTokens overChip = wireTokens();

  tSocketStub stub;
  stub.sensed = c.sensed;
  unplug(mChip);
  plug(stub);
  sim().clearTrace();
  EXPECT_EQ(mpHw->calcVcc(c.upper, c.lower), c.result);
  unplug(stub);
  plug(mChip);
  EXPECT_EQ(overChip, wireTokens());
}

INSTANTIATE_TEST_SUITE_P(Table, HoltekChipVcc,
                         testing::Values(tChipVccCase{"InsideTheWindow", 3600, 3000, 3300, 3300},
                                         tChipVccCase{"AboveTheWindow", 3600, 3000, 3700, 0},
                                         tChipVccCase{"BelowTheWindow", 3600, 3000, 2900, 0}),
                         tCaseName());

}  // namespace
