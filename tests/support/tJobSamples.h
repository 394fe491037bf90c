#ifndef T_JOB_SAMPLES_H
#define T_JOB_SAMPLES_H

// Sample job content for exchange tests: a byte pattern and one filled
// record of each kind.

#include <string>
#include <vector>

#include "cCfgFileDeviceCpdConfigs.h"
#include "cCfgFileDeviceLayout.h"
#include "cFpgaHdwImageCtrl.h"
#include "cKxHdwParam.h"
#include "cUiAlgoDataK3.h"
#include "frameIo.h"
#include "piSubFrame.h"

namespace jobSamples {

inline std::vector<unsigned char> pattern(unsigned n, unsigned seed) {
  std::vector<unsigned char> v(n);
  for (unsigned i = 0; i < n; ++i) {
    v[i] = static_cast<unsigned char>((i * 31u + seed) ^ (i >> 8));
  }
  return v;
}

inline cCfgFileDeviceCpdConfigs sampleConfigs() {
  cCfgFileDeviceCpdConfigs set;
  const char* labels[] = {"SETUP", "SHUTDOWN"};
  for (unsigned c = 0; c < 2; ++c) {
    cCfgFileDeviceCpdConfig* config = new cCfgFileDeviceCpdConfig(0);
    config->getRefLabel() = labels[c];
    for (unsigned i = 0; i < 3 + c; ++i) {
      config->addPinDef(new cCfgFileDeviceCpdPinData(c + 1, 17 + i, 3073 + i, 5 + i,
                                                     "P" + std::to_string(i)));
    }
    set.addCpdConfig(config);
  }
  return set;
}

inline cCfgFileDeviceLayout sampleLayout(unsigned pins) {
  cCfgFileDeviceLayout layout(0);
  layout.sMethod() = "OneGndDiodeHigh";
  layout.sLabel() = "SOP8";
  layout.uiHighSideDriverVoltage() = 3300;
  layout.uiVComp() = 1200;
  layout.uiVls() = 2500;
  for (unsigned i = 0; i < pins; ++i) {
    layout.addPinDefs(new cDevicePDxyData(1 + i % 2, 3 + i, cDevicePDxyData::trLow, i + 1,
                                          "PIN" + std::to_string(i)));
  }
  return layout;
}

inline cKxHdwParam sampleHdwParam() {
  cKxHdwParam p(hptDefault);
  cFpgaHdwImageCtrl image;
  piSubFrame imageSf;
  imageSf.addString("pi.bit");
  imageSf.addString("HDW");
  imageSf.addBlock(std::vector<char>{1, 2, 3, 4, 5});
  imageSf.addUInt32(0xCAFE);
  receiveRecord(image, imageSf);
  p.addFpgaHdwImageCtrl(image);
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
