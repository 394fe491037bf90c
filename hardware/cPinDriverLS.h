#ifndef C_PIN_DRIVER_LS_H
#define C_PIN_DRIVER_LS_H

#include "piRegisters.h"

// One level-shifter output line of the programming interface.
template <unsigned long N>
class cPinDriverLS {
  static_assert(N < 16, "the line registers are 16 bits wide");

public:
  cPinDriverLS() {}
  virtual ~cPinDriverLS() {}

  void set() const { piWrite(piLineSet, static_cast<unsigned short>(1u << N)); }
  void reset() const { piWrite(piLineClear, static_cast<unsigned short>(1u << N)); }
};

#endif
