#ifndef C_K5_PRODUCT_INFO_H
#define C_K5_PRODUCT_INFO_H

#include <string>

class cK5ProductInfo {
public:
  virtual ~cK5ProductInfo();
  // 1 to 4 for the four product types, 0 when not recognised.
  int productType();
  std::string productName();
  unsigned int fpgaBaseMappingAddr();

protected:
  friend class cK5SimProgrammer;
  cK5ProductInfo();
};

#endif
