#ifndef T_BENCH_CHECK_H
#define T_BENCH_CHECK_H

// A benchmark that measured something other than what it claims must not
// report a figure: it stops the program with the reason.

#include <cstdio>
#include <cstdlib>
#include <string>

inline void benchCheck(bool holds, const std::string& what) {
  if (holds) return;
  std::fprintf(stderr, "benchmark check failed: %s\n", what.c_str());
  std::fflush(stderr);
  std::abort();
}

#endif
