#include "tHoltekSettings.h"

#include "littleEndian.h"

void tHoltekSettings::writeTo(unsigned char* cfg) const {
  storeLeU32(cfg, kOptionsAt, options);
  storeLeU32(cfg, kFixedVccAt, fixedVcc);
  storeLeU32(cfg, kVppAt, vpp);
  storeLeU32(cfg, kVccUpperAt, vccUpper);
  storeLeU32(cfg, kVccLowerAt, vccLower);
  storeLeU32(cfg, kMemorySizeAt, memorySize);
  storeLeU16(cfg, kPageSizeAt, pageSize);
  storeLeU32(cfg, kAreasAt, areas);
  storeLeU32(cfg, kVccModeAt, measureVcc ? 1u : 0u);
  storeLeU32(cfg, kInfoDataAt, infoData);
  storeLeU8(cfg, kLockBitsAt, lockBits);
}

cDeviceParam tHoltekSettings::deviceConfig() const {
  cDeviceParam param;
  writeTo(param.getDeviceAlgPrmStruct()->pCfgBuffer);
  return param;
}

std::uint32_t tHoltekSettings::infoDataIn(const unsigned char* cfg) {
  return loadLeU32(cfg, kInfoDataAt);
}

std::uint8_t tHoltekSettings::lockBitsIn(const unsigned char* cfg) {
  return loadLeU8(cfg, kLockBitsAt);
}
