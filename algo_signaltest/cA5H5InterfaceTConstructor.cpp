#include "cA5H5InterfaceT.h"

#include "cKorvo5Device.h"
#include "cKrv5Ctrl.h"

// The signal test's programming interface: the framework's, and besides it
// the host pin-driver controls of the further installed boards.

cA5H5InterfaceT::cA5H5InterfaceT(cKrv5Ctrl& krv5Ctrl, cK5CpdCtrl& cpdCtrl, unsigned char& ok,
                                 cAlgoModuleUiInterface& ui)
    : mpCpdCtrl(&cpdCtrl),
      mPiezo(krv5Ctrl.getKorvo5Device()),
      // All null: a lookup that fails midway leaves no entry undefined.
      mCPDCtrlTable(),
      mpUi(&ui),
      mEnabled(false) {
  if (!bindSlot0(krv5Ctrl, ok)) return;
  // Slot 0 is one of the installed boards; signed, so that none gives no
  // lookup. Slots above 6 have no entry, and the host would refuse them.
  const int further = static_cast<int>(krv5Ctrl.getKorvo5Device().numInstalledPDIOs()) - 1;
  const int entries =
      further < static_cast<int>(kCPDCtrlTableSize) ? further : static_cast<int>(kCPDCtrlTableSize);
  for (int i = 0; i < entries; ++i) {
    mCPDCtrlTable[i] = krv5Ctrl.getK5CPDCtrl(static_cast<unsigned int>(i) + 1, ok);
    if (!ok) return;
  }
  enable();
}
