#ifndef PI_MODULE_ADDR_H
#define PI_MODULE_ADDR_H

#include <string>

// Address of a host module: two unsigned words.
class piModuleAddr {
public:
  piModuleAddr(unsigned int first = 0, unsigned int second = 0);

  unsigned int first() const { return mFirst; }
  unsigned int second() const { return mSecond; }

  bool operator==(const piModuleAddr& other) const;
  bool operator!=(const piModuleAddr& other) const { return !(*this == other); }

  std::string toString() const;

private:
  unsigned int mFirst;
  unsigned int mSecond;
};

#endif
