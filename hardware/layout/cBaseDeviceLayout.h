#ifndef C_BASE_DEVICE_LAYOUT_H
#define C_BASE_DEVICE_LAYOUT_H

#include <memory>
#include <string>
#include <vector>

#include "cDevicePDxyData.h"
#include "cPinConnectionData.h"

// The device pin layout the continuity test works on: pins, the supply levels
// of the test, the counts it needs and the last result.
class cBaseDeviceLayout {
public:
  static constexpr unsigned kMaxPDSlot = 6;

  cBaseDeviceLayout();
  virtual ~cBaseDeviceLayout();
  virtual bool defineLayout() = 0;
  virtual std::string getConnectionTestMethod() = 0;

  void clear();
  // As a new layout: no pins, every count 0, a (0, 0) result. A layout that
  // takes received content starts from here, as the constructor does.
  void startAsNew();
  // Rebuilds the pins and counts for a test; false when nothing is testable.
  bool init();

  unsigned& uiHighSideDriverVoltage() { return mHighSideDriverVoltage; }
  unsigned& uiVComp() { return mVComp; }
  unsigned& uiVls() { return mVls; }

  // 0 when the largest slot is beyond the pin-driver slots.
  unsigned getPDMaxSlot() const;
  unsigned getSize() const { return static_cast<unsigned>(mPins.size()); }
  unsigned getTotalPinNumber() const { return mTotalPinNumber; }
  unsigned getHighSideDriverPinCount() const { return mHighSideDriverPinCount; }
  cDevicePDxyData* getDevicePDxyData(unsigned i) const;
  cDevicePDxyData* getHighSideDriverPin();
  void getHighSideDriverPins(std::vector<cDevicePDxyData*>& pins);

  bool acquirePDMaxSlot();
  bool acquireTotalPinNumber();
  unsigned acquireConnectionResult();
  // Valid until the next getPinConnectionResult, clear or init.
  cPinConnectionData& getPinConnectionResult();

protected:
  // Takes ownership.
  void addPin(cDevicePDxyData* pin);

  unsigned int mHighSideDriverVoltage;
  unsigned int mVComp;
  unsigned int mVls;

private:
  cBaseDeviceLayout(const cBaseDeviceLayout&) = delete;
  cBaseDeviceLayout& operator=(const cBaseDeviceLayout&) = delete;

  std::vector<cDevicePDxyData*> mPins;
  unsigned int mPDMaxSlot;
  unsigned int mTotalPinNumber;
  unsigned int mHighSideDriverPinCount;
  std::unique_ptr<cPinConnectionData> mpResult;
};

#endif
