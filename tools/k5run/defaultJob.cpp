#include "defaultJob.h"

#include <string>

#include "cCfgFileDeviceCpdConfig.h"
#include "cCfgFileDeviceCpdPinData.h"
#include "cFpgaHdwImageCtrl.h"
#include "frameIo.h"
#include "piSubFrame.h"

namespace {

typedef cDevicePDxyData P;

// Pin-driver mode words (the pin-driver hardware's bits).
const unsigned int kModeNull = 0x000;
const unsigned int kModeComparator = 0xC01;  // comparator input, pull-down
const unsigned int kModeDriveHigh = 0xC51;   // driven high from VCP1
const unsigned int kModeLogic = 0xC41;       // logic line through the level shifter

const unsigned int kGroundPin = 8;
const unsigned int kSupplyPin = 1;

cCfgFileDeviceCpdConfig* configOf(const std::string& label, unsigned int supplyMode,
                                  unsigned int lineMode) {
  cCfgFileDeviceCpdConfig* config = new cCfgFileDeviceCpdConfig(0);
  config->getRefLabel() = label;
  for (const tSocketPin& pin : holtekSocketPins()) {
    unsigned int mode = lineMode;
    if (pin.devicePin == kSupplyPin) mode = supplyMode;
    if (pin.devicePin == kGroundPin) mode = kModeNull;
    config->addPinDef(
        new cCfgFileDeviceCpdPinData(pin.slot, pin.line, mode, pin.devicePin, pin.name));
  }
  return config;
}

cFpgaHdwImageCtrl image(const std::string& name, const std::string& kind, unsigned int seed) {
  std::vector<char> bytes(256);
  for (unsigned int i = 0; i < bytes.size(); ++i) {
    bytes[i] = static_cast<char>((i * 7u + seed) & 0xFFu);
  }
  piSubFrame sf;
  sf.addString(name);
  sf.addString(kind);
  sf.addBlock(bytes);
  sf.addUInt32(seed);
  cFpgaHdwImageCtrl result;
  receiveRecord(result, sf);
  return result;
}

}  // namespace

const std::vector<tSocketPin>& holtekSocketPins() {
  // An 8-pin package: pins 1-4 along one side of the socket, 5-8 along the other.
  static const std::vector<tSocketPin> pins = {
      {1, 0, P::trHigh, 1, "VDD"}, {1, 1, P::trHigh, 2, "PA6"},
      {1, 2, P::trHigh, 3, "PA5"}, {1, 3, P::trHigh, 4, "PA4"},
      {2, 0, P::trHigh, 5, "PA3"}, {2, 1, P::trHigh, 6, "PA2"},
      {2, 2, P::trHigh, 7, "PA0"}, {2, 3, P::trHighSideDriverPin, kGroundPin, "VSS"}};
  return pins;
}

cCfgFileDeviceLayout holtekLayout() {
  cCfgFileDeviceLayout layout(0);
  layout.sMethod() = "OneGndDiodeHigh";
  layout.sLabel() = "SOP8";
  layout.uiHighSideDriverVoltage() = 3300;
  layout.uiVComp() = 1200;
  layout.uiVls() = 2500;
  for (const tSocketPin& pin : holtekSocketPins()) {
    layout.addPinDefs(new cDevicePDxyData(pin.slot, pin.line, pin.rule, pin.devicePin, pin.name));
  }
  return layout;
}

cCfgFileDeviceCpdConfigs holtekPinDriverConfigs() {
  cCfgFileDeviceCpdConfigs configs;
  configs.addCpdConfig(configOf("SETUP", kModeDriveHigh, kModeLogic));
  // The supply pin is sensed by the comparator while Vcc is measured.
  configs.addCpdConfig(configOf("SETUPi", kModeComparator, kModeLogic));
  configs.addCpdConfig(configOf("SHUTDOWN", kModeNull, kModeNull));
  return configs;
}

cCfgFileDeviceCpdConfigs signalTestPinDriverConfigs() {
  cCfgFileDeviceCpdConfigs configs;
  configs.addCpdConfig(configOf("SETUP", kModeComparator, kModeComparator));
  configs.addCpdConfig(configOf("SHUTDOWN", kModeNull, kModeNull));
  return configs;
}

cKxHdwParam hardwareParams() {
  cKxHdwParam params(hptDefault);
  params.addFpgaHdwImageCtrl(image("k5pi.bit", "HDW", 0x11));
  params.addFpgaHdwImageCtrl(image("k5cont.bit", "HDW_CONTINUITY", 0x22));
  return params;
}
