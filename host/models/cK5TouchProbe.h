#ifndef C_K5_TOUCH_PROBE_H
#define C_K5_TOUCH_PROBE_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "cK5SocketDevice.h"

// The operator's touch probe for the socket signal test.
//
// The programming interface selects a socket pin by writing the address high
// half to 0x82, then the low half to 0x80; the 0x80 write selects. The pins
// 1..144 each lie on one pin-driver bank 1..3, whose comparator register is
// 0x60 + bank * 0x200. A read of such a register answers bit 7 clear (the pin
// reads low, touched) when the selected pin lies on that bank and its script
// says low for this reading; otherwise bit 7 set (high). Other bits are 0.
// Only a read of the selected pin's own bank register is a reading: it
// advances the pin's script. Reads of the other banks' registers answer high
// and advance nothing. Every read of the three registers is recorded.
// A low half written without a high half before it is a violation.
//
// Read limits let a runaway signal test fail instead of hang: the first read
// past the total limit, and the first read past the per-pin limit while a pin
// is selected, each record a violation and call the guard (where a test
// cancels). They count every read of the three registers, so a test that
// reads the wrong bank is caught too.
class cK5TouchProbe : public cK5SocketDevice {
public:
  static const unsigned int kFirstPin = 1;
  static const unsigned int kLastPin = 144;
  static const unsigned int kFirstBank = 1;
  static const unsigned int kLastBank = 3;
  static const unsigned int kAddrLowReg = 0x80;
  static const unsigned int kAddrHighReg = 0x82;
  static const unsigned short kComparatorBit = 0x0080;  // set: the pin reads high
  // Low readings in a row that complete a pin in the signal test.
  static const std::uint64_t kTouchRun = 44444;
  // A run of this many readings never ends.
  static const std::uint64_t kForever = UINT64_MAX;
  static const std::uint64_t kDefaultReadLimit = 10000000;
  static const std::uint64_t kDefaultPinReadLimit = 200000;

  // A run of readings that answer low, or high.
  struct tRun {
    bool low;
    std::uint64_t count;
  };

  // Consecutive reads of one register while one pin was selected (0: none)
  // that gave the same answer.
  struct tReadRun {
    unsigned int pin;
    unsigned int offset;
    bool low;
    std::uint64_t count;
    friend bool operator==(const tReadRun& x, const tReadRun& y) {
      return x.pin == y.pin && x.offset == y.offset && x.low == y.low && x.count == y.count;
    }
  };

  // No scripts: every pin reads high. Default read limits, no guard.
  cK5TouchProbe();

  // Bank of a socket pin, 0 outside 1..144.
  static unsigned int bankOf(unsigned int pin);
  // Byte offset of a bank's comparator register, 0 outside 1..3.
  static unsigned int bankRegister(unsigned int bank);

  // ---- scripts ----
  // The pin's readings answer the runs in order, then high for ever. The
  // script starts afresh at the pin's next reading. False (and nothing
  // changed) for a pin outside 1..144, no runs, a run of 0 readings or a run
  // after a kForever run.
  bool script(unsigned int pin, const std::vector<tRun>& runs);
  // The pin reads low at every reading.
  bool holdLow(unsigned int pin);
  // Exactly the low run that completes the pin, then high.
  bool touch(unsigned int pin);
  // touch() for each pin; false (and nothing changed) when any pin is outside 1..144.
  bool touchAll(const std::vector<unsigned int>& pins);
  // touch() for first..last; false (and nothing changed) unless 1 <= first <= last <= 144.
  bool touchRange(unsigned int first, unsigned int last);

  // ---- events ----
  // Runs the event each time the pin is selected, right after the selection.
  // False for a pin outside 1..144.
  bool atSelection(unsigned int pin, std::function<void()> event);
  // Runs the event once, right after the pin's n-th reading, before the read
  // returns. False for a pin outside 1..144 or n 0.
  bool atReading(unsigned int pin, std::uint64_t n, std::function<void()> event);
  // Called when a read limit is passed.
  void setGuard(std::function<void()> guard);
  // Reads of the bank registers in all, and while one pin (or none) is selected.
  void setReadLimits(std::uint64_t total, std::uint64_t perPin);

  // ---- record ----
  // Last address written (high half from 0x82, low half from 0x80).
  std::uint32_t selectedAddress() const;
  // The selected pin, 0 when the address is no socket pin.
  unsigned int selectedPin() const;
  // Every selecting address in order.
  const std::vector<std::uint32_t>& selections() const;
  // Readings of the pin (reads of its own bank register while selected).
  std::uint64_t readings(unsigned int pin) const;
  // Reads of the register (0x60 + bank * 0x200) while the pin (0: none) was selected.
  std::uint64_t reads(unsigned int pin, unsigned int offset) const;
  std::uint64_t totalReads() const;
  // All bank register reads, in order, run-length coded.
  const std::vector<tReadRun>& readLog() const;
  // Protocol faults and passed limits, as text, in order.
  const std::vector<std::string>& violations() const;

  void onMcuWrite(cK5SimProgrammer& sim, unsigned int offset, unsigned short value) override;
  bool onMcuRead(cK5SimProgrammer& sim, unsigned int offset, unsigned short& value) override;

private:
  struct tPinState {
    std::vector<tRun> runs;
    std::size_t run = 0;          // current run
    std::uint64_t usedInRun = 0;  // readings of the current run already given
    std::uint64_t readings = 0;
    std::uint64_t reads = 0;  // of any bank register while selected
    std::array<std::uint64_t, kLastBank + 1> readsOfBank{};
    bool pinLimitPassed = false;
  };
  struct tTrigger {
    unsigned int pin;
    std::uint64_t reading;  // 0: at selection; a pin's reading count reaches n only once
    std::function<void()> event;
  };

  static bool isPin(unsigned int pin);
  // Bank of a bank comparator register offset, 0 for any other offset.
  static unsigned int bankOfRegister(unsigned int offset);
  // The pin's answer for its next reading; advances its script.
  bool nextReadingLow(tPinState& pin);
  // Adds the read to the last run of the read log when it continues it.
  bool continueRun(unsigned int pin, unsigned int offset, bool low);
  // What a read does besides the common case: a new run in the read log,
  // passed limits, events. Always true, the read's answer.
  bool afterRead(unsigned int pin, unsigned int offset, bool low, bool reading, bool recorded);
  void violation(const std::string& text);
  void checkLimits(unsigned int pin);
  // Runs the events of the pin at selection (reading 0) or at the reading.
  void fire(unsigned int pin, std::uint64_t reading);

  std::array<tPinState, kLastPin + 1> mPins;  // entry 0: no pin selected
  std::vector<tTrigger> mTriggers;
  std::function<void()> mGuard;
  std::uint64_t mReadLimit;
  std::uint64_t mPinReadLimit;
  bool mReadLimitPassed;
  std::uint64_t mTotalReads;
  std::uint16_t mHighHalf;  // last 0x82 write
  bool mHighHalfWritten;    // since the last 0x80 write
  std::uint32_t mAddress;   // of the last 0x80 write
  unsigned int mSelected;
  std::vector<std::uint32_t> mSelections;
  std::vector<tReadRun> mReadLog;
  std::vector<std::string> mViolations;
};

#endif
