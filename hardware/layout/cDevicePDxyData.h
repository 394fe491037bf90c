#ifndef C_DEVICE_PDXY_DATA_H
#define C_DEVICE_PDXY_DATA_H

#include <string>

#include "cDTFrame.h"

// One device pin of the layout: its pin-driver slot and line, what the
// continuity test must read on it, and what it read.
class cDevicePDxyData {
public:
  enum eTestRule : int {
    trHighSideDriverPin = 0,
    trLow = 1,
    trHigh = 2,
    trDontCare = 3,
    trLowSideDriverPin = 4
  };
  enum eConnectionResult : int { crLow = 0, crHigh = 1, crNotSet = 2 };

  cDevicePDxyData();
  cDevicePDxyData(unsigned PDx, unsigned PDy, eTestRule rule, unsigned devicePin, std::string name);
  // The pin number given as text.
  cDevicePDxyData(unsigned PDx, unsigned PDy, eTestRule rule, std::string devicePinNum,
                  std::string name);
  cDevicePDxyData(const cDevicePDxyData& other);
  cDevicePDxyData& operator=(const cDevicePDxyData& other);
  virtual ~cDevicePDxyData();

  bool operator==(const cDevicePDxyData& other) const;
  bool operator!=(const cDevicePDxyData& other) const { return !(*this == other); }

  unsigned getPDx() const { return mPDx; }
  unsigned getPDy() const { return mPDy; }
  eTestRule getTestRule() const { return static_cast<eTestRule>(mTestRule); }
  unsigned getDevicePin() const { return mDevicePin; }
  bool usePinNumString() const { return mUsePinNumString; }
  std::string getDevicePinNum() const { return mDevicePinNum; }
  std::string getDevicePinName() const { return mDevicePinName; }
  eConnectionResult getConnectionResult() const {
    return static_cast<eConnectionResult>(mConnectionResult);
  }

  void setbResult(unsigned char b) { mConnectionResult = b ? crHigh : crLow; }
  // True when the level read is the one the rule asks for.
  bool getTestResult() const;

  // Rule, result, PDx, PDy, pin number, pin name.
  bool makeDTFrame(cDTFrame& frame);

  std::string toString() const;
  static std::string toStringTR(eTestRule rule);
  static std::string toStringCR(eConnectionResult result);

private:
  unsigned int mPDx;
  unsigned int mPDy;
  int mTestRule;  // held in its wire form, as are the result
  unsigned int mDevicePin;
  std::string mDevicePinNum;
  std::string mDevicePinName;
  int mConnectionResult;
  bool mUsePinNumString;
};

#endif
