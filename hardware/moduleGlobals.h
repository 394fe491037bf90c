#ifndef MODULE_GLOBALS_H
#define MODULE_GLOBALS_H

// Exported module globals. Only the programming-interface constructor sets
// them; they keep their values after the interface is gone, and the pointers
// are cleared when the provider whose hardware they name is destroyed.

#define LS_EXPORT __attribute__((visibility("default")))

class cK5SmartPSCtrl;
class cK5AbstractCPDCtrl;
class cKorvo5Device;

// Register base token of the programming-interface FPGA.
extern LS_EXPORT unsigned int IOSpace;
// FPGA base mapping address, for mcu_wait_bus_cycles.
extern LS_EXPORT unsigned int mFPGAMapping;
extern LS_EXPORT cK5SmartPSCtrl* PSCtrl;
// Host pin-driver control of FPGA slot 0 (output enables).
extern LS_EXPORT cK5AbstractCPDCtrl* CPDCtrl;
extern LS_EXPORT cKorvo5Device* K5Device;

#endif
