// Claim, type, unclaim, data-exchange and cancel slots of the provider over
// the simulated programmer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "JobBuilder.h"
#include "cAlgoParam.h"
#include "tJobSamples.h"
#include "tLineTap.h"
#include "tSimProviderFixture.h"

using namespace jobSamples;

namespace {

const piModuleAddr kClient(11, 12);
const piModuleAddr kEarlier(1, 2);

const char* const kReadBackLines[] = {"PIDBG: claimedRemoteId@getClaimInfo: ",
                                      "PIDBG: claimedInterface@getClaimInfo: "};

class ProviderClaimExchange : public tSimProviderFixture {
protected:
  void SetUp() override {
    tSimProviderFixture::SetUp();
    provider().Slot_CancelAction(kEarlier);  // a known reply address
    provider().createGACD(1);
  }

  unsigned char claim(std::string remoteId, std::string interface, unsigned char flag) {
    unsigned char ok = 7;
    provider().Slot_ClaimKorvo(remoteId, interface, flag, ok, kClient);
    return ok;
  }
  unsigned char receive(tExchange& ex, piModuleAddr addr = kClient) {
    unsigned char ok = 7;
    ex.run([&](auto&... sf) { provider().Slot_ReceiveData(sf..., ok, addr); });
    return ok;
  }
  unsigned char send(tExchange& ex, piModuleAddr addr = kClient) {
    unsigned char ok = 7;
    ex.run([&](auto&... sf) { provider().Slot_SendData(sf..., ok, addr); });
    return ok;
  }
};

TEST_F(ProviderClaimExchange, ClaimWhoseReadBackMatchesMakesTheCallerTheReplyAddress) {
  const struct {
    unsigned char flag;
    unsigned int force;
  } cases[] = {{0, 0}, {1, 1}, {0x80, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(int(c.flag));
    sim().clearTrace();
    provider().getAddrFrom() = kEarlier;
    tLineTap log(std::cerr);
    EXPECT_EQ(1, claim("client-1", "USB", c.flag));
    EXPECT_EQ(kClient, provider().getAddrFrom());
    const std::vector<tK5TraceEvent> claims = sim().traceOf(tK5TraceEvent::tkClaim);
    ASSERT_EQ(1u, claims.size());
    EXPECT_EQ("USB", claims[0].text);
    EXPECT_EQ("client-1", claims[0].text2);
    EXPECT_EQ(c.force, claims[0].b);
    EXPECT_EQ((std::vector<std::string>{std::string(kReadBackLines[0]) + "client-1",
                                        std::string(kReadBackLines[1]) + "USB"}),
              log.lines);
    EXPECT_TRUE(sim().stateHistory().empty());
  }
}

TEST_F(ProviderClaimExchange, ContradictedClaimSetsTheDeviceReadyAndKeepsTheReplyAddress) {
  sim().presetClaim("LAN", "other");
  tLineTap log(std::cerr);
  EXPECT_EQ(0, claim("me", "USB", 0));
  EXPECT_EQ(kEarlier, provider().getAddrFrom());
  EXPECT_EQ(std::vector<int>{1}, sim().stateHistory());
  EXPECT_EQ("other", sim().claimedRemoteId());
  ASSERT_EQ(3u, log.lines.size());
  EXPECT_EQ(std::string(kReadBackLines[0]) + "other", log.lines[0]);
  EXPECT_EQ(std::string(kReadBackLines[1]) + "LAN", log.lines[1]);
  EXPECT_EQ("PIDBG: Failed to claim korvo: Claim data claimedRemoteId and claimedInterface are not "
            "equal.",
            log.lines[2]);
}

// The host refuses the claim and keeps the one it had: only the read-back,
// compared string by string, decides.
TEST_F(ProviderClaimExchange, ReadBackDecidesWhenEitherStringDiffers) {
  const struct {
    const char* what;
    const char* heldInterface;
    const char* heldRemoteId;
    unsigned char ok;
  } cases[] = {
      {"interface differs", "LAN", "me", 0},
      {"remote id differs", "USB", "other", 0},
      {"both equal although refused", "USB", "me", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    sim().clearFaults();
    sim().presetClaim(c.heldInterface, c.heldRemoteId);
    sim().injectFalse("claimDevice");
    const std::vector<int> readyBefore = sim().stateHistory();
    provider().getAddrFrom() = kEarlier;
    tLineTap log(std::cerr);
    EXPECT_EQ(c.ok, claim("me", "USB", 0));
    EXPECT_EQ(c.ok ? kClient : kEarlier, provider().getAddrFrom());
    std::vector<int> ready = readyBefore;
    if (!c.ok) ready.push_back(1);
    EXPECT_EQ(ready, sim().stateHistory());
    EXPECT_EQ(c.heldRemoteId, sim().claimedRemoteId());
    ASSERT_EQ(c.ok ? 2u : 3u, log.lines.size());
    EXPECT_EQ(std::string(kReadBackLines[0]) + c.heldRemoteId, log.lines[0]);
    EXPECT_EQ(std::string(kReadBackLines[1]) + c.heldInterface, log.lines[1]);
  }
}

TEST_F(ProviderClaimExchange, ThrownHostTextsAreLoggedWithTheStepThatFailed) {
  const struct {
    const char* point;
    std::vector<std::string> lines;
  } cases[] = {
      {"claimDevice", {"PIDBG: try claimDevice", "PIDBG: bus gone"}},
      {"stateCtrl", {"PIDBG: try claimDevice", "PIDBG: bus gone"}},
      {"getClaimedRemoteId", {"PIDBG: try getClaimInfo", "PIDBG: bus gone"}},
      {"getClaimedInterface",
       {std::string(kReadBackLines[0]) + "me", "PIDBG: try getClaimInfo", "PIDBG: bus gone"}},
      {"setDeviceState", {}},  // filled below: the contradiction's ready fails
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.point);
    sim().clearFaults();
    sim().presetClaim("", "");
    std::vector<std::string> expected = c.lines;
    if (std::string(c.point) == "setDeviceState") {
      sim().presetClaim("LAN", "other");
      expected = {std::string(kReadBackLines[0]) + "other", std::string(kReadBackLines[1]) + "LAN",
                  "PIDBG: try getClaimInfo", "PIDBG: bus gone"};
    }
    sim().injectThrow(c.point, "bus gone");
    provider().getAddrFrom() = kEarlier;
    tLineTap log(std::cerr);
    EXPECT_EQ(0, claim("me", "USB", 0));
    EXPECT_EQ(expected, log.lines);
    EXPECT_EQ(kEarlier, provider().getAddrFrom());
  }
}

TEST_F(ProviderClaimExchange, TypeSlotMapsTheProductTypeAndReadsTheClaim) {
  sim().presetClaim("USB", "client-9");
  sim().setProductName("Korvo 5 Pro");
  const struct {
    int productType;
    int code;
    bool unknownLine;
  } cases[] = {{1, 10, false}, {2, 11, false}, {3, 12, false}, {4, 13, false},
               {0, -5, true},  {7, -5, false}, {-1, -5, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.productType);
    sim().setProductType(c.productType);
    int type = -5;
    std::string id, itf;
    tLineTap log(std::cerr);
    provider().Slot_GetKorvoTypeAndClaimInfo(type, id, itf, kClient);
    EXPECT_EQ(c.code, type);
    EXPECT_EQ("client-9", id);
    EXPECT_EQ("USB", itf);
    std::vector<std::string> expected;
    if (c.unknownLine) expected.push_back("PIDBG: Unknown type. (Error / Bug in firmware).");
    expected.push_back("PIDBG: Korvo-Type:       Korvo 5 Pro");
    expected.push_back(std::string(kReadBackLines[0]) + "client-9");
    expected.push_back(std::string(kReadBackLines[1]) + "USB");
    EXPECT_EQ(expected, log.lines);
    EXPECT_EQ(kEarlier, provider().getAddrFrom());
  }
}

TEST_F(ProviderClaimExchange, UnclaimReleasesWithoutStoringTheAddress) {
  sim().presetClaim("USB", "client-9");
  provider().Slot_UnClaimKorvo(kClient);
  EXPECT_EQ("", sim().claimedRemoteId());
  EXPECT_EQ(1u, sim().traceOf(tK5TraceEvent::tkUnclaim).size());
  EXPECT_EQ(kEarlier, provider().getAddrFrom());
}

TEST_F(ProviderClaimExchange, CompleteJobOverSeveralReceivesReadsBackEqual) {
  const std::vector<unsigned char> image = pattern(64 * 1024, 3);
  cDeviceParam device;
  for (unsigned i = 0; i < 64; ++i) {
    device.getDeviceAlgPrmStruct()->pCfgBuffer[i * 500] = static_cast<unsigned char>(i + 1);
  }
  const cKxHdwParam hdw = sampleHdwParam();
  const cCfgFileDeviceCpdConfigs configs = sampleConfigs();
  const cCfgFileDeviceLayout layout = sampleLayout(3);
  const TAG_UI_ALGODATA_KRV3 jobRecord = sampleJobRecord();

  // 16 items, eight per exchange: the create and the first seven parts, then
  // the last part, every record type and a free block.
  JobBuilder job;
  job.createBuffer(0, 64 * 1024, 0xFF)
      .bufferInParts(0, image, 8, 42)
      .parameterSet(1, 0x10001, "/cfg/dev.cfg", "Prog")
      .jobRecord(jobRecord)
      .deviceConfig(device)
      .hardwareParams(hdw)
      .pinDriverConfigs(configs)
      .layout(layout)
      .dataBlock("note", {1, 2, 3});
  std::vector<tExchange> exchanges = job.exchanges();
  ASSERT_EQ(2u, exchanges.size());
  tLineTap log(std::cerr);
  for (tExchange& ex : exchanges) {
    ASSERT_EQ(1, receive(ex));
  }
  cAlgoParam& ap = provider().getAP();
  ASSERT_EQ(1u, ap.getNumberOfBuffers());
  EXPECT_EQ(42u, ap.getByteArrayFromBufferId(0)->getVersionOfChanges());

  JobBuilder request;
  request.fetchWindow(ctFullData, 0, 0, 64 * 1024)
      .fetchInfo(0)
      .fetch(cDataTransferDescriptor::dtAlgoParam)
      .fetch(cDataTransferDescriptor::dtAlgoKrv3UIData)
      .fetch(cDataTransferDescriptor::dtDeviceAlgPrm)
      .fetch(cDataTransferDescriptor::dtHdwParam)
      .fetch(cDataTransferDescriptor::dtCfgFileDeviceCpdConfigs)
      .fetch(cDataTransferDescriptor::dtCfgFileDeviceLayout);
  tExchange answer = request.exchange();
  const piModuleAddr reader(21, 22);
  ASSERT_EQ(1, send(answer, reader));
  EXPECT_EQ(reader, provider().getAddrFrom());

  cDataTransferDescriptors answered;
  ASSERT_TRUE(readDescriptors(answer.sf[0], answered));

  std::vector<unsigned char> bytes;
  ASSERT_TRUE(readWindow(answer.data(0), bytes));
  EXPECT_TRUE(bytes == image);
  EXPECT_TRUE(JobBuilder::command(ctFullData, 0, 0, 64 * 1024, 42, 0, tByteArray::slModule) ==
              answered.getDataTransferDescriptor(0).getByteArrayInfo());

  tByteArrayInfo info;
  ASSERT_TRUE(info << answer.data(1));
  EXPECT_EQ(ctInfoOnly, info.getCmdType());
  EXPECT_EQ(0, info.getId());
  EXPECT_EQ(64u * 1024u, info.getSize());
  EXPECT_EQ(42u, info.getVersionOfChanges());

  cAlgoParam params(tByteArray::slModule, 1, 0, 0);
  ASSERT_TRUE(params << answer.data(2));
  EXPECT_EQ(1, params.getDoDeviceContinuityTest());
  EXPECT_EQ(0x10001u, params.getUiFpgaTimerValue());
  EXPECT_EQ("/cfg/dev.cfg", params.getDefDeviceCfgFilePath());
  EXPECT_EQ("Prog", params.getJobAction());

  cUiAlgoDataK3 rec;
  ASSERT_TRUE(rec << answer.data(3));
  EXPECT_EQ(
      0, std::memcmp(jobRecord.raw, rec.getUiAlgoDataK3Struct()->raw, TAG_UI_ALGODATA_KRV3::kSize));

  cDeviceParam devGot;
  ASSERT_TRUE(devGot << answer.data(4));
  EXPECT_EQ(0, std::memcmp(device.getDeviceAlgPrmStruct()->pCfgBuffer,
                           devGot.getDeviceAlgPrmStruct()->pCfgBuffer, CFG_BUFFER_SIZE));

  piSubFrame hdwSent;
  cKxHdwParam(hdw) >> hdwSent;
  EXPECT_EQ(hdwSent, answer.data(5));
  cKxHdwParam hdwGot(hptDefault);
  ASSERT_TRUE(hdwGot << answer.data(5));
  EXPECT_EQ(1u, hdwGot.getFpgaHdwImageCount());
  EXPECT_EQ(5u, hdwGot.getFpgaHdwImageCtrl(0)->dbImage().getSize());

  const cCfgFileDeviceCpdConfigsHeader& header =
      answered.getDataTransferDescriptor(6).getCfgFileDeviceCpdConfigsHeader();
  EXPECT_EQ(2u, header.getSizeCpdConfigs());
  EXPECT_EQ(4u, header.getSizePinDef(1));
  cCfgFileDeviceCpdConfigs configsGot;
  ASSERT_TRUE(readPinDriverConfigs(header, answer.data(6), configsGot));
  EXPECT_TRUE(configs == configsGot);

  const unsigned pins =
      answered.getDataTransferDescriptor(7).getPinConnectionLayoutData_sizePinDefs();
  EXPECT_EQ(3u, pins);
  cCfgFileDeviceLayout layoutGot(0);
  ASSERT_TRUE(readLayout(pins, answer.data(7), layoutGot));
  EXPECT_TRUE(layout == layoutGot);
}

TEST_F(ProviderClaimExchange, FailedExchangesAnswerOkZeroAndStillStoreTheAddress) {
  tExchange bad = JobBuilder().wholeBuffer(77, {1}, 0).exchange();
  tLineTap log(std::cerr);
  EXPECT_EQ(0, receive(bad));
  EXPECT_EQ(kClient, provider().getAddrFrom());
  EXPECT_EQ("PIDBG: Start Slot_ReceiveData", log.lines.front());
  EXPECT_EQ("PIDBG: processingReceivedDTDs failed.", log.lines.back());

  log.lines.clear();
  tExchange fetch = JobBuilder().fetchBlock("none", 4).exchange();
  const piModuleAddr reader(8, 8);
  EXPECT_EQ(0, send(fetch, reader));
  EXPECT_EQ(reader, provider().getAddrFrom());
  EXPECT_EQ("PIDBG: Start Slot_SendData", log.lines.front());
  EXPECT_EQ("PIDBG: processingReceivedDTDs failed.", log.lines.back());
}

TEST_F(ProviderClaimExchange, ReceiveEnteredFromInsideItselfIsRefused) {
  tExchange first = JobBuilder().createBuffer(1, 16, 0x11).createBuffer(2, 16, 0x22).exchange();
  tExchange second = JobBuilder().createBuffer(9, 16, 0x99).exchange();
  const piModuleAddr intruder(66, 66);
  unsigned char innerOk = 7;
  tLineTap log(std::cerr);
  // A host call that arrives while the first receive is inside its handler.
  log.onLine = [&](const std::string& line) {
    if (line == "PIDBG: processingReceivedData: DataTypes1: dtByteArrayInfo") {
      log.onLine = nullptr;
      EXPECT_EQ(kClient, provider().getAddrFrom());
      second.run([&](auto&... sf) { provider().Slot_ReceiveData(sf..., innerOk, intruder); });
    }
  };
  EXPECT_EQ(1, receive(first));
  EXPECT_EQ(0, innerOk);
  const auto refused =
      std::find(log.lines.begin(), log.lines.end(), "PIDBG: Double ertry of Slot detected.");
  ASSERT_NE(log.lines.end(), refused);
  EXPECT_EQ("PIDBG: Start Slot_ReceiveData", *(refused - 1));
  EXPECT_EQ(kClient, provider().getAddrFrom());
  cAlgoParam& ap = provider().getAP();
  EXPECT_EQ(-1, ap.getBufferIndex(9));
  EXPECT_EQ(16u, ap.getByteArrayFromBufferId(2)->GetSize());

  // Once the first has returned, the next receive is taken.
  EXPECT_EQ(1, receive(second, intruder));
  EXPECT_EQ(16u, ap.getByteArrayFromBufferId(9)->GetSize());
}

TEST_F(ProviderClaimExchange, ReceiveLeftByAnExceptionDoesNotLockOutLaterJobs) {
  tExchange job = JobBuilder().createBuffer(1, 16, 0x11).exchange();
  {
    tLineTap log(std::cerr);
    // The throw leaves the stream through the handler's own log call.
    const std::ios::iostate oldMask = std::cerr.exceptions();
    std::cerr.exceptions(std::ios::badbit);
    log.onLine = [&](const std::string& line) {
      if (line.find("processingReceivedBAI") != std::string::npos) {
        log.onLine = nullptr;
        throw std::string("host gone");
      }
    };
    bool thrown = false;
    try {
      receive(job);
    } catch (const std::string& text) {
      thrown = text == "host gone";
    }
    std::cerr.exceptions(oldMask);
    std::cerr.clear();
    EXPECT_TRUE(thrown);
  }
  tExchange again = JobBuilder().createBuffer(2, 8, 0).exchange();
  EXPECT_EQ(1, receive(again));
  EXPECT_EQ(8u, provider().getAP().getByteArrayFromBufferId(2)->GetSize());
}

TEST_F(ProviderClaimExchange, CancelStoresTheCallerAndSetsTheRequestUntilANewRecord) {
  provider().Slot_CancelAction(kClient);
  EXPECT_EQ(kClient, provider().getAddrFrom());
  EXPECT_EQ(1, provider().getGACD()->bytes[gacdCancelRequest]);
  provider().ShowProgress();
  EXPECT_EQ(1, provider().getCancel());
  provider().createGACD(1);
  EXPECT_EQ(0, provider().getCancel());
}

}  // namespace
