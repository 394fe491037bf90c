#include <sys/time.h>

// Reads the time of day as a module does: through libc's name, bound when
// the module is loaded.
extern "C" __attribute__((visibility("default"))) long long probeTimeOfDayUs() {
  struct timeval now;
  gettimeofday(&now, nullptr);
  return static_cast<long long>(now.tv_sec) * 1000000 + now.tv_usec;
}
