#include "cK5AbstractPSCtrl.h"

#include "cK5SimProgrammerImpl.h"

cK5AbstractPSCtrl::~cK5AbstractPSCtrl() {}

bool cK5AbstractPSCtrl::switchOffSupplies() { return k5Sim().switchOff(); }

bool cK5AbstractPSCtrl::setSupplyVoltage(ePSChannel channel, unsigned int mV) {
  return k5Sim().setSupply(channel, mV);
}

bool cK5AbstractPSCtrl::readSupplyVoltages(unsigned int& v0, unsigned int& v1, unsigned int& v2,
                                           unsigned int& v3, unsigned int& v4, unsigned int& v5,
                                           unsigned int& v6) {
  return k5Sim().readSupplies({{&v0, &v1, &v2, &v3, &v4, &v5, &v6}});
}
