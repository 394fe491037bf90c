#include "moduleTexts.h"

#include <cstdio>

namespace {

// {1}..{4} stand for the parameters: numbers as sent, voltages in volts, and
// {x1}..{x4} as hexadecimal bytes.
struct tMessageText {
  std::int32_t number;
  const char* text;
};

const tMessageText kMessages[] = {
    {136, "program main memory"},
    {144, "erase"},
    {145, "blank check main memory"},
    {148, "blank check lock bits"},
    {149, "read main memory"},
    {165, "read lock bits"},
    {305, "verify main memory, Vcc {1} V"},
    {kMessageVccOutsideWindow, "measured Vcc outside the window {2}-{1} V"},
    {505, "blank check info data"},
    {506, "read info data"},
    {2141, "signature {x1} {x2} {x3} {x4}"},
    {2142, "signature {x1} {x2} {x3}"},
    {2143, "signature {x1} {x2}"},
    {2144, "signature {x1}"},
    {2716, "range outside the memory, the 16-bit addresses or the buffer"},
    {61255, "nothing to verify: no area selected"},
    {61280, "nothing to read: no area selected"},
};

struct tErrorText {
  std::uint16_t errorClass;
  std::uint16_t code;
  const char* text;
};

const tErrorText kErrors[] = {
    {0, 1, "data mismatch"},
    {9, 210, "action not performed, or nothing selected"},
    {9, 2014, "the chip gave no entry acknowledge: empty socket or another chip"},
};

// What the close's flags say; it writes 3003 and 3002 with them.
const char* const kActionFailed = "the action failed";
const char* const kHdwCheckFailed = "the hardware check failed";

// Volts with one to three decimals: 5.0, 3.3, 3.25.
std::string volts(float value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", static_cast<double>(value));
  std::string s = text;
  while (s.size() > 1 && s.back() == '0' && s[s.size() - 2] != '.') s.pop_back();
  return s;
}

std::string plain(const tMessageParam& p) {
  return p.real ? volts(p.value) : std::to_string(p.integer);
}

std::string hexByte(const tMessageParam& p) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned int>(p.integer) & 0xFFu);
  return text;
}

const char* textOf(std::int32_t number) {
  for (const tMessageText& m : kMessages) {
    if (m.number == number) return m.text;
  }
  return nullptr;
}

// The text with its placeholders filled; false when it names a parameter
// the message does not carry.
bool filled(const char* text, const std::vector<tMessageParam>& params, std::string& out) {
  out.clear();
  for (const char* c = text; *c != '\0'; ++c) {
    if (*c != '{') {
      out += *c;
      continue;
    }
    const bool hex = c[1] == 'x';
    const char* digit = hex ? c + 2 : c + 1;
    const unsigned int index = static_cast<unsigned int>(*digit - '1');
    if (index >= params.size() || digit[1] != '}') return false;
    out += hex ? hexByte(params[index]) : plain(params[index]);
    c = digit + 1;
  }
  return true;
}

}  // namespace

std::string messageLine(std::int32_t number, const std::vector<tMessageParam>& params) {
  const std::string head = "message " + std::to_string(number);
  std::string text;
  if (const char* known = textOf(number)) {
    if (filled(known, params, text)) return head + ": " + text;
  }
  if (params.empty()) return head;
  text = head + " (";
  for (std::size_t i = 0; i < params.size(); ++i) text += (i ? ", " : "") + plain(params[i]);
  return text + ")";
}

std::string errorLine(const tJobErrors& e) {
  std::vector<std::string> parts;
  if (e.errorClass != 0 || e.errorCode != 0) {
    std::string part =
        "class " + std::to_string(e.errorClass) + ", code " + std::to_string(e.errorCode);
    for (const tErrorText& known : kErrors) {
      if (known.errorClass == e.errorClass && known.code == e.errorCode) {
        part += std::string(": ") + known.text;
      }
    }
    parts.push_back(part);
  }
  const struct {
    bool set;
    std::uint32_t code;
    const char* text;
  } closeCodes[] = {{e.hdwCheckFailed, e.hdwCheckFailCode, kHdwCheckFailed},
                    {e.actionFailed, e.actionFailCode, kActionFailed}};
  for (const auto& c : closeCodes) {
    if (!c.set) continue;
    parts.push_back(std::to_string(c.code) + ": " + c.text);
  }
  if (parts.empty()) return "none";
  std::string line;
  for (std::size_t i = 0; i < parts.size(); ++i) line += (i ? "; " : "") + parts[i];
  return line;
}
