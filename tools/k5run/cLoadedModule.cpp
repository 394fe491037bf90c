#include "cLoadedModule.h"

#include <dlfcn.h>

#include "cAbstractModule.h"
#include "cModuleInfo.h"

cLoadedModule::~cLoadedModule() { unload(); }

bool cLoadedModule::load(const std::string& path, std::string& error) {
  unload();
  mHandle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (mHandle == nullptr) {
    const char* reason = ::dlerror();
    error = "cannot load module " + path + ": " + (reason != nullptr ? reason : "unknown error");
    return false;
  }
  tModuleInit init = reinterpret_cast<tModuleInit>(::dlsym(mHandle, "moduleInit"));
  mDone = reinterpret_cast<tModuleDone>(::dlsym(mHandle, "moduleDone"));
  if (init == nullptr || mDone == nullptr) {
    error = "cannot load module " + path + ": it has no moduleInit and moduleDone";
    unload();
    return false;
  }
  try {
    if (init(&mMpde, &mProvider, "k5run") != 1 || mProvider == nullptr) {
      error = "cannot load module " + path + ": moduleInit failed";
      unload();
      return false;
    }
  } catch (const std::string& text) {
    error = "cannot load module " + path + ": " + text;
    unload();
    return false;
  }
  // The module base comes first in the provider, so it shares the provider's address.
  mSlots = dynamic_cast<cScaffoProvider*>(reinterpret_cast<cAbstractModule*>(mProvider));
  if (mSlots == nullptr) {
    error = "cannot load module " + path + ": its provider has no slot interface";
    unload();
    return false;
  }
  return true;
}

void cLoadedModule::unload() {
  if (mProvider != nullptr && mDone != nullptr) mDone(&mProvider);
  mProvider = nullptr;
  mSlots = nullptr;
  mDone = nullptr;
  if (mHandle != nullptr) ::dlclose(mHandle);
  mHandle = nullptr;
}

cScaffoProvider& cLoadedModule::slots() const { return *mSlots; }

std::string cLoadedModule::name() const {
  return reinterpret_cast<cAbstractModule*>(mProvider)->getModuleInfo()->getName();
}
