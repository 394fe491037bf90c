#ifndef C_ABSTRACT_MODULE_H
#define C_ABSTRACT_MODULE_H

#include <string>

#include "cAbstractEventManager.h"
#include "cModuleInfo.h"

class cAbstractClassLoader;
class cMPDE;

// A loaded module as the host's framework sees it.
class cAbstractModule : public cAbstractEventManager {
public:
  cAbstractModule(cMPDE* mpde, std::string name);
  ~cAbstractModule() override;

  virtual bool isLocal();
  virtual bool isExplicitLocal();
  virtual cModuleInfo* getModuleInfo();
  virtual cAbstractClassLoader* getClassLoader();
  virtual void reloadModuleLater();
  virtual void removeModuleLater();
  virtual bool isReloadPending();
  virtual bool isRemovePending();
  virtual void setClassLoader(cAbstractClassLoader* loader);
  virtual void markReload();
  virtual void markRemove();

  // Makes the next construction throw the text as a std::string, as the host
  // does when it cannot set a module up.
  static void throwOnNextConstruction(const std::string& text);

  // What the module was created with.
  cMPDE* getMPDE() const { return mMpde; }
  const std::string& getModuleName() const { return mName; }

private:
  cMPDE* mMpde;
  std::string mName;
  cModuleInfo mInfo;
  cAbstractClassLoader* mClassLoader;
  bool mReloadPending;
  bool mRemovePending;
};

#endif
