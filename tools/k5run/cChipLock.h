#ifndef C_CHIP_LOCK_H
#define C_CHIP_LOCK_H

#include <string>
#include <vector>

// Keeps one run's hands on a chip file: an advisory lock (flock) on the file
// a chip path resolves to, held while the run lives. A save replaces the
// file by a new one, so the lock moves with it (adopt); a run that got the
// old file after that finds it replaced and tries the new one.
//
// A chip that has no file yet gets a placeholder to lock: an erased chip
// image, placed only where nothing is, and taken away again unless the run
// saved the chip over it.
class cChipLock {
public:
  enum eResult {
    lrLocked,    // held
    lrBusy,      // another run holds it
    lrUnlocked,  // nothing to lock: no file (and no placeholder asked for), or no regular file
    lrFailed,    // the placeholder could not be written (the reason in error)
  };

  cChipLock() = default;
  ~cChipLock();
  cChipLock(const cChipLock&) = delete;
  cChipLock& operator=(const cChipLock&) = delete;

  // Locks the chip file at path; a missing one is created from placeholder
  // when that is not empty.
  eResult lock(const std::string& path, const std::vector<unsigned char>& placeholder,
               std::string& error);

  // True while the file locked is the placeholder: the chip is new.
  bool placeholder() const { return mPlaceholder; }
  // The file locked, open; -1 when none is.
  int fd() const { return mFd; }

  // The file now at the path, open and locked by the save that put it there.
  void adopt(int fd);

private:
  void release();

  int mFd = -1;
  std::string mTarget;
  bool mPlaceholder = false;  // the file at mTarget is the placeholder
};

#endif
