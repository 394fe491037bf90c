#ifndef C_ALGO_PARAM_H
#define C_ALGO_PARAM_H

#include <memory>
#include <string>
#include <vector>

#include "cCSVSerialDataContent.h"
#include "cCfgFileDeviceCpdConfigs.h"
#include "cCfgFileDeviceLayout.h"
#include "cDTFrame.h"
#include "cDeviceParam.h"
#include "cKxHdwParam.h"
#include "cUiAlgoDataK3.h"
#include "piSubFrame.h"
#include "tByteArray.h"

// Held for the host side only; the module never uses them.
class cKrvSerialNumberHandler;
class cCSVSerialDataRecordBlock;

// How copy treats the buffers.
enum eCopyBufferUse : int { cbuBorrowList = 0, cbuDeepCopy = 1 };

// The job's parameter set: owner of everything the host sends for a job.
class cAlgoParam {
public:
  cAlgoParam(tByteArray::eSourceLocation loc, unsigned size, unsigned char fill, int id);
  virtual ~cAlgoParam();

  // doDeviceContinuityTest, uiFpgaTimerValue, defDeviceCfgFilePath, jobAction.
  bool makeDTFrame(cDTFrame& frame);
  // Fills in place; may stay partly filled on failure.
  bool operator<<(const piSubFrame& sf);
  bool operator>>(piSubFrame& sf);

  // What the buffers of one job may take. The largest job the modules serve
  // is a Holtek chip of at most 0x10000 16-bit words (128 KiB), and the host
  // may send whole images beside it: 16 MiB for one buffer and 64 MiB for
  // all of them leave that room more than a hundredfold, while a single bad
  // size from the host can no longer claim the programmer's memory.
  static constexpr unsigned kMaxBufferSize = 16u * 1024u * 1024u;
  static constexpr unsigned kMaxAllBuffersSize = 64u * 1024u * 1024u;

  // Null for an id that exists, a size of 0 or one past the limits.
  tByteArray* addByteArray(unsigned size, unsigned char fill, int id);
  // A new buffer under the id, in place of the one that has it (the new one
  // is appended). The old buffer goes only once the new one exists, so a
  // refused or failed creation keeps it. Null for a size of 0 or one past
  // the limits; a failed allocation throws with the set unchanged.
  tByteArray* replaceByteArray(unsigned size, unsigned char fill, int id);
  // True when a buffer of `size` bytes under the id keeps the job within the
  // limits; a buffer that has the id counts as replaced.
  bool fitsBufferLimits(unsigned size, int id) const;
  void removeByteArray(int id);
  // Never null: the dummy buffer for a miss.
  tByteArray* getByteArrayFromBufferId(int id) const;
  tByteArray* getByteArrayFromIndex(int i) const;
  int getBufferId(unsigned i) const;
  int getBufferIndex(unsigned id) const;
  unsigned getNumberOfBuffers() const;
  std::vector<tByteArray*>* getByteArrayVct() const { return mpByteArrayVct; }
  unsigned char hasOwnByteArrayVct() const { return ownsByteArrayVct; }
  void deleteByteArrayVct();
  void deleteFullByteArrayVctObject();
  void reCreateByteArrayVct();
  // The list must outlive this set.
  bool setExternByteArrayVct(std::vector<tByteArray*>* list);

  cDeviceParam& getRefDeviceParam() { return *mpDeviceParam; }
  TAG_DEVICE_PARA* getDeviceAlgPrm() { return mpDeviceParam->getDeviceAlgPrmStruct(); }
  cUiAlgoDataK3& getRefUiAlgoDataK3() { return *mpUiAlgoData; }
  TAG_UI_ALGODATA_KRV3* getAlgoKrv3UIData() { return mpUiAlgoData->getUiAlgoDataK3Struct(); }
  bool InitAlgoDataStructForUI(int a, int b);
  cKxHdwParam& getHdwParam() { return *mpHdwParam; }
  cCfgFileDeviceCpdConfigs& getRefCfgFileDeviceCpdConfigs() { return *mpCpdConfigs; }
  // Takes ownership of a heap object and frees it once its content is in
  // the held set, which stays where it is.
  void setCfgFileDeviceCpdConfigs(cCfgFileDeviceCpdConfigs& configs);
  cCfgFileDeviceLayout& getRefCfgFileDeviceLayout() { return *mpLayout; }
  // Takes ownership of a heap object, as for the configurations.
  void setCfgFileDeviceLayout(cCfgFileDeviceLayout& layout);
  cCSVSerialDataContent& getCSVSerialDataContent() { return *mpSerialContent; }
  void setCSVSerialDataContent(const cCSVSerialDataContent& content) { *mpSerialContent = content; }

  unsigned char getDoDeviceContinuityTest() const { return doDeviceContinuityTest; }
  void setDoDeviceContinuityTest(unsigned char v) { doDeviceContinuityTest = v; }
  unsigned char getConfirmOnFail() const { return confirmOnFail; }
  void setConfirmOnFail(unsigned char v) { confirmOnFail = v; }
  unsigned char getErrorSound() const { return errorSound; }
  void setErrorSound(unsigned char v) { errorSound = v; }
  unsigned getUiFpgaTimerValue() const { return uiFpgaTimerValue; }
  void setUiFpgaTimerValue(unsigned v) { uiFpgaTimerValue = v; }
  std::string getDefDeviceCfgFilePath() const { return defDeviceCfgFilePath; }
  void setDefDeviceCfgFilePath(const std::string& s) { defDeviceCfgFilePath = s; }
  std::string getJobAction() const { return jobAction; }
  void setJobAction(const std::string& s) { jobAction = s; }
  cKrvSerialNumberHandler* getKrvSerialNumberHandler() const { return mpSerialNumberHandler; }
  void setKrvSerialNumberHandler(cKrvSerialNumberHandler* p) { mpSerialNumberHandler = p; }
  cCSVSerialDataRecordBlock* getCurrentSerialDataRecordBlock() const {
    return mpSerialDataRecordBlock;
  }
  void setCurrentSerialDataRecordBlock(cCSVSerialDataRecordBlock* p) {
    mpSerialDataRecordBlock = p;
  }

  bool copy(const cAlgoParam& other, eCopyBufferUse use);

private:
  cAlgoParam(const cAlgoParam&) = delete;
  cAlgoParam& operator=(const cAlgoParam&) = delete;

  void freeOwnedBuffers();

  unsigned char doDeviceContinuityTest;
  unsigned char confirmOnFail;
  unsigned char errorSound;
  unsigned int uiFpgaTimerValue;
  std::string defDeviceCfgFilePath;
  std::string jobAction;
  unsigned char ownsByteArrayVct;
  cKrvSerialNumberHandler* mpSerialNumberHandler;
  cCSVSerialDataRecordBlock* mpSerialDataRecordBlock;
  std::vector<tByteArray*>* mpByteArrayVct;
  // The held records live exactly as long as the set and are only ever
  // refilled, never replaced: objects that outlive a slot (the provider's
  // pin-driver control) keep their addresses, and a receive between two
  // actions must not free what they point at. The pointers are const so that
  // no change can replace one. Destroyed in reverse order of declaration:
  // the dummy buffer last.
  const std::unique_ptr<tByteArray> mpDummyBuffer;
  const std::unique_ptr<cDeviceParam> mpDeviceParam;
  const std::unique_ptr<cUiAlgoDataK3> mpUiAlgoData;
  const std::unique_ptr<cKxHdwParam> mpHdwParam;
  const std::unique_ptr<cCfgFileDeviceCpdConfigs> mpCpdConfigs;
  const std::unique_ptr<cCfgFileDeviceLayout> mpLayout;
  const std::unique_ptr<cCSVSerialDataContent> mpSerialContent;
  tByteArray::eSourceLocation sourceLocation;
};

#endif
