#include "cAbstractEventManager.h"

namespace {

cAbstractEventManager::ScheduleHook& hook() {
  static cAbstractEventManager::ScheduleHook theHook;
  return theHook;
}

unsigned long scheduleCalls = 0;
bool hookRunning = false;

}  // namespace

cAbstractEventManager::cAbstractEventManager() : mModuleAddr(0, 0) {}

cAbstractEventManager::~cAbstractEventManager() {}

bool cAbstractEventManager::needEvents() { return false; }
bool cAbstractEventManager::needIdleCalls() { return false; }
bool cAbstractEventManager::matchAddr(piModuleAddr addr) { return addr == mModuleAddr; }
bool cAbstractEventManager::needConsumedEvents() { return false; }
piModuleAddr cAbstractEventManager::getModuleAddr() { return mModuleAddr; }
void cAbstractEventManager::setModuleAddr(piModuleAddr addr) { mModuleAddr = addr; }
void cAbstractEventManager::notifyModuleLoaded(cAbstractModule*) {}
void cAbstractEventManager::notifyModuleRemoved(cAbstractModule*) {}
void cAbstractEventManager::notifyModuleListChanged() {}
void cAbstractEventManager::idle() {}
void cAbstractEventManager::idleInLocalScheduler() {}
bool cAbstractEventManager::handleEvent(cAbstractModuleEvent*) { return false; }

void cAbstractEventManager::scheduleEvents(int mode) {
  ++scheduleCalls;
  if (hookRunning || !hook()) {
    return;
  }
  // Run a copy: the scripted events may replace the hook.
  ScheduleHook current = hook();
  hookRunning = true;
  try {
    current(*this, mode);
  } catch (...) {
    hookRunning = false;
    throw;
  }
  hookRunning = false;
}

void cAbstractEventManager::setScheduleHook(ScheduleHook newHook) {
  hook() = std::move(newHook);
  scheduleCalls = 0;
}

unsigned long cAbstractEventManager::scheduleCount() { return scheduleCalls; }
