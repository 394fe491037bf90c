#include "callPaths.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>

#include "rawText.h"

namespace {

// Joins each component of text but "." and empty ones to out, after a slash.
std::size_t appendComponents(char* out, std::size_t at, const char* text) {
  while (*text != '\0') {
    const char* end = std::strchr(text, '/');
    const std::size_t length =
        end != nullptr ? static_cast<std::size_t>(end - text) : std::strlen(text);
    if (length != 0 && !(length == 1 && text[0] == '.')) {
      at = appendText(out, PATH_MAX, at, "/", 1);
      at = appendText(out, PATH_MAX, at, text, length);
    }
    text += length;
    if (*text == '/') ++text;
  }
  return at;
}

bool readFdLink(int fd, char* out) {
  char link[40];
  appendNumber(link, sizeof link, appendText(link, sizeof link, 0, "/proc/self/fd/"), fd);
  const ssize_t n = ::readlink(link, out, PATH_MAX - 1);
  if (n < 0) return false;
  out[n] = '\0';
  return true;
}

}  // namespace

void fdPath(int fd, tPath& path) {
  if (readFdLink(fd, path.text)) return;
  appendNumber(path.text, PATH_MAX, appendText(path.text, PATH_MAX, 0, "fd:"), fd);
}

void atPath(int dirfd, const char* name, tPath& path) {
  tPath base;
  base.text[0] = '\0';
  if (name[0] != '/') {
    if (dirfd != AT_FDCWD) {
      fdPath(dirfd, base);
    } else if (::getcwd(base.text, sizeof base.text) == nullptr) {
      appendText(base.text, PATH_MAX, 0, "cwd:?");
    }
  }
  path.text[0] = '\0';
  std::size_t at = appendComponents(path.text, 0, base.text);
  at = appendComponents(path.text, at, name);
  if (at == 0) appendText(path.text, PATH_MAX, 0, "/");
}
