#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "holtekTestSupport.h"
#include "mcHInterface.h"
#include "mcPInterface.h"
#include "tCaseName.h"

namespace {

const unsigned int kL1 = 1, kL2 = 2, kL3 = 3, kBusDir = 0;

// One value clocked over the 4-bit bus.
tTokens strobe(unsigned int value) { return {busOut(value), w(125), lo(kL1), w(200), hi(kL1)}; }

// Everything of powerOn after the VPP level is first set.
tTokens powerOnAfterVpp(const tTokens& vppAgain) {
  tTokens t = {w(500000),  output(k5OutVcp1, true), w(5), output(k5OutVcp2, true),
               w(1000000), output(k5OutVcp2, false)};
  append(t, vppAgain);
  append(t, {w(50000), output(k5OutVcp2, true), w(1000000)});
  append(t, {hi(kL1), hi(kL3), hi(kL2), w(125), lo(kL3), hi(kBusDir)});
  for (unsigned int nibble : {5, 6, 9, 10}) append(t, strobe(nibble));
  append(t, {lo(kBusDir), hi(kL3), w(125), lo(kL2), w(125)});
  for (int bit = 0; bit < 8; ++bit) append(t, {lo(kL1), w(200), rd(0x84), hi(kL1), w(125)});
  append(t, {lo(kL3), w(125), hi(kL2), w(125)});
  return t;
}

tTokens powerOnTokens(const tTokens& vppFirst, const tTokens& vppAgain) {
  tTokens t = vppFirst;
  append(t, powerOnAfterVpp(vppAgain));
  return t;
}

const tTokens kPowerOff = {lo(kL3),  w(125),
                           hi(kL2),  w(250),
                           lo(kL2),  w(125),
                           lo(kL1),  output(k5OutVcp2, false),
                           w(50000), output(k5OutVcp1, false)};

class tHoltekWireTest : public tHoltekTest {
protected:
  void SetUp() override {
    tHoltekTest::SetUp();
    mpWire.reset(new mcPInterface(mpHw.get(), mStatus));
  }

  void TearDown() override {
    mpWire.reset();
    tHoltekTest::TearDown();
  }

  // The chip answers the acknowledge bits, least significant first, on bit 0
  // of the data register; the other bits read as ones.
  void answerAck(unsigned char ack) {
    for (unsigned int bit = 0; bit < 8; ++bit) {
      mStub.dataIn.push_back(static_cast<unsigned short>(0xFFFEu | ((ack >> bit) & 1u)));
    }
  }

  void poweredOn() {
    answerAck(0xBC);
    mpWire->powerOn(5000, 12000);
    ASSERT_EQ(mStatus, 0);
    sim().clearTrace();
  }

  short mStatus = 0;
  std::unique_ptr<mcPInterface> mpWire;
};

class HoltekWire : public tHoltekWireTest {};

// ---- power-on entry ----

struct tPowerOnCase {
  const char* name;
  unsigned long vpp;
  tTokens vppFirst;  // the guarded supply front end keeps VCP3 >= VCP2 and VGATE above VCP3
  tTokens vppAgain;
};

class HoltekPowerOn : public tHoltekWireTest, public testing::WithParamInterface<tPowerOnCase> {};

TEST_P(HoltekPowerOn, RaisesTheSuppliesInOrderAndEnters) {
  const tPowerOnCase& c = GetParam();
  answerAck(0xBC);
  const std::uint64_t cycles = cyclesOf([&] { mpWire->powerOn(3300, c.vpp); });
  EXPECT_EQ(wireTokens(), powerOnTokens(c.vppFirst, c.vppAgain));
  EXPECT_EQ(cycles, 2554530u);
  EXPECT_EQ(mStatus, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Table, HoltekPowerOn,
    testing::Values(
        tPowerOnCase{"VppBelowVcp3", 4500, {supply(PS_VCP2, 4500)}, {supply(PS_VCP2, 4500)}},
        tPowerOnCase{"VppRaisesVcp3",
                     12000,
                     {supply(PS_VCP3, 12000), supply(PS_VCP2, 12000)},
                     {supply(PS_VCP2, 12000)}},
        tPowerOnCase{"VppRaisesVcp3AndGate",
                     16000,
                     {supply(PS_VGATE, 21000), supply(PS_VCP3, 16000), supply(PS_VCP2, 16000)},
                     {supply(PS_VCP2, 16000)}}),
    tCaseName());

struct tAckCase {
  const char* name;
  bool answered;
  unsigned char ack;
  short status;
};

class HoltekAcknowledge : public tHoltekWireTest, public testing::WithParamInterface<tAckCase> {};

// A wrong acknowledge leaves the target powered, so the caller's powerOff
// still runs the exit sequence.
TEST_P(HoltekAcknowledge, SetsTheCodeOnlyWhenWrongAndStaysPowered) {
  const tAckCase& c = GetParam();
  if (c.answered) answerAck(c.ack);
  mpWire->powerOn(5000, 12000);
  EXPECT_EQ(mStatus, c.status);
  sim().clearTrace();
  mpWire->powerOff();
  EXPECT_EQ(wireTokens(), kPowerOff);
}

INSTANTIATE_TEST_SUITE_P(Table, HoltekAcknowledge,
                         testing::Values(tAckCase{"Right", true, 0xBC, 0},
                                         // 0xBC with its bits in reverse order
                                         tAckCase{"Reversed", true, 0x3D, 2014},
                                         tAckCase{"OneBitOff", true, 0xBE, 2014},
                                         tAckCase{"AllOnes", true, 0xFF, 2014},
                                         tAckCase{"EmptySocket", false, 0x00, 2014}),
                         tCaseName());

TEST_F(HoltekWire, PowerOffRunsTheExitOnlyWhenPowered) {
  mpWire->powerOff();
  EXPECT_EQ(wireTokens(), tTokens{});

  poweredOn();
  const std::uint64_t cycles = cyclesOf([&] { mpWire->powerOff(); });
  EXPECT_EQ(wireTokens(), kPowerOff);
  EXPECT_EQ(cycles, 50500u);

  sim().clearTrace();
  mpWire->powerOff();
  EXPECT_EQ(wireTokens(), tTokens{});
  // The levels stay as they were.
  EXPECT_EQ(sim().supplyLevel(PS_VCP2), 12000u);
}

TEST_F(HoltekWire, PowerOnWhilePoweredRunsTheExitFirst) {
  poweredOn();
  answerAck(0xBC);
  mpWire->powerOn(5000, 12000);
  tTokens expected = kPowerOff;
  append(expected, powerOnTokens({supply(PS_VCP2, 12000)}, {supply(PS_VCP2, 12000)}));
  EXPECT_EQ(wireTokens(), expected);
  EXPECT_EQ(mStatus, 0);
}

TEST_F(HoltekWire, DestroyingTheProtocolDoesNotPowerOff) {
  poweredOn();
  mpWire.reset();
  EXPECT_EQ(wireTokens(), tTokens{});
}

// ---- supply levels ----

struct tLevelCase {
  const char* name;
  std::vector<unsigned long> before;  // earlier calls
  unsigned long vcc;
  tTokens supplies;
};

class HoltekVccLevels : public tHoltekWireTest, public testing::WithParamInterface<tLevelCase> {};

TEST_P(HoltekVccLevels, SetInASafeOrderThenSettle) {
  const tLevelCase& c = GetParam();
  for (unsigned long vcc : c.before) mpWire->setVccVLevels(vcc);
  sim().clearTrace();
  const std::uint64_t cycles = cyclesOf([&] { mpWire->setVccVLevels(c.vcc); });
  tTokens expected = c.supplies;
  expected.push_back(w(150000));
  EXPECT_EQ(wireTokens(), expected);
  EXPECT_EQ(cycles, 150000u);
}

INSTANTIATE_TEST_SUITE_P(
    Table, HoltekVccLevels,
    testing::Values(
        // VCP3 comes up first to stay at or above VCP1; VLS stops at 5000 mV.
        tLevelCase{"RisingAbove5000",
                   {},
                   6000,
                   {supply(PS_VCP3, 6000), supply(PS_VCP1, 6000), supply(PS_VCOMP, 3000),
                    supply(PS_VLS, 5000)}},
        tLevelCase{"FallingLevelsFirst",
                   {6000},
                   3300,
                   {supply(PS_VCOMP, 1650), supply(PS_VLS, 3300), supply(PS_VCP1, 3300)}},
        tLevelCase{"RisingBelowVcp3",
                   {6000, 3300},
                   5000,
                   {supply(PS_VCP1, 5000), supply(PS_VCOMP, 2500), supply(PS_VLS, 5000)}},
        tLevelCase{"EqualLevelsFirst",
                   {3300},
                   3300,
                   {supply(PS_VCOMP, 1650), supply(PS_VLS, 3300), supply(PS_VCP1, 3300)}},
        tLevelCase{"OddVccHalvedDown",
                   {},
                   3301,
                   {supply(PS_VCP1, 3301), supply(PS_VCOMP, 1650), supply(PS_VLS, 3301)}},
        // Above VCP3 + 5000 mV of VGATE margin the gate is raised too.
        tLevelCase{"HighVccRaisesTheGate",
                   {},
                   16000,
                   {supply(PS_VGATE, 21000), supply(PS_VCP3, 16000), supply(PS_VCP1, 16000),
                    supply(PS_VCOMP, 8000), supply(PS_VLS, 5000)}}),
    tCaseName());

// ---- nibble read mode ----

struct tReadModeCase {
  const char* name;
  unsigned long address;
  std::vector<unsigned int> nibbles;  // the shifted values as they go out
};

class HoltekReadMode : public tHoltekWireTest, public testing::WithParamInterface<tReadModeCase> {};

TEST_P(HoltekReadMode, EnterSendsTheAddressNibbleByNibble) {
  const tReadModeCase& c = GetParam();
  const std::uint64_t cycles = cyclesOf([&] { mpWire->EnterReadMode(c.address); });
  tTokens expected = {lo(kL3), w(125), lo(kL2), w(125), hi(kBusDir)};
  for (unsigned int value : c.nibbles) append(expected, strobe(value));
  append(expected, {lo(kBusDir), w(125), hi(kL3)});
  EXPECT_EQ(wireTokens(), expected);
  EXPECT_EQ(cycles, 1675u);
}

INSTANTIATE_TEST_SUITE_P(
    Table, HoltekReadMode,
    testing::Values(tReadModeCase{"SixteenBit", 0x1234, {0x1234, 0x0123, 0x0012, 0x0001}},
                    tReadModeCase{"HighBitsDropOut", 0x12345678, {0x5678, 0x4567, 0x3456, 0x2345}}),
    tCaseName());

TEST_F(HoltekWire, ReadDataWordAssemblesFourNibblesWithoutWaiting) {
  // Upper bits of the data register are not part of the nibble.
  mStub.dataIn = {0xFFF4, 0x0003, 0x1232, 0x00E1, 0x000D, 0xFFFC, 0x000B, 0x000A};
  const tTokens nibbleRead = {lo(kL1), rd(0x84), hi(kL1)};
  std::uint16_t first = 0, second = 0;
  const std::uint64_t cycles = cyclesOf([&] {
    first = mpWire->ReadDataWord();
    second = mpWire->ReadDataWord();
  });
  EXPECT_EQ(first, 0x1234);
  EXPECT_EQ(second, 0xABCD);
  tTokens expected;
  for (int i = 0; i < 8; ++i) append(expected, nibbleRead);
  EXPECT_EQ(wireTokens(), expected);
  EXPECT_EQ(cycles, 0u);
}

TEST_F(HoltekWire, LeaveReadModeRaisesL2) {
  mpWire->LeaveReadMode();
  EXPECT_EQ(wireTokens(), (tTokens{hi(kL2), w(125)}));
}

// ---- serial bits ----

TEST_F(HoltekWire, ClockPulseAndBitsOnTheWire) {
  const tTokens pulse = {w(2), hi(2), w(5), lo(2), w(2)};
  mpWire->pulseSCK();
  EXPECT_EQ(wireTokens(), pulse);

  // Most significant bit first, each set on SDO before its pulse.
  sim().clearTrace();
  mpWire->LoadInstruction(0xA5);
  tTokens expected;
  for (bool one : {true, false, true, false, false, true, false, true}) {
    expected.push_back(one ? hi(3) : lo(3));
    append(expected, pulse);
  }
  EXPECT_EQ(wireTokens(), expected);

  // Each bit is sampled before its pulse.
  sim().clearTrace();
  mStub.sendByte(0x96);
  EXPECT_EQ(mpWire->ReadData(), 0x96);
  expected.clear();
  for (int bit = 0; bit < 8; ++bit) {
    expected.push_back(rd(0x60));
    append(expected, pulse);
  }
  EXPECT_EQ(wireTokens(), expected);
}

// ---- serial instructions ----

struct tSerialCase {
  const char* name;
  std::function<std::vector<unsigned int>(mcPInterface&)> action;  // what it gives back
  std::vector<unsigned char> chipSends;
  tTokens wire;  // with the serial bits folded into bytes
  std::vector<unsigned int> results;
  std::uint64_t cycles;
};

class HoltekSerial : public tHoltekWireTest, public testing::WithParamInterface<tSerialCase> {};

TEST_P(HoltekSerial, SendsTheInstructionAndWaits) {
  const tSerialCase& c = GetParam();
  for (unsigned char byte : c.chipSends) mStub.sendByte(byte);
  std::vector<unsigned int> results;
  const std::uint64_t cycles = cyclesOf([&] { results = c.action(*mpWire); });
  EXPECT_EQ(serialTokens(wireTokens()), c.wire);
  EXPECT_EQ(results, c.results);
  EXPECT_EQ(cycles, c.cycles);
  EXPECT_TRUE(mStub.sdi.empty());
}

std::vector<unsigned int> none() { return {}; }

tTokens signatureWire() {
  tTokens t;
  for (unsigned int i = 0; i < 7; ++i) append(t, {tx(0x30), tx(0x00), tx(i), w(15), kRx});
  return t;
}

INSTANTIATE_TEST_SUITE_P(
    Table, HoltekSerial,
    testing::Values(
        tSerialCase{"LoadDataByteOdd",
                    [](mcPInterface& p) {
                      p.LoadDataByte(0x0123, 0x5A);
                      return none();
                    },
                    {},
                    {tx(0x48), tx(0x00), tx(0x23), tx(0x5A)},
                    {},
                    288},
        tSerialCase{"LoadDataByteEven",
                    [](mcPInterface& p) {
                      p.LoadDataByte(0x0122, 0xA5);
                      return none();
                    },
                    {},
                    {tx(0x40), tx(0x00), tx(0x22), tx(0xA5)},
                    {},
                    288},
        tSerialCase{"WriteDataPage",
                    [](mcPInterface& p) {
                      p.WriteDataPage(0x1234);
                      return none();
                    },
                    {},
                    {tx(0x4C), tx(0x12), tx(0x00), tx(0x00), w(32200)},
                    {},
                    32488},
        tSerialCase{"ChipErase",
                    [](mcPInterface& p) {
                      p.ChipErase();
                      return none();
                    },
                    {},
                    {tx(0xAC), tx(0x80), tx(0x00), tx(0x00), w(1300000)},
                    {},
                    1300288},
        tSerialCase{"WriteInfoData",
                    [](mcPInterface& p) {
                      p.WriteInfoData(0x12345678);
                      return none();
                    },
                    {},
                    {tx(0xAC), tx(0x00), tx(0x12), tx(0x34), w(400), tx(0xAC), tx(0x10), tx(0x56),
                     tx(0x78), w(400)},
                    {},
                    1376},
        tSerialCase{"WriteLockBitsLowFiveBits",
                    [](mcPInterface& p) {
                      p.WriteLockBits(0xF5);
                      return none();
                    },
                    {},
                    {tx(0xAC), tx(0xE0), tx(0x00), tx(0x15), w(300)},
                    {},
                    588},
        tSerialCase{"SetWriteCycleTime",
                    [](mcPInterface& p) {
                      p.setWriteCycleTime(0x07);
                      return none();
                    },
                    {},
                    {tx(0xAC), tx(0x5D), tx(0x00), tx(0x07)},
                    {},
                    288},
        tSerialCase{
            "ReadDataByteOdd",
            [](mcPInterface& p) { return std::vector<unsigned int>{p.ReadDataByte(0x1235)}; },
            {0xC3},
            {tx(0x28), tx(0x12), tx(0x35), w(15), kRx},
            {0xC3},
            303},
        tSerialCase{
            "ReadDataByteEven",
            [](mcPInterface& p) { return std::vector<unsigned int>{p.ReadDataByte(0xFE34)}; },
            {0x3C},
            {tx(0x20), tx(0xFE), tx(0x34), w(15), kRx},
            {0x3C},
            303},
        tSerialCase{"ReadLockBits",
                    [](mcPInterface& p) { return std::vector<unsigned int>{p.ReadLockBits()}; },
                    {0x1D},
                    {tx(0x58), tx(0x00), tx(0x00), w(15), kRx},
                    {0x1D},
                    303},
        // The first byte received is the most significant.
        tSerialCase{"ReadInfoData",
                    [](mcPInterface& p) { return std::vector<unsigned int>{p.ReadInfoData()}; },
                    {0x12, 0x34, 0x56, 0x78},
                    {tx(0xAC), tx(0x20), w(15), kRx, kRx, tx(0xAC), tx(0x30), w(15), kRx, kRx},
                    {0x12345678},
                    606},
        tSerialCase{"ReadSignature",
                    [](mcPInterface& p) {
                      unsigned char buffer[8] = {0, 0, 0, 0, 0, 0, 0, 0xEE};
                      p.ReadSignature(buffer);
                      return std::vector<unsigned int>(buffer, buffer + 8);
                    },
                    {0x7F, 0x7E, 0x7D, 0x7C, 0x1F, 0x00, 0x42},
                    signatureWire(),
                    {0x7F, 0x7E, 0x7D, 0x7C, 0x1F, 0x00, 0x42, 0xEE},
                    2121}),
    tCaseName());

}  // namespace
