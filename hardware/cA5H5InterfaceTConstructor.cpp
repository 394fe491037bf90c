#include "cA5H5InterfaceT.h"

#include "cK5Config.h"
#include "cK5FPGACtrl.h"
#include "cK5ProductInfo.h"
#include "cK5SmartPSCtrl.h"
#include "cKorvo5Device.h"
#include "cKrv5Ctrl.h"
#include "moduleGlobals.h"
#include "piRegisters.h"

// The constructor lives apart from the operations: an algorithm that brings
// its own programming interface links its own constructor instead of this one.

namespace {

const unsigned short kInterfaceOn = 1;

}  // namespace

cA5H5InterfaceT::cA5H5InterfaceT(cKrv5Ctrl& krv5Ctrl, cK5CpdCtrl& cpdCtrl, unsigned char& ok,
                                 cAlgoModuleUiInterface& ui)
    : mpCpdCtrl(&cpdCtrl), mPiezo(krv5Ctrl.getKorvo5Device()), mpUi(&ui), mEnabled(false) {
  cK5FPGACtrl* fpgaCtrl = krv5Ctrl.getK5FPGACtrl(0, ok);
  if (!ok || fpgaCtrl == nullptr) {
    ok = 0;
    return;
  }
  PSCtrl = krv5Ctrl.getSmartPSCtrl();
  CPDCtrl = krv5Ctrl.getK5CPDCtrl(0, ok);
  if (!ok || CPDCtrl == nullptr) {
    ok = 0;
    return;
  }
  K5Device = &krv5Ctrl.getKorvo5Device();
  IOSpace = fpgaCtrl->regBase;
  // Without the product information no wait can be timed: that counts as a
  // failed lookup, before any supply or register is touched.
  cK5Config* config = K5Device->config();
  cK5ProductInfo* product = config != nullptr ? config->productInfo() : nullptr;
  if (product == nullptr) {
    ok = 0;
    return;
  }
  mFPGAMapping = product->fpgaBaseMappingAddr();
  PSCtrl->init();
  piWrite(piInterfaceEnable, kInterfaceOn);
  mEnabled = true;
}
