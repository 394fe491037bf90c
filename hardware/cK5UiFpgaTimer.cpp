#include "cK5UiFpgaTimer.h"

#include "cK5FPGACtrl.h"

namespace {
const unsigned int kRegPeriod = 92;
const unsigned int kRegRunning = 93;
}  // namespace

cK5UiFpgaTimer::cK5UiFpgaTimer(cK5FPGACtrl& fpgaCtrl) : mpFpgaCtrl(&fpgaCtrl) {}

cK5UiFpgaTimer::~cK5UiFpgaTimer() {}

void cK5UiFpgaTimer::setTime_ms(unsigned short ms) { mpFpgaCtrl->write16(kRegPeriod, ms); }

unsigned short cK5UiFpgaTimer::getTimerCount() { return mpFpgaCtrl->read16(kRegPeriod); }

unsigned char cK5UiFpgaTimer::isRunningAndRestart() {
  return static_cast<unsigned char>(mpFpgaCtrl->read16(kRegRunning) & 0xFFu);
}
