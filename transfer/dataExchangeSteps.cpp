#include "dataExchangeSteps.h"

#include "DiagnosticLog.h"

namespace {

// A pin definition travels as at least four 32-bit items.
const unsigned long long kMinPinDefBytes = 16;

template <class R>
bool moveRecord(R& record, piSubFrame& sf, eExchangeSide side) {
  return side == eExchangeSide::Receive ? (record << sf) : (record >> sf);
}

}  // namespace

bool walkDescriptorSlots(cDataTransferDescriptors& set, const tDescriptorStep& step) {
  for (unsigned i = 0; i < set.getMaxSfNum(); ++i) {
    cDataTransferDescriptor& d = set.getDataTransferDescriptor(i);
    if (!step(i, d, d.getResceivedSubFrame())) {
      return false;
    }
  }
  return true;
}

bool reportDescriptorWalk(bool ok) {
  if (!ok) {
    logDiag("processingReceivedDTDs failed.");
  }
  return ok;
}

void logSlotLines(const std::string& prefix, unsigned slot, const piSubFrame& sf,
                  const std::string& typeName) {
  logDiag(prefix + "DataTypes" + std::to_string(slot) + ": " + typeName);
  logDiag(prefix + "SubFrame size:" + std::to_string(sf.getSize()) + ": " + typeName);
}

bool dispatchDataType(cAlgoParam& ap, unsigned slot, const cDataTransferDescriptor& d,
                      piSubFrame& sf, eExchangeSide side, const tSideSteps& steps) {
  switch (static_cast<unsigned>(d.getDataType())) {
    case cDataTransferDescriptor::dtNo:
      return true;
    case cDataTransferDescriptor::dtAlgoParam:
      return moveRecord(ap, sf, side);
    case cDataTransferDescriptor::dtByteArry:
      return steps.byteArray();
    case cDataTransferDescriptor::dtCfgFileDeviceCpdConfigs:
      return steps.cpdConfigs();
    case cDataTransferDescriptor::dtByteArrayInfo:
      return steps.bufferCommand();
    case cDataTransferDescriptor::dtAlgoKrv3UIData:
      return moveRecord(ap.getRefUiAlgoDataK3(), sf, side);
    case cDataTransferDescriptor::dtDeviceAlgPrm:
      return moveRecord(ap.getRefDeviceParam(), sf, side);
    case cDataTransferDescriptor::dtHdwParam:
      return moveRecord(ap.getHdwParam(), sf, side);
    case cDataTransferDescriptor::dtCfgFileDeviceLayout:
      return steps.layout();
    case cDataTransferDescriptor::dtpiDBlock:
      return steps.dBlock();
    default:
      logDiag("processingReceivedData: Failed to process: " + std::to_string(slot) + ": " +
              "Undefined");
      return false;
  }
}

bool readBufferCommand(tByteArrayInfo& info, const piSubFrame& sf) {
  info = tByteArrayInfo();
  if (!(info << sf)) {
    return false;
  }
  logDiag("processingReceivedBAI: ByteArrayInfo CmdType: " + info.CmdTypeToString());
  return true;
}

bool failBufferCommand(const char* where, const tByteArrayInfo& info) {
  logDiag(std::string(where) +
          ": Failed to process ByteArrayInfo CmdType: " + info.CmdTypeToString());
  return false;
}

tByteArray* findWindowBuffer(cAlgoParam& ap, int id, const char* where) {
  tByteArray* buffer = ap.getByteArrayFromBufferId(id);
  if (buffer->getBufferId() != id || ap.getBufferIndex(static_cast<unsigned>(id)) < 0) {
    logDiag(std::string(where) + ": Buffer Id does not match.");
    return nullptr;
  }
  return buffer;
}

bool pinDefsFitSubFrame(unsigned long long pinDefs, const piSubFrame& sf, unsigned slot) {
  if (pinDefs * kMinPinDefBytes <= sf.getSize()) {
    return true;
  }
  logDiag("processingReceivedData: Descriptor asks for more pin definitions than its sub-frame "
          "holds: " +
          std::to_string(slot));
  return false;
}
