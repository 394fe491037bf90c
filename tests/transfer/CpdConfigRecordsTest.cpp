#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "cCfgFileDeviceCpdConfigs.h"
#include "frameIo.h"
#include "recordFrameTestUtil.h"

namespace {

cCfgFileDeviceCpdConfig* labelled(const std::string& label, unsigned settings, unsigned opc = 0) {
  cCfgFileDeviceCpdConfig* c = new cCfgFileDeviceCpdConfig(0);
  c->getRefLabel() = label;
  for (unsigned i = 0; i < settings; ++i) {
    c->addPinDef(new cCfgFileDeviceCpdPinData(1, i, opc + i, i, "N"));
  }
  return c;
}

cCfgFileDeviceCpdConfigsHeader headerOf(unsigned size, unsigned firstCount) {
  cCfgFileDeviceCpdConfigsHeader h;
  h.setSizeCpdConfigs(size);
  for (unsigned i = 0; i < cCfgFileDeviceCpdConfigs::getMaxConfigSize(); ++i) {
    h.addSizePinDef(firstCount + i, i);
  }
  return h;
}

// Sends `sent` into a sub-frame and receives it into `into`.
template <class R>
bool roundTrip(R& sent, R& into) {
  piSubFrame sf;
  if (!sendRecord(sent, sf)) {
    return false;
  }
  return receiveRecord(into, sf);
}

TEST(CpdRecords, SendThenReceiveGivesAnEqualObject) {
  cCfgFileDeviceCpdPinData pin(6, 59, 0xFFFFFFFFu, 40, "VPP/RESET");
  cCfgFileDeviceCpdPinData pinBack(0, 0, 0, 0, "UNKNOWN");
  ASSERT_TRUE(roundTrip(pin, pinBack));
  EXPECT_EQ(pinBack, pin);
  EXPECT_EQ(pinBack.getPDx(), 6u);
  EXPECT_EQ(pinBack.getOpcData(), 0xFFFFFFFFu);

  std::unique_ptr<cCfgFileDeviceCpdConfig> config(labelled("SETUPi", 3, 7));
  cCfgFileDeviceCpdConfig configBack(config->sizePinDefs());
  ASSERT_TRUE(roundTrip(*config, configBack));
  EXPECT_EQ(configBack, *config);

  cCfgFileDeviceCpdConfigs set;
  set.addCpdConfig(labelled("SETUP", 4, 100));
  set.addCpdConfig(labelled("", 0));
  set.addCpdConfig(labelled("SHUTDOWN", 2, 200));
  // The receiver only learns the shape through the header.
  cCfgFileDeviceCpdConfigsHeader header = set.getHeader();
  cCfgFileDeviceCpdConfigsHeader headerBack;
  ASSERT_TRUE(roundTrip(header, headerBack));
  EXPECT_EQ(headerBack.getSizeCpdConfigs(), 3u);
  for (unsigned i = 0; i < 20; ++i) {
    EXPECT_EQ(headerBack.getSizePinDef(i), header.getSizePinDef(i)) << i;
  }
  piSubFrame sf;
  EXPECT_TRUE(set >> sf);
  cCfgFileDeviceCpdConfigs setBack(headerBack);
  ASSERT_TRUE(setBack << sf);
  EXPECT_EQ(setBack, set);
  EXPECT_EQ(
      setBack.getCfgFileDeviceCpdConfig("SHUTDOWN")->getCfgFileDeviceCpdPinData(1)->getOpcData(),
      201u);
}

TEST(CpdConfigs, EmptySetTravelsAsNoItems) {
  cCfgFileDeviceCpdConfigs empty;
  piSubFrame sf;
  EXPECT_TRUE(empty >> sf);
  EXPECT_EQ(sf.itemCount(), 0u);
  cCfgFileDeviceCpdConfigs back(empty.getHeader());
  EXPECT_TRUE(back << sf);
  EXPECT_EQ(back, empty);
}

TEST(CpdPinData, TravelsPdxPdyOpcFirstAndKeepsDeclaredMeaning) {
  cCfgFileDeviceCpdPinData p(2, 17, 3073, 5, "RST");
  piSubFrame sf;
  ASSERT_TRUE(sendRecord(p, sf));
  ASSERT_EQ(sf.itemCount(), 5u);
  EXPECT_EQ(sf.item(0).u32, 2u);
  EXPECT_EQ(sf.item(1).u32, 17u);
  EXPECT_EQ(sf.item(2).u32, 3073u);
  EXPECT_EQ(sf.item(3).u32, 5u);
  EXPECT_EQ(sf.item(4).text, "RST");
  EXPECT_EQ(p.getOpcData(), 3073u);
  EXPECT_EQ(p.getPDx(), 2u);
  EXPECT_EQ(p.getPDy(), 17u);
}

TEST(CpdConfig, PlaceholdersShapeTheRecord) {
  cCfgFileDeviceCpdConfig three(3);
  ASSERT_EQ(three.sizePinDefs(), 3u);
  for (unsigned i = 0; i < 3; ++i) {
    EXPECT_EQ(*three.getCfgFileDeviceCpdPinData(i),
              cCfgFileDeviceCpdPinData(0, 0, 0, 0, "UNKNOWN"));
  }
  EXPECT_EQ(three.getCfgFileDeviceCpdPinData(3), nullptr);
  piSubFrame sf;
  sendRecord(three, sf);
  EXPECT_EQ(sf.itemCount(), 16u);

  cCfgFileDeviceCpdConfig none(0);
  piSubFrame sf0;
  sendRecord(none, sf0);
  ASSERT_EQ(sf0.itemCount(), 1u);
  EXPECT_EQ(sf0.item(0).text, "");
}

TEST(CpdConfig, CopyIsDeepAndEqualityLooksAtEverySetting) {
  std::unique_ptr<cCfgFileDeviceCpdConfig> a(labelled("SETUP", 2, 10));
  cCfgFileDeviceCpdConfig b(*a);
  EXPECT_EQ(b, *a);
  EXPECT_NE(b.getCfgFileDeviceCpdPinData(0), a->getCfgFileDeviceCpdPinData(0));

  a->clearPinDefs();  // the copy owns its own settings
  ASSERT_EQ(b.sizePinDefs(), 2u);
  EXPECT_EQ(b.getCfgFileDeviceCpdPinData(1)->getOpcData(), 11u);
  EXPECT_NE(b, *a);

  std::unique_ptr<cCfgFileDeviceCpdConfig> otherValue(labelled("SETUP", 2, 20));
  EXPECT_NE(*otherValue, b);
  std::unique_ptr<cCfgFileDeviceCpdConfig> otherLabel(labelled("SETUPi", 2, 10));
  EXPECT_NE(*otherLabel, b);
  b = b;  // self-assignment keeps the settings
  EXPECT_EQ(b.sizePinDefs(), 2u);
}

TEST(CpdConfigs, ShapedFromHeader) {
  struct Case {
    unsigned announced;
    unsigned expectedConfigs;
  };
  for (Case k : {Case{0, 0}, Case{2, 2}, Case{20, 20}, Case{25, 20}}) {
    SCOPED_TRACE(k.announced);
    cCfgFileDeviceCpdConfigs set(headerOf(k.announced, 4));
    ASSERT_EQ(set.sizeCpdConfigs(), k.expectedConfigs);
    cCfgFileDeviceCpdConfigsHeader back = set.getHeader();
    EXPECT_EQ(back.getSizeCpdConfigs(), k.expectedConfigs);
    for (unsigned i = 0; i < 20; ++i) {
      EXPECT_EQ(back.getSizePinDef(i), i < k.expectedConfigs ? 4 + i : 0u) << i;
    }
    piSubFrame sf;
    set >> sf;
    unsigned items = 0;
    for (unsigned i = 0; i < k.expectedConfigs; ++i) {
      items += 1 + 5 * (4 + i);
    }
    EXPECT_EQ(sf.itemCount(), items);
    cCfgFileDeviceCpdConfigsHeader h = headerOf(k.announced, 4);
    piSubFrame hsf;
    sendRecord(h, hsf);
    EXPECT_EQ(hsf.itemCount(), 21u);
  }
}

TEST(CpdConfigs, HeaderOfSetAndItsShapeMatch) {
  cCfgFileDeviceCpdConfigs set;
  ASSERT_TRUE(set.addCpdConfig(labelled("A", 4)));
  ASSERT_TRUE(set.addCpdConfig(labelled("B", 7)));
  cCfgFileDeviceCpdConfigsHeader h = set.getHeader();
  EXPECT_EQ(h.getSizeCpdConfigs(), 2u);
  EXPECT_EQ(h.getSizePinDef(0), 4u);
  EXPECT_EQ(h.getSizePinDef(1), 7u);
  for (unsigned i = 2; i < 20; ++i) {
    EXPECT_EQ(h.getSizePinDef(i), 0u);
  }
  cCfgFileDeviceCpdConfigs shaped(h);
  ASSERT_EQ(shaped.sizeCpdConfigs(), 2u);
  EXPECT_EQ(shaped.getCfgFileDeviceCpdConfig("")->sizePinDefs(), 4u);
  EXPECT_EQ(shaped.getHeader().getSizePinDef(1), 7u);
}

TEST(CpdConfigsHeader, PinCountTableHasTwentyEntries) {
  cCfgFileDeviceCpdConfigsHeader h;
  EXPECT_TRUE(h.addSizePinDef(9, 19));
  EXPECT_FALSE(h.addSizePinDef(9, 20));
  EXPECT_EQ(h.getSizePinDef(19), 9u);
  EXPECT_EQ(h.getSizePinDef(20), 0u);
  cCfgFileDeviceCpdConfigsHeader copy(h);
  h.addSizePinDef(1, 19);
  EXPECT_EQ(copy.getSizePinDef(19), 9u);
}

TEST(CpdConfigs, TwentyFirstConfigurationRefused) {
  cCfgFileDeviceCpdConfigs set;
  for (unsigned i = 0; i < 20; ++i) {
    ASSERT_TRUE(set.addCpdConfig(labelled("C" + std::to_string(i), 1)));
  }
  std::unique_ptr<cCfgFileDeviceCpdConfig> extra(labelled("EXTRA", 1));
  EXPECT_FALSE(set.addCpdConfig(extra.get()));  // the caller keeps it
  EXPECT_EQ(set.sizeCpdConfigs(), 20u);
  EXPECT_EQ(set.getCfgFileDeviceCpdConfig("EXTRA"), nullptr);
}

TEST(CpdConfigs, LabelLookupIsExactAndTakesTheFirst) {
  cCfgFileDeviceCpdConfigs set;
  set.addCpdConfig(labelled("SETUPi", 1, 100));
  set.addCpdConfig(labelled("SETUP", 1, 200));
  set.addCpdConfig(labelled("SETUP", 1, 300));
  EXPECT_EQ(set.getCfgFileDeviceCpdConfig("setup"), nullptr);
  EXPECT_EQ(set.getCfgFileDeviceCpdConfig("SETUP "), nullptr);
  EXPECT_EQ(set.getCfgFileDeviceCpdConfig("SHUTDOWN"), nullptr);
  ASSERT_NE(set.getCfgFileDeviceCpdConfig("SETUP"), nullptr);
  EXPECT_EQ(set.getCfgFileDeviceCpdConfig("SETUP")->getCfgFileDeviceCpdPinData(0)->getOpcData(),
            200u);
  EXPECT_EQ(set.getCfgFileDeviceCpdConfig("SETUPi")->getCfgFileDeviceCpdPinData(0)->getOpcData(),
            100u);
}

TEST(CpdConfigs, EqualityFollowsOrderAndCopiesAreDeep) {
  cCfgFileDeviceCpdConfigs ab, ab2, ba;
  ab.addCpdConfig(labelled("A", 1));
  ab.addCpdConfig(labelled("B", 2));
  ab2.addCpdConfig(labelled("A", 1));
  ab2.addCpdConfig(labelled("B", 2));
  ba.addCpdConfig(labelled("B", 2));
  ba.addCpdConfig(labelled("A", 1));
  EXPECT_TRUE(ab == ab2);
  EXPECT_FALSE(ab == ba);
  EXPECT_TRUE(ab != ba);

  cCfgFileDeviceCpdConfigs copy(ab);
  ab.clearCpdConfigs();
  EXPECT_EQ(copy, ab2);
  copy = ba;
  EXPECT_EQ(copy, ba);
  EXPECT_NE(copy.getCfgFileDeviceCpdConfig("A"), ba.getCfgFileDeviceCpdConfig("A"));
}

TEST(CpdConfigs, ReceiveMismatchingShapeFailsAndKeepsWhatWasStored) {
  cCfgFileDeviceCpdConfigs sent;
  sent.addCpdConfig(labelled("SETUP", 2, 50));
  piSubFrame sf;
  sent >> sf;

  cCfgFileDeviceCpdConfigs tooSmall(headerOf(1, 1));  // one setting instead of two
  EXPECT_FALSE(tooSmall << sf);
  ASSERT_EQ(tooSmall.sizeCpdConfigs(), 1u);
  EXPECT_EQ(
      tooSmall.getCfgFileDeviceCpdConfig("SETUP")->getCfgFileDeviceCpdPinData(0)->getOpcData(),
      50u);

  cCfgFileDeviceCpdConfigs tooBig(headerOf(1, 3));
  EXPECT_FALSE(tooBig << sf);
  EXPECT_EQ(tooBig.sizeCpdConfigs(), 1u);
}

}  // namespace
