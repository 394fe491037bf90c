// The user-interface object over a provider on the simulated programmer: what
// each call leaves in the progress record the host receives.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "cAlgoModuleUiInterface.h"
#include "cK5FPGACtrl.h"
#include "littleEndian.h"
#include "tLineTap.h"
#include "tSimProviderFixture.h"

namespace {

const piModuleAddr kClient(3, 4);

std::uint32_t u32At(const std::vector<char>& bytes, unsigned offset) {
  std::uint32_t v = 0;
  for (unsigned i = 0; i < 4; ++i) {
    v |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes.at(offset + i))) << (8 * i);
  }
  return v;
}

class AlgoModuleUiInterface : public tSimProviderFixture {
protected:
  void SetUp() override {
    tSimProviderFixture::SetUp();
    // Any storing slot makes kClient the reply address.
    provider().Slot_CancelAction(kClient);
    provider().createGACD(1);
  }

  cAlgoModuleUiInterface& ui() { return *provider().getAlgoUiInterface(); }
  TAG_GLOBAL_ALGOCTRL_DATA& record() { return *provider().getGACD(); }

  // Marks every parameter byte so that untouched parameters show.
  void markParams() {
    for (unsigned i = gacdParam1; i < gacdMessageValid; ++i) {
      record().bytes[i] = 0xEE;
    }
  }

  const std::vector<char>& lastSent() {
    EXPECT_FALSE(host().progress().empty());
    return host().progress().back().bytes;
  }
};

struct tNumbered {
  const char* name;
  std::function<void(AbstractAlgoUiInterface&)> call;
  int messageNo;
  unsigned layout;
  std::vector<std::uint32_t> params;
};

TEST_F(AlgoModuleUiInterface, EveryNumberedMessageWritesItsLayoutAndNamedParameters) {
  const std::vector<tNumbered> cases = {
      {"no parameter", [](AbstractAlgoUiInterface& u) { u.K4ShowMessage(101); }, 101, 1, {}},
      {"one long",
       [](AbstractAlgoUiInterface& u) { u.K4ShowMessage(102, -2L); },
       102,
       2,
       {0xFFFFFFFEu}},
      {"two longs",
       [](AbstractAlgoUiInterface& u) { u.K4ShowMessage(103, 1L, 0x12345678L); },
       103,
       3,
       {1, 0x12345678u}},
      {"three longs",
       [](AbstractAlgoUiInterface& u) { u.K4ShowMessage(104, 1L, 2L, 3L); },
       104,
       4,
       {1, 2, 3}},
      {"four longs",
       [](AbstractAlgoUiInterface& u) { u.K4ShowMessage(105, 1L, 2L, 3L, -4L); },
       105,
       5,
       {1, 2, 3, 0xFFFFFFFCu}},
      {"one float",
       [](AbstractAlgoUiInterface& u) { u.K4ShowMessage(106, 1.0f); },
       106,
       6,
       {0x3F800000u}},
      {"two floats",
       [](AbstractAlgoUiInterface& u) { u.K4ShowMessage(107, 1.0f, -2.5f); },
       107,
       7,
       {0x3F800000u, 0xC0200000u}},
      {"int", [](AbstractAlgoUiInterface& u) { u.K4ShowMessageSiS(-9, 77); }, -9, 9, {77}},
      {"int and float",
       [](AbstractAlgoUiInterface& u) { u.K4ShowMessageSiSf1(110, -1, 0.5f); },
       110,
       10,
       {0xFFFFFFFFu, 0x3F000000u}},
  };
  for (const tNumbered& c : cases) {
    SCOPED_TRACE(c.name);
    host().clear();
    markParams();
    c.call(ui());
    ASSERT_EQ(1u, host().progress().size());
    const std::vector<char>& sent = lastSent();
    ASSERT_EQ(50u, sent.size());
    EXPECT_EQ(kClient, host().progress().back().addr);
    EXPECT_EQ(static_cast<std::uint32_t>(c.messageNo), u32At(sent, gacdMessageNo));
    EXPECT_EQ(c.layout, u32At(sent, gacdParamLayout));
    EXPECT_EQ(1u, u32At(sent, gacdMessageValid));
    EXPECT_EQ(0u, u32At(sent, gacdAddressValid));
    for (unsigned i = 0; i < 4; ++i) {
      const std::uint32_t expected = i < c.params.size() ? c.params[i] : 0xEEEEEEEEu;
      EXPECT_EQ(expected, u32At(sent, gacdParam1 + 4 * i)) << "param" << i + 1;
    }
    // Sent records are re-made at once.
    EXPECT_EQ(0u, loadLeU32(record().bytes, gacdMessageValid));
  }
}

TEST_F(AlgoModuleUiInterface, FloatOneTravelsAsItsIeeeBytes) {
  ui().K4ShowMessage(6, 1.0f);
  const std::vector<char>& sent = lastSent();
  const std::vector<char> param1(sent.begin() + gacdParam1, sent.begin() + gacdParam1 + 4);
  EXPECT_EQ((std::vector<char>{0x00, 0x00, static_cast<char>(0x80), 0x3F}), param1);
}

TEST_F(AlgoModuleUiInterface, SignatureIsShownFromItsHighestNonZeroByte) {
  const struct {
    unsigned long signature;
    int messageNo;
    unsigned layout;
    std::vector<std::uint32_t> params;
  } cases[] = {
      {0x12345678ul, 2141, 5, {0x12, 0x34, 0x56, 0x78}},
      {0x00AB00CDul, 2142, 4, {0xAB, 0x00, 0xCD}},
      {0x0000AB00ul, 2143, 3, {0xAB, 0x00}},
      {0x0000007Ful, 2144, 2, {0x7F}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.signature);
    host().clear();
    markParams();
    ui().ShowSignature(c.signature);
    ASSERT_EQ(1u, host().progress().size());
    const std::vector<char>& sent = lastSent();
    EXPECT_EQ(static_cast<std::uint32_t>(c.messageNo), u32At(sent, gacdMessageNo));
    EXPECT_EQ(c.layout, u32At(sent, gacdParamLayout));
    EXPECT_EQ(1u, u32At(sent, gacdMessageValid));
    for (unsigned i = 0; i < 4; ++i) {
      const std::uint32_t expected = i < c.params.size() ? c.params[i] : 0xEEEEEEEEu;
      EXPECT_EQ(expected, u32At(sent, gacdParam1 + 4 * i)) << "param" << i + 1;
    }
  }
  // The top byte comes first, each byte alone in its little-endian field.
  host().clear();
  ui().ShowSignature(0x12345678ul);
  const std::vector<char>& sent = lastSent();
  EXPECT_EQ((std::vector<char>{0x12, 0, 0, 0, 0x34, 0, 0, 0}),
            std::vector<char>(sent.begin() + gacdParam1, sent.begin() + gacdParam1 + 8));

  host().clear();
  ui().ShowSignature(0);
  EXPECT_TRUE(host().progress().empty());
  if (sizeof(unsigned long) > 4) {
    // Only the 32 signature bits count.
    ui().ShowSignature(0xFFFFFFFFul << 16 << 16);
    EXPECT_TRUE(host().progress().empty());
  }
}

TEST_F(AlgoModuleUiInterface, UnforcedAddressIsThrottledByTheTimerOnRegister93) {
  ASSERT_TRUE(ui().createUiFpgaTimer(10));
  sim().clearTrace();
  const auto timerReads = [] { return sim().traceOf(tK5TraceEvent::tkFpgaRead).size(); };

  ui().K4ShowAdr(0x100, 0);  // the period has just started
  EXPECT_TRUE(host().progress().empty());
  EXPECT_EQ(0u, loadLeU32(record().bytes, gacdAddressValid));
  ASSERT_EQ(1u, timerReads());
  const tK5TraceEvent read = sim().traceOf(tK5TraceEvent::tkFpgaRead).front();
  EXPECT_EQ(1u, read.slot);
  EXPECT_EQ(93u, read.a);

  ui().K4ShowAdr(0x200, 1);  // forced: regardless of the timer
  ASSERT_EQ(1u, host().progress().size());
  EXPECT_EQ(0x200u, u32At(lastSent(), gacdAddress));
  EXPECT_EQ(1u, u32At(lastSent(), gacdAddressValid));
  EXPECT_EQ(0u, u32At(lastSent(), gacdMessageValid));

  sim().advance(10 * 5000);  // 10 ms of bus cycles
  ui().K4ShowAdr(-5, 0);
  ASSERT_EQ(2u, host().progress().size());
  EXPECT_EQ(0xFFFFFFFBu, u32At(lastSent(), gacdAddress));

  ui().K4ShowAdr(0x300, 0);  // the elapsed period restarted
  EXPECT_EQ(2u, host().progress().size());
}

TEST_F(AlgoModuleUiInterface, CancelDropsMessagesAddressesAndSignaturesUntilANewRecord) {
  provider().Slot_CancelAction(kClient);
  EXPECT_TRUE(ui().K4Cancel());
  ui().K4ShowMessage(1);
  ui().K4ShowMessage(2, 3L, 4L, 5L, 6L);
  ui().K4ShowMessage(7, 1.0f, 2.0f);
  ui().K4ShowMessageSiS(8, 9);
  ui().K4ShowMessageSiSf1(8, 9, 1.0f);
  ui().K4ShowAdr(0x10, 1);
  ui().ShowSignature(0x1234);
  EXPECT_TRUE(host().progress().empty());
  EXPECT_EQ(0u, loadLeU32(record().bytes, gacdMessageNo));
  EXPECT_EQ(0u, loadLeU32(record().bytes, gacdAddress));

  // Free text still goes out, without a log line.
  tLineTap log(std::cerr);
  ui().K4ShowMessage("still here");
  ASSERT_EQ(1u, host().messages().size());
  EXPECT_EQ("still here", host().messages().back().text);
  EXPECT_EQ(kClient, host().messages().back().addr);
  EXPECT_EQ(20000u, host().messages().back().timeout);
  EXPECT_TRUE(log.lines.empty());

  provider().createGACD(1);
  EXPECT_FALSE(ui().K4Cancel());
  ui().K4ShowMessage(1);
  EXPECT_EQ(1u, host().progress().size());
}

TEST_F(AlgoModuleUiInterface, IgnoredOperationsSendNothing) {
  ui().debugWait("x");
  ui().debugMessage("y");
  AbstractAlgoUiInterface& base = ui();
  base.K4ShowMessage(std::string("text"));
  ui().K4ShowMessage(static_cast<const char*>(nullptr));
  EXPECT_TRUE(host().progress().empty());
  EXPECT_TRUE(host().messages().empty());
}

// Answers the timer's period register with a value of its own.
class tWrongPeriod : public cK5SocketDevice {
public:
  bool onFpgaRead(cK5SimProgrammer&, unsigned int slot, unsigned int reg,
                  unsigned short& value) override {
    if (slot == 1 && reg == 92) {
      value = 7;
      return true;
    }
    return false;
  }
};

TEST_F(AlgoModuleUiInterface, TimerCreationFailures) {
  tLineTap log(std::cerr);
  EXPECT_FALSE(ui().createUiFpgaTimer(0));
  EXPECT_EQ(
      std::vector<std::string>{
          "PIDBG: cAlgoModuleUiInterface::createUiFpgaTimer: Error: Timer value is \"0\"."},
      log.lines);
  EXPECT_TRUE(sim().trace().empty());

  log.lines.clear();
  sim().injectThrow("fpgaCtrl@1", "no page");
  EXPECT_FALSE(ui().createUiFpgaTimer(5));
  EXPECT_EQ(
      std::vector<std::string>{
          "PIDBG: cAlgoModuleUiInterface::createUiFpgaTimer: Error: boMappingOk= false"},
      log.lines);
  EXPECT_TRUE(sim().traceOf(tK5TraceEvent::tkFpgaWrite).empty());

  log.lines.clear();
  tWrongPeriod device;
  plug(device);
  EXPECT_FALSE(ui().createUiFpgaTimer(5));
  unplug(device);
  EXPECT_EQ(
      std::vector<std::string>{
          "PIDBG: cAlgoModuleUiInterface::createUiFpgaTimer:Error: TimerCount not set:7"},
      log.lines);

  log.lines.clear();
  EXPECT_TRUE(ui().createUiFpgaTimer(65535));
  EXPECT_EQ(65535, sim().fpgaRegister(1, 92));
  EXPECT_TRUE(log.lines.empty());
}

}  // namespace
