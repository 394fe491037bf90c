#ifndef JOB_BUILDER_H
#define JOB_BUILDER_H

// Host-side builder of data exchanges (the jobbuilder library): tests and
// tools such as a command-line runner build jobs with it.
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
// Note for every job that later runs a chip action: the default job record
// (cUiAlgoDataK3's default) has ActionMode 1, which refuses every chip action,
// so send a job record with the action mode the test needs; and a parameter
// set whose UI-timer value has 0 in its low 16 bits fails every action, so
// give parameterSet a timer value with non-zero low bits.

#include <string>
#include <utility>
#include <vector>

#include "cCfgFileDeviceCpdConfigs.h"
#include "cCfgFileDeviceCpdConfigsHeader.h"
#include "cCfgFileDeviceLayout.h"
#include "cDataTransferDescriptor.h"
#include "cDataTransferDescriptors.h"
#include "cDeviceParam.h"
#include "cKxHdwParam.h"
#include "cUiAlgoDataK3.h"
#include "piSubFrame.h"
#include "tByteArray.h"
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

  JobBuilder& deleteAllBuffers();
  JobBuilder& createBuffer(int id, unsigned size, unsigned char fill);
  // Any command record, carried as a record of its own.
  JobBuilder& bufferCommand(const tByteArrayInfo& info);
  // One window: the record in the descriptor, the bytes as one block.
  JobBuilder& window(eCmdType cmd, int id, unsigned start, const unsigned char* bytes, unsigned n,
                     unsigned version, tByteArray::eSourceLocation loc = tByteArray::slHost);
  JobBuilder& wholeBuffer(int id, const std::vector<unsigned char>& bytes, unsigned version);
  // ctPartData windows and a closing ctLastPartData; the last part takes the rest.
  JobBuilder& bufferInParts(int id, const std::vector<unsigned char>& bytes, unsigned parts,
                            unsigned version);
  JobBuilder& parameterSet(unsigned char continuityTest, unsigned uiTimer,
                           const std::string& cfgPath, const std::string& action);
  JobBuilder& jobRecord(const TAG_UI_ALGODATA_KRV3& rec);
  JobBuilder& deviceConfig(const cDeviceParam& prm);
  JobBuilder& hardwareParams(const cKxHdwParam& prm);
  // The configuration header travels in the descriptor.
  JobBuilder& pinDriverConfigs(const cCfgFileDeviceCpdConfigs& configs);
  // The pin-definition count travels in the descriptor.
  JobBuilder& layout(const cCfgFileDeviceLayout& layout);
  JobBuilder& dataBlock(const std::string& name, const std::vector<char>& bytes);
  // Any descriptor with any data sub-frame, also malformed ones.
  JobBuilder& item(const cDataTransferDescriptor& d, const piSubFrame& data);

  // --- Send requests (module to host) ---

  JobBuilder& fetchWindow(eCmdType cmd, int id, unsigned start, unsigned size);
  // Answered with the buffer's description (the dummy's, id -1, for an unknown id).
  JobBuilder& fetchInfo(int id);
  // A record of the parameter set: dtAlgoParam, dtCfgFileDeviceCpdConfigs,
  // dtAlgoKrv3UIData, dtDeviceAlgPrm, dtHdwParam or dtCfgFileDeviceLayout.
  JobBuilder& fetch(eDataType type);
  JobBuilder& fetchBlock(const std::string& name, unsigned size);

  // --- Output ---

  // Eight items per exchange, in the order they were added.
  std::vector<tExchange> exchanges() const;
  // The only exchange; the builder must hold at most eight items.
  tExchange exchange() const;

  // A command record as a host builds it: start and size in bytes, exactly as
  // given (no unit conversion), names "unknown".
  static tByteArrayInfo command(eCmdType cmd, int id, unsigned start, unsigned size,
                                unsigned version = 0, unsigned char fill = 0,
                                tByteArray::eSourceLocation loc = tByteArray::slHost);
  // A descriptor of any data type (also one outside the table) with defaults.
  static cDataTransferDescriptor typed(unsigned type);

private:
  // Sends the record through its own operator>>; callers pass a copy.
  template <class R>
  JobBuilder& recordItem(eDataType type, R&& record);

  std::vector<std::pair<cDataTransferDescriptor, piSubFrame>> mItems;
};

// --- Reading answers (host side) ---

// The descriptor set a send answered in sub-frame 0.
bool readDescriptors(const piSubFrame& sf0, cDataTransferDescriptors& set);
// The bytes of a window answer; false when the sub-frame holds no single block.
bool readWindow(const piSubFrame& sf, std::vector<unsigned char>& bytes);
// Configurations shaped by the answered header.
bool readPinDriverConfigs(const cCfgFileDeviceCpdConfigsHeader& header, const piSubFrame& sf,
                          cCfgFileDeviceCpdConfigs& configs);
// A layout shaped by the answered pin-definition count.
bool readLayout(unsigned pinDefs, const piSubFrame& sf, cCfgFileDeviceLayout& layout);

#endif
