#include "mcHInterface.h"

#include "mcuAccess.h"
#include "moduleGlobals.h"

namespace {

const unsigned long kVcp2 = 5000;
const unsigned long kVcp1 = 5000;
const unsigned long kVls = 4640;
const unsigned long kVcomp = 1000;
const unsigned int kSettleCycles = 50000;  // 10 ms

}  // namespace

mcHInterface::mcHInterface(cKrv5Ctrl& krv5Ctrl, cK5CpdCtrl& cpdCtrl, unsigned char& ok,
                           cAlgoModuleUiInterface& ui)
    : cA5H5InterfaceT(krv5Ctrl, cpdCtrl, ok, ui) {}

mcHInterface::~mcHInterface() {}

void mcHInterface::setup() const {
  // Temporaries: the levels are set, the members keep none of them.
  cVCPxModule<VCP2>().setVoltage(kVcp2);
  cVCPxModule<VCP1>().setVoltage(kVcp1);
  setVls(kVls);
  setVcomp(kVcomp);
  mcu_wait_bus_cycles(kSettleCycles, mFPGAMapping);
  FPGA_synchronize();
}
