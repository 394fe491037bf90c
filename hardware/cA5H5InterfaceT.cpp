#include "cA5H5InterfaceT.h"

#include "DiagnosticLog.h"
#include "cK5AbstractCPDCtrl.h"
#include "cK5Config.h"
#include "cK5CpdCtrl.h"
#include "cK5DeviceCtrl.h"
#include "cK5FPGACtrl.h"
#include "cK5ProductInfo.h"
#include "cK5SmartPSCtrl.h"
#include "cK5StateCtrl.h"
#include "cKorvo5Device.h"
#include "cKrv5Ctrl.h"
#include "eDeviceState.h"
#include "mcuAccess.h"
#include "moduleGlobals.h"
#include "piRegisters.h"

namespace {

const unsigned short kInterfaceOn = 1;
const unsigned short kInterfaceOff = 0;
const unsigned int kSynchronizeCycles = 50;

// The host may hand out no state controller; the state then stays as it is.
void setDeviceState(eDeviceState state) {
  cK5DeviceCtrl* deviceCtrl = K5Device->deviceCtrl();
  cK5StateCtrl* stateCtrl = deviceCtrl != nullptr ? deviceCtrl->stateCtrl() : nullptr;
  if (stateCtrl != nullptr) stateCtrl->setDeviceState(state);
}

}  // namespace

// Every lookup first, the globals after: a binding that fails part way (a
// missing control, or a host text) leaves them as they were, naming nothing
// of this handle.
bool cA5H5InterfaceT::bindSlot0(cKrv5Ctrl& krv5Ctrl, unsigned char& ok) {
  cK5FPGACtrl* fpgaCtrl = krv5Ctrl.getK5FPGACtrl(0, ok);
  if (!ok || fpgaCtrl == nullptr) {
    ok = 0;
    return false;
  }
  cK5AbstractCPDCtrl* cpdCtrl = krv5Ctrl.getK5CPDCtrl(0, ok);
  if (!ok || cpdCtrl == nullptr) {
    ok = 0;
    return false;
  }
  cKorvo5Device& device = krv5Ctrl.getKorvo5Device();
  // Without the product information no wait can be timed: that counts as a
  // failed lookup, before any supply or register is touched.
  cK5Config* config = device.config();
  cK5ProductInfo* product = config != nullptr ? config->productInfo() : nullptr;
  if (product == nullptr) {
    ok = 0;
    return false;
  }
  const unsigned int mapping = product->fpgaBaseMappingAddr();
  bindModuleGlobals(krv5Ctrl, krv5Ctrl.getSmartPSCtrl(), cpdCtrl, &device, fpgaCtrl->regBase,
                    mapping);
  return true;
}

void cA5H5InterfaceT::enable() {
  PSCtrl->init();
  piWrite(piInterfaceEnable, kInterfaceOn);
  mEnabled = true;
}

// A destructor must not let a host text escape: the supplies still go to
// rest when the enable write fails.
cA5H5InterfaceT::~cA5H5InterfaceT() {
  if (!mEnabled) return;
  try {
    piWrite(piInterfaceEnable, kInterfaceOff);
  } catch (const std::string& text) {
    logDiag("catch in ~cA5H5InterfaceT: " + text);
  }
  try {
    PSCtrl->reset();
  } catch (const std::string& text) {
    logDiag("catch in ~cA5H5InterfaceT: " + text);
  }
}

void cA5H5InterfaceT::setVls(unsigned long mV) const { PSCtrl->setVls(mV); }

void cA5H5InterfaceT::setVcomp(unsigned long mV) const { PSCtrl->setVcomp(mV); }

void cA5H5InterfaceT::setVgate(unsigned long mV) const { PSCtrl->setVGate(mV); }

void cA5H5InterfaceT::setVLevels(unsigned long vcomp, unsigned long vls) const {
  PSCtrl->setVcomp(vcomp);
  PSCtrl->setVls(vls);
}

void cA5H5InterfaceT::setDir_WR() const { piWrite(piLineSet, 1); }

void cA5H5InterfaceT::setDir_RD() const { piWrite(piLineClear, 1); }

void cA5H5InterfaceT::loadAddrReg(unsigned long address) const {
  piWrite(piAddrHigh, static_cast<unsigned short>(address >> 16));
  piWrite(piAddrLow, static_cast<unsigned short>(address));
}

void cA5H5InterfaceT::loadDataReg(unsigned short value) const { piWrite(piDataOut, value); }

void cA5H5InterfaceT::putData(unsigned short value) const { piWrite(piDataOut, value); }

unsigned short cA5H5InterfaceT::getData() const { return piRead(piDataIn); }

unsigned short cA5H5InterfaceT::getData(unsigned bank) const {
  return piRead(piBankRegister(piDataIn, bank));
}

bool cA5H5InterfaceT::DataIsEqual(unsigned short value) const { return getData() == value; }

void cA5H5InterfaceT::putDataInc(unsigned short value) const { piWrite(piDataOutInc, value); }

unsigned short cA5H5InterfaceT::getDataInc() const { return piRead(piDataInInc); }

unsigned short cA5H5InterfaceT::rbData() const { return piRead(piComparators); }

void cA5H5InterfaceT::lockInterrupts() const { K5Device->lockInterrupts(); }

void cA5H5InterfaceT::unlockInterrupts() const { K5Device->unlockInterrupts(); }

void cA5H5InterfaceT::FPGA_start() const { piWrite(piRun, 1); }

void cA5H5InterfaceT::FPGA_stop() const { piWrite(piRun, 0); }

void cA5H5InterfaceT::FPGA_synchronize() const {
  piWrite(piRun, 0);
  mcu_wait_bus_cycles(kSynchronizeCycles, mFPGAMapping);
  piWrite(piRun, 1);
}

void cA5H5InterfaceT::FPGA_setPrescaler(unsigned long value) const {
  piWrite(piPrescaler, static_cast<unsigned short>(value));
}

void cA5H5InterfaceT::FPGA_setClkSource(unsigned long value) const {
  piWrite(piClockSource, static_cast<unsigned short>(value));
}

void cA5H5InterfaceT::LedBusyOn() const { setDeviceState(dsBusy); }

void cA5H5InterfaceT::LedReadyOn() const { setDeviceState(dsReady); }

bool cA5H5InterfaceT::CPD_transmitConfig(const std::string& label, bool bank) const {
  return mpCpdCtrl->transmitCpdConfigOnly(label, bank);
}

bool cA5H5InterfaceT::CPD_enableConfigReg(bool bank) const {
  return mpCpdCtrl->enableCpdConfigReg(bank);
}

std::string cA5H5InterfaceT::getCpdErrorInfo() const { return mpCpdCtrl->getErrorInfo(); }
