#include <gtest/gtest.h>

#include <array>
#include <iostream>
#include <string>
#include <vector>

#include "littleEndian.h"
#include "tLineTap.h"
#include "tProviderFixture.h"

namespace {

typedef std::array<unsigned char, 50> tBytes;

tBytes bytesOf(const TAG_GLOBAL_ALGOCTRL_DATA* record) {
  tBytes out;
  std::copy(record->bytes, record->bytes + 50, out.begin());
  return out;
}

tBytes bytesOf(const tScaffoProgress& sent) {
  tBytes out{};
  EXPECT_EQ(sent.bytes.size(), 50u);
  for (std::size_t i = 0; i < out.size() && i < sent.bytes.size(); ++i) {
    out[i] = static_cast<unsigned char>(sent.bytes[i]);
  }
  return out;
}

class ProgressRecord : public tProviderFixture {
protected:
  TAG_GLOBAL_ALGOCTRL_DATA& record() { return *provider.getGACD(); }
};

TEST_F(ProgressRecord, FieldsAreLittleEndianAtTheirOffsets) {
  provider.getAddrFrom() = piModuleAddr(4, 5);
  record().bytes[gacdActionEnded] = 1;
  storeLeU32(record().bytes, gacdAddress, 0x12345678u);
  storeLeU32(record().bytes, gacdAddressValid, 1);
  storeLeU32(record().bytes, gacdMessageNo, static_cast<std::uint32_t>(-2));
  storeLeU32(record().bytes, gacdParamLayout, mplFloat1);
  storeLeU32(record().bytes, gacdParam1, 0x3F800000u);  // 1.0f
  storeLeU32(record().bytes, gacdMessageValid, 1);
  provider.ShowProgress();

  tBytes expected{};
  expected[4] = 1;
  expected[6] = 0x78;
  expected[7] = 0x56;
  expected[8] = 0x34;
  expected[9] = 0x12;
  expected[10] = 1;
  expected[14] = 0xFE;
  expected[15] = 0xFF;
  expected[16] = 0xFF;
  expected[17] = 0xFF;
  expected[18] = 6;
  expected[24] = 0x80;
  expected[25] = 0x3F;
  expected[38] = 1;
  ASSERT_EQ(host().progress().size(), 1u);
  EXPECT_EQ(bytesOf(host().progress()[0]), expected);
  EXPECT_EQ(host().progress()[0].addr, piModuleAddr(4, 5));
  EXPECT_EQ(host().progress()[0].sender, static_cast<cScaffoProvider*>(&provider));
}

TEST_F(ProgressRecord, CreateGacdClearsTheRecordAndKeepsCancelOnlyWithoutReset) {
  const struct {
    unsigned char cancelBefore;
    unsigned char reset;
    unsigned char cancelAfter;
  } cases[] = {{1, 0, 1}, {0, 0, 0}, {1, 1, 0}, {0, 7, 0}, {0x20, 0, 1}};
  for (const auto& c : cases) {
    for (unsigned char& b : record().bytes) {
      b = 0xEE;
    }
    record().bytes[gacdCancelRequest] = c.cancelBefore;
    provider.createGACD(c.reset);
    EXPECT_NE(provider.getGACD(), nullptr);
    tBytes expected{};
    expected[gacdCancelRequest] = c.cancelAfter;
    // No byte of the old record survives, written or not.
    EXPECT_EQ(bytesOf(provider.getGACD()), expected)
        << "cancel " << int(c.cancelBefore) << " reset " << int(c.reset);
    EXPECT_EQ(provider.getCancel(), c.cancelAfter);
  }
}

TEST_F(ProgressRecord, CancelIsKeptAcrossShowProgressAndClearedByReset) {
  provider.Slot_CancelAction(piModuleAddr(8, 8));
  EXPECT_EQ(provider.getCancel(), 1);
  EXPECT_EQ(provider.getAddrFrom(), piModuleAddr(8, 8));
  storeLeU32(record().bytes, gacdMessageNo, 99);
  storeLeU32(record().bytes, gacdMessageValid, 1);
  provider.ShowProgress();
  provider.ShowProgress();

  ASSERT_EQ(host().progress().size(), 2u);
  const tBytes first = bytesOf(host().progress()[0]);
  const tBytes second = bytesOf(host().progress()[1]);
  EXPECT_EQ(first[gacdCancelRequest], 1);
  EXPECT_EQ(first[gacdMessageNo], 99);
  tBytes onlyCancel{};
  onlyCancel[gacdCancelRequest] = 1;
  EXPECT_EQ(second, onlyCancel);
  EXPECT_EQ(provider.getCancel(), 1);

  provider.createGACD(1);
  EXPECT_EQ(provider.getCancel(), 0);
}

TEST_F(ProgressRecord, ShowProgressWithDataSendsThoseBytesAndKeepsTheRecord) {
  char data[3] = {1, 2, 3};
  record().bytes[gacdActionEnded] = 1;
  const TAG_GLOBAL_ALGOCTRL_DATA* current = provider.getGACD();
  provider.ShowProgress(data, sizeof data);
  ASSERT_EQ(host().progress().size(), 1u);
  EXPECT_EQ(host().progress()[0].bytes, (std::vector<char>{1, 2, 3}));
  EXPECT_EQ(provider.getGACD(), current);
  EXPECT_EQ(record().bytes[gacdActionEnded], 1);
}

TEST_F(ProgressRecord, HostEventsRunJustBeforeAndAfterEachRecord) {
  std::vector<std::size_t> sentAtSchedule;
  cAbstractEventManager* seen = nullptr;
  cAbstractEventManager::setScheduleHook([&](cAbstractEventManager& manager, int mode) {
    EXPECT_EQ(mode, 0);
    seen = &manager;
    sentAtSchedule.push_back(host().progress().size());
  });
  provider.ShowProgress();
  provider.ShowProgress();
  EXPECT_EQ(sentAtSchedule, (std::vector<std::size_t>{0, 1, 1, 2}));
  EXPECT_EQ(seen, static_cast<cAbstractEventManager*>(&provider));
}

TEST_F(ProgressRecord, CancelFromHostEventReachesTheRecordBeingSent) {
  const piModuleAddr canceller(6, 6);
  host().atProgressRecord(3, [&](cScaffoProvider& p) { p.Slot_CancelAction(canceller); });
  for (int i = 0; i < 4; ++i) {
    provider.ShowProgress();
  }
  const auto& sent = host().progress();
  ASSERT_EQ(sent.size(), 4u);
  const unsigned char cancel[] = {0, 0, 1, 1};
  for (std::size_t i = 0; i < sent.size(); ++i) {
    EXPECT_EQ(bytesOf(sent[i])[gacdCancelRequest], cancel[i]) << i;
  }
  EXPECT_EQ(sent[1].addr, piModuleAddr(0, 0));
  EXPECT_EQ(sent[2].addr, canceller);
  EXPECT_EQ(host().pendingEvents(), 0u);
}

TEST_F(ProgressRecord, ThrowingSignalPassesOnAndSkipsTheSecondSchedule) {
  host().throwAt(ssProgress, 1, "host gone");
  cAbstractEventManager::setScheduleHook([](cAbstractEventManager&, int) {});
  try {
    provider.ShowProgress();
    FAIL() << "no exception";
  } catch (const std::string& text) {
    EXPECT_EQ(text, "host gone");
  }
  EXPECT_EQ(cAbstractEventManager::scheduleCount(), 1u);
  EXPECT_TRUE(host().progress().empty());
  // The next record goes out normally.
  provider.ShowProgress();
  EXPECT_EQ(host().progress().size(), 1u);
}

TEST_F(ProgressRecord, MessagesAreLoggedThenSent) {
  provider.getAddrFrom() = piModuleAddr(3, 4);
  host().setResult(ssMessage, false);
  EXPECT_EQ(linesOf(std::cerr,
                    [&] {
                      provider.showMessage("");
                      provider.showInternMessage("developer text");
                    }),
            (tLines{"PIDBG: ", "PIDBG: developer text"}));

  ASSERT_EQ(host().messages().size(), 1u);
  EXPECT_EQ(host().messages()[0].text, "");
  EXPECT_EQ(host().messages()[0].addr, piModuleAddr(3, 4));
  EXPECT_EQ(host().messages()[0].timeout, 20000u);
  ASSERT_EQ(host().dbgMessages().size(), 1u);
  EXPECT_EQ(host().dbgMessages()[0].text, "developer text");
  EXPECT_EQ(host().dbgMessages()[0].addr, piModuleAddr(3, 4));
  EXPECT_EQ(host().dbgMessages()[0].timeout, 20000u);
}

TEST_F(ProgressRecord, MessageIsLoggedEvenWhenTheSignalThrows) {
  host().throwAt(ssMessage, 1, "refused");
  EXPECT_EQ(linesOf(std::cerr, [&] { EXPECT_THROW(provider.showMessage("lost"), std::string); }),
            tLines{"PIDBG: lost"});
}

}  // namespace
