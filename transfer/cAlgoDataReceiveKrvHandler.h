#ifndef C_ALGO_DATA_RECEIVE_KRV_HANDLER_H
#define C_ALGO_DATA_RECEIVE_KRV_HANDLER_H

#include <memory>
#include <string>
#include <vector>

#include "cAlgoParam.h"
#include "cDataTransferDescriptors.h"
#include "piDBlock.h"
#include "piSubFrame.h"

// Carries one host-to-module exchange into the parameter set: sub-frame 0
// holds the descriptors, sub-frames 1 to 8 the data they name. Writes no
// sub-frame.
class cAlgoDataReceiveKrvHandler {
public:
  cAlgoDataReceiveKrvHandler(cAlgoParam& ap, piSubFrame& sf0, piSubFrame& sf1, piSubFrame& sf2,
                             piSubFrame& sf3, piSubFrame& sf4, piSubFrame& sf5, piSubFrame& sf6,
                             piSubFrame& sf7, piSubFrame& sf8);
  virtual ~cAlgoDataReceiveKrvHandler();

  // The whole exchange; stops at the first failing slot, earlier slots keep their effect.
  bool processingReceivedData();
  bool processingReceivedDTDs(cDataTransferDescriptors& set);
  bool processingReceivedBAI(cDataTransferDescriptor& d);
  bool processingReceivedBA(cDataTransferDescriptor& d);

  // Null / empty past the received blocks.
  piDBlock* getReceivedDBlock(unsigned i) const;
  std::string getReceivedDBlockName(unsigned i) const;

private:
  cAlgoDataReceiveKrvHandler(const cAlgoDataReceiveKrvHandler&) = delete;
  cAlgoDataReceiveKrvHandler& operator=(const cAlgoDataReceiveKrvHandler&) = delete;

  bool receiveSlot(unsigned slot, cDataTransferDescriptor& d, piSubFrame& sf);
  bool receiveCpdConfigs(unsigned slot, cDataTransferDescriptor& d, piSubFrame& sf);
  bool receiveLayout(unsigned slot, cDataTransferDescriptor& d, piSubFrame& sf);
  bool receiveDBlock(unsigned slot, cDataTransferDescriptor& d, piSubFrame& sf);

  cAlgoParam& mAlgoParam;
  piSubFrame& mDescriptorSubFrame;
  cDataTransferDescriptors mDescriptors;
  std::vector<std::unique_ptr<piDBlock>> mReceivedBlocks;
  std::vector<std::string> mReceivedBlockNames;
};

#endif
