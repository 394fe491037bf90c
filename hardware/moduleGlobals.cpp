#include "moduleGlobals.h"

LS_EXPORT unsigned int IOSpace = 0;
LS_EXPORT unsigned int mFPGAMapping = 0;
LS_EXPORT cK5SmartPSCtrl* PSCtrl = nullptr;
LS_EXPORT cK5AbstractCPDCtrl* CPDCtrl = nullptr;
LS_EXPORT cKorvo5Device* K5Device = nullptr;

namespace {

// The handle the pointers were bound from, null when they name nothing. It
// clears itself when that handle goes, so it never names a gone handle.
const cKrv5Ctrl* boundHandle = nullptr;

}  // namespace

void bindModuleGlobals(const cKrv5Ctrl& handle, cK5SmartPSCtrl* psCtrl, cK5AbstractCPDCtrl* cpdCtrl,
                       cKorvo5Device* device, unsigned int ioSpace, unsigned int mapping) {
  boundHandle = &handle;
  PSCtrl = psCtrl;
  CPDCtrl = cpdCtrl;
  K5Device = device;
  IOSpace = ioSpace;
  mFPGAMapping = mapping;
}

void releaseModuleGlobals(const cKrv5Ctrl& handle) {
  if (boundHandle != &handle) return;
  boundHandle = nullptr;
  PSCtrl = nullptr;
  CPDCtrl = nullptr;
  K5Device = nullptr;
}
