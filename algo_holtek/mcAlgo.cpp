#include "mcAlgo.h"

#include <cstdio>
#include <string>

#include "AbstractAlgoUiInterface.h"
#include "DiagnosticLog.h"
#include "cDeviceParam.h"
#include "cStopTimer.h"
#include "cUiAlgoDataK3.h"
#include "littleEndian.h"
#include "mcHInterface.h"
#include "mcuAccess.h"
#include "moduleGlobals.h"

namespace {

// Messages; their texts live in the host.
const unsigned long kMsgErase = 144;
const unsigned long kMsgBlankCheck = 145;
const unsigned long kMsgBlankCheckInfo = 505;
const unsigned long kMsgBlankCheckLock = 148;
const unsigned long kMsgReadMain = 149;
const unsigned long kMsgReadInfo = 506;
const unsigned long kMsgReadLock = 165;
const unsigned long kMsgProgMain = 136;
const unsigned long kMsgVerifyMain = 305;  // with Vcc in volts
const unsigned long kMsgNothingToRead = 61280;
const unsigned long kMsgNothingToVerify = 61255;
const int kMsgOutOfScope = 2716;
const int kMsgVccOutsideWindow = 484;  // with the window's limits in volts

// Error record: class and code of a job that selected nothing, of a protocol
// error, and of a data mismatch.
const std::uint16_t kClassAlgo = 9;
const std::uint16_t kCodeNothingToDo = 210;
const std::uint16_t kClassData = 0;
const std::uint16_t kCodeDataNotEqual = 1;

const std::uint32_t kMeasureVcc = 0x1;
const unsigned int kCpdSettleCycles = 500000;  // 100 ms
const bool kCpdBank = false;

// Loops count in 32 bits; the chip takes 16-bit addresses.
const std::uint32_t kAddressLimit = 0x10000;
const std::uint32_t kDisplayEvery = 0xFF;  // low address bits that throttle the display
const unsigned int kMaxPageSize = 256;     // a load carries only the low address byte

const std::uint16_t kBlankWord = 0xFFFF;
const std::uint32_t kBlankInfo = 0xFFFFFFFFu;
const std::uint8_t kBlankLock = 0xFF;
const std::uint8_t kLockBitsMask = 0x1F;
const unsigned char kSignaturePrefix[6] = {0x7F, 0x7F, 0x7F, 0x7F, 0x1F, 0x00};

std::string hex16(std::uint16_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "%X", static_cast<unsigned int>(value));
  return text;
}

float volts(std::uint32_t mV) { return static_cast<float>(mV / 1000.0); }

}  // namespace

mcAlgo::mcAlgo(mcHInterface* hw, TAG_DEVICE_PARA* deviceParam, TAG_UI_ALGODATA_KRV3* uiData)
    : mcAlgoBase(uiData),
      actionMask(0),
      jobStatus(0),
      errorAddress(0),
      expectedWord(0),
      readWord(0),
      pHInterface(hw),
      pCfgBuffer(deviceParam->pCfgBuffer),
      mPInterface(hw, jobStatus),
      startAddress(0),
      endAddress(0),
      infoDataRead(0),
      lockBitsRead(0),
      pData(nullptr) {}

mcAlgo::~mcAlgo() {}

std::uint32_t mcAlgo::cfgU32(unsigned int offset) const { return loadLeU32(pCfgBuffer, offset); }

// ------------------------------------------------------------ job operations

short mcAlgo::Read() {
  const std::uint32_t options = cfgU32(kCfgOptions);
  const std::uint32_t areas = cfgU32(kCfgAreas);
  const bool verify = (options & kOptVerifyAfterRead) != 0;
  if (areas & kAreaMain) actionMask |= kReadMain | (verify ? kVerifyMain : 0);
  if (areas & kAreaInfo) actionMask |= kReadInfo | (verify ? kVerifyInfo : 0);
  if (areas & kAreaLock) actionMask |= kReadLock | (verify ? kVerifyLock : 0);
  if (actionMask == 0) return nothingToDo(kMsgNothingToRead);
  return ActionFlow();
}

short mcAlgo::Verify() {
  const std::uint32_t areas = cfgU32(kCfgAreas);
  if (cfgU32(kCfgOptions) & kOptVerifyAllowed) {
    if (areas & kAreaMain) actionMask |= kVerifyMain;
    if (areas & kAreaInfo) actionMask |= kVerifyInfo;
    if (areas & kAreaLock) actionMask |= kVerifyLock;
  }
  if (actionMask == 0) return nothingToDo(kMsgNothingToVerify);
  return ActionFlow();
}

short mcAlgo::Program() {
  const std::uint32_t options = cfgU32(kCfgOptions);
  const std::uint32_t areas = cfgU32(kCfgAreas);
  const struct {
    std::uint32_t area;
    std::uint32_t program;
    std::uint32_t verify;
  } steps[] = {{kAreaMain, kProgMain, kVerifyMain},
               {kAreaInfo, kProgInfo, kVerifyInfo},
               {kAreaLock, kProgLock, kVerifyLock}};
  for (const auto& step : steps) {
    if ((areas & step.area) == 0) continue;
    if (options & kOptEraseBeforeProgram) {
      actionMask |= kErase;
      if (options & kOptBlankCheckAfterErase) actionMask |= kBlankCheck;
    }
    actionMask |= step.program;
    if (options & kOptVerifyAfterProgram) actionMask |= step.verify;
  }
  if (actionMask == 0) return nothingToDo(0);
  return ActionFlow();
}

short mcAlgo::Erase() {
  actionMask |= kErase;
  if (cfgU32(kCfgOptions) & kOptBlankCheckAfterErase) actionMask |= kBlankCheck;
  return ActionFlow();
}

short mcAlgo::BlankCheck() {
  actionMask = kBlankCheck;
  return ActionFlow();
}

short mcAlgo::nothingToDo(unsigned long message) {
  if (message != 0) ActionMessage(message);
  fail();
  writeErrorCode(kClassAlgo, kCodeNothingToDo);
  return jobStatus;
}

void mcAlgo::writeErrorCode(std::uint16_t errorClass, std::uint16_t code) {
  pAlgoUIData->setErrorClass(errorClass);
  pAlgoUIData->setErrorCode(code);
}

// ------------------------------------------------------------ action flow

short mcAlgo::ActionFlow() {
  startAddress = pAlgoUIData->getStartAdr();
  endAddress = pAlgoUIData->getEndAdr();
  pData = pAlgoUIData->getDataBuffer();
  if (!jobIsRunnable()) return jobStatus;

  std::uint32_t vcc = 0;
  if ((cfgU32(kCfgVccMode) & kMeasureVcc) == 0) {
    if (!loadCpdConfig("SETUP")) return jobStatus;
    vcc = cfgU32(kCfgFixedVcc);
  } else {
    if (!loadCpdConfig("SETUPi")) return jobStatus;
    const std::uint32_t upper = cfgU32(kCfgVccUpper);
    const std::uint32_t lower = cfgU32(kCfgVccLower);
    vcc = pHInterface->calcVcc(upper, lower);
    if (vcc == 0) {
      pAlgoUi->K4ShowMessage(kMsgVccOutsideWindow, volts(upper), volts(lower));
      fail();
      return jobStatus;
    }
  }

  mPInterface.setVccVLevels(vcc);
  try {
    mPInterface.powerOn(vcc, cfgU32(kCfgVpp));
    cStopTimer timer;
    timer.start();
    runSteps(vcc);
    timer.end();
    pAlgoUi->debugMessage("*** total time : " + timer.getTime());
    mPInterface.powerOff();
  } catch (...) {
    // The close lowers the supplies with the outputs as they are: VPP must
    // be off before Vcc falls under a chip the host left powered.
    mPInterface.cutPower();
    throw;
  }

  if (jobStatus > 0) {
    writeErrorCode(kClassAlgo, static_cast<std::uint16_t>(jobStatus));
    fail();
  }
  return jobStatus;
}

bool mcAlgo::jobIsRunnable() {
  const bool mainMemory = (actionMask & (kReadMain | kProgMain | kVerifyMain)) != 0;
  const bool noBlankCheckRange = (actionMask & kBlankCheck) && cfgU32(kCfgMemorySize) == 0;
  if ((mainMemory && (!InAddrScope() || !dataBufferFits())) || noBlankCheckRange) {
    pAlgoUi->K4ShowMessage(kMsgOutOfScope);
    fail();
    return false;
  }
  if ((actionMask & kProgMain) && !pageSizeIsValid()) {
    const std::string text =
        "Error: invalid page size " + std::to_string(loadLeU16(pCfgBuffer, kCfgPageSize)) + ".";
    pAlgoUi->K4ShowMessage(text.c_str());
    fail();
    return false;
  }
  return true;
}

bool mcAlgo::InAddrScope() const {
  return startAddress <= endAddress && endAddress < cfgU32(kCfgMemorySize) &&
         endAddress < kAddressLimit;
}

// Read and verify take words start..end, program takes bytes start..end.
bool mcAlgo::dataBufferFits() const {
  if (pData == nullptr) return false;
  const std::uint64_t units = std::uint64_t(endAddress) + 1;
  std::uint64_t needed = 0;
  if (actionMask & (kReadMain | kVerifyMain)) {
    needed = 2 * units;
  } else if (actionMask & kProgMain) {
    needed = units;
  }
  return pAlgoUIData->getDataBufferSize() >= needed;
}

bool mcAlgo::pageSizeIsValid() const {
  const unsigned int size = loadLeU16(pCfgBuffer, kCfgPageSize);
  return size >= 1 && size <= kMaxPageSize && (size & (size - 1)) == 0;
}

// A bank whose transfer failed must not be made live: the strobe would turn
// its old content on under the target.
bool mcAlgo::loadCpdConfig(const char* label) {
  if (!pHInterface->CPD_transmitConfig(label, kCpdBank) ||
      !pHInterface->CPD_enableConfigReg(kCpdBank)) {
    pAlgoUi->K4ShowMessage(pHInterface->getCpdErrorInfo().c_str());
    fail();
    return false;
  }
  mcu_wait_bus_cycles(kCpdSettleCycles, mFPGAMapping);
  return true;
}

void mcAlgo::runSteps(std::uint32_t vcc) {
  if ((actionMask & kErase) && ok()) {
    ActionMessage(kMsgErase);
    EraseDevice();
  }
  if ((actionMask & kBlankCheck) && ok()) {
    ActionMessage(kMsgBlankCheck);
    BCheckMemory();
    if (ok()) {
      ActionMessage(kMsgBlankCheckInfo);
      readInfoData();
      BCheckInfoData();
    }
    if (ok()) {
      ActionMessage(kMsgBlankCheckLock);
      readLockBits();
      BCheckLockBits();
    }
  }
  if ((actionMask & kReadMain) && ok()) {
    ActionMessage(kMsgReadMain);
    ReadMemory();
  }
  if ((actionMask & kReadInfo) && ok()) {
    ActionMessage(kMsgReadInfo);
    readInfoData();
    storeLeU32(pCfgBuffer, kCfgInfoData, infoDataRead);
  }
  if ((actionMask & kReadLock) && ok()) {
    ActionMessage(kMsgReadLock);
    readLockBits();
    storeLeU8(pCfgBuffer, kCfgLockBits, lockBitsRead);
  }
  if ((actionMask & kProgMain) && ok()) {
    ActionMessage(kMsgProgMain);
    ProgrMemory();
  }
  if ((actionMask & kVerifyMain) && ok()) {
    ActionInfo(kMsgVerifyMain, volts(vcc));
    VerifyMemory();
  }
  // Info data and lock bits follow the main memory, without messages.
  if ((actionMask & kProgInfo) && ok()) ProgrInfoData();
  if ((actionMask & kVerifyInfo) && ok()) {
    readInfoData();
    VerifyInfoData();
  }
  if ((actionMask & kProgLock) && ok()) ProgrLockBits();
  if ((actionMask & kVerifyLock) && ok()) {
    readLockBits();
    VerifyLockBits();
  }
}

// ------------------------------------------------------------ memory loops

bool mcAlgo::nextAddress(std::uint32_t address) {
  if (pAlgoUi->K4Cancel()) {
    fail();
    return false;
  }
  if ((address & kDisplayEvery) == 0) pAlgoUi->K4ShowAdr(static_cast<int>(address), 0);
  return true;
}

void mcAlgo::endOfLoop(std::uint32_t address) {
  if (ok()) --address;
  pAlgoUi->K4ShowAdr(static_cast<int>(address), 1);
}

std::uint16_t mcAlgo::bufferWord(std::uint32_t address) const {
  return loadLeU16(pData, 2 * std::size_t(address));
}

bool mcAlgo::sameWord(std::uint32_t address, std::uint16_t expected, std::uint16_t read) {
  if (expected == read) return true;
  errorAddress = address;
  expectedWord = expected;
  readWord = read;
  logDiag("data read out : 0x" + hex16(read) + " on addr : 0x" +
          hex16(static_cast<std::uint16_t>(address)));
  onError_DataNotEqual();
  return false;
}

void mcAlgo::ReadMemory() {
  mPInterface.EnterReadMode(startAddress);
  std::uint32_t address = startAddress;
  for (; address <= endAddress && ok(); ++address) {
    if (!nextAddress(address)) break;
    storeLeU16(pData, 2 * std::size_t(address), mPInterface.ReadDataWord());
  }
  endOfLoop(address);
  mPInterface.LeaveReadMode();
}

void mcAlgo::VerifyMemory() {
  mPInterface.EnterReadMode(startAddress);
  std::uint32_t address = startAddress;
  for (; address <= endAddress && ok(); ++address) {
    if (!nextAddress(address)) break;
    if (!sameWord(address, bufferWord(address), mPInterface.ReadDataWord())) break;
  }
  endOfLoop(address);
  mPInterface.LeaveReadMode();
}

// Whole words from 0; a memory of more than 0x10000 words is checked up to
// the end of the 16-bit address space.
void mcAlgo::BCheckMemory() {
  const std::uint32_t size = cfgU32(kCfgMemorySize);
  const std::uint32_t last = (size < kAddressLimit ? size : kAddressLimit) - 1;
  mPInterface.EnterReadMode(0);
  std::uint32_t address = 0;
  for (; address <= last && ok(); ++address) {
    if (!nextAddress(address)) break;
    if (!sameWord(address, kBlankWord, mPInterface.ReadDataWord())) break;
  }
  endOfLoop(address);
  mPInterface.LeaveReadMode();
}

// Whole pages: the bytes of the first page before the range and of the last
// page after it are loaded with 0xFF.
void mcAlgo::ProgrMemory() {
  const std::uint32_t mask = loadLeU16(pCfgBuffer, kCfgPageSize) - 1u;
  for (std::uint32_t a = startAddress & ~mask; a < startAddress; ++a) {
    mPInterface.LoadDataByte(static_cast<unsigned short>(a), 0xFF);
  }
  std::uint32_t address = startAddress;
  for (; address <= endAddress && ok(); ++address) {
    if (!nextAddress(address)) break;
    mPInterface.LoadDataByte(static_cast<unsigned short>(address), pData[address]);
    if ((address & mask) == mask) mPInterface.WriteDataPage(static_cast<unsigned short>(address));
  }
  if (ok() && (address & mask) != 0) {
    for (std::uint32_t a = address; a <= (address | mask); ++a) {
      mPInterface.LoadDataByte(static_cast<unsigned short>(a), 0xFF);
    }
    mPInterface.WriteDataPage(static_cast<unsigned short>(address));
  }
  endOfLoop(address);
}

void mcAlgo::EraseDevice() { mPInterface.ChipErase(); }

void mcAlgo::onError_DataNotEqual() {
  TAG_UI_ALGODATA_KRV3& record = *pAlgoUIData;
  // Equal low bytes: the high byte, one address up, differs.
  if ((expectedWord & 0xFFu) == (readWord & 0xFFu)) {
    record.setErrorAdr(errorAddress + 1);
    record.setErrorExpected(expectedWord >> 8);
    record.setErrorRead(readWord >> 8);
  } else {
    record.setErrorAdr(errorAddress);
    record.setErrorExpected(expectedWord & 0xFFu);
    record.setErrorRead(readWord & 0xFFu);
  }
  writeErrorCode(kClassData, kCodeDataNotEqual);
  pAlgoUi->K4ShowAdr(static_cast<int>(record.getErrorAdr()), 1);
  fail();
}

// ------------------------------------------------------------ info data, lock bits

void mcAlgo::readInfoData() { infoDataRead = mPInterface.ReadInfoData(); }

void mcAlgo::readLockBits() { lockBitsRead = mPInterface.ReadLockBits(); }

void mcAlgo::BCheckInfoData() {
  if (infoDataRead != kBlankInfo) fail();
}

void mcAlgo::BCheckLockBits() {
  if (lockBitsRead != kBlankLock) fail();
}

void mcAlgo::VerifyInfoData() {
  if (infoDataRead != cfgU32(kCfgInfoData)) fail();
}

// Only the low five bits are programmed.
void mcAlgo::VerifyLockBits() {
  const std::uint8_t wanted = loadLeU8(pCfgBuffer, kCfgLockBits);
  if ((lockBitsRead & kLockBitsMask) != (wanted & kLockBitsMask)) fail();
}

void mcAlgo::ProgrInfoData() { mPInterface.WriteInfoData(cfgU32(kCfgInfoData)); }

void mcAlgo::ProgrLockBits() { mPInterface.WriteLockBits(loadLeU8(pCfgBuffer, kCfgLockBits)); }

void mcAlgo::checkSignature() {
  unsigned char signature[7] = {};
  mPInterface.ReadSignature(signature);
  for (unsigned int i = 0; i < sizeof kSignaturePrefix; ++i) {
    if (signature[i] != kSignaturePrefix[i]) {
      fail();
      return;
    }
  }
  pAlgoUi->ShowSignature(signature[6]);
}
