#ifndef JOB_PARTS_H
#define JOB_PARTS_H

// Records of a job that tests and tools build alike: pin-driver
// configurations, a device layout, FPGA image records and a job record that
// lets actions run.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "cCfgFileDeviceCpdConfig.h"
#include "cCfgFileDeviceCpdConfigs.h"
#include "cCfgFileDeviceLayout.h"
#include "cDevicePDxyData.h"
#include "cFpgaHdwImageCtrl.h"
#include "cKxHdwParam.h"
#include "cUiAlgoDataK3.h"

// One pin of a pin-driver configuration.
struct tCpdPin {
  unsigned int slot;   // pin-driver slot (PDx)
  unsigned int line;   // driver line (PDy)
  unsigned int value;  // the line's mode word
  unsigned int devicePin;
  std::string name;
};

// A configuration under the label over the pins; a configuration set that
// takes it (addCpdConfig) owns it.
cCfgFileDeviceCpdConfig* pinDriverConfig(const std::string& label,
                                         const std::vector<tCpdPin>& pins);

// Configurations under the labels, in that order, each over the pins that
// pinsOf gives for its label.
cCfgFileDeviceCpdConfigs pinDriverConfigs(
    const std::vector<std::string>& labels,
    const std::function<std::vector<tCpdPin>(const std::string& label)>& pinsOf);

// The labels of a Holtek job's configurations: "SETUP" (Vcc fixed), "SETUPi"
// (Vcc measured) and "SHUTDOWN".
const std::vector<std::string>& holtekConfigLabels();

// One pin of a device layout.
struct tLayoutPin {
  unsigned int slot;  // pin-driver slot (PDx)
  unsigned int line;  // driver line (PDy)
  cDevicePDxyData::eTestRule rule;
  unsigned int devicePin;
  std::string name;
};

// A package "SOP8" that the continuity test checks with "OneGndDiodeHigh":
// the high-side driver at 3.3 V, VCOMP 1.2 V, VLS 2.5 V, over the pins.
cCfgFileDeviceLayout sop8Layout(const std::vector<tLayoutPin>& pins);

// An FPGA image record as the host sends it: its kind ("HDW",
// "HDW_CONTINUITY"), its bytes, the image file's name (the kind + ".bin" when
// empty) and a check value.
cFpgaHdwImageCtrl hdwImage(const std::string& kind, const std::vector<char>& bytes,
                           const std::string& file = "", std::uint32_t check = 0);

// Default hardware parameters holding the images.
cKxHdwParam hardwareParamsWith(const std::vector<cFpgaHdwImageCtrl>& images);

// A job record over the range that lets every action run: ActionMode 0 (no
// action refused), ErrorInfoMode 3 (an error code of the algorithm fails the
// action).
TAG_UI_ALGODATA_KRV3 runnableJobRecord(std::uint32_t start, std::uint32_t end);

#endif
