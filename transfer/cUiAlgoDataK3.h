#ifndef C_UI_ALGO_DATA_K3_H
#define C_UI_ALGO_DATA_K3_H

#include <cstdint>
#include <memory>

#include "cDTFrame.h"
#include "littleEndian.h"
#include "piDBlock.h"
#include "piSubFrame.h"

class tByteArray;

// The packed 142-byte job record shared with the host. Fields are little-endian
// at unaligned offsets and are read and written byte by byte.
struct TAG_UI_ALGODATA_KRV3 {
  static constexpr unsigned kSize = 142;

  // Offsets of the named fields.
  static constexpr unsigned ofsStartAdr = 12;          // u32
  static constexpr unsigned ofsEndAdr = 16;            // u32
  static constexpr unsigned ofsDataBuffer = 28;        // u32, pDataBuffer (low 32 address bits)
  static constexpr unsigned ofsDataBufferSize = 32;    // u32
  static constexpr unsigned ofsInitArgB = 36;          // i32
  static constexpr unsigned ofsHostMode46 = 46;        // u16
  static constexpr unsigned ofsActionMode = 48;        // u16
  static constexpr unsigned ofsErrorInfoMode = 52;     // u32
  static constexpr unsigned ofsActionFailed = 56;      // u32
  static constexpr unsigned ofsActionFailCode = 60;    // u32
  static constexpr unsigned ofsHdwCheckFailed = 64;    // u32
  static constexpr unsigned ofsHdwCheckFailCode = 68;  // u32
  static constexpr unsigned ofsErrorAreaBegin = 80;
  static constexpr unsigned ofsErrorAdr = 80;          // u32
  static constexpr unsigned ofsErrorExpected = 84;     // u32
  static constexpr unsigned ofsErrorRead = 88;         // u32
  static constexpr unsigned ofsErrorCode = 96;         // u16
  static constexpr unsigned ofsErrorClass = 98;        // u16
  static constexpr unsigned ofsErrorAreaEnd = 110;     // one past the error area
  static constexpr unsigned ofsInitArgA = 110;         // i16
  static constexpr unsigned ofsCheckProcessRet = 122;  // i16
  static constexpr unsigned ofsEpMax = 124;            // u16
  static constexpr unsigned ofsEpNumber = 126;         // u16
  // Five host u32 fields from byte 4 on (StartAdr and EndAdr among them).
  static constexpr unsigned ofsHostWordsBegin = 4;
  static constexpr unsigned ofsHostWordsEnd = 24;

  unsigned char raw[kSize];

  std::uint32_t getStartAdr() const { return loadLeU32(raw, ofsStartAdr); }
  void setStartAdr(std::uint32_t v) { storeLeU32(raw, ofsStartAdr, v); }
  std::uint32_t getEndAdr() const { return loadLeU32(raw, ofsEndAdr); }
  void setEndAdr(std::uint32_t v) { storeLeU32(raw, ofsEndAdr, v); }
  // Only the low 32 bits of the address, as the host sees them; never to be
  // turned back into a pointer. Algorithms use getDataBuffer.
  std::uint32_t getDataBufferLow32() const { return loadLeU32(raw, ofsDataBuffer); }
  // Full address of the bytes of the buffer this record was last pointed at
  // by its holder, or null when the record has no holder, was never pointed at
  // a buffer, or has been replaced or changed since, or the buffer is gone.
  unsigned char* getDataBuffer() const;
  std::uint32_t getDataBufferSize() const { return loadLeU32(raw, ofsDataBufferSize); }
  std::uint16_t getActionMode() const { return loadLeU16(raw, ofsActionMode); }
  void setActionMode(std::uint16_t v) { storeLeU16(raw, ofsActionMode, v); }
  std::uint32_t getErrorInfoMode() const { return loadLeU32(raw, ofsErrorInfoMode); }
  void setErrorInfoMode(std::uint32_t v) { storeLeU32(raw, ofsErrorInfoMode, v); }
  std::uint32_t getActionFailed() const { return loadLeU32(raw, ofsActionFailed); }
  void setActionFailed(std::uint32_t v) { storeLeU32(raw, ofsActionFailed, v); }
  std::uint32_t getActionFailCode() const { return loadLeU32(raw, ofsActionFailCode); }
  void setActionFailCode(std::uint32_t v) { storeLeU32(raw, ofsActionFailCode, v); }
  std::uint32_t getHdwCheckFailed() const { return loadLeU32(raw, ofsHdwCheckFailed); }
  void setHdwCheckFailed(std::uint32_t v) { storeLeU32(raw, ofsHdwCheckFailed, v); }
  std::uint32_t getHdwCheckFailCode() const { return loadLeU32(raw, ofsHdwCheckFailCode); }
  void setHdwCheckFailCode(std::uint32_t v) { storeLeU32(raw, ofsHdwCheckFailCode, v); }
  std::uint32_t getErrorAdr() const { return loadLeU32(raw, ofsErrorAdr); }
  void setErrorAdr(std::uint32_t v) { storeLeU32(raw, ofsErrorAdr, v); }
  std::uint32_t getErrorExpected() const { return loadLeU32(raw, ofsErrorExpected); }
  void setErrorExpected(std::uint32_t v) { storeLeU32(raw, ofsErrorExpected, v); }
  std::uint32_t getErrorRead() const { return loadLeU32(raw, ofsErrorRead); }
  void setErrorRead(std::uint32_t v) { storeLeU32(raw, ofsErrorRead, v); }
  std::uint16_t getErrorCode() const { return loadLeU16(raw, ofsErrorCode); }
  void setErrorCode(std::uint16_t v) { storeLeU16(raw, ofsErrorCode, v); }
  std::uint16_t getErrorClass() const { return loadLeU16(raw, ofsErrorClass); }
  void setErrorClass(std::uint16_t v) { storeLeU16(raw, ofsErrorClass, v); }
  std::int16_t getCheckProcessRet() const {
    return static_cast<std::int16_t>(loadLeU16(raw, ofsCheckProcessRet));
  }
  void setCheckProcessRet(std::int16_t v) {
    storeLeU16(raw, ofsCheckProcessRet, static_cast<std::uint16_t>(v));
  }
  std::uint16_t getEpMax() const { return loadLeU16(raw, ofsEpMax); }
  void setEpMax(std::uint16_t v) { storeLeU16(raw, ofsEpMax, v); }
  std::uint16_t getEpNumber() const { return loadLeU16(raw, ofsEpNumber); }
  void setEpNumber(std::uint16_t v) { storeLeU16(raw, ofsEpNumber, v); }
};

static_assert(sizeof(TAG_UI_ALGODATA_KRV3) == TAG_UI_ALGODATA_KRV3::kSize,
              "the job record is exactly 142 bytes");

// Holder of the job record. The record never moves while the holder lives;
// the algorithms keep its address.
class cUiAlgoDataK3 {
public:
  cUiAlgoDataK3();
  explicit cUiAlgoDataK3(const TAG_UI_ALGODATA_KRV3& rec);
  cUiAlgoDataK3(const cUiAlgoDataK3& other);
  cUiAlgoDataK3& operator=(const cUiAlgoDataK3& other);
  virtual ~cUiAlgoDataK3();

  void init(short a, int b);
  void ClearK3ErrorInfo();
  // Points the record at the buffer's bytes; readOnly 0 (a read action) counts
  // one change of the buffer.
  void prepareForAlgoAction(tByteArray& buffer, unsigned char readOnly);
  // Full address of the buffer the record was last pointed at, or null when
  // the record has been replaced or changed since. The record itself has room
  // for only 32 address bits.
  unsigned char* getDataBufferAddress() const;
  // The same for a record known only by its address (what the algorithms
  // hold); null for a record that no live holder owns.
  static unsigned char* getDataBufferOf(const TAG_UI_ALGODATA_KRV3* rec);
  // The buffer last pointed at is about to be freed.
  void forgetDataBuffer() { mpDataBuffer = nullptr; }

  TAG_UI_ALGODATA_KRV3* getUiAlgoDataK3Struct() const { return mpRecord.get(); }
  void setAlgoKrv3UIDataStruct(const TAG_UI_ALGODATA_KRV3& rec);

  bool makeDTFrame(cDTFrame& frame);
  // Through a default temporary: unchanged on failure.
  bool operator<<(const piSubFrame& sf);
  bool operator>>(piSubFrame& sf);

private:
  std::unique_ptr<TAG_UI_ALGODATA_KRV3> mpRecord;
  std::unique_ptr<piDBlock> mpFrameBlock;
  unsigned char* mpDataBuffer;
};

#endif
