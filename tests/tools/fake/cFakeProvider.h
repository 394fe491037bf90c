#ifndef C_FAKE_PROVIDER_H
#define C_FAKE_PROVIDER_H

#include <memory>
#include <string>

#include "cAbstractModule.h"
#include "cAlgoParam.h"
#include "cScaffoProvider.h"

class cMPDE;

// The provider of the runner tests' fake module ("Fake"): it answers the
// slots k5run calls with what the script in K5RUN_FAKE says, where the real
// modules cannot be made to answer so. The job exchanges go through the
// framework's own transfer handlers; no hardware is touched, so the chip
// stays as it was. Every action ends with a good job record, and a read
// with a pattern in buffer 0.
//
//   zero-pins               each continuity test the job asks for (the
//                           continuity commands, --continuity) finds 0 of 0
//                           pins connected
//   unclaim-throws          the unclaim throws a text, as a host library would
//   stop-after-first-action program raises SIGINT as its last step
class cFakeProvider : public cAbstractModule, public cScaffoProvider {
public:
  enum eScript { fsZeroPins, fsUnclaimThrows, fsStopAfterFirstAction };

  // Throws a std::string, as a host does for a module it cannot set up, when
  // K5RUN_FAKE names no script.
  cFakeProvider(cMPDE* mpde, std::string name);
  ~cFakeProvider() override;

  void Slot_UnClaimKorvo(piModuleAddr addr) override;
  void Slot_ClaimKorvo(std::string& remoteId, std::string& interface, unsigned char flag,
                       unsigned char& ok, piModuleAddr addr) override;
  void Slot_GetKorvoTypeAndClaimInfo(int& type, std::string& remoteId, std::string& interface,
                                     piModuleAddr addr) override;
  void FirstFpgaInitSlotSync(unsigned char& ok, piModuleAddr addr) override;
  void LoadBattOffSlotSync(piModuleAddr addr) override;
  void LoadBattOnSlotSync(piModuleAddr addr) override;
  void FindKrvTixDllSlotSync(unsigned char& ok, piModuleAddr addr) override;
  void ResetKorvoSlotSync(piModuleAddr addr) override;
  void KorvoTestFktSlotSync(int& number, std::string& text, piModuleAddr addr) override;
  void CalibVoltageSlotSync(unsigned char& ok, piModuleAddr addr) override;
  void ScanVsupplySlotSync(unsigned int& value, piModuleAddr addr) override;
  void ScanVBattSlotSync(unsigned int& value, piModuleAddr addr) override;
  void StartBattTimerSlotSync(int time, unsigned char& ok, piModuleAddr addr) override;
  void ReadEepromSlotSync(unsigned int& value, piModuleAddr addr) override;
  void FpgaTestSlotSync(unsigned int test, unsigned int& result, unsigned char& ok,
                        piModuleAddr addr) override;
  void setProviderCheckSumSlot(unsigned int value, piModuleAddr addr) override;
  void getProviderCheckSumSlot(unsigned int& value, piModuleAddr addr) override;
  void getProviderVersionSlot(unsigned int& value, piModuleAddr addr) override;
  void Slot_LoadFpgaForContinuity(unsigned char& ok, piModuleAddr addr) override;
  void Slot_StartProg(piModuleAddr addr) override;
  void Slot_StartRead(piModuleAddr addr) override;
  void Slot_StartBlank(piModuleAddr addr) override;
  void Slot_StartVerify(piModuleAddr addr) override;
  void Slot_StartErase(piModuleAddr addr) override;
  void Slot_StartContinuity(piModuleAddr addr) override;
  void Slot_StartNoContinuity(piModuleAddr addr) override;
  void Slot_CancelAction(piModuleAddr addr) override;
  void Slot_DbgNextStep(piModuleAddr addr) override;
  void Slot_DbgIgnore(unsigned char value, piModuleAddr addr) override;
  void Slot_PostActionFkt(unsigned char& ok, piModuleAddr addr) override;
  void Slot_ReceiveData(piSubFrame& f1, piSubFrame& f2, piSubFrame& f3, piSubFrame& f4,
                        piSubFrame& f5, piSubFrame& f6, piSubFrame& f7, piSubFrame& f8,
                        piSubFrame& f9, unsigned char& ok, piModuleAddr addr) override;
  void Slot_SendData(piSubFrame& f1, piSubFrame& f2, piSubFrame& f3, piSubFrame& f4, piSubFrame& f5,
                     piSubFrame& f6, piSubFrame& f7, piSubFrame& f8, piSubFrame& f9,
                     unsigned char& ok, piModuleAddr addr) override;

private:
  void endWithGoodRecord();
  void testContinuity(piModuleAddr addr);
  // The continuity test the job asks for, then a good job record.
  void plainAction(piModuleAddr addr);

  eScript mScript;
  std::unique_ptr<cAlgoParam> mJob;
  std::string mRemoteId;
  std::string mInterface;
};

#endif
