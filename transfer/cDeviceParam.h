#ifndef C_DEVICE_PARAM_H
#define C_DEVICE_PARAM_H

#include <memory>
#include <string>

#include "cDTFrame.h"
#include "piDBlock.h"
#include "piSubFrame.h"

#define CFG_BUFFER_SIZE 32768

// Device parameters: the packed device configuration, which only the chip
// algorithm interprets. Owns its zero-initialised buffer.
struct TAG_DEVICE_PARA {
  unsigned char* pCfgBuffer;

  TAG_DEVICE_PARA() : pCfgBuffer(new unsigned char[CFG_BUFFER_SIZE]()) {}
  ~TAG_DEVICE_PARA() { delete[] pCfgBuffer; }
  TAG_DEVICE_PARA(const TAG_DEVICE_PARA&) = delete;
  TAG_DEVICE_PARA& operator=(const TAG_DEVICE_PARA&) = delete;
};

class cDeviceParam {
public:
  cDeviceParam();
  explicit cDeviceParam(const TAG_DEVICE_PARA& prm);
  cDeviceParam(const cDeviceParam& other);
  // Copies the content; the buffer keeps its address.
  cDeviceParam& operator=(const cDeviceParam& other);
  virtual ~cDeviceParam();

  static unsigned getCfgBufferSize() { return CFG_BUFFER_SIZE; }
  TAG_DEVICE_PARA* getDeviceAlgPrmStruct() const { return mpDeviceAlgPrm.get(); }
  void setDeviceAlgPrm(const TAG_DEVICE_PARA& prm);

  // A fresh zero buffer; pointers handed out before are invalid afterwards.
  void init();
  void createDeviceAlgPrm();
  void deleteDeviceAlgPrm();

  // One block item that wraps the configuration buffer.
  bool makeDTFrame(cDTFrame& frame);
  // Through a zero temporary: unchanged on failure, no old byte survives success.
  bool operator<<(const piSubFrame& sf);
  bool operator>>(piSubFrame& sf);

  void dumpDeviceAlgPrm() const;
  static std::string getHexStr(int value);

private:
  std::unique_ptr<TAG_DEVICE_PARA> mpDeviceAlgPrm;
  std::unique_ptr<piDBlock> mpFrameBlock;
};

#endif
