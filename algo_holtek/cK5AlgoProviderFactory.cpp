#include "cK5AlgoProvider.h"

#include "cAlgoModuleUiInterface.h"
#include "cAlgoParam.h"
#include "cK5CpdCtrl.h"
#include "mcAlgo.h"
#include "mcHInterface.h"

// The name comes from the list of deliverables (cmake/deliverables.cmake).
const char* const cK5AlgoProvider::kModuleName = LS_MODULE_NAME;

// Interface first, then the algorithm over it. No pin-driver configuration is
// loaded here; the algorithm loads its own.
bool cK5AlgoProvider::CreateAlgo() {
  // Whatever an earlier action left goes before the new interface exists:
  // an old interface destroyed later would disable the programming interface
  // under the new one.
  maprAlgo.reset();
  maprHInterface.reset();
  if (getKrv5Ctrl() == nullptr || getAlgoUiInterface() == nullptr) return false;

  unsigned char ok = 0;
  mcHInterface* hw = new mcHInterface(*getKrv5Ctrl(), getK5CpdCtrl(), ok, *getAlgoUiInterface());
  maprHInterface.reset(hw);
  if (!ok) {
    maprHInterface.reset();
    return false;
  }
  cAlgoParam& ap = getAP();
  maprAlgo.reset(new mcAlgo(hw, ap.getDeviceAlgPrm(), ap.getAlgoKrv3UIData()));
  return true;
}

// "SHUTDOWN" first. The algorithm and then its interface go whatever happens
// there, also when the host throws: no algorithm may outlive its action.
void cK5AlgoProvider::DeleteAlgo() {
  struct tRelease {
    cK5AlgoProvider& provider;
    ~tRelease() {
      provider.maprAlgo.reset();
      provider.maprHInterface.reset();
    }
  } release{*this};

  cK5CpdCtrl& cpd = getK5CpdCtrl();
  if (!cpd.enableCpdConfig("SHUTDOWN", false)) {
    getAlgoUiInterface()->K4ShowMessage(cpd.getErrorInfo().c_str());
  }
}
