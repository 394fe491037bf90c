// Writes the seed corpus of the exchange fuzz targets into a folder: host
// programs (fuzzProgram.h) for the jobs a host sends, built with the job
// builder and the module's record classes where the program carries raw
// sub-frames. Run it again when the input format changes:
//   fuzz_corpus tests/fuzz/corpus
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "JobBuilder.h"
#include "cCfgFileDeviceCpdConfig.h"
#include "cCfgFileDeviceCpdConfigs.h"
#include "cCfgFileDeviceCpdPinData.h"
#include "cK5SimProgrammer.h"
#include "cScaffoHost.h"
#include "fuzzProgram.h"
#include "tContinuityBench.h"
#include "tJobSamples.h"

using namespace fuzzProgram;

namespace {

// Index of a command in the harness's command table.
std::uint8_t commandByte(eCmdType cmd) {
  switch (cmd) {
    case ctFullData:
      return 0;
    case ctPartData:
      return 1;
    case ctLastPartData:
      return 2;
    case ctSerialNumberRecord:
      return 3;
    case ctNo:
      return 4;
    case ctDeleteAllBuffers:
      return 5;
    case ctCreateOnly:
      return 6;
    case ctInfoOnly:
      return 7;
    case ctMemoryMapInfo:
      return 8;
  }
  return 9;
}

// Index of a record's data type in the harness's fetch table.
std::uint8_t recordByte(cDataTransferDescriptor::eDataType type) {
  switch (type) {
    case cDataTransferDescriptor::dtAlgoParam:
      return 0;
    case cDataTransferDescriptor::dtCfgFileDeviceCpdConfigs:
      return 1;
    case cDataTransferDescriptor::dtAlgoKrv3UIData:
      return 2;
    case cDataTransferDescriptor::dtDeviceAlgPrm:
      return 3;
    case cDataTransferDescriptor::dtHdwParam:
      return 4;
    default:
      return 5;
  }
}

std::uint8_t faultPoint(const std::string& name) {
  const std::vector<tK5FaultPoint>& points = cK5SimProgrammer::faultPoints();
  for (std::size_t i = 0; i < points.size(); ++i) {
    if (name == points[i].name) return static_cast<std::uint8_t>(i);
  }
  std::cerr << "no fault point " << name << "\n";
  std::exit(1);
}

// A count the harness reads modulo `limit` must stay below it.
std::uint8_t count(std::size_t n, unsigned limit) {
  if (n >= limit) {
    std::cerr << "a count of " << n << " does not fit below " << limit << "\n";
    std::exit(1);
  }
  return static_cast<std::uint8_t>(n);
}

std::vector<std::uint8_t> pattern(unsigned n, unsigned seed) {
  return jobSamples::pattern(n, seed);
}

// ---------------------------------------------------------------- items

struct tImage {
  std::string kind;
  std::vector<std::uint8_t> bytes;
};

struct tPin {
  unsigned slot, line, rule, devicePin;
};

struct tConfig {
  std::string label;
  std::vector<cCfgFileDeviceCpdPinData> pins;
};

struct tHoltek {
  std::uint32_t options = 0;
  std::uint32_t fixedVcc = 5000;
  std::uint32_t vpp = 12000;
  std::uint32_t vccUpper = 5500;
  std::uint32_t vccLower = 2500;
  std::uint16_t memorySize = 64;
  std::uint32_t pageSize = 16;
  std::uint32_t areas = 1;
  std::uint32_t measureVcc = 0;
  std::uint32_t infoData = 0xFFFFFFFFu;
  std::uint8_t lockBits = 0xFF;
};

// One structured exchange as the harness reads it.
class tItems {
public:
  explicit tItems(tProgramWriter& w) : w(w) {}

  tItems& deleteAll() { return item(itDeleteAll); }
  tItems& create(int id, std::uint32_t size, std::uint8_t fill) {
    item(itCreate).w.id(id).num(size).u8(fill);
    return *this;
  }
  tItems& window(eCmdType cmd, int id, std::uint32_t start, const std::vector<std::uint8_t>& bytes,
                 std::uint32_t version = 1, std::uint8_t loc = tByteArray::slHost) {
    item(itWindow).w.u8(commandByte(cmd)).id(id).num(start).num(version).u8(loc).run(bytes);
    return *this;
  }
  tItems& bufferRecord(eCmdType cmd, int id, std::uint32_t start, std::uint32_t size,
                       std::uint32_t loc = tByteArray::slHost, std::uint32_t org = 8) {
    item(itBufferRecord);
    record(cmd, id, start, size, loc, org);
    return *this;
  }
  tItems& windowRecord(eCmdType cmd, int id, std::uint32_t start,
                       const std::vector<std::uint8_t>& bytes, std::uint32_t org = 8) {
    item(itWindowRecord);
    record(cmd, id, start, static_cast<std::uint32_t>(bytes.size()), tByteArray::slHost, org);
    w.run(bytes);
    return *this;
  }
  tItems& parts(int id, unsigned parts, const std::vector<std::uint8_t>& bytes) {
    item(itParts).w.id(id).u8(static_cast<std::uint8_t>(parts - 1)).num(3).run(bytes);
    return *this;
  }
  tItems& parameterSet(std::uint8_t continuity, std::uint32_t timer, const std::string& path,
                       const std::string& action) {
    item(itParameterSet).w.u8(continuity).num(timer).text(path).text(action);
    return *this;
  }
  // The host fields before the error area and after it carry a pattern, so
  // that a byte the module drops or changes shows.
  tItems& jobRecord(std::uint32_t start, std::uint32_t end, std::uint32_t mode = 0,
                    std::uint32_t errorInfoMode = 3) {
    item(itJobRecord).w.u8(2).u8(0).run(pattern(28, 20)).u8(110).run(pattern(32, 21));
    w.num(start).num(end).num(mode).num(errorInfoMode).u8(0);
    return *this;
  }
  // Bytes no algorithm reads carry a pattern, for the same reason.
  tItems& deviceConfig(const tHoltek& h) {
    item(itDeviceConfig).w.u8(1).u16(0x100).run(pattern(256, 22));
    w.num(h.options)
        .num(h.fixedVcc)
        .num(h.vpp)
        .num(h.vccUpper)
        .num(h.vccLower)
        .u16(h.memorySize)
        .num(h.pageSize)
        .num(h.areas)
        .num(h.measureVcc)
        .u32(h.infoData)
        .u8(h.lockBits)
        .u8(0);
    return *this;
  }
  // Images, then (item index, number) changes of the record.
  tItems& hardwareParams(const std::vector<tImage>& images,
                         const std::vector<std::pair<std::uint8_t, std::uint32_t>>& changes = {}) {
    item(itHardwareParams).w.u8(count(images.size(), 5));
    for (const tImage& image : images) {
      w.text(image.kind).text(image.kind + ".bin").run(image.bytes).num(0);
    }
    w.u8(count(changes.size(), 4));
    for (const auto& c : changes) w.u8(c.first).num(c.second);
    return *this;
  }
  tItems& pinDriverConfigs(const std::vector<tConfig>& configs) {
    item(itPinDriverConfigs).w.u8(count(configs.size(), 6));
    for (const tConfig& c : configs) {
      w.text(c.label).u8(count(c.pins.size(), 5));
      for (const cCfgFileDeviceCpdPinData& p : c.pins) {
        w.u8(static_cast<std::uint8_t>(p.getPDx()))
            .u8(static_cast<std::uint8_t>(p.getPDy()))
            .num(p.getOpcData())
            .u8(static_cast<std::uint8_t>(p.getDevicePin()))
            .text(p.getDevicePinName());
      }
    }
    w.u8(0);
    return *this;
  }
  tItems& layout(const std::string& method, const std::vector<tBenchPin>& pins) {
    item(itLayout).w.text(method).text("bench").num(3300).num(1200).num(2500);
    w.u8(count(pins.size(), 9));
    for (const tBenchPin& p : pins) {
      w.u8(static_cast<std::uint8_t>(p.slot))
          .u8(static_cast<std::uint8_t>(p.line))
          .u8(static_cast<std::uint8_t>(p.rule))
          .u8(static_cast<std::uint8_t>(p.devicePin))
          .text("P" + std::to_string(p.devicePin));
    }
    w.u8(0);
    return *this;
  }
  tItems& dataBlock(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    item(itDataBlock).w.text(name).run(bytes).u8(0);
    return *this;
  }
  tItems& raw(unsigned type, const piSubFrame& sf) {
    item(itRaw).w.num(type).run(sf.encode());
    return *this;
  }
  tItems& fetchWindow(eCmdType cmd, int id, std::uint32_t start, std::uint32_t size) {
    item(itFetchWindow).w.u8(commandByte(cmd)).id(id).num(start).num(size);
    return *this;
  }
  tItems& fetchInfo(int id) {
    item(itFetchInfo).w.id(id);
    return *this;
  }
  tItems& fetch(cDataTransferDescriptor::eDataType type) {
    item(itFetchRecord).w.u8(recordByte(type));
    return *this;
  }
  tItems& fetchBlock(const std::string& name, std::uint32_t size) {
    item(itFetchBlock).w.text(name).num(size);
    return *this;
  }

  tProgramWriter& w;
  std::size_t items = 0;

private:
  tItems& item(eItem it) {
    w.u8(it);
    ++items;
    return *this;
  }
  void record(eCmdType cmd, int id, std::uint32_t start, std::uint32_t size, std::uint32_t loc,
              std::uint32_t org) {
    w.num(static_cast<std::uint32_t>(cmd))
        .num(start)
        .num(size)
        .num(0)
        .id(id)
        .u8(0)
        .num(loc)
        .num(org);
    w.num(0).text("unknown").text("unknown");
  }
};

struct tDamage {
  std::uint8_t target;
  eDamage kind;
  std::uint16_t index;
  std::uint32_t arg;
};

// A host program under construction.
class tProgram {
public:
  tProgram(eStart start, std::uint8_t bench, std::uint8_t size) { w.u8(start).u8(bench).u8(size); }

  // A structured exchange of the items fill writes (1 to 8).
  template <class Fill>
  tProgram& exchange(eOp op, Fill fill, const std::vector<tDamage>& damage = {}) {
    w.u8(op);
    return exchangeBody(fill, damage);
  }
  // The same without its operation, as a host event carries it.
  template <class Fill>
  tProgram& exchangeBody(Fill fill, const std::vector<tDamage>& damage = {}) {
    const std::size_t countAt = w.bytes.size();
    w.u8(0);
    tItems it(w);
    fill(it);
    if (it.items == 0) count(9, 8);
    w.bytes[countAt] = count(it.items - 1, 8);
    w.u8(count(damage.size(), 4));
    for (const tDamage& d : damage) w.u8(d.target).u8(d.kind).u16(d.index).num(d.arg);
    return *this;
  }
  template <class Fill>
  tProgram& receive(Fill fill, const std::vector<tDamage>& damage = {}) {
    return exchange(opReceive, fill, damage);
  }
  template <class Fill>
  tProgram& send(Fill fill, const std::vector<tDamage>& damage = {}) {
    return exchange(opSend, fill, damage);
  }
  // Every exchange of the builder, through the library's own encoding.
  tProgram& raw(eOp op, const JobBuilder& job) {
    for (const tExchange& ex : job.exchanges()) {
      w.u8(op);
      for (const piSubFrame& sf : ex.sf) w.run(sf.encode());
    }
    return *this;
  }
  tProgram& op(eOp o) {
    w.u8(o);
    return *this;
  }

  tProgramWriter w;
};

// ---------------------------------------------------------------- jobs

const std::vector<tImage> kHdwImage = {{"HDW", {1, 2, 3}}};
const std::vector<tImage> kBothImages = {{"HDW", {1, 2, 3}}, {"HDW_CONTINUITY", {4, 5}}};

tConfig config(const std::string& label, unsigned slot, unsigned reg, unsigned value) {
  return {label, {cCfgFileDeviceCpdPinData(slot, reg, value, 1, "P1")}};
}

const std::vector<tConfig> kHoltekConfigs = {
    config("SETUP", 1, 0, 0x11), config("SETUPi", 1, 0, 0x22), config("SHUTDOWN", 1, 0, 0x33)};
const std::vector<tConfig> kSignalConfigs = {config("SETUP", 1, 5, 0x0A55),
                                             config("SHUTDOWN", 1, 5, 0x0001)};

// The two exchanges of a Holtek job, each after its operation byte(s) `op`
// writes: buffer 0 first, then its data and the records.
template <class Op>
void holtekExchanges(tProgram& p, Op op, const tHoltek& h, std::uint32_t first, std::uint32_t last,
                     unsigned bufferBytes) {
  op();
  p.exchangeBody([&](tItems& it) { it.deleteAll().create(0, bufferBytes, 0x00); });
  op();
  p.exchangeBody([&](tItems& it) {
    it.window(ctFullData, 0, 0, pattern(bufferBytes, 1))
        .parameterSet(0, 10, "/cfg/holtek.cfg", "Job")
        .jobRecord(first, last)
        .deviceConfig(h)
        .hardwareParams(kHdwImage)
        .pinDriverConfigs(kHoltekConfigs);
  });
}

// A Holtek job as a host sends it.
tProgram holtekJob(eStart start, const tHoltek& h, std::uint32_t first, std::uint32_t last,
                   unsigned bufferBytes = 128) {
  tProgram p(start, bnDevice, static_cast<std::uint8_t>(h.memorySize - 1));
  holtekExchanges(
      p, [&] { p.op(opReceive); }, h, first, last, bufferBytes);
  return p;
}

// The same job sent to the module's second provider.
void holtekJobToTheSecond(tProgram& p, const tHoltek& h) {
  holtekExchanges(
      p, [&] { p.op(opSecond).w.u8(2); }, h, 0, 31, 128);
}

tProgram signalJob(const std::vector<unsigned>& touched, std::uint8_t limitK) {
  tProgram p(stVerify, bnDevice, limitK);
  p.receive([&](tItems& it) {
    it.parameterSet(0, 10, "", "Verify")
        .jobRecord(0, 0)
        .hardwareParams(kHdwImage)
        .pinDriverConfigs(kSignalConfigs);
  });
  for (unsigned pin : touched) p.op(opSocket).w.u8(skTouch).u8(static_cast<std::uint8_t>(pin));
  return p;
}

// Continuity test on, the four-pin chip's layout, both image kinds.
tProgram continuityJob(eStart start, std::uint8_t bench, const std::string& method) {
  tProgram p(start, bench, 63);
  p.receive([&](tItems& it) {
    it.parameterSet(1, 10, "", "Continuity")
        .layout(method, fourPinChip())
        .hardwareParams(kBothImages)
        .pinDriverConfigs(kHoltekConfigs);
  });
  return p;
}

// ---------------------------------------------------------------- output

struct tSeed {
  std::string name;
  std::vector<std::uint8_t> bytes;
};

std::vector<tSeed> seeds() {
  std::vector<tSeed> all;
  auto add = [&](const std::string& name, const tProgram& p) { all.push_back({name, p.w.bytes}); };

  // Each start slot with nothing sent.
  const char* const startNames[] = {"prog",  "read",       "blank",       "verify",
                                    "erase", "continuity", "nocontinuity"};
  for (unsigned s = 0; s < kStarts; ++s) {
    add(std::string("start-") + startNames[s], tProgram(static_cast<eStart>(s), bnWiring, 0));
  }

  // Holtek jobs of every action (the options and areas a host sends for them).
  tHoltek program;
  program.options = 0x02 | 0x08 | 0x10 | 0x80;
  program.areas = 0x7;
  add("holtek-program", holtekJob(stProg, program, 0, 31));
  tHoltek plain;
  plain.options = 0x10;
  add("holtek-read", holtekJob(stRead, plain, 0, 31));
  add("holtek-verify", holtekJob(stVerify, plain, 0, 31));
  add("holtek-blank", holtekJob(stBlank, plain, 0, 63));
  add("holtek-erase", holtekJob(stErase, program, 0, 0));
  tHoltek infoAndLock;
  infoAndLock.options = 0x08;
  infoAndLock.areas = 0x6;
  infoAndLock.infoData = 0x12345678u;
  infoAndLock.lockBits = 0x1A;
  add("holtek-program-info-lock", holtekJob(stProg, infoAndLock, 0, 31));
  tHoltek readAll;
  readAll.options = 0x01;
  readAll.areas = 0x7;
  add("holtek-read-verify-all", holtekJob(stRead, readAll, 0, 63));
  tHoltek measured = program;
  measured.measureVcc = 1;
  add("holtek-program-measured-vcc", holtekJob(stProg, measured, 4, 20));
  {
    tProgram p = holtekJob(stRead, plain, 0, 31);
    p.op(opHostEvent).w.u8(1).u8(0);  // a cancel before the second progress record
    add("holtek-read-cancelled", p);
  }
  {
    tProgram p = holtekJob(stProg, program, 0, 31);
    p.op(opSocket).w.u8(skAcknowledge).u8(0x12);
    add("holtek-program-wrong-acknowledge", p);
  }

  // The signal test with touched pins, and without.
  add("signal-untouched", signalJob({}, 9));
  add("signal-touched", signalJob({1, 2}, 99));

  // Continuity: chip in, chip out, the other method.
  add("continuity-chip-in", continuityJob(stContinuity, bnWiring, "OneGndDiodeHigh"));
  add("continuity-chip-out",
      continuityJob(stNoContinuity, bnWiring | bnChipTakenOut, "OneGndDiodeHigh"));
  add("continuity-multi-gnd", continuityJob(stContinuity, bnWiring, "MultiGndDiodeHigh"));
  {
    tProgram p = continuityJob(stProg, bnWiring | bnDevice, "OneGndDiodeHigh");
    p.op(opLoadFpga);
    add("continuity-fpga-then-program", p);
  }

  // Buffers: creates, whole and partial windows, records in the descriptor,
  // fetches, map items, deletes.
  {
    tProgram p(stRead, 0, 0);
    p.receive([](tItems& it) {
      it.create(1, 64, 0xFF)
          .create(2, 300, 0)
          .window(ctFullData, 1, 0, pattern(64, 2))
          .parts(2, 3, pattern(300, 3));
    });
    p.send([](tItems& it) {
      it.fetchWindow(ctFullData, 1, 0, 64)
          .fetchWindow(ctPartData, 2, 100, 50)
          .fetchInfo(1)
          .fetchInfo(2)
          .fetchInfo(5);
    });
    p.receive([](tItems& it) {
      it.bufferRecord(ctMemoryMapInfo, 2, 16, 32)
          .bufferRecord(ctInfoOnly, 2, 0, 0)
          .windowRecord(ctLastPartData, 2, 290, pattern(10, 4));
    });
    p.op(opVerify);
    p.receive([](tItems& it) { it.deleteAll().create(0, 16, 0xA5); });
    add("buffers", p);
  }
  {
    tProgram p(stProg, 0, 0);
    p.receive([](tItems& it) { it.create(3, 256, 0).window(ctFullData, 3, 0, pattern(256, 5)); });
    p.receive([](tItems& it) { it.create(3, 0xFFFFFFFFu, 0xEE); });
    p.receive([](tItems& it) { it.create(3, 0x01000001u, 0xEE); });
    p.receive([](tItems& it) { it.create(3, 512, 0x5A); });
    p.send([](tItems& it) { it.fetchWindow(ctFullData, 3, 0, 512); });
    add("buffers-limits", p);
  }
  {
    tProgram p(stBlank, 0, 0);
    p.receive([](tItems& it) {
      it.create(0, 32, 0)
          .window(ctFullData, 0, 0, pattern(32, 6), 5, tByteArray::slModule)
          .window(ctPartData, 0, 30, pattern(4, 7));
    });
    p.receive([](tItems& it) { it.windowRecord(ctFullData, 0, 0, pattern(16, 8), 16); });
    p.send([](tItems& it) { it.fetchWindow(ctFullData, 0, 16, 32).fetchWindow(ctNo, 0, 0, 1); });
    add("buffers-refused-windows", p);
  }

  // Records sent and fetched back.
  {
    tProgram p(stContinuity, bnWiring, 0);
    p.receive([](tItems& it) {
      // Error id 0, programmer id and port address away from their defaults.
      it.parameterSet(1, 250, "/cfg/dev.cfg", "Prog")
          .jobRecord(0x10, 0xFFFF, 3, 2)
          .deviceConfig(tHoltek())
          .hardwareParams(kBothImages, {{98, 7}, {111, 11}, {122, 0x3BC}})
          .pinDriverConfigs(kHoltekConfigs)
          .layout("OneGndDiodeHigh", fourPinChip());
    });
    p.send([](tItems& it) {
      it.fetch(cDataTransferDescriptor::dtAlgoParam)
          .fetch(cDataTransferDescriptor::dtAlgoKrv3UIData)
          .fetch(cDataTransferDescriptor::dtDeviceAlgPrm)
          .fetch(cDataTransferDescriptor::dtHdwParam)
          .fetch(cDataTransferDescriptor::dtCfgFileDeviceCpdConfigs)
          .fetch(cDataTransferDescriptor::dtCfgFileDeviceLayout);
    });
    p.receive([](tItems& it) { it.dataBlock("blob", pattern(40, 9)).fetchBlock("blob", 40); });
    add("records", p);
  }
  {
    // A count the record cannot hold: the image walk stops at the slots.
    tProgram p(stProg, bnWiring, 0);
    p.receive([](tItems& it) {
      it.parameterSet(0, 10, "", "Job")
          .hardwareParams(kBothImages, {{1, 0xFFFFFFFFu}})
          .jobRecord(0, 0, 0);
    });
    p.op(opLoadFpga);
    add("records-huge-image-count", p);
  }

  // Raw sub-frames from the job builder, through the library's own encoding.
  {
    JobBuilder job;
    job.deleteAllBuffers().createBuffer(0, 64, 0);
    job.wholeBuffer(0, pattern(64, 10), 2)
        .parameterSet(1, 10, "", "Job")
        .jobRecord(jobSamples::sampleJobRecord())
        .hardwareParams(jobSamples::sampleHdwParam())
        .pinDriverConfigs(jobSamples::sampleConfigs())
        .layout(jobSamples::sampleLayout(4));
    tProgram p(stContinuity, bnWiring, 0);
    p.raw(opRawReceive, job);
    JobBuilder fetch;
    fetch.fetchWindow(ctFullData, 0, 0, 64)
        .fetchInfo(0)
        .fetch(cDataTransferDescriptor::dtCfgFileDeviceCpdConfigs)
        .fetch(cDataTransferDescriptor::dtCfgFileDeviceLayout)
        .fetch(cDataTransferDescriptor::dtHdwParam);
    p.raw(opRawSend, fetch);
    add("raw-job", p);
  }
  {
    JobBuilder job;
    job.item(JobBuilder::typed(10), piSubFrame()).item(JobBuilder::typed(0), piSubFrame());
    tProgram p(stErase, 0, 0);
    p.raw(opRawReceive, job);
    piSubFrame record;
    cKxHdwParam hdw(hptDefault);
    hdw >> record;
    p.receive(
        [&](tItems& it) { it.raw(cDataTransferDescriptor::dtHdwParam, record).raw(12, record); });
    add("raw-undefined-types", p);
  }

  // Item-level damage of descriptors and data.
  {
    tProgram p(stRead, 0, 0);
    p.receive(
        [](tItems& it) {
          it.create(1, 32, 0)
              .window(ctFullData, 1, 0, pattern(32, 11))
              .parameterSet(1, 7, "a", "b");
        },
        {{0, dmReplace, 36, 8}, {2, dmDuplicate, 0, 0}, {3, dmRetype, 1, 2}});
    p.receive(
        [](tItems& it) {
          it.pinDriverConfigs(kSignalConfigs).layout("OneGndDiodeHigh", fourPinChip());
        },
        {{1, dmDrop, 2, 0}, {2, dmTruncate, 5, 0}, {0, dmSwap, 40, 0}});
    p.send([](tItems& it) { it.fetchWindow(ctFullData, 1, 0, 32).fetchInfo(1); },
           {{0, dmReplace, 3, 64}});
    add("damaged", p);
  }

  // The slots that run no action.
  {
    tProgram p(stNoContinuity, bnWiring, 0);
    p.op(opClaim).w.text("host").text("usb").u8(1);
    p.op(opPresetClaim).w.text("lan").text("other");
    p.op(opClaim).w.text("host").text("usb").u8(0);
    p.op(opTypeInfo).w.u8(3);
    p.op(opTypeInfo).w.u8(0);
    p.op(opUnclaim);
    p.op(opCheckSum).w.u8(0).num(0x1234);
    p.op(opCheckSum).w.u8(1).num(0);
    p.op(opVersion);
    p.op(opDebug).w.u8(0);
    p.op(opDebug).w.u8(7);
    p.op(opPostAction);
    p.op(opLoadFpga);
    for (std::uint8_t s = 0; s < 12; ++s) p.op(opService).w.u8(s).num(s * 3u);
    p.op(opCancel);
    add("slots", p);
  }

  // Faults of the host library and of the host's signals during an action.
  {
    tProgram p = continuityJob(stContinuity, bnWiring, "OneGndDiodeHigh");
    // The supplies refuse to switch off once.
    p.op(opHardwareFault).w.u8(faultPoint("switchOffSupplies")).u8(1).u8(0xFF).u8(0).u8(1);
    p.op(opHostSignal).w.u8(ssPinConnectionData).u8(0);
    add("faults-continuity", p);
  }
  {
    tProgram p = holtekJob(stProg, program, 0, 31);
    // The 51st register access throws the host's text.
    p.op(opHardwareFault).w.u8(faultPoint("register")).u8(0).u8(0).u8(50).u8(1);
    p.op(opHostSignal).w.u8(ssProgress).u8(1);
    add("faults-holtek", p);
  }

  // What the host does in its scheduler during an action.
  {
    tProgram p = holtekJob(stVerify, plain, 0, 31);
    p.op(opHostEvent).w.u8(0).u8(1);
    p.exchangeBody([](tItems& it) { it.create(0, 16, 0).fetchInfo(0); });
    p.op(opHostEvent).w.u8(1).u8(2);
    p.exchangeBody([](tItems& it) { it.fetch(cDataTransferDescriptor::dtAlgoKrv3UIData); });
    p.op(opCancelAtAccess).w.num(5000);
    add("host-events", p);
  }
  {
    tProgram p = holtekJob(stRead, plain, 0, 31);
    p.op(opHostEvent).w.u8(0).u8(6).u8(stErase);
    p.op(opHostEvent).w.u8(1).u8(3);
    add("host-events-start-and-fpga-load", p);
  }

  // Several actions in one input. The configurations replaced after the
  // first, then a start whose busy mark the host fails: its close must use
  // the set that arrived.
  {
    tProgram p = holtekJob(stRead, plain, 0, 31);
    p.op(opStart).w.u8(stRead);
    p.receive([](tItems& it) {
      it.pinDriverConfigs({config("SETUP", 1, 0, 0x0011), config("SETUPi", 1, 0, 0x0012)});
    });
    p.op(opHardwareFault).w.u8(faultPoint("setDeviceState")).u8(0).u8(0xFF).u8(0).u8(1);
    add("two-actions-configs-replaced", p);
  }
  {
    tProgram p = signalJob({1, 2}, 2);
    p.op(opStart).w.u8(stRead);
    p.receive([](tItems& it) { it.pinDriverConfigs({config("SETUP", 1, 5, 0x0A55)}); });
    p.op(opHardwareFault).w.u8(faultPoint("setDeviceState")).u8(0).u8(0xFF).u8(0).u8(1);
    add("two-actions-signal-configs-replaced", p);
  }
  // Three actions with an exchange, a cancel and a deleted buffer 0 between them.
  {
    tProgram p = holtekJob(stVerify, program, 0, 31);
    p.op(opStart).w.u8(stProg);
    p.op(opCancel);
    p.op(opStart).w.u8(stRead);
    p.receive([](tItems& it) { it.deleteAll().create(0, 64, 0xA5); });
    p.op(opVerify);
    add("three-actions", p);
  }
  // Two providers of the module. The second one's action fails its binding
  // at the pin-driver lookup, the second goes, then the first one's action.
  {
    tProgram p = holtekJob(stRead, plain, 0, 31);
    holtekJobToTheSecond(p, plain);
    p.op(opHardwareFault).w.u8(faultPoint("cpdCtrl")).u8(1).u8(0).u8(0).u8(1);
    p.op(opSecond).w.u8(3).u8(stRead);
    p.op(opSecond).w.u8(1);
    add("two-providers-half-bound", p);
  }
  // During the first one's action: the second one's receive, start and
  // continuity FPGA load, moduleDone of the running provider, the second
  // unloaded and made again.
  {
    tProgram p = holtekJob(stRead, plain, 0, 31);
    p.op(opHostEvent).w.u8(0).u8(7).u8(0);
    p.exchangeBody([](tItems& it) { it.create(0, 16, 0xEE); });
    p.op(opHostEvent).w.u8(0).u8(7).u8(1).u8(stErase);
    p.op(opHostEvent).w.u8(1).u8(7).u8(2);
    p.op(opHostEvent).w.u8(1).u8(8);
    p.op(opHostEvent).w.u8(2).u8(7).u8(4);
    p.op(opHostEvent).w.u8(2).u8(7).u8(3);
    add("host-events-second-provider-and-unload", p);
  }
  // During the second one's action: the first one's continuity FPGA load and
  // start, moduleDone of the running second provider; then it goes.
  {
    tProgram p = holtekJob(stVerify, plain, 0, 31);
    holtekJobToTheSecond(p, plain);
    p.op(opHostEvent).w.u8(0).u8(8);
    p.op(opHostEvent).w.u8(0).u8(7).u8(2);
    p.op(opHostEvent).w.u8(1).u8(7).u8(1).u8(stProg);
    p.op(opHostEvent).w.u8(1).u8(7).u8(4);
    p.op(opSecond).w.u8(3).u8(stRead);
    p.op(opSecond).w.u8(1);
    add("second-provider-action-host-events", p);
  }
  return all;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: " << argv[0] << " <folder>\n";
    return 2;
  }
  const std::vector<tSeed> all = seeds();
  for (std::size_t i = 0; i < all.size(); ++i) {
    char number[8];
    std::snprintf(number, sizeof number, "%02zu-", i);
    const std::string path = std::string(argv[1]) + "/" + number + all[i].name;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(all[i].bytes.data()),
              static_cast<std::streamsize>(all[i].bytes.size()));
    if (!out) {
      std::cerr << "cannot write " << path << "\n";
      return 1;
    }
  }
  return 0;
}
