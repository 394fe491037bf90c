#ifndef KORVO5_H
#define KORVO5_H

// Everything of the host hardware library.
#include "cK5AbstractCPDCtrl.h"
#include "cK5AbstractPSCtrl.h"
#include "cK5CPDRegSet.h"
#include "cK5Config.h"
#include "cK5DeviceCtrl.h"
#include "cK5FPGACtrl.h"
#include "cK5PDIOCtrl.h"
#include "cK5PiezoCtrl.h"
#include "cK5ProductInfo.h"
#include "cK5StateCtrl.h"
#include "cKorvo5Device.h"
#include "ePSChannel.h"
#include "mcuAccess.h"

#endif
