#ifndef C_K5_STATE_CTRL_H
#define C_K5_STATE_CTRL_H

#include <string>

// Device state controller: busy/ready and the claim by a remote client.
// Any call may throw a std::string.
class cK5StateCtrl {
public:
  virtual ~cK5StateCtrl();
  // 3 busy, 1 ready.
  virtual void setDeviceState(int state);
  // A claim while another remote id holds the device keeps the old claim
  // unless `force` is set.
  virtual bool claimDevice(const std::string& interface, const std::string& remoteId, bool force);
  virtual bool unclaimDevice();
  virtual std::string getClaimedInterface();
  virtual std::string getClaimedRemoteId();

protected:
  friend class cK5SimProgrammer;
  cK5StateCtrl();
};

#endif
