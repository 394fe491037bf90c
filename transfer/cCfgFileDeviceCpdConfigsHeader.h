#ifndef C_CFG_FILE_DEVICE_CPD_CONFIGS_HEADER_H
#define C_CFG_FILE_DEVICE_CPD_CONFIGS_HEADER_H

#include <vector>

#include "cDTFrame.h"

// The shape of a set of pin-driver configurations: how many configurations,
// and how many settings each. Travels ahead of the set, whose record has no counts.
class cCfgFileDeviceCpdConfigsHeader {
public:
  cCfgFileDeviceCpdConfigsHeader();
  cCfgFileDeviceCpdConfigsHeader(const cCfgFileDeviceCpdConfigsHeader& other);
  cCfgFileDeviceCpdConfigsHeader& operator=(const cCfgFileDeviceCpdConfigsHeader& other);
  virtual ~cCfgFileDeviceCpdConfigsHeader();

  unsigned getSizeCpdConfigs() const { return SizeCpdConfigs; }
  void setSizeCpdConfigs(unsigned n) { SizeCpdConfigs = n; }
  // Count first, then index; false for an index past the 20 entries.
  bool addSizePinDef(unsigned count, unsigned index);
  // 0 for an index past the 20 entries.
  unsigned getSizePinDef(unsigned index) const;

  // SizeCpdConfigs, then the 20 pin counts.
  bool makeDTFrame(cDTFrame& frame);

private:
  unsigned int SizeCpdConfigs;
  std::vector<unsigned int> mSizePinDefs;  // always 20 entries
};

#endif
