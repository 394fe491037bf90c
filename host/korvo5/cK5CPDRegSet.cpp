#include "cK5CPDRegSet.h"

cK5CPDRegSet::cK5CPDRegSet() : mRegs() {}

cK5CPDRegSet::~cK5CPDRegSet() {}

void cK5CPDRegSet::setReg(unsigned int index, unsigned int value) {
  if (index < kRegCount) mRegs[index] = value;
}

unsigned int cK5CPDRegSet::getReg(unsigned int index) const {
  return index < kRegCount ? mRegs[index] : 0u;
}
