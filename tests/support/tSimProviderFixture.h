#ifndef T_SIM_PROVIDER_FIXTURE_H
#define T_SIM_PROVIDER_FIXTURE_H

#include <gtest/gtest.h>

#include <memory>

#include "cAbstractEventManager.h"
#include "cK5SimProgrammer.h"
#include "cScaffoHost.h"
#include "cTestProvider.h"

// A test provider built over a freshly reset simulated programmer, with an
// empty host side. The trace starts empty after construction.
class tSimProviderFixture : public testing::Test {
protected:
  void SetUp() override {
    sim().reset();
    host().clear();
    cAbstractEventManager::setScheduleHook(nullptr);
    mpProvider.reset(new cTestProvider());
    sim().clearTrace();
  }
  void TearDown() override {
    mpProvider.reset();
    cAbstractEventManager::setScheduleHook(nullptr);
    sim().reset();
  }

  static cK5SimProgrammer& sim() { return cK5SimProgrammer::instance(); }
  static cScaffoHost& host() { return cScaffoHost::instance(); }
  cTestProvider& provider() { return *mpProvider; }

  std::unique_ptr<cTestProvider> mpProvider;
};

#endif
