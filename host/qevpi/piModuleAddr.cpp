#include "piModuleAddr.h"

piModuleAddr::piModuleAddr(unsigned int first, unsigned int second)
    : mFirst(first), mSecond(second) {}

bool piModuleAddr::operator==(const piModuleAddr& other) const {
  return mFirst == other.mFirst && mSecond == other.mSecond;
}

std::string piModuleAddr::toString() const {
  return "(" + std::to_string(mFirst) + ", " + std::to_string(mSecond) + ")";
}
