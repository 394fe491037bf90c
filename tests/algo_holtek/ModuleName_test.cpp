#include <gtest/gtest.h>

#include "cK5AlgoProvider.h"
#include "cK5SimProgrammer.h"
#include "cMPDE.h"
#include "cModuleInfo.h"

namespace {

// This executable links Larkspur's algorithm and no other.
TEST(LarkspurModule, ProviderNamesItsModule) {
  cK5SimProgrammer::instance().reset();
  cMPDE mpde;
  cK5AlgoProvider provider(&mpde, "host name");
  EXPECT_EQ(provider.getModuleInfo()->getName(), "Larkspur");
  EXPECT_EQ(provider.getModuleName(), "host name");
}

}  // namespace
