#include "k5SimTime.h"

#include <sys/time.h>

#include <cstdint>
#include <cstring>

#include "cK5SimProgrammer.h"

namespace {

const std::uint64_t kCyclesPerUs = 5;
const std::uint64_t kUsPerSecond = 1000000;

}  // namespace

// Replaces libc's in the program; exported, so that modules loaded with
// dlopen bind to it as well.
extern "C" __attribute__((visibility("default"))) int gettimeofday(struct timeval* __restrict now,
                                                                   void* __restrict zone) noexcept {
  const std::uint64_t us = cK5SimProgrammer::instance().nowCycles() / kCyclesPerUs;
  now->tv_sec = static_cast<time_t>(kK5SimEpochSeconds + us / kUsPerSecond);
  now->tv_usec = static_cast<suseconds_t>(us % kUsPerSecond);
  // As libc does: an asked-for time zone is all zero.
  if (zone != nullptr) std::memset(zone, 0, sizeof(struct timezone));
  return 0;
}
