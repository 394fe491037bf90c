#ifndef MODULE_GLOBALS_H
#define MODULE_GLOBALS_H

// Exported module globals. Only the programming-interface constructor sets
// them, all at once and only when its binding found everything; they keep
// their values after the interface is gone, and the pointers are cleared when
// the hardware handle they were bound from goes.

#define LS_EXPORT __attribute__((visibility("default")))

class cK5SmartPSCtrl;
class cK5AbstractCPDCtrl;
class cKorvo5Device;
class cKrv5Ctrl;

// Register base token of the programming-interface FPGA.
extern LS_EXPORT unsigned int IOSpace;
// FPGA base mapping address, for mcu_wait_bus_cycles.
extern LS_EXPORT unsigned int mFPGAMapping;
extern LS_EXPORT cK5SmartPSCtrl* PSCtrl;
// Host pin-driver control of FPGA slot 0 (output enables).
extern LS_EXPORT cK5AbstractCPDCtrl* CPDCtrl;
extern LS_EXPORT cKorvo5Device* K5Device;

// Sets every global, the pointers as objects of this handle.
void bindModuleGlobals(const cKrv5Ctrl& handle, cK5SmartPSCtrl* psCtrl, cK5AbstractCPDCtrl* cpdCtrl,
                       cKorvo5Device* device, unsigned int ioSpace, unsigned int mapping);
// Clears the pointers when they were bound from this handle, which is going;
// those of another handle stay. The tokens stay as they are.
void releaseModuleGlobals(const cKrv5Ctrl& handle);

#endif
