#ifndef C_RUNNER_H
#define C_RUNNER_H

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "actionPlan.h"
#include "cChipLock.h"
#include "cSimSocket.h"
#include "mismatchReport.h"
#include "moduleCommands.h"
#include "runnerLine.h"
#include "tActionResult.h"
#include "tRunOptions.h"

class cHostSession;
class cLoadedModule;
class cProgressView;
struct tScaffoSinks;

// Plays the host for one command, in four steps: checks what was asked
// against the files and the chip, and takes the chip; plans the actions;
// runs them through the module's slots on the simulated programmer; writes
// the files and reports one verdict.
class cRunner {
public:
  cRunner(const tRunOptions& options, const std::string& runnerFolder);
  ~cRunner();

  int run();

private:
  int runSteps();
  int refused(const std::string& error, int code = kExitBadInput) const;
  int interrupted() const;

  // ---- check: everything refused before the module is loaded
  bool check(std::string& error);
  bool checkChipPath(std::string& error) const;
  bool checkOut(std::string& error);
  bool checkStreams(std::string& error);
  bool readImage(std::string& error);
  int takeChip(std::string& error);
  bool loadChip(std::uint32_t newChipWords, std::string& error);
  bool checkGeometry(std::string& error) const;

  // ---- run
  void setUpSimulator();
  bool runModule(cProgressView& view, std::string& error);
  void runSession(cLoadedModule& module, cProgressView& view);
  tScaffoSinks sinks(cProgressView& view);
  void scriptProbe(cHostSession& session, cProgressView& view);
  bool claimAndRun(cHostSession& session, cProgressView& view);
  void runActions(cHostSession& session, cProgressView& view);
  void runAction(const tPlannedAction& action, cHostSession& session, cProgressView& view,
                 tActionResult& result);
  bool sendJob(const tPlannedAction& action, cHostSession& session, tActionResult& result);
  void startAction(const tPlannedAction& action, cHostSession& session, cProgressView& view,
                   tActionResult& result);
  bool readRecord(cHostSession& session, tActionResult& result);
  void compareWithChip(const tPlannedAction& action, tActionResult& result);
  void fetchReadOut(const tPlannedAction& action, cHostSession& session, tActionResult& result);
  void collectViolations();

  // ---- report
  std::vector<std::string> failures() const;
  void saveFiles();
  int report() const;
  tSummaryLines summaryLines(const std::string& result, const std::string& error) const;
  void actionLines(const tActionResult& r, tSummaryLines& lines) const;

  tRunOptions mOptions;
  std::string mRunnerFolder;
  tModuleChoice mModule;
  std::string mModuleName;
  std::uint32_t mWords;
  std::uint32_t mFirst;
  std::uint32_t mLast;
  std::vector<unsigned char> mImage;
  std::vector<tPlannedAction> mPlan;
  std::unique_ptr<cSimSocket> mSocket;

  std::vector<tActionResult> mResults;
  tActionResult* mCurrent;  // the action running, for the signals
  std::vector<unsigned char> mReadOut;
  bool mReadOutValid;
  std::string mHostFailure;  // a text the host libraries threw
  unsigned int mChipViolations;
  unsigned int mProbeViolations;
  std::vector<std::string> mViolations;
  tSummaryLines mFileLines;  // saved, wrote
  std::vector<std::string> mFileErrors;
  int mInterruptedBy;   // the stop signal that came before the last write; 0: none
  bool mQuiet;          // standard error is the chip file or the image: no line goes there
  cChipLock mLock;      // of the chip file, for the whole run
  std::FILE* mSummary;  // standard error when the read-out goes to standard output
};

#endif
