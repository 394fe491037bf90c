#ifndef HOLTEK_TEST_SUPPORT_H
#define HOLTEK_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "cK5CpdCtrl.h"
#include "cK5HoltekChip.h"
#include "cK5SocketDevice.h"
#include "hardwareTestSupport.h"
#include "mcHInterface.h"
#include "mcPInterface.h"
#include "moduleGlobals.h"

typedef std::vector<std::string> tTokens;

// Minimal socket: a comparator on bit 9 of 0x60 that is high while the sensed
// supply lies strictly above the VCOMP level it heard, serial bits on bit 3 of
// 0x60 (one per read), and scripted answers to reads of the data-in register.
class tSocketStub : public cK5SocketDevice {
public:
  unsigned int sensed = 0;  // mV
  unsigned int vcomp = 0;   // last VCOMP level heard
  unsigned int vcompWrites = 0;
  // The sensed supply drops to 0 mV with this VCOMP write (0: never).
  unsigned int collapseAtVcompWrite = 0;
  std::deque<bool> sdi;
  std::deque<unsigned short> dataIn;

  // Queues a byte to go out most significant bit first.
  void sendByte(unsigned char byte) {
    for (unsigned int mask = 0x80; mask != 0; mask >>= 1) sdi.push_back((byte & mask) != 0);
  }

  void onSupply(cK5SimProgrammer&, ePSChannel channel, unsigned int mV) override {
    if (channel != PS_VCOMP) return;
    vcomp = mV;
    if (++vcompWrites == collapseAtVcompWrite) sensed = 0;
  }

  bool onMcuRead(cK5SimProgrammer&, unsigned int offset, unsigned short& value) override {
    if (offset == 0x60) {
      value = sensed > vcomp ? 0x0200 : 0;
      if (!sdi.empty()) {
        if (sdi.front()) value |= 0x0008;
        sdi.pop_front();
      }
      return true;
    }
    if (offset == 0x84 && !dataIn.empty()) {
      value = dataIn.front();
      dataIn.pop_front();
      return true;
    }
    return false;
  }
};

// The interface never reads the user-interface object, so any suitably
// aligned storage stands in for it.
inline cAlgoModuleUiInterface& holtekUi() {
  alignas(16) static unsigned char storage[64];
  return *reinterpret_cast<cAlgoModuleUiInterface*>(storage);
}

// ---- tokens of the wire, as the trace renders them ----

inline std::string hex(unsigned int value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*X", digits, value);
  return text;
}
// Line n high or low (line 0 is the bus direction: high = write).
inline std::string hi(unsigned int line) { return "42=" + hex(1u << line, 4); }
inline std::string lo(unsigned int line) { return "44=" + hex(1u << line, 4); }
inline std::string busOut(unsigned int value) { return "86=" + hex(value, 4); }
inline std::string rd(unsigned int offset) { return "r" + hex(offset, 2); }
inline std::string w(unsigned int cycles) { return "w" + std::to_string(cycles); }
inline std::string supply(ePSChannel channel, unsigned int mV) {
  static const char* const names[] = {"VLS", "VGATE", "VCOMP", "VCP1", "VCP2", "VCP3"};
  return std::string(names[channel]) + "=" + std::to_string(mV);
}
inline std::string output(eK5Output which, bool on) {
  static const char* const names[] = {"GLOBAL", "VCP1", "VCP2", "VCP3", "GND"};
  return std::string(names[which]) + (on ? " on" : " off");
}
inline std::string tx(unsigned int byte) { return "tx " + hex(byte, 2); }
const char* const kRx = "rx";

inline void append(tTokens& to, const tTokens& more) {
  to.insert(to.end(), more.begin(), more.end());
}

// Every event of the trace as a token. A wait that is not a bus-cycle wait
// with the module's mapping shows its kind and mapping, so it never passes
// for a protocol wait.
inline tTokens wireTokens() {
  tTokens tokens;
  for (const tK5TraceEvent& e : cK5SimProgrammer::instance().trace()) {
    switch (e.kind) {
      case tK5TraceEvent::tkMcuWrite:
        tokens.push_back(hex(e.a, 2) + "=" + hex(e.b, 4));
        break;
      case tK5TraceEvent::tkMcuRead:
        tokens.push_back(rd(e.a));
        break;
      case tK5TraceEvent::tkSupply:
        tokens.push_back(supply(static_cast<ePSChannel>(e.a), e.b));
        break;
      case tK5TraceEvent::tkCpdOutput:
        tokens.push_back(e.slot == 0 ? output(static_cast<eK5Output>(e.a), e.b == 0)
                                     : "output of slot " + std::to_string(e.slot));
        break;
      case tK5TraceEvent::tkWait:
        tokens.push_back(e.text == "mcu" && e.b == mFPGAMapping
                             ? w(e.a)
                             : w(e.a) + " (" + e.text + " mapping " + hex(e.b, 8) + ")");
        break;
      default:
        tokens.push_back("event " + std::to_string(e.kind));
        break;
    }
  }
  return tokens;
}

// Serial bits folded into bytes: a sent bit is an SDO (line 3) write and a
// received bit a read of 0x60, each followed by exactly one clock pulse; eight
// of a kind make "tx XX" or "rx". Anything else stays as it is.
inline tTokens serialTokens(const tTokens& tokens) {
  const tTokens pulse = {w(2), hi(2), w(5), lo(2), w(2)};
  auto bitAt = [&](std::size_t i, bool send, bool& one) {
    if (i + pulse.size() >= tokens.size()) return false;
    for (std::size_t k = 0; k < pulse.size(); ++k) {
      if (tokens[i + 1 + k] != pulse[k]) return false;
    }
    if (send) {
      one = tokens[i] == hi(3);
      return one || tokens[i] == lo(3);
    }
    return tokens[i] == rd(0x60);
  };
  tTokens folded;
  std::size_t i = 0;
  while (i < tokens.size()) {
    bool matched = false;
    for (bool send : {true, false}) {
      unsigned int byte = 0;
      unsigned int bits = 0;
      for (; bits < 8; ++bits) {
        bool one = false;
        if (!bitAt(i + bits * (pulse.size() + 1), send, one)) break;
        byte = byte << 1 | (one ? 1u : 0u);
      }
      if (bits == 8) {
        folded.push_back(send ? tx(byte) : kRx);
        i += 8 * (pulse.size() + 1);
        matched = true;
        break;
      }
    }
    if (!matched) folded.push_back(tokens[i++]);
  }
  return folded;
}

// A fresh bench, a good Holtek hardware interface over it with
// the fixture's device in the socket, and a clean trace.
class tHoltekInterfaceTest : public tHardwareTest {
protected:
  void SetUp() override {
    tHardwareTest::SetUp();
    plugSocket();
    mpCpd.reset(new cK5CpdCtrl(krv5(), nullptr));
    unsigned char ok = 0;
    mpHw.reset(new mcHInterface(krv5(), *mpCpd, ok, holtekUi()));
    ASSERT_EQ(ok, 1);
    sim().clearTrace();
  }

  void TearDown() override {
    mpHw.reset();
    tHardwareTest::TearDown();
  }

  // Plugs the fixture's device through the bench.
  virtual void plugSocket() = 0;

  // Bus cycles waited by one operation.
  template <class Op>
  std::uint64_t cyclesOf(Op op) {
    const std::uint64_t before = sim().waitedCycles();
    op();
    return sim().waitedCycles() - before;
  }

  std::unique_ptr<cK5CpdCtrl> mpCpd;
  std::unique_ptr<mcHInterface> mpHw;
};

// The interface over the minimal socket stub.
class tHoltekTest : public tHoltekInterfaceTest {
protected:
  void plugSocket() override { plug(mStub); }

  tSocketStub mStub;
};

// The interface and the wire protocol over a Holtek chip model. Each test ends
// as the job flow does, powered off with the interface released, and only
// then does the bench check that the chip reports no violation: a test that
// provokes one takes it.
class tHoltekChipTest : public tHoltekInterfaceTest {
protected:
  static constexpr unsigned long kVcc = 5000;  // inside the chip's power window
  static constexpr unsigned long kVpp = 12000;

  void SetUp() override {
    tHoltekInterfaceTest::SetUp();
    mpWire.reset(new mcPInterface(mpHw.get(), mStatus));
  }

  void TearDown() override {
    if (mpWire) mpWire->powerOff();
    mpWire.reset();
    // Releasing the interface rests the supplies; the chip hears that too.
    mpHw.reset();
    tHoltekInterfaceTest::TearDown();
  }

  void plugSocket() override { plug(mChip); }

  // Levels, supplies and entry, in the order the job flow uses.
  void powerOn(unsigned long vcc = kVcc) {
    mpWire->setVccVLevels(vcc);
    mpWire->powerOn(vcc, kVpp);
  }

  tTokens takeViolations() {
    tTokens v = mChip.violations();
    mChip.clearViolations();
    return v;
  }

  static bool outputOn(eK5Output output) { return !sim().cpd(0).outputDisabled[output]; }

  cK5HoltekChip mChip;
  short mStatus = 0;
  std::unique_ptr<mcPInterface> mpWire;
};

#endif
