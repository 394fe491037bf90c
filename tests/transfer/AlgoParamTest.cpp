#include <gtest/gtest.h>

#include <functional>
#include <iostream>
#include <string>
#include <tuple>
#include <vector>

#include "cAlgoParam.h"
#include "tLineTap.h"

namespace {

bool isDummy(const tByteArray* b) { return b->getBufferId() == -1 && b->GetSize() == 1; }

class AlgoParam : public testing::Test {
protected:
  cAlgoParam set{tByteArray::slModule, 1, 0, 0};
};

TEST_F(AlgoParam, StartsWithOneBufferAndDefaults) {
  ASSERT_EQ(set.getNumberOfBuffers(), 1u);
  tByteArray* b = set.getByteArrayFromIndex(0);
  EXPECT_EQ(b->getBufferId(), 0);
  EXPECT_EQ(b->GetSize(), 1u);
  EXPECT_EQ(b->GetAt(0), 0);
  EXPECT_EQ(b->getVersionOfChanges(), 0u);
  EXPECT_EQ(b->getSourceLocation(), tByteArray::slModule);
  EXPECT_EQ(set.getJobAction(), "No");
  EXPECT_EQ(set.hasOwnByteArrayVct(), 1);
  EXPECT_EQ(set.getRefCfgFileDeviceCpdConfigs().sizeCpdConfigs(), 0u);
  EXPECT_EQ(set.getRefCfgFileDeviceLayout(), cCfgFileDeviceLayout(0));
  EXPECT_EQ(set.getHdwParam().getTypeid(), hptDefault);
  EXPECT_EQ(set.getAlgoKrv3UIData()->getActionMode(), 1);
}

TEST_F(AlgoParam, LookupsNeverFailHard) {
  for (tByteArray* b : {set.getByteArrayFromBufferId(5), set.getByteArrayFromIndex(1),
                        set.getByteArrayFromIndex(-1)}) {
    ASSERT_NE(b, nullptr);
    EXPECT_TRUE(isDummy(b));
    EXPECT_EQ(b->getSourceLocation(), tByteArray::slNone);
  }
  EXPECT_EQ(set.getBufferId(1), -1);
  EXPECT_EQ(set.getBufferIndex(5), -1);
  set.deleteByteArrayVct();
  EXPECT_EQ(set.getNumberOfBuffers(), 0u);
  EXPECT_TRUE(isDummy(set.getByteArrayFromBufferId(0)));
  EXPECT_TRUE(isDummy(set.getByteArrayFromIndex(0)));
}

TEST_F(AlgoParam, CreateRefusesExistingIdsAndEmptyBuffers) {
  EXPECT_EQ(set.addByteArray(100, 0xFF, 0), nullptr);
  set.removeByteArray(0);
  tByteArray* b = set.addByteArray(100, 0xFF, 0);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->GetSize(), 100u);
  EXPECT_EQ(b->GetAt(99), 0xFF);
  EXPECT_EQ(set.getByteArrayFromBufferId(0), b);

  EXPECT_EQ(set.addByteArray(0, 0, 7), nullptr);
  EXPECT_EQ(set.getBufferIndex(7), -1);
  EXPECT_EQ(set.getNumberOfBuffers(), 1u);
  set.removeByteArray(42);  // nothing happens
  EXPECT_EQ(set.getNumberOfBuffers(), 1u);
}

TEST_F(AlgoParam, BuffersKeepCreationOrder) {
  set.addByteArray(4, 0, 3);
  set.addByteArray(4, 0, 1);
  EXPECT_EQ(set.getBufferId(0), 0);
  EXPECT_EQ(set.getBufferId(1), 3);
  EXPECT_EQ(set.getBufferId(2), 1);
  EXPECT_EQ(set.getBufferIndex(1), 2);
  set.removeByteArray(3);
  EXPECT_EQ(set.getBufferId(1), 1);
}

TEST_F(AlgoParam, RecordSetsExactlyItsFourMembers) {
  piSubFrame sf;
  sf.addUInt8(1);
  sf.addUInt32(250);
  sf.addString("/cfg/dev.cfg");
  sf.addString("Prog");
  ASSERT_TRUE(set << sf);
  EXPECT_EQ(set.getDoDeviceContinuityTest(), 1);
  EXPECT_EQ(set.getUiFpgaTimerValue(), 250u);
  EXPECT_EQ(set.getDefDeviceCfgFilePath(), "/cfg/dev.cfg");
  EXPECT_EQ(set.getJobAction(), "Prog");
  EXPECT_EQ(set.getConfirmOnFail(), 0);
  EXPECT_EQ(set.getErrorSound(), 0);
}

TEST_F(AlgoParam, FailedRecordIsLoggedAndPartlyStored) {
  piSubFrame sf;
  sf.addUInt8(1);
  sf.addUInt32(250);
  sf.addUInt32(3);  // a number where the path belongs
  EXPECT_EQ(linesOf(std::cerr, [&] { EXPECT_FALSE(set << sf); }),
            tLines{"PIDBG: cAlgoParam: storeToFrame failed."});
  EXPECT_EQ(set.getUiFpgaTimerValue(), 250u);
  EXPECT_EQ(set.getJobAction(), "No");
}

// The setters take the given object's content into the held record, which
// keeps its address: whatever was built over the record between two
// receives still points at a live record, now with the new content.
TEST_F(AlgoParam, HeldRecordsStayWhereTheyAreAndTakeTheSettersContent) {
  cCfgFileDeviceCpdConfigs* const heldConfigs = &set.getRefCfgFileDeviceCpdConfigs();
  cCfgFileDeviceCpdConfigsHeader h;
  h.setSizeCpdConfigs(2);
  set.setCfgFileDeviceCpdConfigs(*new cCfgFileDeviceCpdConfigs(h));
  EXPECT_EQ(&set.getRefCfgFileDeviceCpdConfigs(), heldConfigs);
  EXPECT_EQ(set.getRefCfgFileDeviceCpdConfigs().sizeCpdConfigs(), 2u);
  set.setCfgFileDeviceCpdConfigs(*heldConfigs);  // the held set itself stays as it is
  EXPECT_EQ(set.getRefCfgFileDeviceCpdConfigs().sizeCpdConfigs(), 2u);

  cCfgFileDeviceLayout* const heldLayout = &set.getRefCfgFileDeviceLayout();
  set.setCfgFileDeviceLayout(*new cCfgFileDeviceLayout(3));
  EXPECT_EQ(&set.getRefCfgFileDeviceLayout(), heldLayout);
  EXPECT_EQ(set.getRefCfgFileDeviceLayout().sizePinDefs(), 3u);
  set.setCfgFileDeviceLayout(*heldLayout);
  EXPECT_EQ(set.getRefCfgFileDeviceLayout().sizePinDefs(), 3u);

  cCSVSerialDataContent content;
  content.setCSVProjectActive();
  set.setCSVSerialDataContent(content);
  EXPECT_TRUE(set.getCSVSerialDataContent().isCSVProjectActive());
}

// What a test leaves in a layout besides what travels: pins, counts, result.
typedef std::tuple<unsigned, unsigned, unsigned, unsigned, unsigned, unsigned> tTestState;
tTestState testStateOf(cCfgFileDeviceLayout& l) {
  const cPinConnectionData result = l.getPinConnectionResult();
  return tTestState(l.getSize(), l.getPDMaxSlot(), l.getTotalPinNumber(),
                    l.getHighSideDriverPinCount(), result.getTotalPinNumber(),
                    result.getConnectedPinNumber());
}

// A test of the held layout (two high-side driver pins counted), then a
// layout of one pin that passes arrives. The held layout must then look and
// test as a new layout of that content: no pins, no counts, and a result
// that does not weigh the one pin against the earlier test's two.
TEST_F(AlgoParam, ReceivedLayoutIsANewLayoutInEveryCount) {
  cCfgFileDeviceLayout* first = new cCfgFileDeviceLayout(0);
  first->addPinDefs(new cDevicePDxyData(1, 0, cDevicePDxyData::trHighSideDriverPin, 1, "A"));
  first->addPinDefs(new cDevicePDxyData(1, 1, cDevicePDxyData::trHighSideDriverPin, 2, "B"));
  set.setCfgFileDeviceLayout(*first);
  cCfgFileDeviceLayout& held = set.getRefCfgFileDeviceLayout();
  ASSERT_TRUE(held.init());
  std::vector<cDevicePDxyData*> driven;
  held.getHighSideDriverPins(driven);
  ASSERT_EQ(held.getHighSideDriverPinCount(), 2u);

  cCfgFileDeviceLayout second(0);
  second.addPinDefs(new cDevicePDxyData(2, 5, cDevicePDxyData::trHigh, 3, "C"));
  set.setCfgFileDeviceLayout(*new cCfgFileDeviceLayout(second));
  cCfgFileDeviceLayout fresh(second);
  tLineTap quiet(std::cerr);
  EXPECT_EQ(testStateOf(held), testStateOf(fresh));
  EXPECT_EQ(testStateOf(fresh), tTestState(0, 0, 0, 0, 0, 0));

  for (cCfgFileDeviceLayout* l : {&held, &fresh}) {
    ASSERT_TRUE(l->init());
    l->getDevicePDxyData(0)->setbResult(1);
  }
  EXPECT_EQ(testStateOf(held), testStateOf(fresh));
  EXPECT_EQ(testStateOf(fresh), tTestState(1, 2, 1, 0, 1, 1));
}

TEST_F(AlgoParam, InitAlgoDataStructForUI) {
  unsigned char* oldCfg = set.getDeviceAlgPrm()->pCfgBuffer;
  oldCfg[0] = 1;
  set.getAlgoKrv3UIData()->setErrorCode(5);
  EXPECT_TRUE(set.InitAlgoDataStructForUI(0x10005, 258));
  EXPECT_EQ(set.getDeviceAlgPrm()->pCfgBuffer[0], 0);
  EXPECT_EQ(set.getAlgoKrv3UIData()->getErrorCode(), 0);
  EXPECT_EQ(loadLeU16(set.getAlgoKrv3UIData()->raw, 110), 5);  // a taken as 16 bits
  EXPECT_EQ(loadLeU32(set.getAlgoKrv3UIData()->raw, 36), 258u);
}

TEST_F(AlgoParam, JobRecordForgetsTheAddressOfFreedBuffers) {
  const std::vector<std::function<void(cAlgoParam&)>> frees = {
      [](cAlgoParam& p) { p.removeByteArray(0); },
      [](cAlgoParam& p) { p.deleteByteArrayVct(); },
      [](cAlgoParam& p) { p.reCreateByteArrayVct(); },
      [](cAlgoParam& p) {
        cAlgoParam other(tByteArray::slModule, 2, 0, 0);
        p.copy(other, cbuDeepCopy);
      },
  };
  for (std::size_t k = 0; k < frees.size(); ++k) {
    cAlgoParam p(tByteArray::slModule, 16, 0, 0);
    p.getRefUiAlgoDataK3().prepareForAlgoAction(*p.getByteArrayFromIndex(0), 1);
    ASSERT_EQ(p.getAlgoKrv3UIData()->getDataBuffer(), p.getByteArrayFromIndex(0)->getDataConst());
    frees[k](p);
    EXPECT_EQ(p.getAlgoKrv3UIData()->getDataBuffer(), nullptr) << k;
  }
}

TEST_F(AlgoParam, CopyWithDeepBuffers) {
  cAlgoParam other(tByteArray::slHost, 1, 0, 0);
  other.addByteArray(8, 0x11, 1);
  other.addByteArray(8, 0x22, 2);
  other.setJobAction("Read");
  other.setConfirmOnFail(1);
  other.getAlgoKrv3UIData()->setStartAdr(0x40);
  other.getHdwParam().setErrorId(77);
  other.getCSVSerialDataContent().setKpf2File("p.kpf");

  ASSERT_TRUE(set.copy(other, cbuDeepCopy));
  ASSERT_EQ(set.getNumberOfBuffers(), 3u);
  for (unsigned i = 0; i < 3; ++i) {
    EXPECT_EQ(set.getBufferId(i), static_cast<int>(i));
    EXPECT_NE(set.getByteArrayFromIndex(i), other.getByteArrayFromIndex(i));
  }
  set.getByteArrayFromBufferId(2)->SetAt(0, 0x99);
  EXPECT_EQ(other.getByteArrayFromBufferId(2)->GetAt(0), 0x22);
  EXPECT_EQ(set.hasOwnByteArrayVct(), 1);
  EXPECT_EQ(set.getJobAction(), "Read");
  EXPECT_EQ(set.getConfirmOnFail(), 1);
  EXPECT_EQ(set.getAlgoKrv3UIData()->getStartAdr(), 0x40u);
  EXPECT_EQ(set.getHdwParam().getErrorId(0), 77u);
  EXPECT_EQ(set.getCSVSerialDataContent().getKpf2File(), "p.kpf");
  // New buffers take the copied source location.
  EXPECT_EQ(set.addByteArray(2, 0, 9)->getSourceLocation(), tByteArray::slHost);
}

TEST_F(AlgoParam, CopyWithBorrowedList) {
  cAlgoParam other(tByteArray::slModule, 4, 0x33, 0);
  other.addByteArray(4, 0, 1);
  ASSERT_TRUE(set.copy(other, cbuBorrowList));
  EXPECT_EQ(set.hasOwnByteArrayVct(), 0);
  EXPECT_EQ(set.getByteArrayVct(), other.getByteArrayVct());
  EXPECT_EQ(set.getByteArrayFromBufferId(1), other.getByteArrayFromBufferId(1));
  set.deleteByteArrayVct();  // a borrowed list is left alone
  EXPECT_EQ(other.getNumberOfBuffers(), 2u);

  // Copying back into the lender with fresh buffers must not read freed ones.
  ASSERT_TRUE(other.copy(set, cbuDeepCopy));
  EXPECT_EQ(other.getNumberOfBuffers(), 2u);
  EXPECT_EQ(other.getByteArrayFromBufferId(0)->GetAt(3), 0x33);
  set.reCreateByteArrayVct();
  EXPECT_EQ(set.hasOwnByteArrayVct(), 1);
  EXPECT_EQ(set.getNumberOfBuffers(), 0u);
}

TEST_F(AlgoParam, CopyFromSetWithoutListChangesNothing) {
  cAlgoParam other(tByteArray::slModule, 1, 0, 0);
  other.deleteFullByteArrayVctObject();
  other.setJobAction("Erase");
  EXPECT_FALSE(set.copy(other, cbuBorrowList));
  EXPECT_EQ(set.getJobAction(), "No");
  EXPECT_EQ(set.getNumberOfBuffers(), 1u);
  EXPECT_FALSE(set.setExternByteArrayVct(nullptr));
  EXPECT_EQ(set.hasOwnByteArrayVct(), 1);
}

TEST_F(AlgoParam, CopyWithOtherUseKeepsBuffers) {
  cAlgoParam other(tByteArray::slModule, 1, 0, 0);
  other.addByteArray(4, 0, 5);
  tByteArray* mine = set.getByteArrayFromIndex(0);
  ASSERT_TRUE(set.copy(other, static_cast<eCopyBufferUse>(2)));
  EXPECT_EQ(set.getNumberOfBuffers(), 1u);
  EXPECT_EQ(set.getByteArrayFromIndex(0), mine);
}

}  // namespace
