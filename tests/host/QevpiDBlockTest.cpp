#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "piDBlock.h"
#include "piModuleAddr.h"

namespace {

std::vector<char> bytes(const piDBlock& b) {
  return std::vector<char>(b.getData(), b.getData() + b.getSize());
}

TEST(QevpiDBlock, ConstructorsGiveTheirSizes) {
  EXPECT_EQ(piDBlock().getSize(), 0u);
  EXPECT_EQ(piDBlock().getData(), nullptr);
  piDBlock owned(4);
  EXPECT_EQ(bytes(owned), (std::vector<char>{0, 0, 0, 0}));
  EXPECT_FALSE(owned.wrapsForeignMemory());

  char memory[3] = {1, 2, 3};
  piDBlock wrapped(memory, 3, piDBlock::muWrapForeign);
  EXPECT_EQ(wrapped.getData(), memory);
  EXPECT_TRUE(wrapped.wrapsForeignMemory());
  piDBlock copied(memory, 3, 0);
  EXPECT_NE(copied.getData(), memory);
  EXPECT_EQ(bytes(copied), (std::vector<char>{1, 2, 3}));

  piDBlock none(nullptr, 8, piDBlock::muWrapForeign);
  EXPECT_EQ(none.getSize(), 0u);
  owned.createData(0);
  EXPECT_EQ(owned.getSize(), 0u);
}

TEST(QevpiDBlock, CopiesAreIndependentOfTheirSource) {
  char memory[2] = {7, 8};
  piDBlock wrapped(memory, 2, piDBlock::muWrapForeign);
  piDBlock owned(2);
  owned.getData()[0] = 5;
  for (const piDBlock* source : {&wrapped, &owned}) {
    piDBlock byCopy(*source);
    piDBlock byAssign(1);
    byAssign = *source;
    const std::vector<char> original = bytes(*source);
    source->getData()[0] = 99;
    for (const piDBlock* copy : {&byCopy, &byAssign}) {
      EXPECT_NE(copy->getData(), source->getData());
      EXPECT_FALSE(copy->wrapsForeignMemory());
      EXPECT_EQ(bytes(*copy), original);
    }
  }
  piDBlock self(3);
  self.getData()[2] = 4;
  const piDBlock& alias = self;
  self = alias;
  EXPECT_EQ(bytes(self), (std::vector<char>{0, 0, 4}));
}

TEST(QevpiDBlock, WrappedMemoryIsNeverFreed) {
  // Stack memory: freeing it would be caught by the sanitizer run.
  char memory[4] = {1, 2, 3, 4};
  {
    piDBlock wrapped(memory, 4, piDBlock::muWrapForeign);
    wrapped.createData(2);  // leaves the caller's bytes alone
    EXPECT_FALSE(wrapped.wrapsForeignMemory());
  }
  {
    piDBlock wrapped(memory, 4, piDBlock::muWrapForeign);
    wrapped = piDBlock(1);
  }
  {
    piDBlock owner(3);
    owner.getData()[1] = 6;
    // A block may be assigned a block that wraps its own bytes.
    piDBlock view(owner.getData(), 3, piDBlock::muWrapForeign);
    owner = view;
    EXPECT_EQ(bytes(owner), (std::vector<char>{0, 6, 0}));
  }
  EXPECT_EQ(std::vector<char>(memory, memory + 4), (std::vector<char>{1, 2, 3, 4}));
}

TEST(QevpiModuleAddr, ComparesBothWords) {
  EXPECT_EQ(piModuleAddr(1, 2), piModuleAddr(1, 2));
  EXPECT_NE(piModuleAddr(1, 2), piModuleAddr(2, 1));
  EXPECT_NE(piModuleAddr(0, 1), piModuleAddr(0, 0));
  EXPECT_EQ(piModuleAddr(), piModuleAddr(0, 0));
}

}  // namespace
