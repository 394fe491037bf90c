#include "cK5SocketDevice.h"

// An empty socket: nothing is answered, nothing is heard.

cK5SocketDevice::~cK5SocketDevice() {}

void cK5SocketDevice::onMcuWrite(cK5SimProgrammer&, unsigned int, unsigned short) {}

bool cK5SocketDevice::onMcuRead(cK5SimProgrammer&, unsigned int, unsigned short&) { return false; }

void cK5SocketDevice::onFpgaWrite(cK5SimProgrammer&, unsigned int, unsigned int, unsigned short) {}

bool cK5SocketDevice::onFpgaRead(cK5SimProgrammer&, unsigned int, unsigned int, unsigned short&) {
  return false;
}

void cK5SocketDevice::onSupply(cK5SimProgrammer&, ePSChannel, unsigned int) {}

void cK5SocketDevice::onSuppliesOff(cK5SimProgrammer&) {}

void cK5SocketDevice::onOutput(cK5SimProgrammer&, unsigned int, eK5Output, bool) {}

void cK5SocketDevice::onStrobe(cK5SimProgrammer&) {}
