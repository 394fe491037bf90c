#ifndef C_TEST_PROVIDER_H
#define C_TEST_PROVIDER_H

#include <string>

#include "cKrv32AlgoProviderBase.h"

// A provider over the real base with an empty algorithm factory.
class cTestProvider : public cKrv32AlgoProviderBase {
public:
  explicit cTestProvider(std::string name = "TestProvider")
      : cKrv32AlgoProviderBase(nullptr, std::move(name)) {}

  bool CreateAlgo() override { return false; }
  void DeleteAlgo() override {}
  AbstractAlgoBase* getAlgo() override { return nullptr; }
  short StartProg() override { return -1; }
  short StartRead() override { return -1; }
  short StartBlank() override { return -1; }
  short StartVerify() override { return -1; }
  short StartErase() override { return -1; }
};

#endif
