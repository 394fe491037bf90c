#ifndef E_PS_CHANNEL_H
#define E_PS_CHANNEL_H

// Supply channels of the programmer; levels are unsigned millivolts.
enum ePSChannel { PS_VLS = 0, PS_VGATE = 1, PS_VCOMP = 2, PS_VCP1 = 3, PS_VCP2 = 4, PS_VCP3 = 5 };

#endif
