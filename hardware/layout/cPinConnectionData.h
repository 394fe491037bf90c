#ifndef C_PIN_CONNECTION_DATA_H
#define C_PIN_CONNECTION_DATA_H

#include <string>

#include "cDTFrame.h"

// Result of a pin continuity test: testable pins and pins found connected.
class cPinConnectionData {
public:
  cPinConnectionData(unsigned total, unsigned connected);
  cPinConnectionData(const cPinConnectionData& other);
  cPinConnectionData& operator=(const cPinConnectionData& other);
  virtual ~cPinConnectionData();

  bool operator==(const cPinConnectionData& other) const;
  bool operator!=(const cPinConnectionData& other) const { return !(*this == other); }

  unsigned getTotalPinNumber() const { return mTotalPinNumber; }
  unsigned getConnectedPinNumber() const { return mConnectedPinNumber; }
  // Neither verdict holds for a (0, 0) result.
  bool isDeviceConnected() const;
  bool isDeviceNotConnected() const;
  std::string toString() const;

  // Total, then connected.
  void makeDTFrame(cDTFrame& frame);

private:
  unsigned int mTotalPinNumber;
  unsigned int mConnectedPinNumber;
};

#endif
