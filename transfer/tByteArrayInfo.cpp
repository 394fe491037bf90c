#include "tByteArrayInfo.h"

#include <cstdint>

#include "DiagnosticLog.h"
#include "frameIo.h"

namespace {

// The product is formed in 64 bits: wrapping it in 32 bits before the shift
// would turn byte counts of 512 MiB and more (org 8) into wrong, smaller ones.
unsigned unitsToBytes(unsigned units, unsigned org) {
  return static_cast<unsigned>((static_cast<std::uint64_t>(units) * org) >> 3);
}

}  // namespace

tByteArrayInfo::tByteArrayInfo()
    : tByteArrayInfo(tByteArray::slNone, ctNo, 0, 0, 0, -1, 0, 8, btiDefault, "unknown",
                     "unknown") {}

tByteArrayInfo::tByteArrayInfo(tByteArray::eSourceLocation loc, eCmdType cmd, unsigned start,
                               unsigned sizeUnits, unsigned version, int id_, unsigned char fill,
                               unsigned org, eByteTypeInfo byteType, std::string name_,
                               std::string flags_)
    : sourceLocation(static_cast<unsigned int>(loc)),
      cmdType(static_cast<unsigned int>(cmd)),
      startAddr(unitsToBytes(start, org)),
      size(unitsToBytes(sizeUnits, org)),
      versionOfChanges(version),
      id(id_),
      fillByte(fill),
      initByteOrgInfo(org),
      byteTypeInfo(static_cast<unsigned int>(byteType)),
      name(std::move(name_)),
      flags(std::move(flags_)) {}

tByteArrayInfo::tByteArrayInfo(const tByteArray& buffer)
    : tByteArrayInfo(buffer.getSourceLocation(), ctInfoOnly, 0, buffer.GetSize(),
                     buffer.getVersionOfChanges(), buffer.getBufferId(), 0, 8, btiDefault,
                     "unknown", "unknown") {}

tByteArrayInfo::tByteArrayInfo(const tByteArrayInfo& other)
    : sourceLocation(other.sourceLocation),
      cmdType(other.cmdType),
      startAddr(other.startAddr),
      size(other.size),
      versionOfChanges(other.versionOfChanges),
      id(other.id),
      fillByte(other.fillByte),
      initByteOrgInfo(other.initByteOrgInfo),
      byteTypeInfo(other.byteTypeInfo),
      name(other.name),
      flags(other.flags) {}

tByteArrayInfo& tByteArrayInfo::operator=(const tByteArrayInfo& other) {
  if (this == &other) {
    return *this;
  }
  sourceLocation = other.sourceLocation;
  cmdType = other.cmdType;
  startAddr = other.startAddr;
  size = other.size;
  versionOfChanges = other.versionOfChanges;
  id = other.id;
  fillByte = other.fillByte;
  initByteOrgInfo = other.initByteOrgInfo;
  byteTypeInfo = other.byteTypeInfo;
  name = other.name;
  flags = other.flags;
  return *this;
}

tByteArrayInfo::~tByteArrayInfo() {}

bool tByteArrayInfo::operator==(const tByteArrayInfo& other) const {
  if (this == &other) {
    return true;
  }
  return sourceLocation == other.sourceLocation && cmdType == other.cmdType &&
         startAddr == other.startAddr && size == other.size &&
         versionOfChanges == other.versionOfChanges && id == other.id &&
         fillByte == other.fillByte && initByteOrgInfo == other.initByteOrgInfo &&
         byteTypeInfo == other.byteTypeInfo && name == other.name && flags == other.flags;
}

bool tByteArrayInfo::isTransferCmd() const {
  switch (cmdType) {
    case ctFullData:
    case ctPartData:
    case ctLastPartData:
    case ctSerialNumberRecord:
      return true;
    default:
      return false;
  }
}

bool tByteArrayInfo::isTransferEnd() const { return isTransferCmd() && cmdType != ctPartData; }

std::string tByteArrayInfo::CmdTypeToString() const {
  switch (cmdType) {
    case ctNo:
      return "ctNo";
    case ctDeleteAllBuffers:
      return "ctDeleteAllBuffers";
    case ctCreateOnly:
      return "ctCreateOnly";
    case ctInfoOnly:
      return "ctInfoOnly";
    case ctFullData:
      return "ctFullData";
    case ctPartData:
      return "ctPartData";
    case ctLastPartData:
      return "ctLastPartData";
    case ctMemoryMapInfo:
      return "ctMemoryMapInfo";
    case ctSerialNumberRecord:
      return "ctSerialNumberRecord";
    default:
      return "Undefined";
  }
}

bool tByteArrayInfo::makeDTFrame(cDTFrame& frame) {
  frame.add(&cmdType, true);
  frame.add(&startAddr, true);
  frame.add(&size, true);
  frame.add(&versionOfChanges, true);
  frame.add(&id, true);
  frame.add(&fillByte, true);
  frame.add(&sourceLocation, true);
  frame.add(&initByteOrgInfo, true);
  frame.add(&byteTypeInfo, true);
  frame.add(&name, true);
  frame.add(&flags, true);
  return true;
}

bool tByteArrayInfo::operator<<(const piSubFrame& sf) {
  tByteArrayInfo temp;
  return receiveViaTemporary(temp, sf, [this](const tByteArrayInfo& t) { *this = t; });
}

bool tByteArrayInfo::operator>>(piSubFrame& sf) { return sendRecord(*this, sf); }

bool tByteArrayInfo::checkWindowRequest() const {
  if (sourceLocation == tByteArray::slNone) {
    logDiag("tByteArrayInfo: Error: Invalid source location to make DTFrame for ByteArray.");
    return false;
  }
  if (!isTransferCmd()) {
    logDiag("tByteArrayInfo: Error: Invalid CmdType to make DTFrame for ByteArray.");
    return false;
  }
  if (size == 0) {
    logDiag("tByteArrayInfo: Error: Invalid iSize for buffer DTFrame.");
    return false;
  }
  return true;
}

bool tByteArrayInfo::checkWindowFits(const tByteArray& buffer, const char* tooSmallText) const {
  // Summed in 64 bits: a window whose end wraps around 2^32 must not pass.
  // A buffer whose bytes were released has no room at all.
  const std::uint64_t end = static_cast<std::uint64_t>(startAddr) + size;
  if (buffer.getDataConst() == nullptr || end > buffer.GetSize()) {
    logDiag(tooSmallText);
    return false;
  }
  return true;
}

void tByteArrayInfo::wrapWindow(std::unique_ptr<piDBlock>& window, const unsigned char* bytes,
                                unsigned n, cDTFrame& frame) {
  // The block only wraps the buffer's bytes; a send window is only read from.
  window.reset(new piDBlock(reinterpret_cast<char*>(const_cast<unsigned char*>(bytes)), n,
                            piDBlock::muWrapForeign));
  frame.add(window.get(), true);
}

bool tByteArrayInfo::makeDTFrameOfByteArrayForReceive(tByteArray& buffer, cDTFrame& frame) {
  if (!checkWindowRequest() ||
      !checkWindowFits(buffer, "tByteArrayInfo: Error: Buffer too small to receive data.")) {
    return false;
  }
  wrapWindow(receiveWindow, buffer.getDataUnConst() + startAddr, size, frame);
  return true;
}

bool tByteArrayInfo::makeDTFrameOfByteArrayForSend(const tByteArray& buffer, cDTFrame& frame) {
  if (!checkWindowRequest() ||
      !checkWindowFits(buffer, "tByteArrayInfo: Error: Buffer too small to send data.")) {
    return false;
  }
  wrapWindow(sendWindow, buffer.getDataConst() + startAddr, size, frame);
  return true;
}

bool tByteArrayInfo::makeDTFrameOfSerialNumberForSend(const tByteArray& buffer, cDTFrame& frame) {
  if (!checkWindowRequest() || buffer.getDataConst() == nullptr || size > buffer.GetSize()) {
    return false;
  }
  wrapWindow(sendWindow, buffer.getDataConst(), size, frame);
  return true;
}

bool tByteArrayInfo::prepareSfToReceiveByteArray(tByteArray& buffer, const piSubFrame& sf) {
  cDTFrame frame;
  if (!makeDTFrameOfByteArrayForReceive(buffer, frame)) {
    return false;
  }
  if (!sf.storeToFrame(&frame)) {
    logDiag("tByteArrayInfo: Error: storeToFrame failed.");
    return false;
  }
  if (sourceLocation == tByteArray::slHost) {
    buffer.setBufferId(id);
    if (isTransferEnd()) {
      buffer.setVersionOfChanges(versionOfChanges);
    }
  }
  return true;
}

namespace {

template <class Make>
bool sendWindowFrame(piSubFrame& sf, Make make) {
  cDTFrame frame;
  if (!make(frame)) {
    return false;
  }
  sf.loadFromFrame(&frame);
  return true;
}

}  // namespace

bool tByteArrayInfo::prepareSfToSendByteArray(const tByteArray& buffer, piSubFrame& sf) {
  return sendWindowFrame(sf, [&](cDTFrame& f) { return makeDTFrameOfByteArrayForSend(buffer, f); });
}

bool tByteArrayInfo::prepareSfToSendSerialNumber(const tByteArray& buffer, piSubFrame& sf) {
  return sendWindowFrame(sf,
                         [&](cDTFrame& f) { return makeDTFrameOfSerialNumberForSend(buffer, f); });
}
