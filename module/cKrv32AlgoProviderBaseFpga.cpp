// FPGA loading, switching the pin drivers and supplies off, and the
// continuity tests an action start runs.
#include "cKrv32AlgoProviderBase.h"

#include "DiagnosticLog.h"
#include "cAlgoParam.h"
#include "cCfgFileDeviceLayout.h"
#include "cFpgaHdwImageCtrl.h"
#include "cK5AbstractCPDCtrl.h"
#include "cK5AbstractPSCtrl.h"
#include "cK5CPDHdwCtrl.h"
#include "cK5FPGACtrl.h"
#include "cKrv5Ctrl.h"
#include "cPinConnectionData.h"
#include "cPinConnectionKernel.h"
#include "slotGuard.h"

namespace {

// FPGA slot 0: its control resets all FPGAs, its pin-driver control holds the
// global output enable.
const unsigned int kGlobalFpgaSlot = 0;

// The reset announces itself with this many identical log lines.
const int kResetLogLines = 4;

}  // namespace

void cKrv32AlgoProviderBase::Slot_LoadFpgaForContinuity(unsigned char& ok, piModuleAddr addr) {
  ok = 0;
  guardSlot("Slot_LoadFpgaForContinuity", ok, [&] {
    // Loading resets every FPGA, which would pull the programming interface
    // from under a running chip action, whichever provider runs it.
    if (refusedDuringAction("Slot_LoadFpgaForContinuity")) return;
    replyAddress = addr;
    disableCPDs();
    if (loadFPGAs("HDW_CONTINUITY")) {
      ok = 1;
    } else {
      showMessage("Can not load Fpgas for continuity test.");
    }
  });
}

// ------------------------------------------- FPGA loading and switching off

bool cKrv32AlgoProviderBase::resetFPGAs() {
  for (int i = 0; i < kResetLogLines; ++i) logDiag("reset All FPGAs via page \"0\".");
  unsigned char ok = 0;
  cK5FPGACtrl* fpga = maprKrv5Ctrl ? maprKrv5Ctrl->getK5FPGACtrl(kGlobalFpgaSlot, ok) : nullptr;
  if (ok == 0 || fpga == nullptr) {
    showMessage("Error: Unable to map FPGA page \"0\".");
    return false;
  }
  if (!fpga->resetFPGA()) {
    showMessage("Error: Unable to reset all FPGAs.");
    return false;
  }
  return true;
}

bool cKrv32AlgoProviderBase::loadFPGAs(const std::string& kind) {
  if (!resetFPGAs()) return false;
  cKxHdwParam& hdw = maprAlgoParam->getHdwParam();
  if (hdw.getFpgaHdwImageCount() == 0) {
    showInternMessage("Error: LoadFPGAs -> false -> no FpgaHdwImageCount");
    return false;
  }
  // FPGA index = number of images of this kind loaded so far.
  unsigned int loaded = 0;
  // The count is the host's and is kept as sent; past the slots there are
  // only empty images, so walking on would load nothing and could take
  // billions of passes.
  const unsigned int slots = cKxHdwParam::kImageSlots;
  for (unsigned int j = 0; j < hdw.getFpgaHdwImageCount() && j < slots; ++j) {
    cFpgaHdwImageCtrl* image = hdw.getFpgaHdwImageCtrl(j);
    piDBlock& data = image->dbImage();
    if (image->getKindOfHdwImage() != kind || data.getData() == nullptr || data.getSize() == 0)
      continue;
    std::string error;
    cK5FPGACtrl::loadHdw(loaded, data.getData(), data.getSize(), error);
    if (!error.empty()) {
      const std::string text = "LoadFPGAs -> false ->" + error + ": " + std::to_string(j);
      logDiag(text);
      showInternMessage(text);
      return false;
    }
    ++loaded;
  }
  if (loaded == 0) {
    showInternMessage("Error: No FPGAs loaded");
    return false;
  }
  showInternMessage("LoadFPGAs with " + kind + " Ok.");
  return true;
}

void cKrv32AlgoProviderBase::disableCPDs() {
  if (!maprKrv5Ctrl) {
    showMessage("Error: No korvo 5 ctrl. Can not disable CPDs.");
    return;
  }
  unsigned char ok = 0;
  cK5CPDHdwCtrl global(*maprKrv5Ctrl, kGlobalFpgaSlot, ok);
  if (ok == 0 || global.pK5CPDCtrl == nullptr) {
    logDiag("Error: No CPD control of FPGA 0. Can not disable CPDs.");
    return;
  }
  global.pK5CPDCtrl->setNOEGlobal(true);
}

void cKrv32AlgoProviderBase::disableVoltage() {
  if (!maprKrv5Ctrl) {
    showMessage("Error: No korvo 5 ctrl. Can not reset power supplies.");
    return;
  }
  // A refusal changes nothing of the action's result, but must leave a trace.
  cK5AbstractPSCtrl* psCtrl = maprKrv5Ctrl->getPSCtrl();
  if (psCtrl == nullptr) {
    logDiag("Error: No power supply control. Can not reset power supplies.");
  } else if (!psCtrl->switchOffSupplies()) {
    logDiag("Error: switchOffSupplies refused.");
  }
}

// ---------------------------------------------------------- continuity test

cBaseDeviceLayout* cKrv32AlgoProviderBase::getDeviceLayout() {
  cCfgFileDeviceLayout& layout = maprAlgoParam->getRefCfgFileDeviceLayout();
  if (layout == cCfgFileDeviceLayout(0)) {
    logDiag("cKrv32AlgoProviderBase::getDeviceLayout: No valid Device Layout for Continuity Test "
            "available.");
    return nullptr;
  }
  return &layout;
}

bool cKrv32AlgoProviderBase::doPinConnectionTestKernel(cBaseDeviceLayout& layout) {
  if (!maprKrv5Ctrl) {
    showMessage("Error: No Korvo5 control object.");
    return false;
  }
  std::unique_ptr<cPinConnectionKernel> kernel(new cPinConnectionKernel(layout, *maprKrv5Ctrl));
  if (kernel->doIt()) return true;
  showMessage(kernel->getErrorHint());
  return false;
}

bool cKrv32AlgoProviderBase::transmitPinConnectionData(cPinConnectionData& data) {
  cDTFrame frame;
  data.makeDTFrame(frame);
  piSubFrame subFrame;
  subFrame.loadFromFrame(&frame);
  if (syncSig_PinConnectionData(subFrame, replyAddress, kSignalTimeout)) return true;
  logDiag("Fatal Error: Timeout at transmitting pin connection data.");
  return false;
}

bool cKrv32AlgoProviderBase::runContinuityKernel(cBaseDeviceLayout& layout,
                                                 cPinConnectionData& result) {
  const bool ok = doPinConnectionTestKernel(layout);
  logDiag("cKrv32AlgoProviderBase::doPinConnectionTest >> pDeviceLayout->getPinConnectionResult()");
  // A copy: the layout's result is replaced by its next test.
  result = layout.getPinConnectionResult();
  logDiag("TotalPinNumber = " + std::to_string(result.getTotalPinNumber()));
  logDiag("ConnectedPinNumber = " + std::to_string(result.getConnectedPinNumber()));
  transmitPinConnectionData(result);
  return ok;
}

bool cKrv32AlgoProviderBase::doPinConnectionTest() {
  cPinConnectionData result(0, 0);
  if (maprAlgoParam->getDoDeviceContinuityTest() == 0) {
    showMessage("Continuity Test disabled");
    return true;
  }
  cBaseDeviceLayout* layout = getDeviceLayout();
  if (layout == nullptr) {
    showMessage("Continuity Test not available");
    return true;
  }
  if (!layout->init()) {
    showMessage("Continuity Test error : can't initialize device Pin-Layout");
    return false;
  }
  showMessage("Doing Continuity Test");
  if (!runContinuityKernel(*layout, result)) return false;
  if (result.isDeviceConnected()) return true;
  showMessage("Continuity Test error : device not connected");
  return false;
}

bool cKrv32AlgoProviderBase::doPinNoConnectionTest() {
  cPinConnectionData result(0, 0);
  if (maprAlgoParam->getDoDeviceContinuityTest() == 0) {
    showMessage("Continuity Test disabled");
    return false;
  }
  showMessage("Doing Continuity Test");
  cBaseDeviceLayout* layout = getDeviceLayout();
  if (layout == nullptr) {
    transmitPinConnectionData(result);
    showMessage("Continuity Test not available");
    return true;
  }
  if (!layout->init()) {
    transmitPinConnectionData(result);
    showMessage("Continuity Test error : can't initialize device Pin-Layout");
    return false;
  }
  if (!runContinuityKernel(*layout, result)) return false;
  if (result.isDeviceNotConnected()) return true;
  showMessage("Continuity Test error : device is connected");
  return false;
}
