#ifndef T_CONTINUITY_BENCH_H
#define T_CONTINUITY_BENCH_H

// A device pin layout and the socket wiring that matches it, for tests of the
// pin continuity test.

#include <string>
#include <vector>

#include "cCfgFileDeviceLayout.h"
#include "cDevicePDxyData.h"
#include "cK5ContinuitySocket.h"

struct tBenchPin {
  unsigned int slot;  // PDx
  unsigned int line;  // PDy
  cDevicePDxyData::eTestRule rule;
  unsigned int devicePin;
};

// A chip of four pins on three slots: the driver pin and three pins that read
// high through the chip when it sits in the socket.
inline std::vector<tBenchPin> fourPinChip() {
  typedef cDevicePDxyData P;
  return {{1, 0, P::trHighSideDriverPin, 1},
          {1, 5, P::trHigh, 2},
          {2, 47, P::trHigh, 3},
          {3, 59, P::trHigh, 4}};
}

// The four-pin chip and one more pin.
inline std::vector<tBenchPin> fourPinChipAnd(const tBenchPin& extra) {
  std::vector<tBenchPin> pins = fourPinChip();
  pins.push_back(extra);
  return pins;
}

inline cCfgFileDeviceLayout benchLayout(const std::string& method,
                                        const std::vector<tBenchPin>& pins) {
  cCfgFileDeviceLayout layout(0);
  layout.sMethod() = method;
  layout.sLabel() = "bench";
  for (const tBenchPin& pin : pins) {
    layout.addPinDefs(new cDevicePDxyData(pin.slot, pin.line, pin.rule, pin.devicePin,
                                          "P" + std::to_string(pin.devicePin)));
  }
  return layout;
}

// Each pin's driver line gets a contact to its device pin.
inline void wireSocket(cK5ContinuitySocket& socket, const std::vector<tBenchPin>& pins) {
  for (const tBenchPin& pin : pins) socket.connect(pin.slot, pin.line, pin.devicePin);
}

#endif
