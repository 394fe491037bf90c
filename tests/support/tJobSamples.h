#ifndef T_JOB_SAMPLES_H
#define T_JOB_SAMPLES_H

// Sample job content for exchange tests: a byte pattern and one filled
// record of each kind.

#include <string>
#include <vector>

#include "cCfgFileDeviceCpdConfigs.h"
#include "cCfgFileDeviceLayout.h"
#include "cKxHdwParam.h"
#include "cUiAlgoDataK3.h"
#include "jobParts.h"

namespace jobSamples {

inline std::vector<unsigned char> pattern(unsigned n, unsigned seed) {
  std::vector<unsigned char> v(n);
  for (unsigned i = 0; i < n; ++i) {
    v[i] = static_cast<unsigned char>((i * 31u + seed) ^ (i >> 8));
  }
  return v;
}

// "SETUP" with three pins on slot 1, "SHUTDOWN" with four on slot 2.
inline cCfgFileDeviceCpdConfigs sampleConfigs() {
  return pinDriverConfigs({"SETUP", "SHUTDOWN"}, [](const std::string& label) {
    const unsigned c = label == "SETUP" ? 0 : 1;
    std::vector<tCpdPin> pins;
    for (unsigned i = 0; i < 3 + c; ++i) {
      pins.push_back({c + 1, 17 + i, 3073 + i, 5 + i, "P" + std::to_string(i)});
    }
    return pins;
  });
}

inline cCfgFileDeviceLayout sampleLayout(unsigned pins) {
  std::vector<tLayoutPin> defs;
  for (unsigned i = 0; i < pins; ++i) {
    defs.push_back({1 + i % 2, 3 + i, cDevicePDxyData::trLow, i + 1, "PIN" + std::to_string(i)});
  }
  return sop8Layout(defs);
}

inline cKxHdwParam sampleHdwParam() {
  cKxHdwParam p = hardwareParamsWith({hdwImage("HDW", {1, 2, 3, 4, 5}, "pi.bit", 0xCAFE)});
  p.setErrorId(7);
  p.setCPDConfigMode("MODE");
  p.setKrvProgrammerHdwId(11);
  return p;
}

inline TAG_UI_ALGODATA_KRV3 sampleJobRecord() {
  TAG_UI_ALGODATA_KRV3 rec = *cUiAlgoDataK3().getUiAlgoDataK3Struct();
  rec.setStartAdr(0x10);
  rec.setEndAdr(0xFFFF);
  rec.setActionMode(3);
  rec.setEpMax(4);
  return rec;
}

}  // namespace jobSamples

#endif
