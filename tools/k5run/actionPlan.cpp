#include "actionPlan.h"

#include <algorithm>

#include "summaryText.h"

namespace {

// Program's byte addresses are 16 bits wide.
const std::uint32_t kProgramByteLimit = 0x10000;

std::string hexWord(std::uint32_t value) { return hexText(value, 4); }

// Buffer 0 indexed by address: the image from the first word on, erased
// bytes around it.
std::vector<unsigned char> imageBuffer(const std::vector<unsigned char>& image, std::uint32_t first,
                                       std::uint32_t last) {
  std::vector<unsigned char> buffer(2 * (std::size_t(last) + 1), 0xFF);
  std::copy(image.begin(), image.end(), buffer.begin() + 2 * std::size_t(first));
  return buffer;
}

tPlannedAction wordAction(eAlgoActionType type, const std::string& name,
                          const tHoltekSettings& settings, std::uint32_t first,
                          std::uint32_t last) {
  tPlannedAction action;
  action.type = type;
  action.name = name;
  action.settings = settings;
  action.start = first;
  action.end = last;
  action.shownFirst = first;
  action.shownLast = last;
  return action;
}

}  // namespace

bool checkRange(const tRunOptions& options, std::uint32_t words, std::size_t imageBytes,
                std::uint32_t& first, std::uint32_t& last, std::string& error) {
  const bool withImage =
      options.command == tRunOptions::cmdProgram || options.command == tRunOptions::cmdVerify;
  const std::size_t imageWords = (imageBytes + 1) / 2;
  if (options.rangeGiven) {
    first = options.firstWord;
    last = options.lastWord;
    if (last >= words) {
      error = "range " + hexWord(first) + "-" + hexWord(last) + " does not fit a chip of " +
              std::to_string(words) + " words (" + hexWord(0) + "-" + hexWord(words - 1) + ")";
      return false;
    }
  } else if (withImage) {
    if (imageWords > words) {
      error = "image of " + std::to_string(imageBytes) + " bytes is larger than the chip (" +
              std::to_string(words) + " words, " + std::to_string(2 * std::size_t(words)) +
              " bytes)";
      return false;
    }
    first = 0;
    last = static_cast<std::uint32_t>(imageWords - 1);
  } else {
    first = 0;
    last = words - 1;
  }
  if (withImage && imageBytes > 2 * (std::size_t(last) - first + 1)) {
    error = "image of " + std::to_string(imageBytes) + " bytes is larger than the selected range " +
            hexWord(first) + "-" + hexWord(last) + " (" +
            std::to_string(2 * (std::size_t(last) - first + 1)) + " bytes)";
    return false;
  }
  return true;
}

bool checkModuleLimits(const tRunOptions& options, std::uint32_t first, std::uint32_t last,
                       std::string& error) {
  if (options.command != tRunOptions::cmdProgram) return true;
  const std::uint64_t lastByte = 2 * std::uint64_t(last) + 1;
  if (lastByte < kProgramByteLimit) return true;
  error = "program counts byte addresses in 16 bits: words " + hexWord(first) + "-" +
          hexWord(last) + " are bytes " + hexWord(2 * first) + "-" +
          hexWord(static_cast<std::uint32_t>(lastByte)) + ", past 0xFFFF (program reaches words " +
          hexWord(0) + "-" + hexWord(kProgramByteLimit / 2 - 1) + ")";
  return false;
}

namespace {

// Erase (with its blank check as an action of its own), program and the verify.
void planProgram(const tRunOptions& options, const tHoltekSettings& settings, std::uint32_t words,
                 std::uint32_t first, std::uint32_t last, const std::vector<unsigned char>& image,
                 std::vector<tPlannedAction>& plan) {
  const std::vector<unsigned char> buffer = imageBuffer(image, first, last);
  if (options.erase && options.blankCheck) {
    tHoltekSettings erase = settings;
    erase.options |= tHoltekSettings::kOptBlankCheckAfterErase;
    plan.push_back(wordAction(aatErase, "erase", erase, 0, words - 1));
  }
  tPlannedAction program = wordAction(aatProg, "program", settings, first, last);
  if (options.erase && !options.blankCheck) {
    program.settings.options |= tHoltekSettings::kOptEraseBeforeProgram;
  }
  program.settings.memorySize = 2 * words;
  program.start = 2 * first;
  program.end = 2 * last + 1;
  program.rangeInBytes = true;
  program.shownFirst = program.start;
  program.shownLast = program.end;
  program.buffer = buffer;
  plan.push_back(program);
  if (!options.noVerify) {
    tPlannedAction verify = wordAction(aatVerify, "verify", settings, first, last);
    verify.buffer = buffer;
    verify.checksProgram = !options.erase;
    plan.push_back(verify);
  }
}

tPlannedAction testAction(eAlgoActionType type, const std::string& name,
                          const tHoltekSettings& settings, bool signalTest) {
  tPlannedAction action = wordAction(type, name, settings, 0, 0);
  action.continuityTest = !signalTest;
  action.signalTest = signalTest;
  return action;
}

}  // namespace

std::vector<tPlannedAction> planActions(const tRunOptions& options, std::uint32_t words,
                                        const std::vector<unsigned char>& image) {
  std::vector<tPlannedAction> plan;
  tHoltekSettings settings = options.settings;
  settings.memorySize = words;
  std::uint32_t first = 0;
  std::uint32_t last = 0;
  std::string ignored;
  if (options.onChip()) checkRange(options, words, image.size(), first, last, ignored);
  tHoltekSettings erase = settings;
  switch (options.command) {
    case tRunOptions::cmdProgram:
      planProgram(options, settings, words, first, last, image, plan);
      break;
    case tRunOptions::cmdVerify:
      plan.push_back(wordAction(aatVerify, "verify", settings, first, last));
      plan.back().buffer = imageBuffer(image, first, last);
      break;
    case tRunOptions::cmdRead:
      plan.push_back(wordAction(aatRead, "read", settings, first, last));
      if (options.verifyAfter) plan.back().settings.options |= tHoltekSettings::kOptVerifyAfterRead;
      plan.back().buffer.assign(2 * (std::size_t(last) + 1), 0x00);
      break;
    case tRunOptions::cmdBlank:
      // The blank check covers the whole memory from word 0.
      plan.push_back(wordAction(aatBlank, "blank check", settings, 0, words - 1));
      break;
    case tRunOptions::cmdErase:
      if (options.blankCheck) erase.options |= tHoltekSettings::kOptBlankCheckAfterErase;
      plan.push_back(wordAction(aatErase, "erase", erase, 0, words - 1));
      break;
    case tRunOptions::cmdContinuity:
      plan.push_back(testAction(aatContinuity, "continuity", settings, false));
      break;
    case tRunOptions::cmdNoContinuity:
      plan.push_back(testAction(aatNoContinuity, "no-continuity", settings, false));
      break;
    case tRunOptions::cmdSignalTest:
      plan.push_back(testAction(aatVerify, "signal test", settings, true));
      break;
  }
  if (options.continuityFirst && !plan.empty()) plan.front().continuityTest = true;
  return plan;
}
