#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "piSubFrame.h"

namespace {

piSubFrame sample() {
  piSubFrame f;
  f.addUInt32(0x01020304u);
  f.addInt32(-1);
  f.addUInt8(0xAB);
  f.addString("text");
  f.addString("");
  f.addBlock("\x00\xff\x10", 3);
  f.addBlock(nullptr, 0);
  return f;
}

void putU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

TEST(QevpiCodec, RoundTripKeepsEveryItem) {
  const piSubFrame original = sample();
  const std::vector<std::uint8_t> bytes = original.encode();
  piSubFrame decoded;
  std::size_t used = 0;
  ASSERT_TRUE(decoded.decode(bytes.data(), bytes.size(), used));
  EXPECT_EQ(decoded, original);
  EXPECT_EQ(used, bytes.size());

  piSubFrame empty;
  EXPECT_TRUE(decoded.decode(empty.encode()));
  EXPECT_EQ(decoded.itemCount(), 0u);
}

TEST(QevpiCodec, ConsecutiveFramesDecodeOneAfterTheOther) {
  std::vector<std::uint8_t> bytes;
  sample().encodeInto(bytes);
  piSubFrame second;
  second.addUInt8(5);
  second.encodeInto(bytes);
  piSubFrame f;
  std::size_t used = 0;
  ASSERT_TRUE(f.decode(bytes.data(), bytes.size(), used));
  EXPECT_EQ(f, sample());
  ASSERT_TRUE(f.decode(bytes.data() + used, bytes.size() - used));
  EXPECT_EQ(f, second);
}

TEST(QevpiCodec, TruncatedInputIsRejectedAtEveryLength) {
  const std::vector<std::uint8_t> bytes = sample().encode();
  for (std::size_t n = 0; n < bytes.size(); ++n) {
    // Exactly n bytes on the heap, so a read past them is caught.
    std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + n);
    piSubFrame f = sample();
    EXPECT_FALSE(f.decode(cut.data(), cut.size())) << n;
    EXPECT_EQ(f.itemCount(), 0u) << n;
  }
  piSubFrame f;
  EXPECT_FALSE(f.decode(nullptr, 4));
}

TEST(QevpiCodec, MalformedInputIsRejected) {
  const struct {
    const char* what;
    std::vector<std::uint8_t> bytes;
  } cases[] = {
      {"bad tag", {1, 0, 0, 0, 9, 0, 0, 0, 0}},
      {"huge string length", {1, 0, 0, 0, 3, 0xFF, 0xFF, 0xFF, 0xFF, 'a'}},
      {"block longer than input", {1, 0, 0, 0, 4, 5, 0, 0, 0, 1, 2}},
      {"block over the cap", {}},
      {"huge count", {0xFF, 0xFF, 0xFF, 0xFF, 2, 1}},
      {"count past items", {3, 0, 0, 0, 2, 1, 2, 2}},
  };
  for (const auto& c : cases) {
    std::vector<std::uint8_t> bytes = c.bytes;
    if (bytes.empty()) {
      putU32(bytes, 1);
      bytes.push_back(4);
      putU32(bytes, piSubFrame::kMaxDecodedLength + 1);
      bytes.resize(bytes.size() + 16);
    }
    piSubFrame f;
    EXPECT_FALSE(f.decode(bytes)) << c.what;
    EXPECT_EQ(f.itemCount(), 0u) << c.what;
  }
}

TEST(QevpiCodec, MutatedInputNeverCrashes) {
  const std::vector<std::uint8_t> valid = sample().encode();
  std::uint32_t seed = 12345;
  auto next = [&seed]() {
    seed = seed * 1103515245u + 12345u;
    return seed >> 8;
  };
  for (int round = 0; round < 2000; ++round) {
    std::vector<std::uint8_t> bytes = valid;
    const int flips = 1 + static_cast<int>(next() % 4);
    for (int k = 0; k < flips; ++k) {
      bytes[next() % bytes.size()] = static_cast<std::uint8_t>(next());
    }
    bytes.resize(next() % (bytes.size() + 1));
    piSubFrame f;
    if (f.decode(bytes)) {
      // Whatever was accepted encodes back to a prefix of the input.
      const std::vector<std::uint8_t> again = f.encode();
      ASSERT_LE(again.size(), bytes.size());
      EXPECT_TRUE(std::equal(again.begin(), again.end(), bytes.begin())) << round;
    }
  }
}

}  // namespace
