// The calls the library catches. It defines both the plain and the
// large-file entry points (open and open64), so it must see each under its
// own name, and its own definitions, not the fortified inline ones.
#undef _FILE_OFFSET_BITS
#undef _FORTIFY_SOURCE

#include <dlfcn.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>

#include "callLog.h"
#include "callPaths.h"
#include "callRules.h"
#include "realCalls.h"

namespace {

tRealCalls gReal;
bool gResolved = false;

template <typename F>
void resolve(F& f, const char* name) {
  f = reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

void resolveAll() {
  resolve(gReal.open, "open");
  resolve(gReal.open64, "open64");
  resolve(gReal.openat, "openat");
  resolve(gReal.openat64, "openat64");
  resolve(gReal.read, "read");
  resolve(gReal.write, "write");
  resolve(gReal.fchmod, "fchmod");
  resolve(gReal.fsync, "fsync");
  resolve(gReal.fdatasync, "fdatasync");
  resolve(gReal.rename, "rename");
  resolve(gReal.renameat, "renameat");
  resolve(gReal.renameat2, "renameat2");
  resolve(gReal.link, "link");
  resolve(gReal.linkat, "linkat");
  resolve(gReal.unlink, "unlink");
  resolve(gReal.unlinkat, "unlinkat");
  resolve(gReal.flock, "flock");
  resolve(gReal.fstat, "fstat");
  resolve(gReal.fstat64, "fstat64");
  gResolved = true;
}

__attribute__((constructor)) void startPreload() {
  if (!gResolved) resolveAll();
  readRules();
  readLogPath();
}

// The logged calls, which need their paths for the log too.
bool watched(eCall call) { return (logging() && isLogged(call)) || ruleFor(call); }

// The call on its paths, worked out already: held, raised or failed as the
// rules say, and logged when it was made. errno is the program's again
// before the real call and after the library's own work.
template <typename Made>
auto caught(eCall call, int savedErrno, const char* path, const char* path2, Made made)
    -> decltype(made()) {
  const int fail = beforeCall(call, path, path2);
  if (fail != 0) {
    errno = fail;
    return -1;
  }
  errno = savedErrno;
  const auto result = made();
  const int error = errno;
  if (isLogged(call)) logCall(call, path, path2, result < 0 ? -1 : 0, error);
  errno = error;
  return result;
}

template <typename Made>
auto fdCall(eCall call, int fd, Made made) -> decltype(made()) {
  const int saved = errno;
  if (!watched(call)) return made();
  tPath path;
  fdPath(fd, path);
  return caught(call, saved, path.text, nullptr, made);
}

template <typename Made>
int pathCall(eCall call, int dirfd, const char* name, Made made) {
  const int saved = errno;
  if (!watched(call)) return made();
  tPath path;
  atPath(dirfd, name, path);
  return caught(call, saved, path.text, nullptr, made);
}

template <typename Made>
int twoPathCall(eCall call, int dirfd, const char* name, int dirfd2, const char* name2, Made made) {
  const int saved = errno;
  if (!watched(call)) return made();
  tPath path;
  tPath path2;
  atPath(dirfd, name, path);
  atPath(dirfd2, name2, path2);
  return caught(call, saved, path.text, path2.text, made);
}

// The mode is there only with O_CREAT or O_TMPFILE.
mode_t modeOf(int flags, va_list args) {
  const bool given = (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE;
  return given ? va_arg(args, mode_t) : 0;
}

}  // namespace

const tRealCalls& realCalls() {
  if (!gResolved) resolveAll();
  return gReal;
}

// Only these are seen from outside the library.
#pragma GCC visibility push(default)
extern "C" {

int open(const char* name, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = modeOf(flags, args);
  va_end(args);
  return pathCall(cOpen, AT_FDCWD, name, [&] { return realCalls().open(name, flags, mode); });
}

int open64(const char* name, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = modeOf(flags, args);
  va_end(args);
  return pathCall(cOpen, AT_FDCWD, name, [&] { return realCalls().open64(name, flags, mode); });
}

int openat(int dirfd, const char* name, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = modeOf(flags, args);
  va_end(args);
  return pathCall(cOpen, dirfd, name, [&] { return realCalls().openat(dirfd, name, flags, mode); });
}

int openat64(int dirfd, const char* name, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = modeOf(flags, args);
  va_end(args);
  return pathCall(cOpen, dirfd, name,
                  [&] { return realCalls().openat64(dirfd, name, flags, mode); });
}

ssize_t read(int fd, void* buffer, size_t size) {
  return fdCall(cRead, fd, [&] { return realCalls().read(fd, buffer, size); });
}

ssize_t write(int fd, const void* buffer, size_t size) {
  return fdCall(cWrite, fd, [&] { return realCalls().write(fd, buffer, size); });
}

int fchmod(int fd, mode_t mode) {
  return fdCall(cFchmod, fd, [&] { return realCalls().fchmod(fd, mode); });
}

int fsync(int fd) {
  return fdCall(cFsync, fd, [&] { return realCalls().fsync(fd); });
}

int fdatasync(int fd) {
  return fdCall(cFsync, fd, [&] { return realCalls().fdatasync(fd); });
}

int flock(int fd, int operation) {
  return fdCall(cFlock, fd, [&] { return realCalls().flock(fd, operation); });
}

int fstat(int fd, struct stat* st) {
  return fdCall(cFstat, fd, [&] { return realCalls().fstat(fd, st); });
}

int fstat64(int fd, struct stat64* st) {
  return fdCall(cFstat, fd, [&] { return realCalls().fstat64(fd, st); });
}

int rename(const char* from, const char* to) {
  return twoPathCall(cRename, AT_FDCWD, from, AT_FDCWD, to,
                     [&] { return realCalls().rename(from, to); });
}

int renameat(int fromDir, const char* from, int toDir, const char* to) {
  return twoPathCall(cRename, fromDir, from, toDir, to,
                     [&] { return realCalls().renameat(fromDir, from, toDir, to); });
}

int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned int flags) {
  return twoPathCall(cRename, fromDir, from, toDir, to,
                     [&] { return realCalls().renameat2(fromDir, from, toDir, to, flags); });
}

int link(const char* from, const char* to) {
  return twoPathCall(cLink, AT_FDCWD, from, AT_FDCWD, to,
                     [&] { return realCalls().link(from, to); });
}

int linkat(int fromDir, const char* from, int toDir, const char* to, int flags) {
  // With AT_EMPTY_PATH, from "" is the file fromDir is open on, as atPath has it.
  return twoPathCall(cLink, fromDir, from, toDir, to,
                     [&] { return realCalls().linkat(fromDir, from, toDir, to, flags); });
}

int unlink(const char* name) {
  return pathCall(cUnlink, AT_FDCWD, name, [&] { return realCalls().unlink(name); });
}

int unlinkat(int dirfd, const char* name, int flags) {
  auto made = [&] { return realCalls().unlinkat(dirfd, name, flags); };
  // Removing a folder is no unlink.
  if ((flags & AT_REMOVEDIR) != 0) return made();
  return pathCall(cUnlink, dirfd, name, made);
}

}  // extern "C"
#pragma GCC visibility pop
