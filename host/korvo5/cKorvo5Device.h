#ifndef C_KORVO5_DEVICE_H
#define C_KORVO5_DEVICE_H

class cK5AbstractPSCtrl;
class cK5PDIOCtrl;
class cK5Config;
class cK5DeviceCtrl;

// The programmer's device object. The controls it hands out belong to the
// host library; the same slot always gives the same objects. Any call,
// the constructor included, may throw a std::string.
class cKorvo5Device {
public:
  cKorvo5Device();
  virtual ~cKorvo5Device();

  cK5AbstractPSCtrl* psCtrl();
  // FPGA slot 0..6.
  cK5PDIOCtrl* pdioCtrl(unsigned int slot);
  cK5Config* config();
  cK5DeviceCtrl* deviceCtrl();
  // Busy-waits n bus cycles (5 per microsecond).
  void waitBusCycles(unsigned int n);
  void lockInterrupts();
  void unlockInterrupts();
  unsigned int numInstalledPDIOs();

private:
  cKorvo5Device(const cKorvo5Device&) = delete;
  cKorvo5Device& operator=(const cKorvo5Device&) = delete;
};

#endif
