#include "cK5SocketDevice.h"

#include "cK5SimProgrammer.h"

// A device that answers nothing and hears nothing.

// The socket never holds a device that is gone.
cK5SocketDevice::~cK5SocketDevice() { cK5SimProgrammer::instance().unplug(*this); }

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
