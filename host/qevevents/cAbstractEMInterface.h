#ifndef C_ABSTRACT_EM_INTERFACE_H
#define C_ABSTRACT_EM_INTERFACE_H

#include <string>

class cAbstractEventManager;
class cInterfaceDependency;

// How the host picks among several providers of an interface.
typedef int InterfaceSelectionAlgo;

// An interface served by a module; bound to the event manager that receives
// its calls.
class cAbstractEMInterface {
public:
  cAbstractEMInterface();
  virtual ~cAbstractEMInterface();

  virtual bool applyRequiredInterface(cInterfaceDependency* dependency, std::string& reason);
  virtual void notifyRequiredInterfaceChanged(cInterfaceDependency* dependency, std::string name);

  void setEventManager(cAbstractEventManager* manager, InterfaceSelectionAlgo selection,
                       std::string name);
  cAbstractEventManager* getEventManager() const { return mEventManager; }
  InterfaceSelectionAlgo getInterfaceSelectionAlgo() const { return mSelection; }
  const std::string& getEventManagerName() const { return mName; }

private:
  cAbstractEventManager* mEventManager;
  InterfaceSelectionAlgo mSelection;
  std::string mName;
};

#endif
