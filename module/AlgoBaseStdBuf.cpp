#include "AlgoBaseStdBuf.h"

#include <cstdint>

#include "cUiAlgoDataK3.h"

AlgoBaseStdBuf::AlgoBaseStdBuf(TAG_UI_ALGODATA_KRV3* uiData, const cUiAlgoDataK3* holder)
    : pAlgoUIData(uiData), pHolder(holder) {}

AlgoBaseStdBuf::~AlgoBaseStdBuf() {}

unsigned char* AlgoBaseStdBuf::dataBuffer() const {
  if (pAlgoUIData == nullptr) {
    return nullptr;
  }
  // The record holds only 32 address bits; where pointers are wider, the
  // holder knows the full address and checks it against the record.
  if (pHolder != nullptr && pHolder->getUiAlgoDataK3Struct() == pAlgoUIData) {
    return pHolder->getDataBufferAddress();
  }
  if (sizeof(std::uintptr_t) <= sizeof(std::uint32_t)) {
    return reinterpret_cast<unsigned char*>(
        static_cast<std::uintptr_t>(pAlgoUIData->getDataBufferLow32()));
  }
  return nullptr;
}

short AlgoBaseStdBuf::Program() { return static_cast<short>(ProgramBuf(dataBuffer())); }
short AlgoBaseStdBuf::Verify() { return static_cast<short>(VerifyBuf(dataBuffer())); }
short AlgoBaseStdBuf::Read() { return static_cast<short>(ReadBuf(dataBuffer())); }
