#ifndef MC_ALGO_BASE_H
#define MC_ALGO_BASE_H

#include "AbstractAlgoBase.h"

struct TAG_UI_ALGODATA_KRV3;

// Base of the chip algorithms: defaults that pass every preparation check,
// the job record, and message helpers that hold back repeats.
class mcAlgoBase : public AbstractAlgoBase {
public:
  // The job record stays the parameter set's.
  explicit mcAlgoBase(TAG_UI_ALGODATA_KRV3* uiData);
  ~mcAlgoBase() override;

  unsigned char Init() override;
  unsigned char Config() override;
  short CheckProcess() override;
  unsigned short GetEpMax() override;
  unsigned short GetEpNumber() override;
  unsigned short SetEpNumber(unsigned short number) override;
  void SetSinglNullMode() override;

  TAG_UI_ALGODATA_KRV3* getAlgoUIData() const { return pAlgoUIData; }

  // The user-interface object must be set before any of these is called.
  // Shown unless it repeats the message shown last by this overload.
  void ActionMessage(unsigned long no);
  void ActionMessage(unsigned long no, unsigned long p);
  // Shown unless number and value repeat those shown last by this overload.
  void ActionInfo(unsigned long no, float v);
  void ActionInfo(unsigned long no, unsigned long a, unsigned long b);

protected:
  unsigned int lastMsgNo;
  unsigned int lastInfoNo;
  float lastInfoValue;
  TAG_UI_ALGODATA_KRV3* pAlgoUIData;
};

#endif
