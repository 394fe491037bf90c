#ifndef C_CFG_FILE_DEVICE_CPD_PIN_DATA_H
#define C_CFG_FILE_DEVICE_CPD_PIN_DATA_H

#include <string>

#include "cDTFrame.h"

// One register setting of a pin-driver configuration: OpcData goes into
// register PDy of controller PDx.
class cCfgFileDeviceCpdPinData {
public:
  cCfgFileDeviceCpdPinData(unsigned PDx, unsigned PDy, unsigned OpcData, unsigned DevicePin,
                           std::string DevicePinName);
  cCfgFileDeviceCpdPinData(const cCfgFileDeviceCpdPinData& other);
  cCfgFileDeviceCpdPinData& operator=(const cCfgFileDeviceCpdPinData& other);
  virtual ~cCfgFileDeviceCpdPinData();

  bool operator==(const cCfgFileDeviceCpdPinData& other) const;
  bool operator!=(const cCfgFileDeviceCpdPinData& other) const { return !(*this == other); }

  unsigned getOpcData() const { return OpcData; }
  unsigned getPDx() const { return PDx; }
  unsigned getPDy() const { return PDy; }
  unsigned getDevicePin() const { return DevicePin; }
  std::string getDevicePinName() const { return DevicePinName; }

  // PDx, PDy, OpcData, DevicePin, DevicePinName.
  bool makeDTFrame(cDTFrame& frame);

private:
  unsigned int OpcData;
  unsigned int PDx;
  unsigned int PDy;
  unsigned int DevicePin;
  std::string DevicePinName;
};

#endif
