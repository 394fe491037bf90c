#include <gtest/gtest.h>

#include <string>

#include "cCSVSerialDataContent.h"

namespace {

TEST(SerialDataContent, Defaults) {
  cCSVSerialDataContent c;
  EXPECT_EQ(c.getFlagUseProjectDir(), 0);
  EXPECT_EQ(c.getStatusWriteBack(), 1);
  EXPECT_EQ(c.getReUseOnFail(), 0);
  EXPECT_TRUE(c.isNoProjectActive());
  EXPECT_EQ(c.getCSVSerialNumberFile(), "");
}

TEST(SerialDataContent, DirectoryAndFileOfPaths) {
  struct Case {
    const char* path;
    const char* dir;
    const char* file;
  };
  const Case cases[] = {{"E:\\jobs\\\\lot7\\serials.csv", "E:/jobs/lot7/", "serials.csv"},
                        {"serials.csv", "", "serials.csv"},
                        {"/data/lot//", "/data/lot/", ""},
                        {"a\\//\\\\b", "a/", "b"},
                        {"", "", ""}};
  cCSVSerialDataContent c;
  for (const Case& k : cases) {
    EXPECT_EQ(c.getFileDir(k.path), k.dir) << k.path;
    EXPECT_EQ(c.getFileName(k.path), k.file) << k.path;
  }
}

TEST(SerialDataContent, FullFileNameFromProjectOrOriginDir) {
  cCSVSerialDataContent c;
  c.setKpf2File("D:\\proj\\a.prj");
  c.setCSVSerialNumberFile("sn.csv");
  c.setCSVSerialNumberOriginDir("/data");
  c.setFlagUseProjectDir(1);
  EXPECT_EQ(c.getFullFileName(), "D:/proj/sn.csv");
  EXPECT_EQ(c.getFullFileNameInfo(), "$ProjectDir$sn.csv");
  c.setFlagUseProjectDir(0);
  EXPECT_EQ(c.getFullFileName(), "/datasn.csv");
  EXPECT_EQ(c.getFullFileNameInfo(), "/datasn.csv");
}

TEST(SerialDataContent, ProjectKindComparedExactly) {
  cCSVSerialDataContent c;
  c.setActiveSerialNumberProject("csvproject");
  EXPECT_FALSE(c.isCSVProjectActive());
  c.setCSVProjectActive();
  EXPECT_TRUE(c.isCSVProjectActive());
  EXPECT_FALSE(c.isNoProjectActive());
  c.setLegacyProjectActive();
  EXPECT_TRUE(c.isLegacyProjectActive());
}

TEST(SerialDataContent, ReplaceAlwaysEnds) {
  struct Case {
    const char* s;
    const char* what;
    const char* with;
    const char* result;
  };
  const Case cases[] = {
      {"a////b", "//", "/", "a/b"},  // runs collapse
      {"x\\y\\z", "\\", "/", "x/y/z"},
      {"aXb", "X", "XX", "aXXb"},  // replacement holds the searched text
      {"aa", "a", "aa", "aaaa"},
      {"abc", "", "z", "abc"},  // empty searched text
      {"abab", "ab", "ba", "baba"},
  };
  for (const Case& k : cases) {
    std::string s = k.s;
    cCSVSerialDataContent::replace(s, k.what, k.with);
    EXPECT_EQ(s, k.result) << k.s << " / " << k.what << " / " << k.with;
  }
}

TEST(SerialDataContent, CopyAndEquality) {
  cCSVSerialDataContent a;
  a.setReUseOnFail(1);
  a.setKpf2File("k");
  cCSVSerialDataContent b(a);
  EXPECT_EQ(a, b);
  b.setStatusWriteBack(0);
  EXPECT_NE(a, b);
  b = a;
  EXPECT_EQ(a, b);
}

}  // namespace
