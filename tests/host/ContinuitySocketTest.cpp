#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "Korvo5.h"
#include "cK5ContinuitySocket.h"
#include "cK5SimProgrammer.h"
#include "tBench.h"

namespace {

using Sim = cK5SimProgrammer;
const unsigned int kComp = cK5ContinuitySocket::kModeComparator;
const unsigned int kDrive = cK5ContinuitySocket::kModeDriveHigh;

struct tLineMode {
  unsigned int slot;
  unsigned int line;
  unsigned int mode;
};

// Drives the simulated programmer through the host facade only.
class ContinuitySocket : public tBenchTest {
protected:
  ContinuitySocket() : device(new cKorvo5Device()) { plug(socket); }
  cK5AbstractCPDCtrl* cpd(unsigned int slot) { return device->pdioCtrl(slot)->cpdCtrl(); }

  // Bank 0 images of slots 1..6 from the modes, then one strobe; outputs on.
  void apply(const std::vector<tLineMode>& modes, bool outputsOn = true) {
    for (unsigned int slot = 1; slot <= 6; ++slot) {
      cK5CPDRegSet set;
      for (const tLineMode& m : modes) {
        if (m.slot == slot) set.setReg(m.line, m.mode);
      }
      cpd(slot)->writeRegisterSet(0, set, nullptr);
    }
    cpd(0)->setNOEGlobal(!outputsOn);
    cpd(0)->pulseCPDStrobe();
  }

  // The slot's word as the continuity registers give it through the facade.
  std::uint64_t readWord(unsigned int slot) {
    cK5FPGACtrl* fpga = device->pdioCtrl(slot)->fpgaCtrl();
    std::uint64_t word = 0;
    for (unsigned int reg : {109u, 106u, 103u, 100u}) word = (word << 16) | fpga->read16(reg);
    return word;
  }

  static std::uint64_t bit(unsigned int line) { return std::uint64_t(1) << line; }

  std::unique_ptr<cKorvo5Device> device;
  cK5ContinuitySocket socket;
};

// A chip of three pins: 1 on slot 1 line 0, 2 on slot 1 line 5, 3 on slot 2 line 47.
class WiredSocket : public ContinuitySocket {
protected:
  void SetUp() override {
    ContinuitySocket::SetUp();
    socket.connect(1, 0, 1);
    socket.connect(1, 5, 2);
    socket.connect(2, 47, 3);
  }
  const std::vector<tLineMode> mTest = {
      {1, 0, kDrive}, {1, 5, kComp}, {2, 47, kComp}, {2, 3, kComp}};
};

TEST_F(WiredSocket, PinsReachedThroughTheChipReadHigh) {
  apply(mTest);
  EXPECT_EQ(readWord(1), bit(0) | bit(5));
  // Line 3 has no contact; line 47 lands in register 106.
  EXPECT_EQ(readWord(2), bit(47));
  EXPECT_EQ(device->pdioCtrl(2)->fpgaCtrl()->read16(106), 0x8000);
  EXPECT_EQ(socket.lineWord(sim(), 3), 0u);
}

TEST_F(WiredSocket, WhatTheChipCannotCarryReadsLow) {
  struct Case {
    const char* what;
    bool inserted;
    unsigned int bentPin;  // 0: none
    std::uint64_t slot1, slot2;
  };
  const Case cases[] = {
      {"empty socket: only the driven line", false, 0, bit(0), 0},
      {"bent pin 3", true, 3, bit(0) | bit(5), 0},
      {"bent driver pin: nothing reaches the chip", true, 1, bit(0), 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    socket.setInserted(c.inserted);
    for (unsigned int pin = 1; pin <= 3; ++pin) socket.setTouching(pin, pin != c.bentPin);
    apply(mTest);
    EXPECT_EQ(readWord(1), c.slot1);
    EXPECT_EQ(readWord(2), c.slot2);
  }
}

TEST_F(WiredSocket, NothingDrivenNothingHigh) {
  apply({{1, 0, kComp}, {1, 5, kComp}, {2, 47, kComp}});
  EXPECT_EQ(readWord(1), 0u);
  EXPECT_EQ(readWord(2), 0u);
  // Null mode and other mode words read low even with the driver on.
  apply({{1, 0, kDrive}, {1, 5, 0}, {2, 47, 0xC00}});
  EXPECT_EQ(readWord(1), bit(0));
  EXPECT_EQ(readWord(2), 0u);
}

TEST_F(WiredSocket, GloballyDisabledOutputsReadAllLow) {
  apply(mTest, false);
  EXPECT_EQ(readWord(1), 0u);
  EXPECT_EQ(readWord(2), 0u);
}

TEST_F(WiredSocket, OnlyTheStrobedImageCounts) {
  // Written but never made live: low.
  cK5CPDRegSet set;
  set.setReg(0, kDrive);
  cpd(1)->writeRegisterSet(0, set, nullptr);
  cpd(0)->setNOEGlobal(false);
  EXPECT_EQ(readWord(1), 0u);
  // A strobe on a pin slot's own control makes nothing live.
  cpd(1)->pulseCPDStrobe();
  EXPECT_EQ(readWord(1), 0u);
  cpd(0)->pulseCPDStrobe();
  EXPECT_EQ(readWord(1), bit(0));
  // Bank 1 written later does not change what is live.
  cK5CPDRegSet other;
  cpd(1)->writeRegisterSet(1, other, nullptr);
  EXPECT_EQ(readWord(1), bit(0));
}

TEST_F(ContinuitySocket, ContactsOutsideTheSocketAreRefused) {
  EXPECT_FALSE(socket.connect(0, 0, 1));
  EXPECT_FALSE(socket.connect(7, 0, 1));
  EXPECT_FALSE(socket.connect(1, 60, 1));
  EXPECT_TRUE(socket.connect(6, 59, 1));
}

TEST_F(ContinuitySocket, OtherRegistersStayTheRegisterFile) {
  sim().setFpgaRegister(1, 101, 0x1234);
  sim().setFpgaRegister(0, 100, 0x4321);
  EXPECT_EQ(device->pdioCtrl(1)->fpgaCtrl()->read16(101), 0x1234);
  EXPECT_EQ(device->pdioCtrl(0)->fpgaCtrl()->read16(100), 0x4321);
}

TEST_F(WiredSocket, DisconnectedLineReadsLow) {
  socket.disconnect(1, 5);
  apply(mTest);
  EXPECT_EQ(readWord(1), bit(0));
  EXPECT_EQ(readWord(2), bit(47));
}

}  // namespace
