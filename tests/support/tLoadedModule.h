#ifndef T_LOADED_MODULE_H
#define T_LOADED_MODULE_H

// A deliverable loaded with dlopen, as the host loads it, with one provider
// made by its moduleInit. Unloads itself.

#include <dlfcn.h>

#include <string>

#include "cAbstractModule.h"
#include "cMPDE.h"
#include "cScaffoProvider.h"

// The provider's class stays inside each module; the host sees it through its bases.
class cK5AlgoProvider;

class tLoadedModule {
public:
  typedef int (*tModuleInit)(cMPDE*, cK5AlgoProvider**, std::string);
  typedef int (*tModuleDone)(cK5AlgoProvider**);

  explicit tLoadedModule(const char* path) : mPath(path) {}
  ~tLoadedModule() {
    if (mProvider != nullptr) mDone(&mProvider);
    if (mHandle != nullptr) dlclose(mHandle);
  }
  tLoadedModule(const tLoadedModule&) = delete;
  tLoadedModule& operator=(const tLoadedModule&) = delete;

  // Loads the module and makes its provider; false with the reason in error.
  bool load(cMPDE& mpde, const std::string& name, std::string& error) {
    mHandle = dlopen(mPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (mHandle == nullptr) {
      error = dlerror();
      return false;
    }
    tModuleInit init = reinterpret_cast<tModuleInit>(dlsym(mHandle, "moduleInit"));
    mDone = reinterpret_cast<tModuleDone>(dlsym(mHandle, "moduleDone"));
    if (init == nullptr || mDone == nullptr) {
      error = mPath + ": no entry points";
      return false;
    }
    if (init(&mpde, &mProvider, name) != 1 || mProvider == nullptr) {
      error = mPath + ": moduleInit failed";
      return false;
    }
    return true;
  }

  // The module base comes first in the provider, so it shares the provider's address.
  cScaffoProvider* slots() const {
    return dynamic_cast<cScaffoProvider*>(reinterpret_cast<cAbstractModule*>(mProvider));
  }
  // An exported global of the module, null when there is none.
  template <typename T>
  T* global(const char* name) const {
    return static_cast<T*>(dlsym(mHandle, name));
  }

private:
  std::string mPath;
  void* mHandle = nullptr;
  tModuleDone mDone = nullptr;
  cK5AlgoProvider* mProvider = nullptr;
};

#endif
