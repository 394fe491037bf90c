#ifndef FILE_IO_H
#define FILE_IO_H

#include <cstddef>
#include <string>
#include <vector>

// Files of the runner: images in, read-outs and chip files out. Every error
// is one line naming the path. Calls that wait give up on a stop signal
// (stopSignals.h), one that comes at any moment: a read or an open on the
// first, a write on the second.

// Writes all bytes to fd; false with errno set.
bool writeAll(int fd, const void* data, std::size_t size);

// The whole file, read to its end whatever it is (a regular file, a FIFO,
// a pipe, a device) but a folder; more than maxBytes is refused. False with
// the reason in error.
bool readWholeFile(const std::string& path, std::size_t maxBytes, std::vector<unsigned char>& bytes,
                   std::string& error);

// The file a write to path lands on: symbolic links followed, relative ones
// from the link's folder, to a path that is no link (and may not exist).
// Unchanged when the links go round in circles.
std::string resolvedPath(const std::string& path);

// The folder part of a path ("." for none) and the name in it.
std::string folderOf(const std::string& path);
std::string baseNameOf(const std::string& path);

// Writes a temporary file beside the file path resolves to and renames it
// over that file, so that it holds either its old content or all of the new;
// a link stays a link. The new file gets its mode before its content is
// synced, and the folder is synced once the file has its place, so that
// what a run reported saved stays saved. The new file keeps the old one's
// permission bits without set-user-ID, set-group-ID and sticky, and its
// owner and group as far as the process may set them; a new one gets a new
// file's bits. With lockedFd the temporary file is locked (flock) before it
// takes its place and stays open in *lockedFd. With keepExisting it takes
// the place only when there is none yet (false, errno EEXIST, otherwise).
// False with the reason; nothing is left beside the file then.
bool writeFileAtomically(const std::string& path, const std::vector<unsigned char>& bytes,
                         std::string& error, int* lockedFd = nullptr, bool keepExisting = false);

// True when OUT means standard output: "-", or the file standard output is.
bool isStandardOutput(const std::string& path);

// Writes OUT: standard output, a FIFO or device written as it is, or a
// regular file through writeFileAtomically.
bool writeOutput(const std::string& path, const std::vector<unsigned char>& bytes,
                 std::string& error);

// True when OUT can be written: standard output; a FIFO or device open for
// writing; or a regular file that can be replaced (replaceable) and has one
// name only.
bool outputIsWritable(const std::string& path, std::string& error);

// True when writeFileAtomically can put a new file where path resolves to,
// as cp would write it: a folder that is there and takes a new file and
// lets one be renamed over another (not append-only or immutable), and no
// file there, or a regular file the user may write that is not append-only
// or immutable. Its number of names is not looked at (singleName).
bool replaceable(const std::string& path, std::string& error);

// True when the regular file open in fd has one name only: a new file would
// take the place of one name of several, and the others keep the old content.
bool singleName(int fd, const std::string& path, std::string& error);

// True when the folder that would hold the file path resolves to is there.
bool folderExists(const std::string& path, std::string& error);

#endif
