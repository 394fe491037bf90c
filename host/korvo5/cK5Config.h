#ifndef C_K5_CONFIG_H
#define C_K5_CONFIG_H

class cK5ProductInfo;

class cK5Config {
public:
  virtual ~cK5Config();
  cK5ProductInfo* productInfo();

protected:
  friend class cK5SimProgrammer;
  cK5Config();
};

#endif
