#include "cK5PiezoCtrl.h"

#include "cK5SimProgrammerImpl.h"

cK5PiezoCtrl::cK5PiezoCtrl(cKorvo5Device& device) : mDevice(&device) {}

cK5PiezoCtrl::~cK5PiezoCtrl() {}

void cK5PiezoCtrl::set(unsigned int a, unsigned int b) { k5Sim().buzz(a, b); }
