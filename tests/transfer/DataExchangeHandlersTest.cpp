// Receive and send handlers over a parameter set, driven with exchanges built
// the way a host builds them.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "JobBuilder.h"
#include "cAlgoDataReceiveKrvHandler.h"
#include "cAlgoDataSendKrvHandler.h"
#include "frameIo.h"
#include "tJobSamples.h"
#include "tLineTap.h"

using namespace jobSamples;

namespace {

// The two lines the receive handler writes before it acts on a slot.
tLines slotLines(unsigned slot, unsigned size, const std::string& type) {
  return {"PIDBG: processingReceivedData: DataTypes" + std::to_string(slot) + ": " + type,
          "PIDBG: processingReceivedData: SubFrame size:" + std::to_string(size) + ": " + type};
}

tLines joined(tLines a, const tLines& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
tLines joined(const tLines& a, const tLines& b, const tLines& c) { return joined(joined(a, b), c); }
tLines joined(const tLines& a, const tLines& b, const tLines& c, const tLines& d) {
  return joined(joined(a, b, c), d);
}

std::vector<unsigned char> bufferBytes(const tByteArray& b) {
  return std::vector<unsigned char>(b.getDataConst(), b.getDataConst() + b.GetSize());
}

template <class R>
piSubFrame onTheWire(R record) {
  piSubFrame sf;
  record >> sf;
  return sf;
}

class DataExchange : public testing::Test {
protected:
  DataExchange() : ap(tByteArray::slModule, 1, 0, 0) {}

  bool receive(tExchange& ex) {
    return ex.run([this](auto&... sf) {
      cAlgoDataReceiveKrvHandler handler(ap, sf...);
      return handler.processingReceivedData();
    });
  }
  bool receiveAll(const JobBuilder& job) {
    std::vector<tExchange> all = job.exchanges();
    for (tExchange& ex : all) {
      if (!receive(ex)) {
        return false;
      }
    }
    return true;
  }
  bool send(tExchange& ex, piDBlock* block = nullptr, const std::string& name = "",
            unsigned size = 0) {
    return ex.run([&](auto&... sf) {
      cAlgoDataSendKrvHandler handler(ap, sf...);
      if (block != nullptr) {
        handler.setSendingDBlock(name, size, block);
      }
      return handler.processingReceivedData();
    });
  }

  cAlgoParam ap;
};

}  // namespace

TEST_F(DataExchange, BufferReadBackInPartsAndUnknownInfoAnswersDummy) {
  const std::vector<unsigned char> image = pattern(1000, 9);
  tExchange job = JobBuilder().createBuffer(4, 1000, 0).wholeBuffer(4, image, 5).exchange();
  tLineTap quiet(std::cerr);
  ASSERT_TRUE(receive(job));

  tExchange ex = JobBuilder()
                     .fetchWindow(ctLastPartData, 4, 600, 400)
                     .fetchWindow(ctPartData, 4, 0, 600)
                     .fetchInfo(9)
                     .exchange();
  const bool ok = send(ex);
  ASSERT_TRUE(ok);
  std::vector<unsigned char> tail, head;
  ASSERT_TRUE(readWindow(ex.data(0), tail));
  ASSERT_TRUE(readWindow(ex.data(1), head));
  head.insert(head.end(), tail.begin(), tail.end());
  EXPECT_TRUE(head == image);

  cDataTransferDescriptors answered;
  readDescriptors(ex.sf[0], answered);
  EXPECT_TRUE(JobBuilder::command(ctLastPartData, 4, 600, 400, 5, 0, tByteArray::slModule) ==
              answered.getDataTransferDescriptor(0).getByteArrayInfo());

  tByteArrayInfo info;
  ASSERT_TRUE(info << ex.data(2));
  EXPECT_EQ(-1, info.getId());
  EXPECT_EQ(1u, info.getSize());
}

TEST_F(DataExchange, AllEmptySlotsChangeNothingAndLogEverySlot) {
  tExchange ex = JobBuilder().exchange();
  cDataTransferDescriptors empty;
  empty >> ex.sf[0];
  const piSubFrame request = ex.sf[0];

  tLines recvLines, sendLines;
  for (unsigned i = 0; i < 8; ++i) {
    const std::string n = std::to_string(i);
    recvLines = joined(recvLines, slotLines(i, 0, "dtNo"));
    sendLines.push_back("PIDBG: processingReceivedData for sending : DataTypes" + n + ": dtNo");
    sendLines.push_back("PIDBG: processingReceivedData for sending : SubFrame size:0: dtNo");
  }
  EXPECT_EQ(recvLines, linesOf(std::cerr, [&] { EXPECT_TRUE(receive(ex)); }));
  EXPECT_EQ(sendLines, linesOf(std::cerr, [&] { EXPECT_TRUE(send(ex)); }));
  EXPECT_EQ(request, ex.sf[0]);
  EXPECT_EQ(1u, ap.getNumberOfBuffers());
  EXPECT_EQ("No", ap.getJobAction());
}

TEST_F(DataExchange, ReceiveLogsTheSizeOfEachDataSubFrame) {
  tExchange ex = JobBuilder().wholeBuffer(0, {0x5A}, 0).exchange();
  // The empty slots after it log theirs as well.
  tLines expected = joined(slotLines(0, 1, "dtByteArry"),
                           {"PIDBG: processingReceivedBA: ByteArrayInfo CmdType: ctFullData"});
  for (unsigned i = 1; i < 8; ++i) expected = joined(expected, slotLines(i, 0, "dtNo"));
  EXPECT_EQ(expected, linesOf(std::cerr, [&] { EXPECT_TRUE(receive(ex)); }));
  EXPECT_EQ(0x5A, ap.getByteArrayFromBufferId(0)->GetAt(0));
}

TEST_F(DataExchange, CreateReplacesBufferOfSameId) {
  tExchange first =
      JobBuilder().createBuffer(0, 16, 0).wholeBuffer(0, pattern(16, 1), 3).exchange();
  tLineTap quiet(std::cerr);
  ASSERT_TRUE(receive(first));
  ASSERT_TRUE(ap.getByteArrayFromBufferId(0)->addMemoryMapItem(
      JobBuilder::command(ctMemoryMapInfo, 0, 0, 8)));

  tExchange again = JobBuilder().createBuffer(0, 4096, 0xFF).exchange();
  const bool ok = receive(again);
  ASSERT_TRUE(ok);
  const tByteArray& b = *ap.getByteArrayFromBufferId(0);
  EXPECT_EQ(std::vector<unsigned char>(4096, 0xFF), bufferBytes(b));
  EXPECT_FALSE(b.hasMemoryMap());
  EXPECT_EQ(1u, ap.getNumberOfBuffers());
}

TEST_F(DataExchange, DeleteAllThenCreateLeavesThatOneBuffer) {
  tExchange setup = JobBuilder().createBuffer(1, 8, 0).createBuffer(2, 8, 0).exchange();
  tExchange ex = JobBuilder().deleteAllBuffers().createBuffer(7, 32, 0x11).exchange();
  tLineTap quiet(std::cerr);
  ASSERT_TRUE(receive(setup));
  ASSERT_EQ(3u, ap.getNumberOfBuffers());
  const bool ok = receive(ex);
  ASSERT_TRUE(ok);
  ASSERT_EQ(1u, ap.getNumberOfBuffers());
  EXPECT_EQ(7, ap.getBufferId(0));
  EXPECT_EQ(32u, ap.getByteArrayFromIndex(0)->GetSize());
}

TEST_F(DataExchange, PartsStampVersionOnlyAtTheEndAndLandAtTheirOffsets) {
  const std::vector<unsigned char> data = pattern(300, 4);
  tExchange setup = JobBuilder().createBuffer(3, 300, 0).exchange();
  // Parts in reverse order: the module keeps no state between windows.
  tExchange part = JobBuilder().window(ctPartData, 3, 200, data.data() + 200, 100, 9).exchange();
  tExchange rest = JobBuilder()
                       .window(ctPartData, 3, 100, data.data() + 100, 100, 9)
                       .window(ctLastPartData, 3, 0, data.data(), 100, 9)
                       .exchange();
  tLineTap quiet(std::cerr);
  ASSERT_TRUE(receive(setup));
  const unsigned before = ap.getByteArrayFromBufferId(3)->getVersionOfChanges();
  ASSERT_TRUE(receive(part));
  EXPECT_NE(9u, ap.getByteArrayFromBufferId(3)->getVersionOfChanges());
  EXPECT_NE(before, ap.getByteArrayFromBufferId(3)->getVersionOfChanges());
  ASSERT_TRUE(receive(rest));
  EXPECT_EQ(9u, ap.getByteArrayFromBufferId(3)->getVersionOfChanges());
  EXPECT_TRUE(data == bufferBytes(*ap.getByteArrayFromBufferId(3)));
}

TEST_F(DataExchange, MemoryMapItemsAddedAndClearedByInfo) {
  tExchange ex = JobBuilder()
                     .createBuffer(2, 64, 0)
                     .bufferCommand(JobBuilder::command(ctMemoryMapInfo, 2, 0, 16))
                     .bufferCommand(JobBuilder::command(ctMemoryMapInfo, 2, 32, 16))
                     .exchange();
  tLineTap quiet(std::cerr);
  ASSERT_TRUE(receive(ex));
  EXPECT_EQ(2u, ap.getByteArrayFromBufferId(2)->getMemoryMap().size());
  tExchange clear = JobBuilder().bufferCommand(JobBuilder::command(ctInfoOnly, 2, 0, 0)).exchange();
  ASSERT_TRUE(receive(clear));
  EXPECT_FALSE(ap.getByteArrayFromBufferId(2)->hasMemoryMap());
}

// Each receive failure: slot 0 creates buffer 3 and must keep its effect, the
// failing item follows, and a create of buffer 4 after it is never looked at.
struct tReceiveFailure {
  const char* name;
  std::function<void(JobBuilder&)> failing;
  tLines lines;  // after slot 0's, before "processingReceivedDTDs failed."
  std::function<void(cAlgoParam&)> check;
};

// The refusal of a count of pin definitions its sub-frame cannot hold.
tLines pinDefsRefused(unsigned size, const std::string& type) {
  return joined(slotLines(1, size, type),
                {"PIDBG: processingReceivedData: Descriptor asks for more pin definitions than its "
                 "sub-frame holds: 1"});
}

// A layout of two pins (79 bytes) whose descriptor names `count` definitions.
tReceiveFailure layoutCounting(const char* name, unsigned count) {
  return {name,
          [count](JobBuilder& j) {
            piSubFrame sf;
            cCfgFileDeviceLayout l = sampleLayout(2);
            l >> sf;
            j.item(cDataTransferDescriptor(count), sf);
          },
          pinDefsRefused(79, "dtCfgFileDeviceLayout"),
          [](cAlgoParam& a) { EXPECT_EQ(0u, a.getRefCfgFileDeviceLayout().sizePinDefs()); }};
}

// The sample configurations (139 bytes) under a header changed by `change`.
tReceiveFailure configsCounting(const char* name,
                                std::function<void(cCfgFileDeviceCpdConfigsHeader&)> change) {
  return {name,
          [change](JobBuilder& j) {
            piSubFrame sf;
            cCfgFileDeviceCpdConfigs configs = sampleConfigs();
            configs >> sf;
            cCfgFileDeviceCpdConfigsHeader header = configs.getHeader();
            change(header);
            j.item(cDataTransferDescriptor(header), sf);
          },
          pinDefsRefused(139, "dtCfgFileDeviceCpdConfigs"),
          [](cAlgoParam& a) { EXPECT_EQ(0u, a.getRefCfgFileDeviceCpdConfigs().sizeCpdConfigs()); }};
}

TEST_F(DataExchange, ReceiveFailuresStopAtTheirSlotAndKeepEarlierSlots) {
  const std::vector<tReceiveFailure> cases = {
      {"type 10 in slot 3",
       [](JobBuilder& j) {
         j.parameterSet(1, 7, "p", "Read")
             .jobRecord(sampleJobRecord())
             .item(JobBuilder::typed(10), piSubFrame());
       },
       joined(slotLines(1, 10, "dtAlgoParam"), slotLines(2, 142, "dtAlgoKrv3UIData"),
              slotLines(3, 0, "Undefined"),
              {"PIDBG: processingReceivedData: Failed to process: 3: Undefined"}),
       [](cAlgoParam& a) {
         EXPECT_EQ("Read", a.getJobAction());
         EXPECT_EQ(3, a.getAlgoKrv3UIData()->getActionMode());
       }},
      {"window for unknown id", [](JobBuilder& j) { j.wholeBuffer(12345, {1}, 0); },
       joined(slotLines(1, 1, "dtByteArry"),
              {"PIDBG: processingReceivedBA: ByteArrayInfo CmdType: ctFullData",
               "PIDBG: processingReceivedBA: Buffer Id does not match."}),
       nullptr},
      {"window for the dummy's id", [](JobBuilder& j) { j.wholeBuffer(-1, {1}, 0); },
       joined(slotLines(1, 1, "dtByteArry"),
              {"PIDBG: processingReceivedBA: ByteArrayInfo CmdType: ctFullData",
               "PIDBG: processingReceivedBA: Buffer Id does not match."}),
       nullptr},
      {"window past the buffer's end",
       [](JobBuilder& j) {
         const unsigned char b[4] = {1, 2, 3, 4};
         j.window(ctLastPartData, 3, 6, b, 4, 1);
       },
       joined(slotLines(1, 4, "dtByteArry"),
              {"PIDBG: processingReceivedBA: ByteArrayInfo CmdType: ctLastPartData",
               "PIDBG: tByteArrayInfo: Error: Buffer too small to receive data."}),
       [](cAlgoParam& a) {
         EXPECT_EQ(std::vector<unsigned char>(8, 0x33),
                   bufferBytes(*a.getByteArrayFromBufferId(3)));
       }},
      {"window whose sub-frame carries more bytes than it names",
       [](JobBuilder& j) {
         piSubFrame sf;
         sf.addBlock(std::vector<char>(4096, 0x7F));
         j.item(cDataTransferDescriptor(JobBuilder::command(ctFullData, 3, 0, 8, 1)), sf);
       },
       joined(slotLines(1, 4096, "dtByteArry"),
              {"PIDBG: processingReceivedBA: ByteArrayInfo CmdType: ctFullData",
               "PIDBG: tByteArrayInfo: Error: storeToFrame failed."}),
       [](cAlgoParam& a) {
         EXPECT_EQ(std::vector<unsigned char>(8, 0x33),
                   bufferBytes(*a.getByteArrayFromBufferId(3)));
       }},
      {"create of 0 bytes keeps the existing buffer",
       [](JobBuilder& j) { j.createBuffer(3, 0, 0xEE); },
       joined(slotLines(1, 47, "dtByteArrayInfo"),
              {"PIDBG: processingReceivedBAI: ByteArrayInfo CmdType: ctCreateOnly",
               "PIDBG: processingReceivedBAI: Invalid size of buffer to create."}),
       nullptr},
      {"create whose size wraps",
       [](JobBuilder& j) {
         j.bufferCommand(JobBuilder::command(ctCreateOnly, 9, 0xFFFFFFF0u, 0x20));
       },
       joined(slotLines(1, 47, "dtByteArrayInfo"),
              {"PIDBG: processingReceivedBAI: ByteArrayInfo CmdType: ctCreateOnly",
               "PIDBG: processingReceivedBAI: Invalid size of buffer to create."}),
       [](cAlgoParam& a) { EXPECT_EQ(-1, a.getBufferIndex(9)); }},
      {"transfer command as a record",
       [](JobBuilder& j) { j.bufferCommand(JobBuilder::command(ctFullData, 3, 0, 8)); },
       joined(slotLines(1, 47, "dtByteArrayInfo"),
              {"PIDBG: processingReceivedBAI: ByteArrayInfo CmdType: ctFullData",
               "PIDBG: processingReceivedBAI: Failed to process ByteArrayInfo CmdType: "
               "ctFullData"}),
       nullptr},
      {"memory map for unknown id",
       [](JobBuilder& j) { j.bufferCommand(JobBuilder::command(ctMemoryMapInfo, 12345, 0, 8)); },
       joined(slotLines(1, 47, "dtByteArrayInfo"),
              {"PIDBG: processingReceivedBAI: ByteArrayInfo CmdType: ctMemoryMapInfo",
               "PIDBG: processingReceivedBAI: Buffer Id does not match."}),
       nullptr},
      layoutCounting("layout count beyond its sub-frame", 0x40000000u),
      // More definitions than the sub-frame holds at 16 bytes each, fewer
      // than its bytes: refused by the bytes a definition takes, not only
      // by the sub-frame's size.
      layoutCounting("layout count between its sub-frame's size / 16 and its size", 10),
      configsCounting("configuration counts between its sub-frame's size / 16 and its size",
                      [](cCfgFileDeviceCpdConfigsHeader& header) { header.addSizePinDef(20u, 0); }),
      configsCounting("configuration header with enormous counts",
                      [](cCfgFileDeviceCpdConfigsHeader& header) {
                        header.setSizeCpdConfigs(0xFFFFFFFFu);
                        for (unsigned i = 0; i < cCfgFileDeviceCpdConfigs::getMaxConfigSize();
                             ++i) {
                          header.addSizePinDef(0xFFFFFFFFu, i);
                        }
                      }),
      {"block sub-frame without a block",
       [](JobBuilder& j) {
         std::unique_ptr<piSubFrame> none;
         piSubFrame sf;
         sf.addUInt32(0x01020304u);
         j.item(cDataTransferDescriptor("blk", 4, none), sf);
       },
       slotLines(1, 4, "dtpiDBlock"), nullptr},
      {"block larger than its sub-frame",
       [](JobBuilder& j) {
         std::unique_ptr<piSubFrame> none;
         piSubFrame sf;
         sf.addBlock(std::vector<char>(4, 1));
         j.item(cDataTransferDescriptor("blk", 0xFFFFFFF0u, none), sf);
       },
       joined(slotLines(1, 4, "dtpiDBlock"),
              {"PIDBG: processingReceivedData: Block larger than its sub-frame: 1"}),
       nullptr},
  };
  const unsigned dummyVersion = ap.getByteArrayFromBufferId(12345)->getVersionOfChanges();
  for (const tReceiveFailure& c : cases) {
    SCOPED_TRACE(c.name);
    cAlgoParam set(tByteArray::slModule, 1, 0, 0);
    JobBuilder job;
    job.createBuffer(3, 8, 0x33);
    c.failing(job);
    job.createBuffer(4, 8, 0x44);
    tExchange ex = job.exchange();
    bool ok = true;
    const tLines lines = linesOf(std::cerr, [&] {
      ok = ex.run([&](auto&... sf) {
        cAlgoDataReceiveKrvHandler handler(set, sf...);
        return handler.processingReceivedData();
      });
    });
    EXPECT_FALSE(ok);
    // Slot 0 created buffer 3.
    EXPECT_EQ(joined(slotLines(0, 47, "dtByteArrayInfo"),
                     {"PIDBG: processingReceivedBAI: ByteArrayInfo CmdType: ctCreateOnly"}, c.lines,
                     {"PIDBG: processingReceivedDTDs failed."}),
              lines);
    EXPECT_EQ(8u, set.getByteArrayFromBufferId(3)->GetSize());
    EXPECT_EQ(-1, set.getBufferIndex(4));
    const tByteArray& d = *set.getByteArrayFromBufferId(12345);
    EXPECT_EQ(-1, d.getBufferId());
    EXPECT_EQ(0, d.GetAt(0));
    EXPECT_EQ(dummyVersion, d.getVersionOfChanges());
    EXPECT_FALSE(d.hasMemoryMap());
    if (c.check) {
      c.check(set);
    }
  }
}

// Each send failure: slot 0 answers buffer 1's info and keeps it, the failing
// request follows, and the request after it stays unanswered; sub-frame 0 is
// not rewritten.
struct tSendFailure {
  const char* name;
  std::function<void(JobBuilder&)> failing;
  tLines lines;  // after slot 0's, before "processingReceivedDTDs failed."
};

TEST_F(DataExchange, SendFailuresStopAtTheirSlotAndKeepEarlierSlots) {
  tExchange setup = JobBuilder().createBuffer(1, 64, 0x5A).exchange();
  tLineTap quiet(std::cerr);
  ASSERT_TRUE(receive(setup));

  const std::vector<tSendFailure> cases = {
      {"window larger than the buffer",
       [](JobBuilder& j) { j.fetchWindow(ctFullData, 1, 0, 100); },
       {"PIDBG: processingReceivedBA: Buffer size does not match."}},
      {"window past the buffer's end",
       [](JobBuilder& j) { j.fetchWindow(ctPartData, 1, 32, 64); },
       {"PIDBG: tByteArrayInfo: Error: Buffer too small to send data.",
        "PIDBG: processingReceivedBA: prepareSfToSendByteArray failed."}},
      {"window whose end wraps",
       [](JobBuilder& j) { j.fetchWindow(ctPartData, 1, 0xFFFFFFF8u, 16); },
       {"PIDBG: tByteArrayInfo: Error: Buffer too small to send data.",
        "PIDBG: processingReceivedBA: prepareSfToSendByteArray failed."}},
      {"create as a window",
       [](JobBuilder& j) { j.fetchWindow(ctCreateOnly, 1, 0, 64); },
       {"PIDBG: processingReceivedBA: Failed to process ByteArrayInfo CmdType: ctCreateOnly"}},
      {"window for unknown id",
       [](JobBuilder& j) { j.fetchWindow(ctFullData, 9, 0, 1); },
       {"PIDBG: processingReceivedBA: Buffer Id does not match."}},
      {"window for the dummy's id",
       [](JobBuilder& j) { j.fetchWindow(ctFullData, -1, 0, 1); },
       {"PIDBG: processingReceivedBA: Buffer Id does not match."}},
      {"block without a sending block", [](JobBuilder& j) { j.fetchBlock("blk", 4); }, {}},
      {"delete all as a send",
       [](JobBuilder& j) { j.bufferCommand(JobBuilder::command(ctDeleteAllBuffers, -1, 0, 0)); },
       {"PIDBG: processingReceivedBAI: ByteArrayInfo CmdType: ctDeleteAllBuffers"}},
      {"full-data command as a record",
       [](JobBuilder& j) { j.bufferCommand(JobBuilder::command(ctFullData, 1, 0, 64)); },
       {"PIDBG: processingReceivedBAI: ByteArrayInfo CmdType: ctFullData",
        "PIDBG: processingReceivedBAI: Failed to process ByteArrayInfo CmdType: ctFullData"}},
      {"type 10",
       [](JobBuilder& j) { j.item(JobBuilder::typed(10), piSubFrame()); },
       {"PIDBG: processingReceivedData: Failed to process: 1: Undefined"}},
  };
  for (const tSendFailure& c : cases) {
    SCOPED_TRACE(c.name);
    JobBuilder request;
    request.fetchInfo(1);
    c.failing(request);
    request.fetch(cDataTransferDescriptor::dtAlgoParam);
    tExchange ex = request.exchange();
    const piSubFrame sf0 = ex.sf[0];
    bool ok = true;
    const tLines lines = linesOf(std::cerr, [&] { ok = send(ex); });
    EXPECT_FALSE(ok);
    // Slot 0 answered buffer 1's info.
    const std::string sending = "PIDBG: processingReceivedData for sending : ";
    EXPECT_EQ(joined({"PIDBG: processingReceivedBAI: ByteArrayInfo CmdType: ctInfoOnly",
                      sending + "DataTypes0: dtByteArrayInfo",
                      sending + "SubFrame size:47: dtByteArrayInfo"},
                     c.lines, {"PIDBG: processingReceivedDTDs failed."}),
              lines);
    tByteArrayInfo info;
    ASSERT_TRUE(info << ex.data(0));
    EXPECT_TRUE(tByteArrayInfo(*ap.getByteArrayFromBufferId(1)) == info);
    EXPECT_EQ(0u, ex.data(2).itemCount());
    EXPECT_EQ(sf0, ex.sf[0]);
    EXPECT_EQ(2u, ap.getNumberOfBuffers());
  }
}

TEST_F(DataExchange, FreeBlocksTravelOnlyWithMatchingNameAndSize) {
  const std::vector<char> bytes = {9, 8, 7, 6};
  tExchange in = JobBuilder().dataBlock("calib", bytes).exchange();
  in.run([&](auto&... sf) {
    cAlgoDataReceiveKrvHandler handler(ap, sf...);
    tLineTap quiet(std::cerr);
    EXPECT_TRUE(handler.processingReceivedData());
    ASSERT_NE(nullptr, handler.getReceivedDBlock(0));
    EXPECT_EQ(std::vector<char>(handler.getReceivedDBlock(0)->getData(),
                                handler.getReceivedDBlock(0)->getData() + 4),
              bytes);
    EXPECT_EQ("calib", handler.getReceivedDBlockName(0));
    EXPECT_EQ(nullptr, handler.getReceivedDBlock(1));
    EXPECT_EQ("", handler.getReceivedDBlockName(1));
  });

  piDBlock block(4);
  std::memcpy(block.getData(), bytes.data(), 4);
  struct {
    const char* name;
    unsigned size;
    bool ok;
  } const cases[] = {{"calib", 4, true}, {"calib", 5, false}, {"other", 4, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.size));
    tExchange out = JobBuilder().fetchBlock("calib", 4).exchange();
    tLineTap quiet(std::cerr);
    EXPECT_EQ(c.ok, send(out, &block, c.name, c.size));
    std::vector<unsigned char> got;
    EXPECT_EQ(c.ok, readWindow(out.data(0), got));
  }
}

TEST_F(DataExchange, ConfigurationsAndLayoutTakeTheirShapeFromTheDescriptor) {
  const cCfgFileDeviceCpdConfigs configs = sampleConfigs();
  const cCfgFileDeviceLayout layout = sampleLayout(12);
  tExchange ex = JobBuilder().pinDriverConfigs(configs).layout(layout).exchange();
  tLineTap quiet(std::cerr);
  ASSERT_TRUE(receive(ex));
  EXPECT_TRUE(configs == ap.getRefCfgFileDeviceCpdConfigs());
  EXPECT_TRUE(layout == ap.getRefCfgFileDeviceLayout());

  // A descriptor naming one pin more than the record carries: the new, partly
  // filled layout replaces the old one and the exchange fails.
  piSubFrame sf;
  cCfgFileDeviceLayout copy(layout);
  copy >> sf;
  JobBuilder bad;
  bad.item(cDataTransferDescriptor(13u), sf);
  tExchange badEx = bad.exchange();
  EXPECT_FALSE(receive(badEx));
  EXPECT_EQ(13u, ap.getRefCfgFileDeviceLayout().sizePinDefs());
}
