#include "cBaseDeviceLayout.h"

#include "DiagnosticLog.h"
#include "ownedPtrVector.h"

cBaseDeviceLayout::cBaseDeviceLayout() : mHighSideDriverVoltage(2200), mVComp(1000), mVls(2000) {
  startAsNew();
}

cBaseDeviceLayout::~cBaseDeviceLayout() { deleteAllOwned(mPins); }

void cBaseDeviceLayout::clear() {
  mpResult.reset(new cPinConnectionData(0, 0));
  mPDMaxSlot = 0;
  mTotalPinNumber = 0;
  deleteAllOwned(mPins);
}

void cBaseDeviceLayout::startAsNew() {
  clear();
  // clear keeps it, since every test's init runs clear; a new layout has none.
  mHighSideDriverPinCount = 0;
}

bool cBaseDeviceLayout::init() {
  clear();
  defineLayout();
  if (!acquirePDMaxSlot()) {
    return false;
  }
  return acquireTotalPinNumber();
}

unsigned cBaseDeviceLayout::getPDMaxSlot() const {
  return mPDMaxSlot <= kMaxPDSlot ? mPDMaxSlot : 0;
}

cDevicePDxyData* cBaseDeviceLayout::getDevicePDxyData(unsigned i) const {
  return i < mPins.size() ? mPins[i] : nullptr;
}

cDevicePDxyData* cBaseDeviceLayout::getHighSideDriverPin() {
  mHighSideDriverPinCount = 0;
  for (cDevicePDxyData* pin : mPins) {
    if (pin->getTestRule() == cDevicePDxyData::trHighSideDriverPin) {
      mHighSideDriverPinCount = 1;
      return pin;
    }
  }
  return nullptr;
}

void cBaseDeviceLayout::getHighSideDriverPins(std::vector<cDevicePDxyData*>& pins) {
  mHighSideDriverPinCount = 0;
  for (cDevicePDxyData* pin : mPins) {
    if (pin->getTestRule() == cDevicePDxyData::trHighSideDriverPin) {
      pins.push_back(pin);
      ++mHighSideDriverPinCount;
    }
  }
}

bool cBaseDeviceLayout::acquirePDMaxSlot() {
  mPDMaxSlot = 0;
  for (const cDevicePDxyData* pin : mPins) {
    if (pin->getPDx() > mPDMaxSlot) {
      mPDMaxSlot = pin->getPDx();
    }
  }
  return mPDMaxSlot != 0;
}

bool cBaseDeviceLayout::acquireTotalPinNumber() {
  mTotalPinNumber = 0;
  for (const cDevicePDxyData* pin : mPins) {
    // Compared unsigned: a negative rule received from the host is not testable.
    if (static_cast<unsigned>(pin->getTestRule()) <= cDevicePDxyData::trHigh) {
      ++mTotalPinNumber;
    }
  }
  return mTotalPinNumber != 0;
}

unsigned cBaseDeviceLayout::acquireConnectionResult() {
  unsigned n = 0;
  for (const cDevicePDxyData* pin : mPins) {
    if (pin->getTestResult()) {
      ++n;
    }
  }
  if (mHighSideDriverPinCount < n) {
    return n;
  }
  logDiag("");
  logDiag("*** Pin Continuity Test *** WARNING : connected pin count = " + std::to_string(n));
  logDiag(std::string(38, ' ') +
          "HSDriver  pin count = " + std::to_string(mHighSideDriverPinCount));
  logDiag(std::string(33, ' ') + std::string(31, '-'));
  logDiag(std::string(34, ' ') + "connected pins reported = 0");
  return 0;
}

cPinConnectionData& cBaseDeviceLayout::getPinConnectionResult() {
  const unsigned connected = acquireConnectionResult();
  mpResult.reset(new cPinConnectionData(mTotalPinNumber, connected));
  return *mpResult;
}

void cBaseDeviceLayout::addPin(cDevicePDxyData* pin) {
  if (pin != nullptr) {
    mPins.push_back(pin);
  }
}
