#ifndef C_K5_CONTINUITY_SOCKET_H
#define C_K5_CONTINUITY_SOCKET_H

#include <array>
#include <cstdint>
#include <set>

#include "cK5SimProgrammer.h"

// Wiring model of the socket for the pin continuity test.
//
// Each driver line (slots 1..6, lines 0..59) may have a contact to a device
// pin. A chip is inserted or not, and each of its pins touches its contact or
// not (a bent pin). All touching pins of an inserted chip are joined through
// the chip's substrate diodes.
//
// Levels are computed from the LIVE pin-driver registers (those the last
// strobe made live) whenever the continuity read-back registers 100, 103, 106
// and 109 of slots 1..6 are read; they carry bits 0-15, 16-31, 32-47 and 48-63
// of the slot's 64-bit line word:
// - a line in mode 0xC51 (driven high) reads high;
// - a line in mode 0xC01 (comparator, pull-down) reads high when its contact's
//   pin is inserted and touching and some 0xC51 line's pin is touching too;
// - every other line, lines 60..63 and lines of slots without a strobe yet,
//   read low;
// - while slot 0's global output-disable flag is set every line reads low.
// Other registers are left to the simulated register file.
class cK5ContinuitySocket : public cK5SocketDevice {
public:
  static const unsigned int kFirstSlot = 1;
  static const unsigned int kLastSlot = 6;
  static const unsigned int kLines = 60;
  static const unsigned int kModeComparator = 0xC01;
  static const unsigned int kModeDriveHigh = 0xC51;

  // An inserted chip without contacts; every pin touches.
  cK5ContinuitySocket();

  // Contact from the driver line to a device pin, replacing an earlier one.
  // False for a slot or line outside the socket.
  bool connect(unsigned int slot, unsigned int line, unsigned int pin);
  void disconnect(unsigned int slot, unsigned int line);
  void setInserted(bool inserted);
  // A bent pin does not touch its contact.
  void setTouching(unsigned int pin, bool touching);

  // The slot's 64-bit line word as it would be read now; 0 outside 1..6.
  std::uint64_t lineWord(const cK5SimProgrammer& sim, unsigned int slot) const;

  bool onFpgaRead(cK5SimProgrammer& sim, unsigned int slot, unsigned int reg,
                  unsigned short& value) override;

private:
  static const int kNoContact = -1;

  bool inSocket(unsigned int slot, unsigned int line) const;
  // The pin behind the line when the chip is in and the pin touches, else -1.
  int touchingPin(unsigned int slot, unsigned int line) const;
  bool anyDrivenPin(const cK5SimProgrammer& sim) const;

  std::array<std::array<int, kLines>, kLastSlot + 1> mContact;
  bool mInserted;
  std::set<unsigned int> mBentPins;
};

#endif
