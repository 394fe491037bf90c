// Fuzz target over the host exchange of one module (built once per
// deliverable, with that deliverable's parts): arbitrary bytes become a short
// run of host calls on a freshly reset simulated programmer (fuzzProgram.h
// gives the format), with actions among them and one action start at its end.
//
// Beyond the sanitizers and libFuzzer's time-out it checks, and aborts with
// a "FUZZ FINDING:" line where it does not hold:
// - no exception but the host's text (std::string) leaves a slot, and every
//   ok flag a slot answers is 0 or 1;
// - what the module accepted comes back as sent: a buffer window whose
//   exchange answered ok 1 is fetched back byte for byte (through the
//   host's own model of the buffers: creates, windows and deletes of the
//   exchanges the module took), and so are the records the module stores
//   whole (parameter set, pin-driver configurations with their header, job
//   record, device configuration, hardware parameters, pin layout with its
//   pin count), item for item. A buffer description answers the modelled
//   size. After a failed exchange the host knows nothing of what it touched
//   until it sends it again. Before the action every known record and buffer
//   is fetched back. Records are compared before the action only: an action
//   rewrites fields of the job record (data buffer, check results, error
//   area), a Holtek read stores the chip's info data and lock bits in the
//   device configuration, a read writes buffer 0 and the continuity test
//   writes its results into the layout. The configuration header comes back
//   describing the configurations the module holds: at most 20, with zero
//   counts past them;
// - after each action, unless a fault was injected: a final progress record
//   with the end-of-action byte, the programmer ready, the pin-driver outputs
//   off, every supply at 0, no algorithm left, and the job record still
//   fetchable; after the provider is gone, no device object left;
// - a second provider of the module, made, driven and unloaded between slots
//   or by host events during an action: every receive and continuity FPGA
//   load during an action is refused (ok 0), moduleDone of the provider
//   whose action runs answers 0 and leaves it, every other moduleDone
//   unloads at once, and the module globals never name the supply control
//   or device object of a provider that is gone.
//
// An action is bounded: from kCancelAfter register accesses on, every access
// cancels it (the touch probe's read limit does the same), and one that runs
// kRunOnLimit accesses past that is a finding.
//
// FUZZ_VERBOSE=1 in the environment keeps the module's log and names each
// operation, to follow a finding.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <set>
#include <streambuf>
#include <string>
#include <utility>
#include <vector>

#include "JobBuilder.h"
#include "cAbstractEventManager.h"
#include "cAlgoParam.h"
#include "cCfgFileDeviceCpdConfig.h"
#include "cCfgFileDeviceCpdConfigs.h"
#include "cCfgFileDeviceCpdPinData.h"
#include "cCfgFileDeviceLayout.h"
#include "cDevicePDxyData.h"
#include "cK5AlgoProvider.h"
#include "cK5ContinuitySocket.h"
#include "cK5HoltekChip.h"
#include "cK5SimProgrammer.h"
#include "cK5TouchProbe.h"
#include "cKrv5Ctrl.h"
#include "cScaffoHost.h"
#include "fuzzProgram.h"
#include "littleEndian.h"
#include "moduleGlobals.h"
#include "recordFrameTestUtil.h"
#include "tContinuityBench.h"
#include "tHoltekSettings.h"

using namespace fuzzProgram;

class cMPDE;

// The module's entry points, as the host finds them.
extern "C" int moduleInit(cMPDE* mpde, cK5AlgoProvider** out, std::string name);
extern "C" int moduleDone(cK5AlgoProvider** p);

namespace {

const piModuleAddr kHost{3, 1};
const std::uint64_t kCancelAfter = 300000;
const std::uint64_t kRunOnLimit = 4000000;
// Buffers up to this size are fetched back whole; larger ones by their ends
// and the windows written into them.
const std::uint32_t kWholeFetch = 256 * 1024;
const std::uint32_t kEndFetch = 4096;
const unsigned int kMaxChipWords = 1024;
const unsigned int kHoltekMemorySizeMask = 0x3FF;

bool verbose = false;

[[noreturn]] void finding(const std::string& what) {
  std::fprintf(stderr, "FUZZ FINDING: %s\n", what.c_str());
  std::fflush(stderr);
  std::abort();
}

void note(const std::string& what) {
  if (verbose) std::fprintf(stderr, "fuzz: %s\n", what.c_str());
}

// The shape of an exchange: items and payload bytes of each sub-frame.
void noteShape(const tExchange& ex) {
  if (!verbose) return;
  std::string shape = "  sub-frames (items/bytes):";
  for (const piSubFrame& sf : ex.sf) {
    shape += " " + std::to_string(sf.itemCount()) + "/" + std::to_string(sf.getSize());
  }
  note(shape);
}

// Swallows the module's log unless verbose.
class tNullBuffer : public std::streambuf {
protected:
  int overflow(int ch) override { return traits_type::not_eof(ch); }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

cK5SimProgrammer& sim() { return cK5SimProgrammer::instance(); }
cScaffoHost& host() { return cScaffoHost::instance(); }

// Calls a slot as the host does: its own text may come back, nothing else.
// True when the host's text came back.
template <class Call>
bool callSlot(const char* name, Call&& call) {
  try {
    call();
  } catch (const std::string& text) {
    note(std::string(name) + " threw the host's text: " + text);
    return true;
  } catch (const std::exception& e) {
    finding(std::string(name) + " let an exception other than the host's text out: " + e.what());
  } catch (...) {
    finding(std::string(name) + " let an exception other than the host's text out");
  }
  return false;
}

void checkOk(const char* name, unsigned char ok, bool threw) {
  if (!threw && ok != 0 && ok != 1) {
    finding(std::string(name) + " answered ok " + std::to_string(ok));
  }
}

// ------------------------------------------------------------ sub-frames

void rebuild(piSubFrame& sf, const std::vector<piSubFrame::Item>& items) {
  sf.clear();
  for (const piSubFrame::Item& it : items) appendItem(sf, it);
}

piSubFrame::Item itemOf(std::uint32_t type, std::uint32_t value) {
  piSubFrame::Item it;
  it.type = static_cast<ePiItemType>(type % 5);
  it.u32 = value;
  it.i32 = static_cast<std::int32_t>(value);
  it.u8 = static_cast<std::uint8_t>(value);
  if (it.type == pitString) it.text = std::to_string(value);
  if (it.type == pitBlock) it.bytes.assign(value % 64, static_cast<char>(0xA5));
  return it;
}

// A number item takes the value; a text or block loses its last byte (or
// gains one when empty).
void replaceValue(piSubFrame::Item& it, std::uint32_t value) {
  switch (it.type) {
    case pitUInt32:
      it.u32 = value;
      break;
    case pitInt32:
      it.i32 = static_cast<std::int32_t>(value);
      break;
    case pitUInt8:
      it.u8 = static_cast<std::uint8_t>(value);
      break;
    case pitString:
      if (it.text.empty())
        it.text.push_back(static_cast<char>(value));
      else
        it.text.pop_back();
      break;
    case pitBlock:
      if (it.bytes.empty())
        it.bytes.push_back(static_cast<char>(value));
      else
        it.bytes.pop_back();
      break;
  }
}

void damage(piSubFrame& sf, eDamage kind, std::uint16_t index, std::uint32_t arg) {
  std::vector<piSubFrame::Item> items = sf.items();
  if (items.empty()) {
    if (kind == dmRetype || kind == dmDuplicate) items.push_back(itemOf(arg, arg));
    rebuild(sf, items);
    return;
  }
  const std::size_t i = index % items.size();
  switch (kind) {
    case dmDrop:
      items.erase(items.begin() + static_cast<std::ptrdiff_t>(i));
      break;
    case dmDuplicate:
      items.insert(items.begin() + static_cast<std::ptrdiff_t>(i), items[i]);
      break;
    case dmRetype:
      items[i] = itemOf(arg, arg);
      break;
    case dmTruncate:
      items.resize(i);
      break;
    case dmReplace:
      replaceValue(items[i], arg);
      break;
    case dmSwap:
      if (i + 1 < items.size()) std::swap(items[i], items[i + 1]);
      break;
    default:
      break;
  }
  rebuild(sf, items);
}

// ------------------------------------------------- what the host knows

// One descriptor slot of an exchange as the module reads it: the host parses
// its own sub-frame 0 with the same descriptor classes.
struct tSlotView {
  unsigned int type = 0;
  tByteArrayInfo info;
  cCfgFileDeviceCpdConfigsHeader header;
  unsigned int pinDefs = 0;
  const piSubFrame* data = nullptr;
};

std::vector<tSlotView> slotsOf(tExchange& ex) {
  cDataTransferDescriptors set(ex.sf[1], ex.sf[2], ex.sf[3], ex.sf[4], ex.sf[5], ex.sf[6], ex.sf[7],
                               ex.sf[8]);
  set << ex.sf[0];
  std::vector<tSlotView> slots(set.getMaxSfNum());
  for (unsigned int i = 0; i < slots.size(); ++i) {
    cDataTransferDescriptor& d = set.getDataTransferDescriptor(i);
    slots[i].type = static_cast<unsigned int>(d.getDataType());
    slots[i].info = d.getByteArrayInfo();
    slots[i].header = d.getCfgFileDeviceCpdConfigsHeader();
    slots[i].pinDefs = d.getPinConnectionLayoutData_sizePinDefs();
    slots[i].data = &ex.sf[i + 1];
  }
  return slots;
}

bool isStoredRecord(unsigned int type) {
  switch (type) {
    case cDataTransferDescriptor::dtAlgoParam:
    case cDataTransferDescriptor::dtCfgFileDeviceCpdConfigs:
    case cDataTransferDescriptor::dtAlgoKrv3UIData:
    case cDataTransferDescriptor::dtDeviceAlgPrm:
    case cDataTransferDescriptor::dtHdwParam:
    case cDataTransferDescriptor::dtCfgFileDeviceLayout:
      return true;
    default:
      return false;
  }
}

std::string typeName(unsigned int type) {
  cDataTransferDescriptor d = JobBuilder::typed(type);
  return d.DataTypeToString();
}

std::string describeDifference(const piSubFrame& sent, const piSubFrame& back) {
  if (sent.itemCount() != back.itemCount()) {
    return std::to_string(sent.itemCount()) + " items sent, " + std::to_string(back.itemCount()) +
           " came back";
  }
  for (std::size_t i = 0; i < sent.itemCount(); ++i) {
    if (!(sent.item(i) == back.item(i))) return "item " + std::to_string(i) + " differs";
  }
  return "no difference";
}

// The host's model of what the module holds: the buffers it created and
// filled, and the last record of each kind it sent. Only exchanges the module
// answered with ok 1 teach it something; a failed one makes it forget what
// that exchange touched.
class tHostModel {
public:
  tHostModel() {
    // The parameter set starts with one buffer: id 0, one byte 0.
    mBuffers[0].bytes.assign(1, 0);
  }

  // `sent` as the host passed it to the slot.
  void received(tExchange& sent, bool ok) {
    for (const tSlotView& s : slotsOf(sent)) {
      if (s.type == cDataTransferDescriptor::dtByteArrayInfo) {
        tByteArrayInfo record;
        if (!(record << *s.data)) continue;
        if (record.getCmdType() == ctDeleteAllBuffers) {
          if (ok) {
            mBuffers.clear();
            mUnknown.clear();
            mAllUnknown = false;
          } else {
            forgetAll();
          }
        } else if (record.getCmdType() == ctCreateOnly) {
          if (ok) {
            tBuffer& b = mBuffers[record.getId()];
            b.bytes.assign(record.getTotalSize(), record.getFillByte());
            b.writes.clear();
            mUnknown.erase(record.getId());
          } else {
            forget(record.getId());
          }
        }
      } else if (s.type == cDataTransferDescriptor::dtByteArry) {
        if (ok) {
          written(s.info, *s.data);
        } else {
          forget(s.info.getId());
        }
      } else if (isStoredRecord(s.type)) {
        tRecord& r = mRecords[s.type];
        r.known = ok;
        if (ok) {
          r.sent = *s.data;
          r.header = s.header;
          r.pinDefs = s.pinDefs;
        }
      }
    }
  }

  // What an action rewrites is no longer what the host sent: the job record,
  // the device configuration (a Holtek read stores info data and lock bits
  // there) and the layout (the continuity results); a read also writes
  // buffer 0, whichever id it has.
  void acted(eStart action) {
    for (unsigned int type :
         {cDataTransferDescriptor::dtAlgoKrv3UIData, cDataTransferDescriptor::dtDeviceAlgPrm,
          cDataTransferDescriptor::dtCfgFileDeviceLayout}) {
      mRecords[type].known = false;
    }
    if (action == stRead) forgetAll();
  }

  // Checks the answers of a send the module took (ok 1).
  void answered(tExchange& request, const tExchange& answer) const {
    const std::vector<tSlotView> slots = slotsOf(request);
    cDataTransferDescriptors set;
    readDescriptors(answer.sf[0], set);
    for (unsigned int i = 0; i < slots.size(); ++i) {
      const tSlotView& s = slots[i];
      const piSubFrame& data = answer.sf[i + 1];
      cDataTransferDescriptor& d = set.getDataTransferDescriptor(i);
      const std::string where = "send slot " + std::to_string(i) + " (" + typeName(s.type) + "): ";
      if (s.type == cDataTransferDescriptor::dtByteArry) {
        checkWindow(where, s.info, data, d.getByteArrayInfo());
      } else if (s.type == cDataTransferDescriptor::dtByteArrayInfo) {
        checkInfo(where, *s.data, data);
      } else if (isStoredRecord(s.type)) {
        checkRecord(where, s.type, data, d);
      }
    }
  }

  // Fetch requests for everything the model knows; each must be answered.
  JobBuilder fetchAll() const {
    JobBuilder job;
    for (const auto& r : mRecords) {
      if (r.second.known) job.fetch(static_cast<JobBuilder::eDataType>(r.first));
    }
    for (const auto& b : mBuffers) {
      const std::uint32_t size = static_cast<std::uint32_t>(b.second.bytes.size());
      job.fetchInfo(b.first);
      if (size <= kWholeFetch) {
        job.fetchWindow(ctFullData, b.first, 0, size);
        continue;
      }
      job.fetchWindow(ctPartData, b.first, 0, kEndFetch);
      job.fetchWindow(ctLastPartData, b.first, size - kEndFetch, kEndFetch);
      for (const auto& w : b.second.writes) job.fetchWindow(ctPartData, b.first, w.first, w.second);
    }
    // One id the module must not know, when there is one.
    for (int id = 0; id < 8; ++id) {
      if (absent(id)) {
        job.fetchInfo(id);
        break;
      }
    }
    return job;
  }

private:
  struct tBuffer {
    std::vector<std::uint8_t> bytes;
    // The last windows written, (start, size), for the fetch of large buffers.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> writes;
  };
  struct tRecord {
    bool known = false;
    piSubFrame sent;
    cCfgFileDeviceCpdConfigsHeader header;
    unsigned int pinDefs = 0;
  };

  bool present(int id) const { return mBuffers.count(id) != 0; }
  bool absent(int id) const { return !mAllUnknown && !present(id) && mUnknown.count(id) == 0; }
  void forget(int id) {
    mBuffers.erase(id);
    mUnknown.insert(id);
  }
  void forgetAll() {
    mBuffers.clear();
    mAllUnknown = true;
  }

  void written(const tByteArrayInfo& info, const piSubFrame& data) {
    const int id = info.getId();
    if (absent(id)) {
      finding("a window into buffer " + std::to_string(id) + ", which does not exist, was taken");
    }
    if (!present(id)) return;
    if (data.itemCount() != 1 || data.item(0).type != pitBlock ||
        data.item(0).bytes.size() != info.getSize()) {
      finding("a window was taken whose data is no block of its size");
    }
    tBuffer& b = mBuffers[id];
    const std::uint64_t end = std::uint64_t(info.getStartAddr()) + info.getSize();
    if (end > b.bytes.size()) {
      finding("a window past the end of buffer " + std::to_string(id) + " was taken");
    }
    const std::vector<char>& bytes = data.item(0).bytes;
    std::copy(bytes.begin(), bytes.end(), b.bytes.begin() + info.getStartAddr());
    if (b.writes.size() >= 4) b.writes.erase(b.writes.begin());
    b.writes.push_back({info.getStartAddr(), info.getSize()});
  }

  void checkWindow(const std::string& where, const tByteArrayInfo& asked, const piSubFrame& data,
                   const tByteArrayInfo& answer) const {
    const int id = asked.getId();
    std::vector<unsigned char> got;
    if (!readWindow(data, got)) finding(where + "answered without a block");
    if (got.size() != asked.getSize()) finding(where + "answered a block of another size");
    if (answer.getId() != id || answer.getStartAddr() != asked.getStartAddr() ||
        answer.getSize() != asked.getSize() || answer.getCmdType() != asked.getCmdType() ||
        answer.getSourceLocation() != tByteArray::slModule) {
      finding(where + "answered a record that names another window");
    }
    if (absent(id))
      finding(where + "answered a window of buffer " + std::to_string(id) +
              ", which does not exist");
    if (!present(id)) return;
    const std::vector<std::uint8_t>& model = mBuffers.at(id).bytes;
    const std::uint64_t end = std::uint64_t(asked.getStartAddr()) + asked.getSize();
    if (end > model.size()) finding(where + "answered a window past the end of the buffer");
    for (std::size_t k = 0; k < got.size(); ++k) {
      if (got[k] != model[asked.getStartAddr() + k]) {
        finding(where + "buffer " + std::to_string(id) + " came back changed at byte " +
                std::to_string(asked.getStartAddr() + k));
      }
    }
  }

  void checkInfo(const std::string& where, const piSubFrame& request,
                 const piSubFrame& data) const {
    tByteArrayInfo asked;
    if (!(asked << request) || asked.getCmdType() != ctInfoOnly) return;
    tByteArrayInfo answer;
    if (!(answer << data)) finding(where + "answered no buffer description");
    const int id = asked.getId();
    if (present(id) && (answer.getId() != id || answer.getSize() != mBuffers.at(id).bytes.size())) {
      finding(where + "described buffer " + std::to_string(id) + " with id " +
              std::to_string(answer.getId()) + " and size " + std::to_string(answer.getSize()));
    }
    if (absent(id) && (answer.getId() != -1 || answer.getSize() != 1)) {
      finding(where + "described buffer " + std::to_string(id) + ", which does not exist");
    }
  }

  void checkRecord(const std::string& where, unsigned int type, const piSubFrame& data,
                   cDataTransferDescriptor& answer) const {
    const auto r = mRecords.find(type);
    if (r == mRecords.end() || !r->second.known) return;
    if (data != r->second.sent) {
      finding(where + "the record came back changed: " + describeDifference(r->second.sent, data));
    }
    if (type == cDataTransferDescriptor::dtCfgFileDeviceCpdConfigs) {
      const cCfgFileDeviceCpdConfigsHeader& sent = r->second.header;
      const cCfgFileDeviceCpdConfigsHeader& back = answer.getCfgFileDeviceCpdConfigsHeader();
      const unsigned int max = cCfgFileDeviceCpdConfigs::getMaxConfigSize();
      const unsigned int configs = sent.getSizeCpdConfigs() < max ? sent.getSizeCpdConfigs() : max;
      bool same = back.getSizeCpdConfigs() == configs;
      for (unsigned int i = 0; i < max; ++i) {
        same = same && back.getSizePinDef(i) == (i < configs ? sent.getSizePinDef(i) : 0u);
      }
      if (!same) finding(where + "the configuration header came back changed");
    }
    if (type == cDataTransferDescriptor::dtCfgFileDeviceLayout &&
        answer.getPinConnectionLayoutData_sizePinDefs() != r->second.pinDefs) {
      finding(where + "the pin-definition count came back changed");
    }
  }

  std::map<int, tBuffer> mBuffers;
  std::set<int> mUnknown;
  bool mAllUnknown = false;
  std::map<unsigned int, tRecord> mRecords;
};

// ------------------------------------------------------------ one run

eCmdType commandOf(std::uint8_t b) {
  static const int table[] = {
      ctFullData,         ctPartData,   ctLastPartData, ctSerialNumberRecord, ctNo,
      ctDeleteAllBuffers, ctCreateOnly, ctInfoOnly,     ctMemoryMapInfo,      9};
  if (b >= 0xF0) return static_cast<eCmdType>(static_cast<int>(b) - 0x100);
  return static_cast<eCmdType>(table[b % (sizeof(table) / sizeof(table[0]))]);
}

std::vector<char> chars(const std::vector<std::uint8_t>& bytes) {
  return std::vector<char>(bytes.begin(), bytes.end());
}

class tRun {
public:
  tRun(const std::uint8_t* data, std::size_t size) : in(data, size) {}

  void run() {
    prepareBench();
    moduleInit(nullptr, &provider, "fuzz");
    for (unsigned int n = 0; n < kMaxOps && !in.atEnd(); ++n) operation();
    note("input: " + std::to_string(in.remaining()) + " bytes left" +
         (in.overran() ? ", read past its end" : ""));
    verify();
    startAction(action);
    unload(second);
    unload(provider);
    if (sim().liveDevices() != 0) finding("device objects left after the provider was gone");
  }

  ~tRun() {
    if (second != nullptr) moduleDone(&second);
    if (provider != nullptr) moduleDone(&provider);
  }

private:
  // ------------------------------------------------------------ bench

  void prepareBench() {
    action = static_cast<eStart>(in.u8() % kStarts);
    const std::uint8_t bench = in.u8();
    const std::uint8_t size = in.u8();
    // What a fresh module load would find.
    IOSpace = 0;
    mFPGAMapping = 0;
    PSCtrl = nullptr;
    CPDCtrl = nullptr;
    K5Device = nullptr;
    host().clear();
    cAbstractEventManager::setScheduleHook(nullptr);
    sim().reset();
    sim().setTraceEnabled(false);
    larkspur = std::string(cK5AlgoProvider::kModuleName) == "Larkspur";
    if (bench & bnWiring) {
      wireSocket(wiring, fourPinChip());
      wiring.setInserted((bench & bnChipTakenOut) == 0);
      sim().plug(wiring);
    }
    // The module's device, made only when it goes into the socket (a chip
    // model is costly to build).
    if ((bench & bnDevice) && larkspur) {
      chip.reset(new cK5HoltekChip());
      chip->setMemoryWords(size + 1u);
      sim().plug(*chip);
    }
    if ((bench & bnDevice) && !larkspur) {
      probe.reset(new cK5TouchProbe());
      const std::uint64_t reads = (size + 1u) * 1000ull;
      probe->setReadLimits(reads, reads);
      probe->setGuard([this] { cancelAll(); });
      sim().plug(*probe);
    }
  }

  void cancel() { cancel(*provider); }
  void cancel(cK5AlgoProvider& p) {
    callSlot("Slot_CancelAction", [&] { p.Slot_CancelAction(kHost); });
  }
  // What bounds an action: whichever provider runs it is cancelled.
  void cancelAll() {
    cancel();
    if (second != nullptr) cancel(*second);
  }

  // ------------------------------------------------ providers and globals

  // The second provider of the module, made when first needed.
  cK5AlgoProvider& theSecond() {
    if (second == nullptr) {
      note("moduleInit of a second provider");
      if (moduleInit(nullptr, &second, "fuzz second") != 1 || second == nullptr) {
        finding("moduleInit made no provider");
      }
    }
    return *second;
  }

  // A provider not running an action goes at once.
  void unload(cK5AlgoProvider*& p) {
    if (p == nullptr) return;
    note("moduleDone");
    if (moduleDone(&p) != 1 || p != nullptr) finding("moduleDone did not unload an idle provider");
    checkGlobals();
  }

  // The host asks to unload the provider whose action runs: refused, the
  // pointer left for an unload once the slot has returned.
  void unloadRunning(cK5AlgoProvider*& p) {
    note("moduleDone during its provider's action");
    cK5AlgoProvider* const before = p;
    if (moduleDone(&p) != 0 || p != before) {
      finding("moduleDone during its provider's action did not refuse");
    }
  }

  // The supply control and device globals are both null or both name the
  // objects of one live provider, and the pin-driver global is null with
  // them. (It names a host object, which outlives every provider here.)
  void checkGlobals() const {
    bool live = PSCtrl == nullptr && K5Device == nullptr && CPDCtrl == nullptr;
    for (cK5AlgoProvider* p : {provider, second}) {
      cKrv5Ctrl* handle = p != nullptr ? p->getKrv5Ctrl() : nullptr;
      if (handle == nullptr) continue;
      live = live || (PSCtrl == handle->getSmartPSCtrl() &&
                      K5Device == &handle->getKorvo5Device() && CPDCtrl != nullptr);
    }
    if (!live) finding("the module globals name objects of no live provider");
  }

  // ------------------------------------------------------------ operations

  void operation() {
    const eOp op = static_cast<eOp>(in.u8() % kOps);
    switch (op) {
      case opReceive:
        receive(readExchange());
        break;
      case opSend:
        send(readExchange());
        break;
      case opRawReceive:
        receive(readRawExchange());
        break;
      case opRawSend:
        send(readRawExchange());
        break;
      case opClaim: {
        std::string remote = in.text();
        std::string iface = in.text();
        const std::uint8_t flag = in.u8();
        claim(remote, iface, flag);
        break;
      }
      case opPresetClaim: {
        const std::string iface = in.text();
        sim().presetClaim(iface, in.text());
        break;
      }
      case opUnclaim:
        note("Slot_UnClaimKorvo");
        callSlot("Slot_UnClaimKorvo", [&] { provider->Slot_UnClaimKorvo(kHost); });
        break;
      case opTypeInfo: {
        sim().setProductType(in.u8() % 8);
        int type = -7;
        std::string remote;
        std::string iface;
        note("Slot_GetKorvoTypeAndClaimInfo");
        callSlot("Slot_GetKorvoTypeAndClaimInfo",
                 [&] { provider->Slot_GetKorvoTypeAndClaimInfo(type, remote, iface, kHost); });
        break;
      }
      case opCheckSum: {
        const std::uint8_t which = in.u8();
        unsigned int value = in.num();
        if (which % 2 == 0) {
          callSlot("setProviderCheckSumSlot",
                   [&] { provider->setProviderCheckSumSlot(value, kHost); });
        } else {
          callSlot("getProviderCheckSumSlot",
                   [&] { provider->getProviderCheckSumSlot(value, kHost); });
        }
        break;
      }
      case opVersion: {
        unsigned int value = 0;
        callSlot("getProviderVersionSlot", [&] { provider->getProviderVersionSlot(value, kHost); });
        break;
      }
      case opDebug: {
        const std::uint8_t value = in.u8();
        if (value % 2 == 0) {
          callSlot("Slot_DbgNextStep", [&] { provider->Slot_DbgNextStep(kHost); });
        } else {
          callSlot("Slot_DbgIgnore", [&] { provider->Slot_DbgIgnore(value, kHost); });
        }
        break;
      }
      case opCancel:
        note("Slot_CancelAction");
        cancel();
        break;
      case opPostAction: {
        unsigned char ok = 0xEE;
        const bool threw =
            callSlot("Slot_PostActionFkt", [&] { provider->Slot_PostActionFkt(ok, kHost); });
        checkOk("Slot_PostActionFkt", ok, threw);
        break;
      }
      case opLoadFpga:
        loadFpga();
        break;
      case opService:
        service();
        break;
      case opHardwareFault:
        hardwareFault();
        break;
      case opHostSignal:
        hostSignal();
        break;
      case opHostEvent:
        hostEvent();
        break;
      case opCancelAtAccess: {
        const std::uint32_t n = in.num();
        sim().atRegisterAccess(sim().registerAccesses() + n, [this] { cancel(); });
        break;
      }
      case opSocket:
        socket();
        break;
      case opVerify:
        verify();
        break;
      case opStart:
        startAction(static_cast<eStart>(in.u8() % kStarts));
        break;
      case opSecond:
        secondProvider();
        break;
      default:
        break;
    }
  }

  void claim(std::string& remote, std::string& iface, std::uint8_t flag) {
    note("Slot_ClaimKorvo");
    unsigned char ok = 0xEE;
    const bool threw = callSlot("Slot_ClaimKorvo",
                                [&] { provider->Slot_ClaimKorvo(remote, iface, flag, ok, kHost); });
    checkOk("Slot_ClaimKorvo", ok, threw);
  }

  void loadFpga() { loadFpga(*provider); }
  // Answers ok.
  unsigned char loadFpga(cK5AlgoProvider& p) {
    note("Slot_LoadFpgaForContinuity");
    unsigned char ok = 0xEE;
    const bool threw =
        callSlot("Slot_LoadFpgaForContinuity", [&] { p.Slot_LoadFpgaForContinuity(ok, kHost); });
    checkOk("Slot_LoadFpgaForContinuity", ok, threw);
    return ok;
  }

  void service() {
    const std::uint8_t which = in.u8() % 12;
    const std::uint32_t arg = in.num();
    unsigned char ok = 0xEE;
    unsigned int value = arg;
    int number = static_cast<int>(arg);
    std::string text = "x";
    cKrv32AlgoProviderBase& p = *provider;
    bool threw = false;
    const char* name = "service slot";
    switch (which) {
      case 0:
        name = "FindKrvTixDllSlotSync";
        threw = callSlot(name, [&] { p.FindKrvTixDllSlotSync(ok, kHost); });
        break;
      case 1:
        name = "FirstFpgaInitSlotSync";
        threw = callSlot(name, [&] { p.FirstFpgaInitSlotSync(ok, kHost); });
        break;
      case 2:
        callSlot("LoadBattOffSlotSync", [&] { p.LoadBattOffSlotSync(kHost); });
        ok = 0;
        break;
      case 3:
        callSlot("LoadBattOnSlotSync", [&] { p.LoadBattOnSlotSync(kHost); });
        ok = 0;
        break;
      case 4:
        callSlot("ResetKorvoSlotSync", [&] { p.ResetKorvoSlotSync(kHost); });
        ok = 0;
        break;
      case 5:
        callSlot("KorvoTestFktSlotSync", [&] { p.KorvoTestFktSlotSync(number, text, kHost); });
        ok = 0;
        break;
      case 6:
        name = "CalibVoltageSlotSync";
        threw = callSlot(name, [&] { p.CalibVoltageSlotSync(ok, kHost); });
        break;
      case 7:
        callSlot("ScanVsupplySlotSync", [&] { p.ScanVsupplySlotSync(value, kHost); });
        ok = 0;
        break;
      case 8:
        callSlot("ScanVBattSlotSync", [&] { p.ScanVBattSlotSync(value, kHost); });
        ok = 0;
        break;
      case 9:
        name = "StartBattTimerSlotSync";
        threw = callSlot(name, [&] { p.StartBattTimerSlotSync(number, ok, kHost); });
        break;
      case 10:
        callSlot("ReadEepromSlotSync", [&] { p.ReadEepromSlotSync(value, kHost); });
        ok = 0;
        break;
      default: {
        unsigned int result = 0;
        name = "FpgaTestSlotSync";
        threw = callSlot(name, [&] { p.FpgaTestSlotSync(arg, result, ok, kHost); });
        break;
      }
    }
    checkOk(name, ok, threw);
  }

  void hardwareFault() {
    const std::vector<tK5FaultPoint>& points = cK5SimProgrammer::faultPoints();
    const tK5FaultPoint& point = points[in.u8() % points.size()];
    const std::uint8_t kindByte = in.u8();
    const std::uint8_t slot = in.u8();
    const std::uint8_t skip = in.u8();
    const std::uint8_t times = in.u8();
    // The kinds the point can show, chosen among them.
    std::vector<unsigned int> kinds;
    for (unsigned int k : {k5FaultThrow, k5FaultFalse, k5FaultNull}) {
      if (point.kinds & k) kinds.push_back(k);
    }
    const unsigned int kind = kinds[kindByte % kinds.size()];
    std::string name = point.name;
    if (point.takesSlot() && slot != 0xFF) name += "@" + std::to_string(slot % point.slots);
    const unsigned int count = times == 0 ? cK5SimProgrammer::kAlways : times;
    note("fault " + name + " kind " + std::to_string(kind));
    if (kind == k5FaultThrow) {
      sim().injectThrow(name, "fuzz: host library failure", skip, count);
    } else if (kind == k5FaultFalse) {
      sim().injectFalse(name, skip, count);
    } else {
      sim().injectNull(name, skip, count);
    }
    faulted = true;
  }

  void hostSignal() {
    const eScaffoSignal signal = static_cast<eScaffoSignal>(in.u8() % ssCount);
    const std::uint8_t mode = in.u8();
    if (mode % 2 == 0) {
      host().setResult(signal, false);
    } else {
      host().throwAt(signal, 1 + (mode / 2) % 8, "fuzz: host broke off");
      // A close whose final record the host broke off sends no other.
      hostThrows = true;
    }
  }

  // Something the host does in its scheduler while an action runs; the
  // event is given the provider whose action it is.
  void hostEvent() {
    const unsigned int record = 1 + in.u8() % 8;
    const std::uint8_t what = in.u8() % 9;
    std::function<void(cScaffoProvider&)> event;
    switch (what) {
      case 0:
        event = [this](cScaffoProvider&) { cancel(); };
        break;
      case 1: {
        auto ex = std::make_shared<tExchange>(readExchange());
        event = [this, ex](cScaffoProvider&) { receiveDuringAction(*provider, *ex); };
        break;
      }
      case 2: {
        auto ex = std::make_shared<tExchange>(readExchange());
        event = [this, ex](cScaffoProvider&) { sendUnmodelled(*ex); };
        break;
      }
      case 3:
        event = [this](cScaffoProvider&) { loadDuringAction(*provider); };
        break;
      case 4: {
        auto remote = std::make_shared<std::string>(in.text());
        auto iface = std::make_shared<std::string>(in.text());
        event = [this, remote, iface](cScaffoProvider&) { claim(*remote, *iface, 1); };
        break;
      }
      case 5: {
        auto ex = std::make_shared<tExchange>(readRawExchange());
        event = [this, ex](cScaffoProvider&) { receiveDuringAction(*provider, *ex); };
        break;
      }
      case 6: {
        const eStart nested = static_cast<eStart>(in.u8() % kStarts);
        event = [this, nested](cScaffoProvider&) { start(*provider, nested); };
        break;
      }
      case 7:
        event = otherProviderEvent();
        break;
      default:
        event = [this](cScaffoProvider& running) { unloadRunning(runningOne(running)); };
        break;
    }
    host().atProgressRecord(record, [event](cScaffoProvider& running) { event(running); });
  }

  // Which of the two providers runs the action a host event comes in.
  cK5AlgoProvider*& runningOne(cScaffoProvider& running) {
    const bool isSecond = second != nullptr && dynamic_cast<cK5AlgoProvider*>(&running) == second;
    return isSecond ? second : provider;
  }

  // A host event for the provider that does not run the action (the second
  // one, made when first needed, or the first while the second runs): a
  // receive, a start, a continuity FPGA load, the second made, the second
  // unloaded. None may reach the running action.
  std::function<void(cScaffoProvider&)> otherProviderEvent() {
    const std::uint8_t which = in.u8() % 5;
    std::shared_ptr<tExchange> ex;
    eStart nested = stProg;
    if (which == 0) ex = std::make_shared<tExchange>(readExchange());
    if (which == 1) nested = static_cast<eStart>(in.u8() % kStarts);
    return [this, which, ex, nested](cScaffoProvider& running) {
      const bool secondRuns = &runningOne(running) == &second;
      if (which == 3) {
        if (!secondRuns) theSecond();
        return;
      }
      if (which == 4) {
        if (secondRuns) {
          unloadRunning(second);
        } else {
          unload(second);
        }
        return;
      }
      cK5AlgoProvider& other = secondRuns ? *provider : theSecond();
      if (which == 0) {
        receiveDuringAction(other, *ex);
      } else if (which == 1) {
        start(other, nested);
      } else {
        loadDuringAction(other);
      }
    };
  }

  void loadDuringAction(cK5AlgoProvider& p) {
    if (loadFpga(p) == 1) finding("a continuity FPGA load during an action was taken");
  }

  // Between slots: the second provider made, unloaded, sent an exchange or
  // run through an action.
  void secondProvider() {
    switch (in.u8() % 4) {
      case 0:
        theSecond();
        break;
      case 1:
        unload(second);
        break;
      case 2: {
        tExchange ex = readExchange();
        receiveUnmodelled(theSecond(), ex);
        break;
      }
      default: {
        const eStart which = static_cast<eStart>(in.u8() % kStarts);
        runAction(theSecond(), which);
        break;
      }
    }
  }

  // Changes of a device that is not in the socket are read and dropped.
  void socket() {
    const eSocket what = static_cast<eSocket>(in.u8() % kSockets);
    if (!chip && what >= skAcknowledge && what <= skMemoryWords)
      spareChip.reset(new cK5HoltekChip());
    if (!probe && what >= skTouch) spareProbe.reset(new cK5TouchProbe());
    cK5HoltekChip* c = chip ? chip.get() : spareChip.get();
    cK5TouchProbe* p = probe ? probe.get() : spareProbe.get();
    switch (what) {
      case skConnect: {
        const unsigned int slot = in.u8() % 8;
        const unsigned int line = in.u8() % 64;
        wiring.connect(slot, line, in.u8());
        break;
      }
      case skDisconnect: {
        const unsigned int slot = in.u8() % 8;
        wiring.disconnect(slot, in.u8() % 64);
        break;
      }
      case skInsert:
        wiring.setInserted(in.u8() & 1);
        break;
      case skTouching: {
        const unsigned int pin = in.u8();
        wiring.setTouching(pin, in.u8() & 1);
        break;
      }
      case skAcknowledge:
        c->setAcknowledge(in.u8());
        break;
      case skSensedSupply:
        c->setSensedSupply(in.num());
        break;
      case skPowerWindow: {
        const unsigned int low = in.num();
        c->setPowerWindow(low, in.num());
        break;
      }
      case skChipInsert:
        c->setInserted(in.u8() & 1);
        break;
      case skLockBits:
        c->setLockBits(in.u8());
        break;
      case skInfoData:
        c->setInfoData(in.u32());
        break;
      case skWords: {
        const unsigned int first = in.num();
        std::vector<std::uint16_t> words(in.u8() % 32);
        for (std::uint16_t& w : words) w = in.u16();
        c->setWords(first, words);
        break;
      }
      case skMemoryWords: {
        const unsigned int words = in.num();
        c->setMemoryWords(words < kMaxChipWords ? words : kMaxChipWords);
        break;
      }
      case skTouch:
        p->touch(in.u8());
        break;
      case skHoldLow:
        p->holdLow(in.u8());
        break;
      default: {
        const unsigned int pin = in.u8();
        std::vector<cK5TouchProbe::tRun> runs(in.u8() % 4);
        for (cK5TouchProbe::tRun& r : runs) {
          r.low = in.u8() & 1;
          r.count = in.num();
        }
        p->script(pin, runs);
        break;
      }
    }
  }

  // ------------------------------------------------------------ exchanges

  tExchange readExchange() {
    JobBuilder job;
    const unsigned int items = 1 + in.u8() % 8;
    for (unsigned int i = 0; i < items; ++i) readItem(job);
    std::vector<tExchange> all = job.exchanges();
    tExchange ex = all.empty() ? tExchange() : std::move(all.front());
    const unsigned int steps = in.u8() % 4;
    for (unsigned int i = 0; i < steps; ++i) {
      const unsigned int target = in.u8() % tExchange::kSubFrames;
      const eDamage kind = static_cast<eDamage>(in.u8() % kDamages);
      const std::uint16_t index = in.u16();
      damage(ex.sf[target], kind, index, in.num());
    }
    return ex;
  }

  tExchange readRawExchange() {
    tExchange ex;
    for (piSubFrame& sf : ex.sf) {
      const std::vector<std::uint8_t> bytes = in.run();
      if (!sf.decode(bytes)) sf.clear();
    }
    return ex;
  }

  void readItem(JobBuilder& job) {
    const eItem item = static_cast<eItem>(in.u8() % kItems);
    switch (item) {
      case itDeleteAll:
        job.deleteAllBuffers();
        break;
      case itCreate: {
        const int id = in.id();
        const std::uint32_t size = in.num();
        job.createBuffer(id, size, in.u8());
        break;
      }
      case itWindow: {
        const eCmdType cmd = commandOf(in.u8());
        const int id = in.id();
        const std::uint32_t start = in.num();
        const std::uint32_t version = in.num();
        const tByteArray::eSourceLocation loc =
            static_cast<tByteArray::eSourceLocation>(in.u8() % 4);
        const std::vector<std::uint8_t> bytes = in.run();
        job.window(cmd, id, start, bytes.data(), static_cast<unsigned>(bytes.size()), version, loc);
        break;
      }
      case itBufferRecord:
        job.bufferCommand(readBufferRecord());
        break;
      case itWindowRecord: {
        const tByteArrayInfo info = readBufferRecord();
        piSubFrame sf;
        sf.addBlock(chars(in.run()));
        job.item(cDataTransferDescriptor(info), sf);
        break;
      }
      case itParts: {
        const int id = in.id();
        const unsigned int parts = 1 + in.u8() % 8;
        const std::uint32_t version = in.num();
        const std::vector<std::uint8_t> bytes = in.run();
        if (!bytes.empty()) job.bufferInParts(id, bytes, parts, version);
        break;
      }
      case itParameterSet: {
        const std::uint8_t continuity = in.u8();
        const std::uint32_t timer = in.num();
        const std::string path = in.text();
        job.parameterSet(continuity, timer, path, in.text());
        break;
      }
      case itJobRecord:
        job.jobRecord(readJobRecord());
        break;
      case itDeviceConfig:
        job.deviceConfig(readDeviceConfig());
        break;
      case itHardwareParams:
        job.item(JobBuilder::typed(cDataTransferDescriptor::dtHdwParam), readHardwareParams());
        break;
      case itPinDriverConfigs:
        readPinDriverConfigs(job);
        break;
      case itLayout:
        readLayout(job);
        break;
      case itDataBlock: {
        const std::string name = in.text();
        const std::vector<char> bytes = chars(in.run());
        const std::uint8_t change = in.u8();
        if (change == 0) {
          job.dataBlock(name, bytes);
        } else {
          std::unique_ptr<piSubFrame> none;
          piSubFrame sf;
          sf.addBlock(bytes);
          job.item(cDataTransferDescriptor(name, in.num(), none), sf);
        }
        break;
      }
      case itRaw: {
        const std::uint32_t type = in.num();
        piSubFrame sf;
        if (!sf.decode(in.run())) sf.clear();
        job.item(JobBuilder::typed(type), sf);
        break;
      }
      case itFetchWindow: {
        const eCmdType cmd = commandOf(in.u8());
        const int id = in.id();
        const std::uint32_t start = in.num();
        job.fetchWindow(cmd, id, start, in.num());
        break;
      }
      case itFetchInfo:
        job.fetchInfo(in.id());
        break;
      case itFetchRecord: {
        static const unsigned int records[] = {cDataTransferDescriptor::dtAlgoParam,
                                               cDataTransferDescriptor::dtCfgFileDeviceCpdConfigs,
                                               cDataTransferDescriptor::dtAlgoKrv3UIData,
                                               cDataTransferDescriptor::dtDeviceAlgPrm,
                                               cDataTransferDescriptor::dtHdwParam,
                                               cDataTransferDescriptor::dtCfgFileDeviceLayout};
        const std::uint8_t b = in.u8();
        const unsigned int type = b < kSmallLimit ? records[b % 6] : in.num();
        job.item(JobBuilder::typed(type), piSubFrame());
        break;
      }
      default: {
        const std::string name = in.text();
        job.fetchBlock(name, in.num());
        break;
      }
    }
  }

  // Any command record, all eleven fields from the input.
  tByteArrayInfo readBufferRecord() {
    piSubFrame sf;
    sf.addUInt32(in.num());  // command
    sf.addUInt32(in.num());  // start
    sf.addUInt32(in.num());  // size
    sf.addUInt32(in.num());  // version
    sf.addInt32(in.id());
    sf.addUInt8(in.u8());    // fill
    sf.addUInt32(in.num());  // source location
    sf.addUInt32(in.num());  // bits per unit
    sf.addUInt32(in.num());  // byte type
    sf.addString(in.text());
    sf.addString(in.text());
    tByteArrayInfo info;
    info << sf;
    return info;
  }

  // Runs of bytes from the input over a record (u8 % 3 of them: offset,
  // byte run), so that every byte the module stores can differ from its
  // default.
  void readRuns(unsigned char* record, std::size_t size, bool wideOffset) {
    const unsigned int runs = in.u8() % 3;
    for (unsigned int r = 0; r < runs; ++r) {
      const std::size_t offset = (wideOffset ? in.u16() : in.u8()) % size;
      const std::vector<std::uint8_t> bytes = in.run();
      const std::size_t n = std::min(bytes.size(), size - offset);
      std::copy(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n), record + offset);
    }
  }

  TAG_UI_ALGODATA_KRV3 readJobRecord() {
    TAG_UI_ALGODATA_KRV3 rec = *cUiAlgoDataK3().getUiAlgoDataK3Struct();
    readRuns(rec.raw, TAG_UI_ALGODATA_KRV3::kSize, false);
    rec.setStartAdr(in.num());
    rec.setEndAdr(in.num());
    rec.setActionMode(static_cast<std::uint16_t>(in.num()));
    rec.setErrorInfoMode(in.num());
    const unsigned int pokes = in.u8() % 4;
    for (unsigned int i = 0; i < pokes; ++i) {
      const unsigned int offset = in.u8() % TAG_UI_ALGODATA_KRV3::kSize;
      rec.raw[offset] = in.u8();
    }
    return rec;
  }

  // The Holtek settings at their offsets; the memory size stays small so
  // that a chip flow stays short. Pokes may change any byte.
  cDeviceParam readDeviceConfig() {
    cDeviceParam prm;
    unsigned char* cfg = prm.getDeviceAlgPrmStruct()->pCfgBuffer;
    readRuns(cfg, CFG_BUFFER_SIZE, true);
    typedef tHoltekSettings H;
    storeLeU32(cfg, H::kOptionsAt, in.num());
    storeLeU32(cfg, H::kFixedVccAt, in.num());
    storeLeU32(cfg, H::kVppAt, in.num());
    storeLeU32(cfg, H::kVccUpperAt, in.num());
    storeLeU32(cfg, H::kVccLowerAt, in.num());
    storeLeU32(cfg, H::kMemorySizeAt, in.u16() & kHoltekMemorySizeMask);
    storeLeU16(cfg, H::kPageSizeAt, static_cast<std::uint16_t>(in.num()));
    storeLeU32(cfg, H::kAreasAt, in.num());
    storeLeU32(cfg, H::kVccModeAt, in.num());
    storeLeU32(cfg, H::kInfoDataAt, in.u32());
    storeLeU8(cfg, H::kLockBitsAt, in.u8());
    const unsigned int pokes = in.u8() % 4;
    for (unsigned int i = 0; i < pokes; ++i) {
      const unsigned int offset = in.u16() % CFG_BUFFER_SIZE;
      cfg[offset] = in.u8();
    }
    return prm;
  }

  // The record of the module's own class, then images and field changes.
  piSubFrame readHardwareParams() {
    cKxHdwParam hdw(hptDefault);
    piSubFrame sent;
    hdw >> sent;
    std::vector<piSubFrame::Item> items = sent.items();
    const unsigned int images = in.u8() % 5;
    const std::size_t kFirstImage = 2;
    const std::size_t kImageItems = 4;
    for (unsigned int k = 0; k < images; ++k) {
      piSubFrame::Item* image = &items[kFirstImage + kImageItems * k];
      image[1].text = in.text();  // kind
      image[0].text = in.text();  // file
      image[2].bytes = chars(in.run());
      image[3].u32 = in.num();
    }
    items[1].u32 = images;
    const unsigned int changes = in.u8() % 4;
    for (unsigned int i = 0; i < changes; ++i) {
      piSubFrame::Item& it = items[in.u8() % items.size()];
      if (it.type == pitString) {
        it.text = in.text();
      } else if (it.type == pitBlock) {
        it.bytes = chars(in.run());
      } else {
        replaceValue(it, in.num());
      }
    }
    rebuild(sent, items);
    return sent;
  }

  void readPinDriverConfigs(JobBuilder& job) {
    cCfgFileDeviceCpdConfigs configs;
    const unsigned int count = in.u8() % 6;
    for (unsigned int c = 0; c < count; ++c) {
      cCfgFileDeviceCpdConfig* config = new cCfgFileDeviceCpdConfig(0);
      config->getRefLabel() = in.text();
      const unsigned int pins = in.u8() % 5;
      for (unsigned int p = 0; p < pins; ++p) {
        const unsigned int pdx = in.u8() % 8;
        const unsigned int pdy = in.u8() % 64;
        const unsigned int opc = in.num();
        const unsigned int pin = in.u8();
        config->addPinDef(new cCfgFileDeviceCpdPinData(pdx, pdy, opc, pin, in.text()));
      }
      if (!configs.addCpdConfig(config)) delete config;
    }
    piSubFrame sf;
    cCfgFileDeviceCpdConfigs copy(configs);
    copy >> sf;
    cCfgFileDeviceCpdConfigsHeader header = copy.getHeader();
    const std::uint8_t change = in.u8() % 3;
    if (change == 1) header.setSizeCpdConfigs(in.num());
    if (change == 2) {
      const unsigned int index = in.u8() % 21;
      header.addSizePinDef(in.num(), index);
    }
    job.item(cDataTransferDescriptor(header), sf);
  }

  void readLayout(JobBuilder& job) {
    cCfgFileDeviceLayout layout(0);
    layout.sMethod() = in.text();
    layout.sLabel() = in.text();
    layout.uiHighSideDriverVoltage() = in.num();
    layout.uiVComp() = in.num();
    layout.uiVls() = in.num();
    const unsigned int pins = in.u8() % 9;
    for (unsigned int p = 0; p < pins; ++p) {
      const unsigned int slot = in.u8() % 8;
      const unsigned int line = in.u8() % 64;
      const cDevicePDxyData::eTestRule rule = static_cast<cDevicePDxyData::eTestRule>(in.u8() % 6);
      const unsigned int pin = in.u8();
      layout.addPinDefs(new cDevicePDxyData(slot, line, rule, pin, in.text()));
    }
    piSubFrame sf;
    layout >> sf;
    const std::uint8_t change = in.u8();
    const unsigned int count = change == 0 ? layout.sizePinDefs() : in.num();
    job.item(cDataTransferDescriptor(count), sf);
  }

  void receive(tExchange ex) {
    note("Slot_ReceiveData");
    noteShape(ex);
    tExchange sent = ex;
    unsigned char ok = 0xEE;
    const bool threw = callSlot("Slot_ReceiveData", [&] {
      ex.run([&](auto&... sf) { provider->Slot_ReceiveData(sf..., ok, kHost); });
    });
    checkOk("Slot_ReceiveData", ok, threw);
    note("  ok " + std::to_string(ok));
    model.received(sent, !threw && ok == 1);
  }

  // Answers ok.
  bool send(tExchange ex) {
    note("Slot_SendData");
    noteShape(ex);
    tExchange call = ex;
    unsigned char ok = 0xEE;
    const bool threw = callSlot("Slot_SendData", [&] {
      call.run([&](auto&... sf) { provider->Slot_SendData(sf..., ok, kHost); });
    });
    checkOk("Slot_SendData", ok, threw);
    note("  ok " + std::to_string(ok));
    if (!threw && ok == 1) model.answered(ex, call);
    return !threw && ok == 1;
  }

  // The model keeps the first provider's content between slots only; here
  // only the slot's own oracles hold. Answers ok.
  unsigned char receiveUnmodelled(cK5AlgoProvider& p, tExchange& ex) {
    note("Slot_ReceiveData, not modelled");
    unsigned char ok = 0xEE;
    const bool threw = callSlot("Slot_ReceiveData", [&] {
      ex.run([&](auto&... sf) { p.Slot_ReceiveData(sf..., ok, kHost); });
    });
    checkOk("Slot_ReceiveData", ok, threw);
    return ok;
  }

  // No provider of the module takes a job while an action runs.
  void receiveDuringAction(cK5AlgoProvider& p, tExchange& ex) {
    if (receiveUnmodelled(p, ex) == 1) finding("a receive during an action was taken");
  }

  void sendUnmodelled(tExchange& ex) {
    note("Slot_SendData during the action");
    unsigned char ok = 0xEE;
    const bool threw = callSlot("Slot_SendData", [&] {
      ex.run([&](auto&... sf) { provider->Slot_SendData(sf..., ok, kHost); });
    });
    checkOk("Slot_SendData", ok, threw);
  }

  // Everything the host knows is fetched back and must be answered.
  void verify() {
    for (tExchange& ex : model.fetchAll().exchanges()) {
      if (!send(std::move(ex))) finding("a well-formed fetch of what the module holds was refused");
    }
  }

  // ------------------------------------------------------------ action

  // Calls a start slot.
  void start(cK5AlgoProvider& p, eStart which) {
    typedef void (cKrv32AlgoProviderBase::*tStart)(piModuleAddr);
    static const tStart starts[kStarts] = {&cKrv32AlgoProviderBase::Slot_StartProg,
                                           &cKrv32AlgoProviderBase::Slot_StartRead,
                                           &cKrv32AlgoProviderBase::Slot_StartBlank,
                                           &cKrv32AlgoProviderBase::Slot_StartVerify,
                                           &cKrv32AlgoProviderBase::Slot_StartErase,
                                           &cKrv32AlgoProviderBase::Slot_StartContinuity,
                                           &cKrv32AlgoProviderBase::Slot_StartNoContinuity};
    static const char* const names[kStarts] = {
        "Slot_StartProg",  "Slot_StartRead",       "Slot_StartBlank",       "Slot_StartVerify",
        "Slot_StartErase", "Slot_StartContinuity", "Slot_StartNoContinuity"};
    note(names[which]);
    cKrv32AlgoProviderBase& base = p;
    callSlot(names[which], [&] { (base.*starts[which])(kHost); });
  }

  // An action of the first provider, whose content the model knows.
  void startAction(eStart which) {
    runAction(*provider, which);
    model.acted(which);
    // The host reads the job record back after every action.
    tExchange ex = JobBuilder().fetch(cDataTransferDescriptor::dtAlgoKrv3UIData).exchange();
    unsigned char ok = 0xEE;
    const bool threw = callSlot("Slot_SendData", [&] {
      ex.run([&](auto&... sf) { provider->Slot_SendData(sf..., ok, kHost); });
    });
    if (!threw && ok != 1) finding("the job record could not be fetched after the action");
  }

  void runAction(cK5AlgoProvider& p, eStart which) {
    const std::size_t recordsBefore = host().progress().size();
    std::uint64_t accesses = 0;
    sim().setAccessHook([this, &accesses](const tK5TraceEvent&) {
      if (++accesses < kCancelAfter) return;
      cancelAll();
      if (accesses >= kCancelAfter + kRunOnLimit) {
        finding("the action ran on " + std::to_string(kRunOnLimit) +
                " register accesses after its cancel");
      }
    });
    start(p, which);
    sim().setAccessHook(nullptr);
    if (!faulted && !hostThrows) checkClose(p, recordsBefore);
    checkGlobals();
  }

  // The programmer as every action must leave it.
  void checkClose(cK5AlgoProvider& p, std::size_t recordsBefore) {
    const std::vector<tScaffoProgress>& records = host().progress();
    bool ended = false;
    for (std::size_t i = recordsBefore; i < records.size(); ++i) {
      ended = ended || (records[i].bytes.size() == TAG_GLOBAL_ALGOCTRL_DATA::kSize &&
                        records[i].bytes[gacdActionEnded] == 1);
    }
    if (!ended) finding("the action closed without a final progress record");
    if (sim().deviceState() != 1) finding("the programmer was left busy");
    if (!sim().cpd(0).outputDisabled[k5OutGlobal]) finding("the pin-driver outputs were left on");
    for (unsigned int c = PS_VLS; c <= PS_VCP3; ++c) {
      if (sim().supplyLevel(static_cast<ePSChannel>(c)) != 0) {
        finding("supply " + std::to_string(c) + " was left on");
      }
    }
    if (p.getAlgo() != nullptr) finding("an algorithm outlived its action");
  }

  tProgramReader in;
  eStart action = stProg;
  bool larkspur = false;
  // Declared before the provider, so they outlive it.
  cK5ContinuitySocket wiring;
  std::unique_ptr<cK5HoltekChip> chip;
  std::unique_ptr<cK5TouchProbe> probe;
  std::unique_ptr<cK5HoltekChip> spareChip;
  std::unique_ptr<cK5TouchProbe> spareProbe;
  tHostModel model;
  // Made by moduleInit, unloaded by moduleDone: the first one always lives
  // until the end of the run, the second one comes and goes.
  cK5AlgoProvider* provider = nullptr;
  cK5AlgoProvider* second = nullptr;
  bool faulted = false;
  bool hostThrows = false;
};

tNullBuffer nullBuffer;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const char* v = std::getenv("FUZZ_VERBOSE");
  verbose = v != nullptr && v[0] == '1';
  if (!verbose) {
    std::cerr.rdbuf(&nullBuffer);
    std::cout.rdbuf(&nullBuffer);
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tRun run(data, size);
  run.run();
  // What the run left in the host and the simulator goes with it, so that
  // libFuzzer sees every allocation of an input freed by its end (else it
  // runs each input twice, looking for a leak).
  host().clear();
  cAbstractEventManager::setScheduleHook(nullptr);
  sim().reset();
  return 0;
}
