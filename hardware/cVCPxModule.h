#ifndef C_VCPX_MODULE_H
#define C_VCPX_MODULE_H

#include "cK5AbstractCPDCtrl.h"
#include "cK5SmartPSCtrl.h"
#include "moduleGlobals.h"

// The programmable supply of a cVCPxModule.
enum VCPX { VCP1 = 1, VCP2 = 2, VCP3 = 3 };

// One programmable supply with its output enable on the slot-0 pin drivers.
template <VCPX k>
class cVCPxModule {
public:
  cVCPxModule() : mVoltage(0) {}
  virtual ~cVCPxModule() {}

  // The level is kept even when the supply front end refuses the VCP3 raise.
  void setVoltage(unsigned long mV) {
    mVoltage = static_cast<unsigned int>(mV);
    if (k == VCP1) {
      PSCtrl->setVcp1(mVoltage);
    } else if (k == VCP2) {
      PSCtrl->setVcp2(mVoltage);
    } else {
      PSCtrl->setVcp3(mVoltage);
    }
  }
  unsigned long getVoltage() const { return mVoltage; }

  void enable() const { setOutputDisabled(false); }
  void disable() const { setOutputDisabled(true); }

private:
  void setOutputDisabled(bool off) const {
    if (k == VCP1) {
      CPDCtrl->setNOEVCP1(off);
    } else if (k == VCP2) {
      CPDCtrl->setNOEVCP2(off);
    } else {
      CPDCtrl->setNOEVCP3(off);
    }
  }

  unsigned int mVoltage;
};

#endif
