#ifndef JOB_BUILDER_H
#define JOB_BUILDER_H

// Host-side builder of data exchanges, for tests and the command-line runner.
//
// It produces the nine sub-frames of each exchange the way a host does, from
// the module's own record classes: sub-frame 0 carries the descriptor set,
// sub-frames 1 to 8 the data the descriptors name. Items are added in order;
// exchanges() splits them into exchanges of at most eight items each. The
// same builder also makes send requests (fetch...) whose answers are read
// back with the read... helpers below.
//
// Buffers must be created (createBuffer, source location 1) before their data
// arrive, in an earlier slot or an earlier exchange.
//
// Note for every test that later runs a chip action: the default job record
// (cUiAlgoDataK3's default) has ActionMode 1, which refuses every chip action,
// so send a job record with the action mode the test needs; and a parameter
// set whose UI-timer value has 0 in its low 16 bits fails every action, so
// give parameterSet a timer value with non-zero low bits.

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "cAlgoParam.h"
#include "cCfgFileDeviceCpdConfigs.h"
#include "cCfgFileDeviceLayout.h"
#include "cDTFrame.h"
#include "cDataTransferDescriptors.h"
#include "cDeviceParam.h"
#include "cKxHdwParam.h"
#include "cUiAlgoDataK3.h"
#include "piDBlock.h"
#include "piSubFrame.h"
#include "tByteArrayInfo.h"

// The nine sub-frames of one exchange; sf[0] holds the descriptors.
struct tExchange {
  static constexpr unsigned kSubFrames = 9;
  piSubFrame sf[kSubFrames];

  // Calls fn with the nine sub-frames in slot argument order, e.g. to build a
  // handler or call a data slot.
  template <class Fn>
  decltype(auto) run(Fn&& fn) {
    return fn(sf[0], sf[1], sf[2], sf[3], sf[4], sf[5], sf[6], sf[7], sf[8]);
  }
  // Data sub-frame of descriptor slot k.
  piSubFrame& data(unsigned k) { return sf[k + 1]; }
};

class JobBuilder {
public:
  using eDataType = cDataTransferDescriptor::eDataType;

  // --- Job content (host to module) ---

  JobBuilder& deleteAllBuffers() { return bufferCommand(command(ctDeleteAllBuffers, -1, 0, 0)); }

  JobBuilder& createBuffer(int id, unsigned size, unsigned char fill) {
    return bufferCommand(command(ctCreateOnly, id, 0, size, 0, fill));
  }

  // Any command record, carried as a record of its own.
  JobBuilder& bufferCommand(const tByteArrayInfo& info) {
    piSubFrame sf;
    tByteArrayInfo copy(info);
    copy >> sf;
    return item(typed(cDataTransferDescriptor::dtByteArrayInfo), sf);
  }

  // One window: the record in the descriptor, the bytes as one block.
  JobBuilder& window(eCmdType cmd, int id, unsigned start, const unsigned char* bytes,
                     unsigned n, unsigned version,
                     tByteArray::eSourceLocation loc = tByteArray::slHost) {
    piSubFrame sf;
    sf.addBlock(bytes, n);
    return item(cDataTransferDescriptor(command(cmd, id, start, n, version, 0, loc)), sf);
  }

  JobBuilder& wholeBuffer(int id, const std::vector<unsigned char>& bytes, unsigned version) {
    return window(ctFullData, id, 0, bytes.data(), static_cast<unsigned>(bytes.size()), version);
  }

  // ctPartData windows and a closing ctLastPartData; the last part takes the rest.
  JobBuilder& bufferInParts(int id, const std::vector<unsigned char>& bytes, unsigned parts,
                            unsigned version) {
    const unsigned total = static_cast<unsigned>(bytes.size());
    const unsigned step = (total + parts - 1) / parts;
    for (unsigned start = 0; start < total; start += step) {
      const unsigned n = std::min(step, total - start);
      const eCmdType cmd = start + n >= total ? ctLastPartData : ctPartData;
      window(cmd, id, start, bytes.data() + start, n, version);
    }
    return *this;
  }

  JobBuilder& parameterSet(unsigned char continuityTest, unsigned uiTimer,
                           const std::string& cfgPath, const std::string& action) {
    cAlgoParam ap(tByteArray::slModule, 1, 0, 0);
    ap.setDoDeviceContinuityTest(continuityTest);
    ap.setUiFpgaTimerValue(uiTimer);
    ap.setDefDeviceCfgFilePath(cfgPath);
    ap.setJobAction(action);
    return recordItem(cDataTransferDescriptor::dtAlgoParam, ap);
  }

  JobBuilder& jobRecord(const TAG_UI_ALGODATA_KRV3& rec) {
    return recordItem(cDataTransferDescriptor::dtAlgoKrv3UIData, cUiAlgoDataK3(rec));
  }

  JobBuilder& deviceConfig(const cDeviceParam& prm) {
    return recordItem(cDataTransferDescriptor::dtDeviceAlgPrm, cDeviceParam(prm));
  }

  JobBuilder& hardwareParams(const cKxHdwParam& prm) {
    return recordItem(cDataTransferDescriptor::dtHdwParam, cKxHdwParam(prm));
  }

  // The configuration header travels in the descriptor.
  JobBuilder& pinDriverConfigs(const cCfgFileDeviceCpdConfigs& configs) {
    cCfgFileDeviceCpdConfigs copy(configs);
    piSubFrame sf;
    copy >> sf;
    return item(cDataTransferDescriptor(copy.getHeader()), sf);
  }

  // The pin-definition count travels in the descriptor.
  JobBuilder& layout(const cCfgFileDeviceLayout& layout) {
    cCfgFileDeviceLayout copy(layout);
    piSubFrame sf;
    copy >> sf;
    return item(cDataTransferDescriptor(copy.sizePinDefs()), sf);
  }

  JobBuilder& dataBlock(const std::string& name, const std::vector<char>& bytes) {
    std::unique_ptr<piSubFrame> none;
    piSubFrame sf;
    sf.addBlock(bytes);
    return item(cDataTransferDescriptor(name, static_cast<unsigned>(bytes.size()), none), sf);
  }

  // Any descriptor with any data sub-frame, also malformed ones.
  JobBuilder& item(const cDataTransferDescriptor& d, const piSubFrame& data) {
    mItems.emplace_back(d, data);
    return *this;
  }

  // --- Send requests (module to host) ---

  JobBuilder& fetchWindow(eCmdType cmd, int id, unsigned start, unsigned size) {
    return item(cDataTransferDescriptor(command(cmd, id, start, size)), piSubFrame());
  }

  // Answered with the buffer's description (the dummy's, id -1, for an unknown id).
  JobBuilder& fetchInfo(int id) { return bufferCommand(command(ctInfoOnly, id, 0, 0)); }

  // A record of the parameter set: dtAlgoParam, dtCfgFileDeviceCpdConfigs,
  // dtAlgoKrv3UIData, dtDeviceAlgPrm, dtHdwParam or dtCfgFileDeviceLayout.
  JobBuilder& fetch(eDataType type) { return item(typed(type), piSubFrame()); }

  JobBuilder& fetchBlock(const std::string& name, unsigned size) {
    std::unique_ptr<piSubFrame> none;
    return item(cDataTransferDescriptor(name, size, none), piSubFrame());
  }

  // --- Output ---

  // Eight items per exchange, in the order they were added.
  std::vector<tExchange> exchanges() const {
    std::vector<tExchange> out;
    for (std::size_t first = 0; first < mItems.size(); first += cDataTransferDescriptors::kSlots) {
      out.emplace_back();
      tExchange& ex = out.back();
      cDataTransferDescriptors set;
      const std::size_t end =
          std::min(mItems.size(), first + std::size_t(cDataTransferDescriptors::kSlots));
      for (std::size_t i = first; i < end; ++i) {
        set.addDataTransferDescriptor(
            std::unique_ptr<cDataTransferDescriptor>(new cDataTransferDescriptor(mItems[i].first)));
        ex.sf[i - first + 1] = mItems[i].second;
      }
      set >> ex.sf[0];
    }
    return out;
  }

  // The only exchange; the builder must hold at most eight items.
  tExchange exchange() const {
    std::vector<tExchange> all = exchanges();
    return all.empty() ? tExchange() : all.front();
  }

  // A command record as a host builds it: start and size in bytes, exactly as
  // given (no unit conversion), names "unknown".
  static tByteArrayInfo command(eCmdType cmd, int id, unsigned start, unsigned size,
                                unsigned version = 0, unsigned char fill = 0,
                                tByteArray::eSourceLocation loc = tByteArray::slHost) {
    piSubFrame sf;
    sf.addUInt32(static_cast<unsigned>(cmd));
    sf.addUInt32(start);
    sf.addUInt32(size);
    sf.addUInt32(version);
    sf.addInt32(id);
    sf.addUInt8(fill);
    sf.addUInt32(static_cast<unsigned>(loc));
    sf.addUInt32(8);
    sf.addUInt32(btiDefault);
    sf.addString("unknown");
    sf.addString("unknown");
    tByteArrayInfo info;
    info << sf;
    return info;
  }

  // A descriptor of any data type (also one outside the table) with defaults.
  static cDataTransferDescriptor typed(unsigned type) {
    std::unique_ptr<piSubFrame> none;
    return cDataTransferDescriptor(static_cast<eDataType>(type), none);
  }

private:
  // Sends the record through its own operator>>; callers pass a copy.
  template <class R>
  JobBuilder& recordItem(eDataType type, R&& record) {
    piSubFrame sf;
    record >> sf;
    return item(typed(type), sf);
  }

  std::vector<std::pair<cDataTransferDescriptor, piSubFrame>> mItems;
};

// --- Reading answers (host side) ---

// The descriptor set a send answered in sub-frame 0.
inline bool readDescriptors(const piSubFrame& sf0, cDataTransferDescriptors& set) {
  return set << sf0;
}

// The bytes of a window answer; false when the sub-frame holds no single block.
inline bool readWindow(const piSubFrame& sf, std::vector<unsigned char>& bytes) {
  piDBlock block;
  cDTFrame frame;
  frame.add(&block, true);
  if (sf.itemCount() != 1 || !sf.storeToFrame(&frame)) {
    return false;
  }
  const unsigned char* p = reinterpret_cast<const unsigned char*>(block.getData());
  bytes.assign(p, p + block.getSize());
  return true;
}

// Configurations shaped by the answered header.
inline bool readPinDriverConfigs(const cCfgFileDeviceCpdConfigsHeader& header,
                                 const piSubFrame& sf, cCfgFileDeviceCpdConfigs& configs) {
  configs = cCfgFileDeviceCpdConfigs(header);
  return configs << sf;
}

// A layout shaped by the answered pin-definition count.
inline bool readLayout(unsigned pinDefs, const piSubFrame& sf, cCfgFileDeviceLayout& layout) {
  layout = cCfgFileDeviceLayout(pinDefs);
  return layout << sf;
}

#endif
