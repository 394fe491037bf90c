#ifndef C_K5_CPD_CTRL_H
#define C_K5_CPD_CTRL_H

#include <memory>
#include <string>

#include "cK5CPDHdwCtrl.h"

class cKrv5Ctrl;
class cCfgFileDeviceCpdConfigs;
class cCfgFileDeviceCpdPinData;

// Activates named pin-driver configurations: fills the shadow images of the
// FPGA slots a configuration names, writes slots 1 to 6 into a bank and makes
// that bank live through slot 0.
class cK5CpdCtrl {
public:
  enum { kSlotCount = 7 };

  // The configuration set is not owned and may be null.
  cK5CpdCtrl(cKrv5Ctrl& krv5Ctrl, cCfgFileDeviceCpdConfigs* configs);
  // Takes the set, the handle and the error text; the slots start empty.
  cK5CpdCtrl(const cK5CpdCtrl& other);
  // Copies the set and the error text only.
  cK5CpdCtrl& operator=(const cK5CpdCtrl& other);
  ~cK5CpdCtrl();

  // Equal when they use the same configuration set.
  bool operator==(const cK5CpdCtrl& other) const;
  bool operator!=(const cK5CpdCtrl& other) const { return !(*this == other); }

  bool enableCpdConfig(const std::string& label, bool bank);
  bool transmitCpdConfig(const std::string& sLabel, bool bCfgRegNum);
  bool transmitCpdConfigOnly(const std::string& sLabel, bool bCfgRegNum);
  // Selects and strobes the bank through slot 0; false when slot 0 is empty.
  bool enableCpdConfigReg(bool bank);
  bool setupCpdConfig(const std::string& label);
  bool setupCpdPinData(cCfgFileDeviceCpdPinData& pin);
  // Writes the existing images of slots 1 to 6; slot 0 is never written.
  bool transmitCpdConfig(bool bCfgRegNum);
  bool transmitCpdConfigOnly(bool bCfgRegNum);

  // Created on demand; null (with an error line) when it cannot be had.
  cK5CPDHdwCtrl* getCPDHdwCtrl(unsigned int slot);
  void deleteCPDHdwCtrl();

  // Hands out the collected failures and clears them.
  std::string getErrorInfo();
  void addErrorInfo(std::string s);
  static std::string getStr(long long n);

  // Output enables on slot 0; they do nothing while slot 0 is empty.
  void EnableCPD01();
  void DisableCPD01();
  void EnableVCP1();
  void DisableVCP1();
  void EnableVCP2();
  void DisableVCP2();
  void EnableVCP3();
  void DisableVCP3();
  void EnableGND();
  void DisableGND();
  void EnableDirLs();
  void EnableDirComp();

private:
  typedef void (cK5CPDHdwCtrl::*tBankWrite)(bool);
  bool transmitNamed(const std::string& label, bool bank, tBankWrite write);
  void writeSlots(bool bank, tBankWrite write);
  cK5AbstractCPDCtrl* globalCtrl() const;

  std::string mErrorInfo;
  // The provider's control lives from one action start to the next, with
  // receives in between. It may point at the parameter set's configurations
  // because the set never replaces or frees that record while it lives: a
  // receive refills it in place. The set goes only with the provider, and a
  // control's destructor reads neither the set nor the handle.
  cCfgFileDeviceCpdConfigs* mpCfgFileDeviceCpdConfigs;
  cKrv5Ctrl& mKrv5Ctrl;
  std::unique_ptr<cK5CPDHdwCtrl> mpHdwCtrl[kSlotCount];
};

#endif
