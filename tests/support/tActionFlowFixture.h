#ifndef T_ACTION_FLOW_FIXTURE_H
#define T_ACTION_FLOW_FIXTURE_H

// A scripted provider on a fresh bench with a job that passes every step of
// an action: continuity test on, a four-pin chip in the socket, one "HDW"
// image, a 10 ms UI timer, ActionMode 0 and a "SHUTDOWN" configuration. Tests
// change what they need before calling a start slot. tActionBench is one such
// bench (a table row builds one of its own, or a fixture's table starts each
// row with nextRow()); tActionFlowFixture the fixture.

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cCfgFileDeviceCpdConfigs.h"
#include "cK5ContinuitySocket.h"
#include "cScriptedAlgoProvider.h"
#include "jobParts.h"
#include "tBench.h"
#include "tContinuityBench.h"
#include "tLineTap.h"

class tActionBench : public tBench {
public:
  tActionBench() {
    plug(socket);
    wireSocket(socket, fourPinChip());
    makeProvider();
  }
  // The socket dies before the base bench would check.
  ~tActionBench() override { check(); }

  // Ends a table row and starts the next on the restarted bench: a new
  // socket with the chip, a new provider with the passing job.
  void nextRow() {
    provider.reset();
    restart();
    socket = cK5ContinuitySocket();
    wireSocket(socket, fourPinChip());
    makeProvider();
  }

  // A new provider with the passing job; records of its construction dropped.
  void makeProvider() {
    provider.reset();
    provider.reset(new cScriptedAlgoProvider());
    if (provider->getKrv5Ctrl() != nullptr) {
      cAlgoParam& ap = provider->getAP();
      ap.setDoDeviceContinuityTest(1);
      ap.setUiFpgaTimerValue(10);
      ap.getAlgoKrv3UIData()->setActionMode(0);
      ap.getHdwParam().addFpgaHdwImageCtrl(hdwImage("HDW", {1, 2, 3}));
      setLayout(benchLayout("OneGndDiodeHigh", fourPinChip()));
      cCfgFileDeviceCpdConfigs* configs = new cCfgFileDeviceCpdConfigs();
      configs->addCpdConfig(pinDriverConfig("SHUTDOWN", {{1, 0, 0, 0, "P1"}}));
      ap.setCfgFileDeviceCpdConfigs(*configs);
    }
    // A storing slot names the client that gets the action's signals.
    unsigned int version = 0;
    provider->getProviderVersionSlot(version, kClient);
    sim().clearTrace();
    host().clear();
  }

  void setLayout(const cCfgFileDeviceLayout& layout) {
    provider->getAP().setCfgFileDeviceLayout(*new cCfgFileDeviceLayout(layout));
  }

  // Calls the slot with the log collected in `log`.
  template <class Slot>
  void call(Slot slot) {
    tLineTap tap(std::cerr);
    (provider.get()->*slot)(kOther);
    log = tap.lines;
  }

  TAG_UI_ALGODATA_KRV3& record() { return *provider->getAP().getAlgoKrv3UIData(); }

  bool logged(const std::string& text) const {
    return std::find(log.begin(), log.end(), "PIDBG: " + text) != log.end();
  }
  // Position of the line in the log at or after `from`, or -1.
  long logAt(const std::string& text, long from = 0) const {
    auto it = std::find(log.begin() + std::min<long>(from, static_cast<long>(log.size())),
                        log.end(), "PIDBG: " + text);
    return it == log.end() ? -1 : static_cast<long>(it - log.begin());
  }
  std::vector<std::string> texts(const std::vector<tScaffoMessage>& messages) const {
    std::vector<std::string> result;
    for (const tScaffoMessage& m : messages) result.push_back(m.text);
    return result;
  }
  std::vector<std::string> shown() const { return texts(host().messages()); }
  std::vector<std::string> devShown() const { return texts(host().dbgMessages()); }
  bool wasShown(const std::string& text) const {
    const std::vector<std::string> all = shown();
    return std::find(all.begin(), all.end(), text) != all.end();
  }
  unsigned int endedRecords() const {
    unsigned int n = 0;
    for (const tScaffoProgress& p : host().progress()) n += p.bytes.size() == 50 && p.bytes[4] == 1;
    return n;
  }
  unsigned int callsOf(const std::string& name) const {
    return static_cast<unsigned int>(
        std::count(provider->calls.begin(), provider->calls.end(), name));
  }

  // The close as every failing or passing action must end: the algorithm is
  // released whatever happens, also when the host broke off "SHUTDOWN"
  // (shutdownDone false).
  void expectOneClose(bool failed, unsigned int records = 1, bool shutdownDone = true) {
    EXPECT_EQ(endedRecords(), records);
    EXPECT_EQ(host().progress().size(), records);
    EXPECT_EQ(record().getActionFailed(), failed ? 1u : 0u);
    EXPECT_EQ(record().getActionFailCode(), failed ? 3003u : 0u);
    EXPECT_EQ(record().getHdwCheckFailed(), 0u);
    EXPECT_GE(callsOf("DeleteAlgo"), 1u);
    EXPECT_EQ(logged("cK5CpdCtrl::enableCpdConfig for \"SHUTDOWN\" OK."), shutdownDone);
    EXPECT_TRUE(sim().cpd(0).outputDisabled[k5OutGlobal]);
    EXPECT_NE(
        sim().findEvent(cK5SimProgrammer::eventIs(tK5TraceEvent::tkCpdOutput, k5OutGlobal, 1, 0)),
        -1);
    EXPECT_EQ(sim().switchOffCount(), 1u);
    EXPECT_EQ(sim().stateHistory(), std::vector<int>({3, 1}));
    EXPECT_EQ(provider->algo(), nullptr);
    EXPECT_EQ(callsOf("~"), callsOf("setAlgoUI"));
    EXPECT_NE(logAt("try postAlgoAction"), -1);
  }

  const piModuleAddr kClient{4, 2};
  const piModuleAddr kOther{9, 9};
  cK5ContinuitySocket socket;
  std::unique_ptr<cScriptedAlgoProvider> provider;
  std::vector<std::string> log;
};

class tActionFlowFixture : public tBenchFixture<tActionBench> {};

#endif
