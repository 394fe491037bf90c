#ifndef T_ACTION_RESULT_H
#define T_ACTION_RESULT_H

#include <chrono>
#include <cstdint>
#include <string>

#include "mismatchReport.h"
#include "moduleTexts.h"

// What one action came to, as the summary shows it.
struct tActionResult {
  std::string name;
  std::string range;  // e.g. "words 0x0000-0x03FF"; empty when the action has none
  bool ran = false;   // its start slot was called
  bool ok = false;
  bool stopped = false;     // cancelled by the runner for a stop signal
  bool vccOutside = false;  // the measured Vcc was outside the window: the chip was not read
  std::string failure;      // the runner's reason when the module never got to run it

  // The job record after the action.
  bool haveRecord = false;
  tJobErrors errors;
  std::uint32_t errorAddress = 0;
  std::uint32_t errorExpected = 0;
  std::uint32_t errorRead = 0;
  // What differs between the chip and what the action expected of it, when
  // the runner compared them (compared).
  bool compared = false;
  tSummaryLines mismatches;

  bool havePinData = false;
  std::uint32_t totalPins = 0;
  std::uint32_t connectedPins = 0;

  bool haveInfoAndLock = false;
  std::uint32_t infoData = 0;
  std::uint8_t lockBits = 0;

  bool signalTest = false;
  unsigned int lastPin = 0;        // selected last
  unsigned int confirmedPins = 0;  // a gong each
  std::string cancelNote;

  std::uint64_t busCycles = 0;
  std::chrono::steady_clock::duration wall{};

  // A data mismatch of verify or blank check.
  bool mismatch() const { return haveRecord && errors.errorClass == 0 && errors.errorCode == 1; }
};

#endif
