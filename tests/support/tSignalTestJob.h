#ifndef T_SIGNAL_TEST_JOB_H
#define T_SIGNAL_TEST_JOB_H

// A signal-test job as a host sends it, and the host's side of the slots it
// needs; works on any provider, in process or in a loaded module.

#include <string>
#include <vector>

#include "JobBuilder.h"
#include "cCfgFileDeviceCpdConfig.h"
#include "cCfgFileDeviceCpdConfigs.h"
#include "cCfgFileDeviceCpdPinData.h"
#include "cFpgaHdwImageCtrl.h"
#include "cKxHdwParam.h"
#include "cScaffoProvider.h"
#include "cUiAlgoDataK3.h"
#include "frameIo.h"
#include "piModuleAddr.h"
#include "piSubFrame.h"

namespace signalTestJob {

// Register values of the two configurations, both on register 5 of slot 1.
const unsigned int kSetupValue = 0x0A55;
const unsigned int kShutdownValue = 0x0001;
const unsigned int kConfigSlot = 1;
const unsigned int kConfigRegister = 5;

inline cCfgFileDeviceCpdConfig* config(const std::string& label, unsigned int value) {
  cCfgFileDeviceCpdConfig* c = new cCfgFileDeviceCpdConfig(0);
  c->getRefLabel() = label;
  c->addPinDef(new cCfgFileDeviceCpdPinData(kConfigSlot, kConfigRegister, value, 0, "P1"));
  return c;
}

inline cKxHdwParam hdwParams() {
  piSubFrame sf;
  sf.addString("HDW.bin");
  sf.addString("HDW");
  sf.addBlock(std::vector<char>{1, 2, 3});
  sf.addUInt32(0);
  cFpgaHdwImageCtrl image;
  receiveRecord(image, sf);
  cKxHdwParam params(hptDefault);
  params.addFpgaHdwImageCtrl(image);
  return params;
}

// Continuity test off, a 10 ms UI timer, action mode 0, one "HDW" image and
// the configurations "SETUP" and "SHUTDOWN", each unless left out.
inline JobBuilder job(bool withSetup = true, bool withShutdown = true) {
  cCfgFileDeviceCpdConfigs configs;
  if (withSetup) configs.addCpdConfig(config("SETUP", kSetupValue));
  if (withShutdown) configs.addCpdConfig(config("SHUTDOWN", kShutdownValue));
  TAG_UI_ALGODATA_KRV3 record = *cUiAlgoDataK3().getUiAlgoDataK3Struct();
  record.setActionMode(0);
  JobBuilder builder;
  builder.parameterSet(0, 10, "", "Verify")
      .jobRecord(record)
      .hardwareParams(hdwParams())
      .pinDriverConfigs(configs);
  return builder;
}

// True when every exchange was taken.
inline bool send(cScaffoProvider& provider, const JobBuilder& builder, piModuleAddr caller) {
  for (tExchange& ex : builder.exchanges()) {
    unsigned char ok = 0;
    ex.run([&](auto&... sf) { provider.Slot_ReceiveData(sf..., ok, caller); });
    if (ok != 1) return false;
  }
  return true;
}

// The job record as the module holds it now.
inline bool fetchJobRecord(cScaffoProvider& provider, cUiAlgoDataK3& record, piModuleAddr caller) {
  tExchange answer = JobBuilder().fetch(cDataTransferDescriptor::dtAlgoKrv3UIData).exchange();
  unsigned char ok = 0;
  answer.run([&](auto&... sf) { provider.Slot_SendData(sf..., ok, caller); });
  return ok == 1 && (record << answer.data(0));
}

}  // namespace signalTestJob

#endif
