#ifndef PI_SUB_FRAME_H
#define PI_SUB_FRAME_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "cDTFrame.h"
#include "piTypes.h"

// One sub-frame of a host exchange: an ordered list of typed items.
class piSubFrame {
public:
  struct Item {
    ePiItemType type = pitUInt32;
    std::uint32_t u32 = 0;    // pitUInt32
    std::int32_t i32 = 0;     // pitInt32
    std::uint8_t u8 = 0;      // pitUInt8
    std::string text;         // pitString
    std::vector<char> bytes;  // pitBlock
    bool operator==(const Item& other) const;
  };

  // Longest string or block a decoded sub-frame may carry.
  static const std::uint32_t kMaxDecodedLength = 64u * 1024u * 1024u;

  piSubFrame();

  // Receive: writes the items in order into the listed fields while the types
  // match. Stops with false at the first mismatch or when either list ends
  // first; fields already stored keep their new values. A block that wraps the
  // caller's memory accepts exactly its own size (otherwise nothing of it is
  // written); an owning block takes the received size and bytes.
  bool storeToFrame(const cDTFrame* frame) const;
  // Send: replaces the content with the listed fields' values, in order.
  bool loadFromFrame(const cDTFrame* frame);

  // Payload bytes: 4 per 32-bit item, 1 per 8-bit item, the length of each
  // string and the size of each block.
  unsigned int getSize() const;

  // Host-side access, for the host, tests and tools.
  void clear() { mItems.clear(); }
  std::size_t itemCount() const { return mItems.size(); }
  const Item& item(std::size_t i) const { return mItems.at(i); }
  const std::vector<Item>& items() const { return mItems; }
  void addUInt32(std::uint32_t v);
  void addInt32(std::int32_t v);
  void addUInt8(std::uint8_t v);
  void addString(const std::string& v);
  void addBlock(const void* data, std::size_t size);
  void addBlock(const std::vector<char>& bytes);

  bool operator==(const piSubFrame& other) const { return mItems == other.mItems; }
  bool operator!=(const piSubFrame& other) const { return !(*this == other); }

  // Byte encoding (little-endian): item count, then per item a type byte and
  // its value; strings and blocks carry a 32-bit length before their bytes.
  std::vector<std::uint8_t> encode() const;
  void encodeInto(std::vector<std::uint8_t>& out) const;
  // Decodes untrusted bytes. False for malformed or truncated input; the
  // sub-frame is then left empty. `used` receives the bytes consumed.
  bool decode(const std::uint8_t* data, std::size_t size);
  bool decode(const std::uint8_t* data, std::size_t size, std::size_t& used);
  bool decode(const std::vector<std::uint8_t>& bytes);

private:
  std::vector<Item> mItems;
};

#endif
