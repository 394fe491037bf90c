#ifndef T_SLOT_EXCHANGE_H
#define T_SLOT_EXCHANGE_H

// One exchange through a provider's data slots, so a benchmark can time a
// single exchange; a whole job goes through cHostSession.

#include "JobBuilder.h"
#include "cScaffoProvider.h"
#include "piModuleAddr.h"

inline bool receiveExchange(cScaffoProvider& slots, tExchange& ex, const piModuleAddr& client) {
  unsigned char ok = 0;
  ex.run([&](auto&... sf) { slots.Slot_ReceiveData(sf..., ok, client); });
  return ok == 1;
}

inline bool sendExchange(cScaffoProvider& slots, tExchange& ex, const piModuleAddr& client) {
  unsigned char ok = 0;
  ex.run([&](auto&... sf) { slots.Slot_SendData(sf..., ok, client); });
  return ok == 1;
}

#endif
