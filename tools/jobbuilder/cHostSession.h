#ifndef C_HOST_SESSION_H
#define C_HOST_SESSION_H

#include <string>
#include <vector>

#include "JobBuilder.h"
#include "cDeviceParam.h"
#include "cScaffoProvider.h"
#include "cUiAlgoDataK3.h"
#include "eAlgoActionType.h"
#include "piModuleAddr.h"

// The host's side of a provider's slots for one client: claim, job exchange,
// start, fetching results, cancel and release. Each call answers true when
// the provider took or answered it.
class cHostSession {
public:
  cHostSession(cScaffoProvider& slots, const piModuleAddr& client);

  // The programmer for the host program named remoteId over the interface.
  bool claim(std::string remoteId, std::string interface = "USB");
  void unclaim();

  // Every exchange of the job; false at the first one refused.
  bool send(const JobBuilder& job);
  // The images of kind "HDW_CONTINUITY", as a host loads them before a continuity test.
  bool loadContinuityImages();
  void start(eAlgoActionType action);
  void cancel();

  bool fetchJobRecord(TAG_UI_ALGODATA_KRV3& record);
  bool fetchBuffer(unsigned int size, std::vector<unsigned char>& bytes);
  bool fetchDeviceConfig(cDeviceParam& param);

private:
  bool fetch(tExchange& request);

  cScaffoProvider& mSlots;
  piModuleAddr mClient;
};

#endif
