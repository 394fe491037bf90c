#include "cK5AlgoProvider.h"

namespace {

// Status of an action asked of a provider that holds no algorithm.
const short kNoAlgo = -1;

}  // namespace

cK5AlgoProvider::cK5AlgoProvider(cMPDE* mpde, std::string name)
    : cKrv32AlgoProviderBase(mpde, std::move(name)) {
  cModuleInfo* info = getModuleInfo();
  info->setVersion(kModuleVersion);
  info->setName(kModuleName);
  info->setShortDesc("MonoBlockAlgo");
  info->setRuntimeShortDesc(info->getShortDesc());
  setEventManager(this, 0, "");
}

cK5AlgoProvider::~cK5AlgoProvider() {
  maprAlgo.reset();
  maprHInterface.reset();
}

AbstractAlgoBase* cK5AlgoProvider::getAlgo() { return maprAlgo.get(); }

short cK5AlgoProvider::StartProg() { return maprAlgo ? maprAlgo->Program() : kNoAlgo; }
short cK5AlgoProvider::StartRead() { return maprAlgo ? maprAlgo->Read() : kNoAlgo; }
short cK5AlgoProvider::StartBlank() { return maprAlgo ? maprAlgo->BlankCheck() : kNoAlgo; }
short cK5AlgoProvider::StartVerify() { return maprAlgo ? maprAlgo->Verify() : kNoAlgo; }
short cK5AlgoProvider::StartErase() { return maprAlgo ? maprAlgo->Erase() : kNoAlgo; }
