#include "cDataTransferDescriptor.h"

#include "DiagnosticLog.h"
#include "frameIo.h"

namespace {

const char* const kDataTypeNames[] = {"dtNo",
                                      "dtAlgoParam",
                                      "dtByteArry",
                                      "dtCfgFileDeviceCpdConfigs",
                                      "dtByteArrayInfo",
                                      "dtAlgoKrv3UIData",
                                      "dtDeviceAlgPrm",
                                      "dtHdwParam",
                                      "dtCfgFileDeviceLayout",
                                      "dtpiDBlock"};

}  // namespace

cDataTransferDescriptor::cDataTransferDescriptor() : mDataType(dtNo) { init(); }

cDataTransferDescriptor::cDataTransferDescriptor(piSubFrame& received) : mDataType(dtNo) {
  init();
  mpReceivedSubFrame = &received;
}

cDataTransferDescriptor::cDataTransferDescriptor(eDataType type, std::unique_ptr<piSubFrame>& send)
    : mDataType(type) {
  init();
  takeSendSubFrame(send);
}

cDataTransferDescriptor::cDataTransferDescriptor(const tByteArrayInfo& info)
    : mDataType(dtByteArry) {
  init();
  *mpByteArrayInfo = info;
}

cDataTransferDescriptor::cDataTransferDescriptor(const tByteArrayInfo& info,
                                                 std::unique_ptr<piSubFrame>& send)
    : cDataTransferDescriptor(info) {
  takeSendSubFrame(send);
}

cDataTransferDescriptor::cDataTransferDescriptor(const cCfgFileDeviceCpdConfigsHeader& header)
    : mDataType(dtCfgFileDeviceCpdConfigs) {
  init();
  *mpCpdConfigsHeader = header;
}

cDataTransferDescriptor::cDataTransferDescriptor(const cCfgFileDeviceCpdConfigsHeader& header,
                                                 std::unique_ptr<piSubFrame>& send)
    : cDataTransferDescriptor(header) {
  takeSendSubFrame(send);
}

cDataTransferDescriptor::cDataTransferDescriptor(unsigned int pinDefs)
    : mDataType(dtCfgFileDeviceLayout) {
  init();
  mPinDefs = pinDefs;
}

cDataTransferDescriptor::cDataTransferDescriptor(unsigned int pinDefs,
                                                 std::unique_ptr<piSubFrame>& send)
    : cDataTransferDescriptor(pinDefs) {
  takeSendSubFrame(send);
}

cDataTransferDescriptor::cDataTransferDescriptor(std::string blockName, unsigned int blockSize,
                                                 std::unique_ptr<piSubFrame>& send)
    : mDataType(dtpiDBlock) {
  init();
  mBlockName = std::move(blockName);
  mBlockSize = blockSize;
  takeSendSubFrame(send);
}

cDataTransferDescriptor::cDataTransferDescriptor(const cDataTransferDescriptor& other)
    : mDataType(other.mDataType) {
  init();
  *this = other;
}

cDataTransferDescriptor& cDataTransferDescriptor::operator=(const cDataTransferDescriptor& other) {
  if (this == &other) {
    return *this;
  }
  mDataType = other.mDataType;
  *mpByteArrayInfo = *other.mpByteArrayInfo;
  *mpCpdConfigsHeader = *other.mpCpdConfigsHeader;
  mPinDefs = other.mPinDefs;
  mBlockName = other.mBlockName;
  mBlockSize = other.mBlockSize;
  *mpSendSubFrame = *other.mpSendSubFrame;
  mpReceivedSubFrame = other.mpReceivedSubFrame;
  return *this;
}

cDataTransferDescriptor::~cDataTransferDescriptor() {}

void cDataTransferDescriptor::init() {
  mpByteArrayInfo.reset(new tByteArrayInfo());
  mpCpdConfigsHeader.reset(new cCfgFileDeviceCpdConfigsHeader());
  mpSendSubFrame.reset(new piSubFrame());
  mpDummyReceivedSubFrame.reset(new piSubFrame());
  mpReceivedSubFrame = nullptr;
  mPinDefs = 0;
  mBlockName.clear();
  mBlockSize = 0;
}

void cDataTransferDescriptor::takeSendSubFrame(std::unique_ptr<piSubFrame>& send) {
  if (send) {
    mpSendSubFrame = std::move(send);
  }
}

piSubFrame& cDataTransferDescriptor::getResceivedSubFrame() {
  if (mpReceivedSubFrame != nullptr) {
    return *mpReceivedSubFrame;
  }
  logDiag("cDataTransferDescriptor::getResceivedSubFrame: returns DummyReceivedSubFrame.");
  return *mpDummyReceivedSubFrame;
}

std::string cDataTransferDescriptor::DataTypeToString() const {
  if (mDataType < sizeof(kDataTypeNames) / sizeof(kDataTypeNames[0])) {
    return kDataTypeNames[mDataType];
  }
  return "Undefined";
}

bool cDataTransferDescriptor::makeDTFrame(cDTFrame& frame) {
  frame.add(&mDataType, true);
  if (!listRecord(*mpByteArrayInfo, frame) || !listRecord(*mpCpdConfigsHeader, frame)) {
    return false;
  }
  frame.add(&mPinDefs, true);
  frame.add(&mBlockName, true);
  frame.add(&mBlockSize, true);
  return true;
}
