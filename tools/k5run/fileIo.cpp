#include "fileIo.h"

#include <fcntl.h>
#include <limits.h>
#include <linux/fs.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "fileIdentity.h"
#include "stopSignals.h"

namespace {

const int kMaxLinks = 40;
const int kTempAttempts = 100;
const char kTempChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
// ".XXXXXX" after the name.
const std::size_t kTempSuffix = 7;

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

// open() that a stop signal gives up; again after any other signal.
int openStoppable(const std::string& path, int flags) {
  for (;;) {
    const int fd = static_cast<int>(stoppableCall(
        1, [&] { return static_cast<long>(::open(path.c_str(), flags | O_CLOEXEC)); }));
    if (fd >= 0 || errno != EINTR || stopSignal() != 0) return fd;
  }
}

// The reason a file or folder cannot be replaced or renamed in, from its
// attributes; "" when none. A file system without attributes has none.
std::string attributeReason(const std::string& path, bool folder) {
  const int fd =
      ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | (folder ? O_DIRECTORY : 0));
  if (fd < 0) return "";
  int flags = 0;
  const bool known = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  ::close(fd);
  if (!known) return "";
  if (flags & FS_IMMUTABLE_FL) return "is immutable (chattr +i)";
  if (flags & FS_APPEND_FL) return "is append-only (chattr +a)";
  return "";
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
  if (!write) return true;
  if (::access(folder.c_str(), W_OK | X_OK) != 0) {
    error = path + ": folder " + folder + " is not writable";
    return false;
  }
  const std::string reason = attributeReason(folder, true);
  if (!reason.empty()) {
    error = path + ": folder " + folder + " " + reason + ": no file can be renamed into it";
    return false;
  }
  return true;
}

// The folder a save writes in, open for the *at calls and its own fsync:
// names stay short whatever the path's length.
struct tSaveFolder {
  int fd = -1;
  std::string name;  // the file's name in it
  std::string temp;  // the temporary file's name, once made
  ~tSaveFolder() {
    if (fd >= 0) ::close(fd);
  }
};

bool openSaveFolder(const std::string& target, tSaveFolder& folder) {
  folder.fd = ::open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  folder.name = baseNameOf(target);
  return folder.fd >= 0;
}

// A temporary file beside the file, created new, its name cut to fit the
// folder's name length: "chip.bin.Ab3xY9".
int createTemp(tSaveFolder& folder) {
  long longest = ::fpathconf(folder.fd, _PC_NAME_MAX);
  if (longest <= 0) longest = NAME_MAX;
  std::string stem = folder.name;
  if (stem.size() + kTempSuffix > static_cast<std::size_t>(longest)) {
    stem.resize(static_cast<std::size_t>(longest) - kTempSuffix);
  }
  struct timespec now = {};
  ::clock_gettime(CLOCK_REALTIME, &now);
  std::uint64_t seed = static_cast<std::uint64_t>(now.tv_nsec) ^
                       (static_cast<std::uint64_t>(::getpid()) << 16) ^
                       static_cast<std::uint64_t>(now.tv_sec);
  for (int attempt = 0; attempt < kTempAttempts; ++attempt) {
    std::string name = stem + ".";
    for (std::size_t i = 0; i + 1 < kTempSuffix; ++i) {
      seed = seed * 6364136223846793005ull + 1442695040888963407ull;
      name += kTempChars[(seed >> 33) % (sizeof kTempChars - 1)];
    }
    const int fd = ::openat(folder.fd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0 || errno != EEXIST) {
      if (fd >= 0) folder.temp = name;
      return fd;
    }
  }
  errno = EEXIST;
  return -1;
}

// The content, its mode and its lock, then synced: the file is whole before it takes a place.
bool fillTemp(int fd, const std::vector<unsigned char>& bytes, const tFileKind& kind, bool lock) {
  keepOwner(fd, kind);
  return writeAll(fd, bytes.data(), bytes.size()) && ::fchmod(fd, kind.mode) == 0 &&
         ::fsync(fd) == 0 && (!lock || ::flock(fd, LOCK_EX | LOCK_NB) == 0);
}

// Into its place: link() refuses to replace what is there; rename() replaces
// it in one step. Then the folder is synced, so that the place is kept.
bool placeTemp(const tSaveFolder& folder, bool keepExisting) {
  const char* temp = folder.temp.c_str();
  const char* name = folder.name.c_str();
  if (keepExisting) {
    if (::linkat(folder.fd, temp, folder.fd, name, 0) != 0) return false;
    if (::unlinkat(folder.fd, temp, 0) != 0) return false;
  } else if (::renameat(folder.fd, temp, folder.fd, name) != 0) {
    return false;
  }
  // A file system that cannot sync a folder keeps its places as it can.
  return ::fsync(folder.fd) == 0 || errno == EINVAL;
}

// After the second stop signal: what fd takes without waiting, at most one
// pipe buffer's worth; -1 with EAGAIN when it would wait.
long writeWithoutWaiting(int fd, const unsigned char* bytes, std::size_t size) {
  struct pollfd ready = {fd, POLLOUT, 0};
  if (::poll(&ready, 1, 0) <= 0) {
    errno = EAGAIN;
    return -1;
  }
  return static_cast<long>(::write(fd, bytes, size < PIPE_BUF ? size : PIPE_BUF));
}

}  // namespace

std::string folderOf(const std::string& path) {
  const std::string::size_type slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string baseNameOf(const std::string& path) {
  const std::string::size_type slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool writeAll(int fd, const void* data, std::size_t size) {
  const unsigned char* bytes = static_cast<const unsigned char*>(data);
  std::size_t done = 0;
  while (done < size) {
    const bool givenUp = stopSignalCount() >= 2;
    const long n =
        givenUp ? writeWithoutWaiting(fd, bytes + done, size - done) : stoppableCall(2, [&] {
          return static_cast<long>(::write(fd, bytes + done, size - done));
        });
    if (n < 0) {
      // A signal: the next round looks at how many stop signals came.
      if (errno == EINTR) continue;
      if (givenUp && errno == EAGAIN) errno = EINTR;
      return false;
    }
    if (n == 0) {
      errno = EIO;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool readWholeFile(const std::string& path, std::size_t maxBytes, std::vector<unsigned char>& bytes,
                   std::string& error) {
  // Blocking: a FIFO waits for its writer.
  const int fd = openStoppable(path, O_RDONLY);
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
    const long n =
        stoppableCall(1, [&] { return static_cast<long>(::read(fd, chunk, sizeof chunk)); });
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
  tSaveFolder folder;
  const int fd = openSaveFolder(target, folder) ? createTemp(folder) : -1;
  if (fd < 0) {
    error = path + ": cannot create a temporary file beside it: " + std::strerror(errno);
    return false;
  }
  const bool ok = fillTemp(fd, bytes, kind, lockedFd != nullptr) && placeTemp(folder, keepExisting);
  const int reason = errno;
  if (!ok) {
    ::unlinkat(folder.fd, folder.temp.c_str(), 0);
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
  return path == "-" || sameFile(identityOfFd(STDOUT_FILENO), identityOf(path));
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
  const int fd = openStoppable(path, O_WRONLY);
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
  if (isRegularOrMissing(path)) {
    if (!replaceable(path, error)) return false;
    const int fd = ::open(resolvedPath(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return true;
    const bool single = singleName(fd, path, error);
    ::close(fd);
    return single;
  }
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
    const std::string reason = attributeReason(target, false);
    if (!reason.empty()) {
      error = path + ": it " + reason + ": a new file cannot take its place";
      return false;
    }
    // As cp decides: root may write any file.
    if (::access(target.c_str(), W_OK) != 0) {
      error = path + ": " + std::strerror(errno);
      return false;
    }
  }
  return folderCheck(target, true, error);
}

bool singleName(int fd, const std::string& path, std::string& error) {
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink <= 1) return true;
  error = path + ": it has " + std::to_string(st.st_nlink) +
          " hard links, and the new file would take the place of one";
  return false;
}

bool folderExists(const std::string& path, std::string& error) {
  return folderCheck(resolvedPath(path), false, error);
}
