#include "jobParts.h"

#include "cCfgFileDeviceCpdPinData.h"
#include "frameIo.h"
#include "piSubFrame.h"

cCfgFileDeviceCpdConfig* pinDriverConfig(const std::string& label,
                                         const std::vector<tCpdPin>& pins) {
  cCfgFileDeviceCpdConfig* config = new cCfgFileDeviceCpdConfig(0);
  config->getRefLabel() = label;
  for (const tCpdPin& pin : pins) {
    config->addPinDef(
        new cCfgFileDeviceCpdPinData(pin.slot, pin.line, pin.value, pin.devicePin, pin.name));
  }
  return config;
}

cCfgFileDeviceCpdConfigs pinDriverConfigs(
    const std::vector<std::string>& labels,
    const std::function<std::vector<tCpdPin>(const std::string& label)>& pinsOf) {
  cCfgFileDeviceCpdConfigs configs;
  for (const std::string& label : labels) {
    configs.addCpdConfig(pinDriverConfig(label, pinsOf(label)));
  }
  return configs;
}

const std::vector<std::string>& holtekConfigLabels() {
  static const std::vector<std::string> labels = {"SETUP", "SETUPi", "SHUTDOWN"};
  return labels;
}

cCfgFileDeviceLayout sop8Layout(const std::vector<tLayoutPin>& pins) {
  cCfgFileDeviceLayout layout(0);
  layout.sMethod() = "OneGndDiodeHigh";
  layout.sLabel() = "SOP8";
  layout.uiHighSideDriverVoltage() = 3300;
  layout.uiVComp() = 1200;
  layout.uiVls() = 2500;
  for (const tLayoutPin& pin : pins) {
    layout.addPinDefs(new cDevicePDxyData(pin.slot, pin.line, pin.rule, pin.devicePin, pin.name));
  }
  return layout;
}

cFpgaHdwImageCtrl hdwImage(const std::string& kind, const std::vector<char>& bytes,
                           const std::string& file, std::uint32_t check) {
  piSubFrame sf;
  sf.addString(file.empty() ? kind + ".bin" : file);
  sf.addString(kind);
  sf.addBlock(bytes);
  sf.addUInt32(check);
  cFpgaHdwImageCtrl image;
  receiveRecord(image, sf);
  return image;
}

cKxHdwParam hardwareParamsWith(const std::vector<cFpgaHdwImageCtrl>& images) {
  cKxHdwParam params(hptDefault);
  for (const cFpgaHdwImageCtrl& image : images) params.addFpgaHdwImageCtrl(image);
  return params;
}

TAG_UI_ALGODATA_KRV3 runnableJobRecord(std::uint32_t start, std::uint32_t end) {
  TAG_UI_ALGODATA_KRV3 record = *cUiAlgoDataK3().getUiAlgoDataK3Struct();
  record.setStartAdr(start);
  record.setEndAdr(end);
  record.setActionMode(0);
  record.setErrorInfoMode(3);
  return record;
}
