#include "defaultJob.h"

#include <string>

#include "jobParts.h"

namespace {

typedef cDevicePDxyData P;

// Pin-driver mode words (the pin-driver hardware's bits).
const unsigned int kModeNull = 0x000;
const unsigned int kModeComparator = 0xC01;  // comparator input, pull-down
const unsigned int kModeDriveHigh = 0xC51;   // driven high from VCP1
const unsigned int kModeLogic = 0xC41;       // logic line through the level shifter

const unsigned int kGroundPin = 8;
const unsigned int kSupplyPin = 1;

// The chip's pins: the supply pin in supplyMode, the ground pin in none, the
// other lines in lineMode.
std::vector<tCpdPin> pinsIn(unsigned int supplyMode, unsigned int lineMode) {
  std::vector<tCpdPin> pins;
  for (const tSocketPin& pin : holtekSocketPins()) {
    unsigned int mode = lineMode;
    if (pin.devicePin == kSupplyPin) mode = supplyMode;
    if (pin.devicePin == kGroundPin) mode = kModeNull;
    pins.push_back({pin.slot, pin.line, mode, pin.devicePin, pin.name});
  }
  return pins;
}

// 256 bytes that differ from image to image.
cFpgaHdwImageCtrl image(const std::string& name, const std::string& kind, unsigned int seed) {
  std::vector<char> bytes(256);
  for (unsigned int i = 0; i < bytes.size(); ++i) {
    bytes[i] = static_cast<char>((i * 7u + seed) & 0xFFu);
  }
  return hdwImage(kind, bytes, name, seed);
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
  std::vector<tLayoutPin> pins;
  for (const tSocketPin& pin : holtekSocketPins()) {
    pins.push_back({pin.slot, pin.line, pin.rule, pin.devicePin, pin.name});
  }
  return sop8Layout(pins);
}

cCfgFileDeviceCpdConfigs holtekPinDriverConfigs() {
  return pinDriverConfigs(holtekConfigLabels(), [](const std::string& label) {
    // The supply pin is sensed by the comparator while Vcc is measured.
    if (label == "SETUP") return pinsIn(kModeDriveHigh, kModeLogic);
    if (label == "SETUPi") return pinsIn(kModeComparator, kModeLogic);
    return pinsIn(kModeNull, kModeNull);
  });
}

cCfgFileDeviceCpdConfigs signalTestPinDriverConfigs() {
  return pinDriverConfigs({"SETUP", "SHUTDOWN"}, [](const std::string& label) {
    return label == "SETUP" ? pinsIn(kModeComparator, kModeComparator)
                            : pinsIn(kModeNull, kModeNull);
  });
}

cKxHdwParam hardwareParams() {
  return hardwareParamsWith(
      {image("k5pi.bit", "HDW", 0x11), image("k5cont.bit", "HDW_CONTINUITY", 0x22)});
}
