#ifndef C_MODULE_INFO_H
#define C_MODULE_INFO_H

#include <string>

// What a module tells the host about itself.
class cModuleInfo {
public:
  cModuleInfo();
  virtual ~cModuleInfo();

  void setVersion(unsigned int version);
  unsigned int getVersion() const;
  void setName(std::string name);
  std::string getName() const;
  void setShortDesc(std::string text);
  std::string getShortDesc() const;
  void setRuntimeShortDesc(std::string text);
  std::string getRuntimeShortDesc() const;

private:
  unsigned int mVersion;
  std::string mName;
  std::string mShortDesc;
  std::string mRuntimeShortDesc;
};

#endif
