#include "tBenchSetup.h"

#include <benchmark/benchmark.h>

namespace {

tBenchSetup* gSetup = nullptr;
std::string gSetupName;

void release() {
  delete gSetup;
  gSetup = nullptr;
  gSetupName.clear();
}

}  // namespace

tBenchSetup& benchSetup(const std::string& name, const std::function<tBenchSetup*()>& make) {
  if (gSetup == nullptr || gSetupName != name) {
    release();
    gSetup = make();
    gSetupName = name;
  }
  return *gSetup;
}

int runBenchmarks(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  release();
  return 0;
}
