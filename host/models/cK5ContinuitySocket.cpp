#include "cK5ContinuitySocket.h"

const unsigned int cK5ContinuitySocket::kFirstSlot;
const unsigned int cK5ContinuitySocket::kLastSlot;
const unsigned int cK5ContinuitySocket::kLines;
const unsigned int cK5ContinuitySocket::kModeComparator;
const unsigned int cK5ContinuitySocket::kModeDriveHigh;
const int cK5ContinuitySocket::kNoContact;

namespace {

// Read-back register and the first line it carries.
struct tReadBackReg {
  unsigned int reg;
  unsigned int firstLine;
};
const tReadBackReg kReadBackRegs[] = {{100, 0}, {103, 16}, {106, 32}, {109, 48}};

}  // namespace

cK5ContinuitySocket::cK5ContinuitySocket() : mInserted(true) {
  for (auto& lines : mContact) lines.fill(kNoContact);
}

bool cK5ContinuitySocket::inSocket(unsigned int slot, unsigned int line) const {
  return slot >= kFirstSlot && slot <= kLastSlot && line < kLines;
}

bool cK5ContinuitySocket::connect(unsigned int slot, unsigned int line, unsigned int pin) {
  if (!inSocket(slot, line)) return false;
  mContact[slot][line] = static_cast<int>(pin);
  return true;
}

void cK5ContinuitySocket::disconnect(unsigned int slot, unsigned int line) {
  if (inSocket(slot, line)) mContact[slot][line] = kNoContact;
}

void cK5ContinuitySocket::setInserted(bool inserted) { mInserted = inserted; }

void cK5ContinuitySocket::setTouching(unsigned int pin, bool touching) {
  if (touching) {
    mBentPins.erase(pin);
  } else {
    mBentPins.insert(pin);
  }
}

int cK5ContinuitySocket::touchingPin(unsigned int slot, unsigned int line) const {
  const int pin = mContact[slot][line];
  if (!mInserted || pin == kNoContact || mBentPins.count(static_cast<unsigned int>(pin)) != 0) {
    return kNoContact;
  }
  return pin;
}

bool cK5ContinuitySocket::anyDrivenPin(const cK5SimProgrammer& sim) const {
  for (unsigned int slot = kFirstSlot; slot <= kLastSlot; ++slot) {
    const tK5CpdSlotState& cpd = sim.cpd(slot);
    if (!cpd.liveValid) continue;
    for (unsigned int line = 0; line < kLines; ++line) {
      if (cpd.live[line] == kModeDriveHigh && touchingPin(slot, line) != kNoContact) return true;
    }
  }
  return false;
}

std::uint64_t cK5ContinuitySocket::lineWord(const cK5SimProgrammer& sim, unsigned int slot) const {
  if (slot < kFirstSlot || slot > kLastSlot) return 0;
  const tK5CpdSlotState& cpd = sim.cpd(slot);
  if (!cpd.liveValid || sim.cpd(0).outputDisabled[k5OutGlobal]) return 0;
  // Through the substrate every touching pin sees a driven touching pin.
  const bool driven = anyDrivenPin(sim);
  std::uint64_t word = 0;
  for (unsigned int line = 0; line < kLines; ++line) {
    const unsigned int mode = cpd.live[line];
    const bool high = mode == kModeDriveHigh ||
                      (mode == kModeComparator && driven && touchingPin(slot, line) != kNoContact);
    if (high) word |= std::uint64_t(1) << line;
  }
  return word;
}

bool cK5ContinuitySocket::onFpgaRead(cK5SimProgrammer& sim, unsigned int slot, unsigned int reg,
                                     unsigned short& value) {
  if (slot < kFirstSlot || slot > kLastSlot) return false;
  for (const tReadBackReg& r : kReadBackRegs) {
    if (r.reg == reg) {
      value = static_cast<unsigned short>(lineWord(sim, slot) >> r.firstLine);
      return true;
    }
  }
  return false;
}
