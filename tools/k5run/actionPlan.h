#ifndef ACTION_PLAN_H
#define ACTION_PLAN_H

#include <cstdint>
#include <string>
#include <vector>

#include "eAlgoActionType.h"
#include "tHoltekSettings.h"
#include "tRunOptions.h"

// One action for the module: the job the runner sends and the start slot it calls.
struct tPlannedAction {
  eAlgoActionType type = aatVerify;
  std::string name;
  tHoltekSettings settings;
  // The job range as the module counts it for this action: bytes for
  // program, words for everything else.
  std::uint32_t start = 0;
  std::uint32_t end = 0;
  bool rangeInBytes = false;
  // Progress runs over these addresses (the blank check covers the whole memory).
  std::uint32_t shownFirst = 0;
  std::uint32_t shownLast = 0;
  std::vector<unsigned char> buffer;  // buffer 0; none when empty
  bool continuityTest = false;
  bool signalTest = false;
  // A verify of what a program without an erase just wrote.
  bool checksProgram = false;
};

// The actions of a command, in order. `words` is the chip's memory size in
// words; `image` the image of program and verify. The range is checked
// beforehand (checkRange). The module counts the program range in bytes and
// reads, verifies and blank-checks in words, and its memory size limits the
// range in the same unit: so a program action gets the memory size in bytes,
// and a blank check after erase or a verify after program, which the module
// would run over the byte range as words, run as actions of their own.
std::vector<tPlannedAction> planActions(const tRunOptions& options, std::uint32_t words,
                                        const std::vector<unsigned char>& image);

// The word range of a chip command: the given one, or for program and verify
// the words the image covers from 0, or for read the whole chip. False with a
// one-line reason when it does not fit the chip or the image does not fit it.
bool checkRange(const tRunOptions& options, std::uint32_t words, std::size_t imageBytes,
                std::uint32_t& first, std::uint32_t& last, std::string& error);

// Limits of the module beyond the chip's size: program counts byte addresses
// in 16 bits. False with a one-line reason when the range passes one.
bool checkModuleLimits(const tRunOptions& options, std::uint32_t first, std::uint32_t last,
                       std::string& error);

#endif
