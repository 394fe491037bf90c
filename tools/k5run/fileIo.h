#ifndef FILE_IO_H
#define FILE_IO_H

#include <string>
#include <vector>

// Files of the runner: images in, read-outs out. Every error is one line
// naming the path.

// The whole file; false with the reason in error.
bool readWholeFile(const std::string& path, std::vector<unsigned char>& bytes, std::string& error);

// Writes a temporary file beside path and renames it over path, so that path
// holds either its old content or all of the new; false with the reason.
bool writeFileAtomically(const std::string& path, const std::vector<unsigned char>& bytes,
                         std::string& error);

// True when a file can be created in the folder that would hold path.
bool folderIsWritable(const std::string& path, std::string& error);

#endif
