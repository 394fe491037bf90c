#include <gtest/gtest.h>

#include <dlfcn.h>
#include <sys/time.h>

#include <cstring>

#include "cK5SimProgrammer.h"
#include "k5SimTime.h"
#include "tBench.h"

namespace {

const long long kEpochUs = kK5SimEpochSeconds * 1000000LL;

TEST(SimTimeOfDay, FollowsTheBusClockHereAndInLoadedModules) {
  tBench bench;
  cK5SimProgrammer& sim = bench.sim();
  void* probe = dlopen(LS_TIME_PROBE_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(probe, nullptr) << dlerror();
  typedef long long (*tRead)();
  tRead moduleTime = reinterpret_cast<tRead>(dlsym(probe, "probeTimeOfDayUs"));
  ASSERT_NE(moduleTime, nullptr) << dlerror();

  struct timeval now;
  ASSERT_EQ(gettimeofday(&now, nullptr), 0);
  EXPECT_EQ(now.tv_sec, kK5SimEpochSeconds);
  EXPECT_EQ(now.tv_usec, 0);
  EXPECT_EQ(moduleTime(), kEpochUs);

  // 1.5 s and 4 cycles: below a microsecond does not show.
  sim.advance(5 * 1500000 + 4);
  EXPECT_EQ(moduleTime(), kEpochUs + 1500000);
  struct timezone zone;
  std::memset(&zone, 0x5A, sizeof zone);
  ASSERT_EQ(gettimeofday(&now, &zone), 0);
  EXPECT_EQ(now.tv_sec, kK5SimEpochSeconds + 1);
  EXPECT_EQ(now.tv_usec, 500000);
  EXPECT_EQ(zone.tz_minuteswest, 0);
  EXPECT_EQ(zone.tz_dsttime, 0);

  sim.reset();
  EXPECT_EQ(moduleTime(), kEpochUs);
  EXPECT_EQ(dlclose(probe), 0);
}

}  // namespace
