#ifndef C_K5_PDIO_CTRL_H
#define C_K5_PDIO_CTRL_H

class cK5FPGACtrl;
class cK5AbstractCPDCtrl;

// Controls of one FPGA slot (pin-driver board).
class cK5PDIOCtrl {
public:
  virtual ~cK5PDIOCtrl();
  cK5FPGACtrl* fpgaCtrl();
  cK5AbstractCPDCtrl* cpdCtrl();

  unsigned int slot() const { return mSlot; }

protected:
  friend class cK5SimProgrammer;
  explicit cK5PDIOCtrl(unsigned int slot);

private:
  unsigned int mSlot;
};

#endif
