#include "cDevicePDxyData.h"

cDevicePDxyData::cDevicePDxyData() : cDevicePDxyData(0, 0, trDontCare, 0u, "UNKNOWN") {}

cDevicePDxyData::cDevicePDxyData(unsigned PDx, unsigned PDy, eTestRule rule, unsigned devicePin,
                                 std::string name)
    : mPDx(PDx),
      mPDy(PDy),
      mTestRule(rule),
      mDevicePin(devicePin),
      mDevicePinNum("UNKNOWN"),
      mDevicePinName(std::move(name)),
      mConnectionResult(crNotSet),
      mUsePinNumString(false) {}

cDevicePDxyData::cDevicePDxyData(unsigned PDx, unsigned PDy, eTestRule rule,
                                 std::string devicePinNum, std::string name)
    : mPDx(PDx),
      mPDy(PDy),
      mTestRule(rule),
      mDevicePin(0),
      mDevicePinNum(std::move(devicePinNum)),
      mDevicePinName(std::move(name)),
      mConnectionResult(crNotSet),
      mUsePinNumString(true) {}

cDevicePDxyData::cDevicePDxyData(const cDevicePDxyData& other) = default;

cDevicePDxyData& cDevicePDxyData::operator=(const cDevicePDxyData& other) {
  if (this != &other) {
    mPDx = other.mPDx;
    mPDy = other.mPDy;
    mTestRule = other.mTestRule;
    mDevicePin = other.mDevicePin;
    mDevicePinNum = other.mDevicePinNum;
    mDevicePinName = other.mDevicePinName;
    mConnectionResult = other.mConnectionResult;
    mUsePinNumString = other.mUsePinNumString;
  }
  return *this;
}

cDevicePDxyData::~cDevicePDxyData() {}

bool cDevicePDxyData::operator==(const cDevicePDxyData& other) const {
  if (this == &other) {
    return true;
  }
  return mTestRule == other.mTestRule && mPDx == other.mPDx && mPDy == other.mPDy &&
         mDevicePin == other.mDevicePin && mDevicePinNum == other.mDevicePinNum &&
         mUsePinNumString == other.mUsePinNumString && mDevicePinName == other.mDevicePinName &&
         mConnectionResult == other.mConnectionResult;
}

bool cDevicePDxyData::getTestResult() const {
  return (mConnectionResult == crHigh && mTestRule == trHigh) ||
         (mConnectionResult == crLow && mTestRule == trLow) ||
         (mConnectionResult == crHigh && mTestRule == trHighSideDriverPin);
}

bool cDevicePDxyData::makeDTFrame(cDTFrame& frame) {
  frame.add(&mTestRule, true);
  frame.add(&mConnectionResult, true);
  frame.add(&mPDx, true);
  frame.add(&mPDy, true);
  frame.add(&mDevicePin, true);
  frame.add(&mDevicePinName, true);
  return true;
}

std::string cDevicePDxyData::toString() const {
  return "DevicePin(" + std::to_string(mPDx) + "," + std::to_string(mPDy) + "," +
         toStringTR(getTestRule()) + "," + std::to_string(mDevicePin) + "," + mDevicePinName +
         ") = " + toStringCR(getConnectionResult());
}

std::string cDevicePDxyData::toStringTR(eTestRule rule) {
  switch (rule) {
    case trHighSideDriverPin:
      return "trHighSideDriverPin";
    case trLow:
      return "trLow";
    case trHigh:
      return "trHigh";
    case trDontCare:
      return "trDontCare";
    case trLowSideDriverPin:
      return "trLowSideDriverPin";
  }
  return "";
}

std::string cDevicePDxyData::toStringCR(eConnectionResult result) {
  switch (result) {
    case crLow:
      return "0";
    case crHigh:
      return "1";
    case crNotSet:
      return "crNotSet";
  }
  return "";
}
