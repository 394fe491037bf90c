#ifndef C_K5_SOCKET_DEVICE_H
#define C_K5_SOCKET_DEVICE_H

#include "eK5Output.h"
#include "ePSChannel.h"

class cK5SimProgrammer;

// A device model plugged into the simulated socket. It is told of what the
// programmer does and may answer the readable registers. It unplugs itself
// when it is destroyed.
class cK5SocketDevice {
public:
  virtual ~cK5SocketDevice();
  virtual void onMcuWrite(cK5SimProgrammer& sim, unsigned int offset, unsigned short value);
  // Return true and set value to answer a read; false leaves the register
  // file's value, which `value` holds when the device is asked.
  virtual bool onMcuRead(cK5SimProgrammer& sim, unsigned int offset, unsigned short& value);
  virtual void onFpgaWrite(cK5SimProgrammer& sim, unsigned int slot, unsigned int reg,
                           unsigned short value);
  virtual bool onFpgaRead(cK5SimProgrammer& sim, unsigned int slot, unsigned int reg,
                          unsigned short& value);
  virtual void onSupply(cK5SimProgrammer& sim, ePSChannel channel, unsigned int mV);
  virtual void onSuppliesOff(cK5SimProgrammer& sim);
  virtual void onOutput(cK5SimProgrammer& sim, unsigned int slot, eK5Output output, bool disabled);
  // After a strobe made a bank live on slots 1 to 6.
  virtual void onStrobe(cK5SimProgrammer& sim);
};

#endif
