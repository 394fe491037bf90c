#ifndef C_K5_ALGO_PROVIDER_H
#define C_K5_ALGO_PROVIDER_H

#include <memory>
#include <string>

#include "AbstractAlgoBase.h"
#include "cA5H5InterfaceT.h"
#include "cKrv32AlgoProviderBase.h"

class cMPDE;

// The module's one provider. Each deliverable gives it its name and its
// algorithm factory (CreateAlgo, DeleteAlgo).
class cK5AlgoProvider : public cKrv32AlgoProviderBase {
public:
  static const char* const kModuleName;
  static const unsigned int kModuleVersion = 4128;

  cK5AlgoProvider(cMPDE* mpde, std::string name);
  ~cK5AlgoProvider() override;

  bool CreateAlgo() override;
  void DeleteAlgo() override;
  AbstractAlgoBase* getAlgo() override;
  short StartProg() override;
  short StartRead() override;
  short StartBlank() override;
  short StartVerify() override;
  short StartErase() override;

private:
  std::unique_ptr<cA5H5InterfaceT> maprHInterface;
  std::unique_ptr<AbstractAlgoBase> maprAlgo;
};

#endif
