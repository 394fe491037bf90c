#include "cSimSocket.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "defaultJob.h"

cSimSocket::cSimSocket()
    : mChipFileExisted(false), mLoadedWords(mChip.words()), mLoadedInfo(0), mLoadedLock(0) {}

bool cSimSocket::loadChip(const std::string& path, std::uint32_t words, std::string& error) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 && errno == ENOENT) {
    mChipFileExisted = false;
    if (!mChip.setMemoryWords(words)) {
      error = "chip of " + std::to_string(words) + " words: outside 1.." +
              std::to_string(cK5HoltekChip::kMaxWords);
      return false;
    }
  } else {
    mChipFileExisted = true;
    if (!mChip.load(path, error)) return false;
  }
  mLoadedWords = mChip.words();
  mLoadedInfo = mChip.infoData();
  mLoadedLock = mChip.lockBits();
  return true;
}

void cSimSocket::wireContacts(bool inserted) {
  for (const tSocketPin& pin : holtekSocketPins())
    mContacts.connect(pin.slot, pin.line, pin.devicePin);
  mContacts.setInserted(inserted);
  cK5SimProgrammer::instance().plug(mContacts);
}

void cSimSocket::plugChip(bool inserted, unsigned int sensedMv) {
  wireContacts(inserted);
  mChip.setInserted(inserted);
  mChip.setSensedSupply(sensedMv);
  cK5SimProgrammer::instance().plug(mChip);
}

void cSimSocket::plugContacts(bool inserted) { wireContacts(inserted); }

void cSimSocket::plugProbe() { cK5SimProgrammer::instance().plug(mProbe); }

bool cSimSocket::chipChanged() const {
  return mChip.words() != mLoadedWords || mChip.infoData() != mLoadedInfo ||
         mChip.lockBits() != mLoadedLock;
}

bool cSimSocket::saveChip(const std::string& path, std::string& error) const {
  return mChip.save(path, error);
}
