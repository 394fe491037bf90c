#include "cK5CpdCtrl.h"

#include "DiagnosticLog.h"
#include "cCfgFileDeviceCpdConfig.h"
#include "cCfgFileDeviceCpdConfigs.h"
#include "cCfgFileDeviceCpdPinData.h"
#include "cK5AbstractCPDCtrl.h"
#include "cKrv5Ctrl.h"

cK5CpdCtrl::cK5CpdCtrl(cKrv5Ctrl& krv5Ctrl, cCfgFileDeviceCpdConfigs* configs)
    : mpCfgFileDeviceCpdConfigs(configs), mKrv5Ctrl(krv5Ctrl) {}

cK5CpdCtrl::cK5CpdCtrl(const cK5CpdCtrl& other)
    : mErrorInfo(other.mErrorInfo),
      mpCfgFileDeviceCpdConfigs(other.mpCfgFileDeviceCpdConfigs),
      mKrv5Ctrl(other.mKrv5Ctrl) {}

cK5CpdCtrl& cK5CpdCtrl::operator=(const cK5CpdCtrl& other) {
  mpCfgFileDeviceCpdConfigs = other.mpCfgFileDeviceCpdConfigs;
  mErrorInfo = other.mErrorInfo;
  return *this;
}

cK5CpdCtrl::~cK5CpdCtrl() { deleteCPDHdwCtrl(); }

bool cK5CpdCtrl::operator==(const cK5CpdCtrl& other) const {
  return this == &other || mpCfgFileDeviceCpdConfigs == other.mpCfgFileDeviceCpdConfigs;
}

cK5CPDHdwCtrl* cK5CpdCtrl::getCPDHdwCtrl(unsigned int slot) {
  if (slot < kSlotCount) {
    if (mpHdwCtrl[slot]) return mpHdwCtrl[slot].get();
    unsigned char ok = 0;
    mpHdwCtrl[slot].reset(new cK5CPDHdwCtrl(mKrv5Ctrl, slot, ok));
    if (ok) return mpHdwCtrl[slot].get();
    mpHdwCtrl[slot].reset();
  }
  addErrorInfo("Can not get CPD control for Fpga Number: #" + getStr(slot) + ".");
  return nullptr;
}

void cK5CpdCtrl::deleteCPDHdwCtrl() {
  for (int slot = kSlotCount - 1; slot >= 0; --slot) mpHdwCtrl[slot].reset();
}

std::string cK5CpdCtrl::getErrorInfo() {
  std::string text;
  text.swap(mErrorInfo);
  return text;
}

void cK5CpdCtrl::addErrorInfo(std::string s) { mErrorInfo += s + "\n"; }

std::string cK5CpdCtrl::getStr(long long n) { return std::to_string(n); }

bool cK5CpdCtrl::enableCpdConfig(const std::string& label, bool bank) {
  if (!transmitCpdConfig(label, bank)) {
    logDiag("cK5CpdCtrl::enableCpdConfig::transmitCpdConfig failed. " + label);
    return false;
  }
  if (!enableCpdConfigReg(bank)) {
    logDiag("cK5CpdCtrl::enableCpdConfig::enableCpdConfigReg failed. " + label);
    return false;
  }
  logDiag("cK5CpdCtrl::enableCpdConfig for \"" + label + "\" OK.");
  return true;
}

bool cK5CpdCtrl::transmitCpdConfig(const std::string& sLabel, bool bCfgRegNum) {
  return transmitNamed(sLabel, bCfgRegNum, &cK5CPDHdwCtrl::setCPD);
}

bool cK5CpdCtrl::transmitCpdConfigOnly(const std::string& sLabel, bool bCfgRegNum) {
  return transmitNamed(sLabel, bCfgRegNum, &cK5CPDHdwCtrl::setCPDOnly);
}

// Every transfer starts from new images, so settings of an earlier
// configuration never leak into this one.
bool cK5CpdCtrl::transmitNamed(const std::string& label, bool bank, tBankWrite write) {
  deleteCPDHdwCtrl();
  if (getCPDHdwCtrl(0) == nullptr) {
    logDiag("cK5CpdCtrl::transmitCpdConfig::getCPDHdwCtrl(0) failed.");
    return false;
  }
  if (mpCfgFileDeviceCpdConfigs == nullptr) {
    logDiag("cK5CpdCtrl::transmitCpdConfig::mpCfgFileDeviceCpdConfigs invalid.");
    addErrorInfo("CfgFileDeviceCpdConfigs invalid.");
    return false;
  }
  if (!setupCpdConfig(label)) {
    logDiag("cK5CpdCtrl::transmitCpdConfig::setupCpdConfig(sLabel) failed. " + label);
    return false;
  }
  writeSlots(bank, write);
  return true;
}

bool cK5CpdCtrl::transmitCpdConfig(bool bCfgRegNum) {
  writeSlots(bCfgRegNum, &cK5CPDHdwCtrl::setCPD);
  return true;
}

bool cK5CpdCtrl::transmitCpdConfigOnly(bool bCfgRegNum) {
  writeSlots(bCfgRegNum, &cK5CPDHdwCtrl::setCPDOnly);
  return true;
}

void cK5CpdCtrl::writeSlots(bool bank, tBankWrite write) {
  for (unsigned int slot = 1; slot < kSlotCount; ++slot) {
    if (mpHdwCtrl[slot]) (mpHdwCtrl[slot].get()->*write)(bank);
  }
}

bool cK5CpdCtrl::setupCpdConfig(const std::string& label) {
  cCfgFileDeviceCpdConfig* config =
      mpCfgFileDeviceCpdConfigs ? mpCfgFileDeviceCpdConfigs->getCfgFileDeviceCpdConfig(label)
                                : nullptr;
  if (config == nullptr) {
    addErrorInfo("Can not get CPD config: " + label + ".");
    return false;
  }
  EnableCPD01();
  for (unsigned int i = 0; i < config->sizePinDefs(); ++i) {
    cCfgFileDeviceCpdPinData* pin = config->getCfgFileDeviceCpdPinData(i);
    if (pin == nullptr) {
      addErrorInfo("Can not get cpd pin data.");
      return false;
    }
    if (!setupCpdPinData(*pin)) return false;
  }
  return true;
}

bool cK5CpdCtrl::setupCpdPinData(cCfgFileDeviceCpdPinData& pin) {
  cK5CPDHdwCtrl* ctrl = getCPDHdwCtrl(pin.getPDx());
  if (ctrl == nullptr) return false;
  if (!ctrl->setCPDReg(pin.getPDy(), pin.getOpcData())) {
    addErrorInfo("Can setup the CPD register for PDy: #" + getStr(pin.getPDy()) + ".");
    return false;
  }
  return true;
}

cK5AbstractCPDCtrl* cK5CpdCtrl::globalCtrl() const {
  return mpHdwCtrl[0] ? mpHdwCtrl[0]->pK5CPDCtrl : nullptr;
}

bool cK5CpdCtrl::enableCpdConfigReg(bool bank) {
  cK5AbstractCPDCtrl* ctrl = globalCtrl();
  if (ctrl == nullptr) return false;
  ctrl->setCRS(bank ? 1u : 0u);
  ctrl->pulseCPDStrobe();
  return true;
}

namespace {

void setOutput(cK5AbstractCPDCtrl* ctrl, void (cK5AbstractCPDCtrl::*set)(bool), bool value) {
  if (ctrl != nullptr) (ctrl->*set)(value);
}

}  // namespace

void cK5CpdCtrl::EnableCPD01() {
  setOutput(globalCtrl(), &cK5AbstractCPDCtrl::setNOEGlobal, false);
}
void cK5CpdCtrl::DisableCPD01() {
  setOutput(globalCtrl(), &cK5AbstractCPDCtrl::setNOEGlobal, true);
}
void cK5CpdCtrl::EnableVCP1() { setOutput(globalCtrl(), &cK5AbstractCPDCtrl::setNOEVCP1, false); }
void cK5CpdCtrl::DisableVCP1() { setOutput(globalCtrl(), &cK5AbstractCPDCtrl::setNOEVCP1, true); }
void cK5CpdCtrl::EnableVCP2() { setOutput(globalCtrl(), &cK5AbstractCPDCtrl::setNOEVCP2, false); }
void cK5CpdCtrl::DisableVCP2() { setOutput(globalCtrl(), &cK5AbstractCPDCtrl::setNOEVCP2, true); }
void cK5CpdCtrl::EnableVCP3() { setOutput(globalCtrl(), &cK5AbstractCPDCtrl::setNOEVCP3, false); }
void cK5CpdCtrl::DisableVCP3() { setOutput(globalCtrl(), &cK5AbstractCPDCtrl::setNOEVCP3, true); }
void cK5CpdCtrl::EnableGND() { setOutput(globalCtrl(), &cK5AbstractCPDCtrl::setNOEGND, false); }
void cK5CpdCtrl::DisableGND() { setOutput(globalCtrl(), &cK5AbstractCPDCtrl::setNOEGND, true); }
void cK5CpdCtrl::EnableDirLs() { setOutput(globalCtrl(), &cK5AbstractCPDCtrl::setDIR, false); }
void cK5CpdCtrl::EnableDirComp() { setOutput(globalCtrl(), &cK5AbstractCPDCtrl::setDIR, true); }
