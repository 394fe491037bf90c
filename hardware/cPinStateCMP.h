#ifndef C_PIN_STATE_CMP_H
#define C_PIN_STATE_CMP_H

#include "piRegisters.h"

// One comparator bit of the programming interface.
template <unsigned long N>
class cPinStateCMP {
  static_assert(N < 16, "the comparator register is 16 bits wide");

public:
  cPinStateCMP() {}
  virtual ~cPinStateCMP() {}

  bool high() const { return ((piRead(piComparators) >> N) & 1u) != 0; }
  // A read of its own, not the inverse of an earlier high().
  bool low() const { return ((piRead(piComparators) >> N) & 1u) == 0; }
  // The same bit of a pin-driver bank's comparator register (bank 0: low()).
  bool low(int bank) const {
    return ((piRead(piBankRegister(piComparators, static_cast<unsigned int>(bank))) >> N) & 1u) ==
           0;
  }
};

#endif
