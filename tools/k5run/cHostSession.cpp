#include "cHostSession.h"

namespace {

const char* const kRemoteId = "k5run";
const char* const kInterface = "USB";

}  // namespace

cHostSession::cHostSession(cScaffoProvider& slots, const piModuleAddr& client)
    : mSlots(slots), mClient(client) {}

bool cHostSession::claim() {
  std::string remoteId = kRemoteId;
  std::string interface = kInterface;
  unsigned char ok = 0;
  mSlots.Slot_ClaimKorvo(remoteId, interface, 1, ok, mClient);
  return ok == 1;
}

void cHostSession::unclaim() { mSlots.Slot_UnClaimKorvo(mClient); }

bool cHostSession::send(const JobBuilder& job) {
  for (tExchange& ex : job.exchanges()) {
    unsigned char ok = 0;
    ex.run([&](auto&... sf) { mSlots.Slot_ReceiveData(sf..., ok, mClient); });
    if (ok != 1) return false;
  }
  return true;
}

bool cHostSession::loadContinuityImages() {
  unsigned char ok = 0;
  mSlots.Slot_LoadFpgaForContinuity(ok, mClient);
  return ok == 1;
}

void cHostSession::start(eAlgoActionType action) {
  switch (action) {
    case aatProg:
      mSlots.Slot_StartProg(mClient);
      break;
    case aatVerify:
      mSlots.Slot_StartVerify(mClient);
      break;
    case aatBlank:
      mSlots.Slot_StartBlank(mClient);
      break;
    case aatRead:
      mSlots.Slot_StartRead(mClient);
      break;
    case aatErase:
      mSlots.Slot_StartErase(mClient);
      break;
    case aatContinuity:
      mSlots.Slot_StartContinuity(mClient);
      break;
    case aatNoContinuity:
      mSlots.Slot_StartNoContinuity(mClient);
      break;
  }
}

void cHostSession::cancel() { mSlots.Slot_CancelAction(mClient); }

bool cHostSession::fetch(tExchange& request) {
  unsigned char ok = 0;
  request.run([&](auto&... sf) { mSlots.Slot_SendData(sf..., ok, mClient); });
  return ok == 1;
}

bool cHostSession::fetchJobRecord(TAG_UI_ALGODATA_KRV3& record) {
  tExchange request = JobBuilder().fetch(cDataTransferDescriptor::dtAlgoKrv3UIData).exchange();
  cUiAlgoDataK3 answer;
  if (!fetch(request) || !(answer << request.data(0))) return false;
  record = *answer.getUiAlgoDataK3Struct();
  return true;
}

bool cHostSession::fetchBuffer(unsigned int size, std::vector<unsigned char>& bytes) {
  tExchange request = JobBuilder().fetchWindow(ctFullData, 0, 0, size).exchange();
  return fetch(request) && readWindow(request.data(0), bytes) && bytes.size() == size;
}

bool cHostSession::fetchDeviceConfig(cDeviceParam& param) {
  tExchange request = JobBuilder().fetch(cDataTransferDescriptor::dtDeviceAlgPrm).exchange();
  return fetch(request) && (param << request.data(0));
}
