// The provider's members over the simulated programmer: what it builds, what
// it can still do without hardware, what its destruction leaves alone, and the
// supply scan.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "JobBuilder.h"
#include "cAlgoModuleUiInterface.h"
#include "cAlgoParam.h"
#include "cK5CpdCtrl.h"
#include "tJobSamples.h"
#include "tLineTap.h"
#include "tSimProviderFixture.h"

namespace {

const piModuleAddr kClient(5, 6);

// Hardware commands a provider must not give on its own.
bool touchesHardware(const tK5TraceEvent& e) {
  switch (e.kind) {
    case tK5TraceEvent::tkDeviceCreated:
    case tK5TraceEvent::tkDeviceDestroyed:
      return false;
    default:
      return true;
  }
}

std::vector<tK5TraceEvent::eKind> hardwareCommands() {
  std::vector<tK5TraceEvent::eKind> kinds;
  for (const tK5TraceEvent& e : cK5SimProgrammer::instance().trace()) {
    if (touchesHardware(e)) kinds.push_back(e.kind);
  }
  return kinds;
}

class ProviderLifecycle : public tSimProviderFixture {
protected:
  // A new provider on a restarted bench, with the faults `arrange` injects
  // first; gives the lines its construction logged.
  std::vector<std::string> rebuild(const std::function<void()>& arrange) {
    mpProvider.reset();
    restart();
    arrange();
    tLineTap log(std::cerr);
    mpProvider.reset(new cTestProvider());
    return log.lines;
  }
};

TEST_F(ProviderLifecycle, FreshProviderOwnsEveryMemberAndCommandsNothing) {
  restart();
  tLineTap log(std::cerr);
  cTestProvider fresh;
  EXPECT_TRUE(log.lines.empty());
  EXPECT_TRUE(hardwareCommands().empty());
  ASSERT_NE(nullptr, fresh.getKrv5Ctrl());
  EXPECT_NE(nullptr, fresh.getAlgoUiInterface());
  EXPECT_EQ(nullptr, fresh.getAlgoUiInterface()->getUiFpgaTimer());
  cK5CpdCtrl first(*fresh.getKrv5Ctrl(), nullptr);
  EXPECT_TRUE(first == fresh.getK5CpdCtrl());  // no configurations

  cAlgoParam& ap = fresh.getAP();
  ASSERT_EQ(1u, ap.getNumberOfBuffers());
  const tByteArray& b = *ap.getByteArrayFromIndex(0);
  EXPECT_EQ(0, b.getBufferId());
  EXPECT_EQ(1u, b.GetSize());
  EXPECT_EQ(0, b.GetAt(0));
  EXPECT_EQ(piModuleAddr(0, 0), fresh.getAddrFrom());
  EXPECT_EQ(0, fresh.getCancel());
}

TEST_F(ProviderLifecycle, WithoutHardwareItLogsTwoLinesAndServesWhatNeedsNone) {
  EXPECT_EQ((std::vector<std::string>{"PIDBG: Fatal Error: Can not create Korvo control object.",
                                      "PIDBG: Fatal Error: Fatal (exception): no programmer"}),
            rebuild([] { sim().injectThrow("cKorvo5Device", "no programmer"); }));
  tLineTap log(std::cerr);
  EXPECT_EQ(nullptr, provider().getKrv5Ctrl());
  EXPECT_EQ(nullptr, provider().getAlgoUiInterface());

  // Checksum, data exchange and cancel work as ever.
  unsigned int value = 0;
  provider().setProviderCheckSumSlot(0x1234, kClient);
  provider().getProviderCheckSumSlot(value, kClient);
  EXPECT_EQ(0x1234u, value);
  unsigned char ok = 0;
  tExchange job = JobBuilder().createBuffer(3, 4, 0x77).exchange();
  job.run([&](auto&... sf) { provider().Slot_ReceiveData(sf..., ok, kClient); });
  EXPECT_EQ(1, ok);
  tExchange request = JobBuilder().fetchWindow(ctFullData, 3, 0, 4).exchange();
  request.run([&](auto&... sf) { provider().Slot_SendData(sf..., ok, kClient); });
  EXPECT_EQ(1, ok);
  std::vector<unsigned char> bytes;
  ASSERT_TRUE(readWindow(request.data(0), bytes));
  EXPECT_EQ(std::vector<unsigned char>(4, 0x77), bytes);
  provider().Slot_CancelAction(kClient);
  EXPECT_EQ(1, provider().getCancel());

  // The slots that need the hardware answer failure and touch nothing.
  sim().clearFaults();
  sim().presetClaim("USB", "someone");
  const piModuleAddr other(9, 9);
  log.lines.clear();
  std::string id = "me", itf = "USB";
  ok = 1;
  provider().Slot_ClaimKorvo(id, itf, 1, ok, other);
  EXPECT_EQ(0, ok);
  provider().Slot_UnClaimKorvo(other);
  int type = 42;
  std::string claimedId = "keep", claimedItf = "keep";
  provider().Slot_GetKorvoTypeAndClaimInfo(type, claimedId, claimedItf, other);
  EXPECT_EQ(42, type);
  EXPECT_EQ("keep", claimedId);
  EXPECT_EQ("keep", claimedItf);
  EXPECT_EQ(kClient, provider().getAddrFrom());
  provider().ScanVsupplySlotSync(value, kClient);
  EXPECT_EQ(5555555u, value);
  provider().setKrvBusy();
  provider().setKrvReady();
  EXPECT_EQ("someone", sim().claimedRemoteId());
  EXPECT_TRUE(sim().stateHistory().empty());
  EXPECT_TRUE(sim().traceOf(tK5TraceEvent::tkSupplyRead).empty());
  EXPECT_EQ((std::vector<std::string>{"PIDBG: Error: No Korvo control object available.",
                                      "PIDBG: Error: No Korvo control object available.",
                                      "PIDBG: ScanVsupplySlotSync",
                                      "PIDBG: Error: Get voltages failed."}),
            log.lines);
}

// However the handle fails, the reason is the second line and a device object
// the handle had already built goes with it.
TEST_F(ProviderLifecycle, FailedHandleIsDroppedWithWhatItBuilt) {
  const struct {
    const char* point;
    bool nullInsteadOfThrow;
    const char* reason;
  } cases[] = {
      {"cKorvo5Device", false, "Fatal (exception): no programmer"},
      {"psCtrl", false, "Fatal (exception): no programmer"},
      {"psCtrl", true, "Fatal pointer of cK5AbstractPSCtrl is invalid."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.point) + (c.nullInsteadOfThrow ? " null" : " throw"));
    const std::vector<std::string> lines = rebuild([&c] {
      if (c.nullInsteadOfThrow) {
        sim().injectNull(c.point);
      } else {
        sim().injectThrow(c.point, "no programmer");
      }
    });
    EXPECT_EQ((std::vector<std::string>{"PIDBG: Fatal Error: Can not create Korvo control object.",
                                        std::string("PIDBG: Fatal Error: ") + c.reason}),
              lines);
    EXPECT_EQ(nullptr, provider().getKrv5Ctrl());
    EXPECT_EQ(nullptr, provider().getAlgoUiInterface());
    EXPECT_EQ(0u, sim().liveDevices());
  }
}

TEST_F(ProviderLifecycle, DestructionFreesMemoryOnly) {
  ASSERT_TRUE(provider().getAlgoUiInterface()->createUiFpgaTimer(20));
  provider().initCpdCtrl();
  ASSERT_NE(nullptr, provider().getK5CpdCtrl().getCPDHdwCtrl(1));
  unsigned char ok = 0;
  tExchange job = JobBuilder()
                      .createBuffer(1, 256, 0)
                      .pinDriverConfigs(jobSamples::sampleConfigs())
                      .layout(jobSamples::sampleLayout(4))
                      .exchange();
  tLineTap log(std::cerr);
  job.run([&](auto&... sf) { provider().Slot_ReceiveData(sf..., ok, kClient); });
  ASSERT_EQ(1, ok);
  sim().clearTrace();
  log.lines.clear();
  mpProvider.reset();
  EXPECT_TRUE(hardwareCommands().empty());
  EXPECT_EQ(1u, sim().traceOf(tK5TraceEvent::tkDeviceDestroyed).size());
  EXPECT_EQ(0u, sim().liveDevices());
  EXPECT_TRUE(log.lines.empty());
}

TEST_F(ProviderLifecycle, SupplyScanAnswersTheSeventhReadingInWholeVolts) {
  const struct {
    unsigned int reading;
    bool ok;
    unsigned int answer;
  } cases[] = {{12345, true, 12},
               {999, true, 0},
               {5000, true, 5},
               {0, true, 0},
               {4294967295u, true, 4294967},
               {12345, false, 5555555}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reading);
    sim().setSupplyReadings({1, 2, 3, 4, 5, 6, c.reading}, c.ok);
    tLineTap log(std::cerr);
    unsigned int value = 1;
    const piModuleAddr caller(c.reading, 1);
    provider().ScanVsupplySlotSync(value, caller);
    EXPECT_EQ(c.answer, value);
    EXPECT_EQ(caller, provider().getAddrFrom());
    std::vector<std::string> expected = {"PIDBG: ScanVsupplySlotSync"};
    if (!c.ok) expected.push_back("PIDBG: Error: Get voltages failed.");
    EXPECT_EQ(expected, log.lines);
  }
  // The raw host control is asked, not the guarded one: nothing is set.
  EXPECT_TRUE(sim().supplyWrites().empty());
}

}  // namespace
