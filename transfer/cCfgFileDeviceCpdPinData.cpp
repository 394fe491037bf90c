#include "cCfgFileDeviceCpdPinData.h"

cCfgFileDeviceCpdPinData::cCfgFileDeviceCpdPinData(unsigned PDx_, unsigned PDy_, unsigned OpcData_,
                                                   unsigned DevicePin_, std::string DevicePinName_)
    : OpcData(OpcData_),
      PDx(PDx_),
      PDy(PDy_),
      DevicePin(DevicePin_),
      DevicePinName(std::move(DevicePinName_)) {}

cCfgFileDeviceCpdPinData::cCfgFileDeviceCpdPinData(const cCfgFileDeviceCpdPinData& other) = default;

cCfgFileDeviceCpdPinData& cCfgFileDeviceCpdPinData::operator=(
    const cCfgFileDeviceCpdPinData& other) {
  if (this != &other) {
    OpcData = other.OpcData;
    PDx = other.PDx;
    PDy = other.PDy;
    DevicePin = other.DevicePin;
    DevicePinName = other.DevicePinName;
  }
  return *this;
}

cCfgFileDeviceCpdPinData::~cCfgFileDeviceCpdPinData() {}

bool cCfgFileDeviceCpdPinData::operator==(const cCfgFileDeviceCpdPinData& other) const {
  if (this == &other) {
    return true;
  }
  return OpcData == other.OpcData && PDx == other.PDx && PDy == other.PDy &&
         DevicePin == other.DevicePin && DevicePinName == other.DevicePinName;
}

bool cCfgFileDeviceCpdPinData::makeDTFrame(cDTFrame& frame) {
  frame.add(&PDx, true);
  frame.add(&PDy, true);
  frame.add(&OpcData, true);
  frame.add(&DevicePin, true);
  frame.add(&DevicePinName, true);
  return true;
}
