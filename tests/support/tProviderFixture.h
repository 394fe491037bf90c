#ifndef T_PROVIDER_FIXTURE_H
#define T_PROVIDER_FIXTURE_H

#include <gtest/gtest.h>

#include "cAbstractEventManager.h"
#include "cScaffoHost.h"
#include "cTestProvider.h"

// A test provider with an empty host side: no records, no scripted events.
class tProviderFixture : public testing::Test {
protected:
  void SetUp() override {
    cScaffoHost::instance().clear();
    cAbstractEventManager::setScheduleHook(nullptr);
  }
  void TearDown() override { cAbstractEventManager::setScheduleHook(nullptr); }

  cScaffoHost& host() { return cScaffoHost::instance(); }

  cTestProvider provider;
};

#endif
