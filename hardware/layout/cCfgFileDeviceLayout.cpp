#include "cCfgFileDeviceLayout.h"

#include "frameIo.h"
#include "ownedPtrVector.h"

cCfgFileDeviceLayout::cCfgFileDeviceLayout(unsigned n) {
  for (unsigned i = 0; i < n; ++i) {
    addPinDefs(new cDevicePDxyData);
  }
}

cCfgFileDeviceLayout::cCfgFileDeviceLayout(const cCfgFileDeviceLayout& other)
    : cBaseDeviceLayout() {
  *this = other;
}

cCfgFileDeviceLayout& cCfgFileDeviceLayout::operator=(const cCfgFileDeviceLayout& other) {
  if (this == &other) {
    return *this;
  }
  msMethod = other.msMethod;
  msLabel = other.msLabel;
  mHighSideDriverVoltage = other.mHighSideDriverVoltage;
  mVComp = other.mVComp;
  mVls = other.mVls;
  clearPinDefs();
  appendDeepCopies(mPinDefs, other.mPinDefs);
  return *this;
}

cCfgFileDeviceLayout::~cCfgFileDeviceLayout() { clearPinDefs(); }

bool cCfgFileDeviceLayout::operator==(const cCfgFileDeviceLayout& other) const {
  if (this == &other) {
    return true;
  }
  if (msMethod != other.msMethod || msLabel != other.msLabel ||
      mHighSideDriverVoltage != other.mHighSideDriverVoltage || mVComp != other.mVComp ||
      mVls != other.mVls) {
    return false;
  }
  return equalElements(mPinDefs, other.mPinDefs);
}

void cCfgFileDeviceLayout::clearPinDefs() { deleteAllOwned(mPinDefs); }

void cCfgFileDeviceLayout::addPinDefs(cDevicePDxyData* pinDef) {
  if (pinDef != nullptr) {
    mPinDefs.push_back(pinDef);
  }
}

cDevicePDxyData* cCfgFileDeviceLayout::getPinDef(unsigned i) const {
  return i < mPinDefs.size() ? mPinDefs[i] : nullptr;
}

bool cCfgFileDeviceLayout::defineLayout() {
  for (const cDevicePDxyData* p : mPinDefs) {
    addPin(new cDevicePDxyData(*p));
  }
  return true;
}

bool cCfgFileDeviceLayout::makeDTFrame(cDTFrame& frame) {
  frame.add(&msMethod, true);
  frame.add(&msLabel, true);
  frame.add(&mHighSideDriverVoltage, true);
  frame.add(&mVComp, true);
  frame.add(&mVls, true);
  for (cDevicePDxyData* p : mPinDefs) {
    p->makeDTFrame(frame);
  }
  return true;
}

bool cCfgFileDeviceLayout::operator<<(const piSubFrame& sf) { return receiveRecord(*this, sf); }

bool cCfgFileDeviceLayout::operator>>(piSubFrame& sf) { return sendRecord(*this, sf); }
