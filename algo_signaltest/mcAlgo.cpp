#include "mcAlgo.h"

#include <algorithm>
#include <string>

#include "AbstractAlgoUiInterface.h"
#include "cDeviceParam.h"
#include "cUiAlgoDataK3.h"
#include "mcHInterface.h"
#include "mcuAccess.h"
#include "moduleGlobals.h"
#include "pinBankTable.h"

namespace {

// The job-record error of an action the algorithm does not perform.
const unsigned short kErrorClassRefused = 9;
const unsigned short kErrorCodeRefused = 210;
const short kFailed = -1;
const short kDone = 0;

// Buzzer settings.
const unsigned int kPinBeep = 5000;
const unsigned int kSoundOn = 1;
const unsigned int kSoundOff = 0;
const unsigned int kQuietTone = 0;
const unsigned int kQuietValue = 100;
struct tTone {
  unsigned int a;
  unsigned int b;
};
const tTone kGong[] = {{500, 0}, {500, 1}, {300, 1}, {500, 1}};
const unsigned int kToneCycles = 500000;  // 100 ms

// Mirrored around the digit zero at index 35, so that negative remainders
// find their digit too.
const char kDigits[] = "zyxwvutsrqponmlkjihgfedcba9876543210123456789abcdefghijklmnopqrstuvwxyz";
const int kDigitZero = 35;
const int kMinBase = 2;
const int kMaxBase = 36;

}  // namespace

const std::size_t mcAlgo::kItoaBufferSize;
const unsigned int mcAlgo::kLowReadingsBeforeDone;

mcAlgo::mcAlgo(mcHInterface* hInterface, TAG_DEVICE_PARA* device, TAG_UI_ALGODATA_KRV3* uiData)
    : mcAlgoBase(uiData),
      mpHInterface(hInterface),
      mpCfgBuffer(device != nullptr ? device->pCfgBuffer : nullptr) {}

mcAlgo::~mcAlgo() {}

short mcAlgo::refuse() {
  pAlgoUIData->setErrorClass(kErrorClassRefused);
  pAlgoUIData->setErrorCode(kErrorCodeRefused);
  return kFailed;
}

short mcAlgo::Program() { return refuse(); }
short mcAlgo::Read() { return refuse(); }
short mcAlgo::BlankCheck() { return refuse(); }
short mcAlgo::Erase() { return refuse(); }

short mcAlgo::Verify() {
  mpHInterface->setup();
  char number[kItoaBufferSize];
  for (int pin = 1; pinBankTable[pin] != 0; ++pin) {
    // Each round gives the host its window for a cancel.
    pAlgoUi->K4ShowAdr(0, 0);
    if (pAlgoUi->K4Cancel()) break;
    mpHInterface->loadAddrReg(static_cast<unsigned long>(pin));
    pAlgoUi->debugMessage(std::string("Pin #") + itoa(pin, number, 10) + " selected");
    watchPin(pinBankTable[pin]);
    mpHInterface->buzzer(kPinBeep, kSoundOff);
  }
  mpHInterface->buzzer(kQuietTone, kQuietValue);
  return kDone;
}

// No wait: the number of readings, not a time, decides when a pin is done.
// A cancel ends only this pin; the next pin's check ends the test.
void mcAlgo::watchPin(int bank) {
  unsigned int lowInARow = 0;
  bool stop = false;
  do {
    pAlgoUi->K4ShowAdr(0, 0);
    stop = pAlgoUi->K4Cancel();
    if (mpHInterface->mPinState.low(bank)) {
      mpHInterface->buzzer(kPinBeep, kSoundOn);
      ++lowInARow;
    } else {
      mpHInterface->buzzer(kPinBeep, kSoundOff);
      lowInARow = 0;
    }
    if (lowInARow > kLowReadingsBeforeDone) {
      gong();
      stop = true;
    }
  } while (!stop);
}

void mcAlgo::gong() {
  for (const tTone& tone : kGong) {
    mpHInterface->buzzer(tone.a, tone.b);
    mcu_wait_bus_cycles(kToneCycles, mFPGAMapping);
  }
  mpHInterface->buzzer(kQuietTone, kQuietValue);
}

char* mcAlgo::itoa(int value, char* buffer, int base) {
  if (base < kMinBase || base > kMaxBase) {
    buffer[0] = '\0';
    return buffer;
  }
  // Divides toward zero and never negates, so INT_MIN needs no special case.
  char* end = buffer;
  int rest = 0;
  do {
    rest = value;
    value /= base;
    *end++ = kDigits[kDigitZero + (rest - value * base)];
  } while (value != 0);
  if (rest < 0) *end++ = '-';
  *end = '\0';
  std::reverse(buffer, end);
  return buffer;
}
