// The entry points of the fake module, as a real module exports them.
#include <string>

#include "cFakeProvider.h"

#define LS_ENTRY extern "C" __attribute__((visibility("default")))

LS_ENTRY int moduleInit(cMPDE* mpde, cFakeProvider** out, std::string name) {
  if (out == nullptr) return 0;
  *out = new cFakeProvider(mpde, name);
  return 1;
}

LS_ENTRY int moduleDone(cFakeProvider** p) {
  if (p == nullptr || *p == nullptr) return 0;
  delete *p;
  *p = nullptr;
  return 1;
}

LS_ENTRY int moduleVersion() { return 1; }
