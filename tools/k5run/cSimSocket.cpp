#include "cSimSocket.h"

#include <sys/stat.h>

#include <cerrno>

#include "defaultJob.h"
#include "fileIo.h"

namespace {

std::string wordsError(std::uint32_t words) {
  return "chip of " + std::to_string(words) + " words: outside 1.." +
         std::to_string(cK5HoltekChip::kMaxWords);
}

}  // namespace

cSimSocket::cSimSocket()
    : mChipFileExisted(false), mLoadedWords(mChip.words()), mLoadedInfo(0), mLoadedLock(0) {}

bool cSimSocket::loadChip(const std::string& path, std::uint32_t words, std::string& error) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 && errno == ENOENT) return newChip(words, error);
  mChipFileExisted = true;
  if (S_ISREG(st.st_mode) && st.st_size == 0) {
    error =
        "chip file " + path + " is empty, no chip image: remove it to start with an erased chip";
    return false;
  }
  if (!mChip.load(path, error)) return false;
  keepLoaded();
  return true;
}

bool cSimSocket::newChip(std::uint32_t words, std::string& error) {
  mChipFileExisted = false;
  if (!mChip.setMemoryWords(words)) {
    error = wordsError(words);
    return false;
  }
  keepLoaded();
  return true;
}

void cSimSocket::keepLoaded() {
  mLoadedWords = mChip.words();
  mLoadedInfo = mChip.infoData();
  mLoadedLock = mChip.lockBits();
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

bool cSimSocket::saveChip(const std::string& path, std::string& error, int* lockedFd) const {
  const std::vector<std::uint8_t> image = mChip.image();
  return writeFileAtomically(path, std::vector<unsigned char>(image.begin(), image.end()), error,
                             lockedFd);
}

bool cSimSocket::erasedChipImage(std::uint32_t words, std::vector<unsigned char>& bytes,
                                 std::string& error) {
  cK5HoltekChip chip;
  if (!chip.setMemoryWords(words)) {
    error = wordsError(words);
    return false;
  }
  const std::vector<std::uint8_t> image = chip.image();
  bytes.assign(image.begin(), image.end());
  return true;
}

// A pin counts when one unbroken run of low readings of its own bank lasted
// as long as the test needs to take it.
unsigned int cSimSocket::confirmedPins() const {
  std::vector<bool> confirmed(cK5TouchProbe::kLastPin + 1, false);
  for (const cK5TouchProbe::tReadRun& run : mProbe.readLog()) {
    if (run.pin >= confirmed.size() || !run.low || run.count < cK5TouchProbe::kTouchRun) continue;
    if (run.offset == cK5TouchProbe::bankRegister(cK5TouchProbe::bankOf(run.pin))) {
      confirmed[run.pin] = true;
    }
  }
  unsigned int count = 0;
  for (bool c : confirmed) count += c ? 1 : 0;
  return count;
}
