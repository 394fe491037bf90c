#include "cFpgaHdwImageCtrl.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>
#include <system_error>

cFpgaHdwImageCtrl::cFpgaHdwImageCtrl() : RequiredCrc(0), mReadPos(0) {}

cFpgaHdwImageCtrl::cFpgaHdwImageCtrl(std::string path, std::string kind, unsigned crc,
                                     unsigned char& ok)
    : RequiredCrc(0), mReadPos(0) {
  ok = 0;
  clear();
  if (setdbImage(path)) {
    FileName = path;
    KindOfHdwImage = kind;
    RequiredCrc = crc;
    ok = 1;
  }
}

cFpgaHdwImageCtrl::cFpgaHdwImageCtrl(const cFpgaHdwImageCtrl& other) : cFpgaHdwImageCtrl() {
  *this = other;
}

cFpgaHdwImageCtrl& cFpgaHdwImageCtrl::operator=(const cFpgaHdwImageCtrl& other) {
  if (this == &other) {
    return *this;
  }
  clear();
  mdbImage = other.mdbImage;  // an independent copy of the bytes
  FileName = other.FileName;
  KindOfHdwImage = other.KindOfHdwImage;
  RequiredCrc = other.RequiredCrc;
  return *this;
}

cFpgaHdwImageCtrl::~cFpgaHdwImageCtrl() {}

bool cFpgaHdwImageCtrl::operator==(const cFpgaHdwImageCtrl& other) const {
  if (this == &other) {
    return true;
  }
  const unsigned n = mdbImage.getSize();
  return n == other.mdbImage.getSize() &&
         (n == 0 || std::memcmp(mdbImage.getData(), other.mdbImage.getData(), n) == 0) &&
         FileName == other.FileName && KindOfHdwImage == other.KindOfHdwImage &&
         RequiredCrc == other.RequiredCrc;
}

void cFpgaHdwImageCtrl::clear() {
  mReadPos = 0;
  mdbImage.createData(0);
  FileName.clear();
  KindOfHdwImage.clear();
  RequiredCrc = 0;
}

bool cFpgaHdwImageCtrl::isValid() const {
  return mdbImage.getSize() > 0 && !KindOfHdwImage.empty();
}

bool cFpgaHdwImageCtrl::setdbImage(std::string path) {
  RequiredCrc = 0;
  if (!readfile(path, mdbImage)) {
    return false;
  }
  FileName = path;
  return true;
}

unsigned cFpgaHdwImageCtrl::getc(unsigned char& end) {
  end = 1;
  if (mdbImage.getSize() == 0 || mReadPos >= mdbImage.getSize()) {
    return 0;
  }
  end = 0;
  return static_cast<unsigned char>(mdbImage.getData()[mReadPos++]);
}

bool cFpgaHdwImageCtrl::readfile(std::string path, piDBlock& block) {
  block.createData(0);
  if (path.empty()) {
    return false;
  }
  // Only a regular file has a size to read: opening a FIFO would block, and a
  // directory may report an end position of gigabytes.
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in.good()) {
    return false;
  }
  in.seekg(0, std::ios::end);
  const std::streamoff end = in.tellg();
  // An image that does not fit a block's 32-bit size is refused like an unreadable one.
  if (end <= 0 || static_cast<unsigned long long>(end) > 0xFFFFFFFFull) {
    return false;
  }
  const unsigned n = static_cast<unsigned>(end);
  try {
    block.createData(n);
  } catch (const std::bad_alloc&) {
    return false;  // the block stays empty
  }
  in.seekg(0, std::ios::beg);
  in.read(block.getData(), n);
  return static_cast<unsigned long long>(in.gcount()) == n;
}

bool cFpgaHdwImageCtrl::makeDTFrame(cDTFrame& frame) {
  frame.add(&FileName, true);
  frame.add(&KindOfHdwImage, true);
  frame.add(&mdbImage, true);
  frame.add(&RequiredCrc, true);
  return true;
}
