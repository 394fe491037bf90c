#ifndef RAW_TEXT_H
#define RAW_TEXT_H

#include <cstddef>

// Text put together in fixed buffers, without allocating or stdio (both may
// hold a lock that a call left by siglongjmp never gives back). Each appends
// at `at` to out of `size` bytes, keeps it terminated, cuts what does not
// fit, and gives the new end.
std::size_t appendText(char* out, std::size_t size, std::size_t at, const char* text,
                       std::size_t length);
std::size_t appendText(char* out, std::size_t size, std::size_t at, const char* text);
std::size_t appendNumber(char* out, std::size_t size, std::size_t at, long value);

#endif
