#include <gtest/gtest.h>

#include <iostream>
#include <string>
#include <vector>

#include "tByteArray.h"
#include "tByteArrayInfo.h"
#include "tLineTap.h"

namespace {

tByteArrayInfo window(tByteArray::eSourceLocation loc, eCmdType cmd, unsigned start, unsigned size,
                      unsigned version = 0, int id = 4) {
  return tByteArrayInfo(loc, cmd, start, size, version, id, 0, 8, btiDefault, "n", "f");
}

piSubFrame blockOf(std::vector<char> bytes) {
  piSubFrame sf;
  sf.addBlock(bytes);
  return sf;
}

TEST(ByteArrayInfo, UnitsConvertToBytes) {
  struct Case {
    unsigned org, start, size, startBytes, sizeBytes;
  };
  for (Case k : {Case{8, 5, 7, 5, 7}, Case{16, 0x100, 0x80, 0x200, 0x100}, Case{1, 16, 12, 2, 1},
                 Case{16, 0x80000000u, 1, 0, 2},
                 // Byte counts of 512 MiB and more pass org 8 unchanged.
                 Case{8, 0xFFFFFFFCu, 0x30000000u, 0xFFFFFFFCu, 0x30000000u},
                 Case{16, 0x10000000u, 0x7FFFFFFFu, 0x20000000u, 0xFFFFFFFEu},
                 Case{1, 0xFFFFFFFFu, 0x80000000u, 0x1FFFFFFFu, 0x10000000u}}) {
    tByteArrayInfo r(tByteArray::slHost, ctFullData, k.start, k.size, 0, 0, 0, k.org, btiDefault,
                     "", "");
    EXPECT_EQ(r.getStartAddr(), k.startBytes) << k.org;
    EXPECT_EQ(r.getSize(), k.sizeBytes) << k.org;
    EXPECT_EQ(r.getInitByteOrgInfo(), k.org);
  }
}

TEST(ByteArrayInfo, CommandNamesAndKinds) {
  struct Case {
    int cmd;
    const char* name;
    bool transfer, end;
  };
  const Case cases[] = {{0, "ctNo", false, false},
                        {1, "ctDeleteAllBuffers", false, false},
                        {2, "ctCreateOnly", false, false},
                        {3, "ctInfoOnly", false, false},
                        {4, "ctFullData", true, true},
                        {5, "ctPartData", true, false},
                        {6, "ctLastPartData", true, true},
                        {7, "ctMemoryMapInfo", false, false},
                        {8, "ctSerialNumberRecord", true, true},
                        {9, "Undefined", false, false},
                        {-1, "Undefined", false, false}};
  for (const Case& k : cases) {
    tByteArrayInfo r = window(tByteArray::slHost, static_cast<eCmdType>(k.cmd), 0, 1);
    EXPECT_EQ(r.CmdTypeToString(), k.name) << k.cmd;
    EXPECT_EQ(r.isTransferCmd(), k.transfer) << k.cmd;
    EXPECT_EQ(r.isTransferEnd(), k.end) << k.cmd;
  }
}

TEST(ByteArrayInfo, DescribesAWholeBuffer) {
  tByteArray b(tByteArray::slModule, 4096, 0x20, 6);
  tByteArrayInfo r(b);
  EXPECT_EQ(r.getCmdType(), ctInfoOnly);
  EXPECT_EQ(r.getStartAddr(), 0u);
  EXPECT_EQ(r.getSize(), 4096u);
  EXPECT_EQ(r.getInitByteOrgInfo(), 8u);
  EXPECT_EQ(r.getId(), 6);
  EXPECT_EQ(r.getVersionOfChanges(), 0x20u);
  EXPECT_EQ(r.getSourceLocation(), tByteArray::slModule);
  EXPECT_EQ(r.getName(), "unknown");
  EXPECT_EQ(r.getFlags(), "unknown");
}

TEST(ByteArrayInfo, FailedReceiveKeepsTheRecord) {
  tByteArrayInfo r = window(tByteArray::slHost, ctFullData, 1, 2, 3);
  const tByteArrayInfo before(r);
  piSubFrame wrong;
  wrong.addUInt32(4);
  wrong.addString("not a start address");
  EXPECT_FALSE(r << wrong);
  EXPECT_EQ(r, before);
}

TEST(ByteArrayInfo, WindowsAreNotPartOfEquality) {
  tByteArray b(tByteArray::slHost, 8, 0, 0);
  tByteArrayInfo a = window(tByteArray::slHost, ctFullData, 0, 8);
  tByteArrayInfo c(a);
  piSubFrame out;
  ASSERT_TRUE(a.prepareSfToSendByteArray(b, out));
  EXPECT_EQ(a, c);
}

TEST(ByteArrayInfo, ReceiveWindowLimits) {
  struct Case {
    const char* what;
    tByteArrayInfo record;
    bool ok;
    tLines log;
  };
  const tLines small = {"PIDBG: tByteArrayInfo: Error: Buffer too small to receive data."};
  const Case cases[] = {
      {"ends at the buffer's end", window(tByteArray::slHost, ctPartData, 12, 4), true, {}},
      {"one byte further", window(tByteArray::slHost, ctPartData, 13, 4), false, small},
      {"start past the end", window(tByteArray::slHost, ctPartData, 16, 1), false, small},
      {"start plus size wraps", window(tByteArray::slHost, ctPartData, 0xFFFFFFFCu, 8), false,
       small},
      {"location 0",
       window(tByteArray::slNone, ctFullData, 0, 4),
       false,
       {"PIDBG: tByteArrayInfo: Error: Invalid source location to make DTFrame for ByteArray."}},
      {"no transfer command",
       window(tByteArray::slHost, ctMemoryMapInfo, 0, 4),
       false,
       {"PIDBG: tByteArrayInfo: Error: Invalid CmdType to make DTFrame for ByteArray."}},
      {"size 0",
       window(tByteArray::slHost, ctFullData, 0, 0),
       false,
       {"PIDBG: tByteArrayInfo: Error: Invalid iSize for buffer DTFrame."}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    tByteArray b(tByteArray::slModule, 16, 0, 0);
    tByteArrayInfo r(k.record);
    const unsigned n = r.getSize();
    const piSubFrame data = blockOf(std::vector<char>(n, 0x5A));
    bool ok = false;
    EXPECT_EQ(linesOf(std::cerr, [&] { ok = r.prepareSfToReceiveByteArray(b, data); }), k.log);
    EXPECT_EQ(ok, k.ok);
    EXPECT_EQ(b.getVersionOfChanges(), k.ok ? 0xFFFFFFFFu : 0u);
    for (unsigned i = 0; i < 16; ++i) {
      EXPECT_EQ(b.GetAt(i), (k.ok && i >= 12) ? 0x5A : 0) << i;
    }
  }
}

TEST(ByteArrayInfo, SendWindowLimits) {
  tByteArray b(tByteArray::slModule, 16, 0, 0);
  b.SetAt(15, 0x77);
  const unsigned version = b.getVersionOfChanges();
  piSubFrame out;
  ASSERT_TRUE(window(tByteArray::slHost, ctFullData, 14, 2).prepareSfToSendByteArray(b, out));
  ASSERT_EQ(out.itemCount(), 1u);
  EXPECT_EQ(out.item(0).bytes, (std::vector<char>{0, 0x77}));
  EXPECT_EQ(b.getVersionOfChanges(), version);

  for (unsigned start : {15u, 0xFFFFFFFFu}) {
    piSubFrame untouched = blockOf({1});
    tByteArrayInfo r = window(tByteArray::slHost, ctFullData, start, 2);
    EXPECT_EQ(linesOf(std::cerr, [&] { EXPECT_FALSE(r.prepareSfToSendByteArray(b, untouched)); }),
              tLines{"PIDBG: tByteArrayInfo: Error: Buffer too small to send data."});
    EXPECT_EQ(untouched, blockOf({1}));
  }
}

// A record as the host sends it: start and size in bytes, as they stand.
tByteArrayInfo fromHost(eCmdType cmd, unsigned start, unsigned size) {
  piSubFrame sf;
  sf.addUInt32(cmd);
  sf.addUInt32(start);
  sf.addUInt32(size);
  sf.addUInt32(0);
  sf.addInt32(4);
  sf.addUInt8(0);
  sf.addUInt32(tByteArray::slHost);
  sf.addUInt32(8);
  sf.addUInt32(0);
  sf.addString("n");
  sf.addString("f");
  tByteArrayInfo r;
  EXPECT_TRUE(r << sf);
  return r;
}

TEST(ByteArrayInfo, HostWindowWhoseEndWrapsIsRefused) {
  struct Case {
    unsigned start, size;
  };
  for (Case k : {Case{0xFFFFFFFCu, 8}, Case{0xFFFFFFFFu, 2}, Case{1, 0xFFFFFFFFu}}) {
    SCOPED_TRACE(k.start);
    tByteArray b(tByteArray::slModule, 16, 0, 0);
    tByteArrayInfo r = fromHost(ctFullData, k.start, k.size);
    // Summed in 32 bits the end would look like a place inside the buffer.
    ASSERT_LT(r.getTotalSize(), 16u);

    const piSubFrame data = blockOf(std::vector<char>(8, 0x5A));
    EXPECT_EQ(linesOf(std::cerr, [&] { EXPECT_FALSE(r.prepareSfToReceiveByteArray(b, data)); }),
              tLines{"PIDBG: tByteArrayInfo: Error: Buffer too small to receive data."});
    EXPECT_EQ(b.getVersionOfChanges(), 0u);
    EXPECT_EQ(b.getBufferId(), 0);

    piSubFrame untouched = blockOf({1});
    EXPECT_EQ(linesOf(std::cerr, [&] { EXPECT_FALSE(r.prepareSfToSendByteArray(b, untouched)); }),
              tLines{"PIDBG: tByteArrayInfo: Error: Buffer too small to send data."});
    EXPECT_EQ(untouched, blockOf({1}));
  }
}

TEST(ByteArrayInfo, WrongSizedDataIsReportedAndLeavesTheBuffer) {
  tByteArray b(tByteArray::slHost, 16, 0, 0);
  tByteArrayInfo r = window(tByteArray::slHost, ctFullData, 0, 4, 9, 5);
  const piSubFrame data = blockOf({1, 2, 3});
  EXPECT_EQ(linesOf(std::cerr, [&] { EXPECT_FALSE(r.prepareSfToReceiveByteArray(b, data)); }),
            tLines{"PIDBG: tByteArrayInfo: Error: storeToFrame failed."});
  EXPECT_EQ(b.GetAt(0), 0);
  EXPECT_EQ(b.getBufferId(), 0);           // not stamped
  EXPECT_EQ(b.getVersionOfChanges(), 3u);  // only the counted change
}

TEST(ByteArrayInfo, HostPartsStampIdAndTheLastPartTheVersion) {
  tByteArray b(tByteArray::slHost, 8, 0, 0);
  const unsigned start = b.getVersionOfChanges();
  ASSERT_TRUE(window(tByteArray::slHost, ctPartData, 0, 4, 40, 7)
                  .prepareSfToReceiveByteArray(b, blockOf({1, 2, 3, 4})));
  EXPECT_EQ(b.getBufferId(), 7);
  EXPECT_EQ(b.getVersionOfChanges(), start + 1);
  ASSERT_TRUE(window(tByteArray::slHost, ctLastPartData, 4, 4, 40, 7)
                  .prepareSfToReceiveByteArray(b, blockOf({5, 6, 7, 8})));
  EXPECT_EQ(b.getVersionOfChanges(), 40u);
  for (unsigned i = 0; i < 8; ++i) {
    EXPECT_EQ(b.GetAt(i), i + 1);
  }
  // A version of 0 leaves the buffer's own count.
  ASSERT_TRUE(window(tByteArray::slHost, ctFullData, 0, 8, 0, 7)
                  .prepareSfToReceiveByteArray(b, blockOf(std::vector<char>(8, 0))));
  EXPECT_EQ(b.getVersionOfChanges(), 41u);
}

TEST(ByteArrayInfo, ModuleLocationLeavesIdAndVersion) {
  tByteArray b(tByteArray::slModule, 4, 0x10, 2);
  ASSERT_TRUE(window(tByteArray::slModule, ctFullData, 0, 4, 99, 5)
                  .prepareSfToReceiveByteArray(b, blockOf({9, 9, 9, 9})));
  EXPECT_EQ(b.getBufferId(), 2);
  EXPECT_EQ(b.getVersionOfChanges(), 0x0Fu);
  EXPECT_EQ(b.GetAt(3), 9);
}

TEST(ByteArrayInfo, SerialNumberWindowStartsAtZero) {
  tByteArray b(tByteArray::slModule, 4, 0, 0);
  b.SetAt(0, 0x31);
  piSubFrame out;
  ASSERT_TRUE(
      window(tByteArray::slHost, ctSerialNumberRecord, 3, 2).prepareSfToSendSerialNumber(b, out));
  EXPECT_EQ(out.item(0).bytes, (std::vector<char>{0x31, 0}));
  tByteArrayInfo tooLong = window(tByteArray::slHost, ctSerialNumberRecord, 0, 5);
  EXPECT_EQ(linesOf(std::cerr, [&] { EXPECT_FALSE(tooLong.prepareSfToSendSerialNumber(b, out)); }),
            tLines{});
}

}  // namespace
