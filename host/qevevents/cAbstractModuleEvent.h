#ifndef C_ABSTRACT_MODULE_EVENT_H
#define C_ABSTRACT_MODULE_EVENT_H

// An event of the host's module framework. The module never looks inside one.
class cAbstractModuleEvent {
public:
  virtual ~cAbstractModuleEvent() {}
};

#endif
