#ifndef MC_P_INTERFACE_H
#define MC_P_INTERFACE_H

#include <cstdint>

class mcHInterface;

// Programming protocol of the Holtek microcontroller in the socket: power-on
// entry over the 4-bit bus, nibble read mode and the serial instruction set.
// Every wait is part of the protocol. Only the entry acknowledge is checked.
class mcPInterface {
public:
  // Neither is owned; the job status gets the code of a wrong acknowledge.
  mcPInterface(mcHInterface* hw, short& jobStatus);
  // Does not power the target off.
  virtual ~mcPInterface();

  // VCP1, VCOMP and VLS for a Vcc: rising, the supply goes up before the
  // levels; falling, the levels come down first.
  void setVccVLevels(unsigned long vcc);
  // Supplies on and entry sequence; an acknowledge other than 0xBC sets the
  // job status to 2014 and still leaves the target powered for powerOff.
  void powerOn(unsigned long vcc, unsigned long vpp);
  // Exit sequence and supplies off, only when powered; the levels stay.
  void powerOff();
  // After a host failure anywhere from powerOn to powerOff: VPP output off,
  // then Vcc, each step whatever the others throw, and no exit sequence (the
  // chip may be busy, and the host has just failed). Never throws.
  void cutPower() noexcept;

  void EnterReadMode(unsigned long address);
  void LeaveReadMode();
  // The next word of read mode; the chip advances the address itself.
  std::uint16_t ReadDataWord();

  void pulseSCK();
  void LoadInstruction(unsigned char byte);
  unsigned char ReadData();

  // Signature bytes 0 to 6 into buffer[0..6].
  void ReadSignature(unsigned char* buffer);
  unsigned char ReadLockBits();
  std::uint32_t ReadInfoData();
  void WriteInfoData(unsigned long value);
  // Only the low 5 bits are programmed.
  void WriteLockBits(unsigned char bits);
  unsigned char ReadDataByte(unsigned short address);
  void LoadDataByte(unsigned short address, unsigned char data);
  void WriteDataPage(unsigned short address);
  void setWriteCycleTime(unsigned char time);
  void ChipErase();

private:
  void nibbleStrobe(std::uint16_t value);
  void sendBytes(unsigned char b0, unsigned char b1, unsigned char b2);
  void sendBytes(unsigned char b0, unsigned char b1, unsigned char b2, unsigned char b3);
  // Lets the chip prepare its answer, then shifts it in.
  unsigned char answer();

  mcHInterface* mpHw;
  short& mJobStatus;
  bool mPowered;
};

#endif
