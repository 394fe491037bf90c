#include "fileIo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

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

bool writeFileAtomically(const std::string& path, const std::vector<unsigned char>& bytes,
                         std::string& error) {
  std::string temp = path + ".XXXXXX";
  const int fd = ::mkstemp(&temp[0]);
  if (fd < 0) {
    error = path + ": cannot create a temporary file beside it: " + std::strerror(errno);
    return false;
  }
  bool ok = writeAll(fd, bytes) && ::fsync(fd) == 0;
  int reason = errno;
  // Like a newly created file, not mkstemp's owner-only mode.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  if (ok && ::fchmod(fd, 0666 & ~mask) != 0) {
    ok = false;
    reason = errno;
  }
  if (::close(fd) != 0 && ok) {
    ok = false;
    reason = errno;
  }
  if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
    ok = false;
    reason = errno;
  }
  if (!ok) {
    ::unlink(temp.c_str());
    error = path + ": cannot write: " + std::strerror(reason);
  }
  return ok;
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
