#ifndef TAG_GLOBAL_ALGOCTRL_DATA_H
#define TAG_GLOBAL_ALGOCTRL_DATA_H

// The 50-byte progress and message record sent to the host: packed,
// little-endian, written one byte at a time (littleEndian.h).
struct TAG_GLOBAL_ALGOCTRL_DATA {
  static const unsigned int kSize = 50;
  unsigned char bytes[kSize];
};
static_assert(sizeof(TAG_GLOBAL_ALGOCTRL_DATA) == TAG_GLOBAL_ALGOCTRL_DATA::kSize,
              "the record travels as exactly its bytes");

// Byte offsets of the record's fields.
enum eGacdField {
  gacdActionEnded = 4,    // u8: the record is the last of an action
  gacdCancelRequest = 5,  // u8: the host asked to cancel
  gacdAddress = 6,        // i32: current device address
  gacdAddressValid = 10,  // u32: 1 = address to show
  gacdMessageNo = 14,     // i32: number of the message to show
  gacdParamLayout = 18,   // u32: MsgParamLayout
  gacdParam1 = 22,
  gacdParam2 = 26,
  gacdParam3 = 30,
  gacdParam4 = 34,
  gacdMessageValid = 38,  // u32: 1 = bytes 14-37 hold a message
  gacdReserved1 = 42,
  gacdReserved2 = 46
};

// How many parameters follow a numbered message, and of which type.
enum MsgParamLayout {
  mplNone = 1,
  mplLong1 = 2,
  mplLong2 = 3,
  mplLong3 = 4,
  mplLong4 = 5,
  mplFloat1 = 6,
  mplFloat2 = 7,
  mplInt1 = 9,
  mplInt1Float1 = 10
};

#endif
