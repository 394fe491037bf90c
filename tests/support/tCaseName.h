#ifndef T_CASE_NAME_H
#define T_CASE_NAME_H

#include <string>

#include <gtest/gtest.h>

// Names each case of a parameterised test after its case's name field.
struct tCaseName {
  template <class tCase>
  std::string operator()(const testing::TestParamInfo<tCase>& testCase) const {
    return std::string(testCase.param.name);
  }
};

#endif
