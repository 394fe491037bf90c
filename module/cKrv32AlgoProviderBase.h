#ifndef C_KRV32_ALGO_PROVIDER_BASE_H
#define C_KRV32_ALGO_PROVIDER_BASE_H

#include <memory>
#include <string>

#include "TAG_GLOBAL_ALGOCTRL_DATA.h"
#include "cAbstractModule.h"
#include "cScaffoProvider.h"
#include "eAlgoActionType.h"
#include "eAlgoReturnValues.h"
#include "piModuleAddr.h"

class AbstractAlgoBase;
class cAlgoModuleUiInterface;
class cAlgoParam;
class cBaseDeviceLayout;
class cK5CpdCtrl;
struct TAG_UI_ALGODATA_KRV3;
class cK5StateCtrl;
class cKrv5Ctrl;
class cMPDE;
class cPinConnectionData;

// The provider base: every host slot, the messages and progress record sent
// back to the host, and the algorithm factory that each deliverable fills in.
// It owns everything a module instance keeps between two host calls. When the
// hardware handle cannot be built the module runs on without handle,
// user-interface object and pin-driver control.
//
// Sources by concern: construction and the services (cKrv32AlgoProviderBase.cpp),
// the slots that run no action (cKrv32AlgoProviderBaseSlots.cpp), the start
// slots, action flow and close (cKrv32AlgoProviderBaseActionFlow.cpp), FPGA
// loading, switching off and continuity (cKrv32AlgoProviderBaseFpga.cpp).
class cKrv32AlgoProviderBase : public cAbstractModule, public cScaffoProvider {
public:
  cKrv32AlgoProviderBase(cMPDE* mpde, std::string name);
  // Frees memory only: no pin-driver, supply or device-state command.
  ~cKrv32AlgoProviderBase() override;

  // ======================================================================
  // Slots the host calls, in the provider's own order
  // ======================================================================
  void setProviderCheckSumSlot(unsigned int value, piModuleAddr addr) override;
  void getProviderCheckSumSlot(unsigned int& value, piModuleAddr addr) override;
  void getProviderVersionSlot(unsigned int& value, piModuleAddr addr) override;
  void Slot_UnClaimKorvo(piModuleAddr addr) override;
  void Slot_ClaimKorvo(std::string& remoteId, std::string& interface, unsigned char flag,
                       unsigned char& ok, piModuleAddr addr) override;
  void Slot_GetKorvoTypeAndClaimInfo(int& type, std::string& remoteId, std::string& interface,
                                     piModuleAddr addr) override;
  void Slot_ReceiveData(piSubFrame& f1, piSubFrame& f2, piSubFrame& f3, piSubFrame& f4,
                        piSubFrame& f5, piSubFrame& f6, piSubFrame& f7, piSubFrame& f8,
                        piSubFrame& f9, unsigned char& ok, piModuleAddr addr) override;
  void Slot_SendData(piSubFrame& f1, piSubFrame& f2, piSubFrame& f3, piSubFrame& f4, piSubFrame& f5,
                     piSubFrame& f6, piSubFrame& f7, piSubFrame& f8, piSubFrame& f9,
                     unsigned char& ok, piModuleAddr addr) override;
  void Slot_DbgNextStep(piModuleAddr addr) override;
  void Slot_DbgIgnore(unsigned char value, piModuleAddr addr) override;
  void Slot_LoadFpgaForContinuity(unsigned char& ok, piModuleAddr addr) override;
  void Slot_StartProg(piModuleAddr addr) override;
  void Slot_StartRead(piModuleAddr addr) override;
  void Slot_StartBlank(piModuleAddr addr) override;
  void Slot_StartVerify(piModuleAddr addr) override;
  void Slot_StartErase(piModuleAddr addr) override;
  void Slot_StartContinuity(piModuleAddr addr) override;
  void Slot_StartNoContinuity(piModuleAddr addr) override;
  void Slot_PostActionFkt(unsigned char& ok, piModuleAddr addr) override;
  void Slot_CancelAction(piModuleAddr addr) override;
  void FindKrvTixDllSlotSync(unsigned char& ok, piModuleAddr addr) override;
  void FirstFpgaInitSlotSync(unsigned char& ok, piModuleAddr addr) override;
  void LoadBattOffSlotSync(piModuleAddr addr) override;
  void LoadBattOnSlotSync(piModuleAddr addr) override;
  void ResetKorvoSlotSync(piModuleAddr addr) override;
  void KorvoTestFktSlotSync(int& number, std::string& text, piModuleAddr addr) override;
  void CalibVoltageSlotSync(unsigned char& ok, piModuleAddr addr) override;
  void ScanVsupplySlotSync(unsigned int& value, piModuleAddr addr) override;
  void ScanVBattSlotSync(unsigned int& value, piModuleAddr addr) override;
  void StartBattTimerSlotSync(int time, unsigned char& ok, piModuleAddr addr) override;
  void ReadEepromSlotSync(unsigned int& value, piModuleAddr addr) override;
  void FpgaTestSlotSync(unsigned int test, unsigned int& result, unsigned char& ok,
                        piModuleAddr addr) override;

  // Reads the claim back from the host into the two strings.
  void getClaimInfo(std::string& claimedRemoteId, std::string& claimedInterface);

  // True while a start slot of this provider runs, host events in its
  // scheduler included.
  bool runsAnAction() const { return spActionProvider == this; }

private:
  // Stores the caller's address and writes the slot's log line.
  void beginServiceSlot(const char* name, piModuleAddr addr);
  // Bodies of the claim and type slots.
  void claimKorvo(std::string& remoteId, std::string& interface, unsigned char flag,
                  unsigned char& ok, piModuleAddr addr);
  void getKorvoTypeAndClaimInfo(int& type, std::string& remoteId, std::string& interface);

public:
  // ======================================================================
  // Services algorithms may call
  // ======================================================================
  // The job's parameter set.
  cAlgoParam& getAP() { return *maprAlgoParam; }
  // Null when the module runs without hardware.
  cKrv5Ctrl* getKrv5Ctrl() { return maprKrv5Ctrl.get(); }
  // The current pin-driver control; there is none without hardware, so only
  // call it when getKrv5Ctrl() is not null.
  cK5CpdCtrl& getK5CpdCtrl() { return *maprCpdCtrl; }
  // Handed to every algorithm; null without hardware.
  cAlgoModuleUiInterface* getAlgoUiInterface() { return maprUiInterface.get(); }
  // A new pin-driver control over the hardware handle, without configurations.
  void initCpdCtrl();

  // Device state of the host: dsBusy, dsReady. Nothing without hardware.
  void setKrvBusy();
  void setKrvReady();

  // "0x" and at least 8 lower-case hex digits; negative values as their
  // 32-bit pattern.
  static std::string getStr(int value);

  // Arguments of createGACD: a fresh record with the cancel byte cleared, or
  // with the cancel byte of the record it replaces.
  static const unsigned char kResetCancel = 1;
  static const unsigned char kKeepCancel = 0;

  // Progress record and messages to the host, all to the reply address.
  void createGACD(unsigned char reset);
  TAG_GLOBAL_ALGOCTRL_DATA* getGACD() { return maprGACD.get(); }
  void ShowProgress(char* data, unsigned int size);
  void ShowProgress();
  void showMessage(std::string text);
  void showInternMessage(std::string text);
  piModuleAddr& getAddrFrom() { return replyAddress; }

  unsigned char getCancel() const;
  unsigned char* getDbgNextStep() { return &dbgNextStep; }
  unsigned char* getDbgIgnore() { return &dbgIgnore; }

  // Time-out the host applies to every synchronous signal.
  static const unsigned int kSignalTimeout = 20000;

private:
  // The host's device state controller; null without hardware or when the
  // host hands out none.
  cK5StateCtrl* stateCtrl();

public:
  // ======================================================================
  // Steps of the action flow
  // ======================================================================
  // Algorithm factory of the deliverable.
  virtual bool CreateAlgo() = 0;
  virtual void DeleteAlgo() = 0;
  virtual AbstractAlgoBase* getAlgo() = 0;
  virtual short StartProg() = 0;
  virtual short StartRead() = 0;
  virtual short StartBlank() = 0;
  virtual short StartVerify() = 0;
  virtual short StartErase() = 0;

  // ---- prepare, create the algorithm, run one action, close ----
  // True when an algorithm is ready for the action, or when a continuity-only
  // action has already been closed successfully. Every false has closed the
  // action.
  bool preActionStart(eAlgoActionType type);
  // False leaves the release of a created algorithm to the close.
  bool __createAlgo();
  // Stores CheckProcess, EpMax and EpNumber in the job record; true when
  // CheckProcess is 0.
  bool cfgUIData(AbstractAlgoBase& algo);
  // Applies the low four bits of the job record's ActionMode; false refuses.
  bool CfgAlgoForSpecificAction(AbstractAlgoBase& algo);
  // Closes the action; never fails towards its caller.
  void postAlgoAction(eAlgoReturnValues result);
  void GetK3ErrInfo();
  bool checkHdwOK();
  void setProcessPriorityHigh();
  void setProcessPriorityLow();

  // ---- FPGA loading, switching off, continuity test ----
  // The device pin layout for the continuity test, or null when the job
  // carries none.
  virtual cBaseDeviceLayout* getDeviceLayout();
  bool resetFPGAs();
  // True when at least one image of the kind was loaded and none failed.
  bool loadFPGAs(const std::string& kind);
  void disableCPDs();
  void disableVoltage();
  // True lets the action go on: a chip must sit in the socket.
  bool doPinConnectionTest();
  // True when the socket was found empty.
  bool doPinNoConnectionTest();
  bool doPinConnectionTestKernel(cBaseDeviceLayout& layout);
  // True when the host took the result in time.
  bool transmitPinConnectionData(cPinConnectionData& data);

private:
  typedef short (cKrv32AlgoProviderBase::*tRunAction)();

  // The shape of all seven start slots; run is null for the continuity-only
  // actions, which the preparation closes itself.
  void runStartSlot(eAlgoActionType type, const std::string& entry, const std::string& catchPrefix,
                    tRunAction run);
  // Fails the preparation after an algorithm was asked for: marks the record
  // ended and closes with a failure.
  bool failConfiguredAction(const std::string& devText);
  TAG_UI_ALGODATA_KRV3& jobRecord();
  // Close steps that give the programmer back; the algorithm is released only
  // where there is hardware to release it from.
  void releaseAlgo();
  void runReleaseStep(unsigned int step);
  // The steps from this one on, each whatever the others throw.
  void runReleaseStepsFrom(unsigned int step);
  // Kernel run, result read-back, its two log lines and the send; the kernel's
  // verdict.
  bool runContinuityKernel(cBaseDeviceLayout& layout, cPinConnectionData& result);

  // True, with the line "<slot> refused while an action runs.", while any
  // provider of the module runs an action.
  static bool refusedDuringAction(const std::string& slot);

  // The provider whose start slot runs, null when none. One for the whole
  // module: two providers of it share the programmer, so a host event during
  // one's action must not reach the hardware or a job through the other.
  static const cKrv32AlgoProviderBase* spActionProvider;

  // ======================================================================
  // Members
  // ======================================================================
  // Released in reverse order of declaration, the hardware handle first. The
  // constructor builds them in another order: the progress record, the
  // parameter set and the hardware handle, then, with a good handle, the
  // user-interface object and the pin-driver control.
  std::unique_ptr<cAlgoModuleUiInterface> maprUiInterface;
  std::unique_ptr<cK5CpdCtrl> maprCpdCtrl;
  unsigned int iCheckSum;
  unsigned char dbgNextStep;
  unsigned char dbgIgnore;
  piModuleAddr replyAddress;
  std::unique_ptr<cAlgoParam> maprAlgoParam;
  std::unique_ptr<TAG_GLOBAL_ALGOCTRL_DATA> maprGACD;
  std::unique_ptr<cKrv5Ctrl> maprKrv5Ctrl;
};

#endif
