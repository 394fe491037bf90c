#ifndef C_INTERFACE_DEPENDENCY_H
#define C_INTERFACE_DEPENDENCY_H

// A dependency between module interfaces, as the host's framework tracks it.
class cInterfaceDependency {
public:
  virtual ~cInterfaceDependency() {}
};

#endif
