#include "cScaffoHost.h"

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
}

void cScaffoHost::setResult(eScaffoSignal signal, bool result) { mResult.at(signal) = result; }

void cScaffoHost::throwAt(eScaffoSignal signal, unsigned int callNo, const std::string& text) {
  mThrows.at(signal).push_back(tPlannedThrow{callNo, text});
}

bool cScaffoHost::enter(eScaffoSignal signal) {
  const unsigned int callNo = ++mCalls.at(signal);
  for (const tPlannedThrow& planned : mThrows[signal]) {
    if (planned.callNo == callNo) {
      throw std::string(planned.text);
    }
  }
  return mResult[signal];
}

void cScaffoHost::record(eScaffoSignal signal, const tScaffoMessage& message) {
  (signal == ssDbgMessage ? mDbgMessages : mMessages).push_back(message);
}

void cScaffoHost::record(const tScaffoProgress& progress) { mProgress.push_back(progress); }

void cScaffoHost::record(const tScaffoPinData& data) { mPinData.push_back(data); }
