#include "cK5AlgoProvider.h"

#include "cAlgoModuleUiInterface.h"
#include "cAlgoParam.h"
#include "cK5CpdCtrl.h"
#include "mcAlgo.h"
#include "mcHInterface.h"

// The name comes from the list of deliverables (cmake/deliverables.cmake).
const char* const cK5AlgoProvider::kModuleName = LS_MODULE_NAME;

namespace {

const char* const kSetupConfig = "SETUP";
const char* const kShutdownConfig = "SHUTDOWN";
const bool kConfigBank = false;

}  // namespace

// The pin drivers get "SETUP" here, not in the test: a failure to load it
// fails the action before the test starts.
bool cK5AlgoProvider::CreateAlgo() {
  unsigned char ok = 0;
  mcHInterface* hInterface =
      new mcHInterface(*getKrv5Ctrl(), getK5CpdCtrl(), ok, *getAlgoUiInterface());
  maprHInterface.reset(hInterface);
  if (!ok) {
    maprHInterface.reset();
    return false;
  }
  cAlgoParam& ap = getAP();
  maprAlgo.reset(new mcAlgo(hInterface, ap.getDeviceAlgPrm(), ap.getAlgoKrv3UIData()));
  if (!getK5CpdCtrl().enableCpdConfig(kSetupConfig, kConfigBank)) {
    getAlgoUiInterface()->K4ShowMessage(getK5CpdCtrl().getErrorInfo().c_str());
    return false;
  }
  return true;
}

// The interface goes first, then the algorithm. Nothing outlives its action:
// a host text during "SHUTDOWN" still releases both, then goes on to the close.
void cK5AlgoProvider::DeleteAlgo() {
  auto release = [this] {
    maprHInterface.reset();
    maprAlgo.reset();
  };
  try {
    if (!getK5CpdCtrl().enableCpdConfig(kShutdownConfig, kConfigBank)) {
      getAlgoUiInterface()->K4ShowMessage(getK5CpdCtrl().getErrorInfo().c_str());
    }
  } catch (...) {
    release();
    throw;
  }
  release();
}
