#include "cRunner.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
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
#include "fileIdentity.h"
#include "fileIo.h"
#include "imageFormat.h"
#include "jobParts.h"
#include "stopSignals.h"
#include "summaryText.h"
#include "timeText.h"

namespace {

const piModuleAddr kClient(1, 1);
// Bus cycles per register access: lets the UI timer run in loops without waits.
const unsigned int kAccessCost = 1;
const unsigned int kUiTimerMs = 50;
const unsigned int kSocketPins = cK5TouchProbe::kLastPin;
// Verify compares only the low five lock bits; a blank check all eight.
const std::uint8_t kVerifiedLockBits = 0x1F;
// No chip holds more: an image is read to its end, up to this.
const std::size_t kLargestImage = 2 * std::size_t(cK5HoltekChip::kMaxWords);

std::string rangeText(const tPlannedAction& action) {
  switch (action.type) {
    case aatProg:
      return "bytes " + hexText(action.start, 4) + "-" + hexText(action.end, 4) + " (words " +
             hexText(action.start / 2, 4) + "-" + hexText(action.end / 2, 4) + ")";
    case aatRead:
    case aatVerify:
      return action.signalTest ? ""
                               : "words " + hexText(action.start, 4) + "-" + hexText(action.end, 4);
    case aatBlank:
      return "words " + hexText(action.shownFirst, 4) + "-" + hexText(action.shownLast, 4);
    default:
      return "";
  }
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

// "5000 mV", "2240-5460 mV".
std::string mvText(std::uint32_t low, std::uint32_t high) {
  return (low == high ? std::to_string(low) : std::to_string(low) + "-" + std::to_string(high)) +
         " mV";
}

// What went wrong in one action, in words; "" when nothing did. An action
// the runner cancelled for a stop signal failed for that alone, which the
// run's error names.
std::string actionFailure(const tActionResult& r, const tRunOptions& options) {
  if (r.stopped) return "";
  std::vector<std::string> parts;
  if (!r.failure.empty()) parts.push_back(r.failure);
  if (r.vccOutside) {
    parts.push_back("measured Vcc " + mvText(options.sensedVcc, options.sensedVcc) +
                    " outside the window " +
                    mvText(options.settings.vccLower, options.settings.vccUpper));
  }
  if (r.havePinData && r.totalPins == 0)
    parts.push_back("the continuity test found no pin to test");
  if (r.haveRecord && !r.ok) parts.push_back(errorLine(r.errors));
  if (r.signalTest && r.haveRecord && r.confirmedPins != kSocketPins) {
    parts.push_back(std::to_string(r.confirmedPins) + " of " + std::to_string(kSocketPins) +
                    " pins confirmed");
  }
  if (!r.cancelNote.empty()) parts.push_back("cancelled " + r.cancelNote);
  if (parts.empty() && !r.ok) parts.push_back("failed");
  return joined(parts, "; ");
}

}  // namespace

cRunner::cRunner(const tRunOptions& options, const std::string& runnerFolder)
    : mOptions(options),
      mRunnerFolder(runnerFolder),
      mWords(0),
      mFirst(0),
      mLast(0),
      mSocket(new cSimSocket()),
      mCurrent(nullptr),
      mReadOutValid(false),
      mChipViolations(0),
      mProbeViolations(0),
      mInterruptedBy(0),
      mQuiet(false),
      mSummary(stdout) {}

cRunner::~cRunner() = default;

// The signals stay caught to the end: one that comes late changes nothing.
int cRunner::run() {
  catchStopSignals();
  return runSteps();
}

// Check, plan, run, report; a stop signal ends the run at the next step.
int cRunner::runSteps() {
  std::string error;
  const bool checked = check(error);
  if (stopSignal() != 0) return interrupted();
  if (!checked) return refused(error);
  const int taken = takeChip(error);
  if (stopSignal() != 0) return interrupted();
  if (taken != kExitOk) return refused(error, taken);
  mPlan = planActions(mOptions, mWords, mImage);
  setUpSimulator();
  cProgressView view(stderr, ::isatty(STDERR_FILENO) == 1, mOptions.verbose);
  const bool loaded = runModule(view, error);
  if (mResults.empty() && stopSignal() != 0) return interrupted();
  if (!loaded) return refused(error);
  collectViolations();
  saveFiles();
  return report();
}

int cRunner::refused(const std::string& error, int code) const {
  if (!mQuiet) sayLine(error);
  return code;
}

// Before any action ran: nothing to report but that.
int cRunner::interrupted() const {
  sayLine("interrupted");
  return kExitInterrupted;
}

// ---------------------------------------------------------------- check

bool cRunner::check(std::string& error) {
  mModule = chosenModule(mOptions, mRunnerFolder);
  if (mOptions.onChip() && !checkChipPath(error)) return false;
  if (mOptions.command == tRunOptions::cmdRead && !checkOut(error)) return false;
  if (mOptions.withImage() && !readImage(error)) return false;
  return checkStreams(error);
}

bool cRunner::checkChipPath(std::string& error) const {
  std::string reason;
  if (!folderExists(mOptions.chipPath, reason)) {
    error = "chip file " + reason;
    return false;
  }
  if (isFolder(mOptions.chipPath)) {
    error = "chip file " + mOptions.chipPath + " is a folder";
    return false;
  }
  if (mOptions.changesChip() && !replaceable(mOptions.chipPath, reason)) {
    error = "cannot save the chip: " + reason;
    return false;
  }
  return true;
}

bool cRunner::checkOut(std::string& error) {
  const std::string& out = mOptions.file;
  if (isFolder(out)) {
    error = "cannot write " + out + ": it is a folder";
    return false;
  }
  const bool standardOutput = isStandardOutput(out);
  if (!standardOutput && sameFile(identityOf(out), identityOf(mOptions.chipPath))) {
    error = "cannot write " + out + ": it is the chip file";
    return false;
  }
  if (standardOutput && ::isatty(STDOUT_FILENO) == 1) {
    error = "standard output is a terminal: name a file as OUT, or redirect standard output";
    return false;
  }
  if (!outputIsWritable(out, error)) {
    error = "cannot write " + error;
    return false;
  }
  // The read-out has standard output to itself.
  if (standardOutput) mSummary = stderr;
  return true;
}

// Standard output and error are written all through the run: neither may
// be the chip file or the image. Standard error on one of them takes no
// line either: the run refuses without a word.
bool cRunner::checkStreams(std::string& error) {
  const struct {
    int fd;
    const char* name;
  } streams[] = {{STDERR_FILENO, "standard error"}, {STDOUT_FILENO, "standard output"}};
  for (const auto& stream : streams) {
    const tFileIdentity written = identityOfFd(stream.fd);
    if (!written.regular) continue;
    if (mOptions.onChip() && sameFile(written, identityOf(mOptions.chipPath))) {
      error = std::string(stream.name) + " is the chip file " + mOptions.chipPath;
    } else if (mOptions.withImage() && sameFile(written, identityOf(mOptions.file))) {
      error = std::string(stream.name) + " is the image " + mOptions.file;
    } else {
      continue;
    }
    mQuiet = stream.fd == STDERR_FILENO;
    return false;
  }
  return true;
}

// To its end before the chip is taken: a FIFO's writer never waits on the lock.
bool cRunner::readImage(std::string& error) {
  std::string reason;
  if (!readWholeFile(mOptions.file, kLargestImage, mImage, reason)) {
    error = "cannot read image " + reason;
    return false;
  }
  if (mImage.empty()) {
    error = "image " + mOptions.file + " is empty";
    return false;
  }
  const std::string format = textImageFormat(mImage);
  if (!format.empty()) {
    error = mOptions.file + " reads as " + format + "; k5run takes raw binary images (objcopy -I " +
            objcopyName(format) + " -O binary makes one)";
    return false;
  }
  return true;
}

// kExitOk once the chip is held and loaded; otherwise the exit code of the
// refusal in error. The lock comes before the file's names are counted: a
// run placing a new chip links it in under a second name for a moment.
int cRunner::takeChip(std::string& error) {
  if (!mOptions.onChip()) return kExitOk;
  const std::uint32_t newChipWords =
      mOptions.memorySizeGiven ? mOptions.settings.memorySize : tHoltekSettings::kDefaultWords;
  // A run that may save a new chip holds its place from the start.
  std::vector<unsigned char> placeholder;
  std::string ignored;
  if (mOptions.changesChip()) cSimSocket::erasedChipImage(newChipWords, placeholder, ignored);
  std::string reason;
  switch (mLock.lock(mOptions.chipPath, placeholder, reason)) {
    case cChipLock::lrBusy:
      error = "chip file " + mOptions.chipPath + " is in use by another run";
      return kExitBadInput;
    case cChipLock::lrFailed:
      error = "cannot save the chip: " + reason;
      return kExitFailed;
    default:
      break;
  }
  if (mOptions.changesChip() && !singleName(mLock.fd(), mOptions.chipPath, reason)) {
    error = "cannot save the chip: " + reason;
    return kExitBadInput;
  }
  return loadChip(newChipWords, error) ? kExitOk : kExitBadInput;
}

bool cRunner::loadChip(std::uint32_t newChipWords, std::string& error) {
  const bool loaded = mLock.placeholder()
                          ? mSocket->newChip(newChipWords, error)
                          : mSocket->loadChip(mOptions.chipPath, newChipWords, error);
  if (!loaded) return false;
  mWords = static_cast<std::uint32_t>(mSocket->chip().words().size());
  if (!checkGeometry(error)) return false;
  if (!checkRange(mOptions, mWords, mImage.size(), mFirst, mLast, error)) {
    if (mOptions.withImage()) error = mOptions.file + ": " + error;
    return false;
  }
  return checkModuleLimits(mOptions, mFirst, mLast, error);
}

// An existing chip's size is its own. Program writes in pages, so the
// memory it writes is a whole number of them; the other commands take any
// size.
bool cRunner::checkGeometry(std::string& error) const {
  const bool existing = mSocket->chipFileExisted();
  if (existing && mOptions.memorySizeGiven && mOptions.settings.memorySize != mWords) {
    error = "--memory-size " + std::to_string(mOptions.settings.memorySize) + ": chip file " +
            mOptions.chipPath + " holds " + countText(mWords, "word");
    return false;
  }
  if (mOptions.command != tRunOptions::cmdProgram) return true;
  const std::uint32_t page = mOptions.settings.pageSize;
  const std::uint32_t bytes = 2 * mWords;
  const std::string memory =
      existing ? "chip file " + mOptions.chipPath : "--memory-size " + std::to_string(mWords);
  if (page > bytes) {
    error = memory + ": " + countText(bytes, "byte") + " are less than one " +
            std::to_string(page) + "-byte page";
    return false;
  }
  if (bytes % page != 0) {
    error = memory + ": " + countText(bytes, "byte") + " are no whole number of " +
            std::to_string(page) + "-byte pages (--page-size)";
    return false;
  }
  return true;
}

// ---------------------------------------------------------------- run

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

// Loads the module, runs the session and unloads it; false with the reason
// when the module cannot be loaded or does not carry the command.
bool cRunner::runModule(cProgressView& view, std::string& error) {
  cScaffoHost& host = cScaffoHost::instance();
  host.clear();
  // The modules' diagnostic lines and low-level warnings, shown only when verbose.
  cLineCapture diagnostics(std::cerr, [&](const std::string& l) { view.diagnosticLine(l); });
  cLineCapture warnings(std::cout, [&](const std::string& l) { view.diagnosticLine(l); });
  cLoadedModule module;
  if (!module.load(mModule.path, error)) return false;
  mModuleName = module.name();
  // A module named by a path of its own is known by the name it gives itself.
  if (mModule.name.empty() && !moduleCarries(knownName(mModuleName), mOptions.command, error)) {
    return false;
  }
  if (stopSignal() == 0) runSession(module, view);
  host.clear();
  module.unload();
  // The probe's events call into this scope.
  cK5SimProgrammer::instance().unplugAll();
  return true;
}

void cRunner::runSession(cLoadedModule& module, cProgressView& view) {
  cHostSession session(module.slots(), kClient);
  cScaffoHost::instance().setSinks(sinks(view));
  if (mOptions.command == tRunOptions::cmdSignalTest) scriptProbe(session, view);
  // A stop signal cancels the action; the summary tells of it.
  bool cancelSent = false;
  cAbstractEventManager::setScheduleHook([&](cAbstractEventManager&, int) {
    if (stopSignal() != 0 && !cancelSent) {
      cancelSent = true;
      if (mCurrent != nullptr) mCurrent->stopped = true;
      session.cancel();
    }
  });
  const bool claimed = claimAndRun(session, view);
  mCurrent = nullptr;
  view.end();
  try {
    if (claimed) session.unclaim();
  } catch (const std::string& text) {
    if (mHostFailure.empty()) mHostFailure = "the host library failed: " + text;
  }
  cAbstractEventManager::setScheduleHook(nullptr);
}

tScaffoSinks cRunner::sinks(cProgressView& view) {
  tScaffoSinks sinks;
  sinks.message = [&view](const tScaffoMessage& m) { view.message(m.text); };
  sinks.dbgMessage = [&view](const tScaffoMessage& m) { view.developerMessage(m.text); };
  sinks.progress = [this, &view](const tScaffoProgress& p) {
    if (mCurrent != nullptr && cProgressView::messageNumber(p.bytes) == kMessageVccOutsideWindow) {
      mCurrent->vccOutside = true;
    }
    view.progressRecord(p.bytes, mSocket->probe().selectedPin());
  };
  sinks.pinData = [this](const tScaffoPinData& data) {
    if (mCurrent == nullptr || data.frame.itemCount() != 2 ||
        data.frame.item(0).type != pitUInt32 || data.frame.item(1).type != pitUInt32) {
      return;
    }
    mCurrent->havePinData = true;
    mCurrent->totalPins = data.frame.item(0).u32;
    mCurrent->connectedPins = data.frame.item(1).u32;
  };
  return sinks;
}

void cRunner::scriptProbe(cHostSession& session, cProgressView& view) {
  cK5TouchProbe& probe = mSocket->probe();
  if (mOptions.cancelAtPin != 0) {
    const std::uint32_t pin = mOptions.cancelAtPin;
    probe.atSelection(pin, [this, &session, &view, pin] {
      view.note("k5run: cancel at pin " + std::to_string(pin));
      if (mCurrent != nullptr) mCurrent->cancelNote = "at pin " + std::to_string(pin);
      session.cancel();
    });
  }
  probe.setGuard([this, &session, &view, &probe] {
    const std::string pin = std::to_string(probe.selectedPin());
    view.note("k5run: pin " + pin + " was not touched long enough: cancel");
    if (mCurrent != nullptr && mCurrent->cancelNote.empty()) {
      mCurrent->cancelNote = "at pin " + pin + ", which the probe did not touch long enough";
    }
    session.cancel();
  });
}

// True when the programmer was claimed.
bool cRunner::claimAndRun(cHostSession& session, cProgressView& view) {
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
  return claimed;
}

void cRunner::runActions(cHostSession& session, cProgressView& view) {
  for (const tPlannedAction& action : mPlan) {
    if (stopSignal() != 0) break;
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
  if (!sendJob(action, session, result)) return;
  startAction(action, session, view, result);
  if (!readRecord(session, result)) return;
  if (action.signalTest) {
    result.confirmedPins = mSocket->confirmedPins();
    result.lastPin = mSocket->probe().selectedPin();
  }
  compareWithChip(action, result);
  if (result.ok && action.type == aatRead) fetchReadOut(action, session, result);
}

bool cRunner::sendJob(const tPlannedAction& action, cHostSession& session, tActionResult& result) {
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
    return false;
  }
  if (action.continuityTest && !session.loadContinuityImages()) {
    result.failure = "the continuity images did not load";
    return false;
  }
  return true;
}

void cRunner::startAction(const tPlannedAction& action, cHostSession& session, cProgressView& view,
                          tActionResult& result) {
  cK5SimProgrammer& sim = cK5SimProgrammer::instance();
  const std::uint64_t startCycles = sim.nowCycles();
  const auto startWall = std::chrono::steady_clock::now();
  if (action.signalTest) {
    view.beginPins(action.name, kSocketPins);
  } else {
    view.beginRange(action.name, action.rangeInBytes ? "byte" : "word", action.shownFirst,
                    action.shownLast);
  }
  result.ran = true;
  session.start(action.type);
  view.end();
  result.busCycles = sim.nowCycles() - startCycles;
  result.wall = std::chrono::steady_clock::now() - startWall;
}

bool cRunner::readRecord(cHostSession& session, tActionResult& result) {
  TAG_UI_ALGODATA_KRV3 after;
  if (!session.fetchJobRecord(after)) {
    result.failure = "the job record could not be fetched";
    return false;
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
  return true;
}

// After a failed verify or blank check: what differs, and for a verify of a
// program over data what the program could not write.
void cRunner::compareWithChip(const tPlannedAction& action, tActionResult& result) {
  if (result.vccOutside) {
    result.mismatches.push_back(
        {"cause", "the measured Vcc, " + mvText(mOptions.sensedVcc, mOptions.sensedVcc) +
                      " (--sense-vcc), is outside the window " +
                      mvText(mOptions.settings.vccLower, mOptions.settings.vccUpper) +
                      " (--vcc-window): the module did not read the chip"});
    return;
  }
  tExpectedContent expected;
  if (result.ok || result.stopped || result.errors.errorClass != 0 || !mOptions.onChip() ||
      !expectedOf(action, mOptions, mImage.size(), expected)) {
    return;
  }
  const cK5HoltekChip& chip = mSocket->chip();
  result.compared = true;
  result.mismatches = mismatchLines(expected, chip.words(), chip.infoData(), chip.lockBits());
  if (!action.checksProgram) return;
  const std::size_t held =
      bytesNeedingErase(action.buffer, mSocket->loadedWords(), action.start, action.end);
  if (held == 0) return;
  result.mismatches.push_back(
      {"cause", "the chip held data the image cannot be written over in " + std::to_string(held) +
                    " of " + countText(2 * (std::size_t(action.end) - action.start + 1), "byte") +
                    " (programming only clears bits): program with --erase"});
}

void cRunner::fetchReadOut(const tPlannedAction& action, cHostSession& session,
                           tActionResult& result) {
  std::vector<unsigned char> bytes;
  if (!session.fetchBuffer(static_cast<unsigned>(action.buffer.size()), bytes)) {
    result.ok = false;
    result.failure = "the read-out could not be fetched";
    return;
  }
  mReadOut.assign(bytes.begin() + 2 * std::size_t(action.start), bytes.end());
  mReadOutValid = true;
  if ((action.settings.areas & (tHoltekSettings::kAreaInfo | tHoltekSettings::kAreaLock)) == 0) {
    return;
  }
  cDeviceParam read;
  if (session.fetchDeviceConfig(read)) {
    const unsigned char* cfg = read.getDeviceAlgPrmStruct()->pCfgBuffer;
    result.haveInfoAndLock = true;
    result.infoData = tHoltekSettings::infoDataIn(cfg);
    result.lockBits = tHoltekSettings::lockBitsIn(cfg);
  }
}

void cRunner::collectViolations() {
  if (mOptions.onChip()) {
    for (const std::string& v : mSocket->chip().violations()) {
      mViolations.push_back("chip: " + v);
      ++mChipViolations;
    }
  }
  if (mOptions.command == tRunOptions::cmdSignalTest) {
    for (const std::string& v : mSocket->probe().violations()) {
      if (isReadLimitNote(v)) continue;
      mViolations.push_back("probe: " + v);
      ++mProbeViolations;
    }
  }
}

// ---------------------------------------------------------------- report

// What failed, in words: each action's failure, the violations, the host's.
std::vector<std::string> cRunner::failures() const {
  std::vector<std::string> parts;
  for (const tActionResult& r : mResults) {
    const std::string failed = actionFailure(r, mOptions);
    if (!failed.empty()) parts.push_back(mResults.size() > 1 ? r.name + ": " + failed : failed);
  }
  if (mChipViolations != 0) parts.push_back(countText(mChipViolations, "chip violation"));
  if (mProbeViolations != 0) parts.push_back(countText(mProbeViolations, "probe violation"));
  if (!mHostFailure.empty()) parts.push_back(mHostFailure);
  return parts;
}

// Each file only when no stop signal came before the files: a write begun is
// finished (a regular file is replaced whole), unless a second signal gives
// up a write that waits, which interrupts the run too.
void cRunner::saveFiles() {
  mInterruptedBy = stopSignal();
  if (mInterruptedBy != 0 || !mHostFailure.empty()) return;
  std::string error;
  if (mOptions.onChip() && mSocket->chipChanged()) {
    int lockedFd = -1;
    if (mSocket->saveChip(mOptions.chipPath, error, &lockedFd)) {
      mLock.adopt(lockedFd);
      mFileLines.push_back({"saved", mOptions.chipPath});
    } else {
      mFileErrors.push_back(error);
    }
  }
  if (mReadOutValid && failures().empty()) {
    if (writeOutput(mOptions.file, mReadOut, error)) {
      const std::string name = mOptions.file == "-" ? "standard output" : mOptions.file;
      mFileLines.push_back({"wrote", name + ", " + countText(mReadOut.size(), "byte")});
    } else {
      if (errno == EINTR) mInterruptedBy = stopSignal();
      mFileErrors.push_back(error);
    }
  }
}

int cRunner::report() const {
  std::vector<std::string> parts = failures();
  parts.insert(parts.end(), mFileErrors.begin(), mFileErrors.end());
  if (mInterruptedBy != 0) parts.push_back("interrupted by " + signalName(mInterruptedBy));
  const std::string result = mInterruptedBy != 0 ? "interrupted" : parts.empty() ? "ok" : "failed";
  const int code = mInterruptedBy != 0 ? kExitInterrupted : parts.empty() ? kExitOk : kExitFailed;
  const std::string text =
      summaryText(summaryLines(result, parts.empty() ? "none" : joined(parts, "; "))) +
      "k5run: " + result + "\n";
  std::fflush(mSummary);
  if (writeAll(::fileno(mSummary), text.data(), text.size())) return code;
  // A second stop signal gave up a summary that waited.
  if (errno == EINTR) return interrupted();
  sayLine(std::string("cannot write the summary: ") + std::strerror(errno));
  return code == kExitOk ? kExitFailed : code;
}

tSummaryLines cRunner::summaryLines(const std::string& result, const std::string& error) const {
  tSummaryLines lines;
  lines.push_back({"module", mModuleName + " (" + mModule.path + ")"});
  if (mOptions.onChip()) {
    lines.push_back({"chip", mOptions.chipPath + ", " +
                                 countText(mSocket->chip().words().size(), "word") +
                                 (mSocket->chipFileExisted() ? "" : " (new, erased)") +
                                 (mOptions.emptySocket ? ", not in the socket" : "")});
  }
  std::uint64_t cycles = 0;
  std::chrono::steady_clock::duration wall{};
  for (const tActionResult& r : mResults) {
    actionLines(r, lines);
    cycles += r.busCycles;
    wall += r.wall;
  }
  for (const std::string& v : mViolations) lines.push_back({"violation", v});
  lines.insert(lines.end(), mFileLines.begin(), mFileLines.end());
  if (mResults.size() > 1) {
    lines.push_back({"total bus", secondsText(cycles)});
    lines.push_back({"total wall", secondsText(wall)});
  }
  lines.push_back({"result", result});
  lines.push_back({"error", error});
  return lines;
}

void cRunner::actionLines(const tActionResult& r, tSummaryLines& lines) const {
  lines.push_back({"action", r.range.empty() ? r.name : r.name + " " + r.range});
  lines.insert(lines.end(), r.mismatches.begin(), r.mismatches.end());
  if (r.mismatch() && !r.stopped && r.mismatches.empty()) {
    // Nothing to compare with (a read's own verify), or the chip holds what
    // was expected and the module read otherwise: what the job record says.
    lines.push_back({"mismatch", "job record address " + hexText(r.errorAddress, 4) +
                                     ", expected " + hexText(r.errorExpected, 2) + ", read " +
                                     hexText(r.errorRead, 2) +
                                     (r.compared ? "; the chip holds the expected data" : "")});
  }
  if (r.havePinData) lines.push_back({"continuity", continuityText(r.connectedPins, r.totalPins)});
  if (r.haveInfoAndLock) {
    lines.push_back({"info data", hexText(r.infoData, 8)});
    lines.push_back({"lock bits", hexText(r.lockBits, 2)});
  }
  if (r.signalTest && r.haveRecord) {
    const std::string pins = std::to_string(kSocketPins);
    lines.push_back({"pins", "last selected " + std::to_string(r.lastPin) + " of " + pins});
    lines.push_back({"confirmed", std::to_string(r.confirmedPins) + " of " + pins + " pins"});
  }
  if (!r.cancelNote.empty()) lines.push_back({"cancel", r.cancelNote});
  if (r.ran) {
    lines.push_back({"bus time", secondsText(r.busCycles)});
    lines.push_back({"wall time", secondsText(r.wall)});
  }
}
