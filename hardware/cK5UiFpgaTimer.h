#ifndef C_K5_UI_FPGA_TIMER_H
#define C_K5_UI_FPGA_TIMER_H

class cK5FPGACtrl;

// Millisecond period timer inside an FPGA.
class cK5UiFpgaTimer {
public:
  explicit cK5UiFpgaTimer(cK5FPGACtrl& fpgaCtrl);
  virtual ~cK5UiFpgaTimer();

  // Sets the period and restarts it.
  void setTime_ms(unsigned short ms);
  // The period as the FPGA holds it.
  unsigned short getTimerCount();
  // Nonzero while the period is still running.
  unsigned char isRunningAndRestart();

private:
  cK5FPGACtrl* mpFpgaCtrl;
};

#endif
