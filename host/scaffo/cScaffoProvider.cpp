#include "cScaffoProvider.h"

#include <vector>

#include "cScaffoHost.h"

cScaffoProvider::cScaffoProvider() {}

cScaffoProvider::~cScaffoProvider() {}

std::string cScaffoProvider::getInterfaceName() { return "cScaffoProvider"; }
std::string cScaffoProvider::getInterfaceType() { return "AlgoProvider"; }
bool cScaffoProvider::handleInterfaceEvent(cAbstractModuleEvent*) { return false; }
void cScaffoProvider::registerEvents(cAbstractEventManager*) {}
void cScaffoProvider::unregisterEvents(cAbstractEventManager*) {}

bool cScaffoProvider::asyncSig_AlgoProgressInfo(piDBlock& block, piModuleAddr addr) {
  cScaffoHost& host = cScaffoHost::instance();
  const bool result = host.enter(ssProgress);
  const char* data = block.getData();
  host.record(tScaffoProgress{this, std::vector<char>(data, data + block.getSize()), addr});
  return result;
}

bool cScaffoProvider::syncSig_DbgMessage(std::string& text, piModuleAddr addr,
                                         unsigned int timeout) {
  cScaffoHost& host = cScaffoHost::instance();
  const bool result = host.enter(ssDbgMessage);
  host.record(ssDbgMessage, tScaffoMessage{this, text, addr, timeout});
  return result;
}

bool cScaffoProvider::syncSig_Message(std::string& text, piModuleAddr addr, unsigned int timeout) {
  cScaffoHost& host = cScaffoHost::instance();
  const bool result = host.enter(ssMessage);
  host.record(ssMessage, tScaffoMessage{this, text, addr, timeout});
  return result;
}

bool cScaffoProvider::syncSig_PinConnectionData(piSubFrame& frame, piModuleAddr addr,
                                                unsigned int timeout) {
  cScaffoHost& host = cScaffoHost::instance();
  const bool result = host.enter(ssPinConnectionData);
  host.record(tScaffoPinData{this, frame, addr, timeout});
  return result;
}
