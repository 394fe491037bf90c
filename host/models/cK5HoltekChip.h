#ifndef C_K5_HOLTEK_CHIP_H
#define C_K5_HOLTEK_CHIP_H

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "cK5SimProgrammer.h"
#include "cK5SocketDevice.h"

// A Holtek microcontroller in the simulated socket. It listens to the
// programming-interface registers of slot 0 and answers like the chip:
//
// Lines: line N is bit N of the line set (0x42) and line clear (0x44)
// registers; L1 = line 1 strobes the 4-bit bus, L2 = line 2 (also SCK),
// L3 = line 3 (also SDO). Bit 0 of 0x42 turns the bus towards the chip
// (write), bit 0 of 0x44 away from it (read). All lines start low and the bus
// in read direction. A write that changes several lines changes them together;
// the chip then sees the edges in the order L1, L2, L3.
//
// Power: the chip is powered while it is inserted and the VCP1 output is on
// at a level inside the power window (the operating Vcc unless set
// otherwise). Losing power drops all protocol state. Unpowered, 0x84 bits 0-3
// and SDI (0x60 bit 3) read 0; an empty socket answers nothing at all. VPP
// (VCP2) on while the chip is unpowered, or above the chip's VPP range, and an
// entry whose VPP is not on inside that range, are violations.
//
// Entry (after power-up): L1 falling edges with the bus in write direction and
// L2 high latch nibbles (bits 0-3 of 0x86). After four, the chip answers the
// acknowledge when they were 5, 6, 9, 10, else 0x00: each L1 falling edge with
// the bus in read direction puts the next bit, least significant first, on
// 0x84 bit 0. After the eighth the chip is in serial mode, or, after a wrong
// sequence, ignores everything until its power is cycled. The acknowledge
// setting only changes the byte answered, not whether the chip enters.
//
// Read mode (from serial mode): an L1 falling edge with the bus in write
// direction and L2 low takes the first of four word-address nibbles, lowest
// first; later L1 falling edges with the bus in read direction present the
// addressed word nibble by nibble (bits 0-3 first) on 0x84, the address
// advancing after the fourth. An L1 falling edge in write direction after a
// complete address starts a new address. An L2 rising edge leaves read mode.
// Entering and leaving read mode reset the serial shifter.
//
// Serial mode: SDO is sampled on SCK falling edges, most significant bit
// first. When the last bit of an instruction with an answer is in, the
// answer's most significant bit is on SDI at once; each of the following SCK
// falling edges puts the next bit there (the instruction shifter ignores them),
// and the falling edge after the last answer bit clears SDI and ends the
// answer. Instructions:
//   0x30 0x00 i (i <= 6)     answers signature byte i
//   0x58 0x00 0x00           answers the lock byte
//   0xAC 0x20 / 0xAC 0x30    answer info bits 31-16 / 15-0 (16 bits)
//   0xAC 0x00 b3 b2          programs info bits 31-16 (busy 400 cycles)
//   0xAC 0x10 b1 b0          programs info bits 15-0 (busy 400 cycles)
//   0xAC 0xE0 0x00 b         programs the lock byte (busy 300 cycles)
//   0x20/0x28 hi lo          answers byte (hi << 8) | lo
//   0x40/0x48 0x00 lo d      loads d into the page buffer at lo
//   0x4C hi 0x00 0x00        page commit (busy 32200 cycles)
//   0xAC 0x5D 0x00 t         write-cycle time; accepted, no effect here
//   0xAC 0x80 0x00 0x00      chip erase (busy 1300000 cycles)
// Any other byte sequence is an unknown instruction. Word w is the bytes 2w
// (low) and 2w + 1 (high); the opcode's bit 3 must match bit 0 of the byte
// address. A page commit writes exactly the bytes loaded since the last
// commit (or power-up), each at (hi << 8) | its lo, and empties the buffer.
// Programming ANDs bits in; an erase sets every word, the info data and the
// lock byte to all ones. The busy time runs from the falling edge that clocks
// in the instruction's last bit; a line edge before it has passed is a
// violation.
//
// Comparator: 0x60 bit 9 of an inserted chip is 1 while the sensed supply lies
// strictly above the VCOMP level, powered or not.
//
// Protocol violations are collected as texts; a test that passes has none.
// Settings take effect at the next event the chip hears.
class cK5HoltekChip : public cK5SocketDevice {
public:
  static const unsigned int kMaxWords = 0x10000;
  static const std::uint8_t kAcknowledge = 0xBC;
  static const unsigned int kPageCommitCycles = 32200;
  static const unsigned int kEraseCycles = 1300000;
  static const unsigned int kInfoWriteCycles = 400;
  static const unsigned int kLockWriteCycles = 300;

  // The voltages the chip takes, in mV. Vcc: the operating range, the power
  // window's default. A Vcc measurement settles up to 40 mV outside the window
  // it searches, so a measurement window inside kMeasuredVcc* finds a Vcc
  // inside the operating range. VPP: the programming voltage at entry, and
  // the most the chip stands.
  static const unsigned int kVccMinMv = 2200;
  static const unsigned int kVccMaxMv = 5500;
  static const unsigned int kMeasuredVccMinMv = 2240;
  static const unsigned int kMeasuredVccMaxMv = 5460;
  static const unsigned int kVppMinMv = 5000;
  static const unsigned int kVppMaxMv = 13000;

  enum eMode {
    mdOff,          // unpowered or not inserted
    mdEntry,        // powered, taking entry nibbles
    mdAcknowledge,  // giving the acknowledge bits
    mdLocked,       // wrong entry: deaf until power is cycled
    mdSerial,       // programming mode, serial instructions
    mdReadMode      // programming mode, nibble read mode
  };

  // An erased chip of kMaxWords words, inserted, acknowledge 0xBC, power
  // window kVccMinMv..kVccMaxMv, sensed supply 0 mV, signature id 0x01.
  cK5HoltekChip();

  // ---- contents ----
  const std::vector<std::uint16_t>& words() const { return mWords; }
  std::uint32_t infoData() const { return mInfo; }
  std::uint8_t lockBits() const { return mLock; }
  // 7F 7F 7F 7F 1F 00 and the id.
  std::array<std::uint8_t, 7> signature() const;

  // Resizes the memory (new words erased); false outside 1..kMaxWords.
  bool setMemoryWords(unsigned int words);
  // Presets words from `first` on; false (nothing written) when they do not fit.
  bool setWords(unsigned int first, const std::vector<std::uint16_t>& values);
  void setInfoData(std::uint32_t value) { mInfo = value; }
  void setLockBits(std::uint8_t value) { mLock = value; }
  void setSignatureId(std::uint8_t id) { mSignatureId = id; }

  // ---- behaviour ----
  void setAcknowledge(std::uint8_t ack) { mAck = ack; }
  void setSensedSupply(unsigned int mV) { mSensedMv = mV; }
  // False (window unchanged) when low > high.
  bool setPowerWindow(unsigned int lowMv, unsigned int highMv);
  // Taking the chip out powers it off at once.
  void setInserted(bool inserted);

  eMode mode() const { return mMode; }
  bool powered() const { return mMode != mdOff; }

  const std::vector<std::string>& violations() const { return mViolations; }
  void clearViolations() { mViolations.clear(); }

  // ---- image file ----
  // Little-endian: magic "HTKC", version 1 (u32 each), word count (u32), info
  // data (u32), lock byte, seven signature bytes, then the words (u16 each).
  // Load takes only a whole valid file; otherwise it returns false with a
  // one-line error naming the path and leaves the chip alone.
  bool load(const std::string& path, std::string& error);
  // Writes <path>.tmp, then renames it over <path>: a failed save keeps the
  // old file.
  bool save(const std::string& path, std::string& error) const;
  // The bytes save writes, for a caller that writes the file its own way.
  std::vector<std::uint8_t> image() const;

  // ---- socket device ----
  void onMcuWrite(cK5SimProgrammer& sim, unsigned int offset, unsigned short value) override;
  bool onMcuRead(cK5SimProgrammer& sim, unsigned int offset, unsigned short& value) override;
  void onSupply(cK5SimProgrammer& sim, ePSChannel channel, unsigned int mV) override;
  void onSuppliesOff(cK5SimProgrammer& sim) override;
  void onOutput(cK5SimProgrammer& sim, unsigned int slot, eK5Output output, bool disabled) override;

private:
  struct tEntry {
    std::array<std::uint8_t, 4> nibbles{};
    unsigned int count = 0;
    bool matched = false;
    std::uint8_t ack = 0;
    unsigned int ackBits = 0;  // bits given
  };
  struct tSerial {
    std::uint8_t shift = 0;
    unsigned int bits = 0;            // of the byte being shifted in
    std::vector<std::uint8_t> bytes;  // of the instruction so far
    std::uint32_t answer = 0;
    unsigned int answerBits = 0;  // still to shift out; SDI holds the next
    bool sdi = false;
  };
  struct tReadMode {
    std::uint32_t address = 0;
    unsigned int addressNibbles = 0;
    unsigned int nibble = 0;  // of the current word
    bool beyondReported = false;
  };
  struct tBusy {
    bool active = false;
    std::uint64_t since = 0;
    unsigned int cycles = 0;
    const char* what = "";
  };

  // Power follows the supplies and outputs; looked at again only when the
  // simulator says they may have changed, or a setting of the chip did.
  void refreshPower(cK5SimProgrammer& sim) {
    if (mPowerStale || sim.powerChanges() != mPowerSeen) updatePower(sim);
  }
  void updatePower(cK5SimProgrammer& sim);
  void checkVppAtEntry(cK5SimProgrammer& sim);
  void dropProtocolState();
  void violation(const std::string& text);
  // A lasting fault at one level is told once.
  void violationOnce(const std::string& text);

  void lineWrite(cK5SimProgrammer& sim, unsigned short bits, bool high);
  bool line(unsigned int n) const { return (mLines >> n) & 1u; }
  void checkBusy(cK5SimProgrammer& sim) {
    if (mBusy.active) endBusy(sim);
  }
  void endBusy(cK5SimProgrammer& sim);
  void strobe(cK5SimProgrammer& sim);  // L1 falling edge
  void clockFall(cK5SimProgrammer& sim);
  void enterReadMode();
  void readModeStrobe(unsigned int busNibble);
  // Out of line: their texts would burden every strobe.
  __attribute__((noinline)) void earlyReadModeData();
  __attribute__((noinline)) void readModeBeyondMemory();
  void byteIn(cK5SimProgrammer& sim, std::uint8_t byte);
  bool execute(cK5SimProgrammer& sim);         // false: unknown instruction
  bool executeControl(cK5SimProgrammer& sim);  // the control instructions of execute
  void answer(std::uint32_t value, unsigned int bits);
  void startBusy(cK5SimProgrammer& sim, unsigned int cycles, const char* what);
  void checkByteOpcode(std::uint8_t opcode, unsigned int address);
  bool byteInMemory(unsigned int address);
  std::uint8_t readByte(unsigned int address);
  void commitPage(std::uint8_t page);
  void erase();

  std::vector<std::uint16_t> mWords;
  std::uint32_t mInfo;
  std::uint8_t mLock;
  std::uint8_t mSignatureId;

  std::uint8_t mAck;
  unsigned int mSensedMv;
  unsigned int mLowMv;
  unsigned int mHighMv;
  bool mInserted;
  std::uint64_t mPowerSeen;  // sim.powerChanges() when power was last worked out
  bool mPowerStale;          // a setting changed since

  eMode mMode;
  bool mVppFault;
  bool mWriteDir;
  unsigned int mLines;   // bit N high: line N high (lines 1..3)
  std::uint8_t mDataIn;  // nibble on 0x84
  tEntry mEntry;
  tSerial mSerial;
  tReadMode mRead;
  std::array<bool, 256> mPageLoaded;
  std::array<std::uint8_t, 256> mPageData;
  tBusy mBusy;

  std::vector<std::string> mViolations;
};

#endif
