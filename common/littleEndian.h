#ifndef LITTLE_ENDIAN_H
#define LITTLE_ENDIAN_H

#include <cstddef>
#include <cstdint>

// Fields of the packed records shared with the host and the chip settings:
// little-endian at any offset, so always read and written byte by byte, lowest
// byte first. The caller keeps offset plus field width inside the buffer.

inline std::uint8_t loadLeU8(const unsigned char* bytes, std::size_t offset) {
  return bytes[offset];
}

inline std::uint16_t loadLeU16(const unsigned char* bytes, std::size_t offset) {
  return static_cast<std::uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

inline std::uint32_t loadLeU32(const unsigned char* bytes, std::size_t offset) {
  std::uint32_t value = 0;
  for (unsigned int i = 0; i < 4; ++i) {
    value |= static_cast<std::uint32_t>(bytes[offset + i]) << (8 * i);
  }
  return value;
}

inline void storeLeU8(unsigned char* bytes, std::size_t offset, std::uint8_t value) {
  bytes[offset] = value;
}

inline void storeLeU16(unsigned char* bytes, std::size_t offset, std::uint16_t value) {
  bytes[offset] = static_cast<unsigned char>(value);
  bytes[offset + 1] = static_cast<unsigned char>(value >> 8);
}

inline void storeLeU32(unsigned char* bytes, std::size_t offset, std::uint32_t value) {
  for (unsigned int i = 0; i < 4; ++i) {
    bytes[offset + i] = static_cast<unsigned char>(value >> (8 * i));
  }
}

#endif
