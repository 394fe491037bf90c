#include "cK5TouchProbe.h"

#include <utility>

#include "cK5SimProgrammer.h"

const unsigned int cK5TouchProbe::kFirstPin;
const unsigned int cK5TouchProbe::kLastPin;
const unsigned int cK5TouchProbe::kFirstBank;
const unsigned int cK5TouchProbe::kLastBank;
const unsigned int cK5TouchProbe::kAddrLowReg;
const unsigned int cK5TouchProbe::kAddrHighReg;
const unsigned short cK5TouchProbe::kComparatorBit;
const std::uint64_t cK5TouchProbe::kTouchRun;
const std::uint64_t cK5TouchProbe::kForever;
const std::uint64_t cK5TouchProbe::kDefaultReadLimit;
const std::uint64_t cK5TouchProbe::kDefaultPinReadLimit;

namespace {

const unsigned int kBankReg0 = 0x60;
const unsigned int kBankStride = 0x200;

// The socket's wiring of pins to pin-driver banks.
struct tBankRange {
  unsigned int first;
  unsigned int last;
  unsigned char bank;
};
constexpr tBankRange kBankRanges[] = {{1, 15, 1},  {16, 31, 3},  {32, 32, 1},  {33, 33, 3},
                                      {34, 34, 1}, {35, 36, 3},  {37, 47, 1},  {48, 48, 3},
                                      {49, 49, 1}, {50, 50, 3},  {51, 51, 1},  {52, 60, 3},
                                      {61, 72, 1}, {73, 132, 2}, {133, 144, 1}};

using tBankOfPin = std::array<unsigned char, cK5TouchProbe::kLastPin + 1>;

constexpr tBankOfPin makeBankOfPin() {
  tBankOfPin banks{};
  for (const tBankRange& r : kBankRanges)
    for (unsigned int pin = r.first; pin <= r.last; ++pin) banks[pin] = r.bank;
  return banks;
}

// Looked up at every read of a long test, hence a flat table.
constexpr tBankOfPin kBankOfPin = makeBankOfPin();

std::string pinName(unsigned int pin) {
  return pin == 0 ? std::string("no pin") : "pin " + std::to_string(pin);
}

}  // namespace

cK5TouchProbe::cK5TouchProbe()
    : mReadLimit(kDefaultReadLimit),
      mPinReadLimit(kDefaultPinReadLimit),
      mReadLimitPassed(false),
      mTotalReads(0),
      mHighHalf(0),
      mHighHalfWritten(false),
      mAddress(0),
      mSelected(0) {}

unsigned int cK5TouchProbe::bankOf(unsigned int pin) { return isPin(pin) ? kBankOfPin[pin] : 0; }

unsigned int cK5TouchProbe::bankRegister(unsigned int bank) {
  if (bank < kFirstBank || bank > kLastBank) return 0;
  return kBankReg0 + bank * kBankStride;
}

bool cK5TouchProbe::isPin(unsigned int pin) { return pin >= kFirstPin && pin <= kLastPin; }

unsigned int cK5TouchProbe::bankOfRegister(unsigned int offset) {
  if (offset < kBankReg0 || (offset - kBankReg0) % kBankStride != 0) return 0;
  const unsigned int bank = (offset - kBankReg0) / kBankStride;
  return bank >= kFirstBank && bank <= kLastBank ? bank : 0;
}

// ---- scripts

bool cK5TouchProbe::script(unsigned int pin, const std::vector<tRun>& runs) {
  if (!isPin(pin) || runs.empty()) return false;
  for (std::size_t i = 0; i < runs.size(); ++i) {
    if (runs[i].count == 0) return false;
    if (runs[i].count == kForever && i + 1 != runs.size()) return false;
  }
  tPinState& state = mPins[pin];
  state.runs = runs;
  state.run = 0;
  state.usedInRun = 0;
  return true;
}

bool cK5TouchProbe::holdLow(unsigned int pin) { return script(pin, {{true, kForever}}); }

bool cK5TouchProbe::touch(unsigned int pin) { return script(pin, {{true, kTouchRun}}); }

bool cK5TouchProbe::touchAll(const std::vector<unsigned int>& pins) {
  for (unsigned int pin : pins)
    if (!isPin(pin)) return false;
  for (unsigned int pin : pins) touch(pin);
  return true;
}

bool cK5TouchProbe::touchRange(unsigned int first, unsigned int last) {
  if (!isPin(first) || !isPin(last) || first > last) return false;
  for (unsigned int pin = first; pin <= last; ++pin) touch(pin);
  return true;
}

// ---- events

bool cK5TouchProbe::atSelection(unsigned int pin, std::function<void()> event) {
  if (!isPin(pin)) return false;
  mTriggers.push_back({pin, 0, std::move(event)});
  return true;
}

bool cK5TouchProbe::atReading(unsigned int pin, std::uint64_t n, std::function<void()> event) {
  if (!isPin(pin) || n == 0) return false;
  mTriggers.push_back({pin, n, std::move(event)});
  return true;
}

void cK5TouchProbe::setGuard(std::function<void()> guard) { mGuard = std::move(guard); }

void cK5TouchProbe::setReadLimits(std::uint64_t total, std::uint64_t perPin) {
  mReadLimit = total;
  mPinReadLimit = perPin;
}

void cK5TouchProbe::fire(unsigned int pin, std::uint64_t reading) {
  // By index and by copy: an event may add triggers.
  for (std::size_t i = 0; i < mTriggers.size(); ++i) {
    const tTrigger& trigger = mTriggers[i];
    if (trigger.pin != pin || trigger.reading != reading) continue;
    const std::function<void()> event = trigger.event;
    if (event) event();
  }
}

// ---- record

std::uint32_t cK5TouchProbe::selectedAddress() const { return mAddress; }

unsigned int cK5TouchProbe::selectedPin() const { return mSelected; }

const std::vector<std::uint32_t>& cK5TouchProbe::selections() const { return mSelections; }

std::uint64_t cK5TouchProbe::readings(unsigned int pin) const {
  return isPin(pin) ? mPins[pin].readings : 0;
}

std::uint64_t cK5TouchProbe::reads(unsigned int pin, unsigned int offset) const {
  const unsigned int bank = bankOfRegister(offset);
  if (pin > kLastPin || bank == 0) return 0;
  return mPins[pin].readsOfBank[bank];
}

std::uint64_t cK5TouchProbe::totalReads() const { return mTotalReads; }

const std::vector<cK5TouchProbe::tReadRun>& cK5TouchProbe::readLog() const { return mReadLog; }

const std::vector<std::string>& cK5TouchProbe::violations() const { return mViolations; }

bool cK5TouchProbe::continueRun(unsigned int pin, unsigned int offset, bool low) {
  if (mReadLog.empty()) return false;
  tReadRun& last = mReadLog.back();
  if (last.pin != pin || last.offset != offset || last.low != low) return false;
  ++last.count;
  return true;
}

void cK5TouchProbe::violation(const std::string& text) { mViolations.push_back(text); }

void cK5TouchProbe::checkLimits(unsigned int pin) {
  tPinState& state = mPins[pin];
  bool passed = false;
  if (!mReadLimitPassed && mTotalReads > mReadLimit) {
    mReadLimitPassed = true;
    violation("more than " + std::to_string(mReadLimit) + " reads");
    passed = true;
  }
  if (!state.pinLimitPassed && state.reads > mPinReadLimit) {
    state.pinLimitPassed = true;
    violation(pinName(pin) + ": more than " + std::to_string(mPinReadLimit) + " reads");
    passed = true;
  }
  if (passed && mGuard) {
    const std::function<void()> guard = mGuard;
    guard();
  }
}

// ---- the socket

bool cK5TouchProbe::nextReadingLow(tPinState& state) {
  if (state.run >= state.runs.size()) return false;
  const tRun& run = state.runs[state.run];
  if (run.count != kForever && ++state.usedInRun == run.count) {
    ++state.run;
    state.usedInRun = 0;
  }
  return run.low;
}

void cK5TouchProbe::onMcuWrite(cK5SimProgrammer&, unsigned int offset, unsigned short value) {
  if (offset == kAddrHighReg) {
    mHighHalf = value;
    mHighHalfWritten = true;
  } else if (offset == kAddrLowReg) {
    // The interface loads an address high half first; a low half alone
    // would select with a stale high half.
    if (!mHighHalfWritten) violation("address low half written without a high half before it");
    mHighHalfWritten = false;
    mAddress = (std::uint32_t(mHighHalf) << 16) | value;
    mSelected = isPin(mAddress) ? mAddress : 0;
    mSelections.push_back(mAddress);
    if (mSelected != 0) fire(mSelected, 0);
  }
}

bool cK5TouchProbe::onMcuRead(cK5SimProgrammer&, unsigned int offset, unsigned short& value) {
  const unsigned int bank = bankOfRegister(offset);
  if (bank == 0) return false;
  const unsigned int pin = mSelected;
  tPinState& state = mPins[pin];
  const bool reading = pin != 0 && kBankOfPin[pin] == bank;
  const bool low = reading && nextReadingLow(state);
  if (reading) ++state.readings;
  ++state.reads;
  ++state.readsOfBank[bank];
  ++mTotalReads;
  value = low ? 0 : kComparatorBit;
  // The common case, a read that continues the read log's last run with no
  // limit passed and no event to run, calls nothing: millions of reads.
  const bool recorded = continueRun(pin, offset, low);
  const bool limitPassed = (mTotalReads > mReadLimit && !mReadLimitPassed) ||
                           (state.reads > mPinReadLimit && !state.pinLimitPassed);
  if (recorded && !limitPassed && (!reading || mTriggers.empty())) return true;
  return afterRead(pin, offset, low, reading, recorded);
}

bool cK5TouchProbe::afterRead(unsigned int pin, unsigned int offset, bool low, bool reading,
                              bool recorded) {
  if (!recorded) mReadLog.push_back({pin, offset, low, 1});
  checkLimits(pin);
  if (reading) fire(pin, mPins[pin].readings);
  return true;
}
