#include "mcAlgoBase.h"

#include <limits>

#include "AbstractAlgoUiInterface.h"

mcAlgoBase::mcAlgoBase(TAG_UI_ALGODATA_KRV3* uiData)
    : lastMsgNo(0),
      lastInfoNo(0),
      // NaN equals no value, so the first ActionInfo is always shown.
      lastInfoValue(std::numeric_limits<float>::quiet_NaN()),
      pAlgoUIData(uiData) {}

mcAlgoBase::~mcAlgoBase() {}

unsigned char mcAlgoBase::Init() { return 1; }
unsigned char mcAlgoBase::Config() { return 1; }
short mcAlgoBase::CheckProcess() { return 0; }
unsigned short mcAlgoBase::GetEpMax() { return 1; }
unsigned short mcAlgoBase::GetEpNumber() { return 1; }
unsigned short mcAlgoBase::SetEpNumber(unsigned short) { return 0; }
void mcAlgoBase::SetSinglNullMode() {}

void mcAlgoBase::ActionMessage(unsigned long no) {
  if (static_cast<unsigned int>(no) == lastMsgNo) {
    return;
  }
  pAlgoUi->K4ShowMessage(static_cast<int>(no));
  lastMsgNo = static_cast<unsigned int>(no);
}

void mcAlgoBase::ActionMessage(unsigned long no, unsigned long p) {
  pAlgoUi->K4ShowMessageSiS(static_cast<int>(no), static_cast<int>(p));
}

void mcAlgoBase::ActionInfo(unsigned long no, float v) {
  if (static_cast<unsigned int>(no) == lastInfoNo && v == lastInfoValue) {
    return;
  }
  pAlgoUi->K4ShowMessage(static_cast<int>(no), v);
  lastInfoNo = static_cast<unsigned int>(no);
  lastInfoValue = v;
}

void mcAlgoBase::ActionInfo(unsigned long no, unsigned long a, unsigned long b) {
  pAlgoUi->K4ShowMessage(static_cast<int>(no), static_cast<long>(a), static_cast<long>(b));
}
