#ifndef T_RUN_OPTIONS_H
#define T_RUN_OPTIONS_H

#include <cstdint>
#include <string>
#include <vector>

#include "cK5HoltekChip.h"
#include "tHoltekSettings.h"

// Everything the command line asked for, checked for form but not yet against
// the files and the chip.
struct tRunOptions {
  enum eCommand {
    cmdProgram,
    cmdRead,
    cmdVerify,
    cmdBlank,
    cmdErase,
    cmdContinuity,
    cmdNoContinuity,
    cmdSignalTest
  };

  eCommand command = cmdBlank;
  std::string file;    // IMAGE of program and verify, OUT of read
  std::string module;  // path; empty: the command's module beside the runner
  std::string chipPath = "k5chip.bin";
  bool verbose = false;
  bool emptySocket = false;
  bool continuityFirst = false;
  std::uint32_t sensedVcc = 5000;  // mV, what the chip's supply reads for a Vcc measurement

  tHoltekSettings settings;
  bool memorySizeGiven = false;  // else the chip file's size
  bool rangeGiven = false;
  std::uint32_t firstWord = 0;
  std::uint32_t lastWord = 0;
  bool erase = false;
  bool blankCheck = false;
  bool verifyAfter = false;  // read's verify
  bool noVerify = false;     // program without the verify that follows it

  std::vector<std::uint32_t> touchPins;
  std::uint32_t cancelAtPin = 0;  // 0: none

  // The measured Vcc searches the chip's window unless told otherwise.
  tRunOptions() {
    settings.vccLower = cK5HoltekChip::kMeasuredVccMinMv;
    settings.vccUpper = cK5HoltekChip::kMeasuredVccMaxMv;
  }

  // Commands on a Holtek chip (Larkspur's, with a chip file).
  bool onChip() const { return command <= cmdErase; }
  bool changesChip() const { return command == cmdProgram || command == cmdErase; }
  bool withImage() const { return command == cmdProgram || command == cmdVerify; }
};

#endif
