#ifndef C_LOADED_MODULE_H
#define C_LOADED_MODULE_H

#include <string>

#include "cMPDE.h"
#include "cScaffoProvider.h"

// The provider's class stays inside the module; the host sees it through its bases.
class cK5AlgoProvider;

// An algorithm module loaded as the host loads it: dlopen, then moduleInit
// makes its one provider; unload runs moduleDone and dlclose.
class cLoadedModule {
public:
  cLoadedModule() = default;
  ~cLoadedModule();
  cLoadedModule(const cLoadedModule&) = delete;
  cLoadedModule& operator=(const cLoadedModule&) = delete;

  // False with a one-line reason; nothing stays loaded then.
  bool load(const std::string& path, std::string& error);
  void unload();

  // The provider's slots; only while loaded.
  cScaffoProvider& slots() const;
  // The name the module gives itself ("Larkspur", "Sorrel").
  std::string name() const;

private:
  typedef int (*tModuleInit)(cMPDE*, cK5AlgoProvider**, std::string);
  typedef int (*tModuleDone)(cK5AlgoProvider**);

  cMPDE mMpde;
  void* mHandle = nullptr;
  tModuleDone mDone = nullptr;
  cK5AlgoProvider* mProvider = nullptr;
  cScaffoProvider* mSlots = nullptr;
};

#endif
