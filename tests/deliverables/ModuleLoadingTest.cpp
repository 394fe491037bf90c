#include <gtest/gtest.h>

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
#include "tLoadedModule.h"

namespace {

// A module under test, with the name it gives itself and the caller its signals go to.
struct tModuleUnderTest {
  const char* name;
  piModuleAddr caller;
  tLoadedModule& loaded;

  cAbstractModule* module() const { return loaded.module(); }
  cScaffoProvider* slots() const { return loaded.slots(); }
};

// Whatever a module sent went to its own caller.
template <typename tRecord>
void expectAddressedTo(const std::vector<tRecord>& records, const tModuleUnderTest& m) {
  for (const tRecord& record : records) {
    if (record.sender == m.slots()) {
      EXPECT_EQ(record.addr, m.caller) << m.name;
    }
  }
}

typedef tBenchTest ModuleLoading;

TEST_F(ModuleLoading, BothModulesLiveInOneProcess) {
  cMPDE mpde;
  tLoadedModule larkspur(LS_LARKSPUR_PATH);
  tLoadedModule sorrel(LS_SORREL_PATH);
  tModuleUnderTest modules[] = {{"Larkspur", piModuleAddr(1, 11), larkspur},
                                {"Sorrel", piModuleAddr(2, 22), sorrel}};
  for (tModuleUnderTest& m : modules) {
    std::string error;
    ASSERT_TRUE(m.loaded.open(error)) << error;
  }
  ASSERT_NE(larkspur.init, sorrel.init);

  tLineTap quiet(std::cerr);
  for (tModuleUnderTest& m : modules) {
    ASSERT_EQ(m.loaded.init(&mpde, &m.loaded.provider, std::string("host name of ") + m.name), 1);
    ASSERT_NE(m.loaded.provider, nullptr);
  }
  for (tModuleUnderTest& m : modules) {
    SCOPED_TRACE(m.name);
    EXPECT_EQ(m.loaded.version(), 1);
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
    tModuleUnderTest& m = modules[i];
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
  for (const tModuleUnderTest& m : modules) {
    expectAddressedTo(host().messages(), m);
    expectAddressedTo(host().dbgMessages(), m);
    expectAddressedTo(host().progress(), m);
  }

  for (tModuleUnderTest& m : modules) {
    EXPECT_EQ(m.loaded.done(&m.loaded.provider), 1);
    EXPECT_EQ(m.loaded.provider, nullptr);
    EXPECT_EQ(m.loaded.done(&m.loaded.provider), 0);
  }
  for (tModuleUnderTest& m : modules) {
    EXPECT_EQ(m.loaded.close(), 0) << dlerror();
  }
}

TEST_F(ModuleLoading, FailedConstructionPassesTheHostExceptionOn) {
  tLoadedModule m(LS_LARKSPUR_PATH);
  std::string error;
  ASSERT_TRUE(m.open(error)) << error;
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
  // Not a provider: nothing for moduleDone.
  m.provider = nullptr;
  EXPECT_EQ(m.close(), 0);
}

}  // namespace
