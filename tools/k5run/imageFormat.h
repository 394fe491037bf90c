#ifndef IMAGE_FORMAT_H
#define IMAGE_FORMAT_H

#include <string>
#include <vector>

// The name of the text format an image reads as, "Intel HEX" or "Motorola
// S-record", or "" for anything else, which k5run takes as raw binary. A file
// reads as one when every line that is not blank is one of its records, with
// as many digits as its count says.
std::string textImageFormat(const std::vector<unsigned char>& bytes);

#endif
