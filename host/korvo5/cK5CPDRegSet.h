#ifndef C_K5_CPD_REG_SET_H
#define C_K5_CPD_REG_SET_H

// Register image of one pin-driver slot: 60 registers, all 0 when built.
class cK5CPDRegSet {
public:
  enum { kRegCount = 60 };

  cK5CPDRegSet();
  virtual ~cK5CPDRegSet();

  // Indexes outside 0..59 are ignored (set) or read as 0 (get).
  void setReg(unsigned int index, unsigned int value);
  unsigned int getReg(unsigned int index) const;

private:
  unsigned int mRegs[kRegCount];
};

#endif
