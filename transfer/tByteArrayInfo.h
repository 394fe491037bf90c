#ifndef T_BYTE_ARRAY_INFO_H
#define T_BYTE_ARRAY_INFO_H

#include <memory>
#include <string>

#include "cDTFrame.h"
#include "piDBlock.h"
#include "piSubFrame.h"
#include "tByteArray.h"

enum eCmdType : int {
  ctNo = 0,
  ctDeleteAllBuffers = 1,
  ctCreateOnly = 2,
  ctInfoOnly = 3,
  ctFullData = 4,
  ctPartData = 5,
  ctLastPartData = 6,
  ctMemoryMapInfo = 7,
  ctSerialNumberRecord = 8
};

enum eByteTypeInfo : int { btiDefault = 0 };

// Command record of a buffer operation between host and module; for a data
// transfer it names the window of the buffer that travels.
class tByteArrayInfo {
public:
  // The record the handlers fill from the host.
  tByteArrayInfo();
  // Start and size are given in units of org bits and stored in bytes.
  tByteArrayInfo(tByteArray::eSourceLocation loc, eCmdType cmd, unsigned start, unsigned sizeUnits,
                 unsigned version, int id, unsigned char fill, unsigned org, eByteTypeInfo byteType,
                 std::string name, std::string flags);
  // Description of a whole buffer (ctInfoOnly).
  explicit tByteArrayInfo(const tByteArray& buffer);
  // Copies start with empty windows; assignment keeps the target's windows.
  tByteArrayInfo(const tByteArrayInfo& other);
  tByteArrayInfo& operator=(const tByteArrayInfo& other);
  virtual ~tByteArrayInfo();

  // Windows are not compared.
  bool operator==(const tByteArrayInfo& other) const;
  bool operator!=(const tByteArrayInfo& other) const { return !(*this == other); }

  eCmdType getCmdType() const { return static_cast<eCmdType>(static_cast<int>(cmdType)); }
  unsigned getStartAddr() const { return startAddr; }
  unsigned getSize() const { return size; }
  unsigned getVersionOfChanges() const { return versionOfChanges; }
  int getId() const { return id; }
  unsigned char getFillByte() const { return fillByte; }
  tByteArray::eSourceLocation getSourceLocation() const {
    return static_cast<tByteArray::eSourceLocation>(static_cast<int>(sourceLocation));
  }
  unsigned getInitByteOrgInfo() const { return initByteOrgInfo; }
  eByteTypeInfo getByteTypeInfo() const {
    return static_cast<eByteTypeInfo>(static_cast<int>(byteTypeInfo));
  }
  std::string getName() const { return name; }
  std::string getFlags() const { return flags; }

  unsigned getTotalSize() const { return startAddr + size; }
  bool isTransferCmd() const;
  bool isTransferEnd() const;
  std::string CmdTypeToString() const;

  bool makeDTFrame(cDTFrame& frame);
  // Through a default temporary: unchanged on failure.
  bool operator<<(const piSubFrame& sf);
  bool operator>>(piSubFrame& sf);

  // Windows over buffer memory; they wrap the buffer's bytes, never copy them.
  bool prepareSfToReceiveByteArray(tByteArray& buffer, const piSubFrame& sf);
  bool prepareSfToSendByteArray(const tByteArray& buffer, piSubFrame& sf);
  bool makeDTFrameOfByteArrayForReceive(tByteArray& buffer, cDTFrame& frame);
  bool makeDTFrameOfByteArrayForSend(const tByteArray& buffer, cDTFrame& frame);
  // Window of size bytes from the buffer's start, whatever startAddr says.
  bool prepareSfToSendSerialNumber(const tByteArray& buffer, piSubFrame& sf);
  bool makeDTFrameOfSerialNumberForSend(const tByteArray& buffer, cDTFrame& frame);

private:
  friend class tByteArray;  // stamps its location and id into its memory map

  bool checkWindowRequest() const;
  bool checkWindowFits(const tByteArray& buffer, const char* tooSmallText) const;
  static void wrapWindow(std::unique_ptr<piDBlock>& window, const unsigned char* bytes, unsigned n,
                         cDTFrame& frame);

  // Enumerations are held in their 32-bit wire form.
  unsigned int sourceLocation;
  unsigned int cmdType;
  unsigned int startAddr;
  unsigned int size;
  unsigned int versionOfChanges;
  int id;
  unsigned char fillByte;
  unsigned int initByteOrgInfo;
  unsigned int byteTypeInfo;
  std::string name;
  std::string flags;
  std::unique_ptr<piDBlock> receiveWindow;
  std::unique_ptr<piDBlock> sendWindow;
};

#endif
