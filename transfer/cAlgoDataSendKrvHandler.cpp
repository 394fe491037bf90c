#include "cAlgoDataSendKrvHandler.h"

#include "DiagnosticLog.h"
#include "dataExchangeSteps.h"
#include "tByteArrayInfo.h"

cAlgoDataSendKrvHandler::cAlgoDataSendKrvHandler(cAlgoParam& ap, piSubFrame& sf0, piSubFrame& sf1,
                                                 piSubFrame& sf2, piSubFrame& sf3, piSubFrame& sf4,
                                                 piSubFrame& sf5, piSubFrame& sf6, piSubFrame& sf7,
                                                 piSubFrame& sf8)
    : mAlgoParam(ap),
      mDescriptorSubFrame(sf0),
      mDescriptors(sf1, sf2, sf3, sf4, sf5, sf6, sf7, sf8),
      mSendingBlockSize(0),
      mpSendingBlock(nullptr) {}

cAlgoDataSendKrvHandler::~cAlgoDataSendKrvHandler() {}

bool cAlgoDataSendKrvHandler::processingReceivedData() {
  mDescriptors << mDescriptorSubFrame;
  if (!reportDescriptorWalk(processingReceivedDTDs(mDescriptors))) {
    return false;
  }
  // The host learns the answered buffer records, configuration header and
  // pin-definition count from the updated set.
  return mDescriptors >> mDescriptorSubFrame;
}

bool cAlgoDataSendKrvHandler::processingReceivedDTDs(cDataTransferDescriptors& set) {
  return walkDescriptorSlots(
      set, [this](unsigned slot, cDataTransferDescriptor& d, piSubFrame& sf) {
        if (!sendSlot(slot, d, sf)) {
          return false;
        }
        logSlotLines("processingReceivedData for sending : ", slot, sf, d.DataTypeToString());
        return true;
      });
}

bool cAlgoDataSendKrvHandler::sendSlot(unsigned slot, cDataTransferDescriptor& d, piSubFrame& sf) {
  tSideSteps steps;
  steps.byteArray = [&] { return processingReceivedBA(d); };
  steps.cpdConfigs = [&] {
    cCfgFileDeviceCpdConfigs& configs = mAlgoParam.getRefCfgFileDeviceCpdConfigs();
    d = cDataTransferDescriptor(configs.getHeader());
    return configs >> sf;
  };
  steps.bufferCommand = [&] { return processingReceivedBAI(d); };
  steps.layout = [&] {
    cCfgFileDeviceLayout& layout = mAlgoParam.getRefCfgFileDeviceLayout();
    d = cDataTransferDescriptor(layout.sizePinDefs());
    return layout >> sf;
  };
  steps.dBlock = [&] { return sendDBlock(d, sf); };
  return dispatchDataType(mAlgoParam, slot, d, sf, eExchangeSide::Send, steps);
}

bool cAlgoDataSendKrvHandler::sendDBlock(cDataTransferDescriptor& d, piSubFrame& sf) {
  if (mpSendingBlock == nullptr || mSendingBlockName != d.getpiDBlockInfoName() ||
      mSendingBlockSize != d.getpiDBlockInfoSize()) {
    return false;
  }
  cDTFrame frame;
  frame.add(mpSendingBlock, true);
  sf.loadFromFrame(&frame);
  return true;
}

bool cAlgoDataSendKrvHandler::processingReceivedBAI(cDataTransferDescriptor& d) {
  piSubFrame& sf = d.getResceivedSubFrame();
  tByteArrayInfo info;
  if (!readBufferCommand(info, sf)) {
    return false;
  }
  switch (info.getCmdType()) {
    case ctInfoOnly: {
      // An unknown id answers with the dummy's description (id -1).
      tByteArrayInfo answer(*mAlgoParam.getByteArrayFromBufferId(info.getId()));
      return answer >> sf;
    }
    case ctDeleteAllBuffers:
    case ctCreateOnly:
      return false;
    default:
      return failBufferCommand("processingReceivedBAI", info);
  }
}

bool cAlgoDataSendKrvHandler::processingReceivedBA(cDataTransferDescriptor& d) {
  tByteArrayInfo info(d.getByteArrayInfo());
  if (!info.isTransferCmd()) {
    return failBufferCommand("processingReceivedBA", info);
  }
  const tByteArray* buffer = findWindowBuffer(mAlgoParam, info.getId());
  if (buffer == nullptr) {
    return false;
  }
  if (buffer->GetSize() < info.getSize()) {
    logDiag("processingReceivedBA: Buffer size does not match.");
    return false;
  }
  if (!info.prepareSfToSendByteArray(*buffer, d.getResceivedSubFrame())) {
    logDiag("processingReceivedBA: prepareSfToSendByteArray failed.");
    return false;
  }
  d = cDataTransferDescriptor(tByteArrayInfo(tByteArray::slModule, info.getCmdType(),
                                             info.getStartAddr(), info.getSize(),
                                             buffer->getVersionOfChanges(), buffer->getBufferId(),
                                             0, 8, btiDefault, "unknown", "unknown"));
  return true;
}

void cAlgoDataSendKrvHandler::setSendingDBlock(std::string name, unsigned size, piDBlock* block) {
  mSendingBlockName = std::move(name);
  mSendingBlockSize = size;
  mpSendingBlock = block;
}
