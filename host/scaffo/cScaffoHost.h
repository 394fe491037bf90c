#ifndef C_SCAFFO_HOST_H
#define C_SCAFFO_HOST_H

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "piModuleAddr.h"
#include "piSubFrame.h"

class cAbstractEventManager;
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

// Where the host hands each signal on, besides its records (a runner prints
// them, a test may act on them). Empty functions are skipped.
struct tScaffoSinks {
  std::function<void(const tScaffoMessage&)> message;
  std::function<void(const tScaffoMessage&)> dbgMessage;
  std::function<void(const tScaffoProgress&)> progress;
  std::function<void(const tScaffoPinData&)> pinData;
};

// A host event scripted by a test or runner, e.g. a call of Slot_CancelAction.
typedef std::function<void(cScaffoProvider&)> tScaffoEvent;

// The host side of the provider signals, one per process: records what every
// signal carried and answers as a test or runner tells it to.
class cScaffoHost {
public:
  static cScaffoHost& instance();

  // Drops every record, call count, sink and scripted event; all signals
  // answer true again and no fault is planned.
  void clear();

  // Hands every signal taken from now on to these sinks as well.
  void setSinks(const tScaffoSinks& sinks);

  // Scripts a host event for the provider being served: it runs in the host's
  // scheduler (scheduleEvents) at the first call once n-1 progress records
  // were sent, so what it does shows in the n-th record (n = 1: at the first
  // call). Installs the host's scheduling hook (replacing a test's own hook);
  // a hook set afterwards replaces the scripted events.
  void atProgressRecord(unsigned int n, tScaffoEvent event);
  // Scripted events that have not run yet.
  std::size_t pendingEvents() const;

  const std::vector<tScaffoMessage>& messages() const { return mMessages; }
  const std::vector<tScaffoMessage>& dbgMessages() const { return mDbgMessages; }
  const std::vector<tScaffoProgress>& progress() const { return mProgress; }
  const std::vector<tScaffoPinData>& pinData() const { return mPinData; }

  // What the signal answers from now on.
  void setResult(eScaffoSignal signal, bool result);
  // The call with this number (1 = the next call since clear) throws the text
  // as a std::string instead of being taken; the call is then not recorded.
  void throwAt(eScaffoSignal signal, unsigned int callNo, const std::string& text);
  // The call with this number answers false (and is recorded), whatever
  // setResult says; the calls around it answer as before.
  void falseAt(eScaffoSignal signal, unsigned int callNo);
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

  struct tScriptedEvent {
    unsigned int progressRecord;
    tScaffoEvent event;
    bool done;
  };

  // The scheduling hook of scripted events.
  void runScripted(cAbstractEventManager& manager);

  std::vector<tScaffoMessage> mMessages;
  std::vector<tScaffoMessage> mDbgMessages;
  std::vector<tScaffoProgress> mProgress;
  std::vector<tScaffoPinData> mPinData;
  std::array<bool, ssCount> mResult;
  std::array<unsigned int, ssCount> mCalls;
  std::array<std::vector<tPlannedThrow>, ssCount> mThrows;
  std::array<std::vector<unsigned int>, ssCount> mFalseCalls;
  tScaffoSinks mSinks;
  std::vector<tScriptedEvent> mScripted;
  bool mHookInstalled = false;
};

#endif
