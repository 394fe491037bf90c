#include "piDBlock.h"

#include <cstring>

piDBlock::piDBlock() : mData(nullptr), mSize(0), mOwned(true) {}

piDBlock::piDBlock(unsigned int n) : mData(nullptr), mSize(0), mOwned(true) { createData(n); }

piDBlock::piDBlock(char* p, unsigned int n, int memoryUsage)
    : mData(nullptr), mSize(0), mOwned(true) {
  if (p == nullptr || n == 0) {
    return;
  }
  if (memoryUsage == muWrapForeign) {
    mData = p;
    mSize = n;
    mOwned = false;
  } else {
    createData(n);
    std::memcpy(mData, p, n);
  }
}

piDBlock::piDBlock(const piDBlock& other) : mData(nullptr), mSize(0), mOwned(true) {
  *this = other;
}

piDBlock& piDBlock::operator=(const piDBlock& other) {
  if (this == &other) {
    return *this;
  }
  // Copy first: the source may wrap memory that this block owns.
  char* fresh = other.mSize ? new char[other.mSize] : nullptr;
  if (fresh) {
    std::memcpy(fresh, other.mData, other.mSize);
  }
  release();
  mData = fresh;
  mSize = other.mSize;
  mOwned = true;
  return *this;
}

piDBlock::~piDBlock() { release(); }

void piDBlock::createData(unsigned int n) {
  release();
  if (n == 0) {
    return;
  }
  mData = new char[n]();
  mSize = n;
  mOwned = true;
}

void piDBlock::release() {
  if (mOwned) {
    delete[] mData;
  }
  mData = nullptr;
  mSize = 0;
  mOwned = true;
}
