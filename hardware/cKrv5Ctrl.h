#ifndef C_KRV5_CTRL_H
#define C_KRV5_CTRL_H

#include <memory>
#include <string>

class cKorvo5Device;
class cK5AbstractPSCtrl;
class cK5FPGACtrl;
class cK5AbstractCPDCtrl;
class cK5SmartPSCtrl;
class cK5PDIOCtrl;

// The one hardware handle of a module instance. Failures are reported through
// ok and an error-info text that holds only the last failure.
class cKrv5Ctrl {
public:
  // Creates and owns the device object.
  explicit cKrv5Ctrl(unsigned char& ok);
  // Wraps a device object that the caller keeps.
  cKrv5Ctrl(cKorvo5Device* device, unsigned char& ok);
  ~cKrv5Ctrl();

  // Hands out the last failure and clears it.
  std::string getErrorInfo();

  cKorvo5Device& getKorvo5Device();
  // Host supply control without the guard rules.
  cK5AbstractPSCtrl* getPSCtrl();
  cK5SmartPSCtrl* getSmartPSCtrl();

  // Controls of FPGA slot 0..6; a thrown host text gives ok 0 and null.
  cK5FPGACtrl* getK5FPGACtrl(unsigned int slot, unsigned char& ok);
  cK5AbstractCPDCtrl* getK5CPDCtrl(unsigned int slot, unsigned char& ok);

private:
  cKrv5Ctrl(const cKrv5Ctrl&) = delete;
  cKrv5Ctrl& operator=(const cKrv5Ctrl&) = delete;

  void createSmartPSCtrl(unsigned char& ok);
  void setFailure(const std::string& text, unsigned char& ok);
  template <typename tCtrl>
  tCtrl* slotControl(unsigned int slot, unsigned char& ok, tCtrl* (cK5PDIOCtrl::*get)());

  bool mOwnsDevice;
  std::unique_ptr<cKorvo5Device> mpDevice;
  std::string mErrorInfo;
  std::unique_ptr<cK5SmartPSCtrl> mpSmartPSCtrl;
};

#endif
