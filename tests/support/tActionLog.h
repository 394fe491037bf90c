#ifndef T_ACTION_LOG_H
#define T_ACTION_LOG_H

// The diagnostic lines a deliverable's provider writes for one start slot,
// with the tests' usual job (continuity test off, one "HDW" image), in
// pieces to join into the exact log of an action.

#include <string>
#include <vector>

#include "tLineTap.h"

namespace actionLog {

inline tLines join(const std::vector<tLines>& parts) {
  tLines all;
  for (const tLines& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// The slot's entry up to the images loaded for the action.
inline tLines opening(const std::string& slot) {
  const std::string reset = "PIDBG: reset All FPGAs via page \"0\".";
  return {"PIDBG: try " + slot,
          "PIDBG: setProcessPriorityHigh NOT enabled.",
          "PIDBG: Continuity Test disabled",
          reset,
          reset,
          reset,
          reset,
          "PIDBG: LoadFPGAs with HDW Ok."};
}

// The algorithm built, configured and its preparation passed.
const tLines kPrepared = {"PIDBG: maprAlgoParam->getAlgoKrv3UIData().CheckProcessRet: 0"};
// The factory built no algorithm.
const tLines kNotCreated = {
    "PIDBG: cKrv32AlgoProviderBase::__createAlgo(): Error: CreateAlgo() failed.",
    "PIDBG: cKrv32AlgoProviderBase::preActionStart: Error: __createAlgo() failed."};
// The close begins.
const tLines kClose = {"PIDBG: try postAlgoAction", "PIDBG: setProcessPriorityLow NOT enabled."};
const tLines kFailed = {"PIDBG: Action failed -> return value < 0"};

// A configuration made live, or not found.
inline tLines configLive(const std::string& label) {
  return {"PIDBG: cK5CpdCtrl::enableCpdConfig for \"" + label + "\" OK."};
}
inline tLines configMissing(const std::string& label) {
  return {"PIDBG: cK5CpdCtrl::transmitCpdConfig::setupCpdConfig(sLabel) failed. " + label,
          "PIDBG: cK5CpdCtrl::enableCpdConfig::transmitCpdConfig failed. " + label};
}

}  // namespace actionLog

#endif
