#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Korvo5.h"
#include "tBench.h"

namespace {

// A device that flags what a test tells it to.
class tFlaggingDevice : public cK5SocketDevice {
public:
  const std::vector<std::string>& violations() const { return flagged; }
  std::vector<std::string> flagged;
};

const char* const kUnfired = "injected faults that never struck";
const char* const kViolations = "protocol violations of a plugged model";

// What a test may leave behind in the three process-wide objects.
void leaveEverything(cK5SocketDevice& device, unsigned int& scheduled) {
  cK5SimProgrammer& sim = tBench::sim();
  sim.plug(device);
  sim.injectThrow("buzzer", "x");
  sim.setMcuRegister(0x86, 7);
  tBench::host().record(ssMessage, tScaffoMessage{nullptr, "left", piModuleAddr(), 0});
  tBench::host().throwAt(ssProgress, 1, "busy");
  cAbstractEventManager::setScheduleHook(
      [&scheduled](cAbstractEventManager&, int) { ++scheduled; });
}

void expectFresh(unsigned int& scheduled) {
  cK5SimProgrammer& sim = tBench::sim();
  EXPECT_TRUE(sim.socketDevices().empty());
  EXPECT_TRUE(sim.unfiredFaults().empty());
  EXPECT_EQ(sim.mcuRegister(0x86), 0u);
  EXPECT_TRUE(tBench::host().messages().empty());
  EXPECT_TRUE(tBench::host().enter(ssProgress));  // no planned throw left
  cAbstractEventManager manager;
  manager.scheduleEvents(0);
  EXPECT_EQ(scheduled, 0u);
}

TEST(Bench, StartsOnAFreshSimulatorHostAndScheduler) {
  tFlaggingDevice device;
  unsigned int scheduled = 0;
  leaveEverything(device, scheduled);
  tBench bench;
  expectFresh(scheduled);
}

TEST(Bench, LeavesAFreshSimulatorHostAndScheduler) {
  tFlaggingDevice device;
  unsigned int scheduled = 0;
  {
    tBench bench;
    bench.expectUnfiredFaults();
    leaveEverything(device, scheduled);
  }
  expectFresh(scheduled);
}

TEST(Bench, FaultThatNeverStruckFailsTheTest) {
  EXPECT_NONFATAL_FAILURE(
      {
        tBench bench;
        bench.sim().injectThrow("buzzer", "x");
        bench.sim().injectNull("cpdCtrl@5");
      },
      kUnfired);
  // A fault that struck is no failure.
  tBench bench;
  bench.sim().injectNull("psCtrl");
  cKorvo5Device device;
  EXPECT_EQ(device.psCtrl(), nullptr);
}

TEST(Bench, UnfiredFaultsCanBeExpectedOneByOneOrAll) {
  {
    tBench bench;
    bench.sim().injectThrow("buzzer", "x");
    bench.allowUnfired("buzzer");
  }
  {
    tBench bench;
    bench.sim().injectThrow("buzzer", "x");
    bench.sim().injectNull("cpdCtrl@5");
    bench.expectUnfiredFaults();
  }
  // Allowing one point allows no other.
  EXPECT_NONFATAL_FAILURE(
      {
        tBench bench;
        bench.sim().injectThrow("buzzer", "x");
        bench.sim().injectNull("cpdCtrl@5");
        bench.allowUnfired("cpdCtrl@4");
        bench.allowUnfired("buzzer");
      },
      "cpdCtrl@5");
}

TEST(Bench, PluggedModelsMustEndWithoutViolations) {
  EXPECT_NONFATAL_FAILURE(
      {
        tBench bench;
        tFlaggingDevice model;
        bench.plug(model);
        EXPECT_EQ(bench.sim().socketDevices().size(), 1u);
        model.flagged.push_back("wait cut short");
        bench.check();
      },
      "wait cut short");
  // A check of its own for a device without violations().
  EXPECT_NONFATAL_FAILURE(
      {
        tBench bench;
        cK5SocketDevice device;
        bench.plug(device, [] { return std::vector<std::string>{"own check"}; });
        bench.check();
      },
      kViolations);
  // Violations a test asserted itself.
  tBench bench;
  tFlaggingDevice model;
  bench.plug(model);
  model.flagged.push_back("provoked");
  bench.acceptViolations(model);
  bench.check();
}

TEST(Bench, UnplugChecksTheDeviceAtOnce) {
  tFlaggingDevice model;
  EXPECT_NONFATAL_FAILURE(
      {
        tBench bench;
        bench.plug(model);
        model.flagged.push_back("unknown instruction");
        bench.unplug(model);
        EXPECT_TRUE(bench.sim().socketDevices().empty());
        model.flagged.clear();
      },
      "unknown instruction");
}

TEST(Bench, ModelGoneFromTheSocketIsNotChecked) {
  tBench bench;
  {
    tFlaggingDevice model;
    bench.plug(model);
    model.flagged.push_back("left behind");
  }
  bench.check();
}

TEST(Bench, RestartChecksThenStartsAgainWithTheSameDevices) {
  tFlaggingDevice model;
  tBench bench;
  bench.plug(model);
  bench.sim().setMcuRegister(0x86, 7);
  bench.sim().injectThrow("buzzer", "x");
  bench.allowUnfired("buzzer");
  bench.restart();
  EXPECT_EQ(bench.sim().socketDevices(), std::vector<cK5SocketDevice*>{&model});
  EXPECT_EQ(bench.sim().mcuRegister(0x86), 0u);
  // The next row keeps no opt-out, and its own checks run.
  EXPECT_NONFATAL_FAILURE(
      {
        bench.sim().injectThrow("buzzer", "x");
        bench.restart();
      },
      "buzzer");
  EXPECT_NONFATAL_FAILURE(
      {
        model.flagged.push_back("third row");
        bench.restart();
      },
      "third row");
  EXPECT_TRUE(bench.sim().unfiredFaults().empty());
  model.flagged.clear();
}

}  // namespace
