#include <gtest/gtest.h>

#include "moduleNameTestSupport.h"

namespace {

// This executable links Sorrel's algorithm and no other.
TEST(SorrelModule, ProviderNamesItsModule) { expectProviderNamesModule("Sorrel"); }

}  // namespace
