#ifndef C_K5_DEVICE_CTRL_H
#define C_K5_DEVICE_CTRL_H

class cK5StateCtrl;

class cK5DeviceCtrl {
public:
  virtual ~cK5DeviceCtrl();
  cK5StateCtrl* stateCtrl();

protected:
  friend class cK5SimProgrammer;
  cK5DeviceCtrl();
};

#endif
