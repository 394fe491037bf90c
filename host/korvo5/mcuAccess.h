#ifndef MCU_ACCESS_H
#define MCU_ACCESS_H

// Programming-interface register access: an address is a register base
// token (cK5FPGACtrl::regBase) plus a byte offset. Any call may throw a
// std::string.
unsigned short mcu_read16(unsigned int address);
void mcu_write16(unsigned int address, unsigned short value);
// Busy-waits n bus cycles (5 per microsecond); mapping is the FPGA base
// mapping address of the product.
void mcu_wait_bus_cycles(unsigned int n, unsigned int mapping);

#endif
