#ifndef T_MEMORY_COUNT_H
#define T_MEMORY_COUNT_H

// Heap allocations (the program's global operator new) and byte copies
// (memcpy, memmove) made while a count runs, split by the caller: the host
// stand-in libraries (libQEVPi, libQEVEvents, libQEVModule, libScaffo,
// libKorvo5), or the rest of the process, which during a slot call is the
// module (its code is linked into the benchmark program) and the C++ library
// working for it. The C++ library's work for a host library counts as the
// module's: the split errs towards the module.
//
// A count may watch one memory range, e.g. a buffer of the module: copies
// into or out of it are told apart from the rest (records, names, the host's
// own bookkeeping).
//
// Linking tMemoryCount.cpp into a program replaces its operator new and its
// memcpy and memmove; one count runs at a time.

#include <cstdint>

struct tMemoryFigures {
  struct tSide {
    std::uint64_t allocations = 0;
    std::uint64_t allocatedBytes = 0;
    std::uint64_t largestAllocation = 0;
    std::uint64_t copies = 0;
    std::uint64_t copiedBytes = 0;
    std::uint64_t largestCopy = 0;
    // Of copiedBytes, those written into or read out of the watched range.
    std::uint64_t watchedBytes = 0;
  };
  tSide module;
  tSide host;
};

class tMemoryCount {
public:
  explicit tMemoryCount(const void* watched = nullptr, std::uint64_t watchedSize = 0);
  ~tMemoryCount();
  tMemoryCount(const tMemoryCount&) = delete;
  tMemoryCount& operator=(const tMemoryCount&) = delete;

  // What was counted so far.
  tMemoryFigures figures() const;
};

#endif
