#include <gtest/gtest.h>

#include <dlfcn.h>

#include <iostream>
#include <string>
#include <vector>

#include "cAbstractEventManager.h"
#include "cAbstractModule.h"
#include "cMPDE.h"
#include "cScaffoHost.h"
#include "cScaffoProvider.h"
#include "tBench.h"
#include "tLineTap.h"

// The provider's class stays inside each module; the host sees it through its bases.
class cK5AlgoProvider;

namespace {

typedef int (*tModuleInit)(cMPDE*, cK5AlgoProvider**, std::string);
typedef int (*tModuleDone)(cK5AlgoProvider**);
typedef int (*tModuleVersion)();

struct tLoadedModule {
  const char* path;
  const char* name;
  piModuleAddr caller;
  void* handle = nullptr;
  tModuleInit init = nullptr;
  tModuleDone done = nullptr;
  tModuleVersion version = nullptr;
  cK5AlgoProvider* provider = nullptr;

  // The module base comes first in the provider, so it shares the provider's address.
  cAbstractModule* module() const { return reinterpret_cast<cAbstractModule*>(provider); }
  cScaffoProvider* slots() const { return dynamic_cast<cScaffoProvider*>(module()); }
};

void open(tLoadedModule& m) {
  m.handle = dlopen(m.path, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(m.handle, nullptr) << dlerror();
  m.init = reinterpret_cast<tModuleInit>(dlsym(m.handle, "moduleInit"));
  m.done = reinterpret_cast<tModuleDone>(dlsym(m.handle, "moduleDone"));
  m.version = reinterpret_cast<tModuleVersion>(dlsym(m.handle, "moduleVersion"));
  ASSERT_TRUE(m.init && m.done && m.version) << m.path;
}

// Whatever a module sent went to its own caller.
template <typename tRecord>
void expectAddressedTo(const std::vector<tRecord>& records, const tLoadedModule& m) {
  for (const tRecord& record : records) {
    if (record.sender == m.slots()) {
      EXPECT_EQ(record.addr, m.caller) << m.name;
    }
  }
}

typedef tBenchTest ModuleLoading;

TEST_F(ModuleLoading, BothModulesLiveInOneProcess) {
  cMPDE mpde;
  tLoadedModule modules[] = {{LS_LARKSPUR_PATH, "Larkspur", piModuleAddr(1, 11)},
                             {LS_SORREL_PATH, "Sorrel", piModuleAddr(2, 22)}};
  for (tLoadedModule& m : modules) {
    open(m);
    if (testing::Test::HasFatalFailure()) return;
  }
  ASSERT_NE(modules[0].init, modules[1].init);

  tLineTap quiet(std::cerr);
  for (tLoadedModule& m : modules) {
    ASSERT_EQ(m.init(&mpde, &m.provider, std::string("host name of ") + m.name), 1);
    ASSERT_NE(m.provider, nullptr);
  }
  for (tLoadedModule& m : modules) {
    SCOPED_TRACE(m.name);
    EXPECT_EQ(m.version(), 1);
    cModuleInfo* info = m.module()->getModuleInfo();
    EXPECT_EQ(info->getName(), m.name);
    EXPECT_EQ(info->getVersion(), 4128u);
    EXPECT_EQ(info->getShortDesc(), "MonoBlockAlgo");
    EXPECT_EQ(info->getRuntimeShortDesc(), "MonoBlockAlgo");
    EXPECT_EQ(m.module()->getMPDE(), &mpde);
    EXPECT_EQ(m.module()->getModuleName(), std::string("host name of ") + m.name);

    cScaffoProvider* slots = m.slots();
    ASSERT_NE(slots, nullptr);
    EXPECT_EQ(slots->getEventManager(), static_cast<cAbstractEventManager*>(m.module()));
    EXPECT_EQ(slots->getInterfaceSelectionAlgo(), 0);
    EXPECT_EQ(slots->getEventManagerName(), "");
  }

  // Each module keeps its own checksum and its own reply address.
  modules[0].slots()->setProviderCheckSumSlot(0x1111, modules[0].caller);
  modules[1].slots()->setProviderCheckSumSlot(0x2222, modules[1].caller);
  const unsigned int checkSums[] = {0x1111, 0x2222};
  const char* const checkSumTexts[] = {"0x00001111", "0x00002222"};
  for (int i = 0; i < 2; ++i) {
    tLoadedModule& m = modules[i];
    SCOPED_TRACE(m.name);
    unsigned int value = 0;
    EXPECT_EQ(linesOf(std::cerr, [&] { m.slots()->getProviderCheckSumSlot(value, m.caller); }),
              tLines{std::string("PIDBG: cKrv32AlgoProviderBase::getProviderCheckSumSlot -> ") +
                     "iCheckSum = " + checkSumTexts[i]});
    EXPECT_EQ(value, checkSums[i]);
    m.slots()->getProviderVersionSlot(value, m.caller);
    EXPECT_EQ(value, 4128u);
    m.slots()->ScanVBattSlotSync(value, m.caller);
    EXPECT_EQ(value, 666u);
    // An action's signals go to the caller that last stored its address.
    m.slots()->Slot_StartProg(piModuleAddr(99, 99));
  }
  for (const tLoadedModule& m : modules) {
    expectAddressedTo(host().messages(), m);
    expectAddressedTo(host().dbgMessages(), m);
    expectAddressedTo(host().progress(), m);
  }

  for (tLoadedModule& m : modules) {
    EXPECT_EQ(m.done(&m.provider), 1);
    EXPECT_EQ(m.provider, nullptr);
    EXPECT_EQ(m.done(&m.provider), 0);
  }
  for (tLoadedModule& m : modules) {
    EXPECT_EQ(dlclose(m.handle), 0) << dlerror();
  }
}

TEST_F(ModuleLoading, FailedConstructionPassesTheHostExceptionOn) {
  tLoadedModule m{LS_LARKSPUR_PATH, "Larkspur", piModuleAddr(1, 1)};
  open(m);
  if (testing::Test::HasFatalFailure()) return;
  cMPDE mpde;
  cK5AlgoProvider* const untouched = reinterpret_cast<cK5AlgoProvider*>(&mpde);
  m.provider = untouched;
  cAbstractModule::throwOnNextConstruction("no module base");
  try {
    m.init(&mpde, &m.provider, "Larkspur");
    ADD_FAILURE() << "no exception";
  } catch (const std::string& text) {
    EXPECT_EQ(text, "no module base");
  }
  EXPECT_EQ(m.provider, untouched);
  EXPECT_EQ(m.done(nullptr), 0);
  EXPECT_EQ(dlclose(m.handle), 0);
}

}  // namespace
