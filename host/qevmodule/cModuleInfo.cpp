#include "cModuleInfo.h"

cModuleInfo::cModuleInfo() : mVersion(0) {}

cModuleInfo::~cModuleInfo() {}

void cModuleInfo::setVersion(unsigned int version) { mVersion = version; }
unsigned int cModuleInfo::getVersion() const { return mVersion; }
void cModuleInfo::setName(std::string name) { mName = std::move(name); }
std::string cModuleInfo::getName() const { return mName; }
void cModuleInfo::setShortDesc(std::string text) { mShortDesc = std::move(text); }
std::string cModuleInfo::getShortDesc() const { return mShortDesc; }
void cModuleInfo::setRuntimeShortDesc(std::string text) { mRuntimeShortDesc = std::move(text); }
std::string cModuleInfo::getRuntimeShortDesc() const { return mRuntimeShortDesc; }
