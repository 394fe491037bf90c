#ifndef C_SCAFFO_PROVIDER_H
#define C_SCAFFO_PROVIDER_H

#include <string>

#include "cAbstractEMInterface.h"
#include "piDBlock.h"
#include "piModuleAddr.h"
#include "piSubFrame.h"

class cAbstractEventManager;
class cAbstractModuleEvent;

// The algorithm-provider interface of the host: the slots the host calls and
// the signals through which a provider answers. The signals hand what they
// carry to the process-wide cScaffoHost.
class cScaffoProvider : public cAbstractEMInterface {
public:
  cScaffoProvider();
  ~cScaffoProvider() override;

  virtual std::string getInterfaceName();
  virtual std::string getInterfaceType();
  virtual bool handleInterfaceEvent(cAbstractModuleEvent* event);
  virtual void registerEvents(cAbstractEventManager* manager);
  virtual void unregisterEvents(cAbstractEventManager* manager);

  virtual bool asyncSig_AlgoProgressInfo(piDBlock& block, piModuleAddr addr);
  virtual bool syncSig_DbgMessage(std::string& text, piModuleAddr addr, unsigned int timeout);
  virtual bool syncSig_Message(std::string& text, piModuleAddr addr, unsigned int timeout);
  virtual bool syncSig_PinConnectionData(piSubFrame& frame, piModuleAddr addr,
                                         unsigned int timeout);

  // Slots, in the host's order.
  virtual void Slot_UnClaimKorvo(piModuleAddr addr) = 0;
  virtual void Slot_ClaimKorvo(std::string& remoteId, std::string& interface, unsigned char flag,
                               unsigned char& ok, piModuleAddr addr) = 0;
  virtual void Slot_GetKorvoTypeAndClaimInfo(int& type, std::string& remoteId,
                                             std::string& interface, piModuleAddr addr) = 0;
  virtual void FirstFpgaInitSlotSync(unsigned char& ok, piModuleAddr addr) = 0;
  virtual void LoadBattOffSlotSync(piModuleAddr addr) = 0;
  virtual void LoadBattOnSlotSync(piModuleAddr addr) = 0;
  virtual void FindKrvTixDllSlotSync(unsigned char& ok, piModuleAddr addr) = 0;
  virtual void ResetKorvoSlotSync(piModuleAddr addr) = 0;
  virtual void KorvoTestFktSlotSync(int& number, std::string& text, piModuleAddr addr) = 0;
  virtual void CalibVoltageSlotSync(unsigned char& ok, piModuleAddr addr) = 0;
  virtual void ScanVsupplySlotSync(unsigned int& value, piModuleAddr addr) = 0;
  virtual void ScanVBattSlotSync(unsigned int& value, piModuleAddr addr) = 0;
  virtual void StartBattTimerSlotSync(int time, unsigned char& ok, piModuleAddr addr) = 0;
  virtual void ReadEepromSlotSync(unsigned int& value, piModuleAddr addr) = 0;
  virtual void FpgaTestSlotSync(unsigned int test, unsigned int& result, unsigned char& ok,
                                piModuleAddr addr) = 0;
  virtual void setProviderCheckSumSlot(unsigned int value, piModuleAddr addr) = 0;
  virtual void getProviderCheckSumSlot(unsigned int& value, piModuleAddr addr) = 0;
  virtual void getProviderVersionSlot(unsigned int& value, piModuleAddr addr) = 0;
  virtual void Slot_LoadFpgaForContinuity(unsigned char& ok, piModuleAddr addr) = 0;
  virtual void Slot_StartProg(piModuleAddr addr) = 0;
  virtual void Slot_StartRead(piModuleAddr addr) = 0;
  virtual void Slot_StartBlank(piModuleAddr addr) = 0;
  virtual void Slot_StartVerify(piModuleAddr addr) = 0;
  virtual void Slot_StartErase(piModuleAddr addr) = 0;
  virtual void Slot_StartContinuity(piModuleAddr addr) = 0;
  virtual void Slot_StartNoContinuity(piModuleAddr addr) = 0;
  virtual void Slot_CancelAction(piModuleAddr addr) = 0;
  virtual void Slot_DbgNextStep(piModuleAddr addr) = 0;
  virtual void Slot_DbgIgnore(unsigned char value, piModuleAddr addr) = 0;
  virtual void Slot_PostActionFkt(unsigned char& ok, piModuleAddr addr) = 0;
  virtual void Slot_ReceiveData(piSubFrame& f1, piSubFrame& f2, piSubFrame& f3, piSubFrame& f4,
                                piSubFrame& f5, piSubFrame& f6, piSubFrame& f7, piSubFrame& f8,
                                piSubFrame& f9, unsigned char& ok, piModuleAddr addr) = 0;
  virtual void Slot_SendData(piSubFrame& f1, piSubFrame& f2, piSubFrame& f3, piSubFrame& f4,
                             piSubFrame& f5, piSubFrame& f6, piSubFrame& f7, piSubFrame& f8,
                             piSubFrame& f9, unsigned char& ok, piModuleAddr addr) = 0;
};

#endif
