#ifndef T_HOLTEK_SETTINGS_H
#define T_HOLTEK_SETTINGS_H

#include <cstdint>

#include "cDeviceParam.h"

// The Holtek job flow's settings in the 32768-byte device configuration, as
// the host writes them: little-endian at fixed offsets. The defaults are a
// 1024-word chip in pages of 64 bytes, Vcc fixed at 5 V.
struct tHoltekSettings {
  // Offsets in the device configuration.
  static const unsigned int kOptionsAt = 0x1C;     // u32 option flags
  static const unsigned int kFixedVccAt = 0x20;    // u32 mV
  static const unsigned int kVppAt = 0x28;         // u32 mV
  static const unsigned int kVccUpperAt = 0x30;    // u32 mV
  static const unsigned int kVccLowerAt = 0x34;    // u32 mV
  static const unsigned int kMemorySizeAt = 0x3A;  // u32, in the unit of the action's range
  static const unsigned int kPageSizeAt = 0x3E;    // u16 bytes
  static const unsigned int kAreasAt = 0x46;       // u32 area flags
  static const unsigned int kVccModeAt = 0x4A;     // u32, bit 0: measure Vcc
  static const unsigned int kInfoDataAt = 0x4E;    // u32
  static const unsigned int kLockBitsAt = 0x52;    // u8

  // Option flags.
  static const std::uint32_t kOptVerifyAfterRead = 0x01;
  static const std::uint32_t kOptEraseBeforeProgram = 0x02;
  static const std::uint32_t kOptVerifyAfterProgram = 0x08;
  static const std::uint32_t kOptVerifyAllowed = 0x10;  // one of bits 4-6
  static const std::uint32_t kOptBlankCheckAfterErase = 0x80;

  // Area flags.
  static const std::uint32_t kAreaMain = 0x1;
  static const std::uint32_t kAreaInfo = 0x2;
  static const std::uint32_t kAreaLock = 0x4;

  static const std::uint32_t kDefaultWords = 1024;

  std::uint32_t options = kOptVerifyAllowed;
  std::uint32_t fixedVcc = 5000;
  std::uint32_t vpp = 12000;
  std::uint32_t vccUpper = 5500;
  std::uint32_t vccLower = 2200;
  std::uint32_t memorySize = kDefaultWords;
  std::uint16_t pageSize = 64;
  std::uint32_t areas = kAreaMain;
  bool measureVcc = false;
  std::uint32_t infoData = 0xFFFFFFFFu;
  std::uint8_t lockBits = 0xFF;

  // Into a zeroed 32768-byte configuration.
  void writeTo(unsigned char* cfg) const;
  // A device configuration holding the settings.
  cDeviceParam deviceConfig() const;
  // The values the read steps store back (info data and lock bits).
  static std::uint32_t infoDataIn(const unsigned char* cfg);
  static std::uint8_t lockBitsIn(const unsigned char* cfg);
};

#endif
