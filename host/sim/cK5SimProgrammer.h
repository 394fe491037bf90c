#ifndef C_K5_SIM_PROGRAMMER_H
#define C_K5_SIM_PROGRAMMER_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cK5SocketDevice.h"
#include "eK5Output.h"
#include "ePSChannel.h"

class cK5AbstractPSCtrl;
class cK5PDIOCtrl;
class cK5FPGACtrl;
class cK5AbstractCPDCtrl;
class cK5Config;
class cK5ProductInfo;
class cK5DeviceCtrl;
class cK5StateCtrl;

// One recorded hardware call.
struct tK5TraceEvent {
  enum eKind {
    tkDeviceCreated,  // a = number of live device objects after the call
    tkDeviceDestroyed,
    tkMcuRead,          // a = byte offset from the register base, b = value
    tkMcuWrite,         // a = byte offset, b = value
    tkFpgaRead,         // slot, a = register, b = value
    tkFpgaWrite,        // slot, a = register, b = value
    tkResetFpga,        // slot, b = 1 done, 0 refused by an injected fault
    tkLoadHdw,          // a = FPGA index, b = size, text = error text set
    tkCpdWriteSet,      // slot, a = bank, b = 1 written (0 refused), values = the 60 registers
    tkCpdWriteSetOnly,  // slot, a = bank, b = 1 written (0 refused), values = the 60 registers
    tkCpdReadSet,       // slot, a = bank, b = 1 read (0 refused)
    tkCpdSelectBank,    // slot, a = bank
    tkCpdStrobe,        // slot
    tkCpdOutput,        // slot, a = eK5Output, b = 1 when the output is disabled
    tkCpdDir,           // slot, b = 1 comparator, 0 level shifter
    tkSupply,           // a = channel, b = millivolts
    tkSuppliesOff,
    tkSupplyRead,  // b = 1 when the read succeeded
    tkState,       // a = state (3 busy, 1 ready)
    tkClaim,       // text = interface, text2 = remote id, b = force flag, a = 1 granted
    tkUnclaim,
    tkWait,    // a = cycles; mcu wait: b = mapping, text = "mcu"; device wait: b = 0
    tkBuzzer,  // a, b = the two values
    tkLockInterrupts,
    tkUnlockInterrupts,
    tkClaimReadBack  // a = 0 interface, 1 remote id; text = the answer
  };
  eKind kind;
  unsigned int slot = 0;
  std::uint32_t a = 0;
  std::uint32_t b = 0;
  std::string text;
  std::string text2;
  std::vector<unsigned int> values;
};

// How a bank was last written.
enum eK5BankWrite { k5BankUnwritten = 0, k5BankWriteSet = 1, k5BankWriteSetOnly = 2 };

struct tK5CpdSlotState {
  std::array<std::array<unsigned int, 60>, 2> bank{};  // the two banks
  std::array<eK5BankWrite, 2> writtenBy{{k5BankUnwritten, k5BankUnwritten}};
  std::array<unsigned int, 60> live{};  // registers made live by the last strobe
  bool liveValid = false;               // a strobe has made a bank live
  unsigned int liveBank = 0;            // bank that the last strobe made live
  unsigned int selectedBank = 0;        // last setCRS of this control
  std::array<bool, 5> outputDisabled{{true, true, true, true, true}};  // power-up: off
  bool dirComparator = false;
};

struct tK5LoadedImage {
  unsigned int index;
  std::vector<char> bytes;
};

// What an injected fault makes a call do.
enum eK5FaultKind : unsigned {
  k5FaultThrow = 1,  // throw the injected text
  k5FaultFalse = 2,  // answer false (calls with a boolean result)
  k5FaultNull = 4    // hand out null (pointer getters)
};

// A call of the host hardware library where faults can be injected.
struct tK5FaultPoint {
  const char* name;
  unsigned int kinds;  // the eK5FaultKind bits the call can show
  // Slots "name@n" may name: n below this (FPGA slot; FPGA index for
  // "loadHdw", supply channel for "setSupplyVoltage"). 0: no slot.
  unsigned int slots;
  bool takesSlot() const { return slots != 0; }
};

// Run-length compressed buzzer calls.
struct tK5BuzzerRun {
  unsigned int a;
  unsigned int b;
  std::uint64_t count;
};

// The simulated programmer behind the stand-in host hardware library: one per
// process, outliving every cKorvo5Device. Tests reset and inspect it.
class cK5SimProgrammer {
public:
  static cK5SimProgrammer& instance();

  // Back to power-up state; faults, socket devices and hooks are removed. The
  // control objects stay the same objects.
  void reset();

  // ---- address tokens (this is a 64-bit build: tokens, never pointers) ----
  static const unsigned int kRegBaseToken = 0x40000000u;  // slot 0 register base
  static const unsigned int kRegSpaceSize = 0x10000u;     // bytes of register space
  static const unsigned int kFpgaMappingToken = 0x50000000u;
  static const unsigned int kSlotCount = 7;         // FPGA slots 0..6
  static const unsigned int kFpgaRegCount = 4096;   // registers per FPGA slot
  static const unsigned int kAlways = 0xFFFFFFFFu;  // `times` of a fault that never ends

  // ---- objects handed out through the facade ----
  cK5AbstractPSCtrl* psCtrl();
  cK5PDIOCtrl* pdio(unsigned int slot);  // null for a slot above 6
  cK5Config* config();
  cK5ProductInfo* productInfo();
  cK5DeviceCtrl* deviceCtrl();
  cK5StateCtrl* stateCtrl();
  unsigned int liveDevices() const;

  // ---- product ----
  void setProductType(int type);
  void setProductName(const std::string& name);
  void setFpgaBaseMappingAddr(unsigned int addr);
  void setNumInstalledPDIOs(unsigned int n);
  int productType() const;
  std::string productName() const;
  unsigned int fpgaBaseMappingAddr() const;
  unsigned int numInstalledPDIOs() const;

  // ---- registers ----
  // The programming-interface space of slot 0, by byte offset: last written value.
  unsigned short mcuRegister(unsigned int offset) const;
  void setMcuRegister(unsigned int offset, unsigned short value);
  // FPGA register files of slots 0..6.
  unsigned short fpgaRegister(unsigned int slot, unsigned int reg) const;
  void setFpgaRegister(unsigned int slot, unsigned int reg, unsigned short value);
  unsigned int resetCount() const;
  // Slot 1 registers 92/93 as a millisecond timer over virtual time (on after
  // reset); off: they are plain registers.
  void setUiTimerEnabled(bool on);
  const std::vector<tK5LoadedImage>& loadHistory() const;

  // ---- pin drivers ----
  const tK5CpdSlotState& cpd(unsigned int slot) const;

  // ---- supplies ----
  unsigned int supplyLevel(ePSChannel channel) const;
  // Goes up whenever a supply level or an output-disable flag may have
  // changed, reset() included, and never goes back: a model may keep what it
  // derived from them while this stays the same.
  std::uint64_t powerChanges() const { return mPowerChanges; }
  unsigned int switchOffCount() const;
  void setSupplyReadings(const std::array<unsigned int, 7>& readings, bool ok = true);

  // ---- device state and claim ----
  const std::vector<int>& stateHistory() const;
  int deviceState() const;  // 0 before any setDeviceState
  void presetClaim(const std::string& interface, const std::string& remoteId);
  std::string claimedInterface() const;
  std::string claimedRemoteId() const;

  // ---- buzzer ----
  const std::vector<tK5BuzzerRun>& buzzer() const;

  // ---- virtual bus clock (5 cycles per microsecond; nothing ever sleeps) ----
  std::uint64_t waitedCycles() const;       // sum of all waits
  std::uint64_t accessCycles() const;       // sum of register access costs
  std::uint64_t nowCycles() const;          // waits + access costs + advance()
  void setAccessCost(unsigned int cycles);  // per register access, default 0
  void advance(std::uint64_t cycles);       // moves time without a wait
  std::uint64_t nowMs() const { return nowCycles() / 5000u; }

  // ---- trace ----
  void setTraceEnabled(bool on);  // on after reset
  // The whole trace as events. Stored events take 16 bytes; this view costs
  // more, so scan long traces with the helpers below instead.
  const std::vector<tK5TraceEvent>& trace() const;
  std::size_t traceSize() const;
  void clearTrace();
  // Events beyond the limit are not stored but counted (default kDefaultTraceLimit).
  static const std::size_t kDefaultTraceLimit = 4000000;
  void setTraceLimit(std::size_t events);
  std::uint64_t droppedTraceEvents() const;
  // Matcher for findEvent/containsInOrder; -1 matches any slot, a or b.
  static std::function<bool(const tK5TraceEvent&)> eventIs(tK5TraceEvent::eKind kind, long a = -1,
                                                           long b = -1, long slot = -1);
  std::vector<tK5TraceEvent> traceOf(tK5TraceEvent::eKind kind) const;
  // Supply writes as (channel, mV) pairs, in order.
  std::vector<std::pair<unsigned int, unsigned int>> supplyWrites() const;
  // Index of the first event at or after `from` matching, or -1.
  long findEvent(const std::function<bool(const tK5TraceEvent&)>& match,
                 std::size_t from = 0) const;
  // True when the matchers match events in this order (other events may lie between).
  bool containsInOrder(
      const std::vector<std::function<bool(const tK5TraceEvent&)>>& matchers) const;
  // Index of the first run of consecutive events at or after `from` that the
  // matchers match one by one, or -1.
  long findSequence(const std::vector<std::function<bool(const tK5TraceEvent&)>>& matchers,
                    std::size_t from = 0) const;
  // Number of events matching.
  std::size_t countEvents(const std::function<bool(const tK5TraceEvent&)>& match) const;

  // ---- socket ----
  // The socket holds several device models at once (not owned), e.g. the
  // wiring and a chip. Every device hears every event, reads included, in
  // plug order; a read takes the answer of the first device that answers.
  // Plugging a device that is in already changes nothing; reset() empties
  // the socket, and a device leaving scope unplugs itself.
  void plug(cK5SocketDevice& device);
  void unplug(cK5SocketDevice& device);
  void unplugAll();
  const std::vector<cK5SocketDevice*>& socketDevices() const;

  // ---- hooks ----
  // Called after every register access (mcu and FPGA), e.g. to deliver a
  // host event inside a loop.
  void setAccessHook(std::function<void(const tK5TraceEvent&)> hook);
  // Runs the event once, right after the n-th register access since reset
  // (after the access hook).
  void atRegisterAccess(std::uint64_t n, std::function<void()> event);
  // Register accesses (mcu and FPGA) since reset.
  std::uint64_t registerAccesses() const;

  // ---- fault injection ----
  // Every point, the kinds of fault it can show and whether it takes a slot.
  static const std::vector<tK5FaultPoint>& faultPoints();
  // A point may name a slot: "pdioCtrl@3" (mcu registers are slot 0 of
  // "register"). The fault strikes after `skip` matching calls, `times` times
  // (kAlways: every matching call from then on). A point that does not exist,
  // a slot the point does not take and a kind the point cannot show are
  // refused with std::invalid_argument.
  void injectThrow(const std::string& point, const std::string& text, unsigned int skip = 0,
                   unsigned int times = 1);
  // Boolean calls answer false (writeRegisterSet(Only), readSupplyVoltages, resetFPGA, ...).
  void injectFalse(const std::string& point, unsigned int skip = 0, unsigned int times = 1);
  // Pointer getters (psCtrl, pdioCtrl, fpgaCtrl, cpdCtrl, ...) return null without throwing.
  void injectNull(const std::string& point, unsigned int skip = 0, unsigned int times = 1);
  // The points ("name" or "name@n") of faults injected since the last
  // clearFaults() or reset() that have not struck yet.
  std::vector<std::string> unfiredFaults() const;
  // Calls since reset() that a fault injected at the point could strike,
  // whether one is injected or not: "name" counts every call, "name@n" those
  // of slot n. A sweep counts them in a clean run, then injects at each one.
  // Points are checked as injectThrow checks them (any kind).
  std::uint64_t faultPointHits(const std::string& point) const;
  // loadHdw fills this error text for the FPGA index (an injected false gives
  // a text of its own).
  void setLoadHdwError(unsigned int index, const std::string& text);
  void clearFaults();

  // ---- used by the facade (not by tests) ----
  struct Impl;
  Impl& impl();

private:
  cK5SimProgrammer();
  ~cK5SimProgrammer();
  cK5SimProgrammer(const cK5SimProgrammer&) = delete;
  cK5SimProgrammer& operator=(const cK5SimProgrammer&) = delete;

  std::unique_ptr<Impl> mImpl;
  std::uint64_t mPowerChanges = 0;
};

#endif
