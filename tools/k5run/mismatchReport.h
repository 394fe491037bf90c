#ifndef MISMATCH_REPORT_H
#define MISMATCH_REPORT_H

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// What a verify or blank check expected of the chip.
struct tExpectedContent {
  std::string image;  // the image file; empty for a blank check
  std::size_t imageBytes = 0;
  std::uint32_t firstWord = 0;
  std::uint32_t lastWord = 0;
  // Indexed by chip byte (word w is bytes 2w, 2w + 1); empty: all erased.
  std::vector<unsigned char> bytes;
  bool info = false;
  std::uint32_t infoData = 0;
  bool lock = false;
  std::uint8_t lockBits = 0;
  std::uint8_t lockMask = 0xFF;  // the bits compared
};

typedef std::vector<std::pair<std::string, std::string>> tSummaryLines;

// Summary lines (label, value) for what differs between the expected content
// and the chip's: the first differing byte at its offset in the image (or
// the chip, for a blank check) with the expected and the read byte, how many
// bytes of the range differ, and the info data and lock bits that differ.
// None when nothing differs.
tSummaryLines mismatchLines(const tExpectedContent& expected,
                            const std::vector<std::uint16_t>& chipWords, std::uint32_t chipInfo,
                            std::uint8_t chipLock);

#endif
