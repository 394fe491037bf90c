#include "cKrv5Ctrl.h"

#include "cK5PDIOCtrl.h"
#include "cK5SmartPSCtrl.h"
#include "cKorvo5Device.h"
#include "moduleGlobals.h"

namespace {
const char* const kFatalException = "Fatal (exception): ";
const char* const kInvalidDevice = "Fatal pointer of cKorvo5Device is invalid.";
}  // namespace

cKrv5Ctrl::cKrv5Ctrl(unsigned char& ok) : mOwnsDevice(true) {
  ok = 1;
  try {
    mpDevice.reset(new cKorvo5Device());
    createSmartPSCtrl(ok);
  } catch (const std::string& text) {
    setFailure(kFatalException + text, ok);
  }
}

cKrv5Ctrl::cKrv5Ctrl(cKorvo5Device* device, unsigned char& ok) : mOwnsDevice(false) {
  ok = 1;
  if (device == nullptr) {
    setFailure(kInvalidDevice, ok);
    return;
  }
  mpDevice.reset(device);
  try {
    createSmartPSCtrl(ok);
  } catch (const std::string& text) {
    setFailure(kFatalException + text, ok);
  } catch (...) {
    // The destructor does not run for a constructor left by an exception:
    // the caller's device must not be deleted with the member.
    mpDevice.release();
    throw;
  }
}

cKrv5Ctrl::~cKrv5Ctrl() {
  // The globals an interface bound from this handle name its device and
  // supply control, which go now: a host reading them after the unload finds
  // nothing rather than freed objects.
  releaseModuleGlobals(*this);
  if (!mOwnsDevice) mpDevice.release();
  mpSmartPSCtrl.reset();
  mpDevice.reset();
}

// A device without a supply control cannot carry the guarded supplies.
void cKrv5Ctrl::createSmartPSCtrl(unsigned char& ok) {
  cK5AbstractPSCtrl* psCtrl = mpDevice->psCtrl();
  if (psCtrl == nullptr) {
    setFailure("Fatal pointer of cK5AbstractPSCtrl is invalid.", ok);
    return;
  }
  mpSmartPSCtrl.reset(new cK5SmartPSCtrl(*psCtrl));
}

void cKrv5Ctrl::setFailure(const std::string& text, unsigned char& ok) {
  ok = 0;
  mErrorInfo = text;
}

std::string cKrv5Ctrl::getErrorInfo() {
  std::string text;
  text.swap(mErrorInfo);
  return text;
}

cKorvo5Device& cKrv5Ctrl::getKorvo5Device() { return *mpDevice; }

cK5AbstractPSCtrl* cKrv5Ctrl::getPSCtrl() { return mpDevice ? mpDevice->psCtrl() : nullptr; }

cK5SmartPSCtrl* cKrv5Ctrl::getSmartPSCtrl() { return mpSmartPSCtrl.get(); }

template <typename tCtrl>
tCtrl* cKrv5Ctrl::slotControl(unsigned int slot, unsigned char& ok, tCtrl* (cK5PDIOCtrl::*get)()) {
  ok = 1;
  if (!mpDevice) {
    setFailure(kInvalidDevice, ok);
    return nullptr;
  }
  try {
    // A null result that the host hands out without a throw leaves ok at 1.
    cK5PDIOCtrl* pdio = mpDevice->pdioCtrl(slot);
    return pdio ? (pdio->*get)() : nullptr;
  } catch (const std::string& text) {
    setFailure(kFatalException + text, ok);
  }
  return nullptr;
}

cK5FPGACtrl* cKrv5Ctrl::getK5FPGACtrl(unsigned int slot, unsigned char& ok) {
  return slotControl(slot, ok, &cK5PDIOCtrl::fpgaCtrl);
}

cK5AbstractCPDCtrl* cKrv5Ctrl::getK5CPDCtrl(unsigned int slot, unsigned char& ok) {
  return slotControl(slot, ok, &cK5PDIOCtrl::cpdCtrl);
}
