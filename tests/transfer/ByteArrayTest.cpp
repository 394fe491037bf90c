#include <gtest/gtest.h>

#include <iostream>
#include <memory>
#include <string>

#include "tByteArray.h"
#include "tByteArrayInfo.h"
#include "tLineTap.h"

namespace {

TEST(ByteArray, StartVersionDependsOnSourceLocation) {
  struct Case {
    tByteArray::eSourceLocation loc;
    unsigned expectedVersion;
  };
  for (Case k : {Case{tByteArray::slModule, 0xFF}, Case{tByteArray::slHost, 0x101},
                 Case{tByteArray::slNone, 0x101}}) {
    tByteArray b(k.loc, 16, 0xFF, 3);
    EXPECT_EQ(b.getVersionOfChanges(), k.expectedVersion) << k.loc;
    EXPECT_EQ(b.GetSize(), 16u);
    EXPECT_EQ(b.getBufferId(), 3);
    EXPECT_FALSE(b.hasMemoryMap());
    for (unsigned i = 0; i < 16; ++i) {
      EXPECT_EQ(b.GetAt(i), 0xFF);
    }
  }
}

TEST(ByteArray, EveryChangeCountsOnceDownForModuleUpForHost) {
  struct Case {
    tByteArray::eSourceLocation loc;
    int step;
  };
  for (Case k : {Case{tByteArray::slModule, -1}, Case{tByteArray::slHost, +1}}) {
    SCOPED_TRACE(k.loc);
    tByteArray b(k.loc, 16, 0x10, 1);
    unsigned v = b.getVersionOfChanges();
    auto expectMoved = [&](int changes) {
      v += static_cast<unsigned>(changes * k.step);
      EXPECT_EQ(b.getVersionOfChanges(), v);
    };
    b.getDataUnConst();
    b.getDataUnConst();
    b.getDataUnConst();
    expectMoved(3);
    b.getDataConst();
    b.getConstDataForLegacyAlgos();
    b.GetAt(2);
    expectMoved(0);
    b.getUnConstDataForLegacyAlgos();
    expectMoved(1);
    EXPECT_TRUE(b.SetAt(15, 7));
    expectMoved(1);
    EXPECT_FALSE(b.SetAt(16, 7));
    expectMoved(0);
    EXPECT_TRUE(b.fillBuffer(0, 15, 1));
    expectMoved(1);
    EXPECT_FALSE(b.fillBuffer(0, 16, 1));
    EXPECT_FALSE(b.fillBuffer(5, 4, 1));
    expectMoved(0);
    const unsigned char four[4] = {1, 2, 3, 4};
    EXPECT_TRUE(b.setDataBuffer(four, 4, 0, 0));
    expectMoved(1);
  }
}

TEST(ByteArray, ModuleVersionWrapsBelowZero) {
  tByteArray b(tByteArray::slModule, 1, 0, 0);
  EXPECT_EQ(b.getVersionOfChanges(), 0u);
  b.getDataUnConst();
  EXPECT_EQ(b.getVersionOfChanges(), 0xFFFFFFFFu);
}

TEST(ByteArray, SetVersionIgnoresZero) {
  tByteArray b(tByteArray::slHost, 4, 0, 0);
  b.setVersionOfChanges(0);
  EXPECT_EQ(b.getVersionOfChanges(), 2u);
  b.setVersionOfChanges(7);
  EXPECT_EQ(b.getVersionOfChanges(), 7u);
}

TEST(ByteArray, SetDataBufferAcceptsOnlyWindowsInside) {
  tByteArray b(tByteArray::slModule, 16, 0, 0);
  const unsigned char data[4] = {0xA1, 0xA2, 0xA3, 0xA4};
  ASSERT_TRUE(b.setDataBuffer(data, 4, 5, 12));
  EXPECT_EQ(b.getVersionOfChanges(), 5u);  // set, not counted
  EXPECT_EQ(b.GetAt(12), 0xA1);
  EXPECT_EQ(b.GetAt(15), 0xA4);

  EXPECT_EQ(linesOf(std::cerr, [&] { EXPECT_FALSE(b.setDataBuffer(data, 4, 9, 13)); }),
            (tLines{"PIDBG: !!! Critical error !!! tByteArray::setDataBuffer(...) : wrong "
                    "parameters of \"size\" and/or \"offset\" !!!",
                    "PIDBG: !!! Critical error !!! buffer size = 10, size = 4, offset = d"}));
  EXPECT_EQ(b.getVersionOfChanges(), 5u);
  EXPECT_EQ(b.GetAt(12), 0xA1);

  // Offsets whose sum with the length wraps around must not pass.
  tLineTap quiet(std::cerr);
  EXPECT_FALSE(b.setDataBuffer(data, 4, 0, 0xFFFFFFFEu));
  EXPECT_FALSE(b.setDataBuffer(data, 17, 0, 0));
  EXPECT_FALSE(b.setDataBuffer(data, 0, 0, 16));
}

TEST(ByteArray, FillBufferSetsTheInclusiveRange) {
  tByteArray b(tByteArray::slHost, 8, 0, 0);
  ASSERT_TRUE(b.fillBuffer(2, 4, 0xC3));
  for (unsigned i = 0; i < 8; ++i) {
    EXPECT_EQ(b.GetAt(i), (i >= 2 && i <= 4) ? 0xC3 : 0) << i;
  }
  ASSERT_TRUE(b.fillBuffer(0, 7, 0x5A));
  for (unsigned i = 0; i < 8; ++i) {
    EXPECT_EQ(b.GetAt(i), 0x5A) << i;
  }
  EXPECT_FALSE(b.fillBuffer(0, 8, 0));
  EXPECT_EQ(b.GetAt(7), 0x5A);
}

TEST(ByteArray, CopyAndAssignmentAreDeep) {
  tByteArray small(tByteArray::slHost, 4, 0x11, 9);
  small.addMemoryMapItem(tByteArrayInfo());
  tByteArray big(tByteArray::slModule, 16, 0, 1);
  big = small;
  EXPECT_EQ(big.GetSize(), 4u);
  EXPECT_EQ(big.getBufferId(), 9);
  EXPECT_EQ(big.getSourceLocation(), tByteArray::slHost);
  EXPECT_EQ(big.getVersionOfChanges(), small.getVersionOfChanges());
  EXPECT_EQ(big.getMemoryMap(), small.getMemoryMap());
  EXPECT_NE(big.getDataConst(), small.getDataConst());
  small.SetAt(0, 0x22);
  EXPECT_EQ(big.GetAt(0), 0x11);
  EXPECT_EQ(big.GetAt(4), 0);

  tByteArray copy(big);
  big.getMemoryMap().erase();
  EXPECT_EQ(copy.getMemoryMap().size(), 1u);

  const unsigned before = copy.getVersionOfChanges();
  const unsigned char* bytes = copy.getDataConst();
  copy = copy;
  EXPECT_EQ(copy.getDataConst(), bytes);
  EXPECT_EQ(copy.getVersionOfChanges(), before);
}

TEST(ByteArray, RemoveAllKeepsSizeAndRefusesByteAccess) {
  tByteArray b(tByteArray::slHost, 8, 0x33, 0);
  b.RemoveAll();
  EXPECT_EQ(b.GetSize(), 8u);
  EXPECT_EQ(b.getDataConst(), nullptr);
  EXPECT_EQ(b.GetAt(0), 0);
  EXPECT_FALSE(b.SetAt(0, 1));
  EXPECT_FALSE(b.fillBuffer(0, 7, 1));
  const unsigned char one = 1;
  {
    tLineTap quiet(std::cerr);
    EXPECT_FALSE(b.setDataBuffer(&one, 1, 0, 0));
  }
  tByteArray copy(b);
  EXPECT_EQ(copy.getDataConst(), nullptr);
}

TEST(ByteArray, MemoryMapItemsTakeTheBuffersLocationAndId) {
  tByteArray b(tByteArray::slModule, 16, 0, 3);
  tByteArrayInfo item;  // location 0, id -1
  ASSERT_TRUE(b.addMemoryMapItem(item));
  EXPECT_EQ(item.getId(), -1);
  EXPECT_EQ(item.getSourceLocation(), tByteArray::slNone);
  ASSERT_TRUE(b.hasMemoryMap());
  EXPECT_EQ(b.getMemoryMap().get(0)->getId(), 3);
  EXPECT_EQ(b.getMemoryMap().get(0)->getSourceLocation(), tByteArray::slModule);

  cByteArrayInfoVct map;
  std::unique_ptr<tByteArrayInfo> p(new tByteArrayInfo);
  map.push_back(p);
  EXPECT_FALSE(p);
  map.push_back(p);  // empty pointer ignored
  ASSERT_EQ(map.size(), 1u);
  EXPECT_EQ(map.get(1), nullptr);
  tByteArray other(tByteArray::slHost, 4, 0, 8);
  ASSERT_TRUE(other.setMemoryMap(map));
  EXPECT_EQ(other.getMemoryMap().get(0)->getId(), 8);
  EXPECT_EQ(map.get(0)->getId(), -1);
}

}  // namespace
