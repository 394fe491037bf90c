#include "cAbstractEMInterface.h"

cAbstractEMInterface::cAbstractEMInterface() : mEventManager(nullptr), mSelection(-1) {}

cAbstractEMInterface::~cAbstractEMInterface() {}

bool cAbstractEMInterface::applyRequiredInterface(cInterfaceDependency*, std::string&) {
  return true;
}

void cAbstractEMInterface::notifyRequiredInterfaceChanged(cInterfaceDependency*, std::string) {}

void cAbstractEMInterface::setEventManager(cAbstractEventManager* manager,
                                           InterfaceSelectionAlgo selection, std::string name) {
  mEventManager = manager;
  mSelection = selection;
  mName = std::move(name);
}
