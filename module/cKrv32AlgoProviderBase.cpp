#include "cKrv32AlgoProviderBase.h"

#include <cstdio>

#include "AbstractAlgoBase.h"
#include "DiagnosticLog.h"
#include "cAlgoDataReceiveKrvHandler.h"
#include "cAlgoDataSendKrvHandler.h"
#include "cAlgoModuleUiInterface.h"
#include "cAlgoParam.h"
#include "cFpgaHdwImageCtrl.h"
#include "cK5AbstractCPDCtrl.h"
#include "cK5AbstractPSCtrl.h"
#include "cK5CPDHdwCtrl.h"
#include "cK5Config.h"
#include "cK5CpdCtrl.h"
#include "cK5FPGACtrl.h"
#include "cK5DeviceCtrl.h"
#include "cK5ProductInfo.h"
#include "cK5StateCtrl.h"
#include "cKorvo5Device.h"
#include "cKrv5Ctrl.h"
#include "cPinConnectionData.h"
#include "cPinConnectionKernel.h"
#include "eDeviceState.h"
#include "littleEndian.h"

namespace {

// One byte for the whole module: refuses a second entry into the checksum
// read while the first is still running.
unsigned char checkSumGuard = 0;

// The same for the data receive; one flag for all providers of the module.
unsigned char receiveGuard = 0;

// Log line of the claim and type slots when there is no state controller to ask.
const char* const kNoStateCtrl = "Error: No Korvo control object available.";

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
    state->setDeviceState(dsBusy);
  }
}

void cKrv32AlgoProviderBase::setKrvReady() {
  if (cK5StateCtrl* state = stateCtrl()) {
    state->setDeviceState(dsReady);
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

void cKrv32AlgoProviderBase::Slot_DbgNextStep(piModuleAddr) { dbgNextStep = 1; }

void cKrv32AlgoProviderBase::Slot_DbgIgnore(unsigned char value, piModuleAddr) {
  dbgIgnore = value;
}

void cKrv32AlgoProviderBase::Slot_LoadFpgaForContinuity(unsigned char& ok, piModuleAddr addr) {
  ok = 0;
  replyAddress = addr;
  disableCPDs();
  if (loadFPGAs("HDW_CONTINUITY")) {
    ok = 1;
  } else {
    showMessage("Can not load Fpgas for continuity test.");
  }
}

void cKrv32AlgoProviderBase::Slot_StartProg(piModuleAddr) {
  runStartSlot(aatProg, "Slot_StartProg", "catch in Slot_StartProg: ", &cKrv32AlgoProviderBase::StartProg);
}

void cKrv32AlgoProviderBase::Slot_StartRead(piModuleAddr) {
  runStartSlot(aatRead, "Slot_StartRead", "catch Slot_StartRead: ", &cKrv32AlgoProviderBase::StartRead);
}

void cKrv32AlgoProviderBase::Slot_StartBlank(piModuleAddr) {
  runStartSlot(aatBlank, "Slot_StartBlank", "catch Slot_StartBlank: ", &cKrv32AlgoProviderBase::StartBlank);
}

void cKrv32AlgoProviderBase::Slot_StartVerify(piModuleAddr) {
  runStartSlot(aatVerify, "Slot_StartVerify", "catch Slot_StartVerify: ",
               &cKrv32AlgoProviderBase::StartVerify);
}

void cKrv32AlgoProviderBase::Slot_StartErase(piModuleAddr) {
  runStartSlot(aatErase, "Slot_StartErase", "catch Slot_StartErase: ", &cKrv32AlgoProviderBase::StartErase);
}

void cKrv32AlgoProviderBase::Slot_StartContinuity(piModuleAddr) {
  runStartSlot(aatContinuity, "Slot_StartContinuity", "", nullptr);
}

void cKrv32AlgoProviderBase::Slot_StartNoContinuity(piModuleAddr) {
  runStartSlot(aatNoContinuity, "Slot_StartNoContinuity", "", nullptr);
}

void cKrv32AlgoProviderBase::Slot_PostActionFkt(unsigned char& ok, piModuleAddr) { ok = 1; }


void cKrv32AlgoProviderBase::Slot_UnClaimKorvo(piModuleAddr) {
  if (cK5StateCtrl* state = stateCtrl()) {
    state->unclaimDevice();
  }
}

void cKrv32AlgoProviderBase::Slot_ClaimKorvo(std::string& remoteId, std::string& interface,
                                             unsigned char flag, unsigned char& ok,
                                             piModuleAddr addr) {
  ok = 0;
  try {
    cK5StateCtrl* state = stateCtrl();
    if (state == nullptr) {
      logDiag(kNoStateCtrl);
      return;
    }
    state->claimDevice(interface, remoteId, flag != 0);
  } catch (const std::string& text) {
    logDiag("try claimDevice");
    logDiag(text);
    return;
  }
  try {
    std::string claimedRemoteId;
    std::string claimedInterface;
    getClaimInfo(claimedRemoteId, claimedInterface);
    if (claimedRemoteId == remoteId && claimedInterface == interface) {
      replyAddress = addr;
      ok = 1;
      return;
    }
    // Another client holds the programmer.
    setKrvReady();
    logDiag("Failed to claim korvo: Claim data claimedRemoteId and claimedInterface are not equal.");
  } catch (const std::string& text) {
    logDiag("try getClaimInfo");
    logDiag(text);
    ok = 0;
  }
}

void cKrv32AlgoProviderBase::getClaimInfo(std::string& claimedRemoteId,
                                          std::string& claimedInterface) {
  cK5StateCtrl* state = stateCtrl();
  if (state == nullptr) {
    logDiag(kNoStateCtrl);
    return;
  }
  claimedRemoteId = state->getClaimedRemoteId();
  logDiag("claimedRemoteId@getClaimInfo: " + claimedRemoteId);
  claimedInterface = state->getClaimedInterface();
  logDiag("claimedInterface@getClaimInfo: " + claimedInterface);
}

void cKrv32AlgoProviderBase::Slot_GetKorvoTypeAndClaimInfo(int& type, std::string& remoteId,
                                                           std::string& interface, piModuleAddr) {
  cK5Config* config = maprKrv5Ctrl ? maprKrv5Ctrl->getKorvo5Device().config() : nullptr;
  cK5ProductInfo* product = config != nullptr ? config->productInfo() : nullptr;
  if (product == nullptr) {
    logDiag(kNoStateCtrl);
    return;
  }
  const int productType = product->productType();
  if (productType >= 1 && productType <= 4) {
    type = productType + 9;
  } else if (productType == 0) {
    logDiag("Unknown type. (Error / Bug in firmware).");
  }
  logDiag("Korvo-Type:       " + product->productName());
  getClaimInfo(remoteId, interface);
}

void cKrv32AlgoProviderBase::Slot_ReceiveData(piSubFrame& f1, piSubFrame& f2, piSubFrame& f3,
                                              piSubFrame& f4, piSubFrame& f5, piSubFrame& f6,
                                              piSubFrame& f7, piSubFrame& f8, piSubFrame& f9,
                                              unsigned char& ok, piModuleAddr addr) {
  logDiag("Start Slot_ReceiveData");
  if (receiveGuard) {
    logDiag("Double ertry of Slot detected.");
    ok = 0;
    return;
  }
  // Released also when the handler is left by an exception, so one failed
  // receive cannot lock out every later job.
  tGuardRelease guard(receiveGuard);
  replyAddress = addr;
  ok = 0;
  cAlgoDataReceiveKrvHandler handler(*maprAlgoParam, f1, f2, f3, f4, f5, f6, f7, f8, f9);
  if (handler.processingReceivedData()) {
    ok = 1;
  }
}

void cKrv32AlgoProviderBase::Slot_SendData(piSubFrame& f1, piSubFrame& f2, piSubFrame& f3,
                                           piSubFrame& f4, piSubFrame& f5, piSubFrame& f6,
                                           piSubFrame& f7, piSubFrame& f8, piSubFrame& f9,
                                           unsigned char& ok, piModuleAddr addr) {
  logDiag("Start Slot_SendData");
  replyAddress = addr;
  ok = 0;
  cAlgoDataSendKrvHandler handler(*maprAlgoParam, f1, f2, f3, f4, f5, f6, f7, f8, f9);
  if (handler.processingReceivedData()) {
    ok = 1;
  }
}

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

cBaseDeviceLayout* cKrv32AlgoProviderBase::getDeviceLayout() {
  cCfgFileDeviceLayout& layout = maprAlgoParam->getRefCfgFileDeviceLayout();
  if (layout == cCfgFileDeviceLayout(0)) {
    logDiag("cKrv32AlgoProviderBase::getDeviceLayout: No valid Device Layout for Continuity Test available.");
    return nullptr;
  }
  return &layout;
}

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
  storeLeU32(record.bytes, gacdAddressValid, 0);
  storeLeU32(record.bytes, gacdMessageValid, 0);
  record.bytes[gacdCancelRequest] = keepCancel ? 1 : 0;
  storeLeU32(record.bytes, gacdAddress, 0);
  storeLeU32(record.bytes, gacdMessageNo, 0);
  storeLeU32(record.bytes, gacdReserved1, 0);
  storeLeU32(record.bytes, gacdReserved2, 0);
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

// ---------------------------------------------------------------- action flow

namespace {

const unsigned int kActionFailCode = 3003;
const unsigned int kHdwCheckFailCode = 3002;
const unsigned int kErrorInfoModeAlgoCode = 3;

// Runs one step of a failure path; a text the host throws meanwhile is only
// logged, so the path still reaches its end.
template <class Step>
void runLogged(const std::string& prefix, Step step) {
  try {
    step();
  } catch (const std::string& text) {
    logDiag(prefix + text);
  }
}

const char* const kCatchClose = "catch postAlgoAction: ";

}  // namespace

TAG_UI_ALGODATA_KRV3& cKrv32AlgoProviderBase::jobRecord() { return *maprAlgoParam->getAlgoKrv3UIData(); }

void cKrv32AlgoProviderBase::runStartSlot(eAlgoActionType type, const std::string& entry,
                                          const std::string& catchPrefix, tRunAction run) {
  logDiag("try " + entry);
  try {
    if (preActionStart(type) && run != nullptr) {
      postAlgoAction(static_cast<eAlgoReturnValues>((this->*run)()));
    }
  } catch (const std::string& text) {
    logDiag(catchPrefix + text);
    // Told or not, the action is closed.
    runLogged(catchPrefix, [&] { showMessage(text); });
    postAlgoAction(arvFailed);
  }
}

bool cKrv32AlgoProviderBase::preActionStart(eAlgoActionType type) {
  setProcessPriorityHigh();
  if (!maprKrv5Ctrl) {
    showMessage("Error: No Korvo control object available.");
    postAlgoAction(arvFailed);
    return false;
  }
  setKrvBusy();
  maprCpdCtrl.reset(new cK5CpdCtrl(*maprKrv5Ctrl, &maprAlgoParam->getRefCfgFileDeviceCpdConfigs()));
  // Only a read changes buffer 0.
  maprAlgoParam->getRefUiAlgoDataK3().prepareForAlgoAction(*maprAlgoParam->getByteArrayFromIndex(0),
                                                           type == aatRead ? 0 : 1);
  if (type == aatNoContinuity) {
    if (doPinNoConnectionTest()) {
      postAlgoAction(arvOk);
      return true;
    }
    logDiag("cKrv32AlgoProviderBase::preActionStart: Error: doPinNoConnectionTest() failed.");
    postAlgoAction(arvFailed);
    return false;
  }
  if (!doPinConnectionTest()) {
    logDiag("cKrv32AlgoProviderBase::preActionStart: Error: doPinConnectionTest() failed.");
    postAlgoAction(arvFailed);
    return false;
  }
  if (type == aatContinuity) {
    postAlgoAction(arvOk);
    return true;
  }
  if (!__createAlgo()) {
    logDiag("cKrv32AlgoProviderBase::preActionStart: Error: __createAlgo() failed.");
    postAlgoAction(arvFailed);
    return false;
  }
  // A cancel asked for before this point belongs to no action.
  createGACD(1);
  if (!CfgAlgoForSpecificAction(*getAlgo())) return failConfiguredAction("cfgAlgoForSpecificAction failed.");
  if (!getAlgo()->Config()) return failConfiguredAction("AbstractAlgoBase.Config() failed.");
  return true;
}

bool cKrv32AlgoProviderBase::failConfiguredAction(const std::string& devText) {
  showInternMessage(devText);
  maprGACD->bytes[gacdActionEnded] = 1;
  postAlgoAction(arvFailed);
  return false;
}

bool cKrv32AlgoProviderBase::__createAlgo() {
  if (!loadFPGAs("HDW")) {
    logDiag("cKrv32AlgoProviderBase::__createAlgo(): Error: loadFPGAs() failed.");
    return false;
  }
  // The timer takes the low 16 bits of the job's value.
  const unsigned short timerMs = static_cast<unsigned short>(maprAlgoParam->getUiFpgaTimerValue());
  if (!maprUiInterface->createUiFpgaTimer(timerMs)) {
    showMessage("Error: Failed to create Ui-FPGA timer.");
    return false;
  }
  if (!CreateAlgo()) {
    logDiag("cKrv32AlgoProviderBase::__createAlgo(): Error: CreateAlgo() failed.");
    return false;
  }
  AbstractAlgoBase* algo = getAlgo();
  if (algo == nullptr) {
    logDiag("cKrv32AlgoProviderBase::__createAlgo(): Error: getAlgo() failed.");
    return false;
  }
  algo->setAlgoUI(maprUiInterface.get());
  if (!algo->Init()) {
    showInternMessage("pAlgo->Init() -> false!");
    DeleteAlgo();
    return false;
  }
  if (!cfgUIData(*algo)) {
    logDiag("cfgUIData failed");
    return false;
  }
  return true;
}

bool cKrv32AlgoProviderBase::cfgUIData(AbstractAlgoBase& algo) {
  TAG_UI_ALGODATA_KRV3& record = jobRecord();
  record.setCheckProcessRet(algo.CheckProcess());
  record.setEpMax(algo.GetEpMax());
  record.setEpNumber(algo.GetEpNumber());
  logDiag("maprAlgoParam->getAlgoKrv3UIData().CheckProcessRet: " +
          std::to_string(record.getCheckProcessRet()));
  return record.getCheckProcessRet() == 0;
}

bool cKrv32AlgoProviderBase::CfgAlgoForSpecificAction(AbstractAlgoBase& algo) {
  switch (jobRecord().getActionMode() & 0x000F) {
    case 1:
      return false;
    case 2:
      algo.SetEpNumber(1);
      return true;
    case 8:
      algo.SetSinglNullMode();
      return true;
    default:
      return true;
  }
}

void cKrv32AlgoProviderBase::releaseAlgo() {
  // Without hardware no algorithm was ever made, and its release would reach
  // for the missing pin-driver control.
  if (maprKrv5Ctrl) DeleteAlgo();
}

namespace {

// What the close does after the final progress record, in order.
const unsigned int kReleaseSteps = 4;

}  // namespace

void cKrv32AlgoProviderBase::runReleaseStep(unsigned int step) {
  switch (step) {
    case 0:
      releaseAlgo();
      break;
    case 1:
      disableCPDs();
      break;
    case 2:
      disableVoltage();
      break;
    default:
      setKrvReady();
      break;
  }
}

void cKrv32AlgoProviderBase::runReleaseStepsFrom(unsigned int step) {
  for (; step < kReleaseSteps; ++step) runLogged(kCatchClose, [&] { runReleaseStep(step); });
}

void cKrv32AlgoProviderBase::postAlgoAction(eAlgoReturnValues result) {
  unsigned int next = 0;  // first release step not yet begun
  try {
    logDiag("try postAlgoAction");
    setProcessPriorityLow();
    maprGACD->bytes[gacdActionEnded] = 1;
    TAG_UI_ALGODATA_KRV3& record = jobRecord();
    if (!checkHdwOK()) {
      showInternMessage("checkHdwOK() failed.");
      record.setHdwCheckFailed(1);
      record.setHdwCheckFailCode(kHdwCheckFailCode);
    }
    if (record.getErrorInfoMode() == kErrorInfoModeAlgoCode) GetK3ErrInfo();
    if (result < 0) {
      logDiag("Action failed -> return value < 0");
      record.setActionFailed(1);
      record.setActionFailCode(kActionFailCode);
    }
    ShowProgress(reinterpret_cast<char*>(maprGACD->bytes), TAG_GLOBAL_ALGOCTRL_DATA::kSize);
    while (next < kReleaseSteps) runReleaseStep(next++);
  } catch (const std::string& text) {
    logDiag(kCatchClose + text);
    // The host may refuse again while told; the close must still not fail
    // towards its caller, or the start slot would close a second time.
    runLogged(kCatchClose, [&] { showMessage(text); });
    maprGACD->bytes[gacdActionEnded] = 1;
    jobRecord().setActionFailed(1);
    jobRecord().setActionFailCode(kActionFailCode);
    runLogged(kCatchClose, [&] {
      ShowProgress(reinterpret_cast<char*>(maprGACD->bytes), TAG_GLOBAL_ALGOCTRL_DATA::kSize);
    });
    // A host failure must not leave the programmer powered or busy: the
    // switch-off steps not yet begun still run.
    runReleaseStepsFrom(next);
  }
}

void cKrv32AlgoProviderBase::GetK3ErrInfo() {
  TAG_UI_ALGODATA_KRV3& record = jobRecord();
  if (record.getErrorCode() != 0) {
    record.setActionFailed(1);
    record.setActionFailCode(kActionFailCode);
  }
}

bool cKrv32AlgoProviderBase::checkHdwOK() { return true; }

void cKrv32AlgoProviderBase::setProcessPriorityHigh() { logDiag("setProcessPriorityHigh NOT enabled."); }

void cKrv32AlgoProviderBase::setProcessPriorityLow() { logDiag("setProcessPriorityLow NOT enabled."); }

// ------------------------------------------- FPGA loading and switching off

bool cKrv32AlgoProviderBase::resetFPGAs() {
  for (int i = 0; i < 4; ++i) logDiag("reset All FPGAs via page \"0\".");
  unsigned char ok = 0;
  cK5FPGACtrl* fpga = maprKrv5Ctrl ? maprKrv5Ctrl->getK5FPGACtrl(0, ok) : nullptr;
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
  for (unsigned int j = 0; j < hdw.getFpgaHdwImageCount(); ++j) {
    cFpgaHdwImageCtrl* image = hdw.getFpgaHdwImageCtrl(j);
    piDBlock& data = image->dbImage();
    if (image->getKindOfHdwImage() != kind || data.getData() == nullptr || data.getSize() == 0) continue;
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
  cK5CPDHdwCtrl global(*maprKrv5Ctrl, 0, ok);
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
  if (cK5AbstractPSCtrl* psCtrl = maprKrv5Ctrl->getPSCtrl()) psCtrl->switchOffSupplies();
}

// ---------------------------------------------------------- continuity test

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

bool cKrv32AlgoProviderBase::runContinuityKernel(cBaseDeviceLayout& layout, cPinConnectionData& result) {
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
