#ifndef DATA_EXCHANGE_STEPS_H
#define DATA_EXCHANGE_STEPS_H

#include <functional>
#include <string>

#include "cAlgoParam.h"
#include "cDataTransferDescriptors.h"
#include "piSubFrame.h"
#include "tByteArrayInfo.h"

// Pieces shared by the receive and the send handler of a data exchange.

enum class eExchangeSide { Receive, Send };

using tDescriptorStep =
    std::function<bool(unsigned slot, cDataTransferDescriptor& d, piSubFrame& sf)>;

// Runs the step for each of the eight slots in order; stops at the first failure.
bool walkDescriptorSlots(cDataTransferDescriptors& set, const tDescriptorStep& step);

// Logs a failed walk; passes the result through.
bool reportDescriptorWalk(bool ok);

// The two lines per slot: data type and data sub-frame size.
void logSlotLines(const std::string& prefix, unsigned slot, const piSubFrame& sf,
                  const std::string& typeName);

// The steps that differ between the sides; the plain records (parameter set,
// job record, device configuration, hardware parameters) move the same way on
// both and need none.
struct tSideSteps {
  std::function<bool()> byteArray;      // dtByteArry
  std::function<bool()> cpdConfigs;     // dtCfgFileDeviceCpdConfigs
  std::function<bool()> bufferCommand;  // dtByteArrayInfo
  std::function<bool()> layout;         // dtCfgFileDeviceLayout
  std::function<bool()> dBlock;         // dtpiDBlock
};

// One slot by its data type; a type outside the table fails with its line.
bool dispatchDataType(cAlgoParam& ap, unsigned slot, const cDataTransferDescriptor& d,
                      piSubFrame& sf, eExchangeSide side, const tSideSteps& steps);

// A command record read from sf over the defaults; logs its command on success.
bool readBufferCommand(tByteArrayInfo& info, const piSubFrame& sf);

// "<where>: Failed to process ByteArrayInfo CmdType: <name>"; false.
bool failBufferCommand(const char* where, const tByteArrayInfo& info);

// The buffer that really carries the id, or null after "<where>: Buffer Id
// does not match.". The parameter set's dummy never takes part in a window.
tByteArray* findWindowBuffer(cAlgoParam& ap, int id, const char* where = "processingReceivedBA");

// False (with a line) when a descriptor asks to shape more pin definitions than
// the data sub-frame could hold, so a bad count cannot exhaust memory.
bool pinDefsFitSubFrame(unsigned long long pinDefs, const piSubFrame& sf, unsigned slot);

#endif
