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
  // Place in faultPoints() of each point name the facade passes, by address;
  // the last one looked up apart, since calls of a point come in runs.
  std::unordered_map<const char*, std::size_t> pointIndex;
  const char* lastPoint = nullptr;
  std::size_t lastPointIndex = 0;

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

  // Throws an injected text, or answers the kind of an injected fault that
  // struck (fkFalse, fkNull) or fkNone. `kinds` are those the call can show.
  unsigned fault(const char* point, long slot, unsigned kinds);
  template <typename T>
  T* handOut(const char* point, long slot, T* object) {
    return fault(point, slot, fkThrow | fkNull) == fkNull ? nullptr : object;
  }
  // Counts the call as a hit of the point.
  void countHit(const char* point, long slot);
  void checkThrow(const char* point, long slot = -1) { fault(point, slot, fkThrow); }
  bool refused(const char* point, long slot = -1) {
    return fault(point, slot, fkThrow | fkFalse) == fkFalse;
  }

  // Appends an event (when tracing) and gives it, or null when not stored.
  tPackedEvent* record(tK5TraceEvent::eKind kind, unsigned int slot = 0, std::uint32_t a = 0,
                       std::uint32_t b = 0);
  // The text and values of a stored event.
  tTraceExtra& extraOf(tPackedEvent& event);
  tK5TraceEvent unpack(std::size_t index) const;
  const std::vector<tK5TraceEvent>& fullTrace();
  void dropTrace();

  // ---- device ----
  void deviceCreated();
  void deviceDestroyed();
  void wait(unsigned int cycles, bool mcu, unsigned int mapping);
  void interrupts(bool lock);

  // ---- registers ----
  unsigned short mcuRead(unsigned int address);
  void mcuWrite(unsigned int address, unsigned short value);
  unsigned short fpgaRead(unsigned int slot, unsigned int reg);
  void fpgaWrite(unsigned int slot, unsigned int reg, unsigned short value);
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

  void buzz(unsigned int a, unsigned int b);

  // Byte offset into slot 0's space; throws for an address outside or misaligned.
  static unsigned int mcuOffset(unsigned int address, const char* call);
  static void checkFpgaReg(unsigned int reg, const char* call);

private:
  // Tells every plugged device; `tell` is called with each in plug order.
  template <typename Tell>
  void tellSocket(Tell tell) {
    // By index: a device may plug another while it is told.
    for (std::size_t i = 0; i < st.socket.size(); ++i) tell(*st.socket[i]);
  }
  // Every device hears the read; the first answer counts.
  template <typename Ask>
  bool askSocket(Ask ask, unsigned short& value) {
    bool answered = false;
    for (std::size_t i = 0; i < st.socket.size(); ++i) {
      unsigned short answer = 0;
      if (ask(*st.socket[i], answer) && !answered) {
        value = answer;
        answered = true;
      }
    }
    return answered;
  }

  void chargeAccess();
  void afterAccess(tK5TraceEvent::eKind kind, unsigned int slot, unsigned int reg,
                   unsigned short value);
  bool uiTimerRegister(unsigned int slot, unsigned int reg) const;
};

// The one simulated programmer's inside, for the facade.
inline cK5SimProgrammer::Impl& k5Sim() { return cK5SimProgrammer::instance().impl(); }

#endif
