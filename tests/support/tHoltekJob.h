#ifndef T_HOLTEK_JOB_H
#define T_HOLTEK_JOB_H

// A Holtek job as a host sends it: the device configuration with the Holtek
// settings, a job record, hardware parameters with one "HDW" image, the
// pin-driver configurations and buffer 0. Sent and fetched back with a
// cHostSession on any provider, in the test executable or loaded from the
// module.

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "JobBuilder.h"
#include "TAG_GLOBAL_ALGOCTRL_DATA.h"
#include "cCfgFileDeviceCpdConfigs.h"
#include "cHostSession.h"
#include "cScaffoHost.h"
#include "cScaffoProvider.h"
#include "jobParts.h"
#include "littleEndian.h"
#include "piModuleAddr.h"
#include "tHoltekSettings.h"
#include "tJobSamples.h"

namespace holtekJob {

// Option bits (offset 0x1C) and area bits (offset 0x46) of the settings.
const std::uint32_t kOptVerifyAfterRead = tHoltekSettings::kOptVerifyAfterRead;
const std::uint32_t kOptErase = tHoltekSettings::kOptEraseBeforeProgram;
const std::uint32_t kOptVerifyAfterProgram = tHoltekSettings::kOptVerifyAfterProgram;
const std::uint32_t kOptVerifyAllowed = tHoltekSettings::kOptVerifyAllowed;
const std::uint32_t kOptBlankCheckAfterErase = tHoltekSettings::kOptBlankCheckAfterErase;
const std::uint32_t kAreaMain = tHoltekSettings::kAreaMain;
const std::uint32_t kAreaInfo = tHoltekSettings::kAreaInfo;
const std::uint32_t kAreaLock = tHoltekSettings::kAreaLock;

// Bytes of the pin-driver register that each named configuration writes into
// slot 1, register 0, so that the live bank tells which one was loaded.
const unsigned int kSetupValue = 0x11;
const unsigned int kSetupMeasureValue = 0x22;
const unsigned int kShutdownValue = 0x33;

// The settings of the tests' chip: 64 words in pages of 16 bytes, no option,
// a Vcc window of 2.5 to 5.5 V.
struct tSettings : tHoltekSettings {
  tSettings() {
    options = 0;
    vccLower = 2500;
    memorySize = 64;
    pageSize = 16;
  }
};

inline unsigned int configValue(const std::string& label) {
  if (label == "SETUP") return kSetupValue;
  if (label == "SETUPi") return kSetupMeasureValue;
  return kShutdownValue;
}

// One pin on slot 1 per configuration.
inline cCfgFileDeviceCpdConfigs pinDriverConfigs(
    const std::vector<std::string>& labels = holtekConfigLabels()) {
  return ::pinDriverConfigs(labels, [](const std::string& label) {
    return std::vector<tCpdPin>{{1, 0, configValue(label), 1, "P1"}};
  });
}

struct tJob {
  tSettings settings;
  std::uint32_t start = 0;
  std::uint32_t end = 31;
  // Buffer 0; none when empty.
  std::vector<unsigned char> buffer = std::vector<unsigned char>(128, 0x00);
  std::vector<std::string> configs = holtekConfigLabels();
  unsigned int uiTimerMs = 10;
};

// Buffers are created an exchange before their data arrive.
inline JobBuilder bufferCreation(const tJob& job) {
  JobBuilder create;
  create.deleteAllBuffers();
  if (!job.buffer.empty()) {
    create.createBuffer(0, static_cast<unsigned>(job.buffer.size()), 0x00);
  }
  return create;
}

inline JobBuilder jobContent(const tJob& job) {
  JobBuilder content;
  if (!job.buffer.empty()) content.wholeBuffer(0, job.buffer, 1);
  content.parameterSet(0, job.uiTimerMs, "/cfg/holtek.cfg", "Job")
      .jobRecord(runnableJobRecord(job.start, job.end))
      .deviceConfig(job.settings.deviceConfig())
      .hardwareParams(jobSamples::sampleHdwParam())
      .pinDriverConfigs(pinDriverConfigs(job.configs));
  return content;
}

inline bool sendJob(cScaffoProvider& provider, const tJob& job, const piModuleAddr& addr) {
  cHostSession session(provider, addr);
  return session.send(bufferCreation(job)) && session.send(jobContent(job));
}

// Bus cycles the protocol waits, summed from its waits.
const std::uint64_t kCpdSettle = 500000;    // after the pin-driver configuration
const std::uint64_t kLevelSettle = 150000;  // after setting Vcc and the levels
const std::uint64_t kStrobe = 125 + 200;    // one nibble over the bus
const std::uint64_t kPowerOn = 500000 + 5 + 1000000 + 50000 + 1000000  // supplies
                               + 125 + 4 * kStrobe                     // entry nibbles
                               + 125 + 125 + 8 * (200 + 125)           // acknowledge
                               + 125 + 125;
const std::uint64_t kPowerOff = 125 + 250 + 125 + 50000;
// Everything of an action but its steps.
const std::uint64_t kActionFrame = kCpdSettle + kLevelSettle + kPowerOn + kPowerOff;
const std::uint64_t kByte = 8 * (2 + 5 + 2);                          // one byte shifted out or in
const std::uint64_t kReadMode = 125 + 125 + 4 * kStrobe + 125 + 125;  // enter and leave
const std::uint64_t kChipErase = 4 * kByte + 1300000;
const std::uint64_t kReadInfo = 2 * (2 * kByte + 15 + 2 * kByte);
const std::uint64_t kReadLock = 3 * kByte + 15 + kByte;
const std::uint64_t kWriteInfo = 2 * (4 * kByte + 400);
const std::uint64_t kWriteLock = 4 * kByte + 300;
const std::uint64_t kLoadByte = 4 * kByte;
const std::uint64_t kWritePage = 4 * kByte + 32200;
const std::uint64_t kBlankCheck = kReadMode + kReadInfo + kReadLock;
static_assert(kPowerOn == 2554530, "power-on waits");
static_assert(kActionFrame + kReadMode == 3256830, "a read job waits 3,256,830 cycles");
static_assert(kActionFrame + kChipErase == 4555318, "an erase job waits 4,555,318 cycles");

// Chip words as buffer bytes: word w is bytes 2w (low) and 2w + 1 (high).
inline std::vector<unsigned char> wordBytes(const std::vector<std::uint16_t>& words) {
  std::vector<unsigned char> bytes;
  for (std::uint16_t w : words) {
    bytes.push_back(static_cast<unsigned char>(w));
    bytes.push_back(static_cast<unsigned char>(w >> 8));
  }
  return bytes;
}

// A word pattern that differs from word to word and from an erased chip.
inline std::vector<std::uint16_t> wordPattern(unsigned int count, unsigned int seed = 0) {
  std::vector<std::uint16_t> words(count);
  for (unsigned int i = 0; i < count; ++i) {
    words[i] = static_cast<std::uint16_t>((i * 0x9E37u + seed * 0x1234u + 0x0101u) & 0x7FFFu);
  }
  return words;
}

// The progress records the host received, one text each: "msg <no>" with its
// parameters (floats end in f), "adr 0x<address>", "end" for the record that
// closes an action; the cancel request shows as " (cancel)".
inline std::vector<std::string> progressTexts() {
  std::vector<std::string> out;
  for (const tScaffoProgress& p : cScaffoHost::instance().progress()) {
    if (p.bytes.size() != TAG_GLOBAL_ALGOCTRL_DATA::kSize) {
      out.push_back("record of " + std::to_string(p.bytes.size()) + " bytes");
      continue;
    }
    const unsigned char* b = reinterpret_cast<const unsigned char*>(p.bytes.data());
    std::string text;
    if (loadLeU32(b, gacdMessageValid) == 1) {
      text = "msg " + std::to_string(static_cast<std::int32_t>(loadLeU32(b, gacdMessageNo)));
      const std::uint32_t layout = loadLeU32(b, gacdParamLayout);
      unsigned int longs = 0;
      unsigned int floats = 0;
      if (layout >= mplLong1 && layout <= mplLong4) longs = layout - mplNone;
      if (layout == mplFloat1 || layout == mplFloat2) floats = layout - mplLong4;
      if (layout == mplInt1) longs = 1;
      for (unsigned int i = 0; i < longs; ++i) {
        text += " " + std::to_string(static_cast<std::int32_t>(loadLeU32(b, gacdParam1 + 4 * i)));
      }
      for (unsigned int i = 0; i < floats; ++i) {
        const std::uint32_t bits = loadLeU32(b, gacdParam1 + 4 * i);
        float value = 0;
        std::memcpy(&value, &bits, sizeof value);
        char number[32];
        std::snprintf(number, sizeof number, " %gf", static_cast<double>(value));
        text += number;
      }
    } else if (loadLeU32(b, gacdAddressValid) == 1) {
      char address[24];
      std::snprintf(address, sizeof address, "adr 0x%X", loadLeU32(b, gacdAddress));
      text = address;
    } else if (b[gacdActionEnded] == 1) {
      text = "end";
    } else {
      text = "empty";
    }
    if (b[gacdCancelRequest] != 0) text += " (cancel)";
    out.push_back(text);
  }
  return out;
}

}  // namespace holtekJob

#endif
