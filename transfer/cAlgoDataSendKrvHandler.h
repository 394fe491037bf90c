#ifndef C_ALGO_DATA_SEND_KRV_HANDLER_H
#define C_ALGO_DATA_SEND_KRV_HANDLER_H

#include <string>

#include "cAlgoParam.h"
#include "cDataTransferDescriptors.h"
#include "piDBlock.h"
#include "piSubFrame.h"

// Carries one module-to-host exchange: the descriptors in sub-frame 0 say
// which records and buffer windows go into sub-frames 1 to 8. After a
// successful exchange sub-frame 0 holds the answered descriptors.
class cAlgoDataSendKrvHandler {
public:
  cAlgoDataSendKrvHandler(cAlgoParam& ap, piSubFrame& sf0, piSubFrame& sf1, piSubFrame& sf2,
                          piSubFrame& sf3, piSubFrame& sf4, piSubFrame& sf5, piSubFrame& sf6,
                          piSubFrame& sf7, piSubFrame& sf8);
  virtual ~cAlgoDataSendKrvHandler();

  bool processingReceivedData();
  bool processingReceivedDTDs(cDataTransferDescriptors& set);
  bool processingReceivedBAI(cDataTransferDescriptor& d);
  bool processingReceivedBA(cDataTransferDescriptor& d);

  // The block stays the caller's and must outlive the exchange.
  void setSendingDBlock(std::string name, unsigned size, piDBlock* block);

private:
  cAlgoDataSendKrvHandler(const cAlgoDataSendKrvHandler&) = delete;
  cAlgoDataSendKrvHandler& operator=(const cAlgoDataSendKrvHandler&) = delete;

  bool sendSlot(unsigned slot, cDataTransferDescriptor& d, piSubFrame& sf);
  bool sendDBlock(cDataTransferDescriptor& d, piSubFrame& sf);

  cAlgoParam& mAlgoParam;
  piSubFrame& mDescriptorSubFrame;
  cDataTransferDescriptors mDescriptors;
  std::string mSendingBlockName;
  unsigned int mSendingBlockSize;
  piDBlock* mpSendingBlock;
};

#endif
