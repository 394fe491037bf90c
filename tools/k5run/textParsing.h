#ifndef TEXT_PARSING_H
#define TEXT_PARSING_H

#include <cstdint>
#include <string>
#include <vector>

// Values the user types on the command line. Numbers are decimal or, with a
// 0x prefix, hexadecimal; a leading zero does not make them octal.

bool parseNumber(const std::string& text, std::uint64_t max, std::uint32_t& value);

// "FIRST-LAST" or a single "ADDRESS", with first <= last <= max.
bool parseRange(const std::string& text, std::uint64_t max, std::uint32_t& first,
                std::uint32_t& last);

// True when the text is "FIRST-LAST" of two numbers up to max with FIRST past
// LAST: the range parseRange refuses for its order alone.
bool rangeBackwards(const std::string& text, std::uint64_t max);

// Comma-separated numbers and ranges between low and high, e.g. "1-10,12".
// The list keeps the order given and drops repeats.
bool parseNumberList(const std::string& text, std::uint32_t low, std::uint32_t high,
                     std::vector<std::uint32_t>& values);

#endif
