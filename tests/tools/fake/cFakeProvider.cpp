#include "cFakeProvider.h"

#include <csignal>
#include <cstdlib>

#include "DiagnosticLog.h"
#include "cAlgoDataReceiveKrvHandler.h"
#include "cAlgoDataSendKrvHandler.h"
#include "cDTFrame.h"
#include "cPinConnectionData.h"
#include "cUiAlgoDataK3.h"

namespace {

const char* const kScriptVariable = "K5RUN_FAKE";
// The time-out the real modules give a synchronous signal.
const unsigned int kTimeout = 20000;

const struct {
  const char* name;
  cFakeProvider::eScript script;
} kScripts[] = {
    {"zero-pins", cFakeProvider::fsZeroPins},
    {"unclaim-throws", cFakeProvider::fsUnclaimThrows},
    {"stop-after-first-action", cFakeProvider::fsStopAfterFirstAction},
};

cFakeProvider::eScript scriptFromEnvironment() {
  const char* value = std::getenv(kScriptVariable);
  const std::string name = value != nullptr ? value : "";
  std::string known;
  for (const auto& s : kScripts) {
    if (name == s.name) return s.script;
    known += (known.empty() ? "" : ", ") + std::string(s.name);
  }
  throw std::string(kScriptVariable) + "=\"" + name + "\" is none of the fake's scripts: " + known;
}

// Not the cleared buffer the runner sends, so that a read-out written shows.
unsigned char readOutByte(unsigned int i) {
  return static_cast<unsigned char>((i * 29u + 11u) ^ (i >> 8));
}

}  // namespace

cFakeProvider::cFakeProvider(cMPDE* mpde, std::string name)
    : cAbstractModule(mpde, std::move(name)),
      cScaffoProvider(),
      mScript(scriptFromEnvironment()),
      mJob(new cAlgoParam(tByteArray::slModule, 1, 0, 0)) {
  cModuleInfo* info = getModuleInfo();
  info->setVersion(1);
  info->setName("Fake");
  info->setShortDesc("scripted answers for the runner tests");
  info->setRuntimeShortDesc(info->getShortDesc());
  setEventManager(this, 0, "");
}

cFakeProvider::~cFakeProvider() = default;

// ---------------------------------------------------------------- claim

void cFakeProvider::Slot_UnClaimKorvo(piModuleAddr) {
  mRemoteId.clear();
  mInterface.clear();
  if (mScript == fsUnclaimThrows) {
    logDiag("unclaim: throwing as the host library");
    throw std::string("the programmer went away during the unclaim");
  }
}

void cFakeProvider::Slot_ClaimKorvo(std::string& remoteId, std::string& interface, unsigned char,
                                    unsigned char& ok, piModuleAddr) {
  mRemoteId = remoteId;
  mInterface = interface;
  ok = 1;
}

void cFakeProvider::Slot_GetKorvoTypeAndClaimInfo(int& type, std::string& remoteId,
                                                  std::string& interface, piModuleAddr) {
  type = 0;
  remoteId = mRemoteId;
  interface = mInterface;
}

// ---------------------------------------------------------------- job exchange

void cFakeProvider::Slot_ReceiveData(piSubFrame& f1, piSubFrame& f2, piSubFrame& f3, piSubFrame& f4,
                                     piSubFrame& f5, piSubFrame& f6, piSubFrame& f7, piSubFrame& f8,
                                     piSubFrame& f9, unsigned char& ok, piModuleAddr) {
  cAlgoDataReceiveKrvHandler handler(*mJob, f1, f2, f3, f4, f5, f6, f7, f8, f9);
  ok = handler.processingReceivedData() ? 1 : 0;
}

void cFakeProvider::Slot_SendData(piSubFrame& f1, piSubFrame& f2, piSubFrame& f3, piSubFrame& f4,
                                  piSubFrame& f5, piSubFrame& f6, piSubFrame& f7, piSubFrame& f8,
                                  piSubFrame& f9, unsigned char& ok, piModuleAddr) {
  cAlgoDataSendKrvHandler handler(*mJob, f1, f2, f3, f4, f5, f6, f7, f8, f9);
  ok = handler.processingReceivedData() ? 1 : 0;
}

void cFakeProvider::Slot_LoadFpgaForContinuity(unsigned char& ok, piModuleAddr) { ok = 1; }

// ---------------------------------------------------------------- actions

void cFakeProvider::endWithGoodRecord() {
  TAG_UI_ALGODATA_KRV3* record = mJob->getAlgoKrv3UIData();
  record->setActionFailed(0);
  record->setActionFailCode(0);
  record->setHdwCheckFailed(0);
  record->setHdwCheckFailCode(0);
  mJob->getRefUiAlgoDataK3().ClearK3ErrorInfo();
}

// As a real module, each action runs the continuity test first when the job
// asks for it; zero-pins sends what a layout without a pin to test gives.
void cFakeProvider::testContinuity(piModuleAddr addr) {
  if (mScript != fsZeroPins || mJob->getDoDeviceContinuityTest() == 0) return;
  cPinConnectionData none(0, 0);
  cDTFrame frame;
  none.makeDTFrame(frame);
  piSubFrame subFrame;
  subFrame.loadFromFrame(&frame);
  syncSig_PinConnectionData(subFrame, addr, kTimeout);
}

void cFakeProvider::Slot_StartProg(piModuleAddr addr) {
  plainAction(addr);
  // Last: the signal comes once the action is over, before the next one.
  if (mScript == fsStopAfterFirstAction) std::raise(SIGINT);
}

void cFakeProvider::Slot_StartRead(piModuleAddr addr) {
  testContinuity(addr);
  tByteArray* buffer = mJob->getByteArrayFromBufferId(0);
  unsigned char* bytes = buffer->getDataUnConst();
  for (unsigned int i = 0; bytes != nullptr && i < buffer->GetSize(); ++i)
    bytes[i] = readOutByte(i);
  endWithGoodRecord();
}

void cFakeProvider::plainAction(piModuleAddr addr) {
  testContinuity(addr);
  endWithGoodRecord();
}

void cFakeProvider::Slot_StartBlank(piModuleAddr addr) { plainAction(addr); }
void cFakeProvider::Slot_StartVerify(piModuleAddr addr) { plainAction(addr); }
void cFakeProvider::Slot_StartErase(piModuleAddr addr) { plainAction(addr); }
void cFakeProvider::Slot_StartContinuity(piModuleAddr addr) { plainAction(addr); }
void cFakeProvider::Slot_StartNoContinuity(piModuleAddr addr) { plainAction(addr); }

// Nothing runs in the background that a cancel could stop.
void cFakeProvider::Slot_CancelAction(piModuleAddr) {}

// ---------------------------------------------------------------- not served
//
// k5run calls none of these: each answers as a slot the module does not serve.

void cFakeProvider::FirstFpgaInitSlotSync(unsigned char& ok, piModuleAddr) { ok = 0; }
void cFakeProvider::LoadBattOffSlotSync(piModuleAddr) {}
void cFakeProvider::LoadBattOnSlotSync(piModuleAddr) {}
void cFakeProvider::FindKrvTixDllSlotSync(unsigned char& ok, piModuleAddr) { ok = 0; }
void cFakeProvider::ResetKorvoSlotSync(piModuleAddr) {}
void cFakeProvider::KorvoTestFktSlotSync(int&, std::string&, piModuleAddr) {}
void cFakeProvider::CalibVoltageSlotSync(unsigned char& ok, piModuleAddr) { ok = 0; }
void cFakeProvider::ScanVsupplySlotSync(unsigned int& value, piModuleAddr) { value = 0; }
void cFakeProvider::ScanVBattSlotSync(unsigned int& value, piModuleAddr) { value = 0; }
void cFakeProvider::StartBattTimerSlotSync(int, unsigned char& ok, piModuleAddr) { ok = 0; }
void cFakeProvider::ReadEepromSlotSync(unsigned int& value, piModuleAddr) { value = 0; }
void cFakeProvider::FpgaTestSlotSync(unsigned int, unsigned int& result, unsigned char& ok,
                                     piModuleAddr) {
  result = 0;
  ok = 0;
}
void cFakeProvider::setProviderCheckSumSlot(unsigned int, piModuleAddr) {}
void cFakeProvider::getProviderCheckSumSlot(unsigned int& value, piModuleAddr) { value = 0; }
void cFakeProvider::getProviderVersionSlot(unsigned int& value, piModuleAddr) {
  value = getModuleInfo()->getVersion();
}
void cFakeProvider::Slot_DbgNextStep(piModuleAddr) {}
void cFakeProvider::Slot_DbgIgnore(unsigned char, piModuleAddr) {}
void cFakeProvider::Slot_PostActionFkt(unsigned char& ok, piModuleAddr) { ok = 0; }
