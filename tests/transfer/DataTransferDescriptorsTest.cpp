// The descriptor record, the descriptor set with its dummy slot, and the
// received sub-frames a set hands out.
#include <gtest/gtest.h>

#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "JobBuilder.h"
#include "cDataTransferDescriptors.h"
#include "recordFrameTestUtil.h"
#include "tLineTap.h"

namespace {

const tLines kDummyLine = {
    "PIDBG: cDataTransferDescriptor::getResceivedSubFrame: returns DummyReceivedSubFrame."};

struct tEightFrames {
  piSubFrame f[8];
  cDataTransferDescriptors makeSet() {
    return cDataTransferDescriptors(f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7]);
  }
};

cCfgFileDeviceCpdConfigsHeader headerOf(unsigned configs, unsigned firstPins) {
  cCfgFileDeviceCpdConfigsHeader h;
  h.setSizeCpdConfigs(configs);
  for (unsigned i = 0; i < configs; ++i) {
    h.addSizePinDef(firstPins + i, i);
  }
  return h;
}

std::vector<ePiItemType> oneDescriptorTypes() {
  std::vector<ePiItemType> t;
  appendTypes(t, {pitUInt32});
  appendTypes(t, {pitUInt32, pitUInt32, pitUInt32, pitUInt32, pitInt32, pitUInt8, pitUInt32,
                  pitUInt32, pitUInt32, pitString, pitString});
  appendTypes(t, {pitUInt32}, 21);
  appendTypes(t, {pitUInt32, pitString, pitUInt32});
  return t;
}

}  // namespace

TEST(DataTransferDescriptors, RecordIsEightDescriptorRecordsWhateverTheCount) {
  std::vector<ePiItemType> expected;
  const std::vector<ePiItemType> one = oneDescriptorTypes();
  ASSERT_EQ(36u, one.size());
  for (int k = 0; k < 8; ++k) {
    expected.insert(expected.end(), one.begin(), one.end());
  }

  cDataTransferDescriptors empty;
  piSubFrame sfEmpty;
  ASSERT_TRUE(empty >> sfEmpty);
  EXPECT_EQ(expected, itemTypes(sfEmpty));

  cDataTransferDescriptors full;
  for (unsigned k = 0; k < 8; ++k) {
    ASSERT_TRUE(full.addDataTransferDescriptor(
        std::unique_ptr<cDataTransferDescriptor>(new cDataTransferDescriptor(k))));
  }
  piSubFrame sfFull;
  full >> sfFull;
  EXPECT_EQ(expected, itemTypes(sfFull));
}

TEST(DataTransferDescriptors, EveryFieldSurvivesTheTrip) {
  std::unique_ptr<piSubFrame> none;
  const tByteArrayInfo info = JobBuilder::command(ctPartData, 7, 0x100, 0x80, 9, 0x5A);
  cDataTransferDescriptors sent;
  sent.addDataTransferDescriptor(
      std::unique_ptr<cDataTransferDescriptor>(new cDataTransferDescriptor(info)));
  sent.addDataTransferDescriptor(
      std::unique_ptr<cDataTransferDescriptor>(new cDataTransferDescriptor(headerOf(3, 11))));
  sent.addDataTransferDescriptor(
      std::unique_ptr<cDataTransferDescriptor>(new cDataTransferDescriptor(12u)));
  sent.addDataTransferDescriptor(
      std::unique_ptr<cDataTransferDescriptor>(new cDataTransferDescriptor("calib", 300, none)));
  piSubFrame sf;
  sent >> sf;

  tEightFrames frames;
  cDataTransferDescriptors got = frames.makeSet();
  ASSERT_TRUE(got << sf);
  EXPECT_EQ(cDataTransferDescriptor::dtByteArry, got.getDataTransferDescriptor(0).getDataType());
  EXPECT_TRUE(info == got.getDataTransferDescriptor(0).getByteArrayInfo());
  const cCfgFileDeviceCpdConfigsHeader& h =
      got.getDataTransferDescriptor(1).getCfgFileDeviceCpdConfigsHeader();
  EXPECT_EQ(cDataTransferDescriptor::dtCfgFileDeviceCpdConfigs,
            got.getDataTransferDescriptor(1).getDataType());
  EXPECT_EQ(3u, h.getSizeCpdConfigs());
  EXPECT_EQ(13u, h.getSizePinDef(2));
  EXPECT_EQ(12u, got.getDataTransferDescriptor(2).getPinConnectionLayoutData_sizePinDefs());
  EXPECT_EQ("calib", got.getDataTransferDescriptor(3).getpiDBlockInfoName());
  EXPECT_EQ(300u, got.getDataTransferDescriptor(3).getpiDBlockInfoSize());
  EXPECT_EQ(cDataTransferDescriptor::dtNo, got.getDataTransferDescriptor(4).getDataType());
  // The count does not travel.
  EXPECT_EQ(0u, got.getSfNum());
}

TEST(DataTransferDescriptors, FilledSetStillHandsOutItsOwnSubFramesSilently) {
  const piSubFrame wire = JobBuilder().createBuffer(0, 4, 0).exchange().sf[0];
  tEightFrames frames;
  cDataTransferDescriptors set = frames.makeSet();
  bool received = false;
  bool allOwn = true;
  EXPECT_EQ(tLines{}, linesOf(std::cerr, [&] {
              received = set << wire;
              if (!received) return;
              for (unsigned k = 0; k < 8; ++k) {
                cDataTransferDescriptor& d = set.getDataTransferDescriptor(k);
                allOwn = allOwn && &d.getResceivedSubFrame() == &frames.f[k];
              }
            }));
  ASSERT_TRUE(received);
  EXPECT_TRUE(allOwn);
  EXPECT_EQ(cDataTransferDescriptor::dtByteArrayInfo,
            set.getDataTransferDescriptor(0).getDataType());
}

TEST(DataTransferDescriptors, DummySlotAnswersPastTheEndAndNeverTravels) {
  tEightFrames frames;
  cDataTransferDescriptors set = frames.makeSet();
  cDataTransferDescriptor& d8 = set.getDataTransferDescriptor(8);
  EXPECT_EQ(&d8, &set.getDataTransferDescriptor(1000));
  EXPECT_EQ(cDataTransferDescriptor::dtNo, d8.getDataType());
  for (unsigned k = 0; k < 8; ++k) {
    EXPECT_NE(&d8, &set.getDataTransferDescriptor(k));
  }

  d8 = cDataTransferDescriptor(12u);
  piSubFrame sf;
  set >> sf;
  piSubFrame clean;
  cDataTransferDescriptors fresh;
  fresh >> clean;
  EXPECT_EQ(clean, sf);

  // Copies and assignment leave the target's dummy alone.
  cDataTransferDescriptors copy(set);
  EXPECT_EQ(cDataTransferDescriptor::dtNo, copy.getDataTransferDescriptor(8).getDataType());
  EXPECT_EQ(&frames.f[5], &copy.getDataTransferDescriptor(5).getResceivedSubFrame());
}

TEST(DataTransferDescriptors, AssignedSlotLosesItsReceivedSubFrame) {
  tEightFrames frames;
  cDataTransferDescriptors set = frames.makeSet();
  cDataTransferDescriptor& slot2 = set.getDataTransferDescriptor(2);
  slot2 = cDataTransferDescriptor(12u);
  EXPECT_EQ(cDataTransferDescriptor::dtCfgFileDeviceLayout, slot2.getDataType());
  EXPECT_EQ(12u, slot2.getPinConnectionLayoutData_sizePinDefs());
  EXPECT_TRUE(tByteArrayInfo() == slot2.getByteArrayInfo());

  piSubFrame* got = nullptr;
  EXPECT_EQ(kDummyLine, linesOf(std::cerr, [&] { got = &slot2.getResceivedSubFrame(); }));
  EXPECT_NE(&frames.f[2], got);
  EXPECT_EQ(0u, got->itemCount());
}

TEST(DataTransferDescriptor, WithoutReceivedSubFrameGivesEmptyDummyWithItsLine) {
  cDataTransferDescriptor d(JobBuilder::command(ctFullData, 0, 0, 16));
  piSubFrame* sf = nullptr;
  EXPECT_EQ(kDummyLine, linesOf(std::cerr, [&] { sf = &d.getResceivedSubFrame(); }));
  EXPECT_EQ(0u, sf->itemCount());
}

TEST(DataTransferDescriptor, DataTypeNames) {
  const std::vector<std::string> names = {"dtNo",
                                          "dtAlgoParam",
                                          "dtByteArry",
                                          "dtCfgFileDeviceCpdConfigs",
                                          "dtByteArrayInfo",
                                          "dtAlgoKrv3UIData",
                                          "dtDeviceAlgPrm",
                                          "dtHdwParam",
                                          "dtCfgFileDeviceLayout",
                                          "dtpiDBlock"};
  for (unsigned t = 0; t < names.size(); ++t) {
    EXPECT_EQ(names[t], JobBuilder::typed(t).DataTypeToString()) << t;
  }
  EXPECT_EQ("Undefined", JobBuilder::typed(10).DataTypeToString());
  EXPECT_EQ("Undefined", JobBuilder::typed(0xFFFFFFFFu).DataTypeToString());
}

TEST(DataTransferDescriptor, TakeOverEmptiesTheHolder) {
  std::unique_ptr<piSubFrame> holder(new piSubFrame);
  holder->addUInt32(77);
  cDataTransferDescriptor d(12u, holder);
  EXPECT_FALSE(holder);
  ASSERT_EQ(1u, d.getSendSubFrame().itemCount());
  EXPECT_EQ(77u, d.getSendSubFrame().item(0).u32);

  // An empty holder leaves a usable send sub-frame.
  std::unique_ptr<piSubFrame> empty;
  cDataTransferDescriptor e(cDataTransferDescriptor::dtHdwParam, empty);
  EXPECT_EQ(0u, e.getSendSubFrame().itemCount());
}

TEST(DataTransferDescriptors, AddStopsAtEightAndRefusesEmptyHolder) {
  cDataTransferDescriptors set;
  EXPECT_FALSE(set.addDataTransferDescriptor(nullptr));
  EXPECT_EQ(0u, set.getSfNum());
  for (unsigned k = 0; k < 8; ++k) {
    EXPECT_TRUE(set.addDataTransferDescriptor(
        std::unique_ptr<cDataTransferDescriptor>(new cDataTransferDescriptor(k + 1))));
  }
  EXPECT_FALSE(set.addDataTransferDescriptor(
      std::unique_ptr<cDataTransferDescriptor>(new cDataTransferDescriptor(99u))));
  EXPECT_FALSE(set.addDataTransferDescriptor(nullptr));
  EXPECT_EQ(8u, set.getSfNum());
  EXPECT_EQ(8u, set.getDataTransferDescriptor(7).getPinConnectionLayoutData_sizePinDefs());
  EXPECT_EQ(cDataTransferDescriptor::dtNo, set.getDataTransferDescriptor(8).getDataType());
}

// A record written item by item as a host would, with a distinct value in
// every place: each value lands in its own field, and the set writes it back
// in the same places.
TEST(DataTransferDescriptors, EachItemHasItsPlaceInTheRecord) {
  piSubFrame wire;
  wire.addUInt32(cDataTransferDescriptor::dtpiDBlock);
  wire.addUInt32(ctPartData);  // command record: command, start, size, version,
  wire.addUInt32(0x11);        // id, fill, location, bits per unit, byte type,
  wire.addUInt32(0x22);        // name, flags
  wire.addUInt32(0x33);
  wire.addInt32(-7);
  wire.addUInt8(0x44);
  wire.addUInt32(tByteArray::slHost);
  wire.addUInt32(16);
  wire.addUInt32(0);
  wire.addString("nm");
  wire.addString("fl");
  wire.addUInt32(3);  // configuration header: count, then 20 pin counts
  for (unsigned i = 0; i < 20; ++i) {
    wire.addUInt32(100 + i);
  }
  wire.addUInt32(77);  // pin-definition count
  wire.addString("blk");
  wire.addUInt32(300);
  cDataTransferDescriptors defaults;
  piSubFrame rest;
  defaults >> rest;
  // Slots 1 to 7 as they are by default.
  for (std::size_t i = 36; i < rest.itemCount(); ++i) appendItem(wire, rest.item(i));

  tEightFrames frames;
  cDataTransferDescriptors set = frames.makeSet();
  ASSERT_TRUE(set << wire);
  const cDataTransferDescriptor& d = set.getDataTransferDescriptor(0);
  EXPECT_EQ(cDataTransferDescriptor::dtpiDBlock, d.getDataType());
  const tByteArrayInfo& info = d.getByteArrayInfo();
  EXPECT_EQ(ctPartData, info.getCmdType());
  EXPECT_EQ(0x11u, info.getStartAddr());
  EXPECT_EQ(0x22u, info.getSize());
  EXPECT_EQ(0x33u, info.getVersionOfChanges());
  EXPECT_EQ(-7, info.getId());
  EXPECT_EQ(0x44, info.getFillByte());
  EXPECT_EQ(tByteArray::slHost, info.getSourceLocation());
  EXPECT_EQ(16u, info.getInitByteOrgInfo());
  EXPECT_EQ("nm", info.getName());
  EXPECT_EQ("fl", info.getFlags());
  EXPECT_EQ(3u, d.getCfgFileDeviceCpdConfigsHeader().getSizeCpdConfigs());
  EXPECT_EQ(100u, d.getCfgFileDeviceCpdConfigsHeader().getSizePinDef(0));
  EXPECT_EQ(119u, d.getCfgFileDeviceCpdConfigsHeader().getSizePinDef(19));
  EXPECT_EQ(77u, d.getPinConnectionLayoutData_sizePinDefs());
  EXPECT_EQ("blk", d.getpiDBlockInfoName());
  EXPECT_EQ(300u, d.getpiDBlockInfoSize());

  piSubFrame back;
  ASSERT_TRUE(set >> back);
  EXPECT_EQ(wire, back);
}
