#ifndef C_K5_ABSTRACT_CPD_CTRL_H
#define C_K5_ABSTRACT_CPD_CTRL_H

#include "cK5CPDRegSet.h"

// Host pin-driver control of one FPGA slot: two register banks, bank select,
// strobe and output-disable flags (true: output off). Any call may throw a
// std::string.
class cK5AbstractCPDCtrl {
public:
  virtual ~cK5AbstractCPDCtrl();
  // False on a transfer time-out. regbank is 0 or 1.
  virtual bool writeRegisterSet(unsigned int regbank, const cK5CPDRegSet& set, void* reserved);
  virtual bool writeRegisterSetOnly(unsigned int regbank, const cK5CPDRegSet& set);
  virtual bool readRegisterSet(unsigned int regbank, cK5CPDRegSet& set);
  virtual void setCRS(unsigned int bank);
  virtual void pulseCPDStrobe();
  virtual void setNOEGlobal(bool off);
  virtual void setNOEVCP1(bool off);
  virtual void setNOEVCP2(bool off);
  virtual void setNOEVCP3(bool off);
  virtual void setNOEGND(bool off);
  // false: level shifter, true: comparator.
  virtual void setDIR(bool comparator);

  unsigned int slot() const { return mSlot; }

protected:
  friend class cK5SimProgrammer;
  explicit cK5AbstractCPDCtrl(unsigned int slot);

private:
  unsigned int mSlot;
};

#endif
