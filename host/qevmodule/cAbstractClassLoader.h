#ifndef C_ABSTRACT_CLASS_LOADER_H
#define C_ABSTRACT_CLASS_LOADER_H

// The loader through which the host opened a module. The module never uses it.
class cAbstractClassLoader {
public:
  virtual ~cAbstractClassLoader() {}
};

#endif
