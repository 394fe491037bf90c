#include "cRunner.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>

#include "JobBuilder.h"
#include "cAbstractEventManager.h"
#include "cDeviceParam.h"
#include "cHostSession.h"
#include "cK5SimProgrammer.h"
#include "cLineCapture.h"
#include "cLoadedModule.h"
#include "cProgressView.h"
#include "cScaffoHost.h"
#include "cUiAlgoDataK3.h"
#include "defaultJob.h"
#include "fileIo.h"
#include "imageFormat.h"
#include "jobParts.h"
#include "mismatchReport.h"
#include "tKnownModule.h"
#include "timeText.h"

namespace {

const piModuleAddr kClient(1, 1);
// Bus cycles per register access: lets the UI timer run in loops without waits.
const unsigned int kAccessCost = 1;
const unsigned int kUiTimerMs = 50;
const unsigned int kSocketPins = cK5TouchProbe::kLastPin;
// Verify compares only the low five lock bits; a blank check all eight.
const std::uint8_t kVerifiedLockBits = 0x1F;

volatile sig_atomic_t gStopRequested = 0;

extern "C" void onStopSignal(int) { gStopRequested = 1; }

// The first SIGINT or SIGTERM cancels the action; a second one ends the
// process as usual.
void catchStopSignals() {
  struct sigaction action = {};
  action.sa_handler = onStopSignal;
  action.sa_flags = SA_RESETHAND;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

std::string hex(std::uint32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*X", digits, value);
  return text;
}

std::string rangeText(const tPlannedAction& action) {
  switch (action.type) {
    case aatProg:
      return "bytes " + hex(action.start, 4) + "-" + hex(action.end, 4) + " (words " +
             hex(action.start / 2, 4) + "-" + hex(action.end / 2, 4) + ")";
    case aatRead:
    case aatVerify:
      return action.signalTest ? "" : "words " + hex(action.start, 4) + "-" + hex(action.end, 4);
    case aatBlank:
      return "words " + hex(action.shownFirst, 4) + "-" + hex(action.shownLast, 4);
    default:
      return "";
  }
}

bool sameFile(const std::string& a, const std::string& b) {
  struct stat sa;
  struct stat sb;
  if (a == b) return true;
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

bool isFolder(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The objcopy input name of a text image format.
std::string objcopyName(const std::string& format) {
  return format == "Intel HEX" ? "ihex" : "srec";
}

// What a verify or blank check expects of the chip; false for other actions.
bool expectedOf(const tPlannedAction& action, const tRunOptions& options, std::size_t imageBytes,
                tExpectedContent& expected) {
  const bool blank = action.type == aatBlank ||
                     (action.type == aatErase &&
                      (action.settings.options & tHoltekSettings::kOptBlankCheckAfterErase));
  if (action.signalTest || (action.type != aatVerify && !blank)) return false;
  const std::uint32_t areas =
      blank ? tHoltekSettings::kAreaMain | tHoltekSettings::kAreaInfo | tHoltekSettings::kAreaLock
            : action.settings.areas;
  expected.firstWord = action.shownFirst;
  expected.lastWord = action.shownLast;
  if (!blank) {
    expected.image = options.file;
    expected.imageBytes = imageBytes;
    expected.bytes = action.buffer;
  }
  expected.info = (areas & tHoltekSettings::kAreaInfo) != 0;
  expected.infoData = blank ? 0xFFFFFFFFu : action.settings.infoData;
  expected.lock = (areas & tHoltekSettings::kAreaLock) != 0;
  expected.lockBits = blank ? 0xFF : action.settings.lockBits;
  expected.lockMask = blank ? 0xFF : kVerifiedLockBits;
  return true;
}

// A probe's note that a read limit was passed: the runner's guard answers it.
bool isReadLimitNote(const std::string& text) {
  const std::string tail = " reads";
  return text.size() > tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0 &&
         text.find("more than ") != std::string::npos;
}

void printLine(std::FILE* out, const std::string& label, const std::string& value) {
  std::fprintf(out, "%-11s %s\n", (label + ":").c_str(), value.c_str());
}

}  // namespace

cRunner::cRunner(const tRunOptions& options, const std::string& runnerFolder)
    : mOptions(options),
      mRunnerFolder(runnerFolder),
      mWords(0),
      mFirst(0),
      mLast(0),
      mCurrent(nullptr),
      mReadOutValid(false),
      mInterrupted(false),
      mSummary(stdout) {}

cRunner::~cRunner() = default;

bool cRunner::prepare(std::string& error) {
  const bool sorrel = mOptions.command == tRunOptions::cmdSignalTest;
  const std::string module =
      mOptions.module.empty() ? (sorrel ? "sorrel" : "larkspur") : mOptions.module;
  mModulePath = module;
  for (const tKnownModule& known : kKnownModules) {
    if (module == known.name) mModulePath = mRunnerFolder + "/" + known.file;
  }

  mSocket.reset(new cSimSocket());
  const bool changesChip =
      mOptions.command == tRunOptions::cmdProgram || mOptions.command == tRunOptions::cmdErase;
  if (mOptions.onChip()) {
    const std::uint32_t newChipWords =
        mOptions.memorySizeGiven ? mOptions.settings.memorySize : tHoltekSettings::kDefaultWords;
    // A run that may save a new chip holds its place from the start.
    std::vector<unsigned char> placeholder;
    std::string ignored;
    if (changesChip) cSimSocket::erasedChipImage(newChipWords, placeholder, ignored);
    if (mLock.lock(mOptions.chipPath, placeholder) == cChipLock::lrBusy) {
      error = "chip file " + mOptions.chipPath + " is in use by another run";
      return false;
    }
    const bool loaded = mLock.placeholder()
                            ? mSocket->newChip(newChipWords, error)
                            : mSocket->loadChip(mOptions.chipPath, newChipWords, error);
    if (!loaded) return false;
    mWords = mOptions.memorySizeGiven ? mOptions.settings.memorySize
                                      : static_cast<std::uint32_t>(mSocket->chip().words().size());
  }

  const bool withImage =
      mOptions.command == tRunOptions::cmdProgram || mOptions.command == tRunOptions::cmdVerify;
  if (withImage) {
    std::string reason;
    if (!readWholeFile(mOptions.file, mImage, reason)) {
      error = "cannot read image " + reason;
      return false;
    }
    if (mImage.empty()) {
      error = "image " + mOptions.file + " is empty";
      return false;
    }
    const std::string format = textImageFormat(mImage);
    if (!format.empty()) {
      error = mOptions.file + " reads as " + format +
              "; k5run takes raw binary images (objcopy -I " + objcopyName(format) +
              " -O binary makes one)";
      return false;
    }
  }
  if (mOptions.onChip() && !checkRange(mOptions, mWords, mImage.size(), mFirst, mLast, error)) {
    if (withImage) error = mOptions.file + ": " + error;
    return false;
  }
  if (mOptions.onChip() && !checkModuleLimits(mOptions, mFirst, mLast, error)) return false;

  if (mOptions.command == tRunOptions::cmdRead) {
    if (isFolder(mOptions.file)) {
      error = "cannot write " + mOptions.file + ": it is a folder";
      return false;
    }
    if (mOptions.file != "-" && sameFile(mOptions.file, mOptions.chipPath)) {
      error = "cannot write " + mOptions.file + ": it is the chip file";
      return false;
    }
    if (!outputIsWritable(mOptions.file, error)) {
      error = "cannot write " + error;
      return false;
    }
    // The read-out has standard output to itself.
    if (isStandardOutput(mOptions.file)) mSummary = stderr;
  }
  if (changesChip) {
    if (isFolder(mOptions.chipPath)) {
      error = "chip file " + mOptions.chipPath + " is a folder";
      return false;
    }
    if (!folderIsWritable(resolvedPath(mOptions.chipPath), error)) {
      error = "cannot save the chip: " + error;
      return false;
    }
  }

  mPlan = planActions(mOptions, mWords, mImage);
  return true;
}

void cRunner::setUpSimulator() {
  cK5SimProgrammer& sim = cK5SimProgrammer::instance();
  sim.reset();
  // Long actions would fill the trace, which the runner does not read.
  sim.setTraceEnabled(false);
  sim.setAccessCost(kAccessCost);
  const bool inserted = !mOptions.emptySocket;
  switch (mOptions.command) {
    case tRunOptions::cmdContinuity:
    case tRunOptions::cmdNoContinuity:
      mSocket->plugContacts(inserted);
      break;
    case tRunOptions::cmdSignalTest:
      mSocket->plugProbe();
      mSocket->probe().touchAll(mOptions.touchPins);
      break;
    default:
      mSocket->plugChip(inserted, mOptions.sensedVcc);
      break;
  }
}

int cRunner::run() {
  std::string error;
  if (!prepare(error)) {
    std::fprintf(stderr, "k5run: %s\n", error.c_str());
    return kExitBadInput;
  }
  setUpSimulator();

  cProgressView view(stderr, ::isatty(STDERR_FILENO) == 1, mOptions.verbose);
  cScaffoHost& host = cScaffoHost::instance();
  host.clear();
  {
    // The modules' diagnostic lines and low-level warnings, shown only when verbose.
    cLineCapture diagnostics(std::cerr, [&](const std::string& l) { view.diagnosticLine(l); });
    cLineCapture warnings(std::cout, [&](const std::string& l) { view.diagnosticLine(l); });

    cLoadedModule module;
    if (!module.load(mModulePath, error)) {
      std::fprintf(stderr, "k5run: %s\n", error.c_str());
      return kExitBadInput;
    }
    mModuleName = module.name();
    cHostSession session(module.slots(), kClient);

    tScaffoSinks sinks;
    sinks.message = [&](const tScaffoMessage& m) { view.message(m.text); };
    sinks.dbgMessage = [&](const tScaffoMessage& m) { view.developerMessage(m.text); };
    sinks.progress = [&](const tScaffoProgress& p) {
      view.progressRecord(p.bytes, mSocket->probe().selectedPin());
    };
    sinks.pinData = [&](const tScaffoPinData& data) {
      if (mCurrent == nullptr || data.frame.itemCount() != 2 ||
          data.frame.item(0).type != pitUInt32 || data.frame.item(1).type != pitUInt32) {
        return;
      }
      mCurrent->havePinData = true;
      mCurrent->totalPins = data.frame.item(0).u32;
      mCurrent->connectedPins = data.frame.item(1).u32;
    };
    host.setSinks(sinks);

    if (mOptions.command == tRunOptions::cmdSignalTest) {
      cK5TouchProbe& probe = mSocket->probe();
      if (mOptions.cancelAtPin != 0) {
        const std::uint32_t pin = mOptions.cancelAtPin;
        probe.atSelection(pin, [&, pin] {
          view.note("k5run: cancel at pin " + std::to_string(pin));
          if (mCurrent != nullptr) mCurrent->cancelNote = "at pin " + std::to_string(pin);
          session.cancel();
        });
      }
      probe.setGuard([&] {
        const std::string pin = std::to_string(probe.selectedPin());
        view.note("k5run: pin " + pin + " was not touched long enough: cancel");
        if (mCurrent != nullptr && mCurrent->cancelNote.empty()) {
          mCurrent->cancelNote = "at pin " + pin + ", which the probe did not touch long enough";
        }
        session.cancel();
      });
    }

    gStopRequested = 0;
    catchStopSignals();
    bool cancelSent = false;
    cAbstractEventManager::setScheduleHook([&](cAbstractEventManager&, int) {
      if (gStopRequested && !cancelSent) {
        cancelSent = true;
        view.note("k5run: interrupted: cancel");
        session.cancel();
      }
    });

    bool claimed = false;
    try {
      claimed = session.claim("k5run");
      if (claimed) {
        runActions(session, view);
      } else {
        mHostFailure = "the programmer could not be claimed";
      }
    } catch (const std::string& text) {
      mHostFailure = "the host library failed: " + text;
    } catch (const std::exception& e) {
      mHostFailure = std::string("failed: ") + e.what();
    }
    mCurrent = nullptr;
    view.end();
    try {
      if (claimed) session.unclaim();
    } catch (const std::string& text) {
      if (mHostFailure.empty()) mHostFailure = "the host library failed: " + text;
    }
    mInterrupted = gStopRequested != 0;
    cAbstractEventManager::setScheduleHook(nullptr);
    host.clear();
    module.unload();
    // The probe's events call into this scope.
    cK5SimProgrammer::instance().unplugAll();
  }
  signal(SIGINT, SIG_DFL);
  signal(SIGTERM, SIG_DFL);

  if (mOptions.onChip()) {
    for (const std::string& v : mSocket->chip().violations()) mViolations.push_back("chip: " + v);
  }
  if (mOptions.command == tRunOptions::cmdSignalTest) {
    for (const std::string& v : mSocket->probe().violations()) {
      if (!isReadLimitNote(v)) mViolations.push_back("probe: " + v);
    }
  }

  std::vector<std::string> fileLines;
  const bool ok = saveFiles(fileLines) && allOk();
  printSummary(fileLines, ok);
  return ok ? kExitOk : kExitFailed;
}

void cRunner::runActions(cHostSession& session, cProgressView& view) {
  for (const tPlannedAction& action : mPlan) {
    if (gStopRequested) break;
    mResults.emplace_back();
    mCurrent = &mResults.back();
    runAction(action, session, view, *mCurrent);
    mCurrent = nullptr;
    if (!mResults.back().ok) break;
  }
}

void cRunner::runAction(const tPlannedAction& action, cHostSession& session, cProgressView& view,
                        tActionResult& result) {
  result.name = action.name;
  result.range = rangeText(action);
  result.signalTest = action.signalTest;

  JobBuilder buffers;
  buffers.deleteAllBuffers();
  if (!action.buffer.empty()) {
    buffers.createBuffer(0, static_cast<unsigned>(action.buffer.size()), 0x00);
  }
  JobBuilder job;
  if (!action.buffer.empty()) job.wholeBuffer(0, action.buffer, 1);
  job.parameterSet(action.continuityTest ? 1 : 0, kUiTimerMs, "k5run", action.name)
      .jobRecord(runnableJobRecord(action.start, action.end))
      .deviceConfig(action.settings.deviceConfig())
      .hardwareParams(hardwareParams())
      .pinDriverConfigs(action.signalTest ? signalTestPinDriverConfigs() : holtekPinDriverConfigs())
      .layout(holtekLayout());
  if (!session.send(buffers) || !session.send(job)) {
    result.failure = "the module did not take the job";
    return;
  }

  if (action.continuityTest && !session.loadContinuityImages()) {
    result.failure = "the continuity images did not load";
    return;
  }

  cK5SimProgrammer& sim = cK5SimProgrammer::instance();
  const std::uint64_t startCycles = sim.nowCycles();
  const auto startWall = std::chrono::steady_clock::now();
  if (action.signalTest) {
    view.beginPins(action.name, kSocketPins);
  } else {
    std::string unit = action.rangeInBytes ? "byte" : "word";
    view.beginRange(action.name, unit, action.shownFirst, action.shownLast);
  }
  result.ran = true;
  session.start(action.type);
  view.end();
  result.busCycles = sim.nowCycles() - startCycles;
  result.wall = std::chrono::steady_clock::now() - startWall;

  TAG_UI_ALGODATA_KRV3 after;
  if (!session.fetchJobRecord(after)) {
    result.failure = "the job record could not be fetched";
    return;
  }
  result.haveRecord = true;
  tJobErrors& errors = result.errors;
  errors.actionFailed = after.getActionFailed() != 0;
  errors.actionFailCode = after.getActionFailCode();
  errors.hdwCheckFailed = after.getHdwCheckFailed() != 0;
  errors.hdwCheckFailCode = after.getHdwCheckFailCode();
  errors.errorClass = after.getErrorClass();
  errors.errorCode = after.getErrorCode();
  result.errorAddress = after.getErrorAdr();
  result.errorExpected = after.getErrorExpected();
  result.errorRead = after.getErrorRead();
  result.ok = !errors.actionFailed && !errors.hdwCheckFailed;

  if (action.signalTest) {
    result.confirmedPins = mSocket->confirmedPins();
    result.lastPin = mSocket->probe().selectedPin();
  }
  tExpectedContent expected;
  if (!result.ok && errors.errorClass == 0 && mOptions.onChip() &&
      expectedOf(action, mOptions, mImage.size(), expected)) {
    const cK5HoltekChip& chip = mSocket->chip();
    result.compared = true;
    result.mismatches = mismatchLines(expected, chip.words(), chip.infoData(), chip.lockBits());
  }
  if (result.ok && action.type == aatRead) {
    std::vector<unsigned char> bytes;
    if (!session.fetchBuffer(static_cast<unsigned>(action.buffer.size()), bytes)) {
      result.ok = false;
      result.failure = "the read-out could not be fetched";
      return;
    }
    mReadOut.assign(bytes.begin() + 2 * std::size_t(action.start), bytes.end());
    mReadOutValid = true;
    if (action.settings.areas & (tHoltekSettings::kAreaInfo | tHoltekSettings::kAreaLock)) {
      cDeviceParam read;
      if (session.fetchDeviceConfig(read)) {
        result.haveInfoAndLock = true;
        result.infoData = tHoltekSettings::infoDataIn(read.getDeviceAlgPrmStruct()->pCfgBuffer);
        result.lockBits = tHoltekSettings::lockBitsIn(read.getDeviceAlgPrmStruct()->pCfgBuffer);
      }
    }
  }
}

bool cRunner::allOk() const {
  if (!mHostFailure.empty() || mInterrupted || !mViolations.empty()) return false;
  if (mResults.size() != mPlan.size()) return false;
  for (const tActionResult& r : mResults) {
    if (!r.ok) return false;
    if (r.signalTest && r.confirmedPins != kSocketPins) return false;
  }
  return true;
}

bool cRunner::saveFiles(std::vector<std::string>& lines) {
  bool ok = true;
  const bool ended = !mInterrupted && mHostFailure.empty();
  if (mOptions.onChip() && ended && mSocket->chipChanged()) {
    std::string error;
    int lockedFd = -1;
    if (mSocket->saveChip(mOptions.chipPath, error, &lockedFd)) {
      mLock.adopt(lockedFd);
      lines.push_back("saved\t" + mOptions.chipPath);
    } else {
      lines.push_back("error\t" + error);
      ok = false;
    }
  }
  if (mReadOutValid && ended && allOk()) {
    std::string error;
    if (writeOutput(mOptions.file, mReadOut, error)) {
      const std::string name = mOptions.file == "-" ? "standard output" : mOptions.file;
      lines.push_back("wrote\t" + name + ", " + std::to_string(mReadOut.size()) + " bytes");
    } else {
      lines.push_back("error\t" + error);
      ok = false;
    }
  }
  return ok;
}

void cRunner::printSummary(const std::vector<std::string>& fileLines, bool ok) const {
  printLine(mSummary, "module", mModuleName + " (" + mModulePath + ")");
  if (mOptions.onChip()) {
    printLine(mSummary, "chip",
              mOptions.chipPath + ", " + std::to_string(mSocket->chip().words().size()) + " words" +
                  (mSocket->chipFileExisted() ? "" : " (new, erased)") +
                  (mOptions.emptySocket ? ", not in the socket" : ""));
  }
  std::uint64_t cycles = 0;
  std::chrono::steady_clock::duration wall{};
  for (const tActionResult& r : mResults) {
    printLine(mSummary, "action", r.range.empty() ? r.name : r.name + " " + r.range);
    if (!r.failure.empty() && !r.haveRecord) {
      printLine(mSummary, "result", "failed: " + r.failure);
      continue;
    }
    printLine(mSummary, "result", r.ok ? "ok" : "failed");
    if (r.haveRecord) printLine(mSummary, "error", errorLine(r.errors));
    for (const auto& line : r.mismatches) printLine(mSummary, line.first, line.second);
    if (r.mismatch() && r.mismatches.empty()) {
      // Nothing to compare with (a read's own verify), or the chip holds what
      // was expected and the module read otherwise: what the job record says.
      printLine(mSummary, "mismatch",
                "job record address " + hex(r.errorAddress, 4) + ", expected " +
                    hex(r.errorExpected, 2) + ", read " + hex(r.errorRead, 2) +
                    (r.compared ? "; the chip holds the expected data" : ""));
    }
    if (r.havePinData) {
      std::string verdict = "no verdict";
      if (r.totalPins != 0 && r.connectedPins == r.totalPins) verdict = "device connected";
      if (r.totalPins != 0 && r.connectedPins == 0) verdict = "socket empty";
      printLine(mSummary, "continuity",
                std::to_string(r.connectedPins) + " of " + std::to_string(r.totalPins) +
                    " pins connected: " + verdict);
    }
    if (r.haveInfoAndLock) {
      printLine(mSummary, "info data", hex(r.infoData, 8));
      printLine(mSummary, "lock bits", hex(r.lockBits, 2));
    }
    if (r.signalTest) {
      printLine(
          mSummary, "pins",
          "last selected " + std::to_string(r.lastPin) + " of " + std::to_string(kSocketPins));
      printLine(mSummary, "confirmed",
                std::to_string(r.confirmedPins) + " of " + std::to_string(kSocketPins) + " pins");
      printLine(mSummary, "gongs", std::to_string(r.confirmedPins));
    }
    if (!r.cancelNote.empty()) printLine(mSummary, "cancel", r.cancelNote);
    if (!r.failure.empty()) printLine(mSummary, "note", r.failure);
    printLine(mSummary, "bus time", secondsText(r.busCycles));
    printLine(mSummary, "wall time", secondsText(r.wall));
    cycles += r.busCycles;
    wall += r.wall;
  }
  for (const std::string& v : mViolations) printLine(mSummary, "violation", v);
  if (!mHostFailure.empty()) printLine(mSummary, "error", mHostFailure);
  if (mInterrupted) printLine(mSummary, "note", "interrupted: no file saved or written");
  for (const std::string& line : fileLines) {
    const std::string::size_type tab = line.find('\t');
    printLine(mSummary, line.substr(0, tab), line.substr(tab + 1));
  }
  if (mResults.size() > 1) {
    printLine(mSummary, "total bus", secondsText(cycles));
    printLine(mSummary, "total wall", secondsText(wall));
  }
  std::fprintf(mSummary, "k5run: %s\n", ok ? "ok" : "failed");
  std::fflush(mSummary);
}
