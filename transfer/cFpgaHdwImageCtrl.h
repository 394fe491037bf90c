#ifndef C_FPGA_HDW_IMAGE_CTRL_H
#define C_FPGA_HDW_IMAGE_CTRL_H

#include <string>

#include "cDTFrame.h"
#include "piDBlock.h"

// One FPGA hardware image: name, kind ("HDW" or "HDW_CONTINUITY"), bytes and
// the checksum value the host gave with it.
class cFpgaHdwImageCtrl {
public:
  cFpgaHdwImageCtrl();
  // Reads the image from a file; ok is 1 on success.
  cFpgaHdwImageCtrl(std::string path, std::string kind, unsigned crc, unsigned char& ok);
  cFpgaHdwImageCtrl(const cFpgaHdwImageCtrl& other);
  cFpgaHdwImageCtrl& operator=(const cFpgaHdwImageCtrl& other);
  virtual ~cFpgaHdwImageCtrl();

  bool operator==(const cFpgaHdwImageCtrl& other) const;
  bool operator!=(const cFpgaHdwImageCtrl& other) const { return !(*this == other); }

  void clear();
  bool isValid() const;

  unsigned getRequiredCrc() const { return RequiredCrc; }
  void setRequiredCrc(unsigned crc) { RequiredCrc = crc; }
  std::string getKindOfHdwImage() const { return KindOfHdwImage; }
  std::string getFileName() const { return FileName; }
  piDBlock& dbImage() { return mdbImage; }

  bool setdbImage(std::string path);
  // Next byte of the image; the end flag is 1 (and the result 0) past the end.
  unsigned getc(unsigned char& end);
  void rewind() { mReadPos = 0; }

  static bool readfile(std::string path, piDBlock& block);

  // FileName, KindOfHdwImage, image bytes, RequiredCrc.
  bool makeDTFrame(cDTFrame& frame);

private:
  std::string FileName;
  std::string KindOfHdwImage;
  piDBlock mdbImage;
  unsigned int RequiredCrc;
  unsigned int mReadPos;
};

#endif
