#ifndef MISMATCH_REPORT_H
#define MISMATCH_REPORT_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "summaryText.h"

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

// Summary lines (label, value) for what differs between the expected content
// and the chip's: the first differing byte at its offset in the image (or
// the chip, for a blank check) with the expected and the read byte, how many
// bytes of the range differ, and the info data and lock bits that differ.
// None when nothing differs.
tSummaryLines mismatchLines(const tExpectedContent& expected,
                            const std::vector<std::uint16_t>& chipWords, std::uint32_t chipInfo,
                            std::uint8_t chipLock);

// How many bytes of the words firstWord..lastWord the chip held with a bit
// clear that `bytes` (indexed by chip byte, as tExpectedContent's) has set:
// programming only clears bits, so these it cannot take without an erase.
std::size_t bytesNeedingErase(const std::vector<unsigned char>& bytes,
                              const std::vector<std::uint16_t>& chipWords, std::uint32_t firstWord,
                              std::uint32_t lastWord);

#endif
