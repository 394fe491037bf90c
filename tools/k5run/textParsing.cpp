#include "textParsing.h"

#include <algorithm>
#include <cctype>

namespace {

std::string trimmed(const std::string& text) {
  std::string::size_type b = 0;
  std::string::size_type e = text.size();
  while (b < e && std::isspace(static_cast<unsigned char>(text[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1]))) --e;
  return text.substr(b, e - b);
}

// The two numbers of "FIRST-LAST", or one number as both; in either order.
bool twoNumbers(const std::string& text, std::uint64_t max, std::uint32_t& a, std::uint32_t& b) {
  const std::string::size_type dash = text.find('-');
  if (dash == std::string::npos) return parseNumber(text, max, a) && parseNumber(text, max, b);
  return parseNumber(text.substr(0, dash), max, a) && parseNumber(text.substr(dash + 1), max, b);
}

}  // namespace

bool parseNumber(const std::string& input, std::uint64_t max, std::uint32_t& value) {
  const std::string text = trimmed(input);
  unsigned base = 10;
  std::string::size_type at = 0;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    at = 2;
  }
  if (at >= text.size()) return false;
  std::uint64_t result = 0;
  for (; at < text.size(); ++at) {
    const unsigned char c = static_cast<unsigned char>(text[at]);
    unsigned digit = 0;
    if (std::isdigit(c)) {
      digit = c - '0';
    } else if (base == 16 && std::isxdigit(c)) {
      digit = static_cast<unsigned>(std::tolower(c) - 'a' + 10);
    } else {
      return false;
    }
    result = result * base + digit;
    if (result > max || result > 0xFFFFFFFFu) return false;
  }
  value = static_cast<std::uint32_t>(result);
  return true;
}

bool parseRange(const std::string& text, std::uint64_t max, std::uint32_t& first,
                std::uint32_t& last) {
  std::uint32_t a = 0;
  std::uint32_t b = 0;
  if (!twoNumbers(text, max, a, b) || a > b) return false;
  first = a;
  last = b;
  return true;
}

bool rangeBackwards(const std::string& text, std::uint64_t max) {
  std::uint32_t a = 0;
  std::uint32_t b = 0;
  return twoNumbers(text, max, a, b) && a > b;
}

bool parseNumberList(const std::string& text, std::uint32_t low, std::uint32_t high,
                     std::vector<std::uint32_t>& values) {
  std::vector<std::uint32_t> result;
  std::string::size_type start = 0;
  for (;;) {
    const std::string::size_type comma = text.find(',', start);
    const std::string part =
        text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    std::uint32_t first = 0;
    std::uint32_t last = 0;
    if (!parseRange(part, high, first, last) || first < low) return false;
    for (std::uint32_t v = first; v <= last; ++v) {
      if (std::find(result.begin(), result.end(), v) == result.end()) result.push_back(v);
    }
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  values = result;
  return true;
}
