#ifndef C_K5_CPD_HDW_CTRL_H
#define C_K5_CPD_HDW_CTRL_H

#include <memory>

class cKrv5Ctrl;
class cK5AbstractCPDCtrl;
class cK5CPDRegSet;

// Pin-driver control of one FPGA slot: the host control plus a shadow
// register image that is filled register by register and written to a bank.
class cK5CPDHdwCtrl {
public:
  // ok is 0 when the host control of the slot could not be obtained.
  cK5CPDHdwCtrl(cKrv5Ctrl& krv5Ctrl, unsigned int slot, unsigned char& ok);
  ~cK5CPDHdwCtrl();

  // dy when it names a register, else -1.
  int checkDyNr(unsigned int dy) const;
  bool setCPDReg(unsigned int dy, unsigned int value);
  unsigned int getCPDReg(unsigned int dy) const;
  bool setCPDReg(const cK5CPDRegSet& set);

  // Shadow image into a register bank; a time-out is only written out.
  void setCPD(bool bank);
  void setCPDOnly(bool bank);
  bool readCPD(bool bank);

  // The host control of the slot (not owned); null when the host gave none.
  cK5AbstractCPDCtrl* pK5CPDCtrl;

private:
  cK5CPDHdwCtrl(const cK5CPDHdwCtrl&) = delete;
  cK5CPDHdwCtrl& operator=(const cK5CPDHdwCtrl&) = delete;

  bool canTransfer() const;

  std::unique_ptr<cK5CPDRegSet> mpRegSet;
};

#endif
