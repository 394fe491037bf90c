#include "cK5SimProgrammer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <numeric>
#include <stdexcept>

#include "cK5CPDRegSet.h"
#include "cK5SimProgrammerImpl.h"

const unsigned int cK5SimProgrammer::kRegBaseToken;
const unsigned int cK5SimProgrammer::kRegSpaceSize;
const unsigned int cK5SimProgrammer::kFpgaMappingToken;
const unsigned int cK5SimProgrammer::kSlotCount;
const unsigned int cK5SimProgrammer::kFpgaRegCount;
const unsigned int cK5SimProgrammer::kAlways;
const std::size_t cK5SimProgrammer::kDefaultTraceLimit;

namespace {

using Sim = cK5SimProgrammer;
using Impl = cK5SimProgrammer::Impl;

const std::size_t kTraceReserve = 1u << 16;
const unsigned int kMcuBaseOfSlot = cK5SimProgrammer::kRegSpaceSize;  // token step between slots

std::string hex(unsigned int value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", value);
  return text;
}

void checkBank(unsigned int bank, const char* call) {
  if (bank > 1u) throw std::string(call) + ": invalid register bank " + std::to_string(bank);
}

void checkSlot(unsigned int slot, const char* call) {
  if (slot >= Sim::kSlotCount)
    throw std::string(call) + ": invalid FPGA slot " + std::to_string(slot);
}

const unsigned int T = k5FaultThrow;
const unsigned int F = k5FaultFalse;
const unsigned int N = k5FaultNull;
const unsigned int kSupplyChannels = 6;

// Every call the facade checks for faults, by the name it checks.
const std::vector<tK5FaultPoint> kFaultPoints = {
    {"cKorvo5Device", T, 0},
    {"psCtrl", T | N, 0},
    {"pdioCtrl", T | N, Sim::kSlotCount},
    {"fpgaCtrl", T | N, Sim::kSlotCount},
    {"cpdCtrl", T | N, Sim::kSlotCount},
    {"config", T | N, 0},
    {"productInfo", T | N, 0},
    {"deviceCtrl", T | N, 0},
    {"stateCtrl", T | N, 0},
    {"setDeviceState", T, 0},
    {"claimDevice", T | F, 0},
    {"unclaimDevice", T | F, 0},
    {"getClaimedRemoteId", T, 0},
    {"getClaimedInterface", T, 0},
    {"register", T, Sim::kSlotCount},
    {"setSupplyVoltage", T | F, kSupplyChannels},
    {"switchOffSupplies", T | F, 0},
    {"readSupplyVoltages", T | F, 0},
    {"writeRegisterSet", T | F, Sim::kSlotCount},
    {"writeRegisterSetOnly", T | F, Sim::kSlotCount},
    {"readRegisterSet", T | F, Sim::kSlotCount},
    {"setCRS", T, Sim::kSlotCount},
    {"pulseCPDStrobe", T, Sim::kSlotCount},
    {"setNOE", T, Sim::kSlotCount},
    {"setDIR", T, Sim::kSlotCount},
    {"resetFPGA", T | F, Sim::kSlotCount},
    {"loadHdw", T | F, Sim::kSlotCount},
    {"waitBusCycles", T, 0},
    {"lockInterrupts", T, 0},
    {"unlockInterrupts", T, 0},
    {"numInstalledPDIOs", T, 0},
    {"productType", T, 0},
    {"productName", T, 0},
    {"fpgaBaseMappingAddr", T, 0},
    {"buzzer", T, 0},
};

const char* kindText(unsigned int kind) {
  return kind == k5FaultThrow ? "throw" : kind == k5FaultFalse ? "answer false" : "hand out null";
}

// "name@3" names slot 3 of a point. Refuses what could never strike.
void parsePoint(const std::string& point, unsigned int kind, const char* call, std::string& name,
                long& slot) {
  const std::string quoted = std::string(call) + ": fault point \"" + point + "\"";
  const std::string::size_type at = point.find('@');
  name = point.substr(0, at);
  slot = -1;
  const tK5FaultPoint* entry = nullptr;
  for (const tK5FaultPoint& p : kFaultPoints)
    if (name == p.name) entry = &p;
  if (entry == nullptr) throw std::invalid_argument(quoted + " does not exist");
  if (!(entry->kinds & kind)) throw std::invalid_argument(quoted + " cannot " + kindText(kind));
  if (at == std::string::npos) return;
  if (!entry->takesSlot()) throw std::invalid_argument(quoted + " takes no slot");
  const std::string digits = point.substr(at + 1);
  if (digits.empty() || digits.size() > 4 ||
      digits.find_first_not_of("0123456789") != std::string::npos)
    throw std::invalid_argument(quoted + ": the slot is not a number");
  slot = std::stol(digits);
  if (slot >= static_cast<long>(entry->slots))
    throw std::invalid_argument(quoted + ": no slot " + digits + " (0 to " +
                                std::to_string(entry->slots - 1) + ")");
}

}  // namespace

// ---------------------------------------------------------------- Impl

Impl::tPowerState::tPowerState() : hits(kFaultPoints.size()) {
  for (auto& regs : fpga) regs.assign(kFpgaRegCount, 0);
  for (auto& row : hits) row.fill(0);
}

Impl::Impl(cK5SimProgrammer& owner)
    : sim(owner),
      registerPoint(placeOf(kRegisterPoint)),
      waitPoint(placeOf(kWaitPoint)),
      buzzerPoint(placeOf(kBuzzerPoint)) {
  trace.reserve(kTraceReserve);
}

void Impl::powerUp() {
  st = tPowerState();
  powerChanged();
  dropTrace();
  inAccessHook = false;
}

void Impl::dropTrace() {
  // A huge trace of an earlier job is not kept around.
  if (trace.capacity() > 16u * kTraceReserve) std::vector<tPackedEvent>().swap(trace);
  if (traceView.capacity() > kTraceReserve) std::vector<tK5TraceEvent>().swap(traceView);
  trace.clear();
  trace.reserve(kTraceReserve);
  std::vector<tTraceExtra>().swap(traceExtras);
  traceView.clear();
  st.dropped = 0;
}

std::size_t Impl::placeOf(const char* point) {
  std::size_t i = 0;
  while (i < kFaultPoints.size() && std::strcmp(kFaultPoints[i].name, point) != 0) ++i;
  if (i == kFaultPoints.size())
    throw std::logic_error(std::string("fault point \"") + point + "\" is not in the table");
  return i;
}

std::size_t Impl::lookUpPoint(const char* point) {
  std::unordered_map<const char*, std::size_t>::const_iterator known = pointIndex.find(point);
  if (known == pointIndex.end()) known = pointIndex.emplace(point, placeOf(point)).first;
  tPointSeen& seen = pointCache[pointCacheSlot(point)];
  seen.point = point;
  seen.index = known->second;
  return seen.index;
}

unsigned Impl::strike(const char* point, long slot, unsigned kinds) {
  tFault* strike = nullptr;
  for (tFault& f : st.faults) {
    if (!(f.kind & kinds) || f.point != point || (f.slot >= 0 && f.slot != slot)) continue;
    ++f.seen;
    if (strike == nullptr && f.seen > f.skip && (f.times == kAlways || f.fired < f.times))
      strike = &f;
  }
  if (strike == nullptr) return fkNone;
  ++strike->fired;
  if (strike->kind == fkThrow) throw std::string(strike->text);
  return strike->kind;
}

Impl::tPackedEvent* Impl::store(tK5TraceEvent::eKind kind, unsigned int slot, std::uint32_t a,
                                std::uint32_t b) {
  if (trace.size() >= st.traceLimit) {
    ++st.dropped;
    return nullptr;
  }
  trace.push_back(tPackedEvent{static_cast<std::uint8_t>(kind), static_cast<std::uint8_t>(slot), 0,
                               0, a, b, 0});
  return &trace.back();
}

Impl::tTraceExtra& Impl::extraOf(tPackedEvent& event) {
  if (event.extra == 0) {
    traceExtras.emplace_back();
    event.extra = static_cast<std::uint32_t>(traceExtras.size());
  }
  return traceExtras[event.extra - 1];
}

tK5TraceEvent Impl::unpack(std::size_t index) const {
  const tPackedEvent& p = trace[index];
  tK5TraceEvent e;
  e.kind = static_cast<tK5TraceEvent::eKind>(p.kind);
  e.slot = p.slot;
  e.a = p.a;
  e.b = p.b;
  if (p.extra != 0) {
    const tTraceExtra& x = traceExtras[p.extra - 1];
    e.text = x.text;
    e.text2 = x.text2;
    e.values = x.values;
  } else if (p.mcuWait) {
    e.text = "mcu";
  }
  return e;
}

const std::vector<tK5TraceEvent>& Impl::fullTrace() {
  if (traceView.size() > trace.size()) traceView.clear();
  traceView.reserve(trace.size());
  for (std::size_t i = traceView.size(); i < trace.size(); ++i) traceView.push_back(unpack(i));
  return traceView;
}

void Impl::deviceCreated() {
  checkThrow("cKorvo5Device");
  ++liveDevices;
  record(tK5TraceEvent::tkDeviceCreated, 0, liveDevices);
}

void Impl::deviceDestroyed() {
  if (liveDevices > 0) --liveDevices;
  record(tK5TraceEvent::tkDeviceDestroyed, 0, liveDevices);
}

void Impl::wait(unsigned int cycles, bool mcu, unsigned int mapping) {
  faultAt(waitPoint, kWaitPoint, -1, fkThrow);
  st.waited += cycles;
  if (tPackedEvent* e = record(tK5TraceEvent::tkWait, 0, cycles, mcu ? mapping : 0u))
    e->mcuWait = mcu ? 1 : 0;
}

void Impl::interrupts(bool lock) {
  checkThrow(lock ? "lockInterrupts" : "unlockInterrupts");
  record(lock ? tK5TraceEvent::tkLockInterrupts : tK5TraceEvent::tkUnlockInterrupts);
}

// ---- registers

void Impl::badMcuAddress(unsigned int address, const char* call) {
  if (address - kRegBaseToken >= kRegSpaceSize)
    throw std::string(call) + ": address " + hex(address) + " outside the register space";
  throw std::string(call) + ": misaligned address " + hex(address);
}

void Impl::badFpgaReg(unsigned int reg, const char* call) {
  throw std::string(call) + ": invalid register " + std::to_string(reg);
}

void Impl::tellListeners(tK5TraceEvent::eKind kind, unsigned int slot, unsigned int reg,
                         unsigned short value) {
  inAccessHook = true;
  try {
    // Copies: the hook and the events may replace them.
    if (st.accessHook) {
      tK5TraceEvent event;
      event.kind = kind;
      event.slot = slot;
      event.a = reg;
      event.b = value;
      const std::function<void(const tK5TraceEvent&)> hook = st.accessHook;
      hook(event);
    }
    for (std::size_t i = 0; i < st.accessTriggers.size(); ++i) {
      if (st.accessTriggers[i].done || st.accesses < st.accessTriggers[i].n) continue;
      st.accessTriggers[i].done = true;
      const std::function<void()> trigger = st.accessTriggers[i].event;
      trigger();
    }
  } catch (...) {
    inAccessHook = false;
    throw;
  }
  inAccessHook = false;
}

bool Impl::resetFpga(unsigned int slot) {
  bool ok = !refused("resetFPGA", slot);
  if (ok) ++st.resetCount;
  record(tK5TraceEvent::tkResetFpga, slot, 0, ok ? 1u : 0u);
  return ok;
}

void Impl::loadHdw(unsigned int index, const char* data, unsigned int size, std::string& error) {
  bool failed = refused("loadHdw", index);
  std::map<unsigned int, std::string>::const_iterator preset = st.loadErrors.find(index);
  if (failed) {
    error = "loadHdw: image transfer to FPGA " + std::to_string(index) + " failed";
  } else if (index >= kSlotCount) {
    error = "loadHdw: invalid FPGA index " + std::to_string(index);
  } else if (data == nullptr && size != 0) {
    error = "loadHdw: no image data";
  } else if (preset != st.loadErrors.end()) {
    error = preset->second;
  } else {
    error.clear();
    tK5LoadedImage image;
    image.index = index;
    image.bytes.assign(data, data + size);
    st.loadHistory.push_back(std::move(image));
  }
  if (tPackedEvent* e = record(tK5TraceEvent::tkLoadHdw, 0, index, size)) extraOf(*e).text = error;
}

// ---- pin drivers

bool Impl::cpdWrite(unsigned int slot, unsigned int bank, const cK5CPDRegSet& set, bool only) {
  const char* point = only ? "writeRegisterSetOnly" : "writeRegisterSet";
  checkBank(bank, point);
  bool ok = !refused(point, slot);
  tK5CpdSlotState& state = st.cpd[slot];
  if (ok) {
    for (unsigned int i = 0; i < cK5CPDRegSet::kRegCount; ++i) state.bank[bank][i] = set.getReg(i);
    state.writtenBy[bank] = only ? k5BankWriteSetOnly : k5BankWriteSet;
  }
  tPackedEvent* e = record(only ? tK5TraceEvent::tkCpdWriteSetOnly : tK5TraceEvent::tkCpdWriteSet,
                           slot, bank, ok ? 1u : 0u);
  if (e != nullptr) {
    std::vector<unsigned int>& values = extraOf(*e).values;
    values.resize(cK5CPDRegSet::kRegCount);
    for (unsigned int i = 0; i < cK5CPDRegSet::kRegCount; ++i) values[i] = set.getReg(i);
  }
  return ok;
}

bool Impl::cpdRead(unsigned int slot, unsigned int bank, cK5CPDRegSet& set) {
  checkBank(bank, "readRegisterSet");
  bool ok = !refused("readRegisterSet", slot);
  if (ok)
    for (unsigned int i = 0; i < cK5CPDRegSet::kRegCount; ++i)
      set.setReg(i, st.cpd[slot].bank[bank][i]);
  record(tK5TraceEvent::tkCpdReadSet, slot, bank, ok ? 1u : 0u);
  return ok;
}

void Impl::cpdSelect(unsigned int slot, unsigned int bank) {
  checkBank(bank, "setCRS");
  checkThrow("setCRS", slot);
  st.cpd[slot].selectedBank = bank;
  record(tK5TraceEvent::tkCpdSelectBank, slot, bank);
}

void Impl::cpdStrobe(unsigned int slot) {
  checkThrow("pulseCPDStrobe", slot);
  record(tK5TraceEvent::tkCpdStrobe, slot);
  // Only the global strobe of slot 0 makes banks live; other slots record it.
  if (slot != 0) return;
  unsigned int bank = st.cpd[0].selectedBank;
  for (unsigned int s = 1; s < kSlotCount; ++s) {
    tK5CpdSlotState& state = st.cpd[s];
    state.live = state.bank[bank];
    state.liveBank = bank;
    state.liveValid = true;
  }
  tellSocket([&](cK5SocketDevice& d) { d.onStrobe(sim); });
}

void Impl::cpdOutput(unsigned int slot, eK5Output output, bool disabled) {
  checkThrow("setNOE", slot);
  st.cpd[slot].outputDisabled[output] = disabled;
  powerChanged();
  record(tK5TraceEvent::tkCpdOutput, slot, output, disabled ? 1u : 0u);
  tellSocket([&](cK5SocketDevice& d) { d.onOutput(sim, slot, output, disabled); });
}

void Impl::cpdDir(unsigned int slot, bool comparator) {
  checkThrow("setDIR", slot);
  st.cpd[slot].dirComparator = comparator;
  record(tK5TraceEvent::tkCpdDir, slot, 0, comparator ? 1u : 0u);
}

// ---- supplies

bool Impl::switchOff() {
  if (refused("switchOffSupplies")) return false;
  st.levels.fill(0);
  ++st.switchOffCount;
  powerChanged();
  record(tK5TraceEvent::tkSuppliesOff);
  tellSocket([&](cK5SocketDevice& d) { d.onSuppliesOff(sim); });
  return true;
}

bool Impl::setSupply(ePSChannel channel, unsigned int mV) {
  unsigned int index = static_cast<unsigned int>(channel);
  if (index >= st.levels.size())
    throw std::string("setSupplyVoltage: invalid channel ") + std::to_string(index);
  if (refused("setSupplyVoltage", index)) return false;
  st.levels[index] = mV;
  powerChanged();
  record(tK5TraceEvent::tkSupply, 0, index, mV);
  tellSocket([&](cK5SocketDevice& d) { d.onSupply(sim, channel, mV); });
  return true;
}

bool Impl::readSupplies(std::array<unsigned int*, 7> out) {
  bool ok = !refused("readSupplyVoltages") && st.readingsOk;
  if (ok)
    for (std::size_t i = 0; i < out.size(); ++i) *out[i] = st.readings[i];
  record(tK5TraceEvent::tkSupplyRead, 0, 0, ok ? 1u : 0u);
  return ok;
}

// ---- state and claim

void Impl::setState(int state) {
  checkThrow("setDeviceState");
  st.stateHistory.push_back(state);
  record(tK5TraceEvent::tkState, 0, static_cast<std::uint32_t>(state));
}

bool Impl::claim(const std::string& interface, const std::string& remoteId, bool force) {
  if (refused("claimDevice")) return false;
  bool granted = force || st.claimRemoteId.empty() || st.claimRemoteId == remoteId;
  if (granted) {
    st.claimInterface = interface;
    st.claimRemoteId = remoteId;
  }
  if (tPackedEvent* e = record(tK5TraceEvent::tkClaim, 0, granted ? 1u : 0u, force ? 1u : 0u)) {
    tTraceExtra& x = extraOf(*e);
    x.text = interface;
    x.text2 = remoteId;
  }
  return granted;
}

bool Impl::unclaim() {
  if (refused("unclaimDevice")) return false;
  st.claimInterface.clear();
  st.claimRemoteId.clear();
  record(tK5TraceEvent::tkUnclaim);
  return true;
}

std::string Impl::claimReadBack(bool remoteId) {
  checkThrow(remoteId ? "getClaimedRemoteId" : "getClaimedInterface");
  const std::string& answer = remoteId ? st.claimRemoteId : st.claimInterface;
  if (tPackedEvent* e = record(tK5TraceEvent::tkClaimReadBack, 0, remoteId ? 1u : 0u))
    extraOf(*e).text = answer;
  return answer;
}

// ---------------------------------------------------------------- public API

cK5SimProgrammer& cK5SimProgrammer::instance() {
  // Never destroyed: it outlives every device object, also at process exit.
  static cK5SimProgrammer* sim = new cK5SimProgrammer();
  return *sim;
}

cK5SimProgrammer::Impl* gK5SimInside = nullptr;

cK5SimProgrammer::cK5SimProgrammer() : mImpl(new Impl(*this)) {
  Impl& d = *mImpl;
  d.ps.reset(new cK5AbstractPSCtrl());
  for (unsigned int slot = 0; slot < kSlotCount; ++slot) {
    d.pdio[slot].reset(new cK5PDIOCtrl(slot));
    d.fpga[slot].reset(new cK5FPGACtrl(slot, kRegBaseToken + slot * kMcuBaseOfSlot));
    d.cpd[slot].reset(new cK5AbstractCPDCtrl(slot));
  }
  d.config.reset(new cK5Config());
  d.productInfo.reset(new cK5ProductInfo());
  d.deviceCtrl.reset(new cK5DeviceCtrl());
  d.stateCtrl.reset(new cK5StateCtrl());
  gK5SimInside = mImpl.get();
}

cK5SimProgrammer::~cK5SimProgrammer() = default;

cK5SimProgrammer::Impl& cK5SimProgrammer::impl() { return *mImpl; }

void cK5SimProgrammer::reset() { mImpl->powerUp(); }

cK5AbstractPSCtrl* cK5SimProgrammer::psCtrl() { return mImpl->ps.get(); }
cK5PDIOCtrl* cK5SimProgrammer::pdio(unsigned int slot) {
  return slot < kSlotCount ? mImpl->pdio[slot].get() : nullptr;
}
cK5Config* cK5SimProgrammer::config() { return mImpl->config.get(); }
cK5ProductInfo* cK5SimProgrammer::productInfo() { return mImpl->productInfo.get(); }
cK5DeviceCtrl* cK5SimProgrammer::deviceCtrl() { return mImpl->deviceCtrl.get(); }
cK5StateCtrl* cK5SimProgrammer::stateCtrl() { return mImpl->stateCtrl.get(); }
unsigned int cK5SimProgrammer::liveDevices() const { return mImpl->liveDevices; }

void cK5SimProgrammer::setProductType(int type) { mImpl->st.productType = type; }
void cK5SimProgrammer::setProductName(const std::string& name) { mImpl->st.productName = name; }
void cK5SimProgrammer::setFpgaBaseMappingAddr(unsigned int addr) { mImpl->st.mappingAddr = addr; }
void cK5SimProgrammer::setNumInstalledPDIOs(unsigned int n) { mImpl->st.installedPdios = n; }
int cK5SimProgrammer::productType() const { return mImpl->st.productType; }
std::string cK5SimProgrammer::productName() const { return mImpl->st.productName; }
unsigned int cK5SimProgrammer::fpgaBaseMappingAddr() const { return mImpl->st.mappingAddr; }
unsigned int cK5SimProgrammer::numInstalledPDIOs() const { return mImpl->st.installedPdios; }

unsigned short cK5SimProgrammer::mcuRegister(unsigned int offset) const {
  return mImpl->st.mcu[Impl::mcuOffset(kRegBaseToken + offset, "mcuRegister") / 2u];
}
void cK5SimProgrammer::setMcuRegister(unsigned int offset, unsigned short value) {
  mImpl->st.mcu[Impl::mcuOffset(kRegBaseToken + offset, "setMcuRegister") / 2u] = value;
}
unsigned short cK5SimProgrammer::fpgaRegister(unsigned int slot, unsigned int reg) const {
  checkSlot(slot, "fpgaRegister");
  Impl::checkFpgaReg(reg, "fpgaRegister");
  return mImpl->st.fpga[slot][reg];
}
void cK5SimProgrammer::setFpgaRegister(unsigned int slot, unsigned int reg, unsigned short value) {
  checkSlot(slot, "setFpgaRegister");
  Impl::checkFpgaReg(reg, "setFpgaRegister");
  mImpl->st.fpga[slot][reg] = value;
}
unsigned int cK5SimProgrammer::resetCount() const { return mImpl->st.resetCount; }
const std::vector<tK5LoadedImage>& cK5SimProgrammer::loadHistory() const {
  return mImpl->st.loadHistory;
}
void cK5SimProgrammer::setUiTimerEnabled(bool on) { mImpl->st.uiTimerOn = on; }

const tK5CpdSlotState& cK5SimProgrammer::cpd(unsigned int slot) const {
  checkSlot(slot, "cpd");
  return mImpl->st.cpd[slot];
}

unsigned int cK5SimProgrammer::supplyLevel(ePSChannel channel) const {
  unsigned int index = static_cast<unsigned int>(channel);
  if (index >= mImpl->st.levels.size())
    throw std::string("supplyLevel: invalid channel ") + std::to_string(index);
  return mImpl->st.levels[index];
}
unsigned int cK5SimProgrammer::switchOffCount() const { return mImpl->st.switchOffCount; }
void cK5SimProgrammer::setSupplyReadings(const std::array<unsigned int, 7>& readings, bool ok) {
  mImpl->st.readings = readings;
  mImpl->st.readingsOk = ok;
}

const std::vector<int>& cK5SimProgrammer::stateHistory() const { return mImpl->st.stateHistory; }
int cK5SimProgrammer::deviceState() const {
  return mImpl->st.stateHistory.empty() ? 0 : mImpl->st.stateHistory.back();
}
void cK5SimProgrammer::presetClaim(const std::string& interface, const std::string& remoteId) {
  mImpl->st.claimInterface = interface;
  mImpl->st.claimRemoteId = remoteId;
}
std::string cK5SimProgrammer::claimedInterface() const { return mImpl->st.claimInterface; }
std::string cK5SimProgrammer::claimedRemoteId() const { return mImpl->st.claimRemoteId; }

const std::vector<tK5BuzzerRun>& cK5SimProgrammer::buzzer() const { return mImpl->st.buzzer; }

std::uint64_t cK5SimProgrammer::waitedCycles() const { return mImpl->st.waited; }
std::uint64_t cK5SimProgrammer::accessCycles() const { return mImpl->st.access; }
std::uint64_t cK5SimProgrammer::nowCycles() const { return mImpl->now(); }
void cK5SimProgrammer::setAccessCost(unsigned int cycles) { mImpl->st.accessCost = cycles; }
void cK5SimProgrammer::advance(std::uint64_t cycles) { mImpl->st.advanced += cycles; }

void cK5SimProgrammer::setTraceEnabled(bool on) { mImpl->st.traceOn = on; }
const std::vector<tK5TraceEvent>& cK5SimProgrammer::trace() const { return mImpl->fullTrace(); }
void cK5SimProgrammer::clearTrace() { mImpl->dropTrace(); }
void cK5SimProgrammer::setTraceLimit(std::size_t events) { mImpl->st.traceLimit = events; }
std::uint64_t cK5SimProgrammer::droppedTraceEvents() const { return mImpl->st.dropped; }
std::size_t cK5SimProgrammer::traceSize() const { return mImpl->trace.size(); }

std::vector<tK5TraceEvent> cK5SimProgrammer::traceOf(tK5TraceEvent::eKind kind) const {
  std::vector<tK5TraceEvent> events;
  for (std::size_t i = 0; i < mImpl->trace.size(); ++i)
    if (mImpl->trace[i].kind == kind) events.push_back(mImpl->unpack(i));
  return events;
}

std::vector<std::pair<unsigned int, unsigned int>> cK5SimProgrammer::supplyWrites() const {
  std::vector<std::pair<unsigned int, unsigned int>> writes;
  for (const Impl::tPackedEvent& e : mImpl->trace)
    if (e.kind == tK5TraceEvent::tkSupply) writes.emplace_back(e.a, e.b);
  return writes;
}

long cK5SimProgrammer::findEvent(const std::function<bool(const tK5TraceEvent&)>& match,
                                 std::size_t from) const {
  for (std::size_t i = from; i < mImpl->trace.size(); ++i)
    if (match(mImpl->unpack(i))) return static_cast<long>(i);
  return -1;
}

bool cK5SimProgrammer::containsInOrder(
    const std::vector<std::function<bool(const tK5TraceEvent&)>>& matchers) const {
  std::size_t from = 0;
  for (const auto& match : matchers) {
    long at = findEvent(match, from);
    if (at < 0) return false;
    from = static_cast<std::size_t>(at) + 1;
  }
  return true;
}

long cK5SimProgrammer::findSequence(
    const std::vector<std::function<bool(const tK5TraceEvent&)>>& matchers,
    std::size_t from) const {
  const std::size_t size = mImpl->trace.size();
  if (matchers.empty()) return from <= size ? static_cast<long>(from) : -1;
  for (std::size_t start = from; start + matchers.size() <= size; ++start) {
    std::size_t i = 0;
    while (i < matchers.size() && matchers[i](mImpl->unpack(start + i))) ++i;
    if (i == matchers.size()) return static_cast<long>(start);
  }
  return -1;
}

std::size_t cK5SimProgrammer::countEvents(
    const std::function<bool(const tK5TraceEvent&)>& match) const {
  std::size_t n = 0;
  for (std::size_t i = 0; i < mImpl->trace.size(); ++i)
    if (match(mImpl->unpack(i))) ++n;
  return n;
}

std::function<bool(const tK5TraceEvent&)> cK5SimProgrammer::eventIs(tK5TraceEvent::eKind kind,
                                                                    long a, long b, long slot) {
  return [=](const tK5TraceEvent& e) {
    return e.kind == kind && (a < 0 || e.a == std::uint32_t(a)) &&
           (b < 0 || e.b == std::uint32_t(b)) && (slot < 0 || e.slot == std::uint32_t(slot));
  };
}

void cK5SimProgrammer::plug(cK5SocketDevice& device) {
  std::vector<cK5SocketDevice*>& socket = mImpl->st.socket;
  if (std::find(socket.begin(), socket.end(), &device) == socket.end()) socket.push_back(&device);
}
void cK5SimProgrammer::unplug(cK5SocketDevice& device) {
  std::vector<cK5SocketDevice*>& socket = mImpl->st.socket;
  socket.erase(std::remove(socket.begin(), socket.end(), &device), socket.end());
}
void cK5SimProgrammer::unplugAll() { mImpl->st.socket.clear(); }
const std::vector<cK5SocketDevice*>& cK5SimProgrammer::socketDevices() const {
  return mImpl->st.socket;
}

void cK5SimProgrammer::setAccessHook(std::function<void(const tK5TraceEvent&)> hook) {
  mImpl->st.accessHook = std::move(hook);
  mImpl->st.listened = mImpl->st.accessHook || !mImpl->st.accessTriggers.empty();
}
void cK5SimProgrammer::atRegisterAccess(std::uint64_t n, std::function<void()> event) {
  mImpl->st.accessTriggers.push_back(Impl::tPowerState::tAccessTrigger{n, std::move(event), false});
  mImpl->st.listened = true;
}
std::uint64_t cK5SimProgrammer::registerAccesses() const { return mImpl->st.accesses; }

const std::vector<tK5FaultPoint>& cK5SimProgrammer::faultPoints() { return kFaultPoints; }

namespace {
void addFault(Impl& d, const char* call, const std::string& point, Impl::eFaultKind kind,
              const std::string& text, unsigned int skip, unsigned int times) {
  Impl::tFault f;
  parsePoint(point, kind, call, f.point, f.slot);
  f.kind = kind;
  f.text = text;
  f.skip = skip;
  f.times = times;
  f.seen = 0;
  f.fired = 0;
  d.st.faults.push_back(std::move(f));
}
}  // namespace

void cK5SimProgrammer::injectThrow(const std::string& point, const std::string& text,
                                   unsigned int skip, unsigned int times) {
  addFault(*mImpl, "injectThrow", point, Impl::fkThrow, text, skip, times);
}
void cK5SimProgrammer::injectFalse(const std::string& point, unsigned int skip,
                                   unsigned int times) {
  addFault(*mImpl, "injectFalse", point, Impl::fkFalse, std::string(), skip, times);
}
void cK5SimProgrammer::injectNull(const std::string& point, unsigned int skip, unsigned int times) {
  addFault(*mImpl, "injectNull", point, Impl::fkNull, std::string(), skip, times);
}
std::vector<std::string> cK5SimProgrammer::unfiredFaults() const {
  std::vector<std::string> points;
  for (const Impl::tFault& f : mImpl->st.faults) {
    if (f.fired == 0)
      points.push_back(f.slot < 0 ? f.point : f.point + "@" + std::to_string(f.slot));
  }
  return points;
}
std::uint64_t cK5SimProgrammer::faultPointHits(const std::string& point) const {
  std::string name;
  long slot = -1;
  parsePoint(point, k5FaultThrow | k5FaultFalse | k5FaultNull, "faultPointHits", name, slot);
  std::size_t i = 0;
  while (kFaultPoints[i].name != name) ++i;
  const std::array<std::uint64_t, kSlotCount + 1>& row = mImpl->st.hits[i];
  if (slot >= 0) return row[static_cast<std::size_t>(slot)];
  return std::accumulate(row.begin(), row.end(), std::uint64_t(0));
}
void cK5SimProgrammer::setLoadHdwError(unsigned int index, const std::string& text) {
  mImpl->st.loadErrors[index] = text;
}
void cK5SimProgrammer::clearFaults() {
  mImpl->st.faults.clear();
  mImpl->st.loadErrors.clear();
}
