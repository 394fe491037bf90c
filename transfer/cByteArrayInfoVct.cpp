#include "cByteArrayInfoVct.h"

#include "ownedPtrVector.h"
#include "tByteArrayInfo.h"

cByteArrayInfoVct::cByteArrayInfoVct() {}

cByteArrayInfoVct::cByteArrayInfoVct(const cByteArrayInfoVct& other) { *this = other; }

cByteArrayInfoVct& cByteArrayInfoVct::operator=(const cByteArrayInfoVct& other) {
  if (this == &other) {
    return *this;
  }
  erase();
  appendDeepCopies(mItems, other.mItems);
  return *this;
}

cByteArrayInfoVct::~cByteArrayInfoVct() { erase(); }

bool cByteArrayInfoVct::operator==(const cByteArrayInfoVct& other) const {
  return equalElements(mItems, other.mItems);
}

void cByteArrayInfoVct::erase() { deleteAllOwned(mItems); }

tByteArrayInfo* cByteArrayInfoVct::get(unsigned i) const {
  return i < mItems.size() ? mItems[i] : nullptr;
}

void cByteArrayInfoVct::push_back(std::unique_ptr<tByteArrayInfo>& item) {
  if (item) {
    mItems.push_back(item.release());
  }
}
