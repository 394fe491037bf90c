#include <gtest/gtest.h>

#include "cK5AlgoProvider.h"
#include "cMPDE.h"
#include "cModuleInfo.h"
#include "tBench.h"

namespace {

// This executable links Larkspur's algorithm and no other.
TEST(LarkspurModule, ProviderNamesItsModule) {
  tBench bench;
  cMPDE mpde;
  cK5AlgoProvider provider(&mpde, "host name");
  EXPECT_EQ(provider.getModuleInfo()->getName(), "Larkspur");
  EXPECT_EQ(provider.getModuleName(), "host name");
}

}  // namespace
