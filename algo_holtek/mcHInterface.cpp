#include "mcHInterface.h"

#include "mcuAccess.h"
#include "moduleGlobals.h"

namespace {

const std::uint32_t kVlsForMeasuring = 1000;
const unsigned int kVlsSettleCycles = 500000;      // 100 ms
const unsigned int kCompareSettleCycles = 150000;  // 30 ms
const std::uint32_t kWindowMargin = 40;
const std::uint32_t kTopLevel = 5000;
const std::uint32_t kCoarseStep = 90;
const std::uint32_t kFineStep = 9;
const std::uint32_t kBackStep = 5;

// One step down; false when it would go below 0 mV, which no window holds.
bool stepDown(std::uint32_t& v, std::uint32_t step) {
  if (v < step) return false;
  v -= step;
  return true;
}

}  // namespace

mcHInterface::mcHInterface(cKrv5Ctrl& krv5Ctrl, cK5CpdCtrl& cpdCtrl, unsigned char& ok,
                           cAlgoModuleUiInterface& ui)
    : cA5H5InterfaceT(krv5Ctrl, cpdCtrl, ok, ui) {}

mcHInterface::~mcHInterface() {}

void mcHInterface::compareAt(std::uint32_t mV) const {
  setVcomp(mV);
  mcu_wait_bus_cycles(kCompareSettleCycles, mFPGAMapping);
}

std::uint32_t mcHInterface::calcVcc(unsigned long upper, unsigned long lower) const {
  setVls(kVlsForMeasuring);
  mcu_wait_bus_cycles(kVlsSettleCycles, mFPGAMapping);

  // Neither edge may wrap: a wrapped bottom would set VCOMP near 4.29e9 mV,
  // a wrapped top would end the search at once.
  const std::uint32_t top = static_cast<std::uint32_t>(upper);
  const std::uint32_t bottom = static_cast<std::uint32_t>(lower);
  const std::uint32_t hi = top >= kTopLevel - kWindowMargin ? kTopLevel : top + kWindowMargin;
  const std::uint32_t lo = bottom <= kWindowMargin ? 0 : bottom - kWindowMargin;

  compareAt(hi);
  if (mVccCmp.high()) return hi < kTopLevel ? 0 : kTopLevel;
  compareAt(lo);
  if (mVccCmp.low()) return 0;

  std::uint32_t v = lo;
  while (mVccCmp.high() && v <= hi) {
    v += kCoarseStep;
    compareAt(v);
  }
  while (mVccCmp.low() && v >= lo) {
    if (!stepDown(v, kFineStep)) return 0;
    compareAt(v);
  }
  if (!stepDown(v, kBackStep)) return 0;
  compareAt(v);
  while (mVccCmp.high() && v <= hi) {
    ++v;
    compareAt(v);
  }
  return v < lo || v > hi ? 0 : v;
}
