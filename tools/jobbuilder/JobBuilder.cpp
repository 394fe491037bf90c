#include "JobBuilder.h"

#include <algorithm>
#include <memory>

#include "cAlgoParam.h"
#include "cDTFrame.h"
#include "piDBlock.h"

// ---- job content

JobBuilder& JobBuilder::deleteAllBuffers() {
  return bufferCommand(command(ctDeleteAllBuffers, -1, 0, 0));
}

JobBuilder& JobBuilder::createBuffer(int id, unsigned size, unsigned char fill) {
  return bufferCommand(command(ctCreateOnly, id, 0, size, 0, fill));
}

JobBuilder& JobBuilder::bufferCommand(const tByteArrayInfo& info) {
  piSubFrame sf;
  tByteArrayInfo copy(info);
  copy >> sf;
  return item(typed(cDataTransferDescriptor::dtByteArrayInfo), sf);
}

JobBuilder& JobBuilder::window(eCmdType cmd, int id, unsigned start, const unsigned char* bytes,
                               unsigned n, unsigned version, tByteArray::eSourceLocation loc) {
  piSubFrame sf;
  sf.addBlock(bytes, n);
  return item(cDataTransferDescriptor(command(cmd, id, start, n, version, 0, loc)), sf);
}

JobBuilder& JobBuilder::wholeBuffer(int id, const std::vector<unsigned char>& bytes,
                                    unsigned version) {
  return window(ctFullData, id, 0, bytes.data(), static_cast<unsigned>(bytes.size()), version);
}

JobBuilder& JobBuilder::bufferInParts(int id, const std::vector<unsigned char>& bytes,
                                      unsigned parts, unsigned version) {
  const unsigned total = static_cast<unsigned>(bytes.size());
  const unsigned step = (total + parts - 1) / parts;
  for (unsigned start = 0; start < total; start += step) {
    const unsigned n = std::min(step, total - start);
    const eCmdType cmd = start + n >= total ? ctLastPartData : ctPartData;
    window(cmd, id, start, bytes.data() + start, n, version);
  }
  return *this;
}

template <class R>
JobBuilder& JobBuilder::recordItem(eDataType type, R&& record) {
  piSubFrame sf;
  record >> sf;
  return item(typed(type), sf);
}

JobBuilder& JobBuilder::parameterSet(unsigned char continuityTest, unsigned uiTimer,
                                     const std::string& cfgPath, const std::string& action) {
  cAlgoParam ap(tByteArray::slModule, 1, 0, 0);
  ap.setDoDeviceContinuityTest(continuityTest);
  ap.setUiFpgaTimerValue(uiTimer);
  ap.setDefDeviceCfgFilePath(cfgPath);
  ap.setJobAction(action);
  return recordItem(cDataTransferDescriptor::dtAlgoParam, ap);
}

JobBuilder& JobBuilder::jobRecord(const TAG_UI_ALGODATA_KRV3& rec) {
  return recordItem(cDataTransferDescriptor::dtAlgoKrv3UIData, cUiAlgoDataK3(rec));
}

JobBuilder& JobBuilder::deviceConfig(const cDeviceParam& prm) {
  return recordItem(cDataTransferDescriptor::dtDeviceAlgPrm, cDeviceParam(prm));
}

JobBuilder& JobBuilder::hardwareParams(const cKxHdwParam& prm) {
  return recordItem(cDataTransferDescriptor::dtHdwParam, cKxHdwParam(prm));
}

JobBuilder& JobBuilder::pinDriverConfigs(const cCfgFileDeviceCpdConfigs& configs) {
  cCfgFileDeviceCpdConfigs copy(configs);
  piSubFrame sf;
  copy >> sf;
  return item(cDataTransferDescriptor(copy.getHeader()), sf);
}

JobBuilder& JobBuilder::layout(const cCfgFileDeviceLayout& layout) {
  cCfgFileDeviceLayout copy(layout);
  piSubFrame sf;
  copy >> sf;
  return item(cDataTransferDescriptor(copy.sizePinDefs()), sf);
}

JobBuilder& JobBuilder::dataBlock(const std::string& name, const std::vector<char>& bytes) {
  std::unique_ptr<piSubFrame> none;
  piSubFrame sf;
  sf.addBlock(bytes);
  return item(cDataTransferDescriptor(name, static_cast<unsigned>(bytes.size()), none), sf);
}

JobBuilder& JobBuilder::item(const cDataTransferDescriptor& d, const piSubFrame& data) {
  mItems.emplace_back(d, data);
  return *this;
}

// ---- send requests

JobBuilder& JobBuilder::fetchWindow(eCmdType cmd, int id, unsigned start, unsigned size) {
  return item(cDataTransferDescriptor(command(cmd, id, start, size)), piSubFrame());
}

JobBuilder& JobBuilder::fetchInfo(int id) { return bufferCommand(command(ctInfoOnly, id, 0, 0)); }

JobBuilder& JobBuilder::fetch(eDataType type) { return item(typed(type), piSubFrame()); }

JobBuilder& JobBuilder::fetchBlock(const std::string& name, unsigned size) {
  std::unique_ptr<piSubFrame> none;
  return item(cDataTransferDescriptor(name, size, none), piSubFrame());
}

// ---- output

std::vector<tExchange> JobBuilder::exchanges() const {
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

tExchange JobBuilder::exchange() const {
  std::vector<tExchange> all = exchanges();
  return all.empty() ? tExchange() : all.front();
}

tByteArrayInfo JobBuilder::command(eCmdType cmd, int id, unsigned start, unsigned size,
                                   unsigned version, unsigned char fill,
                                   tByteArray::eSourceLocation loc) {
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

cDataTransferDescriptor JobBuilder::typed(unsigned type) {
  std::unique_ptr<piSubFrame> none;
  return cDataTransferDescriptor(static_cast<eDataType>(type), none);
}

// ---- reading answers

bool readDescriptors(const piSubFrame& sf0, cDataTransferDescriptors& set) { return set << sf0; }

bool readWindow(const piSubFrame& sf, std::vector<unsigned char>& bytes) {
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

bool readPinDriverConfigs(const cCfgFileDeviceCpdConfigsHeader& header, const piSubFrame& sf,
                          cCfgFileDeviceCpdConfigs& configs) {
  configs = cCfgFileDeviceCpdConfigs(header);
  return configs << sf;
}

bool readLayout(unsigned pinDefs, const piSubFrame& sf, cCfgFileDeviceLayout& layout) {
  layout = cCfgFileDeviceLayout(pinDefs);
  return layout << sf;
}
