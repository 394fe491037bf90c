#include <gtest/gtest.h>

#include <iostream>
#include <string>
#include <vector>

#include "tLineTap.h"
#include "tProviderFixture.h"

namespace {

typedef tProviderFixture HostSignals;

TEST_F(HostSignals, SinksGetEverySignalAsRecorded) {
  std::vector<std::string> seen;
  tScaffoSinks sinks;
  sinks.message = [&](const tScaffoMessage& m) { seen.push_back("message " + m.text); };
  sinks.dbgMessage = [&](const tScaffoMessage& m) { seen.push_back("dbg " + m.text); };
  sinks.progress = [&](const tScaffoProgress& p) {
    seen.push_back("progress " + std::to_string(p.bytes.size()) + " to " + p.addr.toString());
  };
  sinks.pinData = [&](const tScaffoPinData& d) {
    seen.push_back("pins " + std::to_string(d.frame.itemCount()) + " " +
                   std::to_string(d.frame.item(1).u32) + " within " + std::to_string(d.timeout));
  };
  host().setSinks(sinks);
  provider.getAddrFrom() = piModuleAddr(5, 6);

  EXPECT_EQ(linesOf(std::cerr,
                    [&] {
                      provider.showMessage("hello");
                      provider.showInternMessage("inside");
                    }),
            (tLines{"PIDBG: hello", "PIDBG: inside"}));
  provider.ShowProgress();
  piSubFrame pins;
  pins.addUInt32(40);
  pins.addUInt32(38);
  EXPECT_TRUE(provider.syncSig_PinConnectionData(pins, provider.getAddrFrom(), 20000));
  // The host keeps its own copy: the module's frame may change afterwards.
  pins.clear();

  EXPECT_EQ(seen, (std::vector<std::string>{"message hello", "dbg inside", "progress 50 to (5, 6)",
                                            "pins 2 38 within 20000"}));
  ASSERT_EQ(host().pinData().size(), 1u);
  EXPECT_EQ(host().pinData()[0].frame.itemCount(), 2u);
  EXPECT_EQ(host().pinData()[0].addr, piModuleAddr(5, 6));

  // clear() drops the sinks with the records.
  host().clear();
  seen.clear();
  EXPECT_EQ(linesOf(std::cerr, [&] { provider.showMessage("unheard"); }), tLines{"PIDBG: unheard"});
  EXPECT_TRUE(seen.empty());
  EXPECT_EQ(host().messages().size(), 1u);
}

TEST_F(HostSignals, ResultsAndThrowsAreControlledPerSignal) {
  piSubFrame pins;
  host().setResult(ssPinConnectionData, false);
  EXPECT_FALSE(provider.syncSig_PinConnectionData(pins, piModuleAddr(), 20000));
  // A refused signal still reached the host.
  EXPECT_EQ(host().pinData().size(), 1u);
  std::string text = "x";
  EXPECT_TRUE(provider.syncSig_Message(text, piModuleAddr(), 20000));

  host().throwAt(ssPinConnectionData, 3, "host busy");
  EXPECT_FALSE(provider.syncSig_PinConnectionData(pins, piModuleAddr(), 20000));
  try {
    provider.syncSig_PinConnectionData(pins, piModuleAddr(), 20000);
    ADD_FAILURE() << "no exception";
  } catch (const std::string& thrown) {
    EXPECT_EQ(thrown, "host busy");
  }
  EXPECT_EQ(host().calls(ssPinConnectionData), 3u);
  EXPECT_EQ(host().pinData().size(), 2u);

  host().clear();
  EXPECT_TRUE(provider.syncSig_PinConnectionData(pins, piModuleAddr(), 20000));
}

TEST_F(HostSignals, ScriptedEventsRunOnceInTheSchedulerAtTheirRecord) {
  std::vector<std::string> ran;
  host().atProgressRecord(1, [&](cScaffoProvider& p) {
    ran.push_back("first at " + std::to_string(host().progress().size()));
    EXPECT_EQ(&p, static_cast<cScaffoProvider*>(&provider));
    // An event may script the next one.
    host().atProgressRecord(2, [&](cScaffoProvider&) {
      ran.push_back("second at " + std::to_string(host().progress().size()));
    });
  });
  host().atProgressRecord(4, [&](cScaffoProvider&) {
    ran.push_back("fourth at " + std::to_string(host().progress().size()));
  });
  for (int i = 0; i < 5; ++i) {
    provider.ShowProgress();
  }
  EXPECT_EQ(ran, (std::vector<std::string>{"first at 0", "second at 1", "fourth at 3"}));
  EXPECT_EQ(host().pendingEvents(), 0u);

  // Events of a cleared host never run.
  host().atProgressRecord(1, [&](cScaffoProvider&) { ran.push_back("late"); });
  EXPECT_EQ(host().pendingEvents(), 1u);
  host().clear();
  provider.ShowProgress();
  EXPECT_EQ(ran.size(), 3u);
}

}  // namespace
