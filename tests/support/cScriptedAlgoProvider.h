#ifndef C_SCRIPTED_ALGO_PROVIDER_H
#define C_SCRIPTED_ALGO_PROVIDER_H

#include <memory>
#include <string>
#include <vector>

#include "cAlgoModuleUiInterface.h"
#include "cAlgoParam.h"
#include "cK5CpdCtrl.h"
#include "cKrv32AlgoProviderBase.h"
#include "cScriptedAlgo.h"

// A provider over the real base whose factory builds a cScriptedAlgo. Its
// release does what a deliverable's does: "SHUTDOWN" configuration first
// (its failure shown as text), then the algorithm goes, also when the host
// throws during "SHUTDOWN" (its text then goes on to the close).
class cScriptedAlgoProvider : public cKrv32AlgoProviderBase {
public:
  cScriptedAlgoProvider() : cKrv32AlgoProviderBase(nullptr, "ScriptedProvider") {}
  ~cScriptedAlgoProvider() override { maprAlgo.reset(); }

  tAlgoScript script;
  // Every factory and algorithm call, in order ("~" is the algorithm's end).
  std::vector<std::string> calls;
  bool createResult = true;      // false builds nothing
  bool createBuildsAlgo = true;  // false: CreateAlgo answers without an algorithm

  bool CreateAlgo() override {
    calls.push_back("CreateAlgo");
    if (!createResult) return false;
    if (createBuildsAlgo)
      maprAlgo.reset(new cScriptedAlgo(getAP().getAlgoKrv3UIData(), script, calls));
    return true;
  }
  void DeleteAlgo() override {
    calls.push_back("DeleteAlgo");
    try {
      if (!getK5CpdCtrl().enableCpdConfig("SHUTDOWN", false)) {
        getAlgoUiInterface()->K4ShowMessage(getK5CpdCtrl().getErrorInfo().c_str());
      }
    } catch (...) {
      maprAlgo.reset();
      throw;
    }
    maprAlgo.reset();
  }
  AbstractAlgoBase* getAlgo() override { return maprAlgo.get(); }
  short StartProg() override { return maprAlgo->Program(); }
  short StartRead() override { return maprAlgo->Read(); }
  short StartBlank() override { return maprAlgo->BlankCheck(); }
  short StartVerify() override { return maprAlgo->Verify(); }
  short StartErase() override { return maprAlgo->Erase(); }

  cScriptedAlgo* algo() const { return maprAlgo.get(); }

private:
  std::unique_ptr<cScriptedAlgo> maprAlgo;
};

#endif
