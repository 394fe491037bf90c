#include "cAlgoModuleUiInterface.h"

#include <cstring>

#include "DiagnosticLog.h"
#include "TAG_GLOBAL_ALGOCTRL_DATA.h"
#include "cK5UiFpgaTimer.h"
#include "cKrv32AlgoProviderBase.h"
#include "cKrv5Ctrl.h"
#include "littleEndian.h"

namespace {

// FPGA slot that carries the UI timer.
const unsigned int kUiTimerSlot = 1;

std::uint32_t floatBits(float value) {
  std::uint32_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

// Two's complement of the low 32 bits.
std::uint32_t intBits(long value) { return static_cast<std::uint32_t>(value); }

}  // namespace

cAlgoModuleUiInterface::cAlgoModuleUiInterface(cKrv32AlgoProviderBase& provider)
    : pProvider(provider) {}

cAlgoModuleUiInterface::~cAlgoModuleUiInterface() {}

void cAlgoModuleUiInterface::showNumbered(int no, unsigned int layout, const std::uint32_t* params,
                                          unsigned int count) {
  if (K4Cancel()) {
    return;
  }
  TAG_GLOBAL_ALGOCTRL_DATA& record = *pProvider.getGACD();
  storeLeU32(record.bytes, gacdMessageNo, static_cast<std::uint32_t>(no));
  storeLeU32(record.bytes, gacdParamLayout, layout);
  for (unsigned int i = 0; i < count; ++i) {
    storeLeU32(record.bytes, gacdParam1 + 4 * i, params[i]);
  }
  storeLeU32(record.bytes, gacdMessageValid, 1);
  pProvider.ShowProgress();
}

void cAlgoModuleUiInterface::K4ShowMessage(int no) { showNumbered(no, mplNone, nullptr, 0); }

void cAlgoModuleUiInterface::K4ShowMessage(int no, long p1) {
  const std::uint32_t params[] = {intBits(p1)};
  showNumbered(no, mplLong1, params, 1);
}

void cAlgoModuleUiInterface::K4ShowMessage(int no, long p1, long p2) {
  const std::uint32_t params[] = {intBits(p1), intBits(p2)};
  showNumbered(no, mplLong2, params, 2);
}

void cAlgoModuleUiInterface::K4ShowMessage(int no, long p1, long p2, long p3) {
  const std::uint32_t params[] = {intBits(p1), intBits(p2), intBits(p3)};
  showNumbered(no, mplLong3, params, 3);
}

void cAlgoModuleUiInterface::K4ShowMessage(int no, long p1, long p2, long p3, long p4) {
  const std::uint32_t params[] = {intBits(p1), intBits(p2), intBits(p3), intBits(p4)};
  showNumbered(no, mplLong4, params, 4);
}

void cAlgoModuleUiInterface::K4ShowMessage(int no, float p1) {
  const std::uint32_t params[] = {floatBits(p1)};
  showNumbered(no, mplFloat1, params, 1);
}

void cAlgoModuleUiInterface::K4ShowMessage(int no, float p1, float p2) {
  const std::uint32_t params[] = {floatBits(p1), floatBits(p2)};
  showNumbered(no, mplFloat2, params, 2);
}

void cAlgoModuleUiInterface::K4ShowMessage(const char* text) {
  // Free text is not held back by a cancel, and is not logged.
  if (text == nullptr) {
    return;
  }
  std::string message(text);
  pProvider.syncSig_Message(message, pProvider.getAddrFrom(),
                            cKrv32AlgoProviderBase::kSignalTimeout);
}

void cAlgoModuleUiInterface::K4ShowMessageSiS(int no, int p1) {
  const std::uint32_t params[] = {intBits(p1)};
  showNumbered(no, mplInt1, params, 1);
}

void cAlgoModuleUiInterface::K4ShowMessageSiSf1(int no, int p1, float p2) {
  const std::uint32_t params[] = {intBits(p1), floatBits(p2)};
  showNumbered(no, mplInt1Float1, params, 2);
}

void cAlgoModuleUiInterface::K4ShowAdr(int address, unsigned short force) {
  if (K4Cancel()) {
    return;
  }
  // Unforced addresses go out at most once per timer period.
  if (force == 0 && apUiFpgaTimer && apUiFpgaTimer->isRunningAndRestart()) {
    return;
  }
  TAG_GLOBAL_ALGOCTRL_DATA& record = *pProvider.getGACD();
  storeLeU32(record.bytes, gacdAddress, static_cast<std::uint32_t>(address));
  storeLeU32(record.bytes, gacdAddressValid, 1);
  pProvider.ShowProgress();
}

bool cAlgoModuleUiInterface::K4Cancel() { return pProvider.getCancel() != 0; }

void cAlgoModuleUiInterface::ShowSignature(unsigned long signature) {
  // A signature has 32 bits; on hosts with a wider long the bits above them
  // must not turn an empty signature into a message.
  if (K4Cancel() || (signature & 0xFFFFFFFFul) == 0) {
    return;
  }
  const std::uint32_t b3 = (signature >> 24) & 0xFFu;
  const std::uint32_t b2 = (signature >> 16) & 0xFFu;
  const std::uint32_t b1 = (signature >> 8) & 0xFFu;
  const std::uint32_t b0 = signature & 0xFFu;
  // The highest non-zero byte decides the message; bytes below it go along, zeros included.
  if (b3 != 0) {
    const std::uint32_t params[] = {b3, b2, b1, b0};
    showNumbered(2141, mplLong4, params, 4);
  } else if (b2 != 0) {
    const std::uint32_t params[] = {b2, b1, b0};
    showNumbered(2142, mplLong3, params, 3);
  } else if (b1 != 0) {
    const std::uint32_t params[] = {b1, b0};
    showNumbered(2143, mplLong2, params, 2);
  } else {
    const std::uint32_t params[] = {b0};
    showNumbered(2144, mplLong1, params, 1);
  }
}

void cAlgoModuleUiInterface::debugWait(const char*) {}

void cAlgoModuleUiInterface::debugMessage(std::string) {}

bool cAlgoModuleUiInterface::createUiFpgaTimer(unsigned short ms) {
  if (ms == 0) {
    logDiag("cAlgoModuleUiInterface::createUiFpgaTimer: Error: Timer value is \"0\".");
    return false;
  }
  unsigned char ok = 0;
  cKrv5Ctrl* krv5 = pProvider.getKrv5Ctrl();
  cK5FPGACtrl* fpga = krv5 != nullptr ? krv5->getK5FPGACtrl(kUiTimerSlot, ok) : nullptr;
  if (!ok || fpga == nullptr) {
    logDiag("cAlgoModuleUiInterface::createUiFpgaTimer: Error: boMappingOk= false");
    return false;
  }
  apUiFpgaTimer.reset(new cK5UiFpgaTimer(*fpga));
  apUiFpgaTimer->setTime_ms(ms);
  const unsigned short count = apUiFpgaTimer->getTimerCount();
  if (count != ms) {
    logDiag("cAlgoModuleUiInterface::createUiFpgaTimer:Error: TimerCount not set:" +
            std::to_string(count));
    return false;
  }
  return true;
}
