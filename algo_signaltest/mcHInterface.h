#ifndef MC_H_INTERFACE_H
#define MC_H_INTERFACE_H

#include "cA5H5InterfaceT.h"
#include "cPinStateCMP.h"
#include "cVCPxModule.h"

class cKrv5Ctrl;
class cK5CpdCtrl;
class cAlgoModuleUiInterface;

// Hardware interface of the signal test: the programming interface with the
// comparator that tells whether the selected socket pin reads low, the
// supplies of the test and the buzzer.
class mcHInterface : public cA5H5InterfaceT {
public:
  // ok as the programming interface sets it; the creator releases the object
  // at once when it is 0.
  mcHInterface(cKrv5Ctrl& krv5Ctrl, cK5CpdCtrl& cpdCtrl, unsigned char& ok,
               cAlgoModuleUiInterface& ui);
  ~mcHInterface() override;

  // Supply levels of the test, then a settling wait and a synchronisation of
  // the interface. No supply output is switched on.
  void setup() const;
  void buzzer(unsigned int a, unsigned int b) { mPiezo.set(a, b); }

  // The order of declaration is the order of construction. Only the
  // comparator is used; the supplies are held, never driven.
  cVCPxModule<VCP1> mVcp1;
  cVCPxModule<VCP2> mVcp2;
  cVCPxModule<VCP3> mVcp3;
  cPinStateCMP<7> mPinState;  // low while the selected pin is touched
};

#endif
