#ifndef T_FAULT_SWEEP_H
#define T_FAULT_SWEEP_H

// The places where the host can fail a module, for sweeps that fail one call
// at a time: every fault point of the simulated programmer (per slot where it
// takes one) and every host signal. A sweep counts the hits of each target in
// a clean run, then injects one fault at a chosen hit of a target.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "cK5SimProgrammer.h"
#include "cScaffoHost.h"

namespace faultSweep {

struct tTarget {
  std::string name;  // "register@0", "setDeviceState", "host progress"
  bool host;         // a host signal rather than a point of the programmer
  eScaffoSignal signal;
  unsigned int kinds;  // eK5FaultKind bits
};

inline const char* signalName(eScaffoSignal signal) {
  static const char* const names[] = {"message", "dbgMessage", "progress", "pinConnectionData"};
  return names[signal];
}

inline const char* kindName(eK5FaultKind kind) {
  return kind == k5FaultThrow ? "throw" : kind == k5FaultFalse ? "false" : "null";
}

inline std::vector<tTarget> allTargets() {
  std::vector<tTarget> targets;
  for (const tK5FaultPoint& p : cK5SimProgrammer::faultPoints()) {
    if (!p.takesSlot()) {
      targets.push_back(tTarget{p.name, false, ssMessage, p.kinds});
      continue;
    }
    for (unsigned int slot = 0; slot < p.slots; ++slot) {
      targets.push_back(
          tTarget{std::string(p.name) + "@" + std::to_string(slot), false, ssMessage, p.kinds});
    }
  }
  // A host signal throws its text or answers false.
  for (unsigned int s = 0; s < ssCount; ++s) {
    const eScaffoSignal signal = static_cast<eScaffoSignal>(s);
    targets.push_back(tTarget{std::string("host ") + signalName(signal), true, signal,
                              k5FaultThrow | k5FaultFalse});
  }
  return targets;
}

// Hits of every target so far: the programmer's since its reset, the host's
// since its clear.
typedef std::map<std::string, std::uint64_t> tHits;

inline tHits hitsNow(const std::vector<tTarget>& targets) {
  tHits hits;
  for (const tTarget& t : targets) {
    hits[t.name] = t.host ? cScaffoHost::instance().calls(t.signal)
                          : cK5SimProgrammer::instance().faultPointHits(t.name);
  }
  return hits;
}

inline tHits hitsBetween(const tHits& before, const tHits& after) {
  tHits run;
  for (const auto& entry : after) run[entry.first] = entry.second - before.at(entry.first);
  return run;
}

// The hits to strike, counted from 0: all of them up to `limit`, else `limit`
// spread evenly from the first to the last.
inline std::vector<std::uint64_t> hitsToStrike(std::uint64_t hits, unsigned int limit) {
  std::vector<std::uint64_t> chosen;
  if (hits <= limit) {
    for (std::uint64_t h = 0; h < hits; ++h) chosen.push_back(h);
    return chosen;
  }
  for (unsigned int i = 0; i < limit; ++i) chosen.push_back(i * (hits - 1) / (limit - 1));
  return chosen;
}

// One fault at hit `hit` (from 0) of the target, counted from now.
inline void inject(const tTarget& target, eK5FaultKind kind, std::uint64_t hit,
                   const std::string& text) {
  if (target.host) {
    cScaffoHost& host = cScaffoHost::instance();
    const unsigned int callNo = host.calls(target.signal) + static_cast<unsigned int>(hit) + 1;
    if (kind == k5FaultThrow) {
      host.throwAt(target.signal, callNo, text);
    } else {
      host.falseAt(target.signal, callNo);
    }
    return;
  }
  cK5SimProgrammer& sim = cK5SimProgrammer::instance();
  const unsigned int skip = static_cast<unsigned int>(hit);
  if (kind == k5FaultThrow) {
    sim.injectThrow(target.name, text, skip);
  } else if (kind == k5FaultFalse) {
    sim.injectFalse(target.name, skip);
  } else {
    sim.injectNull(target.name, skip);
  }
}

}  // namespace faultSweep

#endif
