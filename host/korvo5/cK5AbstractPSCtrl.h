#ifndef C_K5_ABSTRACT_PS_CTRL_H
#define C_K5_ABSTRACT_PS_CTRL_H

#include "ePSChannel.h"

// Host supply control. Any call may throw a std::string.
class cK5AbstractPSCtrl {
public:
  virtual ~cK5AbstractPSCtrl();
  virtual bool switchOffSupplies();
  virtual bool setSupplyVoltage(ePSChannel channel, unsigned int mV);
  virtual bool readSupplyVoltages(unsigned int& v0, unsigned int& v1, unsigned int& v2,
                                  unsigned int& v3, unsigned int& v4, unsigned int& v5,
                                  unsigned int& v6);
};

#endif
