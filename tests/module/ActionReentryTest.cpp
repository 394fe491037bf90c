// Host events that arrive while an action runs (in the host's scheduler,
// around a progress record) must not change the running job: a receive
// would free buffer 0 under the algorithm and the configurations under the
// pin-driver control, a second start would release the running algorithm.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "JobBuilder.h"
#include "tActionFlowFixture.h"
#include "tJobSamples.h"

namespace {

class ActionReentry : public tActionFlowFixture {
protected:
  unsigned char receive(const JobBuilder& job) {
    unsigned char ok = 7;
    tExchange ex = job.exchange();
    ex.run([&](auto&... sf) { provider->Slot_ReceiveData(sf..., ok, kClient); });
    return ok;
  }
  std::vector<unsigned char> bytesOf(int id) {
    const tByteArray& b = *provider->getAP().getByteArrayFromBufferId(id);
    return std::vector<unsigned char>(b.getDataConst(), b.getDataConst() + b.GetSize());
  }
  // The algorithm shows an address during its job operation: one progress
  // record, and the host's scheduler runs before it goes out.
  void progressDuringTheJob() {
    provider->script.duringRun = [](cScriptedAlgo& algo) { algo.ui()->K4ShowAdr(0x10, 1); };
  }
  // The line that follows `first` in the log.
  std::string lineAfter(const std::string& first) const {
    const long at = logAt(first);
    return at < 0 || at + 1 >= static_cast<long>(log.size()) ? "" : log[at + 1];
  }
  // The close of one passing action that sent `records` progress records,
  // the last of them its final one.
  void expectPassedOnce(unsigned int records) {
    if (records == 1) {
      expectOneClose(false);
      return;
    }
    EXPECT_EQ(1u, endedRecords());
    ASSERT_EQ(records, host().progress().size());
    EXPECT_EQ(1, host().progress().back().bytes.at(4));
    EXPECT_EQ(0u, record().getActionFailed());
    EXPECT_TRUE(logged("cK5CpdCtrl::enableCpdConfig for \"SHUTDOWN\" OK."));
    EXPECT_TRUE(sim().cpd(0).outputDisabled[k5OutGlobal]);
    EXPECT_EQ(1u, sim().switchOffCount());
    EXPECT_EQ(std::vector<int>({3, 1}), sim().stateHistory());
    EXPECT_EQ(nullptr, provider->algo());
  }
};

// A receive in either place is refused, and the job stays as it was:
// buffer 0 byte for byte, the configurations the close switches off with.
TEST_F(ActionReentry, ReceiveDuringAnActionIsRefusedAndChangesNothing) {
  const struct {
    const char* what;
    bool duringJob;  // else at the close's final record
  } cases[] = {{"during the job operation", true}, {"in the close", false}};
  const std::vector<unsigned char> data = jobSamples::pattern(64, 3);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    sim().reset();
    sim().plug(socket);
    makeProvider();
    ASSERT_EQ(1, receive(JobBuilder().createBuffer(0, 64, 0).wholeBuffer(0, data, 1)));
    const cCfgFileDeviceCpdConfigs configs = provider->getAP().getRefCfgFileDeviceCpdConfigs();
    if (c.duringJob) progressDuringTheJob();
    unsigned char ok = 7;
    host().atProgressRecord(1, [&](cScaffoProvider&) {
      ok = receive(
          JobBuilder().createBuffer(0, 16, 0xEE).pinDriverConfigs(jobSamples::sampleConfigs()));
    });
    call(&cKrv32AlgoProviderBase::Slot_StartProg);

    EXPECT_EQ(0, ok);
    EXPECT_EQ("PIDBG: Slot_ReceiveData refused while an action runs.",
              lineAfter("Start Slot_ReceiveData"));
    EXPECT_EQ(data, bytesOf(0));
    EXPECT_TRUE(configs == provider->getAP().getRefCfgFileDeviceCpdConfigs());
    expectPassedOnce(c.duringJob ? 2 : 1);
    // After the action the host's job is taken again.
    EXPECT_EQ(1, receive(JobBuilder().createBuffer(0, 16, 0xEE)));
    EXPECT_EQ(std::vector<unsigned char>(16, 0xEE), bytesOf(0));
  }
}

// A start during an action is refused without a close of its own; the
// running action ends once, and the next start runs again.
TEST_F(ActionReentry, StartDuringAnActionIsRefused) {
  progressDuringTheJob();
  host().atProgressRecord(1, [&](cScaffoProvider& p) { p.Slot_StartErase(kClient); });
  call(&cKrv32AlgoProviderBase::Slot_StartProg);

  EXPECT_EQ("PIDBG: Slot_StartErase refused while an action runs.",
            lineAfter("try Slot_StartErase"));
  EXPECT_EQ(1u, callsOf("CreateAlgo"));
  EXPECT_EQ(0u, callsOf("Erase"));
  expectPassedOnce(2);

  provider->calls.clear();
  provider->script.duringRun = nullptr;
  call(&cKrv32AlgoProviderBase::Slot_StartErase);
  EXPECT_EQ(-1, logAt("Slot_StartErase refused while an action runs."));
  EXPECT_EQ(1u, callsOf("Erase"));
}

// A continuity FPGA load during an action is refused: it would reset every
// FPGA under the running algorithm. The action ends once, as if it had not
// come, and the reply address stays the action's client.
TEST_F(ActionReentry, ContinuityFpgaLoadDuringAnActionIsRefused) {
  provider->getAP().getHdwParam().addFpgaHdwImageCtrl(hdwImage("HDW_CONTINUITY", {4, 5}));
  progressDuringTheJob();
  unsigned char ok = 7;
  const piModuleAddr intruder(5, 5);
  host().atProgressRecord(1,
                          [&](cScaffoProvider& p) { p.Slot_LoadFpgaForContinuity(ok, intruder); });
  call(&cKrv32AlgoProviderBase::Slot_StartProg);

  EXPECT_EQ(0, ok);
  EXPECT_EQ("PIDBG: Slot_LoadFpgaForContinuity refused while an action runs.",
            lineAfter("maprAlgoParam->getAlgoKrv3UIData().CheckProcessRet: 0"));
  // The action's own load is the only one: one reset, one image.
  EXPECT_EQ(1u, sim().traceOf(tK5TraceEvent::tkResetFpga).size());
  EXPECT_EQ(1u, sim().traceOf(tK5TraceEvent::tkLoadHdw).size());
  EXPECT_EQ(kClient, provider->getAddrFrom());
  expectPassedOnce(2);

  // After the action the host's load runs.
  sim().clearTrace();
  tLineTap quiet(std::cerr);
  provider->Slot_LoadFpgaForContinuity(ok, intruder);
  EXPECT_EQ(1, ok);
  EXPECT_EQ(1u, sim().traceOf(tK5TraceEvent::tkLoadHdw).size());
}

// A second provider of the module, called from a host event during the
// first one's action, is refused as the first would be: it would load the
// FPGAs under the running algorithm, run an action over it, or take a job
// while the module's hardware is busy. The running action ends once, and
// the second provider works again afterwards.
TEST_F(ActionReentry, SecondProvidersSlotsDuringAnActionAreRefused) {
  struct tCase {
    const char* what;
    std::function<unsigned char(cScriptedAlgoProvider&)> slot;  // its ok flag, 0 if none
    std::string refused;
    // What the slot did once called after the action.
    std::function<void(cScriptedAlgoProvider&, unsigned char)> ran;
  };
  const tCase cases[] = {
      {"receive",
       [this](cScriptedAlgoProvider& second) {
         unsigned char ok = 7;
         tExchange ex = JobBuilder().createBuffer(0, 16, 0xEE).exchange();
         ex.run([&](auto&... sf) { second.Slot_ReceiveData(sf..., ok, kClient); });
         return ok;
       },
       "Slot_ReceiveData refused while an action runs.",
       [](cScriptedAlgoProvider& second, unsigned char ok) {
         EXPECT_EQ(1, ok);
         EXPECT_EQ(16u, second.getAP().getByteArrayFromIndex(0)->GetSize());
       }},
      {"start",
       [](cScriptedAlgoProvider& second) {
         second.Slot_StartErase(piModuleAddr(5, 5));
         return static_cast<unsigned char>(0);
       },
       "Slot_StartErase refused while an action runs.",
       [](cScriptedAlgoProvider& second, unsigned char) {
         EXPECT_EQ(1, std::count(second.calls.begin(), second.calls.end(), "Erase"));
       }},
      {"continuity FPGA load",
       [](cScriptedAlgoProvider& second) {
         unsigned char ok = 7;
         second.Slot_LoadFpgaForContinuity(ok, piModuleAddr(5, 5));
         return ok;
       },
       "Slot_LoadFpgaForContinuity refused while an action runs.",
       [](cScriptedAlgoProvider&, unsigned char ok) {
         EXPECT_EQ(1, ok);
         EXPECT_EQ(1u, sim().traceOf(tK5TraceEvent::tkLoadHdw).size());
       }},
  };
  for (const tCase& c : cases) {
    SCOPED_TRACE(c.what);
    nextRow();
    cScriptedAlgoProvider second;
    second.getAP().setUiFpgaTimerValue(10);
    second.getAP().getAlgoKrv3UIData()->setActionMode(0);
    second.getAP().getHdwParam().addFpgaHdwImageCtrl(hdwImage("HDW_CONTINUITY", {4, 5}));
    second.getAP().getHdwParam().addFpgaHdwImageCtrl(hdwImage("HDW", {6, 7}));
    sim().clearTrace();
    progressDuringTheJob();
    unsigned char ok = 7;
    host().atProgressRecord(1, [&](cScaffoProvider&) { ok = c.slot(second); });
    call(&cKrv32AlgoProviderBase::Slot_StartProg);

    EXPECT_EQ(0, ok);
    EXPECT_EQ(1, std::count(log.begin(), log.end(), "PIDBG: " + c.refused));
    EXPECT_TRUE(second.calls.empty());
    EXPECT_EQ(1u, second.getAP().getNumberOfBuffers());
    EXPECT_EQ(1u, second.getAP().getByteArrayFromIndex(0)->GetSize());
    // The running action's own load is the only one: one reset, one image.
    EXPECT_EQ(1u, sim().traceOf(tK5TraceEvent::tkResetFpga).size());
    EXPECT_EQ(1u, sim().traceOf(tK5TraceEvent::tkLoadHdw).size());
    expectPassedOnce(2);

    // Once the action has ended the second provider's slot runs.
    tLineTap quiet(std::cerr);
    sim().clearTrace();
    c.ran(second, c.slot(second));
  }
}

// The job record's full address of buffer 0 is the action's: once the start
// slot returns, nothing keeps it, whatever the receive then frees.
TEST_F(ActionReentry, JobBufferAddressIsForgottenWhenTheStartSlotReturns) {
  ASSERT_EQ(1, receive(JobBuilder().createBuffer(0, 64, 0x5A)));
  const unsigned char* during = nullptr;
  provider->script.duringRun = [&](cScriptedAlgo&) { during = record().getDataBuffer(); };
  call(&cKrv32AlgoProviderBase::Slot_StartProg);

  EXPECT_EQ(provider->getAP().getByteArrayFromIndex(0)->getDataConst(), during);
  EXPECT_EQ(nullptr, record().getDataBuffer());
  expectOneClose(false);
}

}  // namespace
