#ifndef C_K5_FPGA_CTRL_H
#define C_K5_FPGA_CTRL_H

#include <string>

// Host control of one FPGA: 16-bit registers, reset and image loading.
// Any call may throw a std::string.
class cK5FPGACtrl {
public:
  virtual ~cK5FPGACtrl();

  unsigned short read16(unsigned int reg);
  void write16(unsigned int reg, unsigned short value);
  // Resets all FPGAs.
  bool resetFPGA();
  // Loads image data into FPGA `index`; leaves `error` empty on success.
  static void loadHdw(unsigned int index, const char* data, unsigned int size, std::string& error);

  unsigned int slot() const { return mSlot; }

  // Register base of this FPGA's programming-interface space: a 32-bit
  // address token for mcu_read16/mcu_write16, never a host pointer.
  unsigned int regBase;

protected:
  friend class cK5SimProgrammer;
  cK5FPGACtrl(unsigned int slot, unsigned int base);

private:
  unsigned int mSlot;
};

#endif
