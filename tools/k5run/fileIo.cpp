#include "fileIo.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

const int kMaxLinks = 40;

std::string folderOf(const std::string& path) {
  const std::string::size_type slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool writeAll(int fd, const std::vector<unsigned char>& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Permission bits for the file at target: its own, or a new file's.
mode_t modeFor(const std::string& target) {
  struct stat st;
  if (::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return st.st_mode & 07777;
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

bool isRegularOrMissing(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return errno == ENOENT;
  return S_ISREG(st.st_mode);
}

}  // namespace

bool readWholeFile(const std::string& path, std::vector<unsigned char>& bytes, std::string& error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = path + ": " + std::strerror(errno);
    return false;
  }
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    error = path + ": not a regular file";
    ::close(fd);
    return false;
  }
  bytes.clear();
  unsigned char chunk[65536];
  for (;;) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = path + ": " + std::strerror(errno);
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    bytes.insert(bytes.end(), chunk, chunk + n);
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
  std::string temp = target + ".XXXXXX";
  const int fd = ::mkstemp(&temp[0]);
  if (fd < 0) {
    error = path + ": cannot create a temporary file beside it: " + std::strerror(errno);
    return false;
  }
  bool ok = writeAll(fd, bytes) && ::fsync(fd) == 0;
  int reason = errno;
  if (ok && ::fchmod(fd, modeFor(target)) != 0) {
    ok = false;
    reason = errno;
  }
  if (ok && lockedFd != nullptr && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ok = false;
    reason = errno;
  }
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
    if (!writeAll(STDOUT_FILENO, bytes)) {
      error = (path == "-" ? std::string("standard output") : path) +
              ": cannot write: " + std::strerror(errno);
      return false;
    }
    return true;
  }
  if (isRegularOrMissing(path)) return writeFileAtomically(path, bytes, error);
  // A FIFO or a device takes the bytes as they come; there is nothing to rename.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) {
    error = path + ": cannot open: " + std::strerror(errno);
    return false;
  }
  const bool ok = writeAll(fd, bytes);
  const int reason = errno;
  if (::close(fd) != 0 || !ok) {
    error = path + ": cannot write: " + std::strerror(ok ? errno : reason);
    return false;
  }
  return true;
}

bool outputIsWritable(const std::string& path, std::string& error) {
  if (isStandardOutput(path)) return true;
  if (isRegularOrMissing(path)) return folderIsWritable(resolvedPath(path), error);
  if (::access(path.c_str(), W_OK) != 0) {
    error = path + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

bool folderIsWritable(const std::string& path, std::string& error) {
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
  if (::access(folder.c_str(), W_OK | X_OK) != 0) {
    error = path + ": folder " + folder + " is not writable";
    return false;
  }
  return true;
}
