#include "cK5AbstractCPDCtrl.h"

#include "cK5SimProgrammerImpl.h"

cK5AbstractCPDCtrl::cK5AbstractCPDCtrl(unsigned int slot) : mSlot(slot) {}

cK5AbstractCPDCtrl::~cK5AbstractCPDCtrl() {}

bool cK5AbstractCPDCtrl::writeRegisterSet(unsigned int regbank, const cK5CPDRegSet& set, void*) {
  return k5Sim().cpdWrite(mSlot, regbank, set, false);
}

bool cK5AbstractCPDCtrl::writeRegisterSetOnly(unsigned int regbank, const cK5CPDRegSet& set) {
  return k5Sim().cpdWrite(mSlot, regbank, set, true);
}

bool cK5AbstractCPDCtrl::readRegisterSet(unsigned int regbank, cK5CPDRegSet& set) {
  return k5Sim().cpdRead(mSlot, regbank, set);
}

void cK5AbstractCPDCtrl::setCRS(unsigned int bank) { k5Sim().cpdSelect(mSlot, bank); }

void cK5AbstractCPDCtrl::pulseCPDStrobe() { k5Sim().cpdStrobe(mSlot); }

void cK5AbstractCPDCtrl::setNOEGlobal(bool off) { k5Sim().cpdOutput(mSlot, k5OutGlobal, off); }

void cK5AbstractCPDCtrl::setNOEVCP1(bool off) { k5Sim().cpdOutput(mSlot, k5OutVcp1, off); }

void cK5AbstractCPDCtrl::setNOEVCP2(bool off) { k5Sim().cpdOutput(mSlot, k5OutVcp2, off); }

void cK5AbstractCPDCtrl::setNOEVCP3(bool off) { k5Sim().cpdOutput(mSlot, k5OutVcp3, off); }

void cK5AbstractCPDCtrl::setNOEGND(bool off) { k5Sim().cpdOutput(mSlot, k5OutGnd, off); }

void cK5AbstractCPDCtrl::setDIR(bool comparator) { k5Sim().cpdDir(mSlot, comparator); }
