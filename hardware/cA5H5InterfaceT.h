#ifndef C_A5H5_INTERFACE_T_H
#define C_A5H5_INTERFACE_T_H

#include <array>
#include <string>

#include "cK5PiezoCtrl.h"
#include "cPinDriverLS.h"
#include "cPinStateCMP.h"
#include "cVCPxModule.h"

class cKrv5Ctrl;
class cK5CpdCtrl;
class cK5AbstractCPDCtrl;
class cAlgoModuleUiInterface;

// Register-level driver of the programming-interface FPGA (slot 0), base of
// every chip algorithm's hardware interface. Its constructor binds the module
// globals that the pin templates read; one interface exists at a time.
//
// One declaration serves every module; the constructor lives in a source of
// its own, which a module may replace with its own (the signal test's also
// fills the table of pin-driver controls of slots 1 to 6).
class cA5H5InterfaceT {
public:
  // Pin-driver slots 1 to 6, one entry each.
  static const unsigned int kCPDCtrlTableSize = 6;
  typedef std::array<cK5AbstractCPDCtrl*, kCPDCtrlTableSize> tCPDCtrlTable;

  // ok is 0 when the FPGA or pin-driver control of slot 0 or the product
  // information cannot be had; such an interface leaves the hardware alone
  // when it is destroyed.
  cA5H5InterfaceT(cKrv5Ctrl& krv5Ctrl, cK5CpdCtrl& cpdCtrl, unsigned char& ok,
                  cAlgoModuleUiInterface& ui);
  virtual ~cA5H5InterfaceT();

  void setVls(unsigned long mV) const;
  void setVcomp(unsigned long mV) const;
  // Raises only.
  void setVgate(unsigned long mV) const;
  void setVLevels(unsigned long vcomp, unsigned long vls) const;

  void setDir_WR() const;
  void setDir_RD() const;
  void loadAddrReg(unsigned long address) const;
  void loadDataReg(unsigned short value) const;
  void putData(unsigned short value) const;
  unsigned short getData() const;
  // The data-in register of a pin-driver bank (bank 0: getData()).
  unsigned short getData(unsigned bank) const;
  bool DataIsEqual(unsigned short value) const;
  void putDataInc(unsigned short value) const;
  unsigned short getDataInc() const;
  unsigned short rbData() const;

  void lockInterrupts() const;
  void unlockInterrupts() const;

  void FPGA_start() const;
  void FPGA_stop() const;
  void FPGA_synchronize() const;
  void FPGA_setPrescaler(unsigned long value) const;
  void FPGA_setClkSource(unsigned long value) const;

  // Nothing happens when the host hands out no state controller.
  void LedBusyOn() const;
  void LedReadyOn() const;

  // Writes a named configuration into a bank, then makes a bank live; false
  // when the pin-driver control failed (its error text says why).
  bool CPD_transmitConfig(const std::string& label, bool bank) const;
  bool CPD_enableConfigReg(bool bank) const;
  // The pin-driver control's collected failures; handing them out clears them.
  std::string getCpdErrorInfo() const;

  // Entry i: the host pin-driver control of slot i + 1, null where none was
  // bound.
  const tCPDCtrlTable& getCPDCtrlTable() const { return mCPDCtrlTable; }

protected:
  cK5CpdCtrl* mpCpdCtrl;
  cK5PiezoCtrl mPiezo;
  tCPDCtrlTable mCPDCtrlTable;
  cAlgoModuleUiInterface* mpUi;

private:
  cA5H5InterfaceT(const cA5H5InterfaceT&) = delete;
  cA5H5InterfaceT& operator=(const cA5H5InterfaceT&) = delete;

  // The constructors' steps. Binding looks up the FPGA and pin-driver
  // controls of slot 0 and the product information, then sets the module
  // globals all at once; false (and ok 0, the globals untouched) when one is
  // missing.
  bool bindSlot0(cKrv5Ctrl& krv5Ctrl, unsigned char& ok);
  // Start levels and the interface enable; from here on the destructor takes
  // the hardware back to rest.
  void enable();

  // Set once the interface enable is written; only then does the destructor
  // take the hardware back to rest.
  bool mEnabled;
};

#endif
