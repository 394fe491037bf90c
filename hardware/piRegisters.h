#ifndef PI_REGISTERS_H
#define PI_REGISTERS_H

#include "mcuAccess.h"
#include "moduleGlobals.h"

// Byte offsets of the programming-interface FPGA registers from IOSpace.
enum ePiRegister {
  piLineSet = 0x42,      // 1 bits drive their lines high; bit 0 = write direction
  piLineClear = 0x44,    // 1 bits drive their lines low; bit 0 = read direction
  piComparators = 0x60,  // bit N = comparator N
  piAddrLow = 0x80,
  piAddrHigh = 0x82,
  piDataIn = 0x84,
  piDataOut = 0x86,
  piDataOutInc = 0x88,
  piDataInInc = 0x8A,
  piInterfaceEnable = 0xA6,
  piClockSource = 0xB0,
  piPrescaler = 0xB4,
  piRun = 0xB6
};

// Further pin-driver banks repeat the comparator and data-in registers at
// this step; bank 0 is the registers above.
const unsigned int piBankStride = 0x200;

inline unsigned int piBankRegister(ePiRegister reg, unsigned int bank) {
  return reg + bank * piBankStride;
}

inline unsigned short piRead(unsigned int offset) { return mcu_read16(IOSpace + offset); }

inline void piWrite(unsigned int offset, unsigned short value) {
  mcu_write16(IOSpace + offset, value);
}

#endif
