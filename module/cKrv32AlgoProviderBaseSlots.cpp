// The slots that run no action: identity, debug, claim, data exchange, cancel
// and the synchronous service slots.
#include "cKrv32AlgoProviderBase.h"

#include "DiagnosticLog.h"
#include "cAlgoDataReceiveKrvHandler.h"
#include "cAlgoDataSendKrvHandler.h"
#include "cAlgoParam.h"
#include "cK5AbstractPSCtrl.h"
#include "cK5Config.h"
#include "cK5ProductInfo.h"
#include "cK5StateCtrl.h"
#include "cKorvo5Device.h"
#include "cKrv5Ctrl.h"
#include "slotGuard.h"

namespace {

// One byte for the whole module: refuses a second entry into the checksum
// read while the first is still running.
unsigned char checkSumGuard = 0;

// The same for the data receive; one flag for all providers of the module.
unsigned char receiveGuard = 0;

// Log line of the claim and type slots when there is no state controller to ask.
const char* const kNoStateCtrl = "Error: No Korvo control object available.";

// Product types the host knows, and how the type slot numbers them for it.
const int kUnknownProductType = 0;
const int kFirstProductType = 1;
const int kLastProductType = 4;
const int kKorvoTypeOffset = 9;

// The supply control reads seven supplies; the slot answers the last one, in
// volts, or a marker value when the read fails.
const unsigned int kSupplyReadings = 7;
const unsigned int kScannedSupply = 6;
const float kMillivoltsPerVolt = 1000.0f;
const unsigned int kSupplyReadFailed = 5555555;

// There is no battery to measure; the slot gives a fixed answer.
const unsigned int kBatteryAnswer = 666;

}  // namespace

void cKrv32AlgoProviderBase::setProviderCheckSumSlot(unsigned int value, piModuleAddr addr) {
  guardSlot("setProviderCheckSumSlot", [&] {
    replyAddress = addr;
    logDiag("cKrv32AlgoProviderBase::setProviderCheckSumSlot -> iCheckSum = " + getStr(value));
    iCheckSum = value;
  });
}

void cKrv32AlgoProviderBase::getProviderCheckSumSlot(unsigned int& value, piModuleAddr addr) {
  guardSlot("getProviderCheckSumSlot", [&] {
    if (checkSumGuard) {
      logDiag("Double ertry of Slot detected.");
      return;
    }
    tFlagScope guard(checkSumGuard);
    replyAddress = addr;
    logDiag("cKrv32AlgoProviderBase::getProviderCheckSumSlot -> iCheckSum = " + getStr(iCheckSum));
    value = iCheckSum;
  });
}

void cKrv32AlgoProviderBase::getProviderVersionSlot(unsigned int& value, piModuleAddr addr) {
  guardSlot("getProviderVersionSlot", [&] {
    replyAddress = addr;
    value = getModuleInfo()->getVersion();
  });
}

// The debug, post-action and cancel slots only set bytes: nothing in them can throw.
void cKrv32AlgoProviderBase::Slot_DbgNextStep(piModuleAddr) { dbgNextStep = 1; }

void cKrv32AlgoProviderBase::Slot_DbgIgnore(unsigned char value, piModuleAddr) {
  dbgIgnore = value;
}

void cKrv32AlgoProviderBase::Slot_PostActionFkt(unsigned char& ok, piModuleAddr) { ok = 1; }

// ---------------------------------------------------------------- claim

void cKrv32AlgoProviderBase::Slot_UnClaimKorvo(piModuleAddr) {
  guardSlot("Slot_UnClaimKorvo", [&] {
    if (cK5StateCtrl* state = stateCtrl()) {
      state->unclaimDevice();
    }
  });
}

void cKrv32AlgoProviderBase::Slot_ClaimKorvo(std::string& remoteId, std::string& interface,
                                             unsigned char flag, unsigned char& ok,
                                             piModuleAddr addr) {
  ok = 0;
  guardSlot("Slot_ClaimKorvo", ok, [&] { claimKorvo(remoteId, interface, flag, ok, addr); });
}

void cKrv32AlgoProviderBase::claimKorvo(std::string& remoteId, std::string& interface,
                                        unsigned char flag, unsigned char& ok, piModuleAddr addr) {
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
    logDiag(
        "Failed to claim korvo: Claim data claimedRemoteId and claimedInterface are not equal.");
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
  guardSlot("Slot_GetKorvoTypeAndClaimInfo",
            [&] { getKorvoTypeAndClaimInfo(type, remoteId, interface); });
}

void cKrv32AlgoProviderBase::getKorvoTypeAndClaimInfo(int& type, std::string& remoteId,
                                                      std::string& interface) {
  cK5Config* config = maprKrv5Ctrl ? maprKrv5Ctrl->getKorvo5Device().config() : nullptr;
  cK5ProductInfo* product = config != nullptr ? config->productInfo() : nullptr;
  if (product == nullptr) {
    logDiag(kNoStateCtrl);
    return;
  }
  const int productType = product->productType();
  if (productType >= kFirstProductType && productType <= kLastProductType) {
    type = productType + kKorvoTypeOffset;
  } else if (productType == kUnknownProductType) {
    logDiag("Unknown type. (Error / Bug in firmware).");
  }
  logDiag("Korvo-Type:       " + product->productName());
  getClaimInfo(remoteId, interface);
}

// ------------------------------------------------- data exchange and cancel

void cKrv32AlgoProviderBase::Slot_ReceiveData(piSubFrame& f1, piSubFrame& f2, piSubFrame& f3,
                                              piSubFrame& f4, piSubFrame& f5, piSubFrame& f6,
                                              piSubFrame& f7, piSubFrame& f8, piSubFrame& f9,
                                              unsigned char& ok, piModuleAddr addr) {
  ok = 0;
  guardSlot("Slot_ReceiveData", ok, [&] {
    logDiag("Start Slot_ReceiveData");
    if (receiveGuard) {
      logDiag("Double ertry of Slot detected.");
      return;
    }
    // A host event during an action must not change its job: the algorithm
    // holds buffer 0 and the pin-driver control the configurations, and a
    // replacing receive would free them under it. Nor does another provider
    // of the module take a job for the programmer while it is busy.
    if (refusedDuringAction("Slot_ReceiveData")) return;
    // Released also when the handler is left by an exception, so one failed
    // receive cannot lock out every later job.
    tFlagScope guard(receiveGuard);
    replyAddress = addr;
    cAlgoDataReceiveKrvHandler handler(*maprAlgoParam, f1, f2, f3, f4, f5, f6, f7, f8, f9);
    if (handler.processingReceivedData()) {
      ok = 1;
    }
  });
}

void cKrv32AlgoProviderBase::Slot_SendData(piSubFrame& f1, piSubFrame& f2, piSubFrame& f3,
                                           piSubFrame& f4, piSubFrame& f5, piSubFrame& f6,
                                           piSubFrame& f7, piSubFrame& f8, piSubFrame& f9,
                                           unsigned char& ok, piModuleAddr addr) {
  ok = 0;
  guardSlot("Slot_SendData", ok, [&] {
    logDiag("Start Slot_SendData");
    replyAddress = addr;
    cAlgoDataSendKrvHandler handler(*maprAlgoParam, f1, f2, f3, f4, f5, f6, f7, f8, f9);
    if (handler.processingReceivedData()) {
      ok = 1;
    }
  });
}

// Sets bytes only: nothing in it can throw.
void cKrv32AlgoProviderBase::Slot_CancelAction(piModuleAddr addr) {
  replyAddress = addr;
  maprGACD->bytes[gacdCancelRequest] = 1;
}

// --------------------------------------------------- synchronous services

void cKrv32AlgoProviderBase::beginServiceSlot(const char* name, piModuleAddr addr) {
  replyAddress = addr;
  // The log line is all that could fail here; the service answers the same without it.
  guardSlot(name, [name] { logDiag(name); });
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
  guardSlot(
      "ScanVsupplySlotSync",
      [&] {
        unsigned int v[kSupplyReadings] = {0, 0, 0, 0, 0, 0, 0};
        // Without hardware there is nothing to read: answered as a failed read.
        cK5AbstractPSCtrl* psCtrl = maprKrv5Ctrl ? maprKrv5Ctrl->getPSCtrl() : nullptr;
        if (psCtrl == nullptr ||
            !psCtrl->readSupplyVoltages(v[0], v[1], v[2], v[3], v[4], v[5], v[6])) {
          logDiag("Error: Get voltages failed.");
          value = kSupplyReadFailed;
          return;
        }
        const float mV = static_cast<float>(v[kScannedSupply]);
        value = static_cast<unsigned int>(mV / kMillivoltsPerVolt);
      },
      [&value] { value = kSupplyReadFailed; });
}

void cKrv32AlgoProviderBase::ScanVBattSlotSync(unsigned int& value, piModuleAddr addr) {
  beginServiceSlot("ScanVBattSlotSync", addr);
  value = kBatteryAnswer;
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
  guardSlot("FpgaTestSlotSync", [] { logDiag("FpgaTestSlotSync"); });
}
