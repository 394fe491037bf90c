#ifndef MODULE_TEXTS_H
#define MODULE_TEXTS_H

#include <cstdint>
#include <string>
#include <vector>

// The words for what the modules report as numbers: their numbered messages
// and the codes of the job record. The host owns these texts, and k5run is
// the host here.

// The message of a measured Vcc outside its window: the module then reads nothing of the chip.
const std::int32_t kMessageVccOutsideWindow = 484;

// One parameter of a numbered message, as the progress record carries it.
struct tMessageParam {
  bool real = false;
  std::int32_t integer = 0;
  float value = 0;
};

// "message 305: verify main memory, Vcc 5.0 V": the number, its text with the
// parameters in place. A number without a text keeps its parameters in
// parentheses, e.g. "message 77 (1, 2)".
std::string messageLine(std::int32_t number, const std::vector<tMessageParam>& params);

// The job record's error fields in words: "none" when nothing failed, else
// each code with its cause, e.g. "class 0, code 1: data mismatch; 3003: the
// action failed". A code without a known cause stands as its number.
// The close's codes count only with their flags set.
struct tJobErrors {
  std::uint16_t errorClass = 0;
  std::uint16_t errorCode = 0;
  bool actionFailed = false;
  std::uint32_t actionFailCode = 0;
  bool hdwCheckFailed = false;
  std::uint32_t hdwCheckFailCode = 0;
};
std::string errorLine(const tJobErrors& errors);

#endif
