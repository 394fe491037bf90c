#ifndef REAL_CALLS_H
#define REAL_CALLS_H

#include <sys/stat.h>
#include <sys/types.h>

// The next definitions of the calls the library catches (libc's, or a
// sanitizer's in front of it), for the library's own work and the calls it
// passes on.
struct tRealCalls {
  int (*open)(const char*, int, ...);
  int (*open64)(const char*, int, ...);
  int (*openat)(int, const char*, int, ...);
  int (*openat64)(int, const char*, int, ...);
  ssize_t (*read)(int, void*, size_t);
  ssize_t (*write)(int, const void*, size_t);
  int (*fchmod)(int, mode_t);
  int (*fsync)(int);
  int (*fdatasync)(int);
  int (*rename)(const char*, const char*);
  int (*renameat)(int, const char*, int, const char*);
  int (*renameat2)(int, const char*, int, const char*, unsigned int);
  int (*link)(const char*, const char*);
  int (*linkat)(int, const char*, int, const char*, int);
  int (*unlink)(const char*);
  int (*unlinkat)(int, const char*, int);
  int (*flock)(int, int);
  int (*fstat)(int, struct stat*);
  int (*fstat64)(int, struct stat64*);
};

// Resolved once; a call that comes before the library's constructor (from
// another library's) resolves them then.
const tRealCalls& realCalls();

#endif
