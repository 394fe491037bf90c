#ifndef C_MPDE_H
#define C_MPDE_H

// Handle of the host's module framework, passed to a module at load.
class cMPDE {
public:
  cMPDE();
  virtual ~cMPDE();
};

#endif
