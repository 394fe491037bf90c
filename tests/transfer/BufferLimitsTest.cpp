// What one job's buffers may take, and a create that is refused keeping the
// buffer the host already filled.
#include <gtest/gtest.h>

#include <iostream>
#include <string>
#include <vector>

#include "JobBuilder.h"
#include "cAlgoDataReceiveKrvHandler.h"
#include "cAlgoParam.h"
#include "tJobSamples.h"
#include "tLineTap.h"

namespace {

const unsigned kBufferLimit = cAlgoParam::kMaxBufferSize;
const unsigned kAllLimit = cAlgoParam::kMaxAllBuffersSize;

std::vector<unsigned char> bytesOf(const tByteArray& b) {
  return std::vector<unsigned char>(b.getDataConst(), b.getDataConst() + b.GetSize());
}

class BufferLimits : public testing::Test {
protected:
  BufferLimits() : ap(tByteArray::slModule, 1, 0, 0) {}

  // One exchange through a receive handler; its log lines in `log`.
  bool receive(const JobBuilder& job) {
    tExchange ex = job.exchange();
    tLineTap tap(std::cerr);
    const bool ok = ex.run([this](auto&... sf) {
      cAlgoDataReceiveKrvHandler handler(ap, sf...);
      return handler.processingReceivedData();
    });
    log = tap.lines;
    return ok;
  }

  cAlgoParam ap;
  std::vector<std::string> log;
};

}  // namespace

// A refused create is told by its line, stops the exchange and keeps the
// buffer of that id byte for byte, memory map included.
TEST_F(BufferLimits, CreateAboveTheLimitIsRefusedAndKeepsTheOldBuffer) {
  const struct {
    const char* what;
    unsigned start;
    unsigned size;
  } cases[] = {
      {"the whole 32-bit range", 0, 0xFFFFFFFFu},
      {"one byte above the limit", 0, kBufferLimit + 1},
      {"start and size together above the limit", kBufferLimit - 16, 17},
  };
  const std::vector<unsigned char> filled = jobSamples::pattern(64, 3);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(receive(JobBuilder().createBuffer(5, 64, 0).wholeBuffer(5, filled, 7)));
    ASSERT_TRUE(ap.getByteArrayFromBufferId(5)->addMemoryMapItem(
        JobBuilder::command(ctMemoryMapInfo, 5, 0, 8)));

    EXPECT_FALSE(
        receive(JobBuilder()
                    .bufferCommand(JobBuilder::command(ctCreateOnly, 5, c.start, c.size, 0, 0xEE))
                    .createBuffer(6, 8, 0)));
    EXPECT_EQ(std::vector<std::string>(
                  {"PIDBG: processingReceivedData: DataTypes0: dtByteArrayInfo",
                   "PIDBG: processingReceivedData: SubFrame size:47: dtByteArrayInfo",
                   "PIDBG: processingReceivedBAI: ByteArrayInfo CmdType: ctCreateOnly",
                   "PIDBG: processingReceivedBAI: Invalid size of buffer to create.",
                   "PIDBG: processingReceivedDTDs failed."}),
              log);
    const tByteArray& kept = *ap.getByteArrayFromBufferId(5);
    EXPECT_EQ(filled, bytesOf(kept));
    EXPECT_EQ(7u, kept.getVersionOfChanges());
    EXPECT_EQ(1u, kept.getMemoryMap().size());
    EXPECT_EQ(-1, ap.getBufferIndex(6));
  }
}

TEST_F(BufferLimits, CreateOfExactlyTheLimitIsCarriedOut) {
  ASSERT_TRUE(receive(JobBuilder().createBuffer(5, kBufferLimit, 0x5A)));
  const tByteArray& b = *ap.getByteArrayFromBufferId(5);
  ASSERT_EQ(kBufferLimit, b.GetSize());
  EXPECT_EQ(0x5A, b.GetAt(0));
  EXPECT_EQ(0x5A, b.GetAt(kBufferLimit - 1));
}

// The job's buffers together: the set starts with buffer 0 of one byte, and
// four buffers of the largest size fill the whole room but for that byte.
TEST_F(BufferLimits, AllBuffersTogetherStayWithinTheirLimit) {
  ASSERT_EQ(4u * kBufferLimit, kAllLimit);
  ASSERT_TRUE(receive(JobBuilder()
                          .createBuffer(1, kBufferLimit, 0)
                          .createBuffer(2, kBufferLimit, 0)
                          .createBuffer(3, kBufferLimit, 0)));
  // One byte too many: 1 + 3 x 16 MiB + 16 MiB.
  EXPECT_FALSE(receive(JobBuilder().createBuffer(4, kBufferLimit, 0)));
  EXPECT_EQ("PIDBG: processingReceivedBAI: Invalid size of buffer to create.", log.at(3));
  EXPECT_EQ(-1, ap.getBufferIndex(4));

  // A buffer that replaces one of the same id counts in place of the old one.
  EXPECT_TRUE(receive(JobBuilder().createBuffer(2, kBufferLimit, 0x22)));
  EXPECT_EQ(0x22, ap.getByteArrayFromBufferId(2)->GetAt(0));

  EXPECT_TRUE(receive(JobBuilder().createBuffer(4, kBufferLimit - 1, 0x44)));
  EXPECT_EQ(5u, ap.getNumberOfBuffers());
  EXPECT_FALSE(receive(JobBuilder().createBuffer(7, 1, 0)));
}

TEST_F(BufferLimits, ParameterSetRefusesBuffersPastTheLimitsItself) {
  EXPECT_EQ(nullptr, ap.addByteArray(kBufferLimit + 1, 0, 3));
  EXPECT_EQ(nullptr, ap.replaceByteArray(kBufferLimit + 1, 0, 0));
  EXPECT_EQ(nullptr, ap.replaceByteArray(0, 0, 0));
  EXPECT_EQ(1u, ap.getNumberOfBuffers());
  EXPECT_EQ(1u, ap.getByteArrayFromBufferId(0)->GetSize());
  EXPECT_TRUE(ap.fitsBufferLimits(kBufferLimit, 0));
  EXPECT_FALSE(ap.fitsBufferLimits(kBufferLimit + 1, 0));
}

// The new buffer goes where a removal and a new add would put it: at the end.
TEST_F(BufferLimits, ReplacingMovesTheNewBufferToTheEnd) {
  ASSERT_NE(nullptr, ap.addByteArray(4, 0x11, 1));
  tByteArray* fresh = ap.replaceByteArray(8, 0x33, 0);
  ASSERT_NE(nullptr, fresh);
  ASSERT_EQ(2u, ap.getNumberOfBuffers());
  EXPECT_EQ(1, ap.getBufferId(0));
  EXPECT_EQ(fresh, ap.getByteArrayFromIndex(1));
  EXPECT_EQ(std::vector<unsigned char>(8, 0x33), bytesOf(*fresh));
  // A new id is simply added.
  tByteArray* added = ap.replaceByteArray(2, 0x44, 9);
  ASSERT_NE(nullptr, added);
  EXPECT_EQ(added, ap.getByteArrayFromBufferId(9));
  EXPECT_EQ(3u, ap.getNumberOfBuffers());
}
