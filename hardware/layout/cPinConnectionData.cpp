#include "cPinConnectionData.h"

#include "DiagnosticLog.h"

cPinConnectionData::cPinConnectionData(unsigned total, unsigned connected)
    : mTotalPinNumber(total), mConnectedPinNumber(connected) {}

cPinConnectionData::cPinConnectionData(const cPinConnectionData& other) = default;

cPinConnectionData& cPinConnectionData::operator=(const cPinConnectionData& other) {
  mTotalPinNumber = other.mTotalPinNumber;
  mConnectedPinNumber = other.mConnectedPinNumber;
  return *this;
}

cPinConnectionData::~cPinConnectionData() {}

bool cPinConnectionData::operator==(const cPinConnectionData& other) const {
  return mTotalPinNumber == other.mTotalPinNumber &&
         mConnectedPinNumber == other.mConnectedPinNumber;
}

bool cPinConnectionData::isDeviceConnected() const {
  if (mTotalPinNumber == 0 && mConnectedPinNumber == 0) {
    return false;
  }
  return mTotalPinNumber == mConnectedPinNumber;
}

bool cPinConnectionData::isDeviceNotConnected() const {
  if (mTotalPinNumber == 0 && mConnectedPinNumber == 0) {
    return false;
  }
  if (mTotalPinNumber == 0) {
    logDiag("Total Pin Number == \"0\". Error in connection test");
    return false;
  }
  return mConnectedPinNumber == 0;
}

std::string cPinConnectionData::toString() const {
  return "Total = " + std::to_string(mTotalPinNumber) + ", " +
         "Connected = " + std::to_string(mConnectedPinNumber);
}

void cPinConnectionData::makeDTFrame(cDTFrame& frame) {
  frame.add(&mTotalPinNumber, true);
  frame.add(&mConnectedPinNumber, true);
}
