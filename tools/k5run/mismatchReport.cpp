#include "mismatchReport.h"

#include <cstdio>

namespace {

unsigned char byteOf(const std::vector<std::uint16_t>& words, std::size_t at) {
  return static_cast<unsigned char>(words[at / 2] >> (8 * (at % 2)));
}

std::string valuesText(std::uint32_t expected, std::uint32_t read, int digits) {
  return "expected " + hexText(expected, digits) + ", read " + hexText(read, digits);
}

}  // namespace

tSummaryLines mismatchLines(const tExpectedContent& expected,
                            const std::vector<std::uint16_t>& chipWords, std::uint32_t chipInfo,
                            std::uint8_t chipLock) {
  tSummaryLines lines;
  const std::size_t firstByte = 2 * std::size_t(expected.firstWord);
  const std::size_t endByte = 2 * (std::size_t(expected.lastWord) + 1);
  std::size_t differing = 0;
  std::size_t first = endByte;
  std::size_t compared = 0;
  for (std::size_t at = firstByte; at < endByte && at / 2 < chipWords.size(); ++at) {
    const unsigned char wanted = at < expected.bytes.size() ? expected.bytes[at] : 0xFF;
    const unsigned char read = byteOf(chipWords, at);
    ++compared;
    if (wanted == read) continue;
    if (differing++ == 0) first = at;
  }
  if (differing != 0) {
    const unsigned char wanted = first < expected.bytes.size() ? expected.bytes[first] : 0xFF;
    const unsigned char read = byteOf(chipWords, first);
    const std::string word = "(word " + hexText(static_cast<std::uint32_t>(first / 2), 4) +
                             (first % 2 ? " high)" : " low)");
    std::string where;
    if (expected.image.empty()) {
      where = "chip byte " + hexText(static_cast<std::uint32_t>(first), 4);
    } else if (first - firstByte < expected.imageBytes) {
      where = expected.image + " byte " + hexText(static_cast<std::uint32_t>(first - firstByte), 4);
    } else {
      where = "padding after " + expected.image + ", chip byte " +
              hexText(static_cast<std::uint32_t>(first), 4);
    }
    lines.push_back({"mismatch", where + " " + word + ": " + valuesText(wanted, read, 2)});
    lines.push_back({"differ", std::to_string(differing) + " of " + std::to_string(compared) +
                                   " bytes in words " + hexText(expected.firstWord, 4) + "-" +
                                   hexText(expected.lastWord, 4)});
  }
  if (expected.info && chipInfo != expected.infoData) {
    lines.push_back({"mismatch", "info data: " + valuesText(expected.infoData, chipInfo, 8)});
  }
  const std::uint8_t mask = expected.lockMask;
  if (expected.lock && (chipLock & mask) != (expected.lockBits & mask)) {
    const std::string bits =
        mask == 0xFF ? "lock bits: " : "lock bits (mask " + hexText(mask, 2) + "): ";
    lines.push_back({"mismatch", bits + valuesText(expected.lockBits & mask, chipLock & mask, 2)});
  }
  return lines;
}

std::size_t bytesNeedingErase(const std::vector<unsigned char>& bytes,
                              const std::vector<std::uint16_t>& chipWords, std::uint32_t firstWord,
                              std::uint32_t lastWord) {
  std::size_t count = 0;
  const std::size_t endByte = 2 * (std::size_t(lastWord) + 1);
  for (std::size_t at = 2 * std::size_t(firstWord); at < endByte && at / 2 < chipWords.size();
       ++at) {
    const unsigned char wanted = at < bytes.size() ? bytes[at] : 0xFF;
    if ((byteOf(chipWords, at) & wanted) != wanted) ++count;
  }
  return count;
}
