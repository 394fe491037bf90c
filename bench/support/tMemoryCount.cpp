#include "tMemoryCount.h"

#include <dlfcn.h>
#include <link.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

bool gCounting = false;
tMemoryFigures gFigures;
std::uintptr_t gWatchBegin = 0;
std::uintptr_t gWatchEnd = 0;

// Code ranges of the host stand-in libraries.
struct tRange {
  std::uintptr_t begin;
  std::uintptr_t end;
};
tRange gHostCode[16];
unsigned int gHostRanges = 0;
bool gHostFound = false;

const char* const kHostLibraries[] = {"libQEVPi.", "libQEVEvents.", "libQEVModule.", "libScaffo.",
                                      "libKorvo5."};

int noteHostLibrary(struct dl_phdr_info* info, std::size_t, void*) {
  const char* name = info->dlpi_name;
  if (name == nullptr) return 0;
  bool host = false;
  for (const char* library : kHostLibraries) {
    if (std::strstr(name, library) != nullptr) host = true;
  }
  if (!host) return 0;
  for (unsigned int i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)& segment = info->dlpi_phdr[i];
    if (segment.p_type != PT_LOAD || (segment.p_flags & PF_X) == 0) continue;
    if (gHostRanges == sizeof gHostCode / sizeof gHostCode[0]) return 1;
    const std::uintptr_t begin = info->dlpi_addr + segment.p_vaddr;
    gHostCode[gHostRanges++] = tRange{begin, begin + segment.p_memsz};
  }
  return 0;
}

tMemoryFigures::tSide& sideOf(const void* caller) {
  const std::uintptr_t at = reinterpret_cast<std::uintptr_t>(caller);
  for (unsigned int i = 0; i < gHostRanges; ++i) {
    if (at >= gHostCode[i].begin && at < gHostCode[i].end) return gFigures.host;
  }
  return gFigures.module;
}

void countAllocation(std::size_t size, const void* caller) {
  tMemoryFigures::tSide& side = sideOf(caller);
  ++side.allocations;
  side.allocatedBytes += size;
  if (size > side.largestAllocation) side.largestAllocation = size;
}

// Bytes of [at, at + size) inside the watched range.
std::uint64_t watched(const void* at, std::size_t size) {
  const std::uintptr_t begin = reinterpret_cast<std::uintptr_t>(at);
  const std::uintptr_t end = begin + size;
  const std::uintptr_t from = begin > gWatchBegin ? begin : gWatchBegin;
  const std::uintptr_t to = end < gWatchEnd ? end : gWatchEnd;
  return from < to ? to - from : 0;
}

void countCopy(const void* to, const void* from, std::size_t size, const void* caller) {
  tMemoryFigures::tSide& side = sideOf(caller);
  ++side.copies;
  side.copiedBytes += size;
  if (size > side.largestCopy) side.largestCopy = size;
  const std::uint64_t written = watched(to, size);
  side.watchedBytes += written != 0 ? written : watched(from, size);
}

void* allocate(std::size_t size, const void* caller) {
  if (gCounting) countAllocation(size, caller);
  void* p = std::malloc(size == 0 ? 1 : size);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}

typedef void* (*tCopyFn)(void*, const void*, std::size_t);
tCopyFn gMemcpy = nullptr;
tCopyFn gMemmove = nullptr;

// Before the C library's functions are looked up: a plain loop, which the
// compiler must not turn back into a call.
__attribute__((optimize("no-tree-loop-distribute-patterns"))) void* copyBytes(void* to,
                                                                              const void* from,
                                                                              std::size_t n) {
  unsigned char* d = static_cast<unsigned char*>(to);
  const unsigned char* s = static_cast<const unsigned char*>(from);
  if (d < s) {
    for (std::size_t i = 0; i < n; ++i) d[i] = s[i];
  } else {
    for (std::size_t i = n; i > 0; --i) d[i - 1] = s[i - 1];
  }
  return to;
}

tCopyFn lookUp(const char* name) { return reinterpret_cast<tCopyFn>(dlsym(RTLD_NEXT, name)); }

}  // namespace

tMemoryCount::tMemoryCount(const void* watchedRange, std::uint64_t watchedSize) {
  if (!gHostFound) {
    dl_iterate_phdr(noteHostLibrary, nullptr);
    gHostFound = true;
  }
  gFigures = tMemoryFigures();
  gWatchBegin = reinterpret_cast<std::uintptr_t>(watchedRange);
  gWatchEnd = gWatchBegin + watchedSize;
  gCounting = true;
}

tMemoryCount::~tMemoryCount() { gCounting = false; }

tMemoryFigures tMemoryCount::figures() const { return gFigures; }

// ---------------------------------------------------------------- replacements

extern "C" {

__attribute__((visibility("default"))) void* memcpy(void* to, const void* from,
                                                    std::size_t n) noexcept {
  if (gCounting) countCopy(to, from, n, __builtin_return_address(0));
  if (gMemcpy == nullptr) gMemcpy = lookUp("memcpy");
  return gMemcpy != nullptr ? gMemcpy(to, from, n) : copyBytes(to, from, n);
}

__attribute__((visibility("default"))) void* memmove(void* to, const void* from,
                                                     std::size_t n) noexcept {
  if (gCounting) countCopy(to, from, n, __builtin_return_address(0));
  if (gMemmove == nullptr) gMemmove = lookUp("memmove");
  return gMemmove != nullptr ? gMemmove(to, from, n) : copyBytes(to, from, n);
}

}  // extern "C"

void* operator new(std::size_t size) { return allocate(size, __builtin_return_address(0)); }
void* operator new[](std::size_t size) { return allocate(size, __builtin_return_address(0)); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
