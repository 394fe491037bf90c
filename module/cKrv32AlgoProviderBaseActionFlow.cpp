// The start slots and the action they run: prepare, create and configure the
// algorithm, run one action, close.
#include "cKrv32AlgoProviderBase.h"

#include "AbstractAlgoBase.h"
#include "DiagnosticLog.h"
#include "cAlgoModuleUiInterface.h"
#include "cAlgoParam.h"
#include "cK5CpdCtrl.h"
#include "cKrv5Ctrl.h"
#include "slotGuard.h"

namespace {

// Codes the close writes into the job record.
const unsigned int kActionFailCode = 3003;
const unsigned int kHdwCheckFailCode = 3002;
// ErrorInfoMode value that turns the algorithm's error code into a failure.
const unsigned int kErrorInfoModeAlgoCode = 3;

// The low four bits of the job record's ActionMode, and the values the
// configuration acts on: refuse the action, run it with EP number 1, or in
// single null mode.
const unsigned int kActionModeMask = 0x000F;
const unsigned int kActionModeRefused = 1;
const unsigned int kActionModeEpOne = 2;
const unsigned int kActionModeSingleNull = 8;
const unsigned short kEpNumberOne = 1;

// The buffer the job record points the algorithm at.
const int kJobBufferIndex = 0;

// What the close does after the final progress record, in order.
enum eReleaseStep : unsigned int {
  rsReleaseAlgo = 0,
  rsDisableCPDs = 1,
  rsDisableVoltage = 2,
  rsSetReady = 3,
  kReleaseSteps = 4
};

// Runs one step of a failure path; whatever is thrown meanwhile is only
// logged, so the path still reaches its end.
template <class Step>
void runLogged(const std::string& prefix, Step step) {
  try {
    step();
  } catch (...) {
    try {
      logDiag(prefix + caughtText());
    } catch (...) {
    }
  }
}

const char* const kCatchClose = "catch postAlgoAction: ";

}  // namespace

void cKrv32AlgoProviderBase::Slot_StartProg(piModuleAddr) {
  runStartSlot(aatProg, "Slot_StartProg",
               "catch in Slot_StartProg: ", &cKrv32AlgoProviderBase::StartProg);
}

void cKrv32AlgoProviderBase::Slot_StartRead(piModuleAddr) {
  runStartSlot(aatRead, "Slot_StartRead",
               "catch Slot_StartRead: ", &cKrv32AlgoProviderBase::StartRead);
}

void cKrv32AlgoProviderBase::Slot_StartBlank(piModuleAddr) {
  runStartSlot(aatBlank, "Slot_StartBlank",
               "catch Slot_StartBlank: ", &cKrv32AlgoProviderBase::StartBlank);
}

void cKrv32AlgoProviderBase::Slot_StartVerify(piModuleAddr) {
  runStartSlot(aatVerify, "Slot_StartVerify",
               "catch Slot_StartVerify: ", &cKrv32AlgoProviderBase::StartVerify);
}

void cKrv32AlgoProviderBase::Slot_StartErase(piModuleAddr) {
  runStartSlot(aatErase, "Slot_StartErase",
               "catch Slot_StartErase: ", &cKrv32AlgoProviderBase::StartErase);
}

void cKrv32AlgoProviderBase::Slot_StartContinuity(piModuleAddr) {
  runStartSlot(aatContinuity, "Slot_StartContinuity", "", nullptr);
}

void cKrv32AlgoProviderBase::Slot_StartNoContinuity(piModuleAddr) {
  runStartSlot(aatNoContinuity, "Slot_StartNoContinuity", "", nullptr);
}

void cKrv32AlgoProviderBase::runStartSlot(eAlgoActionType type, const std::string& entry,
                                          const std::string& catchPrefix, tRunAction run) {
  // Only the entry line can fail outside the action; the action itself ends
  // in its close whatever is thrown.
  guardSlot(entry.c_str(), [&] {
    logDiag("try " + entry);
    // A start from a host event during an action would release the running
    // action's algorithm under it, or, from another provider, run a second
    // action on the same programmer.
    if (refusedDuringAction(entry)) return;
    struct tActionScope {
      explicit tActionScope(const cKrv32AlgoProviderBase* provider) { spActionProvider = provider; }
      ~tActionScope() { spActionProvider = nullptr; }
    } running(this);
    // The job record's full address of buffer 0 is for this action only: a
    // receive between actions may free the buffer, and nothing that lives
    // until the next slot may point into it.
    struct tForgetJobBuffer {
      cUiAlgoDataK3& jobData;
      ~tForgetJobBuffer() { jobData.forgetDataBuffer(); }
    } forget{maprAlgoParam->getRefUiAlgoDataK3()};
    try {
      if (preActionStart(type) && run != nullptr) {
        postAlgoAction(static_cast<eAlgoReturnValues>((this->*run)()));
      }
    } catch (...) {
      // The host's text, or anything else (memory exhausted, an algorithm's
      // own exception): nothing reaches the host, and the action is closed.
      std::string text;
      runLogged(catchPrefix, [&] {
        text = caughtText();
        logDiag(catchPrefix + text);
      });
      // Told or not, the action is closed.
      runLogged(catchPrefix, [&] { showMessage(text); });
      postAlgoAction(arvFailed);
    }
  });
}

// ------------------------------------------------------------ preparation

bool cKrv32AlgoProviderBase::preActionStart(eAlgoActionType type) {
  // Every action starts from a fresh record: a cancel sent before it, or the
  // previous action's final record, must not reach this action's close.
  createGACD(kResetCancel);
  setProcessPriorityHigh();
  if (!maprKrv5Ctrl) {
    showMessage("Error: No Korvo control object available.");
    postAlgoAction(arvFailed);
    return false;
  }
  setKrvBusy();
  maprCpdCtrl.reset(new cK5CpdCtrl(*maprKrv5Ctrl, &maprAlgoParam->getRefCfgFileDeviceCpdConfigs()));
  // Only a read changes buffer 0.
  tByteArray& jobBuffer = *maprAlgoParam->getByteArrayFromIndex(kJobBufferIndex);
  maprAlgoParam->getRefUiAlgoDataK3().prepareForAlgoAction(jobBuffer, type == aatRead ? 0 : 1);
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
  createGACD(kResetCancel);
  if (!CfgAlgoForSpecificAction(*getAlgo()))
    return failConfiguredAction("cfgAlgoForSpecificAction failed.");
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
  switch (jobRecord().getActionMode() & kActionModeMask) {
    case kActionModeRefused:
      return false;
    case kActionModeEpOne:
      algo.SetEpNumber(kEpNumberOne);
      return true;
    case kActionModeSingleNull:
      algo.SetSinglNullMode();
      return true;
    default:
      return true;
  }
}

TAG_UI_ALGODATA_KRV3& cKrv32AlgoProviderBase::jobRecord() {
  return *maprAlgoParam->getAlgoKrv3UIData();
}

// ------------------------------------------------------------------ close

void cKrv32AlgoProviderBase::releaseAlgo() {
  // Without hardware no algorithm was ever made, and its release would reach
  // for the missing pin-driver control.
  if (maprKrv5Ctrl) DeleteAlgo();
}

void cKrv32AlgoProviderBase::runReleaseStep(unsigned int step) {
  switch (step) {
    case rsReleaseAlgo:
      releaseAlgo();
      break;
    case rsDisableCPDs:
      disableCPDs();
      break;
    case rsDisableVoltage:
      disableVoltage();
      break;
    default:  // rsSetReady
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
  } catch (...) {
    // Whatever was thrown, and whatever fails again while it is told, the
    // close must not fail towards its caller, or the start slot would close
    // a second time.
    std::string text;
    runLogged(kCatchClose, [&] {
      text = caughtText();
      logDiag(kCatchClose + text);
    });
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

void cKrv32AlgoProviderBase::setProcessPriorityHigh() {
  logDiag("setProcessPriorityHigh NOT enabled.");
}

void cKrv32AlgoProviderBase::setProcessPriorityLow() {
  logDiag("setProcessPriorityLow NOT enabled.");
}
