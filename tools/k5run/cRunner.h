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
#include "tActionResult.h"
#include "tRunOptions.h"

class cHostSession;
class cProgressView;

// Plays the host for one command: checks the input, sets up the simulated
// programmer and its socket, loads the module, claims the programmer, runs
// the planned actions through the slots, shows progress, releases and unloads
// the module, writes the files and prints the summary.
class cRunner {
public:
  static const int kExitOk = 0;
  static const int kExitFailed = 1;
  static const int kExitBadInput = 2;

  cRunner(const tRunOptions& options, const std::string& runnerFolder);
  ~cRunner();

  int run();

private:
  // Everything that can be refused before the module is loaded.
  bool prepare(std::string& error);
  void setUpSimulator();
  void runActions(cHostSession& session, cProgressView& view);
  void runAction(const tPlannedAction& action, cHostSession& session, cProgressView& view,
                 tActionResult& result);
  bool saveFiles(std::vector<std::string>& lines);
  void printSummary(const std::vector<std::string>& fileLines, bool ok) const;
  bool allOk() const;

  tRunOptions mOptions;
  std::string mRunnerFolder;
  std::string mModulePath;
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
  bool mInterrupted;
  std::string mHostFailure;  // a text the host libraries threw
  std::vector<std::string> mViolations;
  cChipLock mLock;      // of the chip file, for the whole run
  std::FILE* mSummary;  // standard error when the read-out goes to standard output
};

#endif
