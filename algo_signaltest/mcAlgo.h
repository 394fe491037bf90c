#ifndef MC_ALGO_H
#define MC_ALGO_H

#include <cstddef>

#include "mcAlgoBase.h"

class mcHInterface;
struct TAG_DEVICE_PARA;
struct TAG_UI_ALGODATA_KRV3;

// The signal test of the socket, run as the verify action: pin by pin it
// selects the pin and waits until the operator's probe holds it low long
// enough, sounding the buzzer while it reads low and a gong when it is done.
// Cancel ends the test. The other actions are refused.
class mcAlgo : public mcAlgoBase {
public:
  // Room itoa needs: sign, 32 binary digits and the terminator.
  static const std::size_t kItoaBufferSize = 34;
  // Low readings in a row after which the next low reading completes a pin.
  static const unsigned int kLowReadingsBeforeDone = 44443;

  // None of the three is owned; the configuration is kept, never read.
  mcAlgo(mcHInterface* hInterface, TAG_DEVICE_PARA* device, TAG_UI_ALGODATA_KRV3* uiData);
  ~mcAlgo() override;

  // Class 9, code 210 into the job record and -1; no hardware is touched.
  short Program() override;
  // The signal test; 0, also after a cancel.
  short Verify() override;
  short Read() override;
  short BlankCheck() override;
  short Erase() override;

  // Four tones.
  void gong();
  // value as text in base 2 to 36 (negative with a leading '-'), or "" for
  // another base; buffer holds at least kItoaBufferSize bytes. Returns buffer.
  static char* itoa(int value, char* buffer, int base);

private:
  short refuse();
  // Reads the pin's bank until the pin is done or the operator cancels.
  void watchPin(int bank);

  mcHInterface* mpHInterface;
  // Kept for the job's settings; the signal test reads none.
  [[maybe_unused]] unsigned char* mpCfgBuffer;
};

#endif
