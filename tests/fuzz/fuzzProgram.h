#ifndef FUZZ_PROGRAM_H
#define FUZZ_PROGRAM_H

// The input format of the exchange fuzz targets, shared by the harness that
// reads it and the corpus generator that writes it.
//
// An input is a small program for the host:
//
//   header   start (u8)     the start slot of the action that ends the run:
//                           value % 7 in the order of eStart
//            bench (u8)     bit 0: the socket wiring is plugged; bit 1: the
//                           module's socket device (Larkspur: a Holtek chip,
//                           Sorrel: the touch probe) is plugged; bit 2: the
//                           wired chip is taken out
//            size (u8)      Holtek chip: size + 1 words; touch probe: read
//                           limit of (size + 1) * 1000 reads
//   then     operations     an eOp byte (value % kOps) and its arguments, up to
//                           kMaxOps of them or the end of the input
//
// Arguments are read with the reader below: fixed-width integers are
// little-endian; a number (num) is one tag byte, the value itself below
// kSmallLimit, else a table entry, a 16-bit or a 32-bit value; a buffer id
// (id) is one tag byte, 0 to 7 or a table entry; a text (text) is one tag
// byte, a word of kWords or raw bytes of (tag - kWordCount) % 64; a byte run
// is a number (its length, at most kMaxChunk) and that many bytes. Where the
// input ends every read answers zero and every byte run is empty.
//
// Operations (arguments in order):
//   opReceive, opSend  a structured exchange through Slot_ReceiveData or
//                      Slot_SendData: count (u8, 1 + value % 8) items, each an
//                      eItem byte and its arguments (see the harness), then
//                      damage (u8, value % 4) steps, each: target sub-frame
//                      (u8 % 9), eDamage (u8), item index (u16), argument (num)
//   opRawReceive, opRawSend  nine byte runs, each decoded by the host data
//                      library's own decoder into one sub-frame (empty where
//                      the bytes do not decode)
//   opClaim            remote id (text), interface (text), flag (u8)
//   opPresetClaim      another client's interface and remote id (text, text)
//   opUnclaim, opVersion, opCancel, opPostAction, opLoadFpga, opVerify  none
//   opTypeInfo         product type of the programmer (u8 % 8)
//   opCheckSum         u8: even sets the checksum (num), odd reads it
//   opDebug            u8: even next step, odd ignore with that byte
//   opService          which (u8 % 12), argument (num)
//   opHardwareFault    fault point (u8), kind (u8), FPGA slot or channel (u8,
//                      0xFF none), skip (u8), times (u8, 0 always)
//   opHostSignal       signal (u8 % 4), mode (u8): even answers false, odd
//                      throws the host's text at call 1 + (mode / 2) % 8
//   opHostEvent        progress record n (1 + u8 % 8), then what the host does
//                      in its scheduler before that record (u8 % 9): cancel,
//                      a structured receive, a structured send, the
//                      continuity FPGA load, a claim (text, text), a raw
//                      receive (nine byte runs), a start (u8 % 7), a slot of
//                      the provider whose action it is not (u8 % 5: a
//                      structured receive, a start (u8 % 7), the continuity
//                      FPGA load, the second provider made, the second
//                      provider unloaded), moduleDone of the provider whose
//                      action it is
//   opCancelAtAccess   the cancel arrives after that many more register
//                      accesses (num)
//   opSocket           eSocket byte and its arguments (see the harness)
//   opStart            an action before the last one: start (u8 % 7), checked
//                      as the last one is; an input may run several actions
//                      with exchanges, cancels and faults between them
//   opSecond           the module's second provider, made when first needed
//                      (u8 % 4): made, unloaded, a structured receive into
//                      it, an action of it (start, u8 % 7)

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace fuzzProgram {

enum eStart : std::uint8_t {
  stProg,
  stRead,
  stBlank,
  stVerify,
  stErase,
  stContinuity,
  stNoContinuity,
  kStarts
};

enum eBench : std::uint8_t {
  bnWiring = 0x01,       // the continuity wiring is in the socket
  bnDevice = 0x02,       // the Holtek chip or the touch probe is in the socket
  bnChipTakenOut = 0x04  // the wired chip is not inserted
};

enum eOp : std::uint8_t {
  opReceive,
  opSend,
  opRawReceive,
  opRawSend,
  opClaim,
  opPresetClaim,
  opUnclaim,
  opTypeInfo,
  opCheckSum,
  opVersion,
  opDebug,
  opCancel,
  opPostAction,
  opLoadFpga,
  opService,
  opHardwareFault,
  opHostSignal,
  opHostEvent,
  opCancelAtAccess,
  opSocket,
  opVerify,
  opStart,
  opSecond,
  kOps
};

// Items of a structured exchange; any of them may travel either way.
enum eItem : std::uint8_t {
  itDeleteAll,         // -
  itCreate,            // id, size (num), fill (u8)
  itWindow,            // command (u8), id, start (num), version (num), location (u8), bytes
  itBufferRecord,      // command (num), start, size, version (num), id, fill (u8),
                       // location, org, byte type (num), name, flags (text)
  itWindowRecord,      // the same record in the descriptor, then bytes
  itParts,             // id, parts (u8), version (num), bytes
  itParameterSet,      // continuity (u8), UI timer (num), path, action (text)
  itJobRecord,         // byte runs, start, end, action mode, error info mode (num), pokes
  itDeviceConfig,      // byte runs, Holtek settings (see the harness), pokes
  itHardwareParams,    // images, count, error ids, texts and numbers
  itPinDriverConfigs,  // configurations with their settings, header changes
  itLayout,            // method, label (text), three levels (num), pins, count
  itDataBlock,         // name (text), bytes, size change (u8, num)
  itRaw,               // data type (num), a byte run decoded into the data sub-frame
  itFetchWindow,       // command (u8), id, start, size (num)
  itFetchInfo,         // id
  itFetchRecord,       // data type (u8; below 6 one of the records, else num)
  itFetchBlock,        // name (text), size (num)
  kItems
};

// Damage to one item of a sub-frame.
enum eDamage : std::uint8_t {
  dmDrop,       // the item goes
  dmDuplicate,  // the item comes twice
  dmRetype,     // the item becomes of type argument % 5, its value from the argument
  dmTruncate,   // the sub-frame keeps only the items before it
  dmReplace,    // a number item takes the argument; a text or block loses its last byte
  dmSwap,       // the item changes place with the one after it
  kDamages
};

// Changes to the socket devices.
enum eSocket : std::uint8_t {
  skConnect,       // wiring: slot (u8 % 8), line (u8 % 64), device pin (u8)
  skDisconnect,    // wiring: slot, line
  skInsert,        // wiring: inserted (u8 & 1)
  skTouching,      // wiring: device pin (u8), touching (u8 & 1)
  skAcknowledge,   // chip: acknowledge byte (u8)
  skSensedSupply,  // chip: millivolts (num)
  skPowerWindow,   // chip: low, high millivolts (num, num)
  skChipInsert,    // chip: inserted (u8 & 1)
  skLockBits,      // chip: lock byte (u8)
  skInfoData,      // chip: info data (u32)
  skWords,         // chip: first word (num), count (u8 % 32) words (u16 each)
  skMemoryWords,   // chip: words (num), at most 1024
  skTouch,         // probe: the pin's touch (u8)
  skHoldLow,       // probe: the pin reads low for ever (u8)
  skScript,        // probe: pin (u8), runs (u8 % 4), each low (u8 & 1), count (num)
  kSockets
};

// Operations of one input, and the longest byte run.
const unsigned int kMaxOps = 48;
const unsigned int kMaxChunk = 4096;

// Numbers: tags below kSmallLimit are the value, the next ones name a table
// entry, then a 16-bit and a 32-bit value follow.
const std::uint8_t kSmallLimit = 0xF0;
const std::uint32_t kNumberTable[] = {0x100,      0x1000,     0x7FFF,     0x8000,     0xFFFF,
                                      0x10000,    0x00FFFFFF, 0x01000000, 0x01000001, 0x04000000,
                                      0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0xFFFFFFFE};
const std::uint8_t kTag16 = kSmallLimit + sizeof(kNumberTable) / sizeof(kNumberTable[0]);
const std::uint8_t kTag32 = kTag16 + 1;
static_assert(kTag32 == 0xFF, "number tags fill the byte");

// Buffer ids: tags below kIdSmall are the id; the others name a table entry.
const std::uint8_t kIdSmall = 8;
const int kIdTable[] = {-1, -2, 8, 255, 0x10000, 0x7FFFFFFF, -0x7FFFFFFF - 1};
const std::uint8_t kIdTags = kIdSmall + sizeof(kIdTable) / sizeof(kIdTable[0]);

// Texts: tags below kWordCount name a word; the others are raw texts.
const char* const kWords[] = {"",
                              "SETUP",
                              "SETUPi",
                              "SHUTDOWN",
                              "HDW",
                              "HDW_CONTINUITY",
                              "OneGndDiodeHigh",
                              "MultiGndDiodeHigh",
                              "unknown",
                              "UNKNOWN",
                              "Job",
                              "P1",
                              "bench",
                              "/cfg/dev.cfg",
                              "host",
                              "usb"};
const std::uint8_t kWordCount = sizeof(kWords) / sizeof(kWords[0]);
const unsigned int kMaxRawText = 64;

// Reads a program; past the end every value is zero.
class tProgramReader {
public:
  tProgramReader(const std::uint8_t* data, std::size_t size) : mData(data), mSize(size), mPos(0) {}

  bool atEnd() const { return mPos >= mSize; }
  std::size_t remaining() const { return mSize - mPos; }
  // True once a read wanted more than the input held (a seed never does).
  bool overran() const { return mOverran; }

  std::uint8_t u8() {
    if (mPos < mSize) return mData[mPos++];
    mOverran = true;
    return 0;
  }
  std::uint16_t u16() {
    const std::uint16_t low = u8();
    return static_cast<std::uint16_t>(low | (u8() << 8));
  }
  std::uint32_t u32() {
    const std::uint32_t low = u16();
    return low | (static_cast<std::uint32_t>(u16()) << 16);
  }
  std::uint32_t num() {
    const std::uint8_t tag = u8();
    if (tag < kSmallLimit) return tag;
    if (tag < kTag16) return kNumberTable[tag - kSmallLimit];
    if (tag == kTag16) return u16();
    return u32();
  }
  int id() {
    const std::uint8_t tag = u8();
    if (tag < kIdSmall) return tag;
    if (tag < kIdTags) return kIdTable[tag - kIdSmall];
    return static_cast<int>(u32());
  }
  std::string text() {
    const std::uint8_t tag = u8();
    if (tag < kWordCount) return kWords[tag];
    const std::vector<std::uint8_t> raw = take((tag - kWordCount) % kMaxRawText);
    return std::string(raw.begin(), raw.end());
  }
  std::vector<std::uint8_t> take(std::size_t n) {
    if (n > remaining()) mOverran = true;
    const std::size_t k = n < remaining() ? n : remaining();
    std::vector<std::uint8_t> out(mData + mPos, mData + mPos + k);
    mPos += k;
    return out;
  }
  // A length (num, at most kMaxChunk) and that many bytes.
  std::vector<std::uint8_t> run() {
    const std::uint32_t n = num();
    return take(n < kMaxChunk ? n : kMaxChunk);
  }

private:
  const std::uint8_t* mData;
  std::size_t mSize;
  std::size_t mPos;
  bool mOverran = false;
};

// Writes a program in the form the reader takes.
class tProgramWriter {
public:
  std::vector<std::uint8_t> bytes;

  tProgramWriter& u8(std::uint8_t v) {
    bytes.push_back(v);
    return *this;
  }
  tProgramWriter& u16(std::uint16_t v) { return u8(static_cast<std::uint8_t>(v)).u8(v >> 8); }
  tProgramWriter& u32(std::uint32_t v) {
    return u16(static_cast<std::uint16_t>(v)).u16(static_cast<std::uint16_t>(v >> 16));
  }
  tProgramWriter& num(std::uint32_t v) {
    if (v < kSmallLimit) return u8(static_cast<std::uint8_t>(v));
    for (std::uint8_t i = 0; kSmallLimit + i < kTag16; ++i) {
      if (kNumberTable[i] == v) return u8(kSmallLimit + i);
    }
    if (v <= 0xFFFF) return u8(kTag16).u16(static_cast<std::uint16_t>(v));
    return u8(kTag32).u32(v);
  }
  tProgramWriter& id(int v) {
    if (v >= 0 && v < kIdSmall) return u8(static_cast<std::uint8_t>(v));
    for (std::uint8_t i = 0; kIdSmall + i < kIdTags; ++i) {
      if (kIdTable[i] == v) return u8(kIdSmall + i);
    }
    return u8(0xFF).u32(static_cast<std::uint32_t>(v));
  }
  tProgramWriter& text(const std::string& v) {
    for (std::uint8_t i = 0; i < kWordCount; ++i) {
      if (v == kWords[i]) return u8(i);
    }
    const std::size_t n = v.size() < kMaxRawText ? v.size() : kMaxRawText - 1;
    u8(static_cast<std::uint8_t>(kWordCount + n));
    bytes.insert(bytes.end(), v.begin(), v.begin() + static_cast<std::ptrdiff_t>(n));
    return *this;
  }
  tProgramWriter& run(const std::vector<std::uint8_t>& v) {
    const std::size_t n = v.size() < kMaxChunk ? v.size() : kMaxChunk;
    num(static_cast<std::uint32_t>(n));
    bytes.insert(bytes.end(), v.begin(), v.begin() + static_cast<std::ptrdiff_t>(n));
    return *this;
  }
};

}  // namespace fuzzProgram

#endif
