#include "mcPInterface.h"

#include "mcHInterface.h"
#include "mcuAccess.h"
#include "moduleGlobals.h"
#include "slotGuard.h"

namespace {

// Bus cycles of 200 ns.
const unsigned int kLineSettle = 125;          // 25 us
const unsigned int kStrobeLow = 200;           // 40 us
const unsigned int kExitModeHigh = 250;        // 50 us
const unsigned int kSupplyOnDelay = 5;         // 1 us
const unsigned int kVppSettle = 50000;         // 10 ms
const unsigned int kVppLevelSettle = 500000;   // 100 ms
const unsigned int kPowerUpSettle = 1000000;   // 200 ms
const unsigned int kLevelSettle = 150000;      // 30 ms
const unsigned int kSckEdge = 2;               // 0.4 us
const unsigned int kSckHigh = 5;               // 1 us
const unsigned int kAnswerDelay = 15;          // 3 us
const unsigned int kInfoWriteCycle = 400;      // 80 us
const unsigned int kLockWriteCycle = 300;      // 60 us
const unsigned int kPageWriteCycle = 32200;    // 6.44 ms
const unsigned int kChipEraseCycle = 1300000;  // 260 ms

const std::uint32_t kMaxLevelShifter = 5000;
const unsigned char kEntryAck = 0xBC;
const short kWrongEntryAck = 2014;
const std::uint16_t kEntryNibbles[] = {5, 6, 9, 10};

// First bytes of the serial instructions.
const unsigned char kOpReadSignature = 0x30;
const unsigned char kOpReadLockBits = 0x58;
const unsigned char kOpReadDataByte = 0x20;
const unsigned char kOpLoadDataByte = 0x40;
const unsigned char kOpWriteDataPage = 0x4C;
// An instruction whose second byte (kCtl...) says what it does.
const unsigned char kOpControl = 0xAC;
// In a data-byte opcode: the high byte of a word, at the odd address.
const unsigned char kOpHighByte = 0x08;

// Second bytes after kOpControl.
const unsigned char kCtlReadInfoHigh = 0x20;
const unsigned char kCtlReadInfoLow = 0x30;
const unsigned char kCtlWriteInfoHigh = 0x00;
const unsigned char kCtlWriteInfoLow = 0x10;
const unsigned char kCtlWriteLockBits = 0xE0;
const unsigned char kCtlWriteCycleTime = 0x5D;
const unsigned char kCtlChipErase = 0x80;

unsigned char dataByteOpcode(unsigned char opcode, std::uint16_t address) {
  return (address & 1u) ? static_cast<unsigned char>(opcode | kOpHighByte) : opcode;
}

void busWait(unsigned int cycles) { mcu_wait_bus_cycles(cycles, mFPGAMapping); }

// One step of cutting the power: what it throws is logged, and the next step runs.
template <class Step>
void bestEffort(Step step) noexcept {
  try {
    step();
  } catch (...) {
    logCaughtInSlot("mcPInterface::cutPower");
  }
}

}  // namespace

mcPInterface::mcPInterface(mcHInterface* hw, short& jobStatus)
    : mpHw(hw), mJobStatus(jobStatus), mPowered(false) {}

mcPInterface::~mcPInterface() {}

void mcPInterface::nibbleStrobe(std::uint16_t value) {
  mpHw->loadDataReg(value);
  busWait(kLineSettle);
  mpHw->mL1.reset();
  busWait(kStrobeLow);
  mpHw->mL1.set();
}

void mcPInterface::setVccVLevels(unsigned long vcc) {
  const std::uint32_t mV = static_cast<std::uint32_t>(vcc);
  const std::uint32_t vls = mV < kMaxLevelShifter ? mV : kMaxLevelShifter;
  const std::uint32_t vcomp = mV >> 1;
  if (mpHw->mVcc.getVoltage() < mV) {
    mpHw->mVcc.setVoltage(mV);
    mpHw->setVLevels(vcomp, vls);
  } else {
    mpHw->setVLevels(vcomp, vls);
    mpHw->mVcc.setVoltage(mV);
  }
  busWait(kLevelSettle);
}

void mcPInterface::powerOn(unsigned long, unsigned long vpp) {
  if (mPowered) powerOff();

  mpHw->mVpp.setVoltage(vpp);
  busWait(kVppLevelSettle);
  mpHw->mVcc.enable();
  busWait(kSupplyOnDelay);
  mpHw->mVpp.enable();
  busWait(kPowerUpSettle);
  mpHw->mVpp.disable();
  mpHw->mVpp.setVoltage(vpp);
  busWait(kVppSettle);
  mpHw->mVpp.enable();
  busWait(kPowerUpSettle);

  mpHw->mL1.set();
  mpHw->mL3.set();
  mpHw->mL2.set();
  busWait(kLineSettle);
  mpHw->mL3.reset();

  mpHw->setDir_WR();
  for (std::uint16_t nibble : kEntryNibbles) nibbleStrobe(nibble);

  mpHw->setDir_RD();
  mpHw->mL3.set();
  busWait(kLineSettle);
  mpHw->mL2.reset();
  busWait(kLineSettle);

  unsigned char ack = 0;
  for (unsigned int bit = 0; bit < 8; ++bit) {
    mpHw->mL1.reset();
    busWait(kStrobeLow);
    if (mpHw->getData() & 1u) ack = static_cast<unsigned char>(ack | (1u << bit));
    mpHw->mL1.set();
    busWait(kLineSettle);
  }

  mpHw->mL3.reset();
  busWait(kLineSettle);
  mpHw->mL2.set();
  busWait(kLineSettle);

  if (ack != kEntryAck) mJobStatus = kWrongEntryAck;
  // Also after a wrong acknowledge, so that the caller's powerOff runs the exit.
  mPowered = true;
}

void mcPInterface::powerOff() {
  if (!mPowered) return;
  mpHw->mL3.reset();
  busWait(kLineSettle);
  mpHw->mL2.set();
  busWait(kExitModeHigh);
  mpHw->mL2.reset();
  busWait(kLineSettle);
  mpHw->mL1.reset();
  mpHw->mVpp.disable();
  busWait(kVppSettle);
  mpHw->mVcc.disable();
  mPowered = false;
}

void mcPInterface::cutPower() noexcept {
  // Whether powerOn got as far as the outputs is not known here; switching an
  // output off that is off changes nothing.
  bestEffort([this] { mpHw->mVpp.disable(); });
  bestEffort([] { busWait(kVppSettle); });
  bestEffort([this] { mpHw->mVcc.disable(); });
  mPowered = false;
}

void mcPInterface::EnterReadMode(unsigned long address) {
  const std::uint32_t a = static_cast<std::uint32_t>(address);
  mpHw->mL3.reset();
  busWait(kLineSettle);
  mpHw->mL2.reset();
  busWait(kLineSettle);
  mpHw->setDir_WR();
  // The shifted values go out whole; the bus takes their low bits.
  for (unsigned int shift = 0; shift < 16; shift += 4) {
    nibbleStrobe(static_cast<std::uint16_t>(a >> shift));
  }
  mpHw->setDir_RD();
  busWait(kLineSettle);
  mpHw->mL3.set();
}

void mcPInterface::LeaveReadMode() {
  mpHw->mL2.set();
  busWait(kLineSettle);
}

// No waits: the read loop runs as fast as the register accesses allow.
std::uint16_t mcPInterface::ReadDataWord() {
  std::uint16_t word = 0;
  for (unsigned int shift = 0; shift < 16; shift += 4) {
    mpHw->mL1.reset();
    const std::uint16_t nibble = static_cast<std::uint16_t>(mpHw->getData() & 0xFu);
    mpHw->mL1.set();
    word = static_cast<std::uint16_t>(word | (nibble << shift));
  }
  return word;
}

void mcPInterface::pulseSCK() {
  busWait(kSckEdge);
  mpHw->mSck.set();
  busWait(kSckHigh);
  mpHw->mSck.reset();
  busWait(kSckEdge);
}

void mcPInterface::LoadInstruction(unsigned char byte) {
  for (unsigned int mask = 0x80; mask != 0; mask >>= 1) {
    if (byte & mask) {
      mpHw->mSdo.set();
    } else {
      mpHw->mSdo.reset();
    }
    pulseSCK();
  }
}

// Each bit is sampled before its clock pulse.
unsigned char mcPInterface::ReadData() {
  unsigned char byte = 0;
  for (unsigned int mask = 0x80; mask != 0; mask >>= 1) {
    if (mpHw->mSdi.high()) byte = static_cast<unsigned char>(byte | mask);
    pulseSCK();
  }
  return byte;
}

void mcPInterface::sendBytes(unsigned char b0, unsigned char b1, unsigned char b2) {
  LoadInstruction(b0);
  LoadInstruction(b1);
  LoadInstruction(b2);
}

void mcPInterface::sendBytes(unsigned char b0, unsigned char b1, unsigned char b2,
                             unsigned char b3) {
  sendBytes(b0, b1, b2);
  LoadInstruction(b3);
}

unsigned char mcPInterface::answer() {
  busWait(kAnswerDelay);
  return ReadData();
}

void mcPInterface::ReadSignature(unsigned char* buffer) {
  for (unsigned char i = 0; i < 7; ++i) {
    sendBytes(kOpReadSignature, 0x00, i);
    buffer[i] = answer();
  }
}

unsigned char mcPInterface::ReadLockBits() {
  sendBytes(kOpReadLockBits, 0x00, 0x00);
  return answer();
}

std::uint32_t mcPInterface::ReadInfoData() {
  LoadInstruction(kOpControl);
  LoadInstruction(kCtlReadInfoHigh);
  busWait(kAnswerDelay);
  const std::uint32_t b3 = ReadData();
  const std::uint32_t b2 = ReadData();
  LoadInstruction(kOpControl);
  LoadInstruction(kCtlReadInfoLow);
  busWait(kAnswerDelay);
  const std::uint32_t b1 = ReadData();
  const std::uint32_t b0 = ReadData();
  return b3 << 24 | b2 << 16 | b1 << 8 | b0;
}

void mcPInterface::WriteInfoData(unsigned long value) {
  const std::uint32_t v = static_cast<std::uint32_t>(value);
  sendBytes(kOpControl, kCtlWriteInfoHigh, static_cast<unsigned char>(v >> 24),
            static_cast<unsigned char>(v >> 16));
  busWait(kInfoWriteCycle);
  sendBytes(kOpControl, kCtlWriteInfoLow, static_cast<unsigned char>(v >> 8),
            static_cast<unsigned char>(v));
  busWait(kInfoWriteCycle);
}

void mcPInterface::WriteLockBits(unsigned char bits) {
  sendBytes(kOpControl, kCtlWriteLockBits, 0x00, static_cast<unsigned char>(bits & 0x1Fu));
  busWait(kLockWriteCycle);
}

unsigned char mcPInterface::ReadDataByte(unsigned short address) {
  const std::uint16_t a = address;
  sendBytes(dataByteOpcode(kOpReadDataByte, a), static_cast<unsigned char>(a >> 8),
            static_cast<unsigned char>(a & 0xFFu));
  return answer();
}

void mcPInterface::LoadDataByte(unsigned short address, unsigned char data) {
  const std::uint16_t a = address;
  sendBytes(dataByteOpcode(kOpLoadDataByte, a), 0x00, static_cast<unsigned char>(a & 0xFFu), data);
}

void mcPInterface::WriteDataPage(unsigned short address) {
  const std::uint16_t a = address;
  sendBytes(kOpWriteDataPage, static_cast<unsigned char>(a >> 8), 0x00, 0x00);
  busWait(kPageWriteCycle);
}

void mcPInterface::setWriteCycleTime(unsigned char time) {
  sendBytes(kOpControl, kCtlWriteCycleTime, 0x00, time);
}

void mcPInterface::ChipErase() {
  sendBytes(kOpControl, kCtlChipErase, 0x00, 0x00);
  busWait(kChipEraseCycle);
}
