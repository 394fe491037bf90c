#include "cAbstractModule.h"

namespace {

bool throwPlanned = false;
std::string plannedText;

}  // namespace

cAbstractModule::cAbstractModule(cMPDE* mpde, std::string name)
    : mMpde(mpde),
      mName(std::move(name)),
      mClassLoader(nullptr),
      mReloadPending(false),
      mRemovePending(false) {
  if (throwPlanned) {
    throwPlanned = false;
    throw plannedText;
  }
}

void cAbstractModule::throwOnNextConstruction(const std::string& text) {
  throwPlanned = true;
  plannedText = text;
}

cAbstractModule::~cAbstractModule() {}

bool cAbstractModule::isLocal() { return true; }
bool cAbstractModule::isExplicitLocal() { return false; }
cModuleInfo* cAbstractModule::getModuleInfo() { return &mInfo; }
cAbstractClassLoader* cAbstractModule::getClassLoader() { return mClassLoader; }
void cAbstractModule::reloadModuleLater() { markReload(); }
void cAbstractModule::removeModuleLater() { markRemove(); }
bool cAbstractModule::isReloadPending() { return mReloadPending; }
bool cAbstractModule::isRemovePending() { return mRemovePending; }
void cAbstractModule::setClassLoader(cAbstractClassLoader* loader) { mClassLoader = loader; }
void cAbstractModule::markReload() { mReloadPending = true; }
void cAbstractModule::markRemove() { mRemovePending = true; }
