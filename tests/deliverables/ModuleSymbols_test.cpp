#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>

namespace {

// Defined dynamic symbols of a shared library, as nm lists them.
std::set<std::string> definedDynamicSymbols(const std::string& path) {
  std::set<std::string> names;
  const std::string command = std::string(LS_NM) + " -D --defined-only '" + path + "'";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    ADD_FAILURE() << "cannot run " << command;
    return names;
  }
  char line[512];
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    std::istringstream fields(line);
    std::string address, kind, name;
    if (fields >> address >> kind >> name) {
      names.insert(name.substr(0, name.find('@')));
    }
  }
  EXPECT_EQ(pclose(pipe), 0) << command;
  return names;
}

TEST(ModuleSymbols, EachModuleExportsOnlyItsEntryPointsAndGlobals) {
  const std::set<std::string> expected = {"moduleInit", "moduleDone", "moduleVersion", "IOSpace",
                                          "mFPGAMapping", "PSCtrl", "CPDCtrl", "K5Device"};
  for (const char* path : {LS_LARKSPUR_PATH, LS_SORREL_PATH}) {
    EXPECT_EQ(definedDynamicSymbols(path), expected) << path;
  }
}

}  // namespace
