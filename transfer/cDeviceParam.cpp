#include "cDeviceParam.h"

#include <cstring>
#include <sstream>

#include "DiagnosticLog.h"
#include "frameIo.h"

cDeviceParam::cDeviceParam() { createDeviceAlgPrm(); }

cDeviceParam::cDeviceParam(const TAG_DEVICE_PARA& prm) : cDeviceParam() { setDeviceAlgPrm(prm); }

cDeviceParam::cDeviceParam(const cDeviceParam& other) : cDeviceParam() { *this = other; }

cDeviceParam& cDeviceParam::operator=(const cDeviceParam& other) {
  if (this != &other && other.mpDeviceAlgPrm) {
    setDeviceAlgPrm(*other.mpDeviceAlgPrm);
  }
  return *this;
}

cDeviceParam::~cDeviceParam() {
  deleteDeviceAlgPrm();
  mpFrameBlock.reset();
}

void cDeviceParam::setDeviceAlgPrm(const TAG_DEVICE_PARA& prm) {
  if (&prm == mpDeviceAlgPrm.get() || !mpDeviceAlgPrm || prm.pCfgBuffer == nullptr) {
    return;
  }
  std::memcpy(mpDeviceAlgPrm->pCfgBuffer, prm.pCfgBuffer, CFG_BUFFER_SIZE);
}

void cDeviceParam::init() { createDeviceAlgPrm(); }

void cDeviceParam::createDeviceAlgPrm() {
  // A frame block must never wrap a freed buffer.
  mpFrameBlock.reset();
  mpDeviceAlgPrm.reset(new TAG_DEVICE_PARA);
}

void cDeviceParam::deleteDeviceAlgPrm() {
  mpFrameBlock.reset();
  mpDeviceAlgPrm.reset();
}

bool cDeviceParam::makeDTFrame(cDTFrame& frame) {
  if (!mpDeviceAlgPrm) {
    return false;
  }
  mpFrameBlock.reset(new piDBlock(reinterpret_cast<char*>(mpDeviceAlgPrm->pCfgBuffer),
                                  CFG_BUFFER_SIZE, piDBlock::muWrapForeign));
  frame.add(mpFrameBlock.get(), true);
  return true;
}

bool cDeviceParam::operator<<(const piSubFrame& sf) {
  if (!mpDeviceAlgPrm) {
    return false;  // no buffer to take the received bytes
  }
  cDeviceParam temp;
  return receiveViaTemporary(temp, sf, [this](const cDeviceParam& t) { *this = t; });
}

bool cDeviceParam::operator>>(piSubFrame& sf) { return sendRecord(*this, sf); }

std::string cDeviceParam::getHexStr(int value) {
  std::ostringstream os;
  os << std::hex << static_cast<unsigned>(value);
  return os.str();
}

void cDeviceParam::dumpDeviceAlgPrm() const {
  if (!mpDeviceAlgPrm) {
    logDiag("mpDeviceAlgPrm unvalid.");
    return;
  }
  if (mpDeviceAlgPrm->pCfgBuffer == nullptr) {
    logDiag("mpDeviceAlgPrm->pCfgBuffer unvalid.");
    return;
  }
  logDiag("CFG_BUFFER_SIZE = " + std::to_string(CFG_BUFFER_SIZE));
  const unsigned kLine = 64;
  for (unsigned ofs = 0; ofs < CFG_BUFFER_SIZE; ofs += kLine) {
    std::string line = "DeviceAlgPrm Addr: " + getHexStr(static_cast<int>(ofs)) + " = ";
    for (unsigned i = 0; i < kLine; ++i) {
      line += getHexStr(mpDeviceAlgPrm->pCfgBuffer[ofs + i]);
    }
    logDiag(line);
  }
}
