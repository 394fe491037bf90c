#ifndef ALGO_BASE_STD_BUF_H
#define ALGO_BASE_STD_BUF_H

#include "AbstractAlgoBase.h"

struct TAG_UI_ALGODATA_KRV3;
class cUiAlgoDataK3;

// Adapter for algorithms that program, verify and read straight from buffer
// 0: the three job operations hand its data pointer to ProgramBuf, VerifyBuf
// and ReadBuf.
class AlgoBaseStdBuf : public AbstractAlgoBase {
public:
  // The job record (and its holder, when given) stay the parameter set's.
  explicit AlgoBaseStdBuf(TAG_UI_ALGODATA_KRV3* uiData, const cUiAlgoDataK3* holder = nullptr);
  ~AlgoBaseStdBuf() override;

  short Program() override;
  short Verify() override;
  short Read() override;

  virtual short ProgramBuf(unsigned char* data) = 0;
  virtual short VerifyBuf(unsigned char* data) = 0;
  virtual short ReadBuf(unsigned char* data) = 0;

  TAG_UI_ALGODATA_KRV3* getAlgoUIData() const { return pAlgoUIData; }

protected:
  // Buffer 0's data as the job record names it; null when the record's 32
  // address bits cannot name it.
  unsigned char* dataBuffer() const;

  TAG_UI_ALGODATA_KRV3* pAlgoUIData;
  const cUiAlgoDataK3* pHolder;
};

#endif
