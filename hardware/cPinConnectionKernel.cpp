#include "cPinConnectionKernel.h"

#include "DiagnosticLog.h"
#include "cBaseDeviceLayout.h"
#include "cDevicePDxyData.h"
#include "cK5AbstractCPDCtrl.h"
#include "cK5AbstractPSCtrl.h"
#include "cK5CPDHdwCtrl.h"
#include "cK5FPGACtrl.h"
#include "cKrv5Ctrl.h"
#include "ePSChannel.h"
#include "tK5LinuxTime.h"

namespace {

const unsigned int kSettleMs = 50;
const unsigned int kVGateMv = 15000;
const unsigned int kVcp3Mv = 12000;
const unsigned int kVcp2Mv = 3000;
const unsigned int kLinesPerWord = 64;

// Read-back registers of a slot's continuity image, from the top 16 lines down.
const unsigned int kReadBackRegs[] = {109, 106, 103, 100};

const char* const kNullModeFailed = "Error: setCpdCfgAllPins(DAT_NULL_MODE) failed.";
const char* const kDriverPinConfigFailed = "Error: Can not configure the High-Side driver pin.";

}  // namespace

const unsigned int cPinConnectionKernel::DAT_NULL_MODE;
const unsigned int cPinConnectionKernel::DAT_LOGIC_COMP_PULL_DOWN;
const unsigned int cPinConnectionKernel::DAT_HIGH_SIDE_DRIVER;

cPinConnectionKernel::cPinConnectionKernel(cBaseDeviceLayout& layout, cKrv5Ctrl& krv5Ctrl)
    : mLayout(layout), mKrv5Ctrl(krv5Ctrl), mpPSCtrl(krv5Ctrl.getPSCtrl()) {}

cPinConnectionKernel::~cPinConnectionKernel() { clean(); }

bool cPinConnectionKernel::doIt() {
  const std::string method = mLayout.getConnectionTestMethod();
  if (method == "OneGndDiodeHigh") {
    logDiag("Pin Continuity Test: - OneGndDiodeHigh - method selected.");
    return doItOneGndDiodeHigh();
  }
  if (method == "MultiGndDiodeHigh") {
    logDiag("Pin Continuity Test: - MultiGndDiodeHigh - method selected.");
    return doItMultiGndDiodeHigh();
  }
  logDiag("Error: Unknown ConnectionTestMethod selected.");
  return false;
}

bool cPinConnectionKernel::failInit(const std::string& hint) {
  msErrorHint = hint;
  clean();
  return false;
}

bool cPinConnectionKernel::init() {
  clean();
  const unsigned int maxSlot = mLayout.getPDMaxSlot();
  if (maxSlot == 0) {
    msErrorHint = "Error: Invalid Pindriver-Slot found.";
    return false;
  }
  for (unsigned int slot = 0; slot <= maxSlot; ++slot) {
    unsigned char ok = 0;
    mCpdCtrls.emplace_back(new cK5CPDHdwCtrl(mKrv5Ctrl, slot, ok));
    if (ok == 0) return failInit("Error: FPGA Mapping failed for CPD control.");
  }
  // Renewed with each init, so the index stays the slot number.
  mFpgaCtrls.clear();
  for (unsigned int slot = 0; slot <= maxSlot; ++slot) {
    unsigned char ok = 0;
    cK5FPGACtrl* fpga = mKrv5Ctrl.getK5FPGACtrl(slot, ok);
    // A null control handed out without a thrown text is no mapping either.
    if (ok == 0 || fpga == nullptr) {
      return failInit("Error: FPGA Mapping failed for FPGA control.\n" + mKrv5Ctrl.getErrorInfo());
    }
    mFpgaCtrls.push_back(fpga);
  }
  // Without a supply control the pins would be read unpowered.
  if (mpPSCtrl == nullptr) return failInit("Error: No supply control available.");
  mpDelay.reset(new tK5LinuxTime(mKrv5Ctrl.getKorvo5Device()));
  initAllVoltages();
  return true;
}

void cPinConnectionKernel::clean() { mCpdCtrls.clear(); }

void cPinConnectionKernel::setSupply(int channel, unsigned int mV) {
  if (mpPSCtrl != nullptr) mpPSCtrl->setSupplyVoltage(static_cast<ePSChannel>(channel), mV);
}

void cPinConnectionKernel::initAllVoltages() {
  logDiag("cPinConnectionKernel::initAllVoltages: vls = " + std::to_string(mLayout.uiVls()));
  logDiag("cPinConnectionKernel::initAllVoltages: vcomp = " + std::to_string(mLayout.uiVComp()));
  logDiag("cPinConnectionKernel::initAllVoltages: HighSideDriverVoltage(vcp1) = " +
          std::to_string(mLayout.uiHighSideDriverVoltage()));
  setSupply(PS_VLS, mLayout.uiVls());
  setSupply(PS_VGATE, kVGateMv);
  setSupply(PS_VCP3, kVcp3Mv);
  setSupply(PS_VCOMP, mLayout.uiVComp());
  setSupply(PS_VCP1, mLayout.uiHighSideDriverVoltage());
  setSupply(PS_VCP2, kVcp2Mv);
  if (mpDelay) mpDelay->delay_ms(kSettleMs);
}

void cPinConnectionKernel::resetAllVoltages() {
  const int channels[] = {PS_VCP2, PS_VCP1, PS_VCOMP, PS_VCP3, PS_VGATE, PS_VLS};
  for (int channel : channels) setSupply(channel, 0);
}

bool cPinConnectionKernel::fail(const std::string& text, const std::string& logDetail) {
  msErrorHint += text + "\n";
  logDiag(text + logDetail);
  return false;
}

bool cPinConnectionKernel::setCpdCfg(unsigned int slot, unsigned int line, unsigned int mode) {
  if (mCpdCtrls.empty()) return fail("Error: Not CPD control available.");
  if (slot == 0 || slot >= mCpdCtrls.size()) {
    return fail("Error: Invalid Fpga slot number. ", std::to_string(slot));
  }
  if (!mCpdCtrls[slot]->setCPDReg(line, mode)) return fail("Error: Can not set CPD register.");
  return true;
}

bool cPinConnectionKernel::setCpdCfgAllPins(unsigned int mode) {
  if (mLayout.getSize() == 0) return fail("Error: No device layout defined.");
  bool allSet = true;
  // Every bad pin reports itself, so the loop does not stop at the first.
  for (unsigned int i = 0; const cDevicePDxyData* pin = mLayout.getDevicePDxyData(i); ++i) {
    if (!setCpdCfg(pin->getPDx(), pin->getPDy(), mode)) allSet = false;
  }
  return allSet;
}

void cPinConnectionKernel::enableCPD() {
  if (!mCpdCtrls.empty() && mCpdCtrls[0]->pK5CPDCtrl != nullptr)
    mCpdCtrls[0]->pK5CPDCtrl->setNOEGlobal(false);
}

void cPinConnectionKernel::disableCPD() {
  if (!mCpdCtrls.empty() && mCpdCtrls[0]->pK5CPDCtrl != nullptr)
    mCpdCtrls[0]->pK5CPDCtrl->setNOEGlobal(true);
}

void cPinConnectionKernel::setCPDActive() {
  for (unsigned int slot = 1; slot < mCpdCtrls.size(); ++slot) mCpdCtrls[slot]->setCPD(false);
  if (!mCpdCtrls.empty() && mCpdCtrls[0]->pK5CPDCtrl != nullptr)
    mCpdCtrls[0]->pK5CPDCtrl->pulseCPDStrobe();
}

unsigned long long cPinConnectionKernel::readPDyFromAdapter(unsigned int slot) {
  if (slot >= mFpgaCtrls.size()) return ~0ull;
  unsigned long long word = 0;
  for (unsigned int reg : kReadBackRegs) {
    word = (word << 16) | static_cast<unsigned short>(mFpgaCtrls[slot]->read16(reg));
  }
  return word;
}

bool cPinConnectionKernel::getReadValue(std::vector<unsigned long long>& words, unsigned int slot,
                                        unsigned int line) {
  if (slot >= words.size()) {
    logDiag("Error: Can not get read value of PD - Slot: " + std::to_string(slot));
    return false;
  }
  // The word has 64 lines; a shift beyond it would be undefined.
  if (line >= kLinesPerWord) return false;
  return ((words[slot] >> line) & 1u) != 0;
}

void cPinConnectionKernel::readAdapterPins() {
  std::vector<unsigned long long> words(1, 0);  // slot 0 is never read
  const unsigned int maxSlot = mLayout.getPDMaxSlot();
  for (unsigned int slot = 1; slot <= maxSlot; ++slot) words.push_back(readPDyFromAdapter(slot));
  for (unsigned int i = 0; i < mLayout.getSize(); ++i) {
    cDevicePDxyData* pin = mLayout.getDevicePDxyData(i);
    if (pin == nullptr) continue;
    pin->setbResult(getReadValue(words, pin->getPDx(), pin->getPDy()) ? 1 : 0);
    logDiag(pin->toString());
  }
}

bool cPinConnectionKernel::driveHighSidePin(const cDevicePDxyData& pin) {
  if (!setCpdCfg(pin.getPDx(), pin.getPDy(), DAT_HIGH_SIDE_DRIVER))
    return fail(kDriverPinConfigFailed);
  return true;
}

bool cPinConnectionKernel::driveOneHighSidePin() {
  const cDevicePDxyData* pin = mLayout.getHighSideDriverPin();
  if (pin == nullptr) return fail("Error: Can not get the High-Side driver pin.");
  return driveHighSidePin(*pin);
}

bool cPinConnectionKernel::driveAllHighSidePins() {
  std::vector<cDevicePDxyData*> pins;
  mLayout.getHighSideDriverPins(pins);
  if (pins.empty()) return fail("Error: Can not get the High-Side driver pin(s).");
  for (const cDevicePDxyData* pin : pins) {
    if (!driveHighSidePin(*pin)) return false;
  }
  return true;
}

bool cPinConnectionKernel::runTest(tDriveHighSide driveHighSide) {
  msErrorHint.clear();
  if (!init()) return false;
  if (!setCpdCfgAllPins(DAT_NULL_MODE)) return fail(kNullModeFailed);
  enableCPD();
  setCPDActive();
  if (!setCpdCfgAllPins(DAT_LOGIC_COMP_PULL_DOWN)) {
    return fail("Error: setCpdCfgAllPins(DAT_LOGIC_COMP_MODE | DAT_PULL_DOWN_01) failed");
  }
  setCPDActive();
  if (!(this->*driveHighSide)()) return false;
  setCPDActive();
  readAdapterPins();
  resetAllVoltages();
  if (!setCpdCfgAllPins(DAT_NULL_MODE)) return fail(kNullModeFailed);
  setCPDActive();
  return true;
}

bool cPinConnectionKernel::doItOneGndDiodeHigh() {
  return runTest(&cPinConnectionKernel::driveOneHighSidePin);
}

bool cPinConnectionKernel::doItMultiGndDiodeHigh() {
  return runTest(&cPinConnectionKernel::driveAllHighSidePins);
}
