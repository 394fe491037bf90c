#include "fileIdentity.h"

#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>

#include "fileIo.h"

namespace {

void takeStat(const struct stat& st, tFileIdentity& identity) {
  identity.exists = true;
  identity.regular = S_ISREG(st.st_mode);
  identity.device = st.st_dev;
  identity.inode = st.st_ino;
}

}  // namespace

tFileIdentity identityOf(const std::string& path) {
  tFileIdentity identity;
  struct stat st;
  if (::stat(path.c_str(), &st) == 0) takeStat(st, identity);
  const std::string target = resolvedPath(path);
  char folder[PATH_MAX];
  if (::realpath(folderOf(target).c_str(), folder) != nullptr) {
    identity.place = std::string(folder) + "/" + baseNameOf(target);
  }
  return identity;
}

tFileIdentity identityOfFd(int fd) {
  tFileIdentity identity;
  struct stat st;
  if (::fstat(fd, &st) == 0) takeStat(st, identity);
  return identity;
}

bool sameFile(const tFileIdentity& a, const tFileIdentity& b) {
  if (a.exists && b.exists) return a.device == b.device && a.inode == b.inode;
  return !a.exists && !b.exists && !a.place.empty() && a.place == b.place;
}
