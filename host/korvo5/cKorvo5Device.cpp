#include "cKorvo5Device.h"

#include "cK5SimProgrammerImpl.h"

cKorvo5Device::cKorvo5Device() { k5Sim().deviceCreated(); }

cKorvo5Device::~cKorvo5Device() { k5Sim().deviceDestroyed(); }

cK5AbstractPSCtrl* cKorvo5Device::psCtrl() {
  return k5Sim().handOut("psCtrl", -1, k5Sim().ps.get());
}

cK5PDIOCtrl* cKorvo5Device::pdioCtrl(unsigned int slot) {
  cK5PDIOCtrl* pdio = k5Sim().handOut("pdioCtrl", slot, cK5SimProgrammer::instance().pdio(slot));
  if (slot >= cK5SimProgrammer::kSlotCount)
    throw std::string("cKorvo5Device::pdioCtrl: invalid FPGA slot ") + std::to_string(slot);
  return pdio;
}

cK5Config* cKorvo5Device::config() { return k5Sim().handOut("config", -1, k5Sim().config.get()); }

cK5DeviceCtrl* cKorvo5Device::deviceCtrl() {
  return k5Sim().handOut("deviceCtrl", -1, k5Sim().deviceCtrl.get());
}

void cKorvo5Device::waitBusCycles(unsigned int n) { k5Sim().wait(n, false, 0); }

void cKorvo5Device::lockInterrupts() { k5Sim().interrupts(true); }

void cKorvo5Device::unlockInterrupts() { k5Sim().interrupts(false); }

unsigned int cKorvo5Device::numInstalledPDIOs() {
  k5Sim().checkThrow("numInstalledPDIOs");
  return k5Sim().st.installedPdios;
}
