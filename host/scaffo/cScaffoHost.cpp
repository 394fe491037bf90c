#include "cScaffoHost.h"

#include "cAbstractEventManager.h"
#include "cScaffoProvider.h"

namespace {

// A copy of the sink: it may replace the sinks while it runs.
template <typename T>
void handOn(const std::function<void(const T&)> sink, const T& item) {
  if (sink) {
    sink(item);
  }
}

}  // namespace

cScaffoHost& cScaffoHost::instance() {
  static cScaffoHost host;
  return host;
}

cScaffoHost::cScaffoHost() { clear(); }

void cScaffoHost::clear() {
  mMessages.clear();
  mDbgMessages.clear();
  mProgress.clear();
  mPinData.clear();
  mResult.fill(true);
  mCalls.fill(0);
  for (std::vector<tPlannedThrow>& planned : mThrows) {
    planned.clear();
  }
  for (std::vector<unsigned int>& planned : mFalseCalls) {
    planned.clear();
  }
  mSinks = tScaffoSinks();
  mScripted.clear();
  if (mHookInstalled) {
    mHookInstalled = false;
    cAbstractEventManager::setScheduleHook(nullptr);
  }
}

void cScaffoHost::setSinks(const tScaffoSinks& sinks) { mSinks = sinks; }

void cScaffoHost::atProgressRecord(unsigned int n, tScaffoEvent event) {
  mScripted.push_back(tScriptedEvent{n, std::move(event), false});
  // Installed again each time: a test may have removed the hook meanwhile.
  mHookInstalled = true;
  cAbstractEventManager::setScheduleHook(
      [](cAbstractEventManager& manager, int) { cScaffoHost::instance().runScripted(manager); });
}

std::size_t cScaffoHost::pendingEvents() const {
  std::size_t pending = 0;
  for (const tScriptedEvent& scripted : mScripted) {
    pending += scripted.done ? 0 : 1;
  }
  return pending;
}

void cScaffoHost::runScripted(cAbstractEventManager& manager) {
  cScaffoProvider* provider = dynamic_cast<cScaffoProvider*>(&manager);
  if (provider == nullptr) {
    return;
  }
  const unsigned int sent = mCalls[ssProgress];
  // By index: an event may script further events.
  for (std::size_t i = 0; i < mScripted.size(); ++i) {
    if (mScripted[i].done || sent + 1 < mScripted[i].progressRecord) {
      continue;
    }
    mScripted[i].done = true;
    const tScaffoEvent event = mScripted[i].event;
    event(*provider);
  }
}

void cScaffoHost::setResult(eScaffoSignal signal, bool result) { mResult.at(signal) = result; }

void cScaffoHost::throwAt(eScaffoSignal signal, unsigned int callNo, const std::string& text) {
  mThrows.at(signal).push_back(tPlannedThrow{callNo, text});
}

void cScaffoHost::falseAt(eScaffoSignal signal, unsigned int callNo) {
  mFalseCalls.at(signal).push_back(callNo);
}

bool cScaffoHost::enter(eScaffoSignal signal) {
  const unsigned int callNo = ++mCalls.at(signal);
  for (const tPlannedThrow& planned : mThrows[signal]) {
    if (planned.callNo == callNo) {
      throw std::string(planned.text);
    }
  }
  for (unsigned int planned : mFalseCalls[signal]) {
    if (planned == callNo) {
      return false;
    }
  }
  return mResult[signal];
}

void cScaffoHost::record(eScaffoSignal signal, const tScaffoMessage& message) {
  (signal == ssDbgMessage ? mDbgMessages : mMessages).push_back(message);
  handOn(signal == ssDbgMessage ? mSinks.dbgMessage : mSinks.message, message);
}

void cScaffoHost::record(const tScaffoProgress& progress) {
  mProgress.push_back(progress);
  handOn(mSinks.progress, progress);
}

void cScaffoHost::record(const tScaffoPinData& data) {
  mPinData.push_back(data);
  handOn(mSinks.pinData, data);
}
