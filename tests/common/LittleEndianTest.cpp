#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "littleEndian.h"

namespace {

// Offsets are odd on purpose: packed records put fields anywhere.
struct tFieldCase {
  const char* name;
  unsigned width;
  std::size_t offset;
  std::uint32_t value;
  std::vector<unsigned char> bytes;  // what lands at offset, lowest first
};

const tFieldCase kFieldCases[] = {
    {"u8", 1, 3, 0xA5u, {0xA5}},
    {"u16", 2, 1, 0x1234u, {0x34, 0x12}},
    {"u16HighBit", 2, 5, 0xFF80u, {0x80, 0xFF}},
    {"u32", 4, 3, 0x12345678u, {0x78, 0x56, 0x34, 0x12}},
    {"u32HighBit", 4, 1, 0x80FF0001u, {0x01, 0x00, 0xFF, 0x80}},
    {"u32AllOnes", 4, 5, 0xFFFFFFFFu, {0xFF, 0xFF, 0xFF, 0xFF}},
};

void storeField(const tFieldCase& c, unsigned char* buffer) {
  switch (c.width) {
    case 1:
      storeLeU8(buffer, c.offset, static_cast<std::uint8_t>(c.value));
      break;
    case 2:
      storeLeU16(buffer, c.offset, static_cast<std::uint16_t>(c.value));
      break;
    default:
      storeLeU32(buffer, c.offset, c.value);
      break;
  }
}

std::uint32_t loadField(const tFieldCase& c, const unsigned char* buffer) {
  switch (c.width) {
    case 1:
      return loadLeU8(buffer, c.offset);
    case 2:
      return loadLeU16(buffer, c.offset);
    default:
      return loadLeU32(buffer, c.offset);
  }
}

TEST(LittleEndian, StoreWritesLowestByteFirstAndNothingAround) {
  for (const tFieldCase& c : kFieldCases) {
    SCOPED_TRACE(c.name);
    std::vector<unsigned char> buffer(12, 0xEE);
    storeField(c, buffer.data());
    std::vector<unsigned char> expected(12, 0xEE);
    std::copy(c.bytes.begin(), c.bytes.end(), expected.begin() + c.offset);
    EXPECT_EQ(buffer, expected);
  }
}

TEST(LittleEndian, LoadReadsOnlyTheFieldWithoutSignExtension) {
  for (const tFieldCase& c : kFieldCases) {
    SCOPED_TRACE(c.name);
    // Neighbours all ones, so a read that strays or sign-extends shows.
    std::vector<unsigned char> buffer(12, 0xFF);
    std::copy(c.bytes.begin(), c.bytes.end(), buffer.begin() + c.offset);
    EXPECT_EQ(loadField(c, buffer.data()), c.value);
  }
}

}  // namespace
