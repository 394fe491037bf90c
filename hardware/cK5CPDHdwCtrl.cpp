#include "cK5CPDHdwCtrl.h"

#include "DiagnosticLog.h"
#include "cK5AbstractCPDCtrl.h"
#include "cK5CPDRegSet.h"
#include "cKrv5Ctrl.h"

namespace {

const unsigned int kRegCount = 60;

unsigned int bankNumber(bool bank) { return bank ? 1u : 0u; }

void reportTimeout(bool written) {
  if (!written) logStdout("cK5CPDHdwCtrl::setCPD->transferbuffer timeout");
}

}  // namespace

cK5CPDHdwCtrl::cK5CPDHdwCtrl(cKrv5Ctrl& krv5Ctrl, unsigned int slot, unsigned char& ok)
    : pK5CPDCtrl(nullptr), mpRegSet(new cK5CPDRegSet()) {
  pK5CPDCtrl = krv5Ctrl.getK5CPDCtrl(slot, ok);
  // A null control without a thrown text is no usable control either.
  if (pK5CPDCtrl == nullptr) ok = 0;
}

cK5CPDHdwCtrl::~cK5CPDHdwCtrl() {}

int cK5CPDHdwCtrl::checkDyNr(unsigned int dy) const {
  return dy < kRegCount ? static_cast<int>(dy) : -1;
}

bool cK5CPDHdwCtrl::setCPDReg(unsigned int dy, unsigned int value) {
  if (!mpRegSet) return false;
  if (checkDyNr(dy) < 0) {
    logStdout("Invalid DxNr in cK5CPDHdwCtrl::setCPDReg");
    return false;
  }
  mpRegSet->setReg(dy, value);
  return true;
}

unsigned int cK5CPDHdwCtrl::getCPDReg(unsigned int dy) const {
  if (!mpRegSet) return 0;
  if (checkDyNr(dy) < 0) {
    logStdout("Invalid DxNr in cK5CPDHdwCtrl::setCPDReg");
    return 0;
  }
  return mpRegSet->getReg(dy);
}

bool cK5CPDHdwCtrl::setCPDReg(const cK5CPDRegSet& set) {
  if (!mpRegSet) return false;
  for (unsigned int dy = 0; dy < kRegCount; ++dy) mpRegSet->setReg(dy, set.getReg(dy));
  return true;
}

bool cK5CPDHdwCtrl::canTransfer() const {
  if (pK5CPDCtrl == nullptr) {
    logDiag("cK5CPDHdwCtrl::setCPD failed #1 !");
    return false;
  }
  if (!mpRegSet) {
    logDiag("cK5CPDHdwCtrl::setCPD failed #2 !");
    return false;
  }
  return true;
}

void cK5CPDHdwCtrl::setCPD(bool bank) {
  if (canTransfer())
    reportTimeout(pK5CPDCtrl->writeRegisterSet(bankNumber(bank), *mpRegSet, nullptr));
}

void cK5CPDHdwCtrl::setCPDOnly(bool bank) {
  if (canTransfer()) reportTimeout(pK5CPDCtrl->writeRegisterSetOnly(bankNumber(bank), *mpRegSet));
}

bool cK5CPDHdwCtrl::readCPD(bool bank) {
  if (pK5CPDCtrl == nullptr || !mpRegSet) return false;
  return pK5CPDCtrl->readRegisterSet(bankNumber(bank), *mpRegSet);
}
