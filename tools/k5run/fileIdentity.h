#ifndef FILE_IDENTITY_H
#define FILE_IDENTITY_H

#include <sys/types.h>

#include <string>

// Which file a path or a descriptor is, so that two names, or a name and a
// standard stream, are known to be one file however they are spelt: the
// device and inode of a file that is there; for a name not there yet, the
// place a write would create it (the folder's canonical path and the name,
// symbolic links followed).
struct tFileIdentity {
  bool exists = false;
  bool regular = false;
  dev_t device = 0;
  ino_t inode = 0;
  std::string place;  // "" when the folder is not there
};

tFileIdentity identityOf(const std::string& path);
tFileIdentity identityOfFd(int fd);

// True when both are one file, or one place for a file not there yet.
bool sameFile(const tFileIdentity& a, const tFileIdentity& b);

#endif
