#include "cK5PDIOCtrl.h"

#include "cK5SimProgrammerImpl.h"

cK5PDIOCtrl::cK5PDIOCtrl(unsigned int slot) : mSlot(slot) {}

cK5PDIOCtrl::~cK5PDIOCtrl() {}

cK5FPGACtrl* cK5PDIOCtrl::fpgaCtrl() {
  cK5SimProgrammer::Impl& sim = k5Sim();
  return sim.handOut("fpgaCtrl", mSlot, sim.fpga[mSlot].get());
}

cK5AbstractCPDCtrl* cK5PDIOCtrl::cpdCtrl() {
  cK5SimProgrammer::Impl& sim = k5Sim();
  return sim.handOut("cpdCtrl", mSlot, sim.cpd[mSlot].get());
}
