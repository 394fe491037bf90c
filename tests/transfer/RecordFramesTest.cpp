// Item order and types of every transferable record, and send-then-receive
// round trips that must give an equal object.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <ostream>
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
#include "jobParts.h"
#include "recordFrameTestUtil.h"
#include "tByteArrayInfo.h"
#include "tCaseName.h"

namespace {

const ePiItemType U = pitUInt32;
const ePiItemType I = pitInt32;
const ePiItemType B = pitUInt8;
const ePiItemType S = pitString;
const ePiItemType D = pitBlock;

cCfgFileDeviceCpdConfig* makeConfig(const std::string& label, unsigned settings, unsigned seed) {
  std::vector<tCpdPin> pins;
  for (unsigned i = 0; i < settings; ++i) {
    pins.push_back({seed + i, 17 + i, 3073 + i, 5 + i, "P" + std::to_string(seed + i)});
  }
  return pinDriverConfig(label, pins);
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
  p.setTypeid(static_cast<eHdwParamTypeid>(6));
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

// Builds an expected sub-frame item by item.
class tItems {
public:
  tItems& u(std::uint32_t v) {
    mSf.addUInt32(v);
    return *this;
  }
  tItems& i(std::int32_t v) {
    mSf.addInt32(v);
    return *this;
  }
  tItems& b(std::uint8_t v) {
    mSf.addUInt8(v);
    return *this;
  }
  tItems& s(const std::string& v) {
    mSf.addString(v);
    return *this;
  }
  tItems& d(const std::vector<char>& v) {
    mSf.addBlock(v);
    return *this;
  }
  piSubFrame frame() const { return mSf; }

private:
  piSubFrame mSf;
};

// The default job record's bytes with the action mode changed to 2.
std::vector<char> jobRecordBytesWithMode2() {
  std::vector<char> v(142, 0);
  for (unsigned k = 4; k < 24; ++k) v[k] = '\xFF';
  v[46] = 1;
  v[48] = 2;
  v[52] = 2;
  v[110] = v[111] = '\xFF';
  return v;
}

struct RecordCase {
  const char* name;
  std::function<piSubFrame()> send;
  std::vector<ePiItemType> types;
  // The values in the order they travel, where the record's own fields are
  // given distinct values (empty for records checked elsewhere).
  std::function<piSubFrame()> values;
  // Receives the sent sub-frame into a freshly shaped object and tells
  // whether the result equals the sent object.
  std::function<bool(const piSubFrame&)> receiveEqual;
};

std::vector<ePiItemType> types(
    std::initializer_list<std::pair<std::initializer_list<ePiItemType>, unsigned>> parts) {
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
                   types({{{U, U, U, U, S}, 1}}), nullptr,
                   [](const piSubFrame& sf) {
                     cCfgFileDeviceCpdPinData p(0, 0, 0, 0, "");
                     return receiveRecord(p, sf) &&
                            p == cCfgFileDeviceCpdPinData(2, 17, 3073, 5, "RST");
                   }});

  cases.push_back({"Config",
                   [] {
                     std::unique_ptr<cCfgFileDeviceCpdConfig> c(makeConfig("SETUP", 3, 1));
                     piSubFrame sf;
                     sendRecord(*c, sf);
                     return sf;
                   },
                   types({{{S}, 1}, {{U, U, U, U, S}, 3}}), nullptr,
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
                   types({{{S}, 1}, {{U, U, U, U, S}, 4}, {{S}, 1}, {{U, U, U, U, S}, 7}}), nullptr,
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
                   types({{{U}, 21}}), nullptr,
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
                                      static_cast<eByteTypeInfo>(7), "name", "flags");
                     piSubFrame sf;
                     r >> sf;
                     return sf;
                   },
                   types({{{U, U, U, U, I, B, U, U, U, S, S}, 1}}),
                   [] {
                     // The source location travels seventh.
                     return tItems()
                         .u(ctPartData)
                         .u(0x200)
                         .u(0x100)
                         .u(9)
                         .i(3)
                         .b(0xA5)
                         .u(1)
                         .u(16)
                         .u(7)
                         .s("name")
                         .s("flags")
                         .frame();
                   },
                   [](const piSubFrame& sf) {
                     tByteArrayInfo r;
                     return (r << sf) &&
                            r == tByteArrayInfo(tByteArray::slHost, ctPartData, 0x100, 0x80, 9, 3,
                                                0xA5, 16, static_cast<eByteTypeInfo>(7), "name",
                                                "flags");
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
                   [] {
                     std::vector<char> cfg(CFG_BUFFER_SIZE, 0);
                     cfg[100] = 0x5A;
                     return tItems().d(cfg).frame();
                   },
                   [](const piSubFrame& sf) {
                     cDeviceParam ref;
                     ref.getDeviceAlgPrmStruct()->pCfgBuffer[100] = 0x5A;
                     cDeviceParam p;
                     std::memset(p.getDeviceAlgPrmStruct()->pCfgBuffer, 0x11, CFG_BUFFER_SIZE);
                     return (p << sf) && std::memcmp(p.getDeviceAlgPrmStruct()->pCfgBuffer,
                                                     ref.getDeviceAlgPrmStruct()->pCfgBuffer,
                                                     CFG_BUFFER_SIZE) == 0;
                   }});

  cases.push_back({"UiAlgoDataK3",
                   [] {
                     cUiAlgoDataK3 r;
                     r.getUiAlgoDataK3Struct()->setActionMode(2);
                     piSubFrame sf;
                     r >> sf;
                     return sf;
                   },
                   types({{{D}, 1}}), [] { return tItems().d(jobRecordBytesWithMode2()).frame(); },
                   [](const piSubFrame& sf) {
                     cUiAlgoDataK3 ref;
                     ref.getUiAlgoDataK3Struct()->setActionMode(2);
                     cUiAlgoDataK3 r;
                     r.init(7, 7);
                     return (r << sf) && std::memcmp(r.getUiAlgoDataK3Struct()->raw,
                                                     ref.getUiAlgoDataK3Struct()->raw,
                                                     TAG_UI_ALGODATA_KRV3::kSize) == 0;
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
                   [] {
                     return tItems().s("a.bit").s("HDW").d({1, 2, 3}).u(0xCAFE).frame();
                   },
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
                   types({{{U, U}, 1},
                          {{S, S, D, U}, 24},
                          {{U}, 11},
                          {{S, B, I, I, I}, 1},
                          {{I, I, I, I, S, S, I, I, U}, 1}}),
                   [] {
                     tItems t;
                     t.u(6).u(1).s("a.bit").s("HDW").d({1, 2, 3}).u(0xCAFE);
                     for (unsigned slot = 1; slot < 24; ++slot) {
                       t.s("").s("").d({}).u(0);
                     }
                     t.u(7);
                     for (unsigned k = 1; k < 10; ++k) {
                       t.u(2000);
                     }
                     t.u(1).s("MODE").b(3).i(11).i(4).i(5);
                     // Delay parameters in element order 1, 0, 2, 3.
                     t.i(30).i(40).i(20).i(10).s("").s("").i(0).i(0).u(0x278);
                     return t.frame();
                   },
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
                   [] { return tItems().i(2).i(1).u(3).u(42).u(7).s("SDA").frame(); },
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
                   [] {
                     return tItems()
                         .s("OneGndDiodeHigh")
                         .s("SOP8")
                         .u(3300)
                         .u(1200)
                         .u(2500)
                         .i(0)
                         .i(2)
                         .u(1)
                         .u(3)
                         .u(8)
                         .s("VDD")
                         .i(1)
                         .i(2)
                         .u(2)
                         .u(59)
                         .u(4)
                         .s("GND")
                         .frame();
                   },
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
                   types({{{U, U}, 1}}), [] { return tItems().u(8).u(5).frame(); },
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
                   [] { return tItems().b(1).u(250).s("/cfg/dev.cfg").s("Prog").frame(); },
                   [](const piSubFrame& sf) {
                     cAlgoParam p(tByteArray::slModule, 1, 0, 0);
                     return (p << sf) && p.getDoDeviceContinuityTest() == 1 &&
                            p.getUiFpgaTimerValue() == 250 &&
                            p.getDefDeviceCfgFilePath() == "/cfg/dev.cfg" &&
                            p.getJobAction() == "Prog";
                   }});
  return cases;
}

void PrintTo(const RecordCase& c, std::ostream* os) { *os << c.name; }

class RecordFrames : public testing::TestWithParam<RecordCase> {};

TEST_P(RecordFrames, ItemOrderAndTypes) {
  const piSubFrame sent = GetParam().send();
  EXPECT_EQ(itemTypes(sent), GetParam().types);
  if (GetParam().values) {
    EXPECT_EQ(sent, GetParam().values());
  }
}

TEST_P(RecordFrames, SendThenReceiveGivesEqualObject) {
  EXPECT_TRUE(GetParam().receiveEqual(GetParam().send()));
}

INSTANTIATE_TEST_SUITE_P(AllRecords, RecordFrames, testing::ValuesIn(recordCases()), tCaseName());

}  // namespace
