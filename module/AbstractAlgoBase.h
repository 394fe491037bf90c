#ifndef ABSTRACT_ALGO_BASE_H
#define ABSTRACT_ALGO_BASE_H

class AbstractAlgoUiInterface;

// The interface through which the provider drives a chip algorithm. Job
// operations return 0 on success and a negative value on failure.
class AbstractAlgoBase {
public:
  AbstractAlgoBase();
  virtual ~AbstractAlgoBase();

  // The user-interface object stays the provider's.
  virtual void setAlgoUI(AbstractAlgoUiInterface* ui);
  AbstractAlgoUiInterface* getAlgoUI() const { return pAlgoUi; }
  virtual unsigned char Init() = 0;
  virtual unsigned char Config() = 0;
  virtual short CheckProcess() = 0;
  virtual unsigned short GetEpMax() = 0;
  virtual unsigned short GetEpNumber() = 0;
  virtual unsigned short SetEpNumber(unsigned short number) = 0;
  virtual void SetSinglNullMode() = 0;
  virtual short Program() = 0;
  virtual short Verify() = 0;
  virtual short Read() = 0;
  virtual short BlankCheck() = 0;
  virtual short Erase() = 0;

protected:
  AbstractAlgoUiInterface* pAlgoUi;
};

#endif
