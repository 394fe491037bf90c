#ifndef MC_ALGO_H
#define MC_ALGO_H

#include <cstdint>

#include "mcAlgoBase.h"
#include "mcPInterface.h"

class mcHInterface;
struct TAG_DEVICE_PARA;
struct TAG_UI_ALGODATA_KRV3;

// The Holtek chip algorithm. A job operation turns the job into an action
// mask; ActionFlow checks the job, loads the pin-driver configuration, powers
// the target, runs the selected steps in a fixed order and powers it off.
// One object serves one action: the mask and the job status are never reset.
//
// Units of the job range: program counts it in bytes of the data buffer, read,
// verify and blank check count it in words (bytes 2w low and 2w + 1 high).
class mcAlgo : public mcAlgoBase {
public:
  // Action mask bits, in the order ActionFlow runs them.
  static constexpr std::uint32_t kErase = 0x001;
  static constexpr std::uint32_t kBlankCheck = 0x002;
  static constexpr std::uint32_t kReadMain = 0x004;
  static constexpr std::uint32_t kReadInfo = 0x020;
  static constexpr std::uint32_t kReadLock = 0x100;
  static constexpr std::uint32_t kProgMain = 0x008;
  static constexpr std::uint32_t kVerifyMain = 0x010;
  static constexpr std::uint32_t kProgInfo = 0x040;
  static constexpr std::uint32_t kVerifyInfo = 0x080;
  static constexpr std::uint32_t kProgLock = 0x200;
  static constexpr std::uint32_t kVerifyLock = 0x400;

  // Offsets of the settings in the device configuration (little-endian).
  static constexpr unsigned int kCfgOptions = 0x1C;     // u32 flags, see kOpt...
  static constexpr unsigned int kCfgFixedVcc = 0x20;    // u32 mV
  static constexpr unsigned int kCfgVpp = 0x28;         // u32 mV
  static constexpr unsigned int kCfgVccUpper = 0x30;    // u32 mV
  static constexpr unsigned int kCfgVccLower = 0x34;    // u32 mV
  static constexpr unsigned int kCfgMemorySize = 0x3A;  // u32, above every job address
  static constexpr unsigned int kCfgPageSize = 0x3E;    // u16 bytes
  static constexpr unsigned int kCfgAreas = 0x46;       // u32 flags, see kArea...
  static constexpr unsigned int kCfgVccMode = 0x4A;     // u32, bit 0: measure Vcc
  static constexpr unsigned int kCfgInfoData = 0x4E;    // u32
  static constexpr unsigned int kCfgLockBits = 0x52;    // u8, low 5 bits used

  // Option bits (offset 0x1C).
  static constexpr std::uint32_t kOptVerifyAfterRead = 0x01;
  static constexpr std::uint32_t kOptEraseBeforeProgram = 0x02;
  static constexpr std::uint32_t kOptVerifyAfterProgram = 0x08;
  static constexpr std::uint32_t kOptVerifyAllowed = 0x70;
  static constexpr std::uint32_t kOptBlankCheckAfterErase = 0x80;

  // Area bits (offset 0x46).
  static constexpr std::uint32_t kAreaMain = 0x1;
  static constexpr std::uint32_t kAreaInfo = 0x2;
  static constexpr std::uint32_t kAreaLock = 0x4;

  // Neither the interface, the configuration nor the job record is owned.
  mcAlgo(mcHInterface* hw, TAG_DEVICE_PARA* deviceParam, TAG_UI_ALGODATA_KRV3* uiData);
  ~mcAlgo() override;

  // Each returns the job status: 0 ok, -1 failed.
  short Program() override;
  short Verify() override;
  short Read() override;
  short BlankCheck() override;
  short Erase() override;

  // The memory steps; each leaves its outcome in the job status.
  virtual void ReadMemory();
  virtual void VerifyMemory();
  virtual void BCheckMemory();
  virtual void ProgrMemory();
  virtual void EraseDevice();

  short ActionFlow();
  // The job range lies inside the memory and inside the 16-bit address space.
  bool InAddrScope() const;
  void onError_DataNotEqual();

  void readInfoData();
  void readLockBits();
  // These fail (job status -1) without a message or error record.
  void BCheckInfoData();
  void BCheckLockBits();
  void VerifyInfoData();
  void VerifyLockBits();
  void ProgrInfoData();
  void ProgrLockBits();
  // Shows the chip's id when the signature prefix matches, else fails.
  void checkSignature();

  std::uint32_t getActionMask() const { return actionMask; }
  short getJobStatus() const { return jobStatus; }

private:
  mcAlgo(const mcAlgo&) = delete;
  mcAlgo& operator=(const mcAlgo&) = delete;

  std::uint32_t cfgU32(unsigned int offset) const;
  bool ok() const { return jobStatus == 0; }
  void fail() { jobStatus = -1; }
  // Job operation that selected nothing: the message (0: none), class 9 code 210.
  short nothingToDo(unsigned long message);
  // Refusals before the target is powered.
  bool jobIsRunnable();
  bool dataBufferFits() const;
  bool pageSizeIsValid() const;
  // Loads the named configuration into bank 0 and makes it live.
  bool loadCpdConfig(const char* label);
  void runSteps(std::uint32_t vcc);
  // Per address of a memory loop: false (job status -1) on a cancel; shows
  // every 256th address.
  bool nextAddress(std::uint32_t address);
  // The last address done, or the one the loop stopped at, shown forced.
  void endOfLoop(std::uint32_t address);
  std::uint16_t bufferWord(std::uint32_t address) const;
  // Word compare of read mode; false after the mismatch report.
  bool sameWord(std::uint32_t address, std::uint16_t expected, std::uint16_t read);
  void writeErrorCode(std::uint16_t errorClass, std::uint16_t code);

  std::uint32_t actionMask;
  short jobStatus;
  std::uint32_t errorAddress;
  std::uint16_t expectedWord;
  std::uint16_t readWord;
  mcHInterface* pHInterface;
  unsigned char* pCfgBuffer;
  mcPInterface mPInterface;
  std::uint32_t startAddress;
  std::uint32_t endAddress;
  std::uint32_t infoDataRead;
  std::uint8_t lockBitsRead;
  // The job record's data buffer, fetched by ActionFlow.
  unsigned char* pData;
};

#endif
