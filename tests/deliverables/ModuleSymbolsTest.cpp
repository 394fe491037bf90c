#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Every line nm prints for a shared library with these options.
std::vector<std::string> nmLines(const std::string& options, const std::string& path) {
  std::vector<std::string> lines;
  const std::string command = std::string(LS_NM) + " " + options + " '" + path + "'";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    ADD_FAILURE() << "cannot run " << command;
    return lines;
  }
  char line[4096];
  while (std::fgets(line, sizeof line, pipe) != nullptr) lines.push_back(line);
  EXPECT_EQ(pclose(pipe), 0) << command;
  return lines;
}

// Defined dynamic symbols of a shared library, as nm lists them.
std::set<std::string> definedDynamicSymbols(const std::string& path) {
  std::set<std::string> names;
  for (const std::string& line : nmLines("-D --defined-only", path)) {
    std::istringstream fields(line);
    std::string address, kind, name;
    if (fields >> address >> kind >> name) {
      names.insert(name.substr(0, name.find('@')));
    }
  }
  return names;
}

// Every line nm prints for a shared library, names demangled.
std::vector<std::string> symbolLines(const std::string& path) { return nmLines("-C", path); }

std::vector<std::string> commaList(const std::string& text) {
  std::vector<std::string> items;
  std::istringstream in(text);
  std::string item;
  while (std::getline(in, item, ',')) items.push_back(item);
  return items;
}

TEST(ModuleSymbols, EachModuleExportsOnlyItsEntryPointsAndGlobals) {
  const std::set<std::string> expected = {"moduleInit", "moduleDone",   "moduleVersion",
                                          "IOSpace",    "mFPGAMapping", "PSCtrl",
                                          "CPDCtrl",    "K5Device"};
  for (const char* path : {LS_LARKSPUR_PATH, LS_SORREL_PATH}) {
    EXPECT_EQ(definedDynamicSymbols(path), expected) << path;
  }
}

// The simulator and the socket device models belong to tests and tools: no
// module defines or even names one of their classes.
TEST(ModuleSymbols, NoModuleCarriesTheSimulatorOrAModel) {
  const std::vector<std::string> classes = commaList(LS_SIM_CLASSES);
  ASSERT_FALSE(classes.empty());
  for (const char* path : {LS_LARKSPUR_PATH, LS_SORREL_PATH}) {
    SCOPED_TRACE(path);
    const std::vector<std::string> lines = symbolLines(path);
    bool entry = false;
    for (const std::string& line : lines) {
      entry = entry || line.find(" moduleInit") != std::string::npos;
      for (const std::string& name : classes) EXPECT_EQ(line.find(name), std::string::npos) << line;
    }
    EXPECT_TRUE(entry) << "no symbol table read";
  }
}

}  // namespace
