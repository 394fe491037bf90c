#ifndef T_BENCH_H
#define T_BENCH_H

// The one test bench. The simulated programmer, the host side of the provider
// signals and the host's schedule hook are process-wide: a bench resets all
// three when it starts and again when it ends, so no test sees what another
// left. At its end it also checks what a passing test must not leave behind:
// an injected fault that never struck (the test did not test what it meant
// to) and a protocol violation flagged by a plugged model.
//
// As a scoped object, one bench per table row:
//   for (const Case& c : cases) { tBench bench; bench.plug(chip); ... }
// As a gtest fixture base: tBenchTest (the checks run in TearDown, while the
// fixture's own models still live). A bench class that owns models calls
// check() in its own destructor, since its members die before the base.
//
// Anything built over the simulator (a provider, a hardware handle) is built
// after the bench, so after its reset: as a member of a class deriving from
// the bench, or as a local declared after it.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "cAbstractEventManager.h"
#include "cK5SimProgrammer.h"
#include "cK5SocketDevice.h"
#include "cScaffoHost.h"

class tBench {
public:
  // Texts a model gives at the end; each is a failure.
  typedef std::function<std::vector<std::string>()> tCheck;

  tBench() { resetAll(); }
  virtual ~tBench() {
    check();
    for (const tPlugged& p : mPlugged) {
      if (isPlugged(*p.device)) sim().unplug(*p.device);
    }
    resetAll();
  }
  tBench(const tBench&) = delete;
  tBench& operator=(const tBench&) = delete;

  static cK5SimProgrammer& sim() { return cK5SimProgrammer::instance(); }
  static cScaffoHost& host() { return cScaffoHost::instance(); }

  // Plugs a model that flags protocol violations: at the end it must have none.
  template <class tModel>
  auto plug(tModel& model) -> decltype(model.violations(), void()) {
    plug(model, [&model] { return std::vector<std::string>(model.violations()); });
  }
  // Plugs a device, with a check of its own or none.
  void plug(cK5SocketDevice& device, tCheck check = nullptr) {
    sim().plug(device);
    for (tPlugged& p : mPlugged) {
      if (p.device == &device) {
        p.check = std::move(check);
        return;
      }
    }
    mPlugged.push_back({&device, std::move(check), false});
  }
  // Takes a device out before the end, checking it now.
  void unplug(cK5SocketDevice& device) {
    for (auto it = mPlugged.begin(); it != mPlugged.end(); ++it) {
      if (it->device != &device) continue;
      checkDevice(*it);
      mPlugged.erase(it);
      break;
    }
    sim().unplug(device);
  }

  // For a test that expects faults not to strike: every fault, or one point
  // ("name" or "name@n", as unfiredFaults() gives it).
  void expectUnfiredFaults() { mAnyUnfired = true; }
  void allowUnfired(const std::string& point) { mUnfiredAllowed.push_back(point); }
  // For a test that provokes the device's violations and asserts them itself.
  void acceptViolations(const cK5SocketDevice& device) {
    for (tPlugged& p : mPlugged) {
      if (p.device == &device) p.accepted = true;
    }
  }

  // Ends one table row and starts the next on this bench, as a new bench
  // with the same devices: the end checks, the reset, the devices plugged in
  // again, and no opt-out kept.
  void restart() {
    check();
    std::vector<tPlugged> kept;
    for (const tPlugged& p : mPlugged) {
      if (isPlugged(*p.device)) kept.push_back({p.device, p.check, false});
    }
    resetAll();
    mPlugged.clear();
    for (const tPlugged& p : kept) plug(*p.device, p.check);
    mUnfiredAllowed.clear();
    mAnyUnfired = false;
    mChecked = false;
  }

  // The end checks, once; the destructor runs them when nobody did. A device
  // gone from the socket (unplugged, or destroyed, which unplugs it) is not
  // checked any more.
  void check() {
    if (mChecked) return;
    mChecked = true;
    if (testing::Test::HasFatalFailure()) return;  // the test stopped half-way
    if (!mAnyUnfired) {
      std::vector<std::string> unfired;
      for (const std::string& point : sim().unfiredFaults()) {
        const auto& allowed = mUnfiredAllowed;
        if (std::find(allowed.begin(), allowed.end(), point) == allowed.end()) {
          unfired.push_back(point);
        }
      }
      EXPECT_EQ(unfired, std::vector<std::string>()) << "injected faults that never struck";
    }
    for (const tPlugged& p : mPlugged) checkDevice(p);
  }

private:
  struct tPlugged {
    cK5SocketDevice* device;
    tCheck check;
    bool accepted;
  };

  static void resetAll() {
    sim().reset();
    host().clear();
    cAbstractEventManager::setScheduleHook(nullptr);
  }
  static bool isPlugged(const cK5SocketDevice& device) {
    const std::vector<cK5SocketDevice*>& in = sim().socketDevices();
    return std::find(in.begin(), in.end(), &device) != in.end();
  }
  static void checkDevice(const tPlugged& p) {
    if (!p.check || p.accepted || !isPlugged(*p.device)) return;
    EXPECT_EQ(p.check(), std::vector<std::string>()) << "protocol violations of a plugged model";
  }

  std::vector<tPlugged> mPlugged;
  std::vector<std::string> mUnfiredAllowed;
  bool mAnyUnfired = false;
  bool mChecked = false;
};

// A gtest fixture over a bench, or over a bench of its own kind.
template <class tB = tBench>
class tBenchFixture : public testing::Test, public tB {
protected:
  // Fixtures that override TearDown call this one last.
  void TearDown() override { this->check(); }
};

typedef tBenchFixture<tBench> tBenchTest;

#endif
