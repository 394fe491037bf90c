#include "cCfgFileDeviceCpdConfigsHeader.h"

#include "cCfgFileDeviceCpdConfigs.h"

cCfgFileDeviceCpdConfigsHeader::cCfgFileDeviceCpdConfigsHeader()
    : SizeCpdConfigs(0), mSizePinDefs(cCfgFileDeviceCpdConfigs::getMaxConfigSize(), 0u) {}

cCfgFileDeviceCpdConfigsHeader::cCfgFileDeviceCpdConfigsHeader(
    const cCfgFileDeviceCpdConfigsHeader& other) = default;

cCfgFileDeviceCpdConfigsHeader& cCfgFileDeviceCpdConfigsHeader::operator=(
    const cCfgFileDeviceCpdConfigsHeader& other) {
  if (this != &other) {
    SizeCpdConfigs = other.SizeCpdConfigs;
    mSizePinDefs = other.mSizePinDefs;
  }
  return *this;
}

cCfgFileDeviceCpdConfigsHeader::~cCfgFileDeviceCpdConfigsHeader() {}

bool cCfgFileDeviceCpdConfigsHeader::addSizePinDef(unsigned count, unsigned index) {
  if (index >= mSizePinDefs.size()) {
    return false;
  }
  mSizePinDefs[index] = count;
  return true;
}

unsigned cCfgFileDeviceCpdConfigsHeader::getSizePinDef(unsigned index) const {
  return index < mSizePinDefs.size() ? mSizePinDefs[index] : 0u;
}

bool cCfgFileDeviceCpdConfigsHeader::makeDTFrame(cDTFrame& frame) {
  frame.add(&SizeCpdConfigs, true);
  for (unsigned int& n : mSizePinDefs) {
    frame.add(&n, true);
  }
  return true;
}
