#include <gtest/gtest.h>

#include "moduleNameTestSupport.h"

namespace {

// This executable links Larkspur's algorithm and no other.
TEST(LarkspurModule, ProviderNamesItsModule) { expectProviderNamesModule("Larkspur"); }

}  // namespace
