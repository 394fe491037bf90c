#include "cK5ProductInfo.h"

#include "cK5SimProgrammerImpl.h"

cK5ProductInfo::cK5ProductInfo() {}

cK5ProductInfo::~cK5ProductInfo() {}

int cK5ProductInfo::productType() {
  k5Sim().checkThrow("productType");
  return k5Sim().st.productType;
}

std::string cK5ProductInfo::productName() {
  k5Sim().checkThrow("productName");
  return k5Sim().st.productName;
}

unsigned int cK5ProductInfo::fpgaBaseMappingAddr() {
  k5Sim().checkThrow("fpgaBaseMappingAddr");
  return k5Sim().st.mappingAddr;
}
