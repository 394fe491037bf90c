#ifndef MC_H_INTERFACE_H
#define MC_H_INTERFACE_H

#include <cstdint>

#include "cA5H5InterfaceT.h"
#include "cPinDriverLS.h"
#include "cPinStateCMP.h"
#include "cVCPxModule.h"

class cKrv5Ctrl;
class cK5CpdCtrl;
class cAlgoModuleUiInterface;

// Hardware interface of the Holtek algorithm: the programming interface with
// the socket lines, comparators and supplies the Holtek protocol uses, and the
// measurement of the target's supply voltage.
class mcHInterface : public cA5H5InterfaceT {
public:
  // ok as the programming interface sets it; the creator releases the object
  // at once when it is 0.
  mcHInterface(cKrv5Ctrl& krv5Ctrl, cK5CpdCtrl& cpdCtrl, unsigned char& ok,
               cAlgoModuleUiInterface& ui);
  ~mcHInterface() override;

  // Measured Vcc in mV within 1 mV of the comparator's switching point, 0 when
  // it lies outside [lower - 40, upper + 40], and 5000 when the comparator is
  // already high at a window top clipped to 5000 mV. Leaves VLS at 1000 mV and
  // VCOMP at the last level compared.
  std::uint32_t calcVcc(unsigned long upper, unsigned long lower) const;

  // The order of declaration is the order of construction.
  cPinStateCMP<9> mVccCmp;   // high while the target supply lies above VCOMP
  cVCPxModule<VCP1> mVcc;    // target supply
  cVCPxModule<VCP2> mVpp;    // programming supply
  cPinDriverLS<1> mL1;       // strobe of the 4-bit bus
  cPinDriverLS<2> mL2;       // nibble-mode line
  cPinDriverLS<3> mL3;       // nibble-mode line
  cPinDriverLS<1> mL1Spare;  // never driven
  cPinDriverLS<2> mSck;      // serial clock, line 2
  cPinDriverLS<3> mSdo;      // serial data to the chip, line 3
  cPinStateCMP<3> mSdi;      // serial data from the chip
  cPinDriverLS<4> mL4;       // never driven

private:
  // Sets VCOMP and lets the comparator settle.
  void compareAt(std::uint32_t mV) const;
};

#endif
