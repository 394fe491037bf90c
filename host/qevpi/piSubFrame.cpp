#include "piSubFrame.h"

#include <cstring>

bool piSubFrame::Item::operator==(const Item& other) const {
  if (type != other.type) {
    return false;
  }
  switch (type) {
    case pitUInt32:
      return u32 == other.u32;
    case pitInt32:
      return i32 == other.i32;
    case pitUInt8:
      return u8 == other.u8;
    case pitString:
      return text == other.text;
    case pitBlock:
      return bytes == other.bytes;
  }
  return false;
}

piSubFrame::piSubFrame() {}

namespace {

bool storeItem(const piSubFrame::Item& src, const cDTFrame::Item& dst) {
  if (src.type != dst.type || dst.field == nullptr) {
    return false;
  }
  switch (src.type) {
    case pitUInt32:
      *static_cast<unsigned int*>(dst.field) = src.u32;
      return true;
    case pitInt32:
      *static_cast<int*>(dst.field) = src.i32;
      return true;
    case pitUInt8:
      *static_cast<unsigned char*>(dst.field) = src.u8;
      return true;
    case pitString:
      *static_cast<std::string*>(dst.field) = src.text;
      return true;
    case pitBlock: {
      piDBlock* block = static_cast<piDBlock*>(dst.field);
      const std::size_t n = src.bytes.size();
      if (block->wrapsForeignMemory()) {
        // Wrapped memory has a fixed size: never write past it.
        if (n != block->getSize()) {
          return false;
        }
        std::memcpy(block->getData(), src.bytes.data(), n);
        return true;
      }
      block->createData(static_cast<unsigned int>(n));
      if (n) {
        std::memcpy(block->getData(), src.bytes.data(), n);
      }
      return true;
    }
  }
  return false;
}

void putU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) {
    out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
}

class Reader {
public:
  Reader(const std::uint8_t* data, std::size_t size) : mData(data), mSize(size), mPos(0) {}
  bool u8(std::uint8_t& v) {
    if (mSize - mPos < 1) return false;
    v = mData[mPos++];
    return true;
  }
  bool u32(std::uint32_t& v) {
    if (mSize - mPos < 4) return false;
    v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(mData[mPos + i]) << (8 * i);
    mPos += 4;
    return true;
  }
  bool bytes(std::uint32_t n, const std::uint8_t*& p) {
    if (mSize - mPos < n) return false;
    p = mData + mPos;
    mPos += n;
    return true;
  }
  std::size_t remaining() const { return mSize - mPos; }
  std::size_t pos() const { return mPos; }

private:
  const std::uint8_t* mData;
  std::size_t mSize;
  std::size_t mPos;
};

}  // namespace

bool piSubFrame::storeToFrame(const cDTFrame* frame) const {
  if (frame == nullptr) {
    return false;
  }
  const std::size_t n = frame->size() < mItems.size() ? frame->size() : mItems.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (!storeItem(mItems[i], frame->item(i))) {
      return false;
    }
  }
  return frame->size() == mItems.size();
}

bool piSubFrame::loadFromFrame(const cDTFrame* frame) {
  mItems.clear();
  if (frame == nullptr) {
    return false;
  }
  for (std::size_t i = 0; i < frame->size(); ++i) {
    const cDTFrame::Item& f = frame->item(i);
    if (f.field == nullptr) {
      return false;
    }
    switch (f.type) {
      case pitUInt32:
        addUInt32(*static_cast<unsigned int*>(f.field));
        break;
      case pitInt32:
        addInt32(*static_cast<int*>(f.field));
        break;
      case pitUInt8:
        addUInt8(*static_cast<unsigned char*>(f.field));
        break;
      case pitString:
        addString(*static_cast<std::string*>(f.field));
        break;
      case pitBlock: {
        const piDBlock* b = static_cast<const piDBlock*>(f.field);
        addBlock(b->getData(), b->getSize());
        break;
      }
    }
  }
  return true;
}

unsigned int piSubFrame::getSize() const {
  std::size_t total = 0;
  for (const Item& it : mItems) {
    switch (it.type) {
      case pitUInt32:
      case pitInt32:
        total += 4;
        break;
      case pitUInt8:
        total += 1;
        break;
      case pitString:
        total += it.text.size();
        break;
      case pitBlock:
        total += it.bytes.size();
        break;
    }
  }
  return static_cast<unsigned int>(total);
}

void piSubFrame::addUInt32(std::uint32_t v) {
  Item it;
  it.type = pitUInt32;
  it.u32 = v;
  mItems.push_back(it);
}

void piSubFrame::addInt32(std::int32_t v) {
  Item it;
  it.type = pitInt32;
  it.i32 = v;
  mItems.push_back(it);
}

void piSubFrame::addUInt8(std::uint8_t v) {
  Item it;
  it.type = pitUInt8;
  it.u8 = v;
  mItems.push_back(it);
}

void piSubFrame::addString(const std::string& v) {
  Item it;
  it.type = pitString;
  it.text = v;
  mItems.push_back(std::move(it));
}

void piSubFrame::addBlock(const void* data, std::size_t size) {
  Item it;
  it.type = pitBlock;
  if (data != nullptr && size != 0) {
    const char* p = static_cast<const char*>(data);
    it.bytes.assign(p, p + size);
  }
  mItems.push_back(std::move(it));
}

void piSubFrame::addBlock(const std::vector<char>& bytes) { addBlock(bytes.data(), bytes.size()); }

std::vector<std::uint8_t> piSubFrame::encode() const {
  std::vector<std::uint8_t> out;
  encodeInto(out);
  return out;
}

void piSubFrame::encodeInto(std::vector<std::uint8_t>& out) const {
  putU32(out, static_cast<std::uint32_t>(mItems.size()));
  for (const Item& it : mItems) {
    out.push_back(static_cast<std::uint8_t>(it.type));
    switch (it.type) {
      case pitUInt32:
        putU32(out, it.u32);
        break;
      case pitInt32:
        putU32(out, static_cast<std::uint32_t>(it.i32));
        break;
      case pitUInt8:
        out.push_back(it.u8);
        break;
      case pitString:
        putU32(out, static_cast<std::uint32_t>(it.text.size()));
        out.insert(out.end(), it.text.begin(), it.text.end());
        break;
      case pitBlock:
        putU32(out, static_cast<std::uint32_t>(it.bytes.size()));
        out.insert(out.end(), it.bytes.begin(), it.bytes.end());
        break;
    }
  }
}

bool piSubFrame::decode(const std::uint8_t* data, std::size_t size) {
  std::size_t used = 0;
  return decode(data, size, used);
}

bool piSubFrame::decode(const std::vector<std::uint8_t>& bytes) {
  return decode(bytes.data(), bytes.size());
}

bool piSubFrame::decode(const std::uint8_t* data, std::size_t size, std::size_t& used) {
  mItems.clear();
  used = 0;
  if (data == nullptr && size != 0) {
    return false;
  }
  Reader in(data, size);
  std::uint32_t count = 0;
  if (!in.u32(count)) {
    return false;
  }
  // Every item takes at least two bytes: a forged count cannot make us reserve much.
  if (count > in.remaining() / 2) {
    return false;
  }
  std::vector<Item> items;
  items.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint8_t tag = 0;
    if (!in.u8(tag)) return false;
    Item it;
    switch (tag) {
      case pitUInt32:
        it.type = pitUInt32;
        if (!in.u32(it.u32)) return false;
        break;
      case pitInt32: {
        std::uint32_t raw = 0;
        it.type = pitInt32;
        if (!in.u32(raw)) return false;
        it.i32 = static_cast<std::int32_t>(raw);
        break;
      }
      case pitUInt8:
        it.type = pitUInt8;
        if (!in.u8(it.u8)) return false;
        break;
      case pitString:
      case pitBlock: {
        std::uint32_t n = 0;
        const std::uint8_t* p = nullptr;
        if (!in.u32(n) || n > kMaxDecodedLength || !in.bytes(n, p)) return false;
        if (tag == pitString) {
          it.type = pitString;
          it.text.assign(reinterpret_cast<const char*>(p), n);
        } else {
          it.type = pitBlock;
          it.bytes.assign(reinterpret_cast<const char*>(p), reinterpret_cast<const char*>(p) + n);
        }
        break;
      }
      default:
        return false;
    }
    items.push_back(std::move(it));
  }
  mItems.swap(items);
  used = in.pos();
  return true;
}
