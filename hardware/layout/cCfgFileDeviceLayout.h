#ifndef C_CFG_FILE_DEVICE_LAYOUT_H
#define C_CFG_FILE_DEVICE_LAYOUT_H

#include <string>
#include <vector>

#include "cBaseDeviceLayout.h"
#include "cDTFrame.h"
#include "piSubFrame.h"

// The pin layout as the host sends it: test method, label, voltages and pin
// definitions. The test's pins are copies of the definitions.
class cCfgFileDeviceLayout : public cBaseDeviceLayout {
public:
  // n placeholder pin definitions for a record about to be received.
  explicit cCfgFileDeviceLayout(unsigned n);
  cCfgFileDeviceLayout(const cCfgFileDeviceLayout& other);
  cCfgFileDeviceLayout& operator=(const cCfgFileDeviceLayout& other);
  ~cCfgFileDeviceLayout() override;

  // Compares what travels; the test's pins, counts and result are not compared.
  bool operator==(const cCfgFileDeviceLayout& other) const;
  bool operator!=(const cCfgFileDeviceLayout& other) const { return !(*this == other); }

  void clearPinDefs();
  // Takes ownership.
  void addPinDefs(cDevicePDxyData* pinDef);
  unsigned sizePinDefs() const { return static_cast<unsigned>(mPinDefs.size()); }
  cDevicePDxyData* getPinDef(unsigned i) const;
  std::string& sMethod() { return msMethod; }
  std::string& sLabel() { return msLabel; }

  bool defineLayout() override;
  std::string getConnectionTestMethod() override { return msMethod; }

  bool makeDTFrame(cDTFrame& frame);
  // Fills in place; may stay partly filled on failure.
  bool operator<<(const piSubFrame& sf);
  bool operator>>(piSubFrame& sf);

private:
  std::string msMethod;
  std::string msLabel;
  std::vector<cDevicePDxyData*> mPinDefs;
};

#endif
