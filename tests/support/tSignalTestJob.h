#ifndef T_SIGNAL_TEST_JOB_H
#define T_SIGNAL_TEST_JOB_H

// A signal-test job as a host sends it; a cHostSession sends it to any
// provider, in process or in a loaded module.

#include <string>
#include <vector>

#include "JobBuilder.h"
#include "cCfgFileDeviceCpdConfigs.h"
#include "cUiAlgoDataK3.h"
#include "jobParts.h"

namespace signalTestJob {

// Register values of the two configurations, both on register 5 of slot 1.
const unsigned int kSetupValue = 0x0A55;
const unsigned int kShutdownValue = 0x0001;
const unsigned int kConfigSlot = 1;
const unsigned int kConfigRegister = 5;

// Continuity test off, a 10 ms UI timer, action mode 0, one "HDW" image and
// the configurations "SETUP" and "SHUTDOWN", each unless left out.
inline JobBuilder job(bool withSetup = true, bool withShutdown = true) {
  std::vector<std::string> labels;
  if (withSetup) labels.push_back("SETUP");
  if (withShutdown) labels.push_back("SHUTDOWN");
  const cCfgFileDeviceCpdConfigs configs = pinDriverConfigs(labels, [](const std::string& label) {
    const unsigned int value = label == "SETUP" ? kSetupValue : kShutdownValue;
    return std::vector<tCpdPin>{{kConfigSlot, kConfigRegister, value, 0, "P1"}};
  });
  TAG_UI_ALGODATA_KRV3 record = *cUiAlgoDataK3().getUiAlgoDataK3Struct();
  record.setActionMode(0);
  JobBuilder builder;
  builder.parameterSet(0, 10, "", "Verify")
      .jobRecord(record)
      .hardwareParams(hardwareParamsWith({hdwImage("HDW", {1, 2, 3})}))
      .pinDriverConfigs(configs);
  return builder;
}

}  // namespace signalTestJob

#endif
