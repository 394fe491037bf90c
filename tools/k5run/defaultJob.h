#ifndef DEFAULT_JOB_H
#define DEFAULT_JOB_H

// The parts of a job that the runner embeds rather than takes from the user:
// the pin layout of its simulated 8-pin Holtek chip (and the socket contacts
// that match it), the named pin-driver configurations and the FPGA images.

#include <vector>

#include "cCfgFileDeviceCpdConfigs.h"
#include "cCfgFileDeviceLayout.h"
#include "cDevicePDxyData.h"
#include "cKxHdwParam.h"

// One chip pin in the socket: the driver line it sits on and its continuity rule.
struct tSocketPin {
  unsigned int slot;  // pin-driver slot (PDx)
  unsigned int line;  // driver line (PDy)
  cDevicePDxyData::eTestRule rule;
  unsigned int devicePin;
  const char* name;
};

// The chip's pins; the ground pin is the one the continuity test drives.
const std::vector<tSocketPin>& holtekSocketPins();

// The layout over those pins, method "OneGndDiodeHigh".
cCfgFileDeviceLayout holtekLayout();

// "SETUP" (fixed Vcc), "SETUPi" (measured Vcc) and "SHUTDOWN".
cCfgFileDeviceCpdConfigs holtekPinDriverConfigs();

// "SETUP" and "SHUTDOWN" for the socket signal test.
cCfgFileDeviceCpdConfigs signalTestPinDriverConfigs();

// One image of kind "HDW" and one of kind "HDW_CONTINUITY".
cKxHdwParam hardwareParams();

#endif
