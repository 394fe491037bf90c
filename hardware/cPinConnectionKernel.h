#ifndef C_PIN_CONNECTION_KERNEL_H
#define C_PIN_CONNECTION_KERNEL_H

#include <memory>
#include <string>
#include <vector>

class cBaseDeviceLayout;
class cKrv5Ctrl;
class cK5AbstractPSCtrl;
class cK5CPDHdwCtrl;
class cK5FPGACtrl;
class cDevicePDxyData;
class tK5LinuxTime;

// Pin continuity test of the chip in the socket over a device pin layout: all
// pins in comparator mode with pull-down, the high-side driver pin(s) driven
// from VCP1, every line read back from the continuity FPGA image and the level
// stored in the layout. One kernel serves one test; host failures thrown as
// text pass to the caller.
class cPinConnectionKernel {
public:
  // Pin mode words of the pin-driver registers.
  static const unsigned int DAT_NULL_MODE = 0x000;
  static const unsigned int DAT_LOGIC_COMP_PULL_DOWN = 0xC01;
  static const unsigned int DAT_HIGH_SIDE_DRIVER = 0xC51;

  cPinConnectionKernel(cBaseDeviceLayout& layout, cKrv5Ctrl& krv5Ctrl);
  // Frees the controls it made; touches no hardware.
  virtual ~cPinConnectionKernel();

  // Runs the test method the layout names.
  bool doIt();
  // Lines each ended by "\n" (init's single message has none); not cleared here.
  std::string& getErrorHint() { return msErrorHint; }

  // Binds pin-driver and FPGA controls of slots 0..largest slot and sets the
  // test supplies.
  bool init();
  // Frees the pin-driver controls; the FPGA list stays.
  void clean();

  void initAllVoltages();
  void resetAllVoltages();

  // Into the slot's register image only; setCPDActive sends it.
  bool setCpdCfg(unsigned int slot, unsigned int line, unsigned int mode);
  bool setCpdCfgAllPins(unsigned int mode);
  void enableCPD();
  void disableCPD();
  // Images of slots 1 and up to bank 0, then one strobe through slot 0.
  void setCPDActive();

  // Bit n is the level of line n; a slot without FPGA control reads all ones.
  unsigned long long readPDyFromAdapter(unsigned int slot);
  bool getReadValue(std::vector<unsigned long long>& words, unsigned int slot, unsigned int line);
  void readAdapterPins();

  bool doItOneGndDiodeHigh();
  bool doItMultiGndDiodeHigh();

private:
  cPinConnectionKernel(const cPinConnectionKernel&) = delete;
  cPinConnectionKernel& operator=(const cPinConnectionKernel&) = delete;

  typedef bool (cPinConnectionKernel::*tDriveHighSide)();

  // The steps both methods share, around their own choice of driver pins.
  bool runTest(tDriveHighSide driveHighSide);
  bool driveOneHighSidePin();
  bool driveAllHighSidePins();
  bool driveHighSidePin(const cDevicePDxyData& pin);
  // Appends text and "\n" to the hint, logs text with its detail; false.
  bool fail(const std::string& text, const std::string& logDetail = std::string());
  bool failInit(const std::string& hint);
  void setSupply(int channel, unsigned int mV);

  cBaseDeviceLayout& mLayout;
  cKrv5Ctrl& mKrv5Ctrl;
  cK5AbstractPSCtrl* mpPSCtrl;
  std::vector<std::unique_ptr<cK5CPDHdwCtrl>> mCpdCtrls;  // index = slot
  std::vector<cK5FPGACtrl*> mFpgaCtrls;                   // index = slot, not owned
  std::unique_ptr<tK5LinuxTime> mpDelay;
  std::string msErrorHint;
};

#endif
