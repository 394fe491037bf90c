#ifndef T_LOADED_MODULE_H
#define T_LOADED_MODULE_H

// A deliverable loaded with dlopen, as the host loads it, with one provider
// made by its moduleInit. load() does it all at once; a test of the entry
// points themselves opens the module and calls them on its own. Whatever is
// still loaded at the end is unloaded.

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
  typedef int (*tModuleVersion)();

  explicit tLoadedModule(const char* path) : mPath(path) {}
  ~tLoadedModule() { unload(); }
  tLoadedModule(const tLoadedModule&) = delete;
  tLoadedModule& operator=(const tLoadedModule&) = delete;

  // Opens the module and finds its entry points; false with the reason in error.
  bool open(std::string& error) {
    mHandle = dlopen(mPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (mHandle == nullptr) {
      error = dlerror();
      return false;
    }
    init = reinterpret_cast<tModuleInit>(dlsym(mHandle, "moduleInit"));
    done = reinterpret_cast<tModuleDone>(dlsym(mHandle, "moduleDone"));
    version = reinterpret_cast<tModuleVersion>(dlsym(mHandle, "moduleVersion"));
    if (init == nullptr || done == nullptr || version == nullptr) {
      error = mPath + ": no entry points";
      return false;
    }
    return true;
  }

  // Opens the module and makes its provider; false with the reason in error.
  bool load(cMPDE& mpde, const std::string& name, std::string& error) {
    if (!open(error)) return false;
    if (init(&mpde, &provider, name) != 1 || provider == nullptr) {
      error = mPath + ": moduleInit failed";
      return false;
    }
    return true;
  }

  // Ends the provider with moduleDone, then closes the module; true when
  // both answered success (or had nothing to do).
  bool unload() {
    const bool ended = provider == nullptr || done(&provider) == 1;
    const bool closed = close() == 0;
    return ended && closed;
  }
  // Closes the module, provider or not: dlclose's answer, 0 when not open.
  int close() {
    if (mHandle == nullptr) return 0;
    const int result = dlclose(mHandle);
    mHandle = nullptr;
    return result;
  }

  // The module base comes first in the provider, so it shares the provider's address.
  cAbstractModule* module() const { return reinterpret_cast<cAbstractModule*>(provider); }
  cScaffoProvider* slots() const { return dynamic_cast<cScaffoProvider*>(module()); }
  // An exported global of the module, null when there is none.
  template <typename T>
  T* global(const char* name) const {
    return static_cast<T*>(dlsym(mHandle, name));
  }

  // The entry points, once open.
  tModuleInit init = nullptr;
  tModuleDone done = nullptr;
  tModuleVersion version = nullptr;
  // The provider moduleInit made; moduleDone sets it back to null.
  cK5AlgoProvider* provider = nullptr;

private:
  std::string mPath;
  void* mHandle = nullptr;
};

#endif
