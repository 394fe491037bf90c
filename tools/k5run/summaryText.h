#ifndef SUMMARY_TEXT_H
#define SUMMARY_TEXT_H

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// The words and numbers of the runner's summary.

// Summary lines: label and value.
typedef std::vector<std::pair<std::string, std::string>> tSummaryLines;

// "label:     value" lines, the values in one column, each shown on its own
// line whatever it holds (shownText).
std::string summaryText(const tSummaryLines& lines);

// "0x03FF" for (0x3FF, 4).
std::string hexText(std::uint32_t value, int digits);

// "1 word", "2 words".
std::string countText(std::uint64_t count, const std::string& noun);

// The parts with `separator` between them.
std::string joined(const std::vector<std::string>& parts, const std::string& separator);

// "8 of 8 pins connected: device connected".
std::string continuityText(std::uint32_t connected, std::uint32_t total);

#endif
