#include "cUiAlgoDataK3.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "frameIo.h"
#include "tByteArray.h"

unsigned char* TAG_UI_ALGODATA_KRV3::getDataBuffer() const {
  return cUiAlgoDataK3::getDataBufferOf(this);
}

namespace {

// Every live holder, so that an algorithm holding only the record's address
// can reach the full buffer address its holder keeps. The module runs every
// slot in the host's one calling thread.
std::vector<const cUiAlgoDataK3*>& liveHolders() {
  static std::vector<const cUiAlgoDataK3*> holders;
  return holders;
}

}  // namespace

cUiAlgoDataK3::cUiAlgoDataK3() : mpRecord(new TAG_UI_ALGODATA_KRV3), mpDataBuffer(nullptr) {
  liveHolders().push_back(this);
  init(-1, 0);
}

cUiAlgoDataK3::cUiAlgoDataK3(const TAG_UI_ALGODATA_KRV3& rec)
    : mpRecord(new TAG_UI_ALGODATA_KRV3(rec)), mpDataBuffer(nullptr) {
  liveHolders().push_back(this);
}

cUiAlgoDataK3::cUiAlgoDataK3(const cUiAlgoDataK3& other)
    : mpRecord(new TAG_UI_ALGODATA_KRV3(*other.mpRecord)), mpDataBuffer(nullptr) {
  liveHolders().push_back(this);
}

cUiAlgoDataK3& cUiAlgoDataK3::operator=(const cUiAlgoDataK3& other) {
  setAlgoKrv3UIDataStruct(*other.mpRecord);
  return *this;
}

cUiAlgoDataK3::~cUiAlgoDataK3() {
  std::vector<const cUiAlgoDataK3*>& holders = liveHolders();
  holders.erase(std::remove(holders.begin(), holders.end(), this), holders.end());
}

void cUiAlgoDataK3::init(short a, int b) {
  TAG_UI_ALGODATA_KRV3& r = *mpRecord;
  std::memset(r.raw, 0, sizeof r.raw);
  for (unsigned ofs = r.ofsHostWordsBegin; ofs < r.ofsHostWordsEnd; ofs += 4) {
    storeLeU32(r.raw, ofs, 0xFFFFFFFFu);
  }
  storeLeU16(r.raw, r.ofsHostMode46, 1);
  r.setActionMode(1);
  r.setErrorInfoMode(2);
  storeLeU16(r.raw, r.ofsInitArgA, static_cast<std::uint16_t>(a));
  storeLeU32(r.raw, r.ofsInitArgB, static_cast<std::uint32_t>(b));
  ClearK3ErrorInfo();
  mpDataBuffer = nullptr;
}

void cUiAlgoDataK3::ClearK3ErrorInfo() {
  std::memset(mpRecord->raw + TAG_UI_ALGODATA_KRV3::ofsErrorAreaBegin, 0,
              TAG_UI_ALGODATA_KRV3::ofsErrorAreaEnd - TAG_UI_ALGODATA_KRV3::ofsErrorAreaBegin);
}

void cUiAlgoDataK3::prepareForAlgoAction(tByteArray& buffer, unsigned char readOnly) {
  unsigned char* data = readOnly ? const_cast<unsigned char*>(buffer.getConstDataForLegacyAlgos())
                                 : buffer.getUnConstDataForLegacyAlgos();
  storeLeU32(mpRecord->raw, TAG_UI_ALGODATA_KRV3::ofsDataBufferSize, buffer.GetSize());
  // The host sees the low 32 bits; the module keeps the whole address beside.
  storeLeU32(mpRecord->raw, TAG_UI_ALGODATA_KRV3::ofsDataBuffer,
             static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(data)));
  mpDataBuffer = data;
}

unsigned char* cUiAlgoDataK3::getDataBufferAddress() const {
  const std::uint32_t low =
      static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(mpDataBuffer));
  return (mpDataBuffer != nullptr && low == mpRecord->getDataBufferLow32()) ? mpDataBuffer
                                                                            : nullptr;
}

unsigned char* cUiAlgoDataK3::getDataBufferOf(const TAG_UI_ALGODATA_KRV3* rec) {
  for (const cUiAlgoDataK3* holder : liveHolders()) {
    if (holder->mpRecord.get() == rec) {
      return holder->getDataBufferAddress();
    }
  }
  return nullptr;
}

void cUiAlgoDataK3::setAlgoKrv3UIDataStruct(const TAG_UI_ALGODATA_KRV3& rec) {
  if (&rec == mpRecord.get()) {
    return;
  }
  *mpRecord = rec;
  // A record from elsewhere names no buffer of ours.
  mpDataBuffer = nullptr;
}

bool cUiAlgoDataK3::makeDTFrame(cDTFrame& frame) {
  mpFrameBlock.reset(new piDBlock(reinterpret_cast<char*>(mpRecord->raw),
                                  TAG_UI_ALGODATA_KRV3::kSize, piDBlock::muWrapForeign));
  frame.add(mpFrameBlock.get(), true);
  return true;
}

bool cUiAlgoDataK3::operator<<(const piSubFrame& sf) {
  cUiAlgoDataK3 temp;
  return receiveViaTemporary(
      temp, sf, [this](const cUiAlgoDataK3& t) { setAlgoKrv3UIDataStruct(*t.mpRecord); });
}

bool cUiAlgoDataK3::operator>>(piSubFrame& sf) { return sendRecord(*this, sf); }
