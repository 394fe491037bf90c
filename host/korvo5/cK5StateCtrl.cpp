#include "cK5StateCtrl.h"

#include "cK5SimProgrammerImpl.h"

cK5StateCtrl::cK5StateCtrl() {}

cK5StateCtrl::~cK5StateCtrl() {}

void cK5StateCtrl::setDeviceState(int state) { k5Sim().setState(state); }

bool cK5StateCtrl::claimDevice(const std::string& interface, const std::string& remoteId,
                               bool force) {
  return k5Sim().claim(interface, remoteId, force);
}

bool cK5StateCtrl::unclaimDevice() { return k5Sim().unclaim(); }

std::string cK5StateCtrl::getClaimedInterface() { return k5Sim().claimReadBack(false); }

std::string cK5StateCtrl::getClaimedRemoteId() { return k5Sim().claimReadBack(true); }
