#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "Korvo5.h"
#include "cK5HoltekChip.h"
#include "cK5SimProgrammer.h"
#include "tBench.h"

namespace {

using Sim = cK5SimProgrammer;
using Chip = cK5HoltekChip;
using Bytes = std::vector<std::uint8_t>;
using Texts = std::vector<std::string>;

const unsigned int kBase = Sim::kRegBaseToken;
const unsigned short kBusWrite = 1;  // bit 0: bus direction
const unsigned short kL1 = 1u << 1;
const unsigned short kL2 = 1u << 2;  // also SCK
const unsigned short kL3 = 1u << 3;  // also SDO

// Drives the chip through the stand-in's registers, supplies and output
// flags, with the line sequences of the programming protocol.
// Tests that provoke violations assert and clear them: the bench checks that
// none is left.
class HoltekChip : public tBenchTest {
protected:
  HoltekChip() : device(new cKorvo5Device()) { plug(chip); }
  cK5AbstractCPDCtrl* outputs() { return device->pdioCtrl(0)->cpdCtrl(); }
  void setSupply(ePSChannel channel, unsigned int mV) {
    device->psCtrl()->setSupplyVoltage(channel, mV);
  }

  static void high(unsigned short lines) { mcu_write16(kBase + 0x42, lines); }
  static void low(unsigned short lines) { mcu_write16(kBase + 0x44, lines); }
  static void wait(unsigned int cycles) { mcu_wait_bus_cycles(cycles, Sim::kFpgaMappingToken); }
  static unsigned short dataIn() { return mcu_read16(kBase + 0x84); }
  static bool sdi() { return (mcu_read16(kBase + 0x60) & 0x0008u) != 0; }

  // Vcc, then VPP.
  void suppliesOn() {
    setSupply(PS_VCP1, 5000);
    setSupply(PS_VCP2, 12000);
    outputs()->setNOEVCP1(false);
    wait(5);
    outputs()->setNOEVCP2(false);
  }

  static void strobeNibble(unsigned short value) {
    mcu_write16(kBase + 0x86, value);
    wait(125);
    low(kL1);
    wait(200);
    high(kL1);
  }

  // The entry sequence; gives the acknowledge bits as read, least significant first.
  static std::vector<unsigned int> entry(const std::array<unsigned short, 4>& nibbles = {
                                             {5, 6, 9, 10}}) {
    high(kL1);
    high(kL3);
    high(kL2);
    wait(125);
    low(kL3);
    high(kBusWrite);
    for (unsigned short n : nibbles) strobeNibble(n);
    low(kBusWrite);
    high(kL3);
    wait(125);
    low(kL2);
    wait(125);
    std::vector<unsigned int> bits;
    for (int i = 0; i < 8; ++i) {
      low(kL1);
      wait(200);
      bits.push_back(dataIn() & 1u);
      high(kL1);
      wait(125);
    }
    low(kL3);
    wait(125);
    high(kL2);
    wait(125);
    return bits;
  }
  static unsigned int byteOf(const std::vector<unsigned int>& bits) {
    unsigned int byte = 0;
    for (std::size_t i = 0; i < bits.size(); ++i) byte |= bits[i] << i;
    return byte;
  }

  // Supplies on and the entry; true when the chip acknowledged with 0xBC.
  bool powerOn() {
    suppliesOn();
    return byteOf(entry()) == 0xBC;
  }

  void powerOff() {
    low(kL3);
    wait(125);
    high(kL2);
    wait(250);
    low(kL2);
    wait(125);
    low(kL1);
    outputs()->setNOEVCP2(true);
    wait(50000);
    outputs()->setNOEVCP1(true);
  }

  static void enterReadMode(unsigned int address) {
    low(kL3);
    wait(125);
    low(kL2);
    wait(125);
    high(kBusWrite);
    // Unmasked, as the programmer sends them: the chip takes bits 0-3.
    for (unsigned int k = 0; k < 4; ++k)
      strobeNibble(static_cast<unsigned short>(address >> (4 * k)));
    low(kBusWrite);
    wait(125);
    high(kL3);
  }
  static std::uint16_t readWord() {
    unsigned int word = 0;
    for (unsigned int k = 0; k < 4; ++k) {
      low(kL1);
      word |= (dataIn() & 0xFu) << (4 * k);
      high(kL1);
    }
    return static_cast<std::uint16_t>(word);
  }
  static void leaveReadMode() {
    high(kL2);
    wait(125);
  }

  static void pulseSck() {
    wait(2);
    high(kL2);
    wait(5);
    low(kL2);
    wait(2);
  }
  static void sendBit(bool one) {
    if (one) {
      high(kL3);
    } else {
      low(kL3);
    }
    pulseSck();
  }
  static void send(const Bytes& bytes) {
    for (std::uint8_t b : bytes)
      for (unsigned int mask = 0x80; mask != 0; mask >>= 1) sendBit((b & mask) != 0);
  }
  static std::uint8_t receive() {
    unsigned int byte = 0;
    for (unsigned int mask = 0x80; mask != 0; mask >>= 1) {
      if (sdi()) byte |= mask;
      pulseSck();
    }
    return static_cast<std::uint8_t>(byte);
  }
  // An instruction and its one-byte answer.
  static std::uint8_t ask(const Bytes& bytes) {
    send(bytes);
    wait(15);
    return receive();
  }
  // The four info-data bytes as the chip answers them, b3 first.
  static Bytes readInfo() {
    Bytes bytes;
    for (std::uint8_t half : {0x20, 0x30}) {
      send({0xAC, half});
      wait(15);
      bytes.push_back(receive());
      bytes.push_back(receive());
    }
    return bytes;
  }

  Texts takeViolations() {
    Texts v = chip.violations();
    chip.clearViolations();
    return v;
  }

  std::unique_ptr<cKorvo5Device> device;
  Chip chip;
};

// ---------------------------------------------------------------- power

TEST_F(HoltekChip, PoweredOnlyWithVcc1OnInsideTheWindow) {
  struct Case {
    const char* what;
    unsigned int vcc;
    bool outputOn;
    bool powered;
  };
  const Case cases[] = {
      {"below the window", 2199, true, false}, {"window bottom", 2200, true, true},
      {"window top", 5500, true, true},        {"above the window", 5501, true, false},
      {"output off", 5000, false, false},
  };
  sim().setMcuRegister(0x84, 0x0007);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    setSupply(PS_VCP1, c.vcc);
    outputs()->setNOEVCP1(!c.outputOn);
    EXPECT_EQ(chip.powered(), c.powered);
    EXPECT_EQ(chip.mode(), c.powered ? Chip::mdEntry : Chip::mdOff);
    // Unpowered, the data-in nibble reads 0; powered it is the chip's (0 before any entry).
    EXPECT_EQ(dataIn(), 0x0000);
  }

  EXPECT_FALSE(chip.setPowerWindow(3601, 3600));
  ASSERT_TRUE(chip.setPowerWindow(3000, 3600));
  outputs()->setNOEVCP1(false);
  setSupply(PS_VCP1, 3300);
  EXPECT_TRUE(chip.powered());
  setSupply(PS_VCP1, 5000);
  EXPECT_FALSE(chip.powered());
}

TEST_F(HoltekChip, VppWithoutVccIsAViolation) {
  struct Case {
    const char* what;
    unsigned int vcc;
    bool vccOn;
    bool inserted;
    Texts violations;
  };
  const Case cases[] = {
      {"Vcc output off", 5000, false, true, {"VPP on while Vcc is off (VCP1 5000 mV, output off)"}},
      {"Vcc below the window",
       1800,
       true,
       true,
       {"VPP on while Vcc 1800 mV is outside the operating range 2200-5500 mV"}},
      {"Vcc above the window",
       6000,
       true,
       true,
       {"VPP on while Vcc 6000 mV is outside the operating range 2200-5500 mV"}},
      {"Vcc first", 5000, true, true, {}},
      {"empty socket", 0, false, false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    chip.setInserted(c.inserted);
    setSupply(PS_VCP1, c.vcc);
    setSupply(PS_VCP2, 12000);
    outputs()->setNOEVCP1(!c.vccOn);
    outputs()->setNOEVCP2(false);
    // A lasting fault is one violation.
    setSupply(PS_VCP2, 11000);
    EXPECT_EQ(takeViolations(), c.violations);
    outputs()->setNOEVCP2(true);
    outputs()->setNOEVCP1(true);
  }
}

// A module that powers up again at the same wrong level is told once; a
// different level is a fault of its own.
TEST_F(HoltekChip, VppOverAVccOutsideTheRangeIsToldOnce) {
  for (unsigned int vcc : {6000u, 6000u, 6500u}) {
    setSupply(PS_VCP1, vcc);
    setSupply(PS_VCP2, 12000);
    outputs()->setNOEVCP1(false);
    wait(5);
    outputs()->setNOEVCP2(false);
    EXPECT_FALSE(chip.powered());
    outputs()->setNOEVCP2(true);
    outputs()->setNOEVCP1(true);
  }
  EXPECT_EQ(takeViolations(),
            (Texts{"VPP on while Vcc 6000 mV is outside the operating range 2200-5500 mV",
                   "VPP on while Vcc 6500 mV is outside the operating range 2200-5500 mV"}));
}

// The chip stands VPP up to its maximum, powered or not; above it each level
// is one violation.
TEST_F(HoltekChip, VppAboveTheMaximumIsAViolation) {
  setSupply(PS_VCP1, 5000);
  outputs()->setNOEVCP1(false);
  for (unsigned int vpp : {Chip::kVppMaxMv, Chip::kVppMaxMv + 1, Chip::kVppMaxMv + 1, 30000u}) {
    setSupply(PS_VCP2, vpp);
    outputs()->setNOEVCP2(false);
    outputs()->setNOEVCP2(true);
  }
  // Out of the socket it stands anything.
  chip.setInserted(false);
  outputs()->setNOEVCP2(false);
  outputs()->setNOEVCP2(true);
  EXPECT_EQ(takeViolations(), (Texts{"VPP 13001 mV is above the chip's maximum 13000 mV",
                                     "VPP 30000 mV is above the chip's maximum 13000 mV"}));
}

// The chip enters all the same; a VPP outside its range at entry is told.
TEST_F(HoltekChip, EntryWantsVppInsideItsRange) {
  const struct {
    const char* what;
    unsigned int vpp;
    bool on;
    Texts violations;
  } cases[] = {
      {"bottom", Chip::kVppMinMv, true, {}},
      {"top", Chip::kVppMaxMv, true, {}},
      {"below",
       Chip::kVppMinMv - 1,
       true,
       {"entry with VPP 4999 mV, outside the chip's range 5000-13000 mV"}},
      {"zero", 0, true, {"entry with VPP 0 mV, outside the chip's range 5000-13000 mV"}},
      {"output off",
       12000,
       false,
       {"entry with VPP 12000 mV (output off), outside the chip's range 5000-13000 mV"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    setSupply(PS_VCP1, 5000);
    setSupply(PS_VCP2, c.vpp);
    outputs()->setNOEVCP1(false);
    wait(5);
    outputs()->setNOEVCP2(!c.on);
    EXPECT_EQ(byteOf(entry()), 0xBCu);
    EXPECT_EQ(chip.mode(), Chip::mdSerial);
    EXPECT_EQ(takeViolations(), c.violations);
    powerOff();
  }
}

TEST_F(HoltekChip, VccOffUnderVppIsAViolation) {
  ASSERT_TRUE(powerOn());
  outputs()->setNOEVCP1(true);
  EXPECT_EQ(takeViolations(), Texts{"VPP on while Vcc is off (VCP1 5000 mV, output off)"});
  EXPECT_EQ(chip.mode(), Chip::mdOff);
  outputs()->setNOEVCP2(true);
}

TEST_F(HoltekChip, LosingPowerDropsTheProtocolState) {
  ASSERT_TRUE(powerOn());
  send({0x30, 0x00});  // two thirds of an instruction
  outputs()->setNOEVCP2(true);
  setSupply(PS_VCP1, 2000);
  EXPECT_EQ(chip.mode(), Chip::mdOff);
  EXPECT_FALSE(sdi());
  setSupply(PS_VCP1, 5000);
  outputs()->setNOEVCP2(false);
  EXPECT_EQ(chip.mode(), Chip::mdEntry);
  // Serial clocks mean nothing before a new entry.
  send({0x58, 0x00, 0x00});
  EXPECT_EQ(chip.mode(), Chip::mdEntry);
  EXPECT_EQ(byteOf(entry()), 0xBCu);
  // The old instruction bytes are gone: a whole new one is taken.
  EXPECT_EQ(ask({0x30, 0x00, 0x04}), 0x1F);
}

// Supplies and outputs changed while the chip was out of the socket, a
// reset of the programmer, and the chip's own window all count at the chip's
// next access, though it heard no event of them.
TEST_F(HoltekChip, UnheardPowerChangesCountAtTheNextAccess) {
  struct Case {
    const char* what;
    bool poweredBefore;
    std::function<void()> change;
    bool poweredAfter;
  };
  const auto unheard = [this](const std::function<void()>& change) {
    return [this, change] {
      sim().unplug(chip);
      change();
      sim().plug(chip);
    };
  };
  const Case cases[] = {
      {"Vcc dropped", true, unheard([this] { setSupply(PS_VCP1, 1800); }), false},
      {"Vcc back", false, unheard([this] { setSupply(PS_VCP1, 5000); }), true},
      {"Vcc output off", true, unheard([this] { outputs()->setNOEVCP1(true); }), false},
      {"supplies off", true, unheard([this] { device->psCtrl()->switchOffSupplies(); }), false},
      {"window moved", true, [this] { ASSERT_TRUE(chip.setPowerWindow(3000, 3600)); }, false},
      {"window widened", false, [this] { ASSERT_TRUE(chip.setPowerWindow(1000, 5500)); }, true},
      {"programmer reset", true, [this] { restart(); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    restart();
    ASSERT_TRUE(chip.setPowerWindow(2200, 5500));
    setSupply(PS_VCP1, c.poweredBefore ? 5000 : 1800);
    outputs()->setNOEVCP1(false);
    ASSERT_EQ(chip.powered(), c.poweredBefore);
    c.change();
    EXPECT_EQ(chip.powered(), c.poweredBefore);  // nothing heard yet
    EXPECT_EQ(dataIn(), 0x0000);
    EXPECT_EQ(chip.mode(), c.poweredAfter ? Chip::mdEntry : Chip::mdOff);
  }
}

TEST_F(HoltekChip, EmptySocketAnswersNothing) {
  sim().setMcuRegister(0x84, 0x0005);
  sim().setMcuRegister(0x60, 0x0208);
  chip.setSensedSupply(5000);
  chip.setInserted(false);
  suppliesOn();
  EXPECT_EQ(byteOf(entry()), 0xFFu);  // bit 0 of the register file each time
  EXPECT_EQ(mcu_read16(kBase + 0x84), 0x0005);
  EXPECT_EQ(mcu_read16(kBase + 0x60), 0x0208);
  EXPECT_EQ(chip.mode(), Chip::mdOff);

  // Taking a powered chip out powers it off at once.
  chip.setInserted(true);
  ASSERT_TRUE(powerOn());
  chip.setInserted(false);
  EXPECT_EQ(chip.mode(), Chip::mdOff);
}

TEST_F(HoltekChip, TheExitSequenceIsAccepted) {
  ASSERT_TRUE(powerOn());
  EXPECT_EQ(ask({0x58, 0x00, 0x00}), 0xFF);
  enterReadMode(0);
  EXPECT_EQ(readWord(), 0xFFFF);
  leaveReadMode();
  powerOff();
  EXPECT_EQ(chip.mode(), Chip::mdOff);
  ASSERT_TRUE(powerOn());
  powerOff();
}

// ---------------------------------------------------------------- entry

TEST_F(HoltekChip, EntryAcknowledgesBitByBit) {
  suppliesOn();
  // 0xBC, least significant bit first.
  EXPECT_EQ(entry(), (std::vector<unsigned int>{0, 0, 1, 1, 1, 1, 0, 1}));
  EXPECT_EQ(chip.mode(), Chip::mdSerial);
}

TEST_F(HoltekChip, WrongEntryAcknowledgesZeroAndLeavesTheChipDeaf) {
  const std::array<unsigned short, 4> sequences[] = {
      {{5, 6, 9, 11}}, {{6, 5, 9, 10}}, {{0, 0, 0, 0}}, {{10, 9, 6, 5}}};
  for (const auto& nibbles : sequences) {
    SCOPED_TRACE(testing::Message()
                 << nibbles[0] << " " << nibbles[1] << " " << nibbles[2] << " " << nibbles[3]);
    suppliesOn();
    EXPECT_EQ(byteOf(entry(nibbles)), 0x00u);
    EXPECT_EQ(chip.mode(), Chip::mdLocked);
    EXPECT_EQ(ask({0x30, 0x00, 0x00}), 0x00);
    enterReadMode(0);
    EXPECT_EQ(readWord(), 0x0000);
    leaveReadMode();
    EXPECT_EQ(chip.mode(), Chip::mdLocked);
    powerOff();
  }
  // A new power cycle lets it in again.
  EXPECT_TRUE(powerOn());
}

TEST_F(HoltekChip, AnotherAcknowledgeIsOnlyAnotherByte) {
  chip.setAcknowledge(0xBD);
  suppliesOn();
  EXPECT_EQ(byteOf(entry()), 0xBDu);
  EXPECT_EQ(chip.mode(), Chip::mdSerial);
  EXPECT_EQ(ask({0x30, 0x00, 0x00}), 0x7F);
}

// ---------------------------------------------------------------- read mode

TEST_F(HoltekChip, ReadModeGivesWordsFromTheAddressOn) {
  ASSERT_TRUE(chip.setWords(0x1230, {0x1234, 0xABCD, 0x0F0F}));
  ASSERT_TRUE(powerOn());
  enterReadMode(0x1230);
  EXPECT_EQ(chip.mode(), Chip::mdReadMode);
  EXPECT_EQ(readWord(), 0x1234);
  EXPECT_EQ(readWord(), 0xABCD);
  EXPECT_EQ(readWord(), 0x0F0F);
  EXPECT_EQ(readWord(), 0xFFFF);
  leaveReadMode();
  EXPECT_EQ(chip.mode(), Chip::mdSerial);
  enterReadMode(0x1231);
  EXPECT_EQ(readWord(), 0xABCD);
  leaveReadMode();
  EXPECT_EQ(ask({0x30, 0x00, 0x00}), 0x7F);
}

TEST_F(HoltekChip, ReadModeDropsWhatTheSerialShifterHeld) {
  ASSERT_TRUE(powerOn());
  // Three stray bits, then read mode: the next instruction starts afresh.
  sendBit(true);
  sendBit(true);
  sendBit(true);
  enterReadMode(0);
  leaveReadMode();
  EXPECT_EQ(ask({0x30, 0x00, 0x04}), 0x1F);
  // Whole bytes of an unfinished instruction are a fault.
  send({0x30});
  enterReadMode(0);
  leaveReadMode();
  EXPECT_EQ(takeViolations(), Texts{"instruction 0x30 cut short by read mode"});
  EXPECT_EQ(ask({0x30, 0x00, 0x04}), 0x1F);
}

TEST_F(HoltekChip, ReadingBeyondTheMemoryIsAViolation) {
  ASSERT_TRUE(chip.setMemoryWords(16));
  ASSERT_TRUE(chip.setWords(15, {0x1111}));
  ASSERT_TRUE(powerOn());
  enterReadMode(15);
  EXPECT_EQ(readWord(), 0x1111);
  EXPECT_EQ(readWord(), 0x0000);
  EXPECT_EQ(readWord(), 0x0000);
  leaveReadMode();
  EXPECT_EQ(takeViolations(), Texts{"read-mode word address 0x0010 beyond memory of 16 words"});
}

// ---------------------------------------------------------------- serial

TEST_F(HoltekChip, AnswerBitsFollowTheClock) {
  chip.setLockBits(0xA5);
  ASSERT_TRUE(powerOn());
  send({0x58, 0x00});
  for (int i = 0; i < 7; ++i) sendBit(false);
  low(kL3);
  wait(2);
  high(kL2);
  EXPECT_FALSE(sdi());  // the last bit is not in yet
  wait(5);
  low(kL2);
  std::vector<bool> seen{sdi()};
  for (int i = 0; i < 8; ++i) {
    pulseSck();
    seen.push_back(sdi());
  }
  EXPECT_EQ(seen, (std::vector<bool>{1, 0, 1, 0, 0, 1, 0, 1, 0}));
  // The clock after the answer belongs to the next instruction.
  EXPECT_EQ(ask({0x30, 0x00, 0x04}), 0x1F);
}

TEST_F(HoltekChip, SignatureBytes) {
  chip.setSignatureId(0x5A);
  ASSERT_TRUE(powerOn());
  Bytes read;
  for (std::uint8_t i = 0; i < 7; ++i) read.push_back(ask({0x30, 0x00, i}));
  EXPECT_EQ(read, (Bytes{0x7F, 0x7F, 0x7F, 0x7F, 0x1F, 0x00, 0x5A}));
  const std::array<std::uint8_t, 7> expected{{0x7F, 0x7F, 0x7F, 0x7F, 0x1F, 0x00, 0x5A}};
  EXPECT_EQ(chip.signature(), expected);
}

TEST_F(HoltekChip, FreshChipIsErasedAndSizesAreChecked) {
  Chip fresh;
  EXPECT_EQ(fresh.words().size(), Chip::kMaxWords);
  EXPECT_TRUE(std::all_of(fresh.words().begin(), fresh.words().end(),
                          [](std::uint16_t w) { return w == 0xFFFF; }));
  EXPECT_EQ(fresh.infoData(), 0xFFFFFFFFu);
  EXPECT_EQ(fresh.lockBits(), 0xFF);

  EXPECT_FALSE(fresh.setMemoryWords(0));
  EXPECT_FALSE(fresh.setMemoryWords(Chip::kMaxWords + 1));
  ASSERT_TRUE(fresh.setMemoryWords(2));
  EXPECT_FALSE(fresh.setWords(1, {0x0000, 0x0000}));
  EXPECT_FALSE(fresh.setWords(3, {}));
  ASSERT_TRUE(fresh.setWords(1, {0x1234}));
  ASSERT_TRUE(fresh.setMemoryWords(3));
  EXPECT_EQ(fresh.words(), (std::vector<std::uint16_t>{0xFFFF, 0x1234, 0xFFFF}));
}

TEST_F(HoltekChip, EraseRestoresAllOnes) {
  ASSERT_TRUE(chip.setWords(0, {0x0000, 0x1234}));
  ASSERT_TRUE(chip.setWords(Chip::kMaxWords - 1, {0x0000}));
  chip.setInfoData(0);
  chip.setLockBits(0);
  chip.setSignatureId(0x42);
  ASSERT_TRUE(powerOn());
  send({0xAC, 0x80, 0x00, 0x00});
  wait(Chip::kEraseCycles);
  EXPECT_TRUE(std::all_of(chip.words().begin(), chip.words().end(),
                          [](std::uint16_t w) { return w == 0xFFFF; }));
  EXPECT_EQ(readInfo(), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(ask({0x58, 0x00, 0x00}), 0xFF);
  EXPECT_EQ(ask({0x30, 0x00, 0x06}), 0x42);
}

TEST_F(HoltekChip, InfoDataIsWrittenInHalvesAndOnlyLosesOnes) {
  ASSERT_TRUE(powerOn());
  send({0xAC, 0x00, 0x12, 0x34});
  wait(Chip::kInfoWriteCycles);
  send({0xAC, 0x10, 0x56, 0x78});
  wait(Chip::kInfoWriteCycles);
  EXPECT_EQ(chip.infoData(), 0x12345678u);
  EXPECT_EQ(readInfo(), (Bytes{0x12, 0x34, 0x56, 0x78}));
  send({0xAC, 0x00, 0xF0, 0xF0});
  wait(Chip::kInfoWriteCycles);
  send({0xAC, 0x10, 0xFF, 0x0F});
  wait(Chip::kInfoWriteCycles);
  EXPECT_EQ(chip.infoData(), 0x10305608u);
}

TEST_F(HoltekChip, LockBitsOnlyLoseOnes) {
  ASSERT_TRUE(powerOn());
  send({0xAC, 0xE0, 0x00, 0x15});
  wait(Chip::kLockWriteCycles);
  EXPECT_EQ(chip.lockBits(), 0x15);
  EXPECT_EQ(ask({0x58, 0x00, 0x00}), 0x15);
  send({0xAC, 0xE0, 0x00, 0x0E});
  wait(Chip::kLockWriteCycles);
  EXPECT_EQ(ask({0x58, 0x00, 0x00}), 0x04);
}

TEST_F(HoltekChip, WriteCycleTimeIsAccepted) {
  ASSERT_TRUE(powerOn());
  send({0xAC, 0x5D, 0x00, 0x20});
  EXPECT_EQ(ask({0x30, 0x00, 0x04}), 0x1F);
}

TEST_F(HoltekChip, PageCommitWritesTheLoadedBytesSeenAsWords) {
  ASSERT_TRUE(chip.setWords(0x80, {0x0FF0}));  // partly programmed already
  ASSERT_TRUE(powerOn());
  send({0x40, 0x00, 0x00, 0x3C});  // byte 0x100
  send({0x48, 0x00, 0x01, 0xFF});  // byte 0x101
  send({0x40, 0x00, 0x02, 0x22});
  send({0x48, 0x00, 0x03, 0x11});
  send({0x48, 0x00, 0xFF, 0xA5});  // byte 0x1FF, the high byte of word 0xFF
  send({0x4C, 0x01, 0x00, 0x00});
  wait(Chip::kPageCommitCycles);
  const std::vector<std::uint16_t>& w = chip.words();
  EXPECT_EQ(w[0x80], 0x0F30);  // cells only went from 1 to 0
  EXPECT_EQ(w[0x81], 0x1122);
  EXPECT_EQ(w[0xFF], 0xA5FF);
  EXPECT_EQ(w[0x7F], 0xFFFF);
  EXPECT_EQ(w[0x82], 0xFFFF);
  EXPECT_EQ(w[0x100], 0xFFFF);

  // Word reads and byte reads see the same memory.
  enterReadMode(0x80);
  EXPECT_EQ(readWord(), 0x0F30);
  EXPECT_EQ(readWord(), 0x1122);
  leaveReadMode();
  EXPECT_EQ(ask({0x28, 0x01, 0xFF}), 0xA5);
  EXPECT_EQ(ask({0x20, 0x01, 0x02}), 0x22);

  // A commit writes only what was loaded since the last one.
  send({0x40, 0x00, 0x04, 0x00});
  send({0x4C, 0x02, 0x00, 0x00});
  wait(Chip::kPageCommitCycles);
  EXPECT_EQ(w[0x82], 0xFFFF);
  EXPECT_EQ(w[0x102], 0xFF00);
  EXPECT_EQ(w[0x80], 0x0F30);
}

TEST_F(HoltekChip, ByteOpcodeMustMatchTheAddressParity) {
  struct Case {
    Bytes bytes;
    bool answers;
    const char* violation;
  };
  const Case cases[] = {
      {{0x48, 0x00, 0x02, 0x00}, false, "0x48 with the even address 0x0002"},
      {{0x40, 0x00, 0x03, 0x00}, false, "0x40 with the odd address 0x0003"},
      {{0x28, 0x01, 0x00}, true, "0x28 with the even address 0x0100"},
      {{0x20, 0x00, 0x01}, true, "0x20 with the odd address 0x0001"},
  };
  ASSERT_TRUE(powerOn());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.violation);
    if (c.answers) {
      ask(c.bytes);
    } else {
      send(c.bytes);
    }
    EXPECT_EQ(takeViolations(), Texts{c.violation});
  }
}

TEST_F(HoltekChip, PageMisuseIsAViolation) {
  ASSERT_TRUE(chip.setMemoryWords(0x80));  // bytes 0x000..0x0FF
  ASSERT_TRUE(powerOn());
  send({0x40, 0x00, 0x10, 0x00});
  send({0x40, 0x00, 0x10, 0x00});
  EXPECT_EQ(takeViolations(), Texts{"byte 0x10 loaded twice before a page commit"});
  send({0x4C, 0x01, 0x00, 0x00});
  wait(Chip::kPageCommitCycles);
  EXPECT_EQ(takeViolations(), Texts{"byte address 0x0110 beyond memory of 128 words"});
  EXPECT_EQ(ask({0x20, 0x01, 0x00}), 0x00);
  EXPECT_EQ(takeViolations(), Texts{"byte address 0x0100 beyond memory of 128 words"});
}

TEST_F(HoltekChip, UnknownInstructionIsAViolationWithoutEffect) {
  const Bytes cases[] = {
      {0x00},
      {0xAC, 0x99},
      {0x30, 0x01, 0x00},
      {0x30, 0x00, 0x07},
      {0x58, 0x00, 0x01},
      {0x40, 0x01, 0x00, 0x00},
      {0x4C, 0x00, 0x00, 0x01},
      {0xAC, 0xE0, 0x01, 0x00},
      {0xAC, 0x5D, 0x01, 0x00},
      {0xAC, 0x80, 0x00, 0x01},
  };
  ASSERT_TRUE(chip.setWords(0, {0x1234}));
  chip.setLockBits(0x1F);
  ASSERT_TRUE(powerOn());
  for (const Bytes& bytes : cases) {
    std::string text = "unknown instruction";
    for (std::uint8_t b : bytes) {
      char hex[8];
      std::snprintf(hex, sizeof hex, " 0x%02X", b);
      text += hex;
    }
    SCOPED_TRACE(text);
    send(bytes);
    EXPECT_EQ(takeViolations(), Texts{text});
    // The next byte starts a new instruction.
    EXPECT_EQ(ask({0x30, 0x00, 0x04}), 0x1F);
  }
  EXPECT_EQ(chip.words()[0], 0x1234);
  EXPECT_EQ(chip.lockBits(), 0x1F);
}

TEST_F(HoltekChip, EdgeInsideABusyTimeIsAViolation) {
  struct Case {
    const char* what;
    Bytes bytes;
    unsigned int cycles;
  };
  const Case cases[] = {
      {"a page commit", {0x4C, 0x00, 0x00, 0x00}, Chip::kPageCommitCycles},
      {"a chip erase", {0xAC, 0x80, 0x00, 0x00}, Chip::kEraseCycles},
      {"an info-data write", {0xAC, 0x00, 0xFF, 0xFF}, Chip::kInfoWriteCycles},
      {"a lock-bit write", {0xAC, 0xE0, 0x00, 0xFF}, Chip::kLockWriteCycles},
  };
  for (const Case& c : cases) {
    for (unsigned int shortBy : {1u, 0u}) {
      SCOPED_TRACE(testing::Message() << c.what << ", short by " << shortBy);
      ASSERT_TRUE(powerOn());
      send(c.bytes);
      // The last clock pulse already waited 2 cycles after its falling edge.
      wait(c.cycles - 2 - shortBy);
      low(kL1);  // any line counts
      Texts expected;
      if (shortBy != 0) {
        expected.push_back("line edge " + std::to_string(c.cycles - shortBy) + " cycles after " +
                           c.what + " (busy for " + std::to_string(c.cycles) + ")");
      }
      EXPECT_EQ(takeViolations(), expected);
      powerOff();
    }
  }
}

// ---------------------------------------------------------------- comparator

TEST_F(HoltekChip, VccComparatorIsHighStrictlyAboveVcomp) {
  chip.setSensedSupply(3300);
  sim().setMcuRegister(0x60, 0x0001);
  struct Case {
    unsigned int vcomp;
    unsigned short reads;
  };
  // Unpowered all along: the comparator senses the target's supply.
  const Case cases[] = {{3299, 0x0201}, {3300, 0x0001}, {3301, 0x0001}, {0, 0x0201}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.vcomp);
    setSupply(PS_VCOMP, c.vcomp);
    EXPECT_EQ(mcu_read16(kBase + 0x60), c.reads);
  }
}

// ---------------------------------------------------------------- image files

class HoltekChipImage : public ::testing::Test {
protected:
  void SetUp() override {
    std::string pattern = testing::TempDir() + "holtekchip_XXXXXX";
    ASSERT_NE(::mkdtemp(&pattern[0]), nullptr);
    mDir = pattern;
    path = mDir + "/chip.hti";
  }
  void TearDown() override { std::filesystem::remove_all(mDir); }

  static std::string contents(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  static void write(const std::string& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
  }

  static void expectSame(const Chip& a, const Chip& b) {
    EXPECT_EQ(a.words(), b.words());
    EXPECT_EQ(a.infoData(), b.infoData());
    EXPECT_EQ(a.lockBits(), b.lockBits());
    EXPECT_EQ(a.signature(), b.signature());
  }

  // Three words, info 0x89ABCDEF, lock 0x15, id 0x42.
  static void fill(Chip& chip) {
    ASSERT_TRUE(chip.setMemoryWords(3));
    ASSERT_TRUE(chip.setWords(0, {0x1234, 0x0000, 0xBEEF}));
    chip.setInfoData(0x89ABCDEF);
    chip.setLockBits(0x15);
    chip.setSignatureId(0x42);
  }
  static std::string image() {
    return std::string("HTKC"
                       "\x01\0\0\0"
                       "\x03\0\0\0"
                       "\xEF\xCD\xAB\x89"
                       "\x15"
                       "\x7F\x7F\x7F\x7F\x1F\x00\x42"
                       "\x34\x12\x00\x00\xEF\xBE",
                       30);
  }

  std::string mDir;
  std::string path;
};

TEST_F(HoltekChipImage, RoundTrip) {
  Chip saved;
  fill(saved);
  std::string error;
  ASSERT_TRUE(saved.save(path, error)) << error;
  EXPECT_EQ(contents(path), image());
  EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));

  Chip loaded;
  ASSERT_TRUE(loaded.load(path, error)) << error;
  expectSame(loaded, saved);

  // Saving again replaces the file.
  loaded.setLockBits(0x01);
  ASSERT_TRUE(loaded.save(path, error)) << error;
  EXPECT_EQ(static_cast<unsigned char>(contents(path)[16]), 0x01);
}

TEST_F(HoltekChipImage, BadFileIsRefusedAndTheChipKept) {
  struct Case {
    const char* what;
    std::string bytes;  // empty: the path is made by `make`
    const char* reason;
  };
  std::string valid = image();
  std::string version = valid;
  version[4] = 2;
  std::string noWords = valid;
  noWords[8] = 0;
  std::string signature = valid;
  signature[21] = 0x1E;
  const Case cases[] = {
      {"truncated", valid.substr(0, 29), "truncated: 29 bytes where 30 belong"},
      {"trailing", valid + "x", "trailing data: 31 bytes where 30 belong"},
      {"header cut", valid.substr(0, 10), "truncated: 10 bytes, the header takes 24"},
      {"wrong magic", "HTKD" + valid.substr(4), "not a chip image (wrong magic)"},
      {"version", version, "unsupported version 2"},
      {"no words", noWords, "word count 0 outside 1..65536"},
      {"signature", signature, "signature does not begin 7F 7F 7F 7F 1F 00"},
  };
  Chip chip;
  ASSERT_TRUE(chip.setMemoryWords(2));
  ASSERT_TRUE(chip.setWords(0, {0xAAAA, 0x5555}));
  chip.setInfoData(1);
  chip.setLockBits(2);
  chip.setSignatureId(3);
  Chip before = chip;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    write(path, c.bytes);
    std::string error;
    EXPECT_FALSE(chip.load(path, error));
    EXPECT_EQ(error, "chip image " + path + ": " + c.reason);
    expectSame(chip, before);
  }

  std::string error;
  const std::string missing = mDir + "/missing.hti";
  EXPECT_FALSE(chip.load(missing, error));
  EXPECT_EQ(error, "chip image " + missing + ": cannot open: No such file or directory");
  EXPECT_FALSE(chip.load(mDir, error));
  EXPECT_EQ(error, "chip image " + mDir + ": not a regular file");
  const std::string fifo = mDir + "/fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(chip.load(fifo, error));  // does not wait for a writer
  EXPECT_EQ(error, "chip image " + fifo + ": not a regular file");
  expectSame(chip, before);
}

TEST_F(HoltekChipImage, FailedSaveKeepsTheOldFile) {
  Chip chip;
  fill(chip);
  std::string error;
  ASSERT_TRUE(chip.save(path, error)) << error;
  chip.setLockBits(0);

  // The temporary file cannot be made (for root too).
  ASSERT_TRUE(std::filesystem::create_directory(path + ".tmp"));
  EXPECT_FALSE(chip.save(path, error));
  EXPECT_EQ(error, "chip image " + path + ": cannot create " + path + ".tmp: Is a directory");
  EXPECT_EQ(contents(path), image());
}

TEST_F(HoltekChipImage, SaveWhereNoFileCanBeIsRefused) {
  Chip chip;
  std::string error;
  // The folder is a regular file.
  const std::string notFolder = path + "/chip.hti";
  write(path, "old");
  EXPECT_FALSE(chip.save(notFolder, error));
  EXPECT_EQ(error,
            "chip image " + notFolder + ": cannot create " + notFolder + ".tmp: Not a directory");
  EXPECT_EQ(contents(path), "old");

  // The target is a directory: the rename fails and the temporary file goes.
  const std::string folder = mDir + "/folder";
  ASSERT_TRUE(std::filesystem::create_directory(folder));
  EXPECT_FALSE(chip.save(folder, error));
  EXPECT_EQ(error, "chip image " + folder + ": cannot replace it: Is a directory");
  EXPECT_TRUE(std::filesystem::is_directory(folder));
  EXPECT_FALSE(std::filesystem::exists(folder + ".tmp"));
}

}  // namespace
