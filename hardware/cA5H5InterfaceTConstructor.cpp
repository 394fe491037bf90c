#include "cA5H5InterfaceT.h"

#include "cKrv5Ctrl.h"

// The constructor lives apart from the operations: an algorithm that brings
// its own programming interface links its own constructor instead of this one.

cA5H5InterfaceT::cA5H5InterfaceT(cKrv5Ctrl& krv5Ctrl, cK5CpdCtrl& cpdCtrl, unsigned char& ok,
                                 cAlgoModuleUiInterface& ui)
    : mpCpdCtrl(&cpdCtrl),
      mPiezo(krv5Ctrl.getKorvo5Device()),
      mCPDCtrlTable(),
      mpUi(&ui),
      mEnabled(false) {
  if (!bindSlot0(krv5Ctrl, ok)) return;
  enable();
}
