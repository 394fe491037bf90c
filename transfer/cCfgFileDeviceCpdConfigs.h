#ifndef C_CFG_FILE_DEVICE_CPD_CONFIGS_H
#define C_CFG_FILE_DEVICE_CPD_CONFIGS_H

#include <string>
#include <vector>

#include "cCfgFileDeviceCpdConfig.h"
#include "cCfgFileDeviceCpdConfigsHeader.h"
#include "cDTFrame.h"
#include "piSubFrame.h"

// The named pin-driver configurations of a job, at most getMaxConfigSize().
class cCfgFileDeviceCpdConfigs {
public:
  cCfgFileDeviceCpdConfigs();
  // The empty shape of a set about to be received.
  explicit cCfgFileDeviceCpdConfigs(const cCfgFileDeviceCpdConfigsHeader& header);
  cCfgFileDeviceCpdConfigs(const cCfgFileDeviceCpdConfigs& other);
  cCfgFileDeviceCpdConfigs& operator=(const cCfgFileDeviceCpdConfigs& other);
  virtual ~cCfgFileDeviceCpdConfigs();

  bool operator==(const cCfgFileDeviceCpdConfigs& other) const;
  bool operator!=(const cCfgFileDeviceCpdConfigs& other) const { return !(*this == other); }

  static unsigned getMaxConfigSize() { return 20; }

  // Takes ownership on success; on false (set full) the caller keeps it.
  bool addCpdConfig(cCfgFileDeviceCpdConfig* config);
  unsigned sizeCpdConfigs() const { return static_cast<unsigned>(mConfigs.size()); }
  void clearCpdConfigs();

  // First configuration whose label matches exactly; null when none does.
  cCfgFileDeviceCpdConfig* getCfgFileDeviceCpdConfig(std::string label) const;
  cCfgFileDeviceCpdConfigsHeader getHeader() const;

  // The items of each configuration in order; no count.
  bool makeDTFrame(cDTFrame& frame);
  // Fills the set in place; may stay partly filled on failure.
  bool operator<<(const piSubFrame& sf);
  bool operator>>(piSubFrame& sf);

private:
  std::vector<cCfgFileDeviceCpdConfig*> mConfigs;
};

#endif
