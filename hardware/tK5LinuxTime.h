#ifndef T_K5_LINUX_TIME_H
#define T_K5_LINUX_TIME_H

class cKorvo5Device;

// Busy delays counted in bus cycles of 200 ns (5 per microsecond). The cycle
// count is unsigned 32-bit: products beyond it wrap.
class tK5LinuxTime {
public:
  explicit tK5LinuxTime(cKorvo5Device& device);
  virtual ~tK5LinuxTime();

  void ndelay(unsigned int ns);
  bool delay_ns(unsigned int ns);
  void udelay(unsigned int us);
  bool delay_us(unsigned int us);
  void mdelay(unsigned int ms);
  void delay_ms(unsigned int ms);
  void sdelay(unsigned int s);
  // Waits the delay count in microseconds.
  void delay();
  void SetDelayCount(unsigned int us);

private:
  void wait(unsigned int cycles);

  unsigned int mDelayCount;
  cKorvo5Device& mDevice;
};

#endif
