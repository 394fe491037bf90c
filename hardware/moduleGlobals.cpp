#include "moduleGlobals.h"

LS_EXPORT unsigned int IOSpace = 0;
LS_EXPORT unsigned int mFPGAMapping = 0;
LS_EXPORT cK5SmartPSCtrl* PSCtrl = nullptr;
LS_EXPORT cK5AbstractCPDCtrl* CPDCtrl = nullptr;
LS_EXPORT cKorvo5Device* K5Device = nullptr;
