#ifndef C_K5_PIEZO_CTRL_H
#define C_K5_PIEZO_CTRL_H

class cKorvo5Device;

// The programmer's buzzer.
class cK5PiezoCtrl {
public:
  explicit cK5PiezoCtrl(cKorvo5Device& device);
  virtual ~cK5PiezoCtrl();
  void set(unsigned int a, unsigned int b);

private:
  // Kept for the real library's interface; the simulator needs no device.
  [[maybe_unused]] cKorvo5Device* mDevice;
};

#endif
