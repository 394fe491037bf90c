#ifndef C_CFG_FILE_DEVICE_CPD_CONFIG_H
#define C_CFG_FILE_DEVICE_CPD_CONFIG_H

#include <string>
#include <vector>

#include "cCfgFileDeviceCpdPinData.h"
#include "cDTFrame.h"

// A named pin-driver configuration: a label and its register settings in the
// order they are applied.
class cCfgFileDeviceCpdConfig {
public:
  // An empty label and n placeholder settings that a received record overwrites.
  explicit cCfgFileDeviceCpdConfig(unsigned n);
  cCfgFileDeviceCpdConfig(const cCfgFileDeviceCpdConfig& other);
  cCfgFileDeviceCpdConfig& operator=(const cCfgFileDeviceCpdConfig& other);
  virtual ~cCfgFileDeviceCpdConfig();

  bool operator==(const cCfgFileDeviceCpdConfig& other) const;
  bool operator!=(const cCfgFileDeviceCpdConfig& other) const { return !(*this == other); }

  std::string& getRefLabel() { return mLabel; }
  unsigned sizePinDefs() const { return static_cast<unsigned>(mPinDefs.size()); }
  // Null when i is past the last setting.
  cCfgFileDeviceCpdPinData* getCfgFileDeviceCpdPinData(unsigned i) const;
  // Takes ownership.
  void addPinDef(cCfgFileDeviceCpdPinData* pinDef);
  void clearPinDefs();

  // The label, then the items of each setting.
  bool makeDTFrame(cDTFrame& frame);

private:
  std::string mLabel;
  std::vector<cCfgFileDeviceCpdPinData*> mPinDefs;
};

#endif
