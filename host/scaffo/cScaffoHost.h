#ifndef C_SCAFFO_HOST_H
#define C_SCAFFO_HOST_H

#include <array>
#include <string>
#include <vector>

#include "piModuleAddr.h"
#include "piSubFrame.h"

class cScaffoProvider;

// The four signals a provider sends to the host.
enum eScaffoSignal { ssMessage = 0, ssDbgMessage, ssProgress, ssPinConnectionData, ssCount };

struct tScaffoMessage {
  const cScaffoProvider* sender;
  std::string text;
  piModuleAddr addr;
  unsigned int timeout;
};

struct tScaffoProgress {
  const cScaffoProvider* sender;
  std::vector<char> bytes;  // a copy: the module's block dies after the signal
  piModuleAddr addr;
};

struct tScaffoPinData {
  const cScaffoProvider* sender;
  piSubFrame frame;
  piModuleAddr addr;
  unsigned int timeout;
};

// The host side of the provider signals, one per process: records what every
// signal carried and answers as a test or runner tells it to.
class cScaffoHost {
public:
  static cScaffoHost& instance();

  // Drops every record and call count; all signals answer true again and no
  // fault is planned.
  void clear();

  const std::vector<tScaffoMessage>& messages() const { return mMessages; }
  const std::vector<tScaffoMessage>& dbgMessages() const { return mDbgMessages; }
  const std::vector<tScaffoProgress>& progress() const { return mProgress; }
  const std::vector<tScaffoPinData>& pinData() const { return mPinData; }

  // What the signal answers from now on.
  void setResult(eScaffoSignal signal, bool result);
  // The call with this number (1 = the next call since clear) throws the text
  // as a std::string instead of being taken; the call is then not recorded.
  void throwAt(eScaffoSignal signal, unsigned int callNo, const std::string& text);
  // Calls of the signal since clear, including those that threw.
  unsigned int calls(eScaffoSignal signal) const { return mCalls[signal]; }

  // Used by cScaffoProvider: counts the call, throws when planned, and gives
  // the answer.
  bool enter(eScaffoSignal signal);
  void record(eScaffoSignal signal, const tScaffoMessage& message);
  void record(const tScaffoProgress& progress);
  void record(const tScaffoPinData& data);

private:
  cScaffoHost();

  struct tPlannedThrow {
    unsigned int callNo;
    std::string text;
  };

  std::vector<tScaffoMessage> mMessages;
  std::vector<tScaffoMessage> mDbgMessages;
  std::vector<tScaffoProgress> mProgress;
  std::vector<tScaffoPinData> mPinData;
  std::array<bool, ssCount> mResult;
  std::array<unsigned int, ssCount> mCalls;
  std::array<std::vector<tPlannedThrow>, ssCount> mThrows;
};

#endif
