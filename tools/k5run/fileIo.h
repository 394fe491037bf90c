#ifndef FILE_IO_H
#define FILE_IO_H

#include <string>
#include <vector>

// Files of the runner: images in, read-outs and chip files out. Every error
// is one line naming the path.

// The whole file; false with the reason in error.
bool readWholeFile(const std::string& path, std::vector<unsigned char>& bytes, std::string& error);

// The file a write to path lands on: symbolic links followed, relative ones
// from the link's folder, to a path that is no link (and may not exist).
// Unchanged when the links go round in circles.
std::string resolvedPath(const std::string& path);

// Writes a temporary file beside the file path resolves to and renames it
// over that file, so that it holds either its old content or all of the new;
// a link stays a link. The new file keeps the old one's permission bits, or
// gets those of a newly created file. With lockedFd the temporary file is
// locked (flock) before it takes its place and stays open in *lockedFd. With
// keepExisting it takes the place only when there is none yet (false, errno
// EEXIST, otherwise). False with the reason.
bool writeFileAtomically(const std::string& path, const std::vector<unsigned char>& bytes,
                         std::string& error, int* lockedFd = nullptr, bool keepExisting = false);

// True when OUT means standard output: "-", or the file standard output is.
bool isStandardOutput(const std::string& path);

// Writes OUT: standard output, a FIFO or device written as it is, or a
// regular file through writeFileAtomically.
bool writeOutput(const std::string& path, const std::vector<unsigned char>& bytes,
                 std::string& error);

// True when OUT can be written: a file can be created beside what path
// resolves to, or it is a FIFO or device open for writing, or standard output.
bool outputIsWritable(const std::string& path, std::string& error);

// True when a file can be created in the folder that would hold path.
bool folderIsWritable(const std::string& path, std::string& error);

#endif
