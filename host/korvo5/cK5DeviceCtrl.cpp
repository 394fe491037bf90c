#include "cK5DeviceCtrl.h"

#include "cK5SimProgrammerImpl.h"

cK5DeviceCtrl::cK5DeviceCtrl() {}

cK5DeviceCtrl::~cK5DeviceCtrl() {}

cK5StateCtrl* cK5DeviceCtrl::stateCtrl() {
  cK5SimProgrammer::Impl& sim = k5Sim();
  return sim.handOut("stateCtrl", -1, sim.stateCtrl.get());
}
