#ifndef E_K5_OUTPUT_H
#define E_K5_OUTPUT_H

// Output-disable flags of a pin-driver control.
enum eK5Output { k5OutGlobal = 0, k5OutVcp1 = 1, k5OutVcp2 = 2, k5OutVcp3 = 3, k5OutGnd = 4 };

#endif
