#include "optionChecks.h"

#include "cK5HoltekChip.h"
#include "moduleCommands.h"

namespace {

typedef cK5HoltekChip C;

std::string mvRange(std::uint32_t low, std::uint32_t high) {
  return std::to_string(low) + "-" + std::to_string(high) + " mV";
}

bool inside(std::uint32_t value, std::uint32_t low, std::uint32_t high) {
  return value >= low && value <= high;
}

// The settings against the ranges the chip states, before anything is powered.
bool checkVoltages(const tHoltekSettings& s, std::string& error) {
  if (!inside(s.fixedVcc, C::kVccMinMv, C::kVccMaxMv)) {
    error = "--vcc: " + std::to_string(s.fixedVcc) + " mV is outside the chip's operating Vcc " +
            mvRange(C::kVccMinMv, C::kVccMaxMv);
    return false;
  }
  if (!inside(s.vccLower, C::kMeasuredVccMinMv, C::kMeasuredVccMaxMv) ||
      !inside(s.vccUpper, C::kMeasuredVccMinMv, C::kMeasuredVccMaxMv)) {
    error = "--vcc-window: " + mvRange(s.vccLower, s.vccUpper) +
            " reaches outside the chip's measured-Vcc window " +
            mvRange(C::kMeasuredVccMinMv, C::kMeasuredVccMaxMv);
    return false;
  }
  if (!inside(s.vpp, C::kVppMinMv, C::kVppMaxMv)) {
    error = "--vpp: " + std::to_string(s.vpp) + " mV is outside the chip's VPP range " +
            mvRange(C::kVppMinMv, C::kVppMaxMv);
    return false;
  }
  return true;
}

}  // namespace

bool checkOptions(const tRunOptions& options, std::string& error) {
  if (!moduleCarries(chosenModule(options, "").name, options.command, error)) return false;
  const bool withFile = options.withImage() || options.command == tRunOptions::cmdRead;
  if (withFile && (options.settings.areas & tHoltekSettings::kAreaMain) == 0) {
    error = std::string("--areas: ") +
            (options.command == tRunOptions::cmdRead ? "OUT receives" : "IMAGE holds") +
            " the main memory; include main";
    return false;
  }
  if (options.blankCheck && options.command == tRunOptions::cmdProgram && !options.erase) {
    error = "--blank-check: the blank check follows an erase; add --erase";
    return false;
  }
  if (options.noVerify && options.verifyAfter) {
    error = "--no-verify: program verifies unless told not to; leave out --verify-after";
    return false;
  }
  return !options.onChip() || checkVoltages(options.settings, error);
}
