#ifndef MODULE_NAME_TEST_SUPPORT_H
#define MODULE_NAME_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <string>

#include "cK5AlgoProvider.h"
#include "cMPDE.h"
#include "cModuleInfo.h"
#include "tBench.h"

// The provider of the one algorithm this executable links names that
// algorithm's module, and keeps the host's name for itself apart.
inline void expectProviderNamesModule(const std::string& module) {
  tBench bench;
  cMPDE mpde;
  cK5AlgoProvider provider(&mpde, "host name");
  EXPECT_EQ(provider.getModuleInfo()->getName(), module);
  EXPECT_EQ(provider.getModuleName(), "host name");
}

#endif
