#ifndef SLOT_GUARD_H
#define SLOT_GUARD_H

#include <exception>
#include <string>

#include "DiagnosticLog.h"

// The host libraries report a failure by throwing a text, and that text is
// the only exception the host expects from a slot. Anything else (memory
// running out, a standard library error) is caught where the slot is left:
// logged and answered as the slot's failure, so it never reaches the host.

// The text of the exception being handled: the host's text as thrown, what()
// of a standard exception, a fixed text for anything else. Only for use
// inside a handler.
inline std::string caughtText() {
  try {
    throw;
  } catch (const std::string& text) {
    return text;
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "unknown exception";
  }
}

// "catch in <slot>: <text>"; a line that cannot be made is dropped rather
// than thrown on.
inline void logCaughtInSlot(const char* slot) noexcept {
  try {
    logDiag(std::string("catch in ") + slot + ": " + caughtText());
  } catch (...) {
  }
}

// Runs a slot's body. The host's text passes on unchanged; any other
// exception is logged and answered by fail().
template <class Body, class Fail>
void guardSlot(const char* slot, Body&& body, Fail&& fail) {
  try {
    body();
  } catch (const std::string&) {
    throw;
  } catch (...) {
    logCaughtInSlot(slot);
    fail();
  }
}

template <class Body>
void guardSlot(const char* slot, Body&& body) {
  guardSlot(slot, body, [] {});
}

// For slots that answer through an ok flag: a caught exception answers 0.
template <class Body>
void guardSlot(const char* slot, unsigned char& ok, Body&& body) {
  guardSlot(slot, body, [&ok] { ok = 0; });
}

// Sets a flag while it lives and clears it on every way out of a slot,
// exceptions included.
class tFlagScope {
public:
  explicit tFlagScope(unsigned char& flag) : mFlag(flag) { mFlag = 1; }
  ~tFlagScope() { mFlag = 0; }
  tFlagScope(const tFlagScope&) = delete;
  tFlagScope& operator=(const tFlagScope&) = delete;

private:
  unsigned char& mFlag;
};

#endif
