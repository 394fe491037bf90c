#include "fileIo.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "stopSignals.h"

namespace {

const int kMaxLinks = 40;

std::string folderOf(const std::string& path) {
  const std::string::size_type slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// The old file's owner, group and permission bits, or a new file's bits.
struct tFileKind {
  bool existed = false;
  uid_t owner = 0;
  gid_t group = 0;
  mode_t mode = 0;
};

tFileKind kindFor(const std::string& target) {
  tFileKind kind;
  struct stat st;
  if (::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
    kind.existed = true;
    kind.owner = st.st_uid;
    kind.group = st.st_gid;
    // The set-ID bits would give the new content the old one's powers.
    kind.mode = st.st_mode & 0777;
    return kind;
  }
  const mode_t mask = ::umask(0);
  ::umask(mask);
  kind.mode = 0666 & ~mask;
  return kind;
}

// Owner and group as far as the process may set them: a user may give the
// file a group of their own, root any owner.
void keepOwner(int fd, const tFileKind& kind) {
  if (!kind.existed) return;
  if (::fchown(fd, kind.owner, kind.group) != 0) {
    if (::fchown(fd, static_cast<uid_t>(-1), kind.group) != 0) return;
  }
}

bool isRegularOrMissing(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return errno == ENOENT;
  return S_ISREG(st.st_mode);
}

// open(), again after a signal that is not a stop signal.
int openWaiting(const std::string& path, int flags) {
  for (;;) {
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    if (fd >= 0 || errno != EINTR || stopSignal() != 0) return fd;
  }
}

bool folderCheck(const std::string& path, bool write, std::string& error) {
  const std::string folder = folderOf(path);
  struct stat st;
  if (::stat(folder.c_str(), &st) != 0) {
    error = path + ": folder " + folder + ": " + std::strerror(errno);
    return false;
  }
  if (!S_ISDIR(st.st_mode)) {
    error = path + ": " + folder + " is not a folder";
    return false;
  }
  if (write && ::access(folder.c_str(), W_OK | X_OK) != 0) {
    error = path + ": folder " + folder + " is not writable";
    return false;
  }
  return true;
}

}  // namespace

bool writeAll(int fd, const void* data, std::size_t size) {
  const unsigned char* bytes = static_cast<const unsigned char*>(data);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd, bytes + done, size - done);
    if (n < 0) {
      if (errno == EINTR && stopSignalCount() < 2) continue;
      return false;
    }
    if (n == 0) {
      errno = EIO;
      return false;
    }
    done += static_cast<std::size_t>(n);
    // Cut short by a signal: after a second stop signal the rest is not waited for.
    if (done < size && stopSignalCount() >= 2) {
      errno = EINTR;
      return false;
    }
  }
  return true;
}

bool readWholeFile(const std::string& path, std::size_t maxBytes, std::vector<unsigned char>& bytes,
                   std::string& error) {
  // Blocking: a FIFO waits for its writer.
  const int fd = openWaiting(path, O_RDONLY);
  if (fd < 0) {
    error = path + ": " + std::strerror(errno);
    return false;
  }
  struct stat st;
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    error = path + ": it is a folder";
    ::close(fd);
    return false;
  }
  bytes.clear();
  unsigned char chunk[65536];
  for (;;) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR && stopSignal() == 0) continue;
    if (n < 0) {
      error = path + ": " + std::strerror(errno);
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    bytes.insert(bytes.end(), chunk, chunk + n);
    if (bytes.size() > maxBytes) {
      error = path + ": more than " + std::to_string(maxBytes) + " bytes";
      ::close(fd);
      return false;
    }
  }
  ::close(fd);
  return true;
}

std::string resolvedPath(const std::string& path) {
  std::string current = path;
  for (int i = 0; i < kMaxLinks; ++i) {
    char target[PATH_MAX];
    const ssize_t n = ::readlink(current.c_str(), target, sizeof target - 1);
    if (n < 0) return current;
    const std::string link(target, static_cast<std::size_t>(n));
    const std::string folder = folderOf(current);
    current = link[0] == '/' || current.find('/') == std::string::npos ? link : folder + "/" + link;
  }
  return path;
}

bool writeFileAtomically(const std::string& path, const std::vector<unsigned char>& bytes,
                         std::string& error, int* lockedFd, bool keepExisting) {
  const std::string target = resolvedPath(path);
  const tFileKind kind = kindFor(target);
  std::string temp = target + ".XXXXXX";
  const int fd = ::mkstemp(&temp[0]);
  if (fd < 0) {
    error = path + ": cannot create a temporary file beside it: " + std::strerror(errno);
    return false;
  }
  keepOwner(fd, kind);
  bool ok = writeAll(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0 &&
            ::fchmod(fd, kind.mode) == 0 &&
            (lockedFd == nullptr || ::flock(fd, LOCK_EX | LOCK_NB) == 0);
  int reason = errno;
  if (ok) {
    // link() refuses to replace what is there; rename() replaces it in one step.
    const int placed = keepExisting ? ::link(temp.c_str(), target.c_str())
                                    : ::rename(temp.c_str(), target.c_str());
    if (placed != 0) {
      ok = false;
      reason = errno;
    }
    if (keepExisting) ::unlink(temp.c_str());
  }
  if (!ok) {
    ::unlink(temp.c_str());
    ::close(fd);
    error = path + ": cannot write: " + std::strerror(reason);
    errno = reason;
    return false;
  }
  if (lockedFd != nullptr) {
    *lockedFd = fd;
    return true;
  }
  if (::close(fd) != 0) {
    error = path + ": cannot write: " + std::strerror(errno);
    return false;
  }
  return true;
}

bool isStandardOutput(const std::string& path) {
  if (path == "-") return true;
  struct stat out;
  struct stat st;
  return ::fstat(STDOUT_FILENO, &out) == 0 && ::stat(path.c_str(), &st) == 0 &&
         out.st_dev == st.st_dev && out.st_ino == st.st_ino;
}

bool writeOutput(const std::string& path, const std::vector<unsigned char>& bytes,
                 std::string& error) {
  if (isStandardOutput(path)) {
    std::fflush(stdout);
    if (!writeAll(STDOUT_FILENO, bytes.data(), bytes.size())) {
      error = (path == "-" ? std::string("standard output") : path) +
              ": cannot write: " + std::strerror(errno);
      return false;
    }
    return true;
  }
  if (isRegularOrMissing(path)) return writeFileAtomically(path, bytes, error);
  // A FIFO or a device takes the bytes as they come; there is nothing to rename.
  const int fd = openWaiting(path, O_WRONLY);
  if (fd < 0) {
    error = path + ": cannot open: " + std::strerror(errno);
    return false;
  }
  const bool ok = writeAll(fd, bytes.data(), bytes.size());
  const int reason = errno;
  if (::close(fd) != 0 || !ok) {
    if (!ok) errno = reason;
    error = path + ": cannot write: " + std::strerror(errno);
    return false;
  }
  return true;
}

bool outputIsWritable(const std::string& path, std::string& error) {
  if (isStandardOutput(path)) return true;
  if (isRegularOrMissing(path)) return replaceable(path, error);
  if (::access(path.c_str(), W_OK) != 0) {
    error = path + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

bool replaceable(const std::string& path, std::string& error) {
  const std::string target = resolvedPath(path);
  struct stat st;
  if (::stat(target.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) {
      error = path + ": it is a folder";
      return false;
    }
    // As cp decides: root may write any file.
    if (::access(target.c_str(), W_OK) != 0) {
      error = path + ": " + std::strerror(errno);
      return false;
    }
    if (S_ISREG(st.st_mode) && st.st_nlink > 1) {
      error = path + ": it has " + std::to_string(st.st_nlink) +
              " hard links, and the new file would take the place of one";
      return false;
    }
  }
  return folderCheck(target, true, error);
}

bool folderExists(const std::string& path, std::string& error) {
  return folderCheck(resolvedPath(path), false, error);
}
