#ifndef C_K5_SMART_PS_CTRL_H
#define C_K5_SMART_PS_CTRL_H

class cK5AbstractPSCtrl;

// Guarded front end of the host supply control. It keeps VCP3 at or above
// VCP1 and VCP2 and VGATE at least 5000 mV above VCP3, judged against the
// levels this object sent last (levels set on the host by others are not seen).
class cK5SmartPSCtrl {
public:
  explicit cK5SmartPSCtrl(cK5AbstractPSCtrl& psCtrl);
  virtual ~cK5SmartPSCtrl();

  // Start levels from zeroed caches.
  void init();
  // Rest levels; VCP1 and VCP2 come down before VCP3, VGATE is never lowered.
  void reset();

  void setVls(unsigned int mV);
  void setVcomp(unsigned int mV);
  void setVcp1(unsigned int mV);
  void setVcp2(unsigned int mV);
  void setVcp3(unsigned int mV);
  // Raises only.
  void setVGate(unsigned int mV);

  // Volts, truncated to whole millivolts.
  void SetVls(float volts);
  void SetVcomp(float volts);
  void SetVcp1(float volts);
  void SetVcp2(float volts);
  void SetVcp3(float volts);

private:
  cK5SmartPSCtrl(const cK5SmartPSCtrl&) = delete;
  cK5SmartPSCtrl& operator=(const cK5SmartPSCtrl&) = delete;

  void send(int channel, unsigned int mV);
  void logRefusedVcp3(unsigned int mV) const;

  cK5AbstractPSCtrl* mpPSCtrl;
  unsigned int mVGate;
  unsigned int mVcp3;
  unsigned int mVcp2;
  unsigned int mVcp1;
  unsigned int mVls;
  unsigned int mVcomp;
};

#endif
