#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cDTFrame.h"
#include "piDBlock.h"
#include "piSubFrame.h"

namespace {

// A record with one field of every item type.
struct tAllTypes {
  unsigned int u = 0;
  int i = 0;
  unsigned char c = 0;
  std::string s;
  piDBlock b;

  void list(cDTFrame& frame) {
    frame.add(&u, true);
    frame.add(&i, true);
    frame.add(&c, true);
    frame.add(&s, true);
    frame.add(&b, true);
  }
};

piSubFrame allTypesFrame() {
  piSubFrame f;
  f.addUInt32(0xCAFEBABEu);
  f.addInt32(-5);
  f.addUInt8(200);
  f.addString("hello");
  f.addBlock("xyz", 3);
  return f;
}

std::vector<char> blockBytes(const piDBlock& b) {
  return std::vector<char>(b.getData(), b.getData() + b.getSize());
}

TEST(QevpiSubFrame, StoresEveryTypeInOrder) {
  tAllTypes r;
  cDTFrame frame;
  r.list(frame);
  EXPECT_TRUE(allTypesFrame().storeToFrame(&frame));
  EXPECT_EQ(r.u, 0xCAFEBABEu);
  EXPECT_EQ(r.i, -5);
  EXPECT_EQ(r.c, 200);
  EXPECT_EQ(r.s, "hello");
  EXPECT_EQ(blockBytes(r.b), (std::vector<char>{'x', 'y', 'z'}));
}

TEST(QevpiSubFrame, TypeMismatchPartWayKeepsEarlierFieldsAndStops) {
  piSubFrame f;
  f.addUInt32(7);
  f.addString("not a number");
  f.addUInt8(3);
  unsigned int a = 0, b = 11;
  unsigned char c = 22;
  cDTFrame frame;
  frame.add(&a, true);
  frame.add(&b, true);
  frame.add(&c, true);
  EXPECT_FALSE(f.storeToFrame(&frame));
  EXPECT_EQ(a, 7u);
  EXPECT_EQ(b, 11u);
  EXPECT_EQ(c, 22);  // nothing after the mismatch
}

TEST(QevpiSubFrame, ListsOfDifferentLengthStoreTheCommonPartAndFail) {
  const struct {
    int subFrameItems;
    int frameFields;
    bool result;
  } cases[] = {{3, 3, true},  {3, 2, false}, {2, 3, false},
               {0, 1, false}, {1, 0, false}, {0, 0, true}};
  for (const auto& c : cases) {
    piSubFrame f;
    for (int k = 0; k < c.subFrameItems; ++k) f.addInt32(100 + k);
    int fields[3] = {-1, -1, -1};
    cDTFrame frame;
    for (int k = 0; k < c.frameFields; ++k) frame.add(&fields[k], true);
    EXPECT_EQ(f.storeToFrame(&frame), c.result) << c.subFrameItems << "/" << c.frameFields;
    for (int k = 0; k < 3; ++k) {
      const bool stored = k < c.subFrameItems && k < c.frameFields;
      EXPECT_EQ(fields[k], stored ? 100 + k : -1) << c.subFrameItems << "/" << c.frameFields;
    }
  }
  EXPECT_FALSE(piSubFrame().storeToFrame(nullptr));
}

TEST(QevpiSubFrame, WrappedBlockTakesExactlyItsOwnSize) {
  const struct {
    std::vector<char> received;
    bool result;
  } cases[] = {{{1, 2, 3}, false}, {{1, 2, 3, 4, 5}, false}, {{}, false}, {{9, 8, 7, 6}, true}};
  for (const auto& c : cases) {
    char memory[6] = {'a', 'b', 'c', 'd', '#', '#'};
    piDBlock wrapped(memory, 4, piDBlock::muWrapForeign);
    unsigned int before = 5;
    cDTFrame frame;
    frame.add(&before, true);
    frame.add(&wrapped, true);
    piSubFrame f;
    f.addUInt32(42);
    f.addBlock(c.received);
    EXPECT_EQ(f.storeToFrame(&frame), c.result) << c.received.size();
    EXPECT_EQ(before, 42u);
    const std::vector<char> expected = c.result ? std::vector<char>{9, 8, 7, 6, '#', '#'}
                                                : std::vector<char>{'a', 'b', 'c', 'd', '#', '#'};
    EXPECT_EQ(std::vector<char>(memory, memory + 6), expected) << c.received.size();
    // Still the caller's memory, same size.
    EXPECT_EQ(wrapped.getData(), memory);
    EXPECT_EQ(wrapped.getSize(), 4u);
  }
}

TEST(QevpiSubFrame, OwningBlockTakesTheReceivedSize) {
  const struct {
    unsigned int ownSize;
    std::vector<char> received;
  } cases[] = {{0, {1, 2, 3}}, {2, {4, 5, 6, 7, 8}}, {6, {9}}, {4, {}}};
  for (const auto& c : cases) {
    piDBlock block(c.ownSize);
    cDTFrame frame;
    frame.add(&block, true);
    piSubFrame f;
    f.addBlock(c.received);
    EXPECT_TRUE(f.storeToFrame(&frame));
    EXPECT_EQ(blockBytes(block), c.received) << c.ownSize;
    EXPECT_FALSE(block.wrapsForeignMemory());
  }
}

TEST(QevpiSubFrame, LoadFromFrameReplacesContentWithCopies) {
  tAllTypes r;
  r.u = 1;
  r.i = -2;
  r.c = 3;
  r.s = "four";
  r.b.createData(2);
  r.b.getData()[0] = 5;
  r.b.getData()[1] = 6;
  cDTFrame frame;
  r.list(frame);
  piSubFrame f = allTypesFrame();
  f.addUInt8(1);  // old content must go
  EXPECT_TRUE(f.loadFromFrame(&frame));

  r.s = "changed";
  r.b.getData()[0] = 0;
  piSubFrame expected;
  expected.addUInt32(1);
  expected.addInt32(-2);
  expected.addUInt8(3);
  expected.addString("four");
  expected.addBlock(std::vector<char>{5, 6});
  EXPECT_EQ(f, expected);
}

TEST(QevpiSubFrame, SizeCountsPayloadBytes) {
  EXPECT_EQ(piSubFrame().getSize(), 0u);
  EXPECT_EQ(allTypesFrame().getSize(), 4u + 4u + 1u + 5u + 3u);
  piSubFrame empties;
  empties.addString("");
  empties.addBlock(nullptr, 0);
  EXPECT_EQ(empties.getSize(), 0u);
  EXPECT_EQ(empties.itemCount(), 2u);
}

TEST(QevpiSubFrame, RoundTripThroughFieldsKeepsEverything) {
  tAllTypes source;
  source.u = 0xFFFFFFFFu;
  source.i = -2147483647 - 1;
  source.c = 0;
  source.s = std::string("a\0b", 3);
  cDTFrame out;
  source.list(out);
  piSubFrame f;
  ASSERT_TRUE(f.loadFromFrame(&out));

  tAllTypes target;
  target.b.createData(9);
  cDTFrame in;
  target.list(in);
  EXPECT_TRUE(f.storeToFrame(&in));
  EXPECT_EQ(target.u, source.u);
  EXPECT_EQ(target.i, source.i);
  EXPECT_EQ(target.s, source.s);
  EXPECT_EQ(target.b.getSize(), 0u);
}

}  // namespace
