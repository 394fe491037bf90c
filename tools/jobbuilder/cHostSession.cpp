#include "cHostSession.h"

cHostSession::cHostSession(cScaffoProvider& slots, const piModuleAddr& client)
    : mSlots(slots), mClient(client) {}

bool cHostSession::claim(std::string remoteId, std::string interface) {
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
  typedef void (cScaffoProvider::*tStartSlot)(piModuleAddr);
  static const struct {
    eAlgoActionType action;
    tStartSlot slot;
  } kStarts[] = {
      {aatProg, &cScaffoProvider::Slot_StartProg},
      {aatVerify, &cScaffoProvider::Slot_StartVerify},
      {aatBlank, &cScaffoProvider::Slot_StartBlank},
      {aatRead, &cScaffoProvider::Slot_StartRead},
      {aatErase, &cScaffoProvider::Slot_StartErase},
      {aatContinuity, &cScaffoProvider::Slot_StartContinuity},
      {aatNoContinuity, &cScaffoProvider::Slot_StartNoContinuity},
  };
  for (const auto& start : kStarts) {
    if (start.action == action) (mSlots.*start.slot)(mClient);
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
