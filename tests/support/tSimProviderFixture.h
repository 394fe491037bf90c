#ifndef T_SIM_PROVIDER_FIXTURE_H
#define T_SIM_PROVIDER_FIXTURE_H

#include <gtest/gtest.h>

#include <memory>

#include "cTestProvider.h"
#include "tBench.h"

// A test provider built on a fresh bench, with an empty host side. The trace
// starts empty after construction.
class tSimProviderFixture : public tBenchTest {
protected:
  tSimProviderFixture() : mpProvider(new cTestProvider()) { sim().clearTrace(); }

  cTestProvider& provider() { return *mpProvider; }

  std::unique_ptr<cTestProvider> mpProvider;
};

#endif
