#include "cCfgFileDeviceCpdConfigs.h"

#include "frameIo.h"
#include "ownedPtrVector.h"

cCfgFileDeviceCpdConfigs::cCfgFileDeviceCpdConfigs() {}

cCfgFileDeviceCpdConfigs::cCfgFileDeviceCpdConfigs(const cCfgFileDeviceCpdConfigsHeader& header) {
  for (unsigned i = 0; i < header.getSizeCpdConfigs() && sizeCpdConfigs() < getMaxConfigSize();
       ++i) {
    addCpdConfig(new cCfgFileDeviceCpdConfig(header.getSizePinDef(i)));
  }
}

cCfgFileDeviceCpdConfigs::cCfgFileDeviceCpdConfigs(const cCfgFileDeviceCpdConfigs& other) {
  *this = other;
}

cCfgFileDeviceCpdConfigs& cCfgFileDeviceCpdConfigs::operator=(
    const cCfgFileDeviceCpdConfigs& other) {
  if (this == &other) {
    return *this;
  }
  clearCpdConfigs();
  appendDeepCopies(mConfigs, other.mConfigs);
  return *this;
}

cCfgFileDeviceCpdConfigs::~cCfgFileDeviceCpdConfigs() { clearCpdConfigs(); }

bool cCfgFileDeviceCpdConfigs::operator==(const cCfgFileDeviceCpdConfigs& other) const {
  if (this == &other) {
    return true;
  }
  return equalElements(mConfigs, other.mConfigs);
}

bool cCfgFileDeviceCpdConfigs::addCpdConfig(cCfgFileDeviceCpdConfig* config) {
  if (config == nullptr || sizeCpdConfigs() >= getMaxConfigSize()) {
    return false;
  }
  mConfigs.push_back(config);
  return true;
}

void cCfgFileDeviceCpdConfigs::clearCpdConfigs() { deleteAllOwned(mConfigs); }

cCfgFileDeviceCpdConfig* cCfgFileDeviceCpdConfigs::getCfgFileDeviceCpdConfig(
    std::string label) const {
  for (cCfgFileDeviceCpdConfig* c : mConfigs) {
    if (c->getRefLabel() == label) {
      return c;
    }
  }
  return nullptr;
}

cCfgFileDeviceCpdConfigsHeader cCfgFileDeviceCpdConfigs::getHeader() const {
  cCfgFileDeviceCpdConfigsHeader header;
  header.setSizeCpdConfigs(sizeCpdConfigs());
  for (unsigned i = 0; i < sizeCpdConfigs(); ++i) {
    header.addSizePinDef(mConfigs[i]->sizePinDefs(), i);
  }
  return header;
}

bool cCfgFileDeviceCpdConfigs::makeDTFrame(cDTFrame& frame) {
  for (cCfgFileDeviceCpdConfig* c : mConfigs) {
    c->makeDTFrame(frame);
  }
  return true;
}

bool cCfgFileDeviceCpdConfigs::operator<<(const piSubFrame& sf) { return receiveRecord(*this, sf); }

bool cCfgFileDeviceCpdConfigs::operator>>(piSubFrame& sf) { return sendRecord(*this, sf); }
