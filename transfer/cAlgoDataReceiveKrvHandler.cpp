#include "cAlgoDataReceiveKrvHandler.h"

#include "DiagnosticLog.h"
#include "cCfgFileDeviceCpdConfigs.h"
#include "cCfgFileDeviceLayout.h"
#include "dataExchangeSteps.h"
#include "tByteArrayInfo.h"

cAlgoDataReceiveKrvHandler::cAlgoDataReceiveKrvHandler(cAlgoParam& ap, piSubFrame& sf0,
                                                       piSubFrame& sf1, piSubFrame& sf2,
                                                       piSubFrame& sf3, piSubFrame& sf4,
                                                       piSubFrame& sf5, piSubFrame& sf6,
                                                       piSubFrame& sf7, piSubFrame& sf8)
    : mAlgoParam(ap),
      mDescriptorSubFrame(sf0),
      mDescriptors(sf1, sf2, sf3, sf4, sf5, sf6, sf7, sf8) {}

cAlgoDataReceiveKrvHandler::~cAlgoDataReceiveKrvHandler() {
  mReceivedBlocks.clear();
  mReceivedBlockNames.clear();
}

bool cAlgoDataReceiveKrvHandler::processingReceivedData() {
  // A set the library could read only in part is walked as the read left it.
  mDescriptors << mDescriptorSubFrame;
  return reportDescriptorWalk(processingReceivedDTDs(mDescriptors));
}

bool cAlgoDataReceiveKrvHandler::processingReceivedDTDs(cDataTransferDescriptors& set) {
  return walkDescriptorSlots(set,
                             [this](unsigned slot, cDataTransferDescriptor& d, piSubFrame& sf) {
                               const std::string name = d.DataTypeToString();
                               logSlotLines("processingReceivedData: ", slot, sf, name);
                               return receiveSlot(slot, d, sf);
                             });
}

bool cAlgoDataReceiveKrvHandler::receiveSlot(unsigned slot, cDataTransferDescriptor& d,
                                             piSubFrame& sf) {
  tSideSteps steps;
  steps.byteArray = [&] { return processingReceivedBA(d); };
  steps.cpdConfigs = [&] { return receiveCpdConfigs(slot, d, sf); };
  steps.bufferCommand = [&] { return processingReceivedBAI(d); };
  steps.layout = [&] { return receiveLayout(slot, d, sf); };
  steps.dBlock = [&] { return receiveDBlock(slot, d, sf); };
  return dispatchDataType(mAlgoParam, slot, d, sf, eExchangeSide::Receive, steps);
}

bool cAlgoDataReceiveKrvHandler::receiveCpdConfigs(unsigned slot, cDataTransferDescriptor& d,
                                                   piSubFrame& sf) {
  const cCfgFileDeviceCpdConfigsHeader& header = d.getCfgFileDeviceCpdConfigsHeader();
  unsigned long long pinDefs = 0;
  for (unsigned i = 0;
       i < header.getSizeCpdConfigs() && i < cCfgFileDeviceCpdConfigs::getMaxConfigSize(); ++i) {
    pinDefs += header.getSizePinDef(i);
  }
  if (!pinDefsFitSubFrame(pinDefs, sf, slot)) {
    return false;
  }
  // The new set replaces the old one before it is read, also when the read fails.
  mAlgoParam.setCfgFileDeviceCpdConfigs(*new cCfgFileDeviceCpdConfigs(header));
  return mAlgoParam.getRefCfgFileDeviceCpdConfigs() << sf;
}

bool cAlgoDataReceiveKrvHandler::receiveLayout(unsigned slot, cDataTransferDescriptor& d,
                                               piSubFrame& sf) {
  const unsigned pinDefs = d.getPinConnectionLayoutData_sizePinDefs();
  if (!pinDefsFitSubFrame(pinDefs, sf, slot)) {
    return false;
  }
  mAlgoParam.setCfgFileDeviceLayout(*new cCfgFileDeviceLayout(pinDefs));
  return mAlgoParam.getRefCfgFileDeviceLayout() << sf;
}

bool cAlgoDataReceiveKrvHandler::receiveDBlock(unsigned slot, cDataTransferDescriptor& d,
                                               piSubFrame& sf) {
  // A block larger than the whole sub-frame can never arrive; do not reserve it.
  if (d.getpiDBlockInfoSize() > sf.getSize()) {
    logDiag("processingReceivedData: Block larger than its sub-frame: " + std::to_string(slot));
    return false;
  }
  std::unique_ptr<piDBlock> block(new piDBlock(d.getpiDBlockInfoSize()));
  cDTFrame frame;
  frame.add(block.get(), true);
  if (!sf.storeToFrame(&frame)) {
    return false;
  }
  mReceivedBlockNames.push_back(d.getpiDBlockInfoName());
  mReceivedBlocks.push_back(std::move(block));
  return true;
}

bool cAlgoDataReceiveKrvHandler::processingReceivedBAI(cDataTransferDescriptor& d) {
  tByteArrayInfo info;
  if (!readBufferCommand(info, d.getResceivedSubFrame())) {
    return false;
  }
  switch (info.getCmdType()) {
    case ctDeleteAllBuffers:
      mAlgoParam.deleteByteArrayVct();
      return true;
    case ctCreateOnly: {
      // Refused before anything is removed: an empty, wrapped or oversized
      // request must not cost the host the buffer it already has under that id.
      const unsigned size = info.getTotalSize();
      if (size == 0 || size < info.getStartAddr() ||
          !mAlgoParam.fitsBufferLimits(size, info.getId())) {
        logDiag("processingReceivedBAI: Invalid size of buffer to create.");
        return false;
      }
      // A create for an existing id replaces that buffer, once the new one exists.
      return mAlgoParam.replaceByteArray(size, info.getFillByte(), info.getId()) != nullptr;
    }
    case ctInfoOnly:
      mAlgoParam.getByteArrayFromBufferId(info.getId())->getMemoryMap().erase();
      return true;
    case ctMemoryMapInfo: {
      // A map item for a buffer that does not exist would be lost in the dummy.
      tByteArray* buffer = findWindowBuffer(mAlgoParam, info.getId(), "processingReceivedBAI");
      return buffer != nullptr && buffer->addMemoryMapItem(info);
    }
    default:
      return failBufferCommand("processingReceivedBAI", info);
  }
}

bool cAlgoDataReceiveKrvHandler::processingReceivedBA(cDataTransferDescriptor& d) {
  tByteArrayInfo info(d.getByteArrayInfo());
  logDiag("processingReceivedBA: ByteArrayInfo CmdType: " + info.CmdTypeToString());
  tByteArray* buffer = findWindowBuffer(mAlgoParam, info.getId());
  if (buffer == nullptr) {
    return false;
  }
  return info.prepareSfToReceiveByteArray(*buffer, d.getResceivedSubFrame());
}

piDBlock* cAlgoDataReceiveKrvHandler::getReceivedDBlock(unsigned i) const {
  return i < mReceivedBlocks.size() ? mReceivedBlocks[i].get() : nullptr;
}

std::string cAlgoDataReceiveKrvHandler::getReceivedDBlockName(unsigned i) const {
  return i < mReceivedBlockNames.size() ? mReceivedBlockNames[i] : std::string();
}
