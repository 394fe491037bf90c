#include "AlgoBaseStdBuf.h"

#include "cUiAlgoDataK3.h"

AlgoBaseStdBuf::AlgoBaseStdBuf(TAG_UI_ALGODATA_KRV3* uiData) : pAlgoUIData(uiData) {}

AlgoBaseStdBuf::~AlgoBaseStdBuf() {}

unsigned char* AlgoBaseStdBuf::dataBuffer() const {
  // The record's own 32 address bits are never turned back into a pointer.
  return pAlgoUIData != nullptr ? pAlgoUIData->getDataBuffer() : nullptr;
}

short AlgoBaseStdBuf::Program() { return static_cast<short>(ProgramBuf(dataBuffer())); }
short AlgoBaseStdBuf::Verify() { return static_cast<short>(VerifyBuf(dataBuffer())); }
short AlgoBaseStdBuf::Read() { return static_cast<short>(ReadBuf(dataBuffer())); }
