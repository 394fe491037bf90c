#include "tByteArray.h"

#include <cstdint>
#include <cstring>
#include <sstream>

#include "DiagnosticLog.h"
#include "tByteArrayInfo.h"

tByteArray::tByteArray(eSourceLocation loc, unsigned size_, unsigned char fill, int id)
    : pMemoryMap(new cByteArrayInfoVct),
      size(0),
      versionOfChanges(0),
      bufferId(id),
      sourceLocation(loc) {
  pAr_resize(size_, fill);
  versionOfChanges = static_cast<unsigned>(fill) + 1u;
  setNewVersionOfChanges();
}

tByteArray::tByteArray(const tByteArray& other)
    : pMemoryMap(new cByteArrayInfoVct),
      size(0),
      versionOfChanges(0),
      bufferId(-1),
      sourceLocation(slNone) {
  *this = other;
}

tByteArray& tByteArray::operator=(const tByteArray& other) {
  if (this == &other) {
    return *this;
  }
  versionOfChanges = other.versionOfChanges;
  bufferId = other.bufferId;
  sourceLocation = other.sourceLocation;
  if (other.pData) {
    pAr_resize(other.size);
    std::memcpy(pData.get(), other.pData.get(), other.size);
  } else {
    pAr_clear();
  }
  size = other.size;
  *pMemoryMap = *other.pMemoryMap;
  return *this;
}

tByteArray::~tByteArray() {}

void tByteArray::setVersionOfChanges(unsigned v) {
  if (v != 0) {
    versionOfChanges = v;
  }
}

void tByteArray::setNewVersionOfChanges() {
  if (sourceLocation == slModule) {
    --versionOfChanges;
  } else {
    ++versionOfChanges;
  }
}

unsigned char tByteArray::GetAt(unsigned pos) const {
  return (pData && pos < size) ? pData[pos] : 0;
}

bool tByteArray::SetAt(unsigned pos, unsigned char b) {
  if (!pData || pos >= size) {
    return false;
  }
  setNewVersionOfChanges();
  pData[pos] = b;
  return true;
}

unsigned char* tByteArray::getDataUnConst() {
  setNewVersionOfChanges();
  return pData.get();
}

unsigned char* tByteArray::getUnConstDataForLegacyAlgos() { return getDataUnConst(); }

namespace {

std::string hexText(unsigned v) {
  std::ostringstream os;
  os << std::hex << v;
  return os.str();
}

}  // namespace

bool tByteArray::setDataBuffer(const unsigned char* src, unsigned len, unsigned version,
                               unsigned offset) {
  const bool fits =
      len <= size && offset < size && static_cast<std::uint64_t>(offset) + len <= size;
  if (!fits || !pData) {
    logDiag("!!! Critical error !!! tByteArray::setDataBuffer(...) : wrong parameters of \"size\" "
            "and/or \"offset\" !!!");
    logDiag("!!! Critical error !!! buffer size = " + hexText(size) + ", size = " + hexText(len) +
            ", offset = " + hexText(offset));
    return false;
  }
  if (len != 0 && src == nullptr) {
    return false;
  }
  if (version != 0) {
    versionOfChanges = version;
  } else {
    setNewVersionOfChanges();
  }
  if (len != 0) {
    std::memcpy(pData.get() + offset, src, len);
  }
  return true;
}

bool tByteArray::fillBuffer(unsigned from, unsigned to, unsigned char b) {
  if (!pData || size == 0 || to > size - 1 || from > to) {
    return false;
  }
  setNewVersionOfChanges();
  std::memset(pData.get() + from, b, static_cast<std::size_t>(to) - from + 1);
  return true;
}

void tByteArray::RemoveAll() {
  setNewVersionOfChanges();
  pAr_clear();
}

void tByteArray::stampMapItem(tByteArrayInfo& item) const {
  item.sourceLocation = static_cast<unsigned int>(sourceLocation);
  item.id = bufferId;
}

bool tByteArray::setMemoryMap(const cByteArrayInfoVct& map) {
  *pMemoryMap = map;
  for (unsigned i = 0; i < pMemoryMap->size(); ++i) {
    stampMapItem(*pMemoryMap->get(i));
  }
  return true;
}

bool tByteArray::addMemoryMapItem(const tByteArrayInfo& item) {
  std::unique_ptr<tByteArrayInfo> copy(new tByteArrayInfo(item));
  stampMapItem(*copy);
  pMemoryMap->push_back(copy);
  return true;
}

void tByteArray::pAr_resize(unsigned len) {
  pData.reset(len ? new unsigned char[len] : nullptr);
  size = len;
}

void tByteArray::pAr_resize(unsigned len, unsigned char fill) {
  pAr_resize(len);
  if (len) {
    std::memset(pData.get(), fill, len);
  }
}

void tByteArray::pAr_clear() { pData.reset(); }
