#ifndef C_SCRIPTED_ALGO_H
#define C_SCRIPTED_ALGO_H

// A chip algorithm whose answers and side effects a test sets beforehand, so
// that every branch of the action flow can be reached without a chip.

#include <functional>
#include <string>
#include <vector>

#include "mcAlgoBase.h"

class cScriptedAlgo;

// What the algorithm answers. The script and the call list outlive the
// algorithm, which lives only from CreateAlgo to DeleteAlgo.
struct tAlgoScript {
  unsigned char init = 1;
  unsigned char config = 1;
  short checkProcess = 0;
  unsigned short epMax = 7;
  unsigned short epNumber = 3;
  short status = 0;  // of every job operation
  // Name of the operation that throws throwText as a host would ("Init",
  // "Config", "CheckProcess", "Program", ...); "" for none.
  std::string throwIn;
  std::string throwText;
  // Runs inside the job operation, before it answers.
  std::function<void(cScriptedAlgo&)> duringRun;
};

class cScriptedAlgo : public mcAlgoBase {
public:
  cScriptedAlgo(TAG_UI_ALGODATA_KRV3* uiData, const tAlgoScript& script,
                std::vector<std::string>& calls)
      : mcAlgoBase(uiData), mScript(script), mCalls(calls) {}
  ~cScriptedAlgo() override { mCalls.push_back("~"); }

  void setAlgoUI(AbstractAlgoUiInterface* ui) override {
    note("setAlgoUI");
    mcAlgoBase::setAlgoUI(ui);
  }
  unsigned char Init() override { return note("Init"), mScript.init; }
  unsigned char Config() override { return note("Config"), mScript.config; }
  short CheckProcess() override { return note("CheckProcess"), mScript.checkProcess; }
  unsigned short GetEpMax() override { return note("GetEpMax"), mScript.epMax; }
  unsigned short GetEpNumber() override { return note("GetEpNumber"), mScript.epNumber; }
  unsigned short SetEpNumber(unsigned short number) override {
    note("SetEpNumber(" + std::to_string(number) + ")");
    return 0;
  }
  void SetSinglNullMode() override { note("SetSinglNullMode"); }
  short Program() override { return job("Program"); }
  short Verify() override { return job("Verify"); }
  short Read() override { return job("Read"); }
  short BlankCheck() override { return job("BlankCheck"); }
  short Erase() override { return job("Erase"); }

  AbstractAlgoUiInterface* ui() const { return pAlgoUi; }

private:
  void note(const std::string& call) {
    mCalls.push_back(call);
    if (call == mScript.throwIn) throw mScript.throwText;
  }
  short job(const std::string& call) {
    note(call);
    if (mScript.duringRun) mScript.duringRun(*this);
    return mScript.status;
  }

  const tAlgoScript& mScript;
  std::vector<std::string>& mCalls;
};

#endif
