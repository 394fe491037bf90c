#include "cK5HoltekChip.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

const unsigned int cK5HoltekChip::kMaxWords;
const std::uint8_t cK5HoltekChip::kAcknowledge;
const unsigned int cK5HoltekChip::kPageCommitCycles;
const unsigned int cK5HoltekChip::kEraseCycles;
const unsigned int cK5HoltekChip::kInfoWriteCycles;
const unsigned int cK5HoltekChip::kLockWriteCycles;
const unsigned int cK5HoltekChip::kVccMinMv;
const unsigned int cK5HoltekChip::kVccMaxMv;
const unsigned int cK5HoltekChip::kMeasuredVccMinMv;
const unsigned int cK5HoltekChip::kMeasuredVccMaxMv;
const unsigned int cK5HoltekChip::kVppMinMv;
const unsigned int cK5HoltekChip::kVppMaxMv;

namespace {

const unsigned int kLineSet = 0x42;
const unsigned int kLineClear = 0x44;
const unsigned int kComparators = 0x60;
const unsigned int kDataIn = 0x84;
const unsigned int kDataOut = 0x86;

const unsigned int kL1 = 1;
const unsigned int kL2 = 2;
const unsigned int kL3 = 3;
const unsigned int kLineBits = 1u << kL1 | 1u << kL2 | 1u << kL3;
const unsigned short kSdiBit = 1u << 3;
const unsigned short kVccComparatorBit = 1u << 9;

const std::uint8_t kDefaultSignatureId = 0x01;
const std::array<std::uint8_t, 6> kSignaturePrefix = {{0x7F, 0x7F, 0x7F, 0x7F, 0x1F, 0x00}};
const std::array<std::uint8_t, 4> kEntryNibbles = {{5, 6, 9, 10}};

// Serial instructions: the first byte, and after kOpControl the second.
// Byte opcodes with kOpHighByte set name the odd (high) byte of a word.
const std::uint8_t kOpReadSignature = 0x30;
const std::uint8_t kOpReadLockBits = 0x58;
const std::uint8_t kOpReadDataByte = 0x20;
const std::uint8_t kOpLoadDataByte = 0x40;
const std::uint8_t kOpWriteDataPage = 0x4C;
const std::uint8_t kOpControl = 0xAC;
const std::uint8_t kOpHighByte = 0x08;
const std::uint8_t kCtlReadInfoHigh = 0x20;
const std::uint8_t kCtlReadInfoLow = 0x30;
const std::uint8_t kCtlWriteInfoHigh = 0x00;
const std::uint8_t kCtlWriteInfoLow = 0x10;
const std::uint8_t kCtlWriteLockBits = 0xE0;
const std::uint8_t kCtlWriteCycleTime = 0x5D;
const std::uint8_t kCtlChipErase = 0x80;

const std::uint32_t kImageMagic = 0x434B5448;  // "HTKC" in file order
const std::uint32_t kImageVersion = 1;
const std::size_t kImageHeader = 24;

std::string hex(unsigned int value, int digits = 2) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*X", digits, value);
  return text;
}

std::string bytesText(const std::vector<std::uint8_t>& bytes) {
  std::string text;
  for (std::uint8_t b : bytes) text += (text.empty() ? "" : " ") + hex(b);
  return text;
}

std::uint32_t get32(const std::vector<std::uint8_t>& data, std::size_t at) {
  return std::uint32_t(data[at]) | std::uint32_t(data[at + 1]) << 8 |
         std::uint32_t(data[at + 2]) << 16 | std::uint32_t(data[at + 3]) << 24;
}

void put32(std::vector<std::uint8_t>& data, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) data.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::string imageError(const std::string& path, const std::string& reason) {
  return "chip image " + path + ": " + reason;
}

// The whole file, or false with the reason.
bool readFile(const std::string& path, std::vector<std::uint8_t>& data, std::string& reason) {
  // Non-blocking, so that a FIFO does not wait for a writer before it is refused.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    reason = std::string("cannot open: ") + std::strerror(errno);
    return false;
  }
  struct stat info;
  bool ok = ::fstat(fd, &info) == 0;
  if (!ok) {
    reason = std::string("cannot read: ") + std::strerror(errno);
  } else if (!S_ISREG(info.st_mode)) {
    reason = "not a regular file";
    ok = false;
  }
  std::uint8_t buffer[4096];
  while (ok) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      reason = std::string("cannot read: ") + std::strerror(errno);
      ok = false;
    } else if (n == 0) {
      break;
    } else {
      data.insert(data.end(), buffer, buffer + n);
    }
  }
  ::close(fd);
  return ok;
}

bool writeAll(int fd, const std::vector<std::uint8_t>& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) {
      errno = EIO;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

cK5HoltekChip::cK5HoltekChip()
    : mWords(kMaxWords, 0xFFFF),
      mInfo(0xFFFFFFFFu),
      mLock(0xFF),
      mSignatureId(kDefaultSignatureId),
      mAck(kAcknowledge),
      mSensedMv(0),
      mLowMv(kVccMinMv),
      mHighMv(kVccMaxMv),
      mInserted(true),
      mPowerSeen(0),
      mPowerStale(true),
      mMode(mdOff),
      mVppFault(false),
      mWriteDir(false),
      mLines(0),
      mDataIn(0) {
  dropProtocolState();
}

std::array<std::uint8_t, 7> cK5HoltekChip::signature() const {
  std::array<std::uint8_t, 7> sig;
  for (std::size_t i = 0; i < kSignaturePrefix.size(); ++i) sig[i] = kSignaturePrefix[i];
  sig[6] = mSignatureId;
  return sig;
}

bool cK5HoltekChip::setMemoryWords(unsigned int words) {
  if (words == 0 || words > kMaxWords) return false;
  mWords.resize(words, 0xFFFF);
  return true;
}

bool cK5HoltekChip::setWords(unsigned int first, const std::vector<std::uint16_t>& values) {
  if (first > mWords.size() || values.size() > mWords.size() - first) return false;
  std::copy(values.begin(), values.end(), mWords.begin() + first);
  return true;
}

bool cK5HoltekChip::setPowerWindow(unsigned int lowMv, unsigned int highMv) {
  if (lowMv > highMv) return false;
  mLowMv = lowMv;
  mHighMv = highMv;
  mPowerStale = true;
  return true;
}

void cK5HoltekChip::setInserted(bool inserted) {
  mInserted = inserted;
  mPowerStale = true;
  if (!inserted) {
    mMode = mdOff;
    mVppFault = false;
    dropProtocolState();
  }
}

void cK5HoltekChip::violation(const std::string& text) { mViolations.push_back(text); }

void cK5HoltekChip::violationOnce(const std::string& text) {
  if (std::find(mViolations.begin(), mViolations.end(), text) == mViolations.end()) {
    violation(text);
  }
}

// ---------------------------------------------------------------- power

void cK5HoltekChip::updatePower(cK5SimProgrammer& sim) {
  mPowerSeen = sim.powerChanges();
  mPowerStale = false;
  const tK5CpdSlotState& outputs = sim.cpd(0);
  const unsigned int vcc = sim.supplyLevel(PS_VCP1);
  const bool powered =
      mInserted && !outputs.outputDisabled[k5OutVcp1] && vcc >= mLowMv && vcc <= mHighMv;
  if (powered != (mMode != mdOff)) {
    dropProtocolState();
    mMode = powered ? mdEntry : mdOff;
  }
  const unsigned int vpp = sim.supplyLevel(PS_VCP2);
  const bool vppOn = !outputs.outputDisabled[k5OutVcp2] && vpp > 0;
  if (mInserted && vppOn && vpp > kVppMaxMv) {
    violationOnce("VPP " + std::to_string(vpp) + " mV is above the chip's maximum " +
                  std::to_string(kVppMaxMv) + " mV");
  }
  const bool vppFault = mInserted && vppOn && !powered;
  if (vppFault && !mVppFault) {
    const bool vccOn = !outputs.outputDisabled[k5OutVcp1] && vcc > 0;
    if (!vccOn) {
      violation("VPP on while Vcc is off (VCP1 " + std::to_string(vcc) + " mV, output " +
                (outputs.outputDisabled[k5OutVcp1] ? "off" : "on") + ")");
    } else {
      // A module that retries at the same level is the same fault.
      violationOnce("VPP on while Vcc " + std::to_string(vcc) +
                    " mV is outside the operating range " + std::to_string(mLowMv) + "-" +
                    std::to_string(mHighMv) + " mV");
    }
  }
  mVppFault = vppFault;
}

// The chip takes its programming mode with VPP applied; it enters all the
// same, as the acknowledge only tells the entry sequence.
void cK5HoltekChip::checkVppAtEntry(cK5SimProgrammer& sim) {
  const bool on = !sim.cpd(0).outputDisabled[k5OutVcp2];
  const unsigned int vpp = sim.supplyLevel(PS_VCP2);
  if (on && vpp >= kVppMinMv && vpp <= kVppMaxMv) return;
  violationOnce("entry with VPP " + std::to_string(vpp) + " mV" + (on ? "" : " (output off)") +
                ", outside the chip's range " + std::to_string(kVppMinMv) + "-" +
                std::to_string(kVppMaxMv) + " mV");
}

void cK5HoltekChip::dropProtocolState() {
  mEntry = tEntry();
  mSerial = tSerial();
  mRead = tReadMode();
  mBusy = tBusy();
  mPageLoaded.fill(false);
  mPageData.fill(0xFF);
  mDataIn = 0;
}

void cK5HoltekChip::onSupply(cK5SimProgrammer& sim, ePSChannel, unsigned int) { refreshPower(sim); }

void cK5HoltekChip::onSuppliesOff(cK5SimProgrammer& sim) { refreshPower(sim); }

void cK5HoltekChip::onOutput(cK5SimProgrammer& sim, unsigned int slot, eK5Output, bool) {
  if (slot == 0) refreshPower(sim);
}

// ---------------------------------------------------------------- registers

bool cK5HoltekChip::onMcuRead(cK5SimProgrammer& sim, unsigned int offset, unsigned short& value) {
  if (!mInserted || (offset != kDataIn && offset != kComparators)) return false;
  refreshPower(sim);
  // `value` holds the register file's.
  if (offset == kDataIn) {
    value = static_cast<unsigned short>((value & 0xFFF0u) | (powered() ? mDataIn : 0u));
  } else {
    value = static_cast<unsigned short>(value & ~(kSdiBit | kVccComparatorBit));
    if (mSensedMv > sim.supplyLevel(PS_VCOMP)) value |= kVccComparatorBit;
    if (mMode == mdSerial && mSerial.sdi) value |= kSdiBit;
  }
  return true;
}

void cK5HoltekChip::onMcuWrite(cK5SimProgrammer& sim, unsigned int offset, unsigned short value) {
  if (offset == kLineSet || offset == kLineClear) lineWrite(sim, value, offset == kLineSet);
}

void cK5HoltekChip::lineWrite(cK5SimProgrammer& sim, unsigned short bits, bool high) {
  refreshPower(sim);
  if (bits & 1u) mWriteDir = high;
  const unsigned int written = bits & kLineBits;
  const unsigned int lines = high ? mLines | written : mLines & ~written;
  const unsigned int edges = lines ^ mLines;
  mLines = lines;
  if (edges == 0 || !powered()) return;
  checkBusy(sim);
  if ((edges & 1u << kL1) && !high) strobe(sim);
  if (edges & 1u << kL2) {
    if (!high) {
      clockFall(sim);
    } else if (mMode == mdReadMode) {
      // Back to serial mode with an empty shifter.
      mMode = mdSerial;
      mSerial = tSerial();
    }
  }
}

void cK5HoltekChip::endBusy(cK5SimProgrammer& sim) {
  mBusy.active = false;
  const std::uint64_t elapsed = sim.nowCycles() - mBusy.since;
  if (elapsed >= mBusy.cycles) return;
  violation("line edge " + std::to_string(elapsed) + " cycles after " + mBusy.what + " (busy for " +
            std::to_string(mBusy.cycles) + ")");
}

void cK5HoltekChip::startBusy(cK5SimProgrammer& sim, unsigned int cycles, const char* what) {
  mBusy.active = true;
  mBusy.since = sim.nowCycles();
  mBusy.cycles = cycles;
  mBusy.what = what;
}

// ---------------------------------------------------------------- nibble bus

void cK5HoltekChip::strobe(cK5SimProgrammer& sim) {
  // The bus is looked at only where the chip takes a nibble from it.
  const auto bus = [&sim] { return sim.mcuRegister(kDataOut) & 0xFu; };
  switch (mMode) {
    case mdEntry:
      if (!mWriteDir || !line(kL2)) return;
      mEntry.nibbles[mEntry.count++] = static_cast<std::uint8_t>(bus());
      if (mEntry.count == mEntry.nibbles.size()) {
        checkVppAtEntry(sim);
        mEntry.matched = mEntry.nibbles == kEntryNibbles;
        mEntry.ack = mEntry.matched ? mAck : 0;
        mMode = mdAcknowledge;
      }
      return;
    case mdAcknowledge:
      if (mWriteDir) return;
      mDataIn = (mEntry.ack >> mEntry.ackBits) & 1u;
      if (++mEntry.ackBits == 8) {
        mMode = mEntry.matched ? mdSerial : mdLocked;
        mSerial = tSerial();
      }
      return;
    case mdSerial:
      if (mWriteDir && !line(kL2)) {
        enterReadMode();
        readModeStrobe(bus());
      }
      return;
    case mdReadMode:
      readModeStrobe(mWriteDir ? bus() : 0u);
      return;
    case mdOff:
    case mdLocked:
      return;
  }
}

void cK5HoltekChip::enterReadMode() {
  if (!mSerial.bytes.empty())
    violation("instruction " + bytesText(mSerial.bytes) + " cut short by read mode");
  mSerial = tSerial();
  mRead = tReadMode();
  mMode = mdReadMode;
}

void cK5HoltekChip::readModeStrobe(unsigned int busNibble) {
  if (mWriteDir) {
    if (mRead.addressNibbles == 4) mRead = tReadMode();
    mRead.address |= busNibble << (4 * mRead.addressNibbles);
    ++mRead.addressNibbles;
    return;
  }
  if (mRead.addressNibbles < 4) {
    earlyReadModeData();
    return;
  }
  if (mRead.address < mWords.size()) {
    mDataIn = (mWords[mRead.address] >> (4 * mRead.nibble)) & 0xFu;
  } else {
    readModeBeyondMemory();
  }
  if (++mRead.nibble == 4) {
    mRead.nibble = 0;
    ++mRead.address;
  }
}

void cK5HoltekChip::earlyReadModeData() {
  violation("read-mode data strobed after " + std::to_string(mRead.addressNibbles) +
            " address nibbles");
}

void cK5HoltekChip::readModeBeyondMemory() {
  mDataIn = 0;
  if (mRead.beyondReported) return;
  violation("read-mode word address " + hex(mRead.address, 4) + " beyond memory of " +
            std::to_string(mWords.size()) + " words");
  mRead.beyondReported = true;
}

// ---------------------------------------------------------------- serial

void cK5HoltekChip::clockFall(cK5SimProgrammer& sim) {
  if (mMode != mdSerial) return;
  tSerial& s = mSerial;
  if (s.answerBits > 0) {
    --s.answerBits;
    s.sdi = s.answerBits > 0 && ((s.answer >> (s.answerBits - 1)) & 1u);
    return;
  }
  s.shift = static_cast<std::uint8_t>(s.shift << 1 | (line(kL3) ? 1u : 0u));
  if (++s.bits == 8) {
    s.bits = 0;
    byteIn(sim, s.shift);
  }
}

namespace {

// Bytes of the instruction that starts so; 0 when no instruction does.
std::size_t instructionLength(const std::vector<std::uint8_t>& b) {
  switch (b[0]) {
    case kOpReadSignature:
    case kOpReadLockBits:
    case kOpReadDataByte:
    case kOpReadDataByte | kOpHighByte:
      return 3;
    case kOpLoadDataByte:
    case kOpLoadDataByte | kOpHighByte:
    case kOpWriteDataPage:
      return 4;
    case kOpControl:
      if (b.size() < 2) return 2;
      switch (b[1]) {
        case kCtlReadInfoHigh:
        case kCtlReadInfoLow:
          return 2;
        case kCtlWriteInfoHigh:
        case kCtlWriteInfoLow:
        case kCtlWriteLockBits:
        case kCtlWriteCycleTime:
        case kCtlChipErase:
          return 4;
      }
      return 0;
  }
  return 0;
}

}  // namespace

void cK5HoltekChip::byteIn(cK5SimProgrammer& sim, std::uint8_t byte) {
  std::vector<std::uint8_t>& b = mSerial.bytes;
  b.push_back(byte);
  const std::size_t length = instructionLength(b);
  if (length != 0 && b.size() < length) return;
  if (length == 0 || !execute(sim)) violation("unknown instruction " + bytesText(b));
  b.clear();
}

bool cK5HoltekChip::execute(cK5SimProgrammer& sim) {
  const std::vector<std::uint8_t>& b = mSerial.bytes;
  switch (b[0]) {
    case kOpReadSignature:
      if (b[1] != 0 || b[2] > 6) return false;
      answer(signature()[b[2]], 8);
      return true;
    case kOpReadLockBits:
      if (b[1] != 0 || b[2] != 0) return false;
      answer(mLock, 8);
      return true;
    case kOpReadDataByte:
    case kOpReadDataByte | kOpHighByte: {
      const unsigned int address = unsigned(b[1]) << 8 | b[2];
      checkByteOpcode(b[0], address);
      answer(readByte(address), 8);
      return true;
    }
    case kOpLoadDataByte:
    case kOpLoadDataByte | kOpHighByte:
      if (b[1] != 0) return false;
      checkByteOpcode(b[0], b[2]);
      if (mPageLoaded[b[2]]) violation("byte " + hex(b[2]) + " loaded twice before a page commit");
      mPageLoaded[b[2]] = true;
      mPageData[b[2]] = b[3];
      return true;
    case kOpWriteDataPage:
      if (b[2] != 0 || b[3] != 0) return false;
      commitPage(b[1]);
      startBusy(sim, kPageCommitCycles, "a page commit");
      return true;
  }
  return executeControl(sim);
}

// kOpControl: instructionLength let only the known second bytes through.
bool cK5HoltekChip::executeControl(cK5SimProgrammer& sim) {
  const std::vector<std::uint8_t>& b = mSerial.bytes;
  switch (b[1]) {
    case kCtlReadInfoHigh:
      answer(mInfo >> 16, 16);
      return true;
    case kCtlReadInfoLow:
      answer(mInfo & 0xFFFFu, 16);
      return true;
    case kCtlWriteInfoHigh:
      mInfo &= std::uint32_t(b[2]) << 24 | std::uint32_t(b[3]) << 16 | 0xFFFFu;
      startBusy(sim, kInfoWriteCycles, "an info-data write");
      return true;
    case kCtlWriteInfoLow:
      mInfo &= 0xFFFF0000u | std::uint32_t(b[2]) << 8 | b[3];
      startBusy(sim, kInfoWriteCycles, "an info-data write");
      return true;
    case kCtlWriteLockBits:
      if (b[2] != 0) return false;
      mLock &= b[3];
      startBusy(sim, kLockWriteCycles, "a lock-bit write");
      return true;
    case kCtlWriteCycleTime:
      return b[2] == 0;
    case kCtlChipErase:
      if (b[2] != 0 || b[3] != 0) return false;
      erase();
      startBusy(sim, kEraseCycles, "a chip erase");
      return true;
  }
  return false;
}

void cK5HoltekChip::answer(std::uint32_t value, unsigned int bits) {
  mSerial.answer = value;
  mSerial.answerBits = bits;
  mSerial.sdi = (value >> (bits - 1)) & 1u;
}

// Bit 3 of a byte opcode names the high byte, which must be the odd address.
void cK5HoltekChip::checkByteOpcode(std::uint8_t opcode, unsigned int address) {
  const bool highOpcode = (opcode & kOpHighByte) != 0;
  const bool odd = (address & 1u) != 0;
  if (highOpcode != odd)
    violation(hex(opcode) + " with the " + (odd ? "odd" : "even") + " address " + hex(address, 4));
}

bool cK5HoltekChip::byteInMemory(unsigned int address) {
  if ((address >> 1) < mWords.size()) return true;
  violation("byte address " + hex(address, 4) + " beyond memory of " +
            std::to_string(mWords.size()) + " words");
  return false;
}

std::uint8_t cK5HoltekChip::readByte(unsigned int address) {
  if (!byteInMemory(address)) return 0;
  return static_cast<std::uint8_t>(mWords[address >> 1] >> (8 * (address & 1u)));
}

void cK5HoltekChip::commitPage(std::uint8_t page) {
  for (unsigned int low = 0; low < mPageLoaded.size(); ++low) {
    if (!mPageLoaded[low]) continue;
    mPageLoaded[low] = false;
    const unsigned int address = unsigned(page) << 8 | low;
    if (!byteInMemory(address)) continue;
    const unsigned int shift = 8 * (address & 1u);
    // A cell only goes from 1 to 0.
    const std::uint16_t keep = static_cast<std::uint16_t>(~(0xFFu << shift));
    mWords[address >> 1] &= static_cast<std::uint16_t>(keep | unsigned(mPageData[low]) << shift);
  }
}

void cK5HoltekChip::erase() {
  std::fill(mWords.begin(), mWords.end(), 0xFFFF);
  mInfo = 0xFFFFFFFFu;
  mLock = 0xFF;
}

// ---------------------------------------------------------------- image file

bool cK5HoltekChip::load(const std::string& path, std::string& error) {
  std::vector<std::uint8_t> data;
  std::string reason;
  if (!readFile(path, data, reason)) {
    error = imageError(path, reason);
    return false;
  }
  if (data.size() >= 4 && get32(data, 0) != kImageMagic) {
    error = imageError(path, "not a chip image (wrong magic)");
    return false;
  }
  if (data.size() < kImageHeader) {
    error = imageError(path, "truncated: " + std::to_string(data.size()) +
                                 " bytes, the header takes " + std::to_string(kImageHeader));
    return false;
  }
  const std::uint32_t version = get32(data, 4);
  const std::uint32_t count = get32(data, 8);
  if (version != kImageVersion) {
    error = imageError(path, "unsupported version " + std::to_string(version));
    return false;
  }
  if (count == 0 || count > kMaxWords) {
    error = imageError(
        path, "word count " + std::to_string(count) + " outside 1.." + std::to_string(kMaxWords));
    return false;
  }
  if (!std::equal(kSignaturePrefix.begin(), kSignaturePrefix.end(), data.begin() + 17)) {
    error = imageError(path, "signature does not begin 7F 7F 7F 7F 1F 00");
    return false;
  }
  const std::size_t expected = kImageHeader + 2u * count;
  if (data.size() != expected) {
    error =
        imageError(path, std::string(data.size() < expected ? "truncated: " : "trailing data: ") +
                             std::to_string(data.size()) + " bytes where " +
                             std::to_string(expected) + " belong");
    return false;
  }
  mWords.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = kImageHeader + 2 * i;
    mWords[i] = static_cast<std::uint16_t>(data[at] | data[at + 1] << 8);
  }
  mInfo = get32(data, 12);
  mLock = data[16];
  mSignatureId = data[23];
  return true;
}

std::vector<std::uint8_t> cK5HoltekChip::image() const {
  std::vector<std::uint8_t> data;
  data.reserve(kImageHeader + 2 * mWords.size());
  put32(data, kImageMagic);
  put32(data, kImageVersion);
  put32(data, static_cast<std::uint32_t>(mWords.size()));
  put32(data, mInfo);
  data.push_back(mLock);
  const std::array<std::uint8_t, 7> sig = signature();
  data.insert(data.end(), sig.begin(), sig.end());
  for (std::uint16_t w : mWords) {
    data.push_back(static_cast<std::uint8_t>(w));
    data.push_back(static_cast<std::uint8_t>(w >> 8));
  }
  return data;
}

bool cK5HoltekChip::save(const std::string& path, std::string& error) const {
  const std::vector<std::uint8_t> data = image();
  const std::string temp = path + ".tmp";
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    error = imageError(path, "cannot create " + temp + ": " + std::strerror(errno));
    return false;
  }
  bool ok = writeAll(fd, data) && ::fsync(fd) == 0;
  int saved = errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    saved = errno;
  }
  if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
    error = imageError(path, std::string("cannot replace it: ") + std::strerror(errno));
    ::unlink(temp.c_str());
    return false;
  }
  if (!ok) {
    error = imageError(path, "cannot write " + temp + ": " + std::strerror(saved));
    ::unlink(temp.c_str());
    return false;
  }
  return true;
}
