#include "cKrv32AlgoProviderBase.h"

#include <cstdio>

#include "DiagnosticLog.h"
#include "cAlgoModuleUiInterface.h"
#include "cAlgoParam.h"
#include "cK5CpdCtrl.h"
#include "cK5DeviceCtrl.h"
#include "cK5StateCtrl.h"
#include "cKorvo5Device.h"
#include "cKrv5Ctrl.h"
#include "eDeviceState.h"
#include "littleEndian.h"

namespace {

// The parameter set starts with one placeholder buffer until a job arrives.
const unsigned int kPlaceholderBufferSize = 1;
const unsigned char kPlaceholderBufferFill = 0;
const int kPlaceholderBufferId = 0;

// Mode of the host's event scheduler around each progress record: run what is
// pending.
const int kScheduleMode = 0;

}  // namespace

const cKrv32AlgoProviderBase* cKrv32AlgoProviderBase::spActionProvider = nullptr;

cKrv32AlgoProviderBase::cKrv32AlgoProviderBase(cMPDE* mpde, std::string name)
    : cAbstractModule(mpde, std::move(name)),
      cScaffoProvider(),
      iCheckSum(0),
      dbgNextStep(0),
      dbgIgnore(0),
      replyAddress(0, 1) {
  createGACD(kResetCancel);
  maprAlgoParam.reset(new cAlgoParam(tByteArray::slModule, kPlaceholderBufferSize,
                                     kPlaceholderBufferFill, kPlaceholderBufferId));
  replyAddress = piModuleAddr(0, 0);
  unsigned char ok = 0;
  maprKrv5Ctrl.reset(new cKrv5Ctrl(ok));
  if (ok) {
    maprUiInterface.reset(new cAlgoModuleUiInterface(*this));
    initCpdCtrl();
    return;
  }
  // The module still loads and answers every slot that needs no hardware.
  logDiag("Fatal Error: Can not create Korvo control object.");
  logDiag("Fatal Error: " + maprKrv5Ctrl->getErrorInfo());
  maprKrv5Ctrl.reset();
}

cKrv32AlgoProviderBase::~cKrv32AlgoProviderBase() {
  // The pin-driver control and the user-interface object go after the
  // handle; their destruction touches no hardware.
  maprKrv5Ctrl.reset();
  maprGACD.reset();
  maprAlgoParam.reset();
  maprCpdCtrl.reset();
  maprUiInterface.reset();
}

void cKrv32AlgoProviderBase::initCpdCtrl() {
  if (maprKrv5Ctrl) {
    maprCpdCtrl.reset(new cK5CpdCtrl(*maprKrv5Ctrl, nullptr));
  }
}

cK5StateCtrl* cKrv32AlgoProviderBase::stateCtrl() {
  if (!maprKrv5Ctrl) {
    return nullptr;
  }
  cK5DeviceCtrl* device = maprKrv5Ctrl->getKorvo5Device().deviceCtrl();
  return device != nullptr ? device->stateCtrl() : nullptr;
}

// A host that hands out no state controller leaves the state unset; that is
// logged, since the action's result cannot show it. Without hardware handle
// the missing handle has been told already.
void cKrv32AlgoProviderBase::setKrvBusy() {
  if (cK5StateCtrl* state = stateCtrl()) {
    state->setDeviceState(dsBusy);
  } else if (maprKrv5Ctrl) {
    logDiag("Error: No device state control. Can not set device busy.");
  }
}

void cKrv32AlgoProviderBase::setKrvReady() {
  if (cK5StateCtrl* state = stateCtrl()) {
    state->setDeviceState(dsReady);
  } else if (maprKrv5Ctrl) {
    logDiag("Error: No device state control. Can not set device ready.");
  }
}

bool cKrv32AlgoProviderBase::refusedDuringAction(const std::string& slot) {
  if (spActionProvider == nullptr) return false;
  logDiag(slot + " refused while an action runs.");
  return true;
}

std::string cKrv32AlgoProviderBase::getStr(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08x", static_cast<unsigned int>(value));
  return text;
}

void cKrv32AlgoProviderBase::createGACD(unsigned char reset) {
  const unsigned char keepCancel =
      (reset == 0 && maprGACD) ? maprGACD->bytes[gacdCancelRequest] : 0;
  // Cleared, so that no unwritten byte ever reaches the host.
  std::unique_ptr<TAG_GLOBAL_ALGOCTRL_DATA> fresh(new TAG_GLOBAL_ALGOCTRL_DATA());
  maprGACD = std::move(fresh);
  TAG_GLOBAL_ALGOCTRL_DATA& record = *maprGACD;
  record.bytes[gacdActionEnded] = 0;
  storeLeU32(record.bytes, gacdAddressValid, 0);
  storeLeU32(record.bytes, gacdMessageValid, 0);
  record.bytes[gacdCancelRequest] = keepCancel ? 1 : 0;
  storeLeU32(record.bytes, gacdAddress, 0);
  storeLeU32(record.bytes, gacdMessageNo, 0);
  storeLeU32(record.bytes, gacdReserved1, 0);
  storeLeU32(record.bytes, gacdReserved2, 0);
}

void cKrv32AlgoProviderBase::ShowProgress(char* data, unsigned int size) {
  scheduleEvents(kScheduleMode);
  piDBlock block(data, size, piDBlock::muWrapForeign);
  asyncSig_AlgoProgressInfo(block, replyAddress);
  scheduleEvents(kScheduleMode);
}

void cKrv32AlgoProviderBase::ShowProgress() {
  ShowProgress(reinterpret_cast<char*>(maprGACD->bytes), TAG_GLOBAL_ALGOCTRL_DATA::kSize);
  createGACD(kKeepCancel);
}

void cKrv32AlgoProviderBase::showMessage(std::string text) {
  logDiag(text);
  syncSig_Message(text, replyAddress, kSignalTimeout);
}

void cKrv32AlgoProviderBase::showInternMessage(std::string text) {
  logDiag(text);
  syncSig_DbgMessage(text, replyAddress, kSignalTimeout);
}

unsigned char cKrv32AlgoProviderBase::getCancel() const {
  return maprGACD->bytes[gacdCancelRequest];
}
