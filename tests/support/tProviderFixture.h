#ifndef T_PROVIDER_FIXTURE_H
#define T_PROVIDER_FIXTURE_H

#include <gtest/gtest.h>

#include "cTestProvider.h"
#include "tBench.h"

// A test provider built on a fresh bench: an empty host side, no records, no
// scripted events.
class tProviderFixture : public tBenchTest {
protected:
  cTestProvider provider;
};

#endif
