#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "cKxHdwParam.h"
#include "frameIo.h"
#include "recordFrameTestUtil.h"

namespace {

cFpgaHdwImageCtrl image(const std::string& name, const std::string& kind, std::vector<char> bytes,
                        unsigned crc = 0) {
  piSubFrame sf;
  sf.addString(name);
  sf.addString(kind);
  sf.addBlock(bytes);
  sf.addUInt32(crc);
  cFpgaHdwImageCtrl img;
  receiveRecord(img, sf);
  return img;
}

// A file in the build tree that the test removes again.
class TempFile {
public:
  explicit TempFile(const std::string& content)
      : mPath(testing::TempDir() + "hdwimage_" +
              testing::UnitTest::GetInstance()->current_test_info()->name() + ".bin") {
    std::ofstream(mPath, std::ios::binary) << content;
  }
  ~TempFile() { std::remove(mPath.c_str()); }
  const std::string& path() const { return mPath; }

private:
  std::string mPath;
};

TEST(HdwParam, NewRecordSends123DefaultItems) {
  cKxHdwParam p(hptDefault);
  piSubFrame sf;
  ASSERT_TRUE(p >> sf);
  ASSERT_EQ(sf.itemCount(), 123u);
  EXPECT_EQ(sf.item(0).u32, 0u);
  EXPECT_EQ(sf.item(1).u32, 0u);
  for (unsigned slot = 0; slot < 24; ++slot) {
    const unsigned at = 2 + 4 * slot;
    EXPECT_EQ(sf.item(at).text, "");
    EXPECT_EQ(sf.item(at + 1).text, "");
    EXPECT_TRUE(sf.item(at + 2).bytes.empty());
    EXPECT_EQ(sf.item(at + 3).u32, 0u);
  }
  for (unsigned i = 98; i < 108; ++i) {
    EXPECT_EQ(sf.item(i).u32, 2000u) << i;
  }
  EXPECT_EQ(sf.item(108).u32, 0u);
  EXPECT_EQ(sf.item(109).text, "");
  EXPECT_EQ(sf.item(110).u8, 0);
  EXPECT_EQ(sf.item(111).i32, -1);
  EXPECT_EQ(sf.item(112).i32, -1);
  EXPECT_EQ(sf.item(113).i32, -1);
  const int delays[] = {2, 10, 1, 0};  // elements 1, 0, 2, 3
  for (unsigned i = 0; i < 4; ++i) {
    EXPECT_EQ(sf.item(114 + i).i32, delays[i]);
  }
  EXPECT_EQ(sf.item(118).text, "");
  EXPECT_EQ(sf.item(119).text, "");
  EXPECT_EQ(sf.item(120).i32, 0);
  EXPECT_EQ(sf.item(121).i32, 0);
  EXPECT_EQ(sf.item(122).u32, 888u);
}

TEST(HdwParam, DelayParametersTravelInElementOrder1023) {
  cKxHdwParam p(hptDefault);
  TAG_LPTDELAYPARAM d{{100, 101, 102, 103}};
  p.setLptDelayParam(d);
  piSubFrame sf;
  p >> sf;
  EXPECT_EQ(sf.item(114).i32, 101);
  EXPECT_EQ(sf.item(115).i32, 100);
  EXPECT_EQ(sf.item(116).i32, 102);
  EXPECT_EQ(sf.item(117).i32, 103);
}

TEST(HdwParam, ErrorIdsKeepTenAndReplaceTheLast) {
  cKxHdwParam p(hptDefault);
  for (unsigned id = 1; id <= 12; ++id) {
    p.setErrorId(id);
  }
  EXPECT_EQ(p.getErrorCount(), 10u);
  for (unsigned i = 0; i < 9; ++i) {
    EXPECT_EQ(p.getErrorId(i), i + 1);
  }
  EXPECT_EQ(p.getErrorId(9), 12u);
  EXPECT_EQ(p.getErrorId(10), 0u);
  p.resetErrorInfo();
  EXPECT_EQ(p.getErrorCount(), 0u);
  EXPECT_EQ(p.getErrorId(9), 2000u);
}

TEST(HdwParam, ReceivedErrorCountBeyondTheListIsClamped) {
  cKxHdwParam sent(hptDefault);
  piSubFrame sf;
  sent >> sf;
  std::vector<piSubFrame::Item> items = sf.items();
  // The same record with a forged error count (item 109).
  piSubFrame forged;
  for (std::size_t i = 0; i < items.size(); ++i) {
    piSubFrame::Item it = items[i];
    if (i == 108) it.u32 = 1000000u;
    appendItem(forged, it);
  }
  cKxHdwParam p(hptDefault);
  ASSERT_TRUE(p << forged);
  p.setErrorId(5);
  EXPECT_EQ(p.getErrorCount(), 10u);
  EXPECT_EQ(p.getErrorId(9), 5u);
}

TEST(HdwParam, KorvoMainType) {
  const std::pair<int, int> cases[] = {{-1, 1}, {0, 3}, {1, 3},   {4, 3},   {2, 4},  {3, 0},
                                       {7, 0},  {9, 9}, {11, 11}, {13, 13}, {14, 0}, {-2, 0}};
  for (const auto& k : cases) {
    cKxHdwParam p(hptDefault);
    p.setKrvProgrammerHdwId(k.first);
    EXPECT_EQ(p.getKorvoMainType(), k.second) << k.first;
  }
}

TEST(HdwParam, SlotsAndTheDummyImage) {
  cKxHdwParam p(hptDefault);
  EXPECT_EQ(p.addFpgaHdwImageCtrl(image("a", "HDW", {1})), 1u);
  EXPECT_EQ(p.addFpgaHdwImageCtrl(image("b", "HDW_CONTINUITY", {2, 2})), 2u);
  EXPECT_EQ(p.addFpgaHdwImageCtrl(image("c", "HDW", {3, 3, 3})), 3u);
  EXPECT_EQ(p.getFpgaHdwImageCtrl(0)->getFileName(), "a");
  EXPECT_EQ(p.getFpgaHdwImageCtrl(1)->getKindOfHdwImage(), "HDW_CONTINUITY");
  EXPECT_EQ(p.getFpgaHdwImageCtrl(2)->dbImage().getSize(), 3u);
  EXPECT_EQ(*p.getFpgaHdwImageCtrl(3), cFpgaHdwImageCtrl());
  EXPECT_EQ(*p.getFpgaHdwImageCtrl(4), cFpgaHdwImageCtrl());
  cFpgaHdwImageCtrl* dummy = p.getFpgaHdwImageCtrl(24);
  ASSERT_NE(dummy, nullptr);
  EXPECT_FALSE(dummy->isValid());
  EXPECT_EQ(p.getFpgaHdwImageCtrl(1000), dummy);
  piSubFrame sf;
  p >> sf;
  EXPECT_EQ(sf.itemCount(), 123u);
}

TEST(HdwParam, ImagesBeyondTwentyFourSlotsAreRefused) {
  cKxHdwParam p(hptDefault);
  for (unsigned i = 0; i < 24; ++i) {
    ASSERT_EQ(p.addFpgaHdwImageCtrl(image("i" + std::to_string(i), "HDW", {1})), i + 1);
  }
  EXPECT_EQ(p.addFpgaHdwImageCtrl(image("extra", "HDW", {9})), 24u);
  EXPECT_EQ(p.getFpgaHdwImageCount(), 24u);
  EXPECT_EQ(p.getFpgaHdwImageCtrl(23)->getFileName(), "i23");
  EXPECT_FALSE(p.getFpgaHdwImageCtrl(24)->isValid());

  std::vector<std::unique_ptr<cFpgaHdwImageCtrl>> owned;
  std::vector<cFpgaHdwImageCtrl*> list;
  for (unsigned i = 0; i < 30; ++i) {
    owned.emplace_back(new cFpgaHdwImageCtrl(image("l" + std::to_string(i), "HDW", {1})));
    list.push_back(owned.back().get());
  }
  p.setFpgaHdwImageLst(list);
  EXPECT_EQ(p.getFpgaHdwImageCount(), 24u);
  EXPECT_EQ(p.getFpgaHdwImageCtrl(0)->getFileName(), "l0");
  EXPECT_EQ(p.getFpgaHdwImageCtrl(23)->getFileName(), "l23");
  EXPECT_FALSE(p.getFpgaHdwImageCtrl(24)->isValid());
}

TEST(HdwParam, ImageListMayNameTheRecordsOwnSlots) {
  cKxHdwParam p(hptDefault);
  p.addFpgaHdwImageCtrl(image("a", "HDW", {1}));
  p.addFpgaHdwImageCtrl(image("b", "HDW_CONTINUITY", {2, 2}));
  std::vector<cFpgaHdwImageCtrl*> list = {p.getFpgaHdwImageCtrl(1), p.getFpgaHdwImageCtrl(0)};
  p.setFpgaHdwImageLst(list);
  EXPECT_EQ(p.getFpgaHdwImageCount(), 2u);
  EXPECT_EQ(p.getFpgaHdwImageCtrl(0)->getFileName(), "b");
  EXPECT_EQ(p.getFpgaHdwImageCtrl(0)->dbImage().getSize(), 2u);
  EXPECT_EQ(p.getFpgaHdwImageCtrl(1)->getFileName(), "a");
}

TEST(HdwParam, CopyIsDeep) {
  cKxHdwParam a(hptDefault);
  a.addFpgaHdwImageCtrl(image("a", "HDW", {1, 2}));
  a.setErrorId(3);
  a.LptPortAdr() = 0x3BC;
  cKxHdwParam b(a);
  piSubFrame sa, sb;
  a >> sa;
  b >> sb;
  EXPECT_EQ(sa, sb);
  a.getFpgaHdwImageCtrl(0)->dbImage().getData()[0] = 9;
  EXPECT_EQ(b.getFpgaHdwImageCtrl(0)->dbImage().getData()[0], 1);
}

TEST(FpgaHdwImage, ValidityAndEquality) {
  EXPECT_FALSE(image("a", "", {1}).isValid());
  EXPECT_FALSE(image("a", "HDW", {}).isValid());
  EXPECT_TRUE(image("a", "HDW", {1}).isValid());

  cFpgaHdwImageCtrl src = image("a", "HDW", {1, 2, 3}, 7);
  cFpgaHdwImageCtrl copy;
  copy = src;
  EXPECT_EQ(copy, src);
  src.dbImage().getData()[1] = 5;
  EXPECT_NE(copy, src);
  EXPECT_EQ(copy.dbImage().getData()[1], 2);
  EXPECT_NE(image("a", "HDW", {1}, 1), image("a", "HDW", {1}, 2));
  EXPECT_NE(image("a", "HDW", {1}), image("a", "HDW", {1, 0}));
}

TEST(FpgaHdwImage, GetcWalksTheBytes) {
  cFpgaHdwImageCtrl img = image("a", "HDW", {'\x01', '\xFF', '\x7F'});
  unsigned char end = 9;
  EXPECT_EQ(img.getc(end), 0x01u);
  EXPECT_EQ(end, 0);
  EXPECT_EQ(img.getc(end), 0xFFu);
  EXPECT_EQ(img.getc(end), 0x7Fu);
  EXPECT_EQ(end, 0);
  EXPECT_EQ(img.getc(end), 0u);
  EXPECT_EQ(end, 1);
  img.rewind();
  EXPECT_EQ(img.getc(end), 0x01u);
  EXPECT_EQ(end, 0);
  cFpgaHdwImageCtrl empty;
  EXPECT_EQ(empty.getc(end), 0u);
  EXPECT_EQ(end, 1);
}

TEST(FpgaHdwImage, ReadsImageFiles) {
  TempFile file(std::string("\x00\x01\x02\x03\x04", 5));
  unsigned char ok = 0;
  cFpgaHdwImageCtrl img(file.path(), "HDW", 0x1234, ok);
  EXPECT_EQ(ok, 1);
  EXPECT_EQ(img.getFileName(), file.path());
  EXPECT_EQ(img.getKindOfHdwImage(), "HDW");
  EXPECT_EQ(img.getRequiredCrc(), 0x1234u);
  ASSERT_EQ(img.dbImage().getSize(), 5u);
  EXPECT_EQ(img.dbImage().getData()[4], 4);

  ok = 1;
  cFpgaHdwImageCtrl missing(file.path() + ".none", "HDW", 5, ok);
  EXPECT_EQ(ok, 0);
  EXPECT_EQ(missing.getKindOfHdwImage(), "");
  EXPECT_EQ(missing.getRequiredCrc(), 0u);

  TempFile emptyFile("");
  piDBlock block(4);
  EXPECT_FALSE(cFpgaHdwImageCtrl::readfile(emptyFile.path(), block));
  EXPECT_EQ(block.getSize(), 0u);
  piDBlock block2(4);
  EXPECT_FALSE(cFpgaHdwImageCtrl::readfile("", block2));
  EXPECT_EQ(block2.getSize(), 0u);
  piDBlock block3;
  EXPECT_FALSE(cFpgaHdwImageCtrl::readfile(testing::TempDir(), block3));  // a directory

  // A file too large for a block's 32-bit size (sparse: it takes no room).
  TempFile huge("");
  std::filesystem::resize_file(huge.path(), 0x100000001ull);
  piDBlock block4(4);
  EXPECT_FALSE(cFpgaHdwImageCtrl::readfile(huge.path(), block4));
  EXPECT_EQ(block4.getSize(), 0u);

  cFpgaHdwImageCtrl keep = image("old", "HDW", {1});
  EXPECT_FALSE(keep.setdbImage(""));
  EXPECT_EQ(keep.getFileName(), "old");
}

TEST(FpgaHdwImage, ReadingAFifoDoesNotWaitForAWriter) {
  const std::string path = testing::TempDir() + "hdwimage_fifo";
  std::remove(path.c_str());
  ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
  piDBlock block(4);
  EXPECT_FALSE(cFpgaHdwImageCtrl::readfile(path, block));
  EXPECT_EQ(block.getSize(), 0u);
  std::remove(path.c_str());
}

}  // namespace
