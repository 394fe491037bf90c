#ifndef CALL_PATHS_H
#define CALL_PATHS_H

#include <limits.h>

// The absolute paths a call works on, worked out without allocating: a call
// may be left by siglongjmp from a signal handler.
struct tPath {
  char text[PATH_MAX];
};

// The file fd is open on, as /proc/self/fd tells it; "fd:N" when it cannot.
void fdPath(int fd, tPath& path);

// name taken from the folder dirfd is open on (AT_FDCWD: the working
// folder), "." components and repeated slashes dropped; "" is that folder
// (or file, for AT_EMPTY_PATH) itself.
void atPath(int dirfd, const char* name, tPath& path);

#endif
