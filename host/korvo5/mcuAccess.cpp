#include "mcuAccess.h"

#include "cK5SimProgrammerImpl.h"

unsigned short mcu_read16(unsigned int address) { return k5Sim().mcuRead(address); }

void mcu_write16(unsigned int address, unsigned short value) { k5Sim().mcuWrite(address, value); }

void mcu_wait_bus_cycles(unsigned int n, unsigned int mapping) { k5Sim().wait(n, true, mapping); }
