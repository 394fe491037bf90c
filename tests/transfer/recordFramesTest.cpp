// Item order and types of every transferable record, and send-then-receive
// round trips that must give an equal object.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "cAlgoParam.h"
#include "cCfgFileDeviceCpdConfigs.h"
#include "cCfgFileDeviceLayout.h"
#include "cDeviceParam.h"
#include "cKxHdwParam.h"
#include "cPinConnectionData.h"
#include "cUiAlgoDataK3.h"
#include "frameIo.h"
#include "recordFrameTestUtil.h"
#include "tByteArrayInfo.h"

namespace {

const ePiItemType U = pitUInt32;
const ePiItemType I = pitInt32;
const ePiItemType B = pitUInt8;
const ePiItemType S = pitString;
const ePiItemType D = pitBlock;

cCfgFileDeviceCpdConfig* makeConfig(const std::string& label, unsigned settings, unsigned seed) {
  cCfgFileDeviceCpdConfig* c = new cCfgFileDeviceCpdConfig(0);
  c->getRefLabel() = label;
  for (unsigned i = 0; i < settings; ++i) {
    c->addPinDef(new cCfgFileDeviceCpdPinData(seed + i, 17 + i, 3073 + i, 5 + i,
                                              "P" + std::to_string(seed + i)));
  }
  return c;
}

void fillConfigs(cCfgFileDeviceCpdConfigs& set) {
  set.addCpdConfig(makeConfig("SETUP", 4, 1));
  set.addCpdConfig(makeConfig("SHUTDOWN", 7, 2));
}

void fillLayout(cCfgFileDeviceLayout& layout) {
  layout.sMethod() = "OneGndDiodeHigh";
  layout.sLabel() = "SOP8";
  layout.uiHighSideDriverVoltage() = 3300;
  layout.uiVComp() = 1200;
  layout.uiVls() = 2500;
  layout.addPinDefs(new cDevicePDxyData(1, 3, cDevicePDxyData::trHighSideDriverPin, 8u, "VDD"));
  layout.addPinDefs(new cDevicePDxyData(2, 59, cDevicePDxyData::trLow, 4u, "GND"));
}

void fillHdwParam(cKxHdwParam& p) {
  cFpgaHdwImageCtrl image;
  piSubFrame imageSf;
  imageSf.addString("a.bit");
  imageSf.addString("HDW");
  imageSf.addBlock(std::vector<char>{1, 2, 3});
  imageSf.addUInt32(0xCAFE);
  receiveRecord(image, imageSf);
  p.addFpgaHdwImageCtrl(image);
  p.setErrorId(7);
  p.setCPDConfigMode("MODE");
  p.setInternVersionFlag(3);
  p.setKrvProgrammerHdwId(11);
  p.setKrvHdwFileId(4);
  p.setHdwObjectId(5);
  TAG_LPTDELAYPARAM d{{40, 30, 20, 10}};
  p.setLptDelayParam(d);
  p.LptPortAdr() = 0x278;
}

// Sends a record and compares it with a receiver filled from what was sent,
// through the receiver's own send (for records without equality).
template <class R>
bool sameOnTheWire(R& a, R& b) {
  piSubFrame sa, sb;
  sendRecord(a, sa);
  sendRecord(b, sb);
  return sa == sb;
}

struct RecordCase {
  const char* name;
  std::function<piSubFrame()> send;
  std::vector<ePiItemType> types;
  // Receives the sent sub-frame into a freshly shaped object and tells
  // whether the result equals the sent object.
  std::function<bool(const piSubFrame&)> receiveEqual;
};

std::vector<ePiItemType> types(std::initializer_list<std::pair<std::initializer_list<ePiItemType>, unsigned>> parts) {
  std::vector<ePiItemType> v;
  for (const auto& p : parts) {
    appendTypes(v, p.first, p.second);
  }
  return v;
}

std::vector<RecordCase> recordCases() {
  std::vector<RecordCase> cases;

  cases.push_back({"PinData",
                   [] {
                     cCfgFileDeviceCpdPinData p(2, 17, 3073, 5, "RST");
                     piSubFrame sf;
                     sendRecord(p, sf);
                     return sf;
                   },
                   types({{{U, U, U, U, S}, 1}}),
                   [](const piSubFrame& sf) {
                     cCfgFileDeviceCpdPinData p(0, 0, 0, 0, "");
                     return receiveRecord(p, sf) && p == cCfgFileDeviceCpdPinData(2, 17, 3073, 5, "RST");
                   }});

  cases.push_back({"Config",
                   [] {
                     std::unique_ptr<cCfgFileDeviceCpdConfig> c(makeConfig("SETUP", 3, 1));
                     piSubFrame sf;
                     sendRecord(*c, sf);
                     return sf;
                   },
                   types({{{S}, 1}, {{U, U, U, U, S}, 3}}),
                   [](const piSubFrame& sf) {
                     std::unique_ptr<cCfgFileDeviceCpdConfig> ref(makeConfig("SETUP", 3, 1));
                     cCfgFileDeviceCpdConfig c(3);
                     return receiveRecord(c, sf) && c == *ref;
                   }});

  cases.push_back({"Configs",
                   [] {
                     cCfgFileDeviceCpdConfigs set;
                     fillConfigs(set);
                     piSubFrame sf;
                     set >> sf;
                     return sf;
                   },
                   types({{{S}, 1}, {{U, U, U, U, S}, 4}, {{S}, 1}, {{U, U, U, U, S}, 7}}),
                   [](const piSubFrame& sf) {
                     cCfgFileDeviceCpdConfigs ref;
                     fillConfigs(ref);
                     cCfgFileDeviceCpdConfigs set(ref.getHeader());
                     return (set << sf) && set == ref;
                   }});

  cases.push_back({"ConfigsHeader",
                   [] {
                     cCfgFileDeviceCpdConfigs set;
                     fillConfigs(set);
                     cCfgFileDeviceCpdConfigsHeader h = set.getHeader();
                     piSubFrame sf;
                     sendRecord(h, sf);
                     return sf;
                   },
                   types({{{U}, 21}}),
                   [](const piSubFrame& sf) {
                     cCfgFileDeviceCpdConfigs set;
                     fillConfigs(set);
                     cCfgFileDeviceCpdConfigsHeader ref = set.getHeader();
                     cCfgFileDeviceCpdConfigsHeader h;
                     return receiveRecord(h, sf) && sameOnTheWire(h, ref);
                   }});

  cases.push_back({"ByteArrayInfo",
                   [] {
                     tByteArrayInfo r(tByteArray::slHost, ctPartData, 0x100, 0x80, 9, 3, 0xA5, 16,
                                      btiDefault, "name", "flags");
                     piSubFrame sf;
                     r >> sf;
                     return sf;
                   },
                   types({{{U, U, U, U, I, B, U, U, U, S, S}, 1}}),
                   [](const piSubFrame& sf) {
                     tByteArrayInfo r;
                     return (r << sf) &&
                            r == tByteArrayInfo(tByteArray::slHost, ctPartData, 0x100, 0x80, 9, 3,
                                                0xA5, 16, btiDefault, "name", "flags");
                   }});

  cases.push_back({"DeviceParam",
                   [] {
                     cDeviceParam p;
                     p.getDeviceAlgPrmStruct()->pCfgBuffer[100] = 0x5A;
                     piSubFrame sf;
                     p >> sf;
                     return sf;
                   },
                   types({{{D}, 1}}),
                   [](const piSubFrame& sf) {
                     cDeviceParam ref;
                     ref.getDeviceAlgPrmStruct()->pCfgBuffer[100] = 0x5A;
                     cDeviceParam p;
                     return (p << sf) && sameOnTheWire(p, ref);
                   }});

  cases.push_back({"UiAlgoDataK3",
                   [] {
                     cUiAlgoDataK3 r;
                     r.getUiAlgoDataK3Struct()->setActionMode(2);
                     piSubFrame sf;
                     r >> sf;
                     return sf;
                   },
                   types({{{D}, 1}}),
                   [](const piSubFrame& sf) {
                     cUiAlgoDataK3 ref;
                     ref.getUiAlgoDataK3Struct()->setActionMode(2);
                     cUiAlgoDataK3 r;
                     r.init(7, 7);
                     return (r << sf) && sameOnTheWire(r, ref);
                   }});

  cases.push_back({"FpgaHdwImage",
                   [] {
                     cKxHdwParam p(hptDefault);
                     fillHdwParam(p);
                     piSubFrame sf;
                     sendRecord(*p.getFpgaHdwImageCtrl(0), sf);
                     return sf;
                   },
                   types({{{S, S, D, U}, 1}}),
                   [](const piSubFrame& sf) {
                     cKxHdwParam ref(hptDefault);
                     fillHdwParam(ref);
                     cFpgaHdwImageCtrl image;
                     return receiveRecord(image, sf) && image == *ref.getFpgaHdwImageCtrl(0);
                   }});

  cases.push_back({"KxHdwParam",
                   [] {
                     cKxHdwParam p(hptDefault);
                     fillHdwParam(p);
                     piSubFrame sf;
                     p >> sf;
                     return sf;
                   },
                   types({{{U, U}, 1}, {{S, S, D, U}, 24}, {{U}, 11}, {{S, B, I, I, I}, 1},
                          {{I, I, I, I, S, S, I, I, U}, 1}}),
                   [](const piSubFrame& sf) {
                     cKxHdwParam ref(hptDefault);
                     fillHdwParam(ref);
                     cKxHdwParam p(hptDefault);
                     return (p << sf) && sameOnTheWire(p, ref);
                   }});

  cases.push_back({"DevicePDxyData",
                   [] {
                     cDevicePDxyData pin(3, 42, cDevicePDxyData::trHigh, 7u, "SDA");
                     pin.setbResult(1);
                     piSubFrame sf;
                     sendRecord(pin, sf);
                     return sf;
                   },
                   types({{{I, I, U, U, U, S}, 1}}),
                   [](const piSubFrame& sf) {
                     cDevicePDxyData ref(3, 42, cDevicePDxyData::trHigh, 7u, "SDA");
                     ref.setbResult(1);
                     cDevicePDxyData pin;
                     return receiveRecord(pin, sf) && pin == ref;
                   }});

  cases.push_back({"DeviceLayout",
                   [] {
                     cCfgFileDeviceLayout layout(0);
                     fillLayout(layout);
                     piSubFrame sf;
                     layout >> sf;
                     return sf;
                   },
                   types({{{S, S, U, U, U}, 1}, {{I, I, U, U, U, S}, 2}}),
                   [](const piSubFrame& sf) {
                     cCfgFileDeviceLayout ref(0);
                     fillLayout(ref);
                     cCfgFileDeviceLayout layout(2);
                     return (layout << sf) && layout == ref;
                   }});

  cases.push_back({"PinConnectionData",
                   [] {
                     cPinConnectionData r(8, 5);
                     piSubFrame sf;
                     sendRecord(r, sf);
                     return sf;
                   },
                   types({{{U, U}, 1}}),
                   [](const piSubFrame& sf) {
                     cPinConnectionData r(0, 0);
                     return receiveRecord(r, sf) && r == cPinConnectionData(8, 5);
                   }});

  cases.push_back({"AlgoParam",
                   [] {
                     cAlgoParam p(tByteArray::slModule, 1, 0, 0);
                     p.setDoDeviceContinuityTest(1);
                     p.setUiFpgaTimerValue(250);
                     p.setDefDeviceCfgFilePath("/cfg/dev.cfg");
                     p.setJobAction("Prog");
                     piSubFrame sf;
                     p >> sf;
                     return sf;
                   },
                   types({{{B, U, S, S}, 1}}),
                   [](const piSubFrame& sf) {
                     cAlgoParam p(tByteArray::slModule, 1, 0, 0);
                     return (p << sf) && p.getDoDeviceContinuityTest() == 1 &&
                            p.getUiFpgaTimerValue() == 250 &&
                            p.getDefDeviceCfgFilePath() == "/cfg/dev.cfg" && p.getJobAction() == "Prog";
                   }});
  return cases;
}

class RecordFrames : public testing::TestWithParam<RecordCase> {};

TEST_P(RecordFrames, ItemOrderAndTypes) {
  EXPECT_EQ(itemTypes(GetParam().send()), GetParam().types);
}

TEST_P(RecordFrames, SendThenReceiveGivesEqualObject) {
  EXPECT_TRUE(GetParam().receiveEqual(GetParam().send()));
}

INSTANTIATE_TEST_SUITE_P(AllRecords, RecordFrames, testing::ValuesIn(recordCases()),
                         [](const testing::TestParamInfo<RecordCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
