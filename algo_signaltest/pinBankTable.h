#ifndef PIN_BANK_TABLE_H
#define PIN_BANK_TABLE_H

#include <cstdint>

// Pin-driver bank (1 to 3) of each socket pin 1 to 144. Entry 0 is no pin and
// entry 145 is 0, which ends the signal test.
const unsigned int kPinBankTableSize = 146;
extern const std::int32_t pinBankTable[kPinBankTableSize];

#endif
