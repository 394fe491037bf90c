#include "cProgressView.h"

#include <algorithm>
#include <cstring>

#include "TAG_GLOBAL_ALGOCTRL_DATA.h"
#include "cK5SimProgrammer.h"
#include "fileIo.h"
#include "littleEndian.h"
#include "moduleTexts.h"
#include "progressLine.h"
#include "summaryText.h"
#include "timeText.h"

namespace {

const std::chrono::milliseconds kRedrawEvery(40);

float floatAt(const unsigned char* b, unsigned int offset) {
  const std::uint32_t bits = loadLeU32(b, offset);
  float value = 0;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

}  // namespace

cProgressView::cProgressView(std::FILE* out, bool terminal, bool verbose)
    : mOut(out),
      mTerminal(terminal),
      mVerbose(verbose),
      mActive(false),
      mBarShown(false),
      mStopped(false),
      mPins(false),
      mFirst(0),
      mLast(0),
      mLastTenth(-1),
      mFraction(0),
      mStartCycles(0) {}

void cProgressView::beginRange(const std::string& action, const std::string& unit,
                               std::uint32_t first, std::uint32_t last) {
  mAction = action;
  mUnit = unit;
  mPins = false;
  mFirst = first;
  mLast = last;
  mActive = true;
  mStopped = false;
  mLastTenth = -1;
  mFraction = 0;
  mPosition.clear();
  mStartCycles = cK5SimProgrammer::instance().nowCycles();
  mStartWall = std::chrono::steady_clock::now();
  mLastDraw = mStartWall - kRedrawEvery;
}

void cProgressView::beginPins(const std::string& action, unsigned int pins) {
  beginRange(action, "pin", 1, pins);
  mPins = true;
}

void cProgressView::end() {
  if (!mActive) return;
  finishBar();
  mActive = false;
}

void cProgressView::finishBar() {
  if (mTerminal && mBarShown) {
    show(mFraction, mPosition, true);
    write("\n");
    mBarShown = false;
  }
}

void cProgressView::write(const std::string& text) {
  std::fflush(mOut);
  writeAll(::fileno(mOut), text.data(), text.size());
}

std::int32_t cProgressView::messageNumber(const std::vector<char>& bytes) {
  if (bytes.size() != TAG_GLOBAL_ALGOCTRL_DATA::kSize) return -1;
  const unsigned char* b = reinterpret_cast<const unsigned char*>(bytes.data());
  if (loadLeU32(b, gacdMessageValid) != 1) return -1;
  return static_cast<std::int32_t>(loadLeU32(b, gacdMessageNo));
}

std::string cProgressView::numberedMessage(const std::vector<char>& bytes) {
  const std::int32_t number = messageNumber(bytes);
  if (number < 0) return "";
  const unsigned char* b = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::uint32_t layout = loadLeU32(b, gacdParamLayout);
  std::vector<tMessageParam> params;
  auto integer = [&](unsigned int i) {
    tMessageParam p;
    p.integer = static_cast<std::int32_t>(loadLeU32(b, gacdParam1 + 4 * i));
    params.push_back(p);
  };
  auto real = [&](unsigned int i) {
    tMessageParam p;
    p.real = true;
    p.value = floatAt(b, gacdParam1 + 4 * i);
    params.push_back(p);
  };
  switch (layout) {
    case mplLong1:
    case mplLong2:
    case mplLong3:
    case mplLong4:
      for (unsigned int i = 0; i < layout - mplNone; ++i) integer(i);
      break;
    case mplFloat1:
      real(0);
      break;
    case mplFloat2:
      real(0);
      real(1);
      break;
    case mplInt1:
      integer(0);
      break;
    case mplInt1Float1:
      integer(0);
      real(1);
      break;
    default:
      break;
  }
  return messageLine(number, params);
}

void cProgressView::progressRecord(const std::vector<char>& bytes, unsigned int pin) {
  const std::string numbered = numberedMessage(bytes);
  if (!numbered.empty()) line(numbered);
  if (!mActive || mStopped || bytes.size() != TAG_GLOBAL_ALGOCTRL_DATA::kSize) return;
  const unsigned char* b = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::uint64_t count = std::uint64_t(mLast) - mFirst + 1;
  if (mPins) {
    if (pin == 0) return;
    mFraction = double(pin) / double(count);
    mPosition = "pin " + std::to_string(pin) + "/" + std::to_string(mLast);
  } else {
    if (loadLeU32(b, gacdAddressValid) != 1) return;
    // A high-byte mismatch is shown one address up: past the last one at the end.
    const std::uint32_t address = std::min(std::max(loadLeU32(b, gacdAddress), mFirst), mLast);
    const std::uint64_t done = address < mFirst ? 0 : std::uint64_t(address) - mFirst + 1;
    mFraction = done > count ? 1.0 : double(done) / double(count);
    const int digits = mLast > 0xFFFF ? 8 : 4;
    mPosition = mUnit + " " + hexText(address, digits) + "/" + hexText(mLast, digits);
  }
  show(mFraction, mPosition, false);
}

void cProgressView::show(double fraction, const std::string& position, bool force) {
  if (mTerminal) {
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - mLastDraw < kRedrawEvery) return;
    mLastDraw = now;
    const std::uint64_t cycles = cK5SimProgrammer::instance().nowCycles() - mStartCycles;
    const std::string text =
        progressBarLine(mAction, fraction, position, secondsText(cycles),
                        secondsText(now - mStartWall), terminalColumns(::fileno(mOut)));
    write("\r\033[K" + text);
    mBarShown = true;
    return;
  }
  // Plain lines: one per tenth of the way.
  const int tenth = static_cast<int>(fraction * 10);
  if (tenth <= mLastTenth) return;
  mLastTenth = tenth;
  char percent[8];
  std::snprintf(percent, sizeof percent, "%3d%%", static_cast<int>(fraction * 100));
  write(mAction + ": " + percent + "  " + position + "  " + times() + "\n");
}

std::string cProgressView::times() const {
  const std::uint64_t cycles = cK5SimProgrammer::instance().nowCycles() - mStartCycles;
  const auto wall = std::chrono::steady_clock::now() - mStartWall;
  return "bus " + secondsText(cycles) + "  wall " + secondsText(wall);
}

void cProgressView::line(const std::string& text) {
  const bool bar = mTerminal && mBarShown;
  write((bar ? "\r\033[K" : "") + text + "\n");
  mBarShown = false;
  if (mTerminal && mActive && !mStopped && !mPosition.empty()) show(mFraction, mPosition, true);
}

void cProgressView::message(const std::string& text) { line("module: " + text); }

void cProgressView::developerMessage(const std::string& text) {
  if (mVerbose) line("developer: " + text);
}

void cProgressView::diagnosticLine(const std::string& text) {
  if (mVerbose) line(text);
}

void cProgressView::note(const std::string& text) {
  // The bar's last state stays above the note; what follows of the action is not drawn.
  finishBar();
  mStopped = true;
  line(text);
}
