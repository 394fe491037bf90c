#ifndef SIGNAL_TEST_SUPPORT_H
#define SIGNAL_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "AbstractAlgoUiInterface.h"
#include "cAlgoParam.h"
#include "cK5AlgoProvider.h"
#include "cK5SimProgrammer.h"
#include "cK5TouchProbe.h"
#include "cMPDE.h"
#include "mcAlgo.h"
#include "mcHInterface.h"
#include "moduleGlobals.h"
#include "tBench.h"

// ---------------------------------------------------------------- the tape
//
// What the simulated programmer and the user-interface object saw, in one
// order: the trace is pulled in before each user-interface call. Each address
// display (the start of a round of the test) opens a group; equal groups in a
// row are counted, so a pin's 44444 readings are one entry.

typedef std::vector<std::pair<std::string, std::uint64_t>> tGroups;

inline std::string hexOf(unsigned int value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*X", digits, value);
  return text;
}

class tSignalTape {
public:
  static constexpr const char* kAdr = "adr 0,0";

  void ui(const std::string& token) {
    pullTrace();
    if (token == kAdr) closeGroup();
    add(token);
  }
  // The groups so far, the open one included.
  tGroups groups() {
    pullTrace();
    closeGroup();
    return mGroups;
  }

private:
  static std::string tokenOf(const tK5TraceEvent& e) {
    static const char* const supplies[] = {"VLS", "VGATE", "VCOMP", "VCP1", "VCP2", "VCP3"};
    switch (e.kind) {
      case tK5TraceEvent::tkMcuWrite:
        return hexOf(e.a, 2) + "=" + hexOf(e.b, 4);
      case tK5TraceEvent::tkMcuRead:
        return "r" + hexOf(e.a, 3) + "=" + hexOf(e.b, 4);
      case tK5TraceEvent::tkSupply:
        return std::string(e.a < 6 ? supplies[e.a] : "channel?") + "=" + std::to_string(e.b);
      case tK5TraceEvent::tkBuzzer:
        return "buzz " + std::to_string(e.a) + "," + std::to_string(e.b);
      case tK5TraceEvent::tkWait:
        // Only a bus-cycle wait on the module's mapping passes for a wait.
        return e.text == "mcu" && e.b == mFPGAMapping
                   ? "w" + std::to_string(e.a)
                   : "w" + std::to_string(e.a) + " (" + e.text + ")";
      default:
        return "event " + std::to_string(e.kind);
    }
  }
  void pullTrace() {
    cK5SimProgrammer& sim = cK5SimProgrammer::instance();
    if (sim.traceSize() == 0) return;
    for (const tK5TraceEvent& e : sim.trace()) add(tokenOf(e));
    sim.clearTrace();
  }
  void add(const std::string& token) {
    if (!mOpen.empty()) mOpen += " | ";
    mOpen += token;
  }
  void closeGroup() {
    if (mOpen.empty()) return;
    if (!mGroups.empty() && mGroups.back().first == mOpen) {
      ++mGroups.back().second;
    } else {
      mGroups.push_back({mOpen, 1});
    }
    mOpen.clear();
  }

  std::string mOpen;
  tGroups mGroups;
};

// ------------------------------------------------- recording user interface

// Records every call of the algorithm; cancel is the test's to set. With a
// tape attached it also tapes every call.
class tRecordingUi : public AbstractAlgoUiInterface {
public:
  bool cancel = false;
  tSignalTape* tape = nullptr;
  std::vector<std::string> messages;  // numbered messages and free text
  // Address displays as (address, force), equal calls in a row once.
  std::vector<std::pair<int, unsigned short>> addressRuns;
  std::uint64_t addresses = 0;
  std::uint64_t cancelPolls = 0;
  std::vector<std::string> debugTexts;

  using AbstractAlgoUiInterface::K4ShowMessage;
  void K4ShowMessage(int no) override { message("msg " + std::to_string(no)); }
  void K4ShowMessage(int no, long) override { message("msg " + std::to_string(no)); }
  void K4ShowMessage(int no, long, long) override { message("msg " + std::to_string(no)); }
  void K4ShowMessage(int no, long, long, long) override { message("msg " + std::to_string(no)); }
  void K4ShowMessage(int no, long, long, long, long) override {
    message("msg " + std::to_string(no));
  }
  void K4ShowMessage(int no, float) override { message("msg " + std::to_string(no)); }
  void K4ShowMessage(int no, float, float) override { message("msg " + std::to_string(no)); }
  void K4ShowMessage(const char* text) override { message(std::string("text ") + text); }
  void K4ShowMessageSiS(int no, int) override { message("msg " + std::to_string(no)); }
  void K4ShowMessageSiSf1(int no, int, float) override { message("msg " + std::to_string(no)); }
  void K4ShowAdr(int address, unsigned short force) override {
    ++addresses;
    if (addressRuns.empty() || addressRuns.back() != std::make_pair(address, force))
      addressRuns.push_back({address, force});
    if (tape) tape->ui("adr " + std::to_string(address) + "," + std::to_string(force));
  }
  bool K4Cancel() override {
    ++cancelPolls;
    if (tape) tape->ui(cancel ? "cancel 1" : "cancel 0");
    return cancel;
  }
  void ShowSignature(unsigned long signature) override {
    message("signature " + std::to_string(signature));
  }
  void debugWait(const char* text) override { message(std::string("debugWait ") + text); }
  void debugMessage(std::string text) override {
    if (tape) tape->ui("debug " + text);
    debugTexts.push_back(text);
  }

private:
  void message(const std::string& text) {
    if (tape) tape->ui(text);
    messages.push_back(text);
  }
};

// ------------------------------------------------------------- the bench

// Sorrel's algorithm over its hardware interface on a fresh bench with the
// touch probe plugged and a recording user interface; the interface is built
// over the pieces of a Sorrel provider. The probe's guard cancels, so a
// runaway test ends (and fails on the probe's violations, which the bench
// checks at the end of every test).
class tSignalTestBench : public tBenchTest {
protected:
  void SetUp() override {
    plug(probe);
    probe.setGuard([this] { ui.cancel = true; });
    mpProvider.reset(new cK5AlgoProvider(&mMpde, "Sorrel"));
    ASSERT_NE(mpProvider->getKrv5Ctrl(), nullptr);
    unsigned char ok = 0;
    hw.reset(new mcHInterface(*mpProvider->getKrv5Ctrl(), mpProvider->getK5CpdCtrl(), ok,
                              *mpProvider->getAlgoUiInterface()));
    ASSERT_EQ(ok, 1);
    cAlgoParam& ap = mpProvider->getAP();
    algo.reset(new mcAlgo(hw.get(), ap.getDeviceAlgPrm(), ap.getAlgoKrv3UIData()));
    algo->setAlgoUI(&ui);
    sim().clearTrace();
  }
  // The probe is checked once the algorithm, the interface and the provider are gone.
  void TearDown() override {
    algo.reset();
    hw.reset();
    mpProvider.reset();
    tBenchTest::TearDown();
  }

  TAG_UI_ALGODATA_KRV3& record() { return *mpProvider->getAP().getAlgoKrv3UIData(); }
  // The next calls go on the tape.
  void startTape() {
    sim().clearTrace();
    ui.tape = &tape;
  }

  cK5TouchProbe probe;
  tRecordingUi ui;
  tSignalTape tape;
  std::unique_ptr<mcHInterface> hw;
  std::unique_ptr<mcAlgo> algo;

private:
  cMPDE mMpde;
  std::unique_ptr<cK5AlgoProvider> mpProvider;
};

// ------------------------------------------- expected groups of the tape

namespace signalTape {

const char* const kSetup =
    "VCP2=5000 | VCP1=5000 | VLS=4640 | VCOMP=1000 | w50000 | B6=0000 | w50 | B6=0001";
const char* const kGong =
    " | buzz 500,0 | w500000 | buzz 500,1 | w500000 | buzz 300,1 | w500000 | buzz 500,1 | w500000"
    " | buzz 0,100";
const char* const kPinOff = " | buzz 5000,0";
const char* const kQuiet = " | buzz 0,100";

inline std::string bankRegister(unsigned int pin) {
  return hexOf(cK5TouchProbe::bankRegister(cK5TouchProbe::bankOf(pin)), 3);
}
// The round that selects the pin.
inline std::string select(unsigned int pin) {
  return "adr 0,0 | cancel 0 | 82=0000 | 80=" + hexOf(pin, 4) + " | debug Pin #" +
         std::to_string(pin) + " selected";
}
// One reading of the pin; its buzzer call follows.
inline std::string reading(unsigned int pin, bool low, bool cancelled = false) {
  return std::string("adr 0,0 | cancel ") + (cancelled ? "1" : "0") + " | r" + bankRegister(pin) +
         (low ? "=0000 | buzz 5000,1" : "=0080 | buzz 5000,0");
}
// A pin the probe touches for exactly the readings that complete it.
inline void touchedPin(tGroups& groups, unsigned int pin) {
  groups.push_back({select(pin), 1});
  groups.push_back({reading(pin, true), cK5TouchProbe::kTouchRun - 1});
  groups.push_back({reading(pin, true) + kGong + kPinOff, 1});
}
// The round after a cancel: the test ends before selecting a pin.
inline std::string cancelledEnd() { return std::string("adr 0,0 | cancel 1") + kQuiet; }

}  // namespace signalTape

#endif
