#include <string>

#include "DiagnosticLog.h"
#include "cK5AlgoProvider.h"

#define LS_ENTRY extern "C" __attribute__((visibility("default")))

LS_ENTRY int moduleInit(cMPDE* mpde, cK5AlgoProvider** out, std::string name) {
  if (out == nullptr) {
    return 0;
  }
  std::string copy = name;
  // A constructor left by an exception frees the memory; the exception passes on.
  *out = new cK5AlgoProvider(mpde, copy);
  return 1;
}

// A host event during an action may ask to unload the provider whose start
// slot is still running. Deleting it then would free the progress record,
// the algorithm and the hardware handle that slot still uses. The unload is
// refused instead: it answers 0, logs why and leaves the host's pointer, so
// the host still holds the provider and can unload it once the slot has
// returned. Not deferred to the slot's end: the host would find its pointer
// cleared while the provider still runs, and the module would free an
// object behind the host's back. Any other provider unloads at once.
LS_ENTRY int moduleDone(cK5AlgoProvider** p) {
  if (p == nullptr || *p == nullptr) {
    return 0;
  }
  if ((*p)->runsAnAction()) {
    try {
      logDiag("moduleDone refused while its provider runs an action.");
    } catch (...) {
    }
    return 0;
  }
  delete *p;
  *p = nullptr;
  return 1;
}

LS_ENTRY int moduleVersion() { return 1; }
