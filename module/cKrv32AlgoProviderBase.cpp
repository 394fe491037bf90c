#include "cKrv32AlgoProviderBase.h"

#include <cstdio>

#include "DiagnosticLog.h"
#include "cAlgoModuleUiInterface.h"
#include "cAlgoParam.h"
#include "cK5AbstractPSCtrl.h"
#include "cK5CpdCtrl.h"
#include "cK5DeviceCtrl.h"
#include "cK5StateCtrl.h"
#include "cKorvo5Device.h"
#include "cKrv5Ctrl.h"

namespace {

// One byte for the whole module: refuses a second entry into the checksum
// read while the first is still running.
unsigned char checkSumGuard = 0;

// Clears a re-entry flag on every way out of the slot.
class tGuardRelease {
public:
  explicit tGuardRelease(unsigned char& flag) : mFlag(flag) { mFlag = 1; }
  ~tGuardRelease() { mFlag = 0; }
  tGuardRelease(const tGuardRelease&) = delete;
  tGuardRelease& operator=(const tGuardRelease&) = delete;

private:
  unsigned char& mFlag;
};

}  // namespace

cKrv32AlgoProviderBase::cKrv32AlgoProviderBase(cMPDE* mpde, std::string name)
    : cAbstractModule(mpde, std::move(name)),
      cScaffoProvider(),
      iCheckSum(0),
      dbgNextStep(0),
      dbgIgnore(0),
      replyAddress(0, 1) {
  createGACD(1);
  maprAlgoParam.reset(new cAlgoParam(tByteArray::slModule, 1, 0, 0));
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

void cKrv32AlgoProviderBase::setKrvBusy() {
  if (cK5StateCtrl* state = stateCtrl()) {
    state->setDeviceState(3);
  }
}

void cKrv32AlgoProviderBase::setKrvReady() {
  if (cK5StateCtrl* state = stateCtrl()) {
    state->setDeviceState(1);
  }
}

void cKrv32AlgoProviderBase::setProviderCheckSumSlot(unsigned int value, piModuleAddr addr) {
  replyAddress = addr;
  logDiag("cKrv32AlgoProviderBase::setProviderCheckSumSlot -> iCheckSum = " + getStr(value));
  iCheckSum = value;
}

void cKrv32AlgoProviderBase::getProviderCheckSumSlot(unsigned int& value, piModuleAddr addr) {
  if (checkSumGuard) {
    logDiag("Double ertry of Slot detected.");
    return;
  }
  tGuardRelease guard(checkSumGuard);
  replyAddress = addr;
  logDiag("cKrv32AlgoProviderBase::getProviderCheckSumSlot -> iCheckSum = " + getStr(iCheckSum));
  value = iCheckSum;
}

void cKrv32AlgoProviderBase::getProviderVersionSlot(unsigned int& value, piModuleAddr addr) {
  replyAddress = addr;
  value = getModuleInfo()->getVersion();
}

void cKrv32AlgoProviderBase::Slot_UnClaimKorvo(piModuleAddr) {}

void cKrv32AlgoProviderBase::Slot_ClaimKorvo(std::string&, std::string&, unsigned char,
                                             unsigned char& ok, piModuleAddr) {
  ok = 0;
}

void cKrv32AlgoProviderBase::Slot_GetKorvoTypeAndClaimInfo(int&, std::string&, std::string&,
                                                           piModuleAddr) {}

void cKrv32AlgoProviderBase::Slot_ReceiveData(piSubFrame&, piSubFrame&, piSubFrame&, piSubFrame&,
                                              piSubFrame&, piSubFrame&, piSubFrame&, piSubFrame&,
                                              piSubFrame&, unsigned char& ok, piModuleAddr) {
  ok = 0;
}

void cKrv32AlgoProviderBase::Slot_SendData(piSubFrame&, piSubFrame&, piSubFrame&, piSubFrame&,
                                           piSubFrame&, piSubFrame&, piSubFrame&, piSubFrame&,
                                           piSubFrame&, unsigned char& ok, piModuleAddr) {
  ok = 0;
}

void cKrv32AlgoProviderBase::Slot_DbgNextStep(piModuleAddr) { dbgNextStep = 1; }

void cKrv32AlgoProviderBase::Slot_DbgIgnore(unsigned char value, piModuleAddr) {
  dbgIgnore = value;
}

void cKrv32AlgoProviderBase::Slot_LoadFpgaForContinuity(unsigned char& ok, piModuleAddr) {
  ok = 0;
}

void cKrv32AlgoProviderBase::Slot_StartProg(piModuleAddr) {}
void cKrv32AlgoProviderBase::Slot_StartRead(piModuleAddr) {}
void cKrv32AlgoProviderBase::Slot_StartBlank(piModuleAddr) {}
void cKrv32AlgoProviderBase::Slot_StartVerify(piModuleAddr) {}
void cKrv32AlgoProviderBase::Slot_StartErase(piModuleAddr) {}
void cKrv32AlgoProviderBase::Slot_StartContinuity(piModuleAddr) {}
void cKrv32AlgoProviderBase::Slot_StartNoContinuity(piModuleAddr) {}

void cKrv32AlgoProviderBase::Slot_PostActionFkt(unsigned char& ok, piModuleAddr) { ok = 1; }

void cKrv32AlgoProviderBase::Slot_CancelAction(piModuleAddr addr) {
  replyAddress = addr;
  maprGACD->bytes[gacdCancelRequest] = 1;
}

void cKrv32AlgoProviderBase::beginServiceSlot(const char* name, piModuleAddr addr) {
  replyAddress = addr;
  logDiag(name);
}

void cKrv32AlgoProviderBase::FindKrvTixDllSlotSync(unsigned char& ok, piModuleAddr addr) {
  beginServiceSlot("FindKrvTixDllSlotSync", addr);
  ok = 1;
}

void cKrv32AlgoProviderBase::FirstFpgaInitSlotSync(unsigned char& ok, piModuleAddr addr) {
  beginServiceSlot("FirstFpgaInitSlotSync", addr);
  ok = 1;
}

void cKrv32AlgoProviderBase::LoadBattOffSlotSync(piModuleAddr addr) {
  beginServiceSlot("LoadBattOffSlotSync", addr);
}

void cKrv32AlgoProviderBase::LoadBattOnSlotSync(piModuleAddr addr) {
  beginServiceSlot("LoadBattOnSlotSync", addr);
}

void cKrv32AlgoProviderBase::ResetKorvoSlotSync(piModuleAddr addr) {
  beginServiceSlot("ResetKorvoSlotSync", addr);
}

void cKrv32AlgoProviderBase::KorvoTestFktSlotSync(int&, std::string&, piModuleAddr addr) {
  beginServiceSlot("KorvoTestFktSlotSync", addr);
}

void cKrv32AlgoProviderBase::CalibVoltageSlotSync(unsigned char& ok, piModuleAddr addr) {
  beginServiceSlot("CalibVoltageSlotSync", addr);
  ok = 1;
}

void cKrv32AlgoProviderBase::ScanVsupplySlotSync(unsigned int& value, piModuleAddr addr) {
  beginServiceSlot("ScanVsupplySlotSync", addr);
  unsigned int v[7] = {0, 0, 0, 0, 0, 0, 0};
  // Without hardware there is nothing to read: answered as a failed read.
  cK5AbstractPSCtrl* psCtrl = maprKrv5Ctrl ? maprKrv5Ctrl->getPSCtrl() : nullptr;
  if (psCtrl == nullptr || !psCtrl->readSupplyVoltages(v[0], v[1], v[2], v[3], v[4], v[5], v[6])) {
    logDiag("Error: Get voltages failed.");
    value = 5555555;
    return;
  }
  value = static_cast<unsigned int>(static_cast<float>(v[6]) / 1000.0f);
}

void cKrv32AlgoProviderBase::ScanVBattSlotSync(unsigned int& value, piModuleAddr addr) {
  beginServiceSlot("ScanVBattSlotSync", addr);
  value = 666;
}

void cKrv32AlgoProviderBase::StartBattTimerSlotSync(int, unsigned char& ok, piModuleAddr addr) {
  beginServiceSlot("StartBattTimerSlotSync", addr);
  ok = 0;
}

void cKrv32AlgoProviderBase::ReadEepromSlotSync(unsigned int& value, piModuleAddr addr) {
  beginServiceSlot("ReadEepromSlotSync", addr);
  value = 0;
}

void cKrv32AlgoProviderBase::FpgaTestSlotSync(unsigned int, unsigned int&, unsigned char& ok,
                                              piModuleAddr addr) {
  replyAddress = addr;
  ok = 1;
  logDiag("FpgaTestSlotSync");
}

cBaseDeviceLayout* cKrv32AlgoProviderBase::getDeviceLayout() { return nullptr; }

std::string cKrv32AlgoProviderBase::getStr(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08x", static_cast<unsigned int>(value));
  return text;
}

void cKrv32AlgoProviderBase::createGACD(unsigned char reset) {
  const unsigned char keepCancel = (reset == 0 && maprGACD) ? maprGACD->bytes[gacdCancelRequest] : 0;
  // Cleared, so that no unwritten byte ever reaches the host.
  std::unique_ptr<TAG_GLOBAL_ALGOCTRL_DATA> fresh(new TAG_GLOBAL_ALGOCTRL_DATA());
  maprGACD = std::move(fresh);
  TAG_GLOBAL_ALGOCTRL_DATA& record = *maprGACD;
  record.bytes[gacdActionEnded] = 0;
  gacdPutU32(record, gacdAddressValid, 0);
  gacdPutU32(record, gacdMessageValid, 0);
  record.bytes[gacdCancelRequest] = keepCancel ? 1 : 0;
  gacdPutU32(record, gacdAddress, 0);
  gacdPutU32(record, gacdMessageNo, 0);
  gacdPutU32(record, gacdReserved1, 0);
  gacdPutU32(record, gacdReserved2, 0);
}

void cKrv32AlgoProviderBase::ShowProgress(char* data, unsigned int size) {
  scheduleEvents(0);
  piDBlock block(data, size, piDBlock::muWrapForeign);
  asyncSig_AlgoProgressInfo(block, replyAddress);
  scheduleEvents(0);
}

void cKrv32AlgoProviderBase::ShowProgress() {
  ShowProgress(reinterpret_cast<char*>(maprGACD->bytes), TAG_GLOBAL_ALGOCTRL_DATA::kSize);
  createGACD(0);
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
