// The paths the preload library logs for calls that name a file through an
// open folder (the *at calls) or an fd: absolute, "." and repeated slashes
// dropped. k5run itself makes no such call yet.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "callPaths.h"

namespace {

class PreloadCallPaths : public testing::Test {
protected:
  void SetUp() override {
    char pattern[] = "/tmp/k5run-paths-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    char* real = ::realpath(pattern, nullptr);
    ASSERT_NE(real, nullptr);
    mFolder = real;
    std::free(real);
    ASSERT_EQ(::mkdir((mFolder + "/sub").c_str(), 0755), 0);
    mDir = ::open(mFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(mDir, 0);
  }
  void TearDown() override {
    if (mDir >= 0) ::close(mDir);
    ::rmdir((mFolder + "/sub").c_str());
    ::rmdir(mFolder.c_str());
  }

  std::string mFolder;
  int mDir = -1;
};

TEST_F(PreloadCallPaths, NamesAreJoinedToTheFolderTheyAreTakenFrom) {
  char cwd[PATH_MAX];
  ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
  const std::string here = std::string(cwd) == "/" ? "" : cwd;
  const struct {
    int dirfd;
    const char* name;
    std::string path;
  } cases[] = {
      {mDir, "chip.bin.Ab3xY9", mFolder + "/chip.bin.Ab3xY9"},
      {mDir, "./sub//chip.bin/.", mFolder + "/sub/chip.bin"},
      {mDir, "", mFolder},
      {mDir, ".", mFolder},
      {mDir, "/a/./b//c", "/a/b/c"},
      {AT_FDCWD, "chip.bin", here + "/chip.bin"},
      {AT_FDCWD, "/", "/"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.dirfd == AT_FDCWD ? "AT_FDCWD" : "folder") + ", \"" + c.name + "\"");
    tPath path;
    atPath(c.dirfd, c.name, path);
    EXPECT_EQ(std::string(path.text), c.path);
  }
}

TEST_F(PreloadCallPaths, AnFdIsTheFileItIsOpenOn) {
  const int sub = ::openat(mDir, "sub", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(sub, 0);
  tPath path;
  fdPath(sub, path);
  EXPECT_EQ(std::string(path.text), mFolder + "/sub");
  atPath(sub, "chip.bin", path);
  EXPECT_EQ(std::string(path.text), mFolder + "/sub/chip.bin");
  ::close(sub);
  // Closed: no file to name.
  fdPath(sub, path);
  EXPECT_EQ(std::string(path.text), "fd:" + std::to_string(sub));
}

}  // namespace
