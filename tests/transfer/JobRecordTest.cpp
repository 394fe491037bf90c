#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "cDeviceParam.h"
#include "cUiAlgoDataK3.h"
#include "tByteArray.h"
#include "tLineTap.h"

namespace {

std::vector<unsigned char> bytesOf(const cUiAlgoDataK3& r) {
  const unsigned char* p = r.getUiAlgoDataK3Struct()->raw;
  return std::vector<unsigned char>(p, p + TAG_UI_ALGODATA_KRV3::kSize);
}

// The record after init(a, b), written out byte by byte.
std::vector<unsigned char> expectedInit(std::vector<unsigned char> initA,
                                        std::vector<unsigned char> initB) {
  std::vector<unsigned char> v(142, 0);
  for (unsigned i = 4; i < 24; ++i) v[i] = 0xFF;
  v[46] = 1;
  v[48] = 1;
  v[52] = 2;
  std::copy(initA.begin(), initA.end(), v.begin() + 110);
  std::copy(initB.begin(), initB.end(), v.begin() + 36);
  return v;
}

TEST(JobRecord, DefaultAndInitBytes) {
  struct Case {
    bool useDefault;
    short a;
    int b;
    std::vector<unsigned char> initA, initB;
  };
  const Case cases[] = {{true, 0, 0, {0xFF, 0xFF}, {0, 0, 0, 0}},
                        {false, 5, 258, {0x05, 0x00}, {0x02, 0x01, 0, 0}},
                        {false, -2, -1, {0xFE, 0xFF}, {0xFF, 0xFF, 0xFF, 0xFF}}};
  for (const Case& k : cases) {
    cUiAlgoDataK3 r;
    r.getUiAlgoDataK3Struct()->setErrorCode(3);
    r.getUiAlgoDataK3Struct()->setEpMax(9);
    if (!k.useDefault) {
      r.init(k.a, k.b);
    } else {
      r = cUiAlgoDataK3();
    }
    EXPECT_EQ(bytesOf(r), expectedInit(k.initA, k.initB)) << k.a << " " << k.b;
  }
}

TEST(JobRecord, NamedFieldsSitAtTheirOffsetsLittleEndian) {
  struct Case {
    unsigned offset;
    unsigned width;
    std::function<void(TAG_UI_ALGODATA_KRV3&)> write;
  };
  const Case cases[] = {
      {12, 4, [](TAG_UI_ALGODATA_KRV3& r) { r.setStartAdr(0x04030201); }},
      {16, 4, [](TAG_UI_ALGODATA_KRV3& r) { r.setEndAdr(0x04030201); }},
      {48, 2, [](TAG_UI_ALGODATA_KRV3& r) { r.setActionMode(0x0201); }},
      {52, 4, [](TAG_UI_ALGODATA_KRV3& r) { r.setErrorInfoMode(0x04030201); }},
      {56, 4, [](TAG_UI_ALGODATA_KRV3& r) { r.setActionFailed(0x04030201); }},
      {60, 4, [](TAG_UI_ALGODATA_KRV3& r) { r.setActionFailCode(0x04030201); }},
      {64, 4, [](TAG_UI_ALGODATA_KRV3& r) { r.setHdwCheckFailed(0x04030201); }},
      {68, 4, [](TAG_UI_ALGODATA_KRV3& r) { r.setHdwCheckFailCode(0x04030201); }},
      {80, 4, [](TAG_UI_ALGODATA_KRV3& r) { r.setErrorAdr(0x04030201); }},
      {84, 4, [](TAG_UI_ALGODATA_KRV3& r) { r.setErrorExpected(0x04030201); }},
      {88, 4, [](TAG_UI_ALGODATA_KRV3& r) { r.setErrorRead(0x04030201); }},
      {96, 2, [](TAG_UI_ALGODATA_KRV3& r) { r.setErrorCode(0x0201); }},
      {98, 2, [](TAG_UI_ALGODATA_KRV3& r) { r.setErrorClass(0x0201); }},
      {122, 2, [](TAG_UI_ALGODATA_KRV3& r) { r.setCheckProcessRet(0x0201); }},
      {124, 2, [](TAG_UI_ALGODATA_KRV3& r) { r.setEpMax(0x0201); }},
      {126, 2, [](TAG_UI_ALGODATA_KRV3& r) { r.setEpNumber(0x0201); }},
  };
  for (const Case& k : cases) {
    TAG_UI_ALGODATA_KRV3 r;
    std::memset(r.raw, 0, sizeof r.raw);
    k.write(r);
    for (unsigned i = 0; i < 142; ++i) {
      const unsigned char expected =
          (i >= k.offset && i < k.offset + k.width) ? i - k.offset + 1 : 0;
      ASSERT_EQ(r.raw[i], expected) << "field at " << k.offset << ", byte " << i;
    }
  }
  TAG_UI_ALGODATA_KRV3 r;
  std::memset(r.raw, 0, sizeof r.raw);
  r.setCheckProcessRet(-2);
  EXPECT_EQ(r.getCheckProcessRet(), -2);
}

TEST(JobRecord, ClearErrorInfoTouchesOnlyTheErrorArea) {
  cUiAlgoDataK3 r;
  TAG_UI_ALGODATA_KRV3& s = *r.getUiAlgoDataK3Struct();
  std::memset(s.raw, 0xAB, sizeof s.raw);
  r.ClearK3ErrorInfo();
  for (unsigned i = 0; i < 142; ++i) {
    EXPECT_EQ(s.raw[i], (i >= 80 && i <= 109) ? 0 : 0xAB) << i;
  }
  EXPECT_EQ(s.getErrorInfoMode(), 0xABABABABu);
  EXPECT_EQ(s.getActionFailed(), 0xABABABABu);
}

TEST(JobRecord, PrepareForAlgoActionPointsAtTheBuffer) {
  for (unsigned char readOnly : {0, 1}) {
    tByteArray b(tByteArray::slModule, 4096, 0, 0);
    const unsigned version = b.getVersionOfChanges();
    cUiAlgoDataK3 r;
    r.prepareForAlgoAction(b, readOnly);
    const TAG_UI_ALGODATA_KRV3& s = *r.getUiAlgoDataK3Struct();
    EXPECT_EQ(s.raw[32], 0x00);
    EXPECT_EQ(s.raw[33], 0x10);
    EXPECT_EQ(s.raw[34], 0x00);
    EXPECT_EQ(s.raw[35], 0x00);
    EXPECT_EQ(b.getVersionOfChanges(), readOnly ? version : version - 1);
    // The full address reaches the algorithm; the record keeps its low 32 bits.
    EXPECT_EQ(r.getDataBufferAddress(), b.getDataConst());
    EXPECT_EQ(s.getDataBufferLow32(),
              static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(b.getDataConst())));
  }
}

TEST(JobRecord, BufferAddressIsForgottenWhenTheRecordIsReplaced) {
  tByteArray b(tByteArray::slModule, 16, 0, 0);
  cUiAlgoDataK3 r;
  r.prepareForAlgoAction(b, 1);
  ASSERT_NE(r.getDataBufferAddress(), nullptr);

  // Sent to the host and back unchanged: still names no buffer we vouch for.
  piSubFrame sf;
  r >> sf;
  ASSERT_TRUE(r << sf);
  EXPECT_EQ(r.getDataBufferAddress(), nullptr);

  r.prepareForAlgoAction(b, 1);
  storeLeU32(r.getUiAlgoDataK3Struct()->raw, TAG_UI_ALGODATA_KRV3::ofsDataBuffer, 0x1234);
  EXPECT_EQ(r.getDataBufferAddress(), nullptr);

  r.prepareForAlgoAction(b, 1);
  r.init(-1, 0);
  EXPECT_EQ(r.getDataBufferAddress(), nullptr);
}

TEST(JobRecord, AlgorithmsReachTheFullAddressThroughTheRecord) {
  tByteArray b(tByteArray::slModule, 64, 0, 0);
  cUiAlgoDataK3 r;
  const TAG_UI_ALGODATA_KRV3* rec = r.getUiAlgoDataK3Struct();
  EXPECT_EQ(rec->getDataBuffer(), nullptr);  // never pointed at a buffer
  r.prepareForAlgoAction(b, 0);
  EXPECT_EQ(rec->getDataBuffer(), b.getDataConst());
  EXPECT_EQ(cUiAlgoDataK3::getDataBufferOf(rec), b.getDataConst());

  // A copy of the bytes elsewhere has no holder and never yields an address.
  TAG_UI_ALGODATA_KRV3 loose = *rec;
  EXPECT_EQ(loose.getDataBuffer(), nullptr);
  EXPECT_EQ(cUiAlgoDataK3::getDataBufferOf(nullptr), nullptr);

  // Another holder's record is told apart from this one's.
  cUiAlgoDataK3 other(*rec);
  EXPECT_EQ(other.getUiAlgoDataK3Struct()->getDataBuffer(), nullptr);
  EXPECT_EQ(rec->getDataBuffer(), b.getDataConst());

  r.forgetDataBuffer();
  EXPECT_EQ(rec->getDataBuffer(), nullptr);
}

TEST(JobRecord, ReceiveReplacesAllBytesAndAFailedOneNone) {
  std::vector<char> sent(142);
  for (unsigned i = 0; i < 142; ++i) sent[i] = static_cast<char>(i + 1);
  sent[48] = 0x12;
  sent[49] = 0x00;
  piSubFrame good;
  good.addBlock(sent);

  cUiAlgoDataK3 r;
  TAG_UI_ALGODATA_KRV3* const where = r.getUiAlgoDataK3Struct();
  ASSERT_TRUE(r << good);
  EXPECT_EQ(r.getUiAlgoDataK3Struct(), where);
  EXPECT_EQ(std::memcmp(where->raw, sent.data(), 142), 0);
  EXPECT_EQ(where->getActionMode() & 0x0F, 2);

  const std::vector<unsigned char> before = bytesOf(r);
  for (std::size_t n : {141u, 143u, 0u}) {
    piSubFrame bad;
    bad.addBlock(std::vector<char>(n, 0x55));
    EXPECT_FALSE(r << bad) << n;
    EXPECT_EQ(bytesOf(r), before) << n;
  }
  piSubFrame wrongType;
  wrongType.addUInt32(1);
  EXPECT_FALSE(r << wrongType);
  EXPECT_EQ(bytesOf(r), before);
}

TEST(JobRecord, CopyKeepsTheTargetsRecordAddress) {
  cUiAlgoDataK3 a;
  a.getUiAlgoDataK3Struct()->setStartAdr(0x100);
  cUiAlgoDataK3 b;
  TAG_UI_ALGODATA_KRV3* where = b.getUiAlgoDataK3Struct();
  b = a;
  EXPECT_EQ(b.getUiAlgoDataK3Struct(), where);
  EXPECT_EQ(bytesOf(b), bytesOf(a));
  cUiAlgoDataK3 c(*a.getUiAlgoDataK3Struct());
  EXPECT_EQ(bytesOf(c), bytesOf(a));
}

TEST(DeviceParam, AssignmentCopiesContentAndKeepsBuffer) {
  cDeviceParam a, b;
  a.getDeviceAlgPrmStruct()->pCfgBuffer[32767] = 0x42;
  unsigned char* where = b.getDeviceAlgPrmStruct()->pCfgBuffer;
  b = a;
  EXPECT_EQ(b.getDeviceAlgPrmStruct()->pCfgBuffer, where);
  EXPECT_EQ(where[32767], 0x42);
  cDeviceParam c(*a.getDeviceAlgPrmStruct());
  EXPECT_EQ(c.getDeviceAlgPrmStruct()->pCfgBuffer[32767], 0x42);
  EXPECT_EQ(cDeviceParam::getCfgBufferSize(), 32768u);
}

TEST(DeviceParam, ReceiveReplacesEveryByteOrNone) {
  cDeviceParam p;
  unsigned char* buf = p.getDeviceAlgPrmStruct()->pCfgBuffer;
  std::memset(buf, 0xEE, CFG_BUFFER_SIZE);

  piSubFrame shortBlock;
  shortBlock.addBlock(std::vector<char>(100, 1));
  EXPECT_FALSE(p << shortBlock);
  EXPECT_EQ(buf[0], 0xEE);
  EXPECT_EQ(buf[32767], 0xEE);

  std::vector<char> sent(CFG_BUFFER_SIZE, 0);
  sent[7] = 0x77;
  piSubFrame good;
  good.addBlock(sent);
  ASSERT_TRUE(p << good);
  EXPECT_EQ(p.getDeviceAlgPrmStruct()->pCfgBuffer, buf);
  EXPECT_EQ(std::memcmp(buf, sent.data(), CFG_BUFFER_SIZE), 0);

  // Without a buffer the received bytes have nowhere to go.
  p.deleteDeviceAlgPrm();
  EXPECT_FALSE(p << good);
  EXPECT_EQ(p.getDeviceAlgPrmStruct(), nullptr);
}

TEST(DeviceParam, DumpWritesHexLines) {
  cDeviceParam p;
  p.getDeviceAlgPrmStruct()->pCfgBuffer[64] = 0xAB;
  p.getDeviceAlgPrmStruct()->pCfgBuffer[65] = 0x05;
  // One line of 64 bytes, each byte in hex without leading zero.
  tLines expected = {"PIDBG: CFG_BUFFER_SIZE = 32768"};
  char address[16];
  for (unsigned int at = 0; at < 32768; at += 64) {
    std::snprintf(address, sizeof address, "%x", at);
    expected.push_back(std::string("PIDBG: DeviceAlgPrm Addr: ") + address + " = " +
                       std::string(64, '0'));
  }
  expected[2] = "PIDBG: DeviceAlgPrm Addr: 40 = ab5" + std::string(62, '0');
  EXPECT_EQ(linesOf(std::cerr, [&] { p.dumpDeviceAlgPrm(); }), expected);

  p.deleteDeviceAlgPrm();
  EXPECT_EQ(linesOf(std::cerr, [&] { p.dumpDeviceAlgPrm(); }),
            tLines{"PIDBG: mpDeviceAlgPrm unvalid."});
  EXPECT_EQ(cDeviceParam::getHexStr(255), "ff");
}

}  // namespace
