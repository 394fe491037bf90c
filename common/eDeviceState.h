#ifndef E_DEVICE_STATE_H
#define E_DEVICE_STATE_H

// State of the programmer as the host's state controller shows it.
enum eDeviceState : int { dsReady = 1, dsBusy = 3 };

#endif
