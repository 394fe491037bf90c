#include "rawText.h"

#include <cstring>

std::size_t appendText(char* out, std::size_t size, std::size_t at, const char* text,
                       std::size_t length) {
  const std::size_t room = size - 1 - at;
  const std::size_t n = length < room ? length : room;
  std::memcpy(out + at, text, n);
  out[at + n] = '\0';
  return at + n;
}

std::size_t appendText(char* out, std::size_t size, std::size_t at, const char* text) {
  return appendText(out, size, at, text, std::strlen(text));
}

std::size_t appendNumber(char* out, std::size_t size, std::size_t at, long value) {
  char digits[24];
  std::size_t n = 0;
  unsigned long rest = value < 0 ? 0ul - static_cast<unsigned long>(value) : value;
  do {
    digits[sizeof digits - 1 - n++] = static_cast<char>('0' + rest % 10);
    rest /= 10;
  } while (rest != 0);
  if (value < 0) digits[sizeof digits - 1 - n++] = '-';
  return appendText(out, size, at, digits + sizeof digits - n, n);
}
