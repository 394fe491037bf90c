#include "cCfgFileDeviceCpdConfig.h"

#include "ownedPtrVector.h"

cCfgFileDeviceCpdConfig::cCfgFileDeviceCpdConfig(unsigned n) {
  for (unsigned i = 0; i < n; ++i) {
    addPinDef(new cCfgFileDeviceCpdPinData(0, 0, 0, 0, "UNKNOWN"));
  }
}

cCfgFileDeviceCpdConfig::cCfgFileDeviceCpdConfig(const cCfgFileDeviceCpdConfig& other) {
  *this = other;
}

cCfgFileDeviceCpdConfig& cCfgFileDeviceCpdConfig::operator=(const cCfgFileDeviceCpdConfig& other) {
  if (this == &other) {
    return *this;
  }
  mLabel = other.mLabel;
  clearPinDefs();
  appendDeepCopies(mPinDefs, other.mPinDefs);
  return *this;
}

cCfgFileDeviceCpdConfig::~cCfgFileDeviceCpdConfig() { clearPinDefs(); }

bool cCfgFileDeviceCpdConfig::operator==(const cCfgFileDeviceCpdConfig& other) const {
  if (this == &other) {
    return true;
  }
  return mLabel == other.mLabel && equalElements(mPinDefs, other.mPinDefs);
}

cCfgFileDeviceCpdPinData* cCfgFileDeviceCpdConfig::getCfgFileDeviceCpdPinData(unsigned i) const {
  return i < mPinDefs.size() ? mPinDefs[i] : nullptr;
}

void cCfgFileDeviceCpdConfig::addPinDef(cCfgFileDeviceCpdPinData* pinDef) {
  if (pinDef != nullptr) {
    mPinDefs.push_back(pinDef);
  }
}

void cCfgFileDeviceCpdConfig::clearPinDefs() { deleteAllOwned(mPinDefs); }

bool cCfgFileDeviceCpdConfig::makeDTFrame(cDTFrame& frame) {
  frame.add(&mLabel, true);
  for (cCfgFileDeviceCpdPinData* p : mPinDefs) {
    p->makeDTFrame(frame);
  }
  return true;
}
