#include "cK5FPGACtrl.h"

#include "cK5SimProgrammerImpl.h"

cK5FPGACtrl::cK5FPGACtrl(unsigned int slot, unsigned int base) : regBase(base), mSlot(slot) {}

cK5FPGACtrl::~cK5FPGACtrl() {}

unsigned short cK5FPGACtrl::read16(unsigned int reg) { return k5Sim().fpgaRead(mSlot, reg); }

void cK5FPGACtrl::write16(unsigned int reg, unsigned short value) {
  k5Sim().fpgaWrite(mSlot, reg, value);
}

bool cK5FPGACtrl::resetFPGA() { return k5Sim().resetFpga(mSlot); }

void cK5FPGACtrl::loadHdw(unsigned int index, const char* data, unsigned int size,
                          std::string& error) {
  k5Sim().loadHdw(index, data, size, error);
}
