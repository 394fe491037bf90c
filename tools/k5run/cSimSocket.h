#ifndef C_SIM_SOCKET_H
#define C_SIM_SOCKET_H

#include <cstdint>
#include <string>
#include <vector>

#include "cK5ContinuitySocket.h"
#include "cK5HoltekChip.h"
#include "cK5TouchProbe.h"

// What sits in the simulated programmer's socket for one run: the contacts of
// the 8-pin socket with a Holtek chip whose memory lives in a file, or the
// operator's touch probe for the signal test.
class cSimSocket {
public:
  cSimSocket();

  // The chip from its image file; a missing file gives an erased chip of
  // `words` words. False with a one-line reason for any other failure.
  bool loadChip(const std::string& path, std::uint32_t words, std::string& error);
  // An erased chip of `words` words, as for a missing file.
  bool newChip(std::uint32_t words, std::string& error);
  bool chipFileExisted() const { return mChipFileExisted; }

  // Plugs the contacts and the chip (taken out for an empty socket).
  void plugChip(bool inserted, unsigned int sensedMv);
  // Plugs the contacts (with nothing in them when empty) and no chip.
  void plugContacts(bool inserted);
  void plugProbe();

  // The memory as loaded, before the run.
  const std::vector<std::uint16_t>& loadedWords() const { return mLoadedWords; }
  // True when the chip's memory, info data or lock bits differ from the loaded ones.
  bool chipChanged() const;
  // Saves the chip through writeFileAtomically, the new file locked and open in *lockedFd.
  bool saveChip(const std::string& path, std::string& error, int* lockedFd) const;
  // The image file of an erased chip of `words` words, as bytes.
  static bool erasedChipImage(std::uint32_t words, std::vector<unsigned char>& bytes,
                              std::string& error);

  // Pins the probe held low long enough for the signal test to take them.
  unsigned int confirmedPins() const;

  cK5HoltekChip& chip() { return mChip; }
  cK5TouchProbe& probe() { return mProbe; }

private:
  void wireContacts(bool inserted);
  // What the chip holds now is what it was loaded with.
  void keepLoaded();

  cK5ContinuitySocket mContacts;
  cK5HoltekChip mChip;
  cK5TouchProbe mProbe;
  bool mChipFileExisted;
  std::vector<std::uint16_t> mLoadedWords;
  std::uint32_t mLoadedInfo;
  std::uint8_t mLoadedLock;
};

#endif
