#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "tLineTap.h"
#include "tProviderFixture.h"

namespace {

const piModuleAddr kCaller(7, 9);
const piModuleAddr kEarlier(1, 1);

typedef tProviderFixture ProviderSlots;

tLines checkSumLog(const char* slot, const std::string& value) {
  return {std::string("PIDBG: cKrv32AlgoProviderBase::") + slot + " -> iCheckSum = " + value};
}

TEST_F(ProviderSlots, FreshProviderState) {
  EXPECT_EQ(provider.getAddrFrom(), piModuleAddr(0, 0));
  EXPECT_EQ(*provider.getDbgNextStep(), 0);
  EXPECT_EQ(*provider.getDbgIgnore(), 0);
  EXPECT_EQ(provider.getCancel(), 0);
  unsigned int value = 77;
  provider.getProviderCheckSumSlot(value, kCaller);
  EXPECT_EQ(value, 0u);
  EXPECT_EQ(provider.getDeviceLayout(), nullptr);
}

TEST_F(ProviderSlots, GetStrPrintsEightLowerCaseHexDigits) {
  const struct {
    int value;
    const char* text;
  } cases[] = {
      {4128, "0x00001020"},
      {-1, "0xffffffff"},
      {static_cast<int>(0xFFFFFFFFu), "0xffffffff"},
      {0, "0x00000000"},
      {INT_MAX, "0x7fffffff"},
      {INT_MIN, "0x80000000"},
      {0xABCDEF, "0x00abcdef"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(cKrv32AlgoProviderBase::getStr(c.value), c.text) << c.value;
  }
}

TEST_F(ProviderSlots, CheckSumIsStoredAndAnsweredWithItsLogLines) {
  EXPECT_EQ(linesOf(std::cerr, [&] { provider.setProviderCheckSumSlot(0xFFFFFFFFu, kCaller); }),
            checkSumLog("setProviderCheckSumSlot", "0xffffffff"));

  unsigned int value = 0;
  EXPECT_EQ(linesOf(std::cerr, [&] { provider.getProviderCheckSumSlot(value, kCaller); }),
            checkSumLog("getProviderCheckSumSlot", "0xffffffff"));
  EXPECT_EQ(value, 0xFFFFFFFFu);
}

TEST_F(ProviderSlots, CheckSumReadRefusesReentry) {
  provider.setProviderCheckSumSlot(0x1234, kEarlier);
  const piModuleAddr outer(2, 2);
  const piModuleAddr inner(3, 3);
  unsigned int innerValue = 0xDEAD;
  unsigned int outerValue = 0;
  {
    tLineTap tap(std::cerr);
    // Re-enter from inside the first call's log line.
    tap.onLine = [&](const std::string& line) {
      if (line.find("getProviderCheckSumSlot ->") != std::string::npos) {
        tap.onLine = nullptr;
        provider.getProviderCheckSumSlot(innerValue, inner);
      }
    };
    provider.getProviderCheckSumSlot(outerValue, outer);
    tLines expected = checkSumLog("getProviderCheckSumSlot", "0x00001234");
    expected.push_back("PIDBG: Double ertry of Slot detected.");
    EXPECT_EQ(tap.lines, expected);
  }
  EXPECT_EQ(innerValue, 0xDEADu);
  EXPECT_EQ(outerValue, 0x1234u);
  EXPECT_EQ(provider.getAddrFrom(), outer);

  // The guard is released once the first call is done.
  unsigned int again = 0;
  EXPECT_EQ(linesOf(std::cerr, [&] { provider.getProviderCheckSumSlot(again, inner); }),
            checkSumLog("getProviderCheckSumSlot", "0x00001234"));
  EXPECT_EQ(again, 0x1234u);
  EXPECT_EQ(provider.getAddrFrom(), inner);
}

TEST_F(ProviderSlots, VersionSlotAnswersModuleInfoVersion) {
  provider.getModuleInfo()->setVersion(4128);
  unsigned int value = 0;
  provider.getProviderVersionSlot(value, kCaller);
  EXPECT_EQ(value, 4128u);
}

// Sentinels the slots must overwrite or leave alone.
struct tSlotOutputs {
  unsigned char ok = 0x55;
  unsigned int value = 0xAAAA;
  int number = -3;
  std::string text = "keep";
};

std::string describe(const tSlotOutputs& o) {
  return "ok=" + std::to_string(o.ok) + " value=" + std::to_string(o.value) +
         " number=" + std::to_string(o.number) + " text=" + o.text;
}

TEST_F(ProviderSlots, ServiceSlotsLogTheirNameAndAnswer) {
  typedef std::function<void(cKrv32AlgoProviderBase&, tSlotOutputs&)> Call;
  const tSlotOutputs untouched;
  const std::string same = describe(untouched);
  const struct {
    const char* name;
    Call call;
    std::string expected;
  } cases[] = {
      {"FirstFpgaInitSlotSync",
       [](cKrv32AlgoProviderBase& p, tSlotOutputs& o) { p.FirstFpgaInitSlotSync(o.ok, kCaller); },
       "ok=1 value=43690 number=-3 text=keep"},
      {"LoadBattOffSlotSync",
       [](cKrv32AlgoProviderBase& p, tSlotOutputs&) { p.LoadBattOffSlotSync(kCaller); }, same},
      {"LoadBattOnSlotSync",
       [](cKrv32AlgoProviderBase& p, tSlotOutputs&) { p.LoadBattOnSlotSync(kCaller); }, same},
      {"FindKrvTixDllSlotSync",
       [](cKrv32AlgoProviderBase& p, tSlotOutputs& o) { p.FindKrvTixDllSlotSync(o.ok, kCaller); },
       "ok=1 value=43690 number=-3 text=keep"},
      {"ResetKorvoSlotSync",
       [](cKrv32AlgoProviderBase& p, tSlotOutputs&) { p.ResetKorvoSlotSync(kCaller); }, same},
      {"KorvoTestFktSlotSync",
       [](cKrv32AlgoProviderBase& p, tSlotOutputs& o) {
         p.KorvoTestFktSlotSync(o.number, o.text, kCaller);
       },
       same},
      {"CalibVoltageSlotSync",
       [](cKrv32AlgoProviderBase& p, tSlotOutputs& o) { p.CalibVoltageSlotSync(o.ok, kCaller); },
       "ok=1 value=43690 number=-3 text=keep"},
      {"ScanVBattSlotSync",
       [](cKrv32AlgoProviderBase& p, tSlotOutputs& o) { p.ScanVBattSlotSync(o.value, kCaller); },
       "ok=85 value=666 number=-3 text=keep"},
      {"StartBattTimerSlotSync",
       [](cKrv32AlgoProviderBase& p, tSlotOutputs& o) {
         p.StartBattTimerSlotSync(5, o.ok, kCaller);
       },
       "ok=0 value=43690 number=-3 text=keep"},
      {"ReadEepromSlotSync",
       [](cKrv32AlgoProviderBase& p, tSlotOutputs& o) { p.ReadEepromSlotSync(o.value, kCaller); },
       "ok=85 value=0 number=-3 text=keep"},
      {"FpgaTestSlotSync",
       [](cKrv32AlgoProviderBase& p, tSlotOutputs& o) {
         p.FpgaTestSlotSync(3, o.value, o.ok, kCaller);
       },
       "ok=1 value=43690 number=-3 text=keep"},
  };
  for (const auto& c : cases) {
    tSlotOutputs out;
    provider.getAddrFrom() = kEarlier;
    EXPECT_EQ(linesOf(std::cerr, [&] { c.call(provider, out); }),
              tLines{std::string("PIDBG: ") + c.name});
    EXPECT_EQ(describe(out), c.expected) << c.name;
    EXPECT_EQ(provider.getAddrFrom(), kCaller) << c.name;
  }
}

TEST_F(ProviderSlots, ReplyAddressIsStoredOnlyByStoringSlots) {
  typedef std::function<void(cKrv32AlgoProviderBase&)> Call;
  const struct {
    const char* name;
    Call call;
    bool stores;
  } cases[] = {
      {"setProviderCheckSumSlot",
       [](cKrv32AlgoProviderBase& p) { p.setProviderCheckSumSlot(1, kCaller); }, true},
      {"getProviderCheckSumSlot",
       [](cKrv32AlgoProviderBase& p) {
         unsigned int v;
         p.getProviderCheckSumSlot(v, kCaller);
       },
       true},
      {"getProviderVersionSlot",
       [](cKrv32AlgoProviderBase& p) {
         unsigned int v;
         p.getProviderVersionSlot(v, kCaller);
       },
       true},
      {"ScanVsupplySlotSync",
       [](cKrv32AlgoProviderBase& p) {
         unsigned int v;
         p.ScanVsupplySlotSync(v, kCaller);
       },
       true},
      {"Slot_CancelAction", [](cKrv32AlgoProviderBase& p) { p.Slot_CancelAction(kCaller); }, true},
      {"Slot_UnClaimKorvo", [](cKrv32AlgoProviderBase& p) { p.Slot_UnClaimKorvo(kCaller); }, false},
      {"Slot_GetKorvoTypeAndClaimInfo",
       [](cKrv32AlgoProviderBase& p) {
         int t = 0;
         std::string a, b;
         p.Slot_GetKorvoTypeAndClaimInfo(t, a, b, kCaller);
       },
       false},
      {"Slot_DbgNextStep", [](cKrv32AlgoProviderBase& p) { p.Slot_DbgNextStep(kCaller); }, false},
      {"Slot_DbgIgnore", [](cKrv32AlgoProviderBase& p) { p.Slot_DbgIgnore(1, kCaller); }, false},
      {"Slot_PostActionFkt",
       [](cKrv32AlgoProviderBase& p) {
         unsigned char ok;
         p.Slot_PostActionFkt(ok, kCaller);
       },
       false},
      {"Slot_StartProg", [](cKrv32AlgoProviderBase& p) { p.Slot_StartProg(kCaller); }, false},
      {"Slot_StartRead", [](cKrv32AlgoProviderBase& p) { p.Slot_StartRead(kCaller); }, false},
      {"Slot_StartBlank", [](cKrv32AlgoProviderBase& p) { p.Slot_StartBlank(kCaller); }, false},
      {"Slot_StartVerify", [](cKrv32AlgoProviderBase& p) { p.Slot_StartVerify(kCaller); }, false},
      {"Slot_StartErase", [](cKrv32AlgoProviderBase& p) { p.Slot_StartErase(kCaller); }, false},
      {"Slot_StartContinuity", [](cKrv32AlgoProviderBase& p) { p.Slot_StartContinuity(kCaller); },
       false},
      {"Slot_StartNoContinuity",
       [](cKrv32AlgoProviderBase& p) { p.Slot_StartNoContinuity(kCaller); }, false},
  };
  for (const auto& c : cases) {
    provider.getAddrFrom() = kEarlier;
    tLineTap quiet(std::cerr);
    c.call(provider);
    EXPECT_EQ(provider.getAddrFrom(), c.stores ? kCaller : kEarlier) << c.name;
  }
}

TEST_F(ProviderSlots, MessagesGoToTheLastStoringCaller) {
  const piModuleAddr a(10, 1);
  const piModuleAddr b(20, 2);
  {
    tLineTap quiet(std::cerr);
    provider.setProviderCheckSumSlot(5, a);
    provider.Slot_DbgIgnore(1, b);
    provider.Slot_DbgNextStep(b);
    provider.showMessage("to A");
  }
  const auto& messages = cScaffoHost::instance().messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].addr, a);
  EXPECT_EQ(messages[0].sender, static_cast<cScaffoProvider*>(&provider));
}

TEST_F(ProviderSlots, DebugAndPostActionSlotsSetTheirFlagsSilently) {
  unsigned char ok = 0;
  EXPECT_EQ(linesOf(std::cerr,
                    [&] {
                      provider.Slot_DbgNextStep(kCaller);
                      provider.Slot_DbgIgnore(0x42, kCaller);
                      provider.Slot_PostActionFkt(ok, kCaller);
                    }),
            tLines{});
  EXPECT_EQ(*provider.getDbgNextStep(), 1);
  EXPECT_EQ(*provider.getDbgIgnore(), 0x42);
  EXPECT_EQ(ok, 1);
}

}  // namespace
