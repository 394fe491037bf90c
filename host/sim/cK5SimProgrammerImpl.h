#ifndef C_K5_SIM_PROGRAMMER_IMPL_H
#define C_K5_SIM_PROGRAMMER_IMPL_H

// Inside of the simulated programmer, shared by the facade sources of the
// host hardware library only. Tests and tools use cK5SimProgrammer.h.

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "cK5AbstractCPDCtrl.h"
#include "cK5AbstractPSCtrl.h"
#include "cK5Config.h"
#include "cK5DeviceCtrl.h"
#include "cK5FPGACtrl.h"
#include "cK5PDIOCtrl.h"
#include "cK5ProductInfo.h"
#include "cK5SimProgrammer.h"
#include "cK5StateCtrl.h"

class cK5CPDRegSet;

struct cK5SimProgrammer::Impl {
  enum eFaultKind : unsigned {
    fkNone = 0,
    fkThrow = k5FaultThrow,
    fkFalse = k5FaultFalse,
    fkNull = k5FaultNull
  };

  struct tFault {
    std::string point;
    long slot;  // -1: any slot
    eFaultKind kind;
    std::string text;
    unsigned int skip;
    unsigned int times;
    std::uint64_t seen;
    std::uint64_t fired;
  };

  // Everything that reset() brings back to power-up.
  struct tPowerState {
    int productType = 1;
    std::string productName = "Korvo5 Sim";
    unsigned int mappingAddr = kFpgaMappingToken;
    unsigned int installedPdios = kSlotCount;

    std::vector<std::uint16_t> mcu = std::vector<std::uint16_t>(kRegSpaceSize / 2u, 0);
    std::array<std::vector<std::uint16_t>, kSlotCount> fpga;
    unsigned int resetCount = 0;
    std::vector<tK5LoadedImage> loadHistory;
    std::map<unsigned int, std::string> loadErrors;
    bool uiTimerOn = true;
    std::uint64_t uiTimerStart = 0;

    std::array<tK5CpdSlotState, kSlotCount> cpd;

    std::array<unsigned int, 6> levels{};
    unsigned int switchOffCount = 0;
    std::array<unsigned int, 7> readings{};
    bool readingsOk = true;

    std::vector<int> stateHistory;
    std::string claimInterface;
    std::string claimRemoteId;

    std::vector<tK5BuzzerRun> buzzer;

    std::uint64_t waited = 0;
    std::uint64_t access = 0;
    std::uint64_t advanced = 0;
    unsigned int accessCost = 0;

    bool traceOn = true;
    std::size_t traceLimit = kDefaultTraceLimit;
    std::uint64_t dropped = 0;

    std::vector<cK5SocketDevice*> socket;  // in plug order
    std::function<void(const tK5TraceEvent&)> accessHook;
    bool listened = false;  // an access hook or trigger is set
    std::uint64_t accesses = 0;
    struct tAccessTrigger {
      std::uint64_t n;
      std::function<void()> event;
      bool done;
    };
    std::vector<tAccessTrigger> accessTriggers;
    std::vector<tFault> faults;
    // Calls of each fault point (by its place in faultPoints()), by slot;
    // the last column takes calls without a slot.
    std::vector<std::array<std::uint64_t, kSlotCount + 1>> hits;

    tPowerState();
  };

  explicit Impl(cK5SimProgrammer& owner);

  // One stored trace event in 16 bytes, so that the trace can stay on for
  // millions of register accesses; texts and register images lie apart.
  struct tPackedEvent {
    std::uint8_t kind;
    std::uint8_t slot;
    std::uint8_t mcuWait;  // a wait of mcu_wait_bus_cycles
    std::uint8_t unused;
    std::uint32_t a;
    std::uint32_t b;
    std::uint32_t extra;  // 1 + index into traceExtras; 0: none
  };
  struct tTraceExtra {
    std::string text;
    std::string text2;
    std::vector<unsigned int> values;
  };

  cK5SimProgrammer& sim;
  tPowerState st;
  std::vector<tPackedEvent> trace;
  std::vector<tTraceExtra> traceExtras;
  // The trace as full events for trace(): always a prefix of `trace`.
  std::vector<tK5TraceEvent> traceView;
  bool inAccessHook = false;
  unsigned int liveDevices = 0;
  // Place in faultPoints() of each point name the facade passes, by address,
  // with a small cache in front keyed by the address's hash.
  std::unordered_map<const char*, std::size_t> pointIndex;
  struct tPointSeen {
    const char* point = nullptr;
    std::size_t index = 0;
  };
  static constexpr unsigned int kPointCacheBits = 6;
  std::array<tPointSeen, 1u << kPointCacheBits> pointCache;
  // The points of register accesses, waits and buzzer calls, which jobs
  // pass millions of times.
  static constexpr const char* kRegisterPoint = "register";
  static constexpr const char* kWaitPoint = "waitBusCycles";
  static constexpr const char* kBuzzerPoint = "buzzer";
  const std::size_t registerPoint;
  const std::size_t waitPoint;
  const std::size_t buzzerPoint;

  // Control objects: made once, kept across resets, never freed by the module.
  std::unique_ptr<cK5AbstractPSCtrl> ps;
  std::array<std::unique_ptr<cK5PDIOCtrl>, kSlotCount> pdio;
  std::array<std::unique_ptr<cK5FPGACtrl>, kSlotCount> fpga;
  std::array<std::unique_ptr<cK5AbstractCPDCtrl>, kSlotCount> cpd;
  std::unique_ptr<cK5Config> config;
  std::unique_ptr<cK5ProductInfo> productInfo;
  std::unique_ptr<cK5DeviceCtrl> deviceCtrl;
  std::unique_ptr<cK5StateCtrl> stateCtrl;

  void powerUp();
  // A supply level or an output-disable flag may have changed.
  void powerChanged() { ++sim.mPowerChanges; }

  // Throws an injected text, or answers the kind of an injected fault that
  // struck (fkFalse, fkNull) or fkNone. `kinds` are those the call can show.
  unsigned fault(const char* point, long slot, unsigned kinds) {
    return faultAt(indexOf(point), point, slot, kinds);
  }
  // The same for a point whose place in faultPoints() is known.
  unsigned faultAt(std::size_t index, const char* point, long slot, unsigned kinds) {
    const bool inSlot = slot >= 0 && slot < static_cast<long>(kSlotCount);
    ++st.hits[index][inSlot ? static_cast<std::size_t>(slot) : kSlotCount];
    return st.faults.empty() ? unsigned(fkNone) : strike(point, slot, kinds);
  }
  template <typename T>
  T* handOut(const char* point, long slot, T* object) {
    return fault(point, slot, fkThrow | fkNull) == fkNull ? nullptr : object;
  }
  // Place of the point in faultPoints().
  std::size_t indexOf(const char* point) {
    const tPointSeen& seen = pointCache[pointCacheSlot(point)];
    return seen.point == point ? seen.index : lookUpPoint(point);
  }
  void checkThrow(const char* point, long slot = -1) { fault(point, slot, fkThrow); }
  bool refused(const char* point, long slot = -1) {
    return fault(point, slot, fkThrow | fkFalse) == fkFalse;
  }

  // Appends an event (when tracing) and gives it, or null when not stored.
  tPackedEvent* record(tK5TraceEvent::eKind kind, unsigned int slot = 0, std::uint32_t a = 0,
                       std::uint32_t b = 0) {
    return st.traceOn ? store(kind, slot, a, b) : nullptr;
  }
  // The text and values of a stored event.
  tTraceExtra& extraOf(tPackedEvent& event);
  tK5TraceEvent unpack(std::size_t index) const;
  const std::vector<tK5TraceEvent>& fullTrace();
  void dropTrace();

  // ---- device ----
  void deviceCreated();
  void deviceDestroyed();
  void wait(unsigned int cycles, bool mcu, unsigned int mapping);
  std::uint64_t now() const { return st.waited + st.access + st.advanced; }
  void interrupts(bool lock);

  // ---- registers ----
  // Inline into the facade: every register access of a job passes here.
  __attribute__((always_inline)) unsigned short mcuRead(unsigned int address) {
    const unsigned int offset = mcuOffset(address, "mcu_read16");
    faultAt(registerPoint, kRegisterPoint, 0, fkThrow);
    chargeAccess();
    unsigned short value = st.mcu[offset / 2u];
    askSocket([&](cK5SocketDevice& d, unsigned short& a) { return d.onMcuRead(sim, offset, a); },
              value);
    afterAccess(tK5TraceEvent::tkMcuRead, 0, offset, value);
    return value;
  }
  __attribute__((always_inline)) void mcuWrite(unsigned int address, unsigned short value) {
    const unsigned int offset = mcuOffset(address, "mcu_write16");
    faultAt(registerPoint, kRegisterPoint, 0, fkThrow);
    chargeAccess();
    st.mcu[offset / 2u] = value;
    tellSocket([&](cK5SocketDevice& d) { d.onMcuWrite(sim, offset, value); });
    afterAccess(tK5TraceEvent::tkMcuWrite, 0, offset, value);
  }
  __attribute__((always_inline)) unsigned short fpgaRead(unsigned int slot, unsigned int reg) {
    checkFpgaReg(reg, "cK5FPGACtrl::read16");
    faultAt(registerPoint, kRegisterPoint, slot, fkThrow);
    chargeAccess();
    unsigned short value = st.fpga[slot][reg];
    const bool answered = askSocket(
        [&](cK5SocketDevice& d, unsigned short& a) { return d.onFpgaRead(sim, slot, reg, a); },
        value);
    if (!answered && uiTimerRegister(slot, reg)) value = uiTimerRead(slot, reg, value);
    afterAccess(tK5TraceEvent::tkFpgaRead, slot, reg, value);
    return value;
  }
  __attribute__((always_inline)) void fpgaWrite(unsigned int slot, unsigned int reg,
                                                unsigned short value) {
    checkFpgaReg(reg, "cK5FPGACtrl::write16");
    faultAt(registerPoint, kRegisterPoint, slot, fkThrow);
    chargeAccess();
    st.fpga[slot][reg] = value;
    if (uiTimerRegister(slot, reg)) uiTimerWritten(reg);
    tellSocket([&](cK5SocketDevice& d) { d.onFpgaWrite(sim, slot, reg, value); });
    afterAccess(tK5TraceEvent::tkFpgaWrite, slot, reg, value);
  }
  bool resetFpga(unsigned int slot);
  void loadHdw(unsigned int index, const char* data, unsigned int size, std::string& error);

  // ---- pin drivers ----
  bool cpdWrite(unsigned int slot, unsigned int bank, const cK5CPDRegSet& set, bool only);
  bool cpdRead(unsigned int slot, unsigned int bank, cK5CPDRegSet& set);
  void cpdSelect(unsigned int slot, unsigned int bank);
  void cpdStrobe(unsigned int slot);
  void cpdOutput(unsigned int slot, eK5Output output, bool disabled);
  void cpdDir(unsigned int slot, bool comparator);

  // ---- supplies ----
  bool switchOff();
  bool setSupply(ePSChannel channel, unsigned int mV);
  bool readSupplies(std::array<unsigned int*, 7> out);

  // ---- state and claim ----
  void setState(int state);
  bool claim(const std::string& interface, const std::string& remoteId, bool force);
  bool unclaim();
  // The claimed interface, or the remote id; "" while unclaimed.
  std::string claimReadBack(bool remoteId);

  // Inline into the facade: a signal test calls it at every reading.
  __attribute__((always_inline)) void buzz(unsigned int a, unsigned int b) {
    faultAt(buzzerPoint, kBuzzerPoint, -1, fkThrow);
    if (!st.buzzer.empty() && st.buzzer.back().a == a && st.buzzer.back().b == b) {
      ++st.buzzer.back().count;
    } else {
      st.buzzer.push_back(tK5BuzzerRun{a, b, 1});
    }
    record(tK5TraceEvent::tkBuzzer, 0, a, b);
  }

  // Byte offset into slot 0's space; throws for an address outside or misaligned.
  static unsigned int mcuOffset(unsigned int address, const char* call) {
    // Unsigned wrap turns an address below the base into a huge offset.
    const unsigned int offset = address - kRegBaseToken;
    if (offset >= kRegSpaceSize || (offset & 1u) != 0) badMcuAddress(address, call);
    return offset;
  }
  static void checkFpgaReg(unsigned int reg, const char* call) {
    if (reg >= kFpgaRegCount) badFpgaReg(reg, call);
  }

private:
  // The throws, out of line: building their texts would burden every access.
  [[noreturn]] static void badMcuAddress(unsigned int address, const char* call);
  [[noreturn]] static void badFpgaReg(unsigned int reg, const char* call);

  static unsigned int pointCacheSlot(const char* point) {
    const std::uint64_t hash = reinterpret_cast<std::uintptr_t>(point) * 0x9E3779B97F4A7C15ull;
    return static_cast<unsigned int>(hash >> (64 - kPointCacheBits));
  }
  // Finds the point in the table and caches it; throws for a name not in it.
  std::size_t lookUpPoint(const char* point);
  static std::size_t placeOf(const char* point);
  // The fault that strikes this call, when faults are injected.
  unsigned strike(const char* point, long slot, unsigned kinds);

  // Tells every plugged device; `tell` is called with each in plug order.
  template <typename Tell>
  void tellSocket(Tell tell) {
    // By index: a device may plug another while it is told.
    for (std::size_t i = 0; i < st.socket.size(); ++i) tell(*st.socket[i]);
  }
  // Every device hears the read; the first answer counts. Each is asked
  // with the register file's value.
  template <typename Ask>
  bool askSocket(Ask ask, unsigned short& value) {
    const unsigned short file = value;
    bool answered = false;
    for (std::size_t i = 0; i < st.socket.size(); ++i) {
      unsigned short answer = file;
      if (ask(*st.socket[i], answer) && !answered) {
        value = answer;
        answered = true;
      }
    }
    return answered;
  }

  void chargeAccess() {
    ++st.accesses;
    st.access += st.accessCost;
  }
  void afterAccess(tK5TraceEvent::eKind kind, unsigned int slot, unsigned int reg,
                   unsigned short value) {
    record(kind, slot, reg, value);
    if (st.listened && !inAccessHook) tellListeners(kind, slot, reg, value);
  }
  // The access hook and the triggers due.
  void tellListeners(tK5TraceEvent::eKind kind, unsigned int slot, unsigned int reg,
                     unsigned short value);
  tPackedEvent* store(tK5TraceEvent::eKind kind, unsigned int slot, std::uint32_t a,
                      std::uint32_t b);
  bool uiTimerRegister(unsigned int slot, unsigned int reg) const {
    return st.uiTimerOn && slot == kUiTimerSlot &&
           (reg == kUiTimerPeriodReg || reg == kUiTimerRunningReg);
  }
  // A read of a timer register: `value` from the register file.
  unsigned short uiTimerRead(unsigned int slot, unsigned int reg, unsigned short value) {
    if (reg != kUiTimerRunningReg) return value;
    // Running while the period since the last (re)start has not elapsed;
    // an elapsed period restarts.
    const std::uint64_t at = now();
    const std::uint64_t period = std::uint64_t(st.fpga[slot][kUiTimerPeriodReg]) * kCyclesPerMs;
    const bool running = at - st.uiTimerStart < period;
    if (!running) st.uiTimerStart = at;
    return running ? 1 : 0;
  }
  void uiTimerWritten(unsigned int reg) {
    if (reg == kUiTimerPeriodReg) st.uiTimerStart = now();
  }

  // Slot 1 registers 92/93: the millisecond timer.
  static constexpr unsigned int kUiTimerSlot = 1;
  static constexpr unsigned int kUiTimerPeriodReg = 92;
  static constexpr unsigned int kUiTimerRunningReg = 93;
  static constexpr std::uint32_t kCyclesPerMs = 5000u;
};

// Set once the simulated programmer is made; the facade's calls reach it
// without a call of instance().
extern cK5SimProgrammer::Impl* gK5SimInside __attribute__((visibility("hidden")));

// The one simulated programmer's inside, for the facade.
inline cK5SimProgrammer::Impl& k5Sim() {
  return gK5SimInside != nullptr ? *gK5SimInside : cK5SimProgrammer::instance().impl();
}

#endif
