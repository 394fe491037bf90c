#ifndef C_ABSTRACT_EVENT_MANAGER_H
#define C_ABSTRACT_EVENT_MANAGER_H

#include <functional>

#include "piModuleAddr.h"

class cAbstractModule;
class cAbstractModuleEvent;

// Receiver of host events. Modules hand control to the host's scheduler with
// scheduleEvents; here the scheduler runs the events a test or runner scripted
// through the process-wide hook.
class cAbstractEventManager {
public:
  typedef std::function<void(cAbstractEventManager&, int)> ScheduleHook;

  cAbstractEventManager();
  virtual ~cAbstractEventManager();

  virtual bool needEvents();
  virtual bool needIdleCalls();
  virtual bool matchAddr(piModuleAddr addr);
  virtual bool needConsumedEvents();
  virtual piModuleAddr getModuleAddr();
  virtual void setModuleAddr(piModuleAddr addr);
  virtual void notifyModuleLoaded(cAbstractModule* module);
  virtual void notifyModuleRemoved(cAbstractModule* module);
  virtual void notifyModuleListChanged();
  virtual void idle();
  virtual void idleInLocalScheduler();
  virtual bool handleEvent(cAbstractModuleEvent* event);

  // Runs the scripted host events with this manager and the argument. The host
  // does not dispatch events from inside an event: a call made while the hook
  // runs returns at once.
  void scheduleEvents(int mode);

  // Installs (or, with an empty function, removes) the scripted host events.
  static void setScheduleHook(ScheduleHook hook);
  // Number of scheduleEvents calls since the hook was last set.
  static unsigned long scheduleCount();

private:
  piModuleAddr mModuleAddr;
};

#endif
