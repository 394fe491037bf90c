#ifndef HARDWARE_TEST_SUPPORT_H
#define HARDWARE_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "cCfgFileDeviceCpdConfig.h"
#include "cCfgFileDeviceCpdConfigs.h"
#include "cK5PDIOCtrl.h"
#include "cK5SimProgrammer.h"
#include "cKorvo5Device.h"
#include "cKrv5Ctrl.h"
#include "jobParts.h"
#include "tBench.h"

typedef std::vector<std::pair<unsigned int, unsigned int>> tPairs;

// (offset, value) of every programming-interface register write, in order.
inline tPairs mcuWrites() {
  tPairs writes;
  for (const tK5TraceEvent& e : cK5SimProgrammer::instance().traceOf(tK5TraceEvent::tkMcuWrite)) {
    writes.push_back({e.a, e.b});
  }
  return writes;
}

// A fresh bench and a good owning hardware handle.
class tHardwareTest : public tBenchTest {
protected:
  void SetUp() override {
    unsigned char ok = 0;
    mpKrv5.reset(new cKrv5Ctrl(ok));
    ASSERT_EQ(ok, 1);
    sim().clearTrace();
  }

  cKrv5Ctrl& krv5() { return *mpKrv5; }

  std::unique_ptr<cKrv5Ctrl> mpKrv5;
};

struct tPinDef {
  unsigned int pdx;
  unsigned int pdy;
  unsigned int value;
};

inline cCfgFileDeviceCpdConfig* makeConfig(const std::string& label,
                                           const std::vector<tPinDef>& pins) {
  std::vector<tCpdPin> cpdPins;
  for (const tPinDef& pin : pins) cpdPins.push_back({pin.pdx, pin.pdy, pin.value, 0, "P"});
  return pinDriverConfig(label, cpdPins);
}

// The 60 registers of a new image with the given registers set.
inline std::vector<unsigned int> image(
    const std::vector<std::pair<unsigned int, unsigned int>>& regs) {
  std::vector<unsigned int> values(60, 0);
  for (const auto& reg : regs) values[reg.first] = reg.second;
  return values;
}

#endif
