#include <string>

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

LS_ENTRY int moduleDone(cK5AlgoProvider** p) {
  if (p == nullptr || *p == nullptr) {
    return 0;
  }
  delete *p;
  *p = nullptr;
  return 1;
}

LS_ENTRY int moduleVersion() { return 1; }
