#include "cChipLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "fileIdentity.h"
#include "fileIo.h"

namespace {

// Replacements seen in a row before a run gives up as if the file were busy.
const int kAttempts = 10;

bool stillThere(int fd, const std::string& path) {
  return sameFile(identityOfFd(fd), identityOf(path));
}

}  // namespace

cChipLock::~cChipLock() { release(); }

void cChipLock::release() {
  if (mFd < 0) return;
  // Only our own placeholder goes, and only while we still hold it.
  if (mPlaceholder && stillThere(mFd, mTarget)) ::unlink(mTarget.c_str());
  ::close(mFd);
  mFd = -1;
  mPlaceholder = false;
}

cChipLock::eResult cChipLock::lock(const std::string& path,
                                   const std::vector<unsigned char>& placeholder,
                                   std::string& error) {
  release();
  mTarget = resolvedPath(path);
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    // Non-blocking, so that a FIFO in the chip's place does not hang the run.
    const int fd = ::open(mTarget.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
      if (errno != ENOENT || placeholder.empty()) return lrUnlocked;
      int created = -1;
      if (writeFileAtomically(path, placeholder, error, &created, true)) {
        mFd = created;
        mPlaceholder = true;
        return lrLocked;
      }
      // Another run put its file there first: lock that one.
      if (errno == EEXIST) continue;
      return lrFailed;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      ::close(fd);
      return lrUnlocked;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      ::close(fd);
      return lrBusy;
    }
    // A save may have put a new file in the place since we opened the old one.
    if (stillThere(fd, mTarget)) {
      mFd = fd;
      return lrLocked;
    }
    ::close(fd);
  }
  return lrBusy;
}

void cChipLock::adopt(int fd) {
  if (mFd >= 0) ::close(mFd);
  mFd = fd;
  mPlaceholder = false;
}
