#ifndef C_DATA_TRANSFER_DESCRIPTOR_H
#define C_DATA_TRANSFER_DESCRIPTOR_H

#include <memory>
#include <string>

#include "cCfgFileDeviceCpdConfigsHeader.h"
#include "cDTFrame.h"
#include "piSubFrame.h"
#include "tByteArrayInfo.h"

// Says what one data sub-frame of an exchange holds and the parameters of
// that transfer.
class cDataTransferDescriptor {
public:
  enum eDataType : unsigned int {
    dtNo = 0,
    dtAlgoParam = 1,
    dtByteArry = 2,
    dtCfgFileDeviceCpdConfigs = 3,
    dtByteArrayInfo = 4,
    dtAlgoKrv3UIData = 5,
    dtDeviceAlgPrm = 6,
    dtHdwParam = 7,
    dtCfgFileDeviceLayout = 8,
    dtpiDBlock = 9
  };

  cDataTransferDescriptor();
  // Names the data sub-frame this descriptor refers to.
  explicit cDataTransferDescriptor(piSubFrame& received);
  // The take-over constructors leave the holder empty; an empty holder
  // leaves the descriptor its own empty send sub-frame.
  cDataTransferDescriptor(eDataType type, std::unique_ptr<piSubFrame>& send);
  explicit cDataTransferDescriptor(const tByteArrayInfo& info);
  cDataTransferDescriptor(const tByteArrayInfo& info, std::unique_ptr<piSubFrame>& send);
  explicit cDataTransferDescriptor(const cCfgFileDeviceCpdConfigsHeader& header);
  cDataTransferDescriptor(const cCfgFileDeviceCpdConfigsHeader& header,
                          std::unique_ptr<piSubFrame>& send);
  explicit cDataTransferDescriptor(unsigned int pinDefs);
  cDataTransferDescriptor(unsigned int pinDefs, std::unique_ptr<piSubFrame>& send);
  cDataTransferDescriptor(std::string blockName, unsigned int blockSize,
                          std::unique_ptr<piSubFrame>& send);
  cDataTransferDescriptor(const cDataTransferDescriptor& other);
  // Keeps the target's own dummy sub-frame; takes the source's received one.
  cDataTransferDescriptor& operator=(const cDataTransferDescriptor& other);
  virtual ~cDataTransferDescriptor();

  // Every field but the data type back to its default.
  void init();

  eDataType getDataType() const { return static_cast<eDataType>(mDataType); }
  const tByteArrayInfo& getByteArrayInfo() const { return *mpByteArrayInfo; }
  const cCfgFileDeviceCpdConfigsHeader& getCfgFileDeviceCpdConfigsHeader() const {
    return *mpCpdConfigsHeader;
  }
  unsigned getPinConnectionLayoutData_sizePinDefs() const { return mPinDefs; }
  std::string getpiDBlockInfoName() const { return mBlockName; }
  unsigned getpiDBlockInfoSize() const { return mBlockSize; }
  piSubFrame& getSendSubFrame() { return *mpSendSubFrame; }
  // Never null: the empty dummy when no received sub-frame is set.
  piSubFrame& getResceivedSubFrame();

  std::string DataTypeToString() const;

  // 36 items: type, command record, configuration header, pin count, block name and size.
  bool makeDTFrame(cDTFrame& frame);

private:
  void takeSendSubFrame(std::unique_ptr<piSubFrame>& send);

  unsigned int mDataType;  // wire form: the host may send any value
  std::unique_ptr<tByteArrayInfo> mpByteArrayInfo;
  std::unique_ptr<cCfgFileDeviceCpdConfigsHeader> mpCpdConfigsHeader;
  std::unique_ptr<piSubFrame> mpSendSubFrame;
  std::unique_ptr<piSubFrame> mpDummyReceivedSubFrame;
  piSubFrame* mpReceivedSubFrame;
  unsigned int mPinDefs;
  std::string mBlockName;
  unsigned int mBlockSize;
};

#endif
