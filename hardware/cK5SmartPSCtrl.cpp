#include "cK5SmartPSCtrl.h"

#include <cmath>
#include <limits>
#include <string>

#include "DiagnosticLog.h"
#include "cK5AbstractPSCtrl.h"

namespace {

const unsigned int kVGateMargin = 5000;

// VCP3 + margin without wrapping: a wrapped sum would leave VGATE far below VCP3.
unsigned int gateFor(unsigned int vcp3) {
  const unsigned long long sum = static_cast<unsigned long long>(vcp3) + kVGateMargin;
  const unsigned long long top = std::numeric_limits<unsigned int>::max();
  return static_cast<unsigned int>(sum < top ? sum : top);
}

// Negative, NaN and out-of-range volts have no millivolt count; clamp them.
unsigned int toMillivolts(float volts) {
  const float mV = volts * 1000.0f;
  if (!(mV > 0.0f)) return 0;
  if (mV >= 4294967295.0f) return std::numeric_limits<unsigned int>::max();
  return static_cast<unsigned int>(mV);
}

const char* const kSlashLine = "////////////////////////////////////////////////////////////////";
const char* const kBlankLine = "///                                                          ///";

}  // namespace

cK5SmartPSCtrl::cK5SmartPSCtrl(cK5AbstractPSCtrl& psCtrl)
    : mpPSCtrl(&psCtrl), mVGate(0), mVcp3(0), mVcp2(0), mVcp1(0), mVls(0), mVcomp(0) {}

cK5SmartPSCtrl::~cK5SmartPSCtrl() {}

void cK5SmartPSCtrl::send(int channel, unsigned int mV) {
  mpPSCtrl->setSupplyVoltage(static_cast<ePSChannel>(channel), mV);
}

void cK5SmartPSCtrl::init() {
  mVGate = mVcp3 = mVcp2 = mVcp1 = mVls = mVcomp = 0;
  setVGate(20000);
  setVcp3(5000);
  setVcp2(1800);
  setVcp1(1800);
  setVls(1800);
  setVcomp(800);
}

void cK5SmartPSCtrl::reset() {
  setVcomp(800);
  setVls(1800);
  setVcp1(1800);
  setVcp2(1800);
  setVcp3(5000);
  setVGate(20000);
}

void cK5SmartPSCtrl::setVls(unsigned int mV) {
  send(PS_VLS, mV);
  mVls = mV;
}

void cK5SmartPSCtrl::setVcomp(unsigned int mV) {
  send(PS_VCOMP, mV);
  mVcomp = mV;
}

void cK5SmartPSCtrl::setVGate(unsigned int mV) {
  if (mVGate >= mV) return;
  send(PS_VGATE, mV);
  mVGate = mV;
}

void cK5SmartPSCtrl::setVcp3(unsigned int mV) {
  if (mV < mVcp1 || mV < mVcp2) {
    logRefusedVcp3(mV);
    return;
  }
  const unsigned int gate = gateFor(mV);
  if (mVGate < gate) setVGate(gate);
  send(PS_VCP3, mV);
  mVcp3 = mV;
}

// The level is kept even when the VCP3 raise was refused.
void cK5SmartPSCtrl::setVcp1(unsigned int mV) {
  if (mVcp3 < mV) setVcp3(mV);
  send(PS_VCP1, mV);
  mVcp1 = mV;
}

void cK5SmartPSCtrl::setVcp2(unsigned int mV) {
  if (mVcp3 < mV) setVcp3(mV);
  send(PS_VCP2, mV);
  mVcp2 = mV;
}

void cK5SmartPSCtrl::SetVls(float volts) { setVls(toMillivolts(volts)); }
void cK5SmartPSCtrl::SetVcomp(float volts) { setVcomp(toMillivolts(volts)); }
void cK5SmartPSCtrl::SetVcp1(float volts) { setVcp1(toMillivolts(volts)); }
void cK5SmartPSCtrl::SetVcp2(float volts) { setVcp2(toMillivolts(volts)); }
void cK5SmartPSCtrl::SetVcp3(float volts) { setVcp3(toMillivolts(volts)); }

void cK5SmartPSCtrl::logRefusedVcp3(unsigned int mV) const {
  const std::string tried = " mV, but you try set VCP3 to " + std::to_string(mV) + " mV !!!  ///";
  logDiag("////// cK5SmartPSCtrl::setVcp3, mV: " + std::to_string(mV) + " - ignored");
  logDiag(kSlashLine);
  logDiag("/// ALARM !!! ALARM !!! ALARM !!! ALARM !!! ALARM !!! ALARM  ///");
  logDiag(kSlashLine);
  logDiag(kBlankLine);
  if (mV < mVcp1) logDiag("///  VCP1 is " + std::to_string(mVcp1) + tried);
  if (mV < mVcp2) logDiag("///  VCP2 is " + std::to_string(mVcp2) + tried);
  logDiag(kBlankLine);
  logDiag(kSlashLine);
}
