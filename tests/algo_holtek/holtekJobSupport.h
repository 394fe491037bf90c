#ifndef HOLTEK_JOB_SUPPORT_H
#define HOLTEK_JOB_SUPPORT_H

// The Holtek algorithm on the real hardware interface and wire protocol over
// the simulated programmer, with a Holtek chip model in the socket and a
// user-interface object that records every call.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "AbstractAlgoUiInterface.h"
#include "cDeviceParam.h"
#include "cK5CpdCtrl.h"
#include "cK5HoltekChip.h"
#include "cUiAlgoDataK3.h"
#include "hardwareTestSupport.h"
#include "holtekTestSupport.h"
#include "mcAlgo.h"
#include "mcHInterface.h"
#include "tByteArray.h"
#include "tHoltekJob.h"

typedef std::vector<std::string> tTexts;

inline std::string hexText(unsigned long value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%lX", value);
  return text;
}

inline std::string floatText(float value) {
  char text[32];
  std::snprintf(text, sizeof text, "%gf", static_cast<double>(value));
  return text;
}

// What an algorithm told its user-interface object, one text per call:
// "msg <no> <params>" (floats end in f), "msgSiS ...", "text <text>",
// "adr 0x<address>" (" forced" when forced), "sig 0x<signature>",
// "debug <text>", "debugWait <text>". Polls of K4Cancel are counted, not
// recorded.
class tRecordingUi : public AbstractAlgoUiInterface {
public:
  tTexts events;
  // K4Cancel answers true from this poll on; 0: never.
  unsigned long cancelFromPoll = 0;
  unsigned long polls = 0;
  // Runs after each recorded call.
  std::function<void(const std::string&)> onEvent;

  void K4ShowMessage(int no) override { add("msg " + std::to_string(no)); }
  void K4ShowMessage(int no, long p1) override { add(msg(no, {p1})); }
  void K4ShowMessage(int no, long p1, long p2) override { add(msg(no, {p1, p2})); }
  void K4ShowMessage(int no, long p1, long p2, long p3) override { add(msg(no, {p1, p2, p3})); }
  void K4ShowMessage(int no, long p1, long p2, long p3, long p4) override {
    add(msg(no, {p1, p2, p3, p4}));
  }
  void K4ShowMessage(int no, float p1) override {
    add("msg " + std::to_string(no) + " " + floatText(p1));
  }
  void K4ShowMessage(int no, float p1, float p2) override {
    add("msg " + std::to_string(no) + " " + floatText(p1) + " " + floatText(p2));
  }
  void K4ShowMessage(const char* text) override { add(std::string("text ") + text); }
  void K4ShowMessage(std::string text) override { add("string " + text); }
  void K4ShowMessageSiS(int no, int p1) override {
    add("msgSiS " + std::to_string(no) + " " + std::to_string(p1));
  }
  void K4ShowMessageSiSf1(int no, int p1, float p2) override {
    add("msgSiSf1 " + std::to_string(no) + " " + std::to_string(p1) + " " + floatText(p2));
  }
  void K4ShowAdr(int address, unsigned short force) override {
    add("adr " + hexText(static_cast<unsigned long>(address)) + (force ? " forced" : ""));
  }
  bool K4Cancel() override {
    ++polls;
    return cancelFromPoll != 0 && polls >= cancelFromPoll;
  }
  void ShowSignature(unsigned long signature) override { add("sig " + hexText(signature)); }
  void debugWait(const char* text) override { add(std::string("debugWait ") + text); }
  void debugMessage(std::string text) override { add("debug " + text); }

  // The events with the total-time text checked for its form only and
  // replaced by "<time>", for tests where the time is not the point.
  tTexts withTime() const {
    static const std::regex kTime("debug \\*\\*\\* total time : [0-9]+\\.[0-9]{3} [0-9]{3} sec");
    tTexts out;
    for (const std::string& e : events) {
      if (std::regex_match(e, kTime)) {
        out.push_back("debug *** total time : <time>");
      } else {
        out.push_back(e);
      }
    }
    return out;
  }
  // The events without the address displays.
  tTexts flow() const {
    tTexts out;
    for (const std::string& e : events) {
      if (e.compare(0, 4, "adr ") != 0) out.push_back(e);
    }
    return out;
  }
  tTexts addresses() const {
    tTexts out;
    for (const std::string& e : events) {
      if (e.compare(0, 4, "adr ") == 0) out.push_back(e);
    }
    return out;
  }

  void add(const std::string& event) {
    events.push_back(event);
    if (onEvent) onEvent(event);
  }

private:
  static std::string msg(int no, const std::vector<long>& params) {
    std::string text = "msg " + std::to_string(no);
    for (long p : params) text += " " + std::to_string(p);
    return text;
  }
};

// The algorithm with its five memory steps recorded as "step <name>" events
// of the user-interface object, so they interleave with the messages; the
// waits of each step are kept too.
class tStepAlgo : public mcAlgo {
public:
  tStepAlgo(mcHInterface* hw, TAG_DEVICE_PARA* param, TAG_UI_ALGODATA_KRV3* record,
            tRecordingUi& ui)
      : mcAlgo(hw, param, record), mUi(ui) {}

  // Around each step, with its name.
  std::function<void(const std::string&)> beforeStep;
  std::function<void(const std::string&)> afterStep;
  std::vector<std::pair<std::string, std::uint64_t>> stepWaits;

  void ReadMemory() override {
    step("ReadMemory", [this] { mcAlgo::ReadMemory(); });
  }
  void VerifyMemory() override {
    step("VerifyMemory", [this] { mcAlgo::VerifyMemory(); });
  }
  void BCheckMemory() override {
    step("BCheckMemory", [this] { mcAlgo::BCheckMemory(); });
  }
  void ProgrMemory() override {
    step("ProgrMemory", [this] { mcAlgo::ProgrMemory(); });
  }
  void EraseDevice() override {
    step("EraseDevice", [this] { mcAlgo::EraseDevice(); });
  }

private:
  template <class Body>
  void step(const std::string& name, Body body) {
    mUi.add("step " + name);
    if (beforeStep) beforeStep(name);
    const std::uint64_t before = cK5SimProgrammer::instance().waitedCycles();
    body();
    stepWaits.push_back({name, cK5SimProgrammer::instance().waitedCycles() - before});
    if (afterStep) afterStep(name);
  }

  tRecordingUi& mUi;
};

// A fresh bench with an erased 64-word Holtek chip plugged,
// the Holtek hardware interface over a pin-driver control that holds "SETUP",
// "SETUPi" and "SHUTDOWN", a device configuration, a job record and a buffer.
// Tests set `settings`, the range and the buffer, then run a job operation.
class tHoltekAlgoTest : public tHardwareTest {
protected:
  void SetUp() override {
    tHardwareTest::SetUp();
    ASSERT_TRUE(chip.setMemoryWords(64));
    plug(chip);
    configs = holtekJob::pinDriverConfigs();
    mpCpd.reset(new cK5CpdCtrl(krv5(), &configs));
    unsigned char ok = 0;
    mpHw.reset(new mcHInterface(krv5(), *mpCpd, ok, holtekUi()));
    ASSERT_EQ(ok, 1);
    buffer.assign(128, 0x00);
    sim().clearTrace();
  }

  // The chip is checked once the algorithm and the interface are gone.
  void TearDown() override {
    mpAlgo.reset();
    mpHw.reset();
    jobData.forgetDataBuffer();
    mpBuffer.reset();
    tHardwareTest::TearDown();
  }

  // Writes the settings, the range and the buffer (none when `withBuffer` is
  // false) into the job and builds a new algorithm over them.
  tStepAlgo& makeAlgo(bool withBuffer = true) {
    settings.writeTo(config());
    record()->setStartAdr(start);
    record()->setEndAdr(end);
    jobData.forgetDataBuffer();
    mpBuffer.reset();
    if (withBuffer) {
      mpBuffer.reset(
          new tByteArray(tByteArray::slHost, static_cast<unsigned>(buffer.size()), 0, 0));
      mpBuffer->setDataBuffer(buffer.data(), static_cast<unsigned>(buffer.size()), 1, 0);
      jobData.prepareForAlgoAction(*mpBuffer, 0);
    }
    mpAlgo.reset(new tStepAlgo(mpHw.get(), deviceParam.getDeviceAlgPrmStruct(), record(), ui));
    mpAlgo->setAlgoUI(&ui);
    return *mpAlgo;
  }

  // Runs one job operation on a new algorithm; its waits in `waited`.
  short run(short (mcAlgo::*operation)(), bool withBuffer = true) {
    makeAlgo(withBuffer);
    const std::uint64_t before = sim().waitedCycles();
    const short status = (mpAlgo.get()->*operation)();
    waited = sim().waitedCycles() - before;
    return status;
  }

  unsigned char* config() { return deviceParam.getDeviceAlgPrmStruct()->pCfgBuffer; }
  TAG_UI_ALGODATA_KRV3* record() { return jobData.getUiAlgoDataK3Struct(); }
  // Buffer 0 as the algorithm left it.
  std::vector<unsigned char> bufferNow() const {
    const unsigned char* p = mpBuffer->getDataConst();
    return std::vector<unsigned char>(p, p + mpBuffer->GetSize());
  }

  // Slot-0 output switches as "VCP1 on" ..., in order.
  static tTexts outputSwitches() {
    tTexts out;
    for (const tK5TraceEvent& e : sim().traceOf(tK5TraceEvent::tkCpdOutput)) {
      if (e.slot == 0) out.push_back(output(static_cast<eK5Output>(e.a), e.b == 0));
    }
    return out;
  }
  // Neither a pin-driver configuration was loaded nor an output switched.
  static void expectUntouchedHardware() {
    EXPECT_EQ(sim().traceOf(tK5TraceEvent::tkCpdWriteSetOnly).size(), 0u);
    EXPECT_EQ(sim().traceOf(tK5TraceEvent::tkCpdStrobe).size(), 0u);
    EXPECT_EQ(outputSwitches(), tTexts{});
  }

  // Serial instructions of the trace, one text each: the bytes sent in hex
  // and "rx" for each byte read. Every instruction of the set takes four
  // bytes either way. Read mode, lines and waits are left out.
  static tTexts instructions() {
    tTexts out;
    std::string current;
    unsigned int bytes = 0;
    for (const std::string& t : serialTokens(wireTokens())) {
      if (t.compare(0, 3, "tx ") != 0 && t != kRx) continue;
      current += (bytes == 0 ? "" : " ") + (t == kRx ? std::string("rx") : t.substr(3));
      if (++bytes == 4) {
        out.push_back(current);
        current.clear();
        bytes = 0;
      }
    }
    if (!current.empty()) out.push_back(current + " (incomplete)");
    return out;
  }

  cK5HoltekChip chip;
  cCfgFileDeviceCpdConfigs configs;
  std::unique_ptr<cK5CpdCtrl> mpCpd;
  std::unique_ptr<mcHInterface> mpHw;
  cDeviceParam deviceParam;
  cUiAlgoDataK3 jobData;
  std::unique_ptr<tByteArray> mpBuffer;
  std::vector<unsigned char> buffer;
  holtekJob::tSettings settings;
  std::uint32_t start = 0;
  std::uint32_t end = 31;
  tRecordingUi ui;
  std::unique_ptr<tStepAlgo> mpAlgo;
  std::uint64_t waited = 0;
};

#endif
