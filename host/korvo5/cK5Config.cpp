#include "cK5Config.h"

#include "cK5SimProgrammerImpl.h"

cK5Config::cK5Config() {}

cK5Config::~cK5Config() {}

cK5ProductInfo* cK5Config::productInfo() {
  cK5SimProgrammer::Impl& sim = k5Sim();
  return sim.handOut("productInfo", -1, sim.productInfo.get());
}
