// The preload library (tests/tools/preload) in a real k5run: the calls of a
// save logged under their paths, a run held at a call until the test lets it
// go, a signal raised just before a call, and calls failed with an errno.
#include <signal.h>
#include <sys/file.h>

#include <cstring>

#include "k5runTestSupport.h"

namespace {

class K5RunPreload : public tK5RunPreloadTest {};

// A save: a temporary file beside the chip, given its mode, synced, locked
// and renamed over the chip file, which the run locked first; then the
// folder is synced, so that the new name survives a power loss.
TEST_F(K5RunPreload, LogsTheCallsOfASaveWithAbsolutePaths) {
  writeChipFile("chip.bin", 1024);
  const tRunResult r = run({"erase", "--chip", "chip.bin"});
  EXPECT_EQ(r.exitCode, 0) << r.described();
  const std::string chip = mRealFolder + "/chip.bin";
  EXPECT_EQ(loggedCalls(), (std::vector<std::string>{
                               "flock " + chip,
                               "fchmod " + chip + ".XXXXXX",
                               "fsync " + chip + ".XXXXXX",
                               "flock " + chip + ".XXXXXX",
                               "rename " + chip + ".XXXXXX " + chip,
                               "fsync " + mRealFolder,
                           }));
}

TEST_F(K5RunPreload, LogsLinksUnlinksAndFailedCalls) {
  writeChipFile("chip.bin", 1024);
  writeBytes(path("image.bin"), imagePattern(2048));
  ASSERT_EQ(::mkdir(path("sub").c_str(), 0755), 0);
  const struct {
    const char* what;
    std::vector<std::string> args;
    bool chipLockedByTheTest;
    int exitCode;
    std::vector<std::string> calls;
  } cases[] = {
      {"a new chip the run leaves as it was: its placeholder goes again",
       {"erase", "--chip", "new.bin"},
       false,
       0,
       {"fchmod new.bin.XXXXXX", "fsync new.bin.XXXXXX", "flock new.bin.XXXXXX",
        "link new.bin.XXXXXX new.bin", "unlink new.bin.XXXXXX", "fsync .", "unlink new.bin"}},
      {"a new chip programmed in a sub-folder: saved over its placeholder",
       {"program", "image.bin", "--chip", "sub/new.bin"},
       false,
       0,
       {"fchmod sub/new.bin.XXXXXX", "fsync sub/new.bin.XXXXXX", "flock sub/new.bin.XXXXXX",
        "link sub/new.bin.XXXXXX sub/new.bin", "unlink sub/new.bin.XXXXXX", "fsync sub",
        "fchmod sub/new.bin.XXXXXX", "fsync sub/new.bin.XXXXXX", "flock sub/new.bin.XXXXXX",
        "rename sub/new.bin.XXXXXX sub/new.bin", "fsync sub"}},
      {"OUT written, the chip named through ./",
       {"read", "out.bin", "--chip", "./chip.bin"},
       false,
       0,
       {"flock chip.bin", "fchmod out.bin.XXXXXX", "fsync out.bin.XXXXXX",
        "rename out.bin.XXXXXX out.bin", "fsync ."}},
      {"a chip another process holds",
       {"erase", "--chip", "chip.bin"},
       true,
       2,
       {"flock chip.bin = -1 " + std::string(strerrorname_np(EWOULDBLOCK))}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    forgetLoggedCalls();
    const int held = ::open(path("chip.bin").c_str(), O_RDONLY);
    ASSERT_GE(held, 0);
    if (c.chipLockedByTheTest) {
      ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
    }
    const tRunResult r = run(c.args);
    ::close(held);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.described();
    EXPECT_EQ(loggedCallsInFolder(), c.calls);
  }
}

// Held before the chip's lock: the test can still take it, and no call is
// logged; let go by a byte or by closing the FIFO, the run saves as ever.
// Only the first flock is held, not the temporary file's.
TEST_F(K5RunPreload, HoldsTheFirstFlockUntilTheTestLetsItGo) {
  const std::string fifo = sidePath("hold.fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  preload("HOLD", "flock:" + fifo + ":chip.bin");
  for (const bool byWriting : {true, false}) {
    SCOPED_TRACE(byWriting ? "let go by a byte" : "let go by closing");
    writeChipFile("chip.bin", 1024);
    forgetLoggedCalls();
    const tStarted started = start({"erase", "--chip", "chip.bin"});
    int fd = -1;
    ASSERT_TRUE(openWhenTheRunHasTheOtherEnd(fifo, O_WRONLY, started.pid, fd));
    const int mine = ::open(path("chip.bin").c_str(), O_RDONLY);
    EXPECT_EQ(::flock(mine, LOCK_EX | LOCK_NB), 0);
    ::close(mine);
    EXPECT_EQ(loggedCalls(), std::vector<std::string>{});
    if (byWriting) {
      EXPECT_EQ(::write(fd, "x", 1), 1);
    }
    ::close(fd);
    const tRunResult r = finish(started);
    EXPECT_EQ(r.exitCode, 0) << r.described();
    EXPECT_EQ(loggedCallsInFolder(),
              (std::vector<std::string>{"flock chip.bin", "fchmod chip.bin.XXXXXX",
                                        "fsync chip.bin.XXXXXX", "flock chip.bin.XXXXXX",
                                        "rename chip.bin.XXXXXX chip.bin", "fsync ."}));
    EXPECT_EQ(chipBytes(path("chip.bin")), std::vector<unsigned char>(2048, 0xFF));
  }
}

// A stop signal just before the image is opened: the run reads it, stops
// before the chip is taken, and says it was interrupted.
TEST_F(K5RunPreload, RaisesTheSignalBeforeTheFirstOpenOfTheImage) {
  writeChipFile("chip.bin", 1024);
  writeBytes(path("image.bin"), imagePattern(2048));
  const std::vector<unsigned char> chip = fileBytes(path("chip.bin"));
  const std::set<std::string> before = folderEntries(mFolder);
  for (const int signal : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(signal);
    forgetLoggedCalls();
    preload("RAISE", "open:" + std::to_string(signal) + ":image.bin");
    const tRunResult r = run({"program", "image.bin", "--chip", "chip.bin"});
    EXPECT_EQ(r.exitCode, 3) << r.described();
    EXPECT_EQ(r.errLines(), std::vector<std::string>{"k5run: interrupted"});
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(loggedCalls(), std::vector<std::string>{});
    EXPECT_EQ(fileBytes(path("chip.bin")), chip);
    EXPECT_EQ(folderEntries(mFolder), before);
  }
}

// Each step of the save failed in its turn: the run fails with one error
// line, the chip file is as it was and no temporary file is left. The
// runner's own writes to its standard output and error go on.
TEST_F(K5RunPreload, FailsTheCallsItIsToldTo) {
  const struct {
    std::string fail;
    int error;
    std::vector<std::string> calls;
  } cases[] = {
      {"fsync:EIO:chip.bin.",
       EIO,
       {"flock chip.bin", "fchmod chip.bin.XXXXXX", "unlink chip.bin.XXXXXX"}},
      {"write:ENOSPC:chip.bin.", ENOSPC, {"flock chip.bin", "unlink chip.bin.XXXXXX"}},
      {"rename:" + std::to_string(EXDEV),
       EXDEV,
       {"flock chip.bin", "fchmod chip.bin.XXXXXX", "fsync chip.bin.XXXXXX",
        "flock chip.bin.XXXXXX", "unlink chip.bin.XXXXXX"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fail);
    writeChipFile("chip.bin", 1024);
    const std::vector<unsigned char> chip = fileBytes(path("chip.bin"));
    forgetLoggedCalls();
    preload("FAIL", c.fail);
    const tRunResult r = run({"erase", "--chip", "chip.bin"});
    EXPECT_EQ(r.exitCode, 1) << r.described();
    EXPECT_EQ(r.summaryAll("error"), std::vector<std::string>{"chip.bin: cannot write: " +
                                                              std::string(std::strerror(c.error))});
    EXPECT_EQ(r.lastLine(), "k5run: failed");
    EXPECT_EQ(loggedCallsInFolder(), c.calls);
    EXPECT_EQ(fileBytes(path("chip.bin")), chip);
    EXPECT_EQ(folderEntries(mFolder), (std::set<std::string>{".", "..", "chip.bin"}));
  }
}

// A value the library cannot use ends the run with its own line, before
// k5run does anything (a FIFO it cannot open: when it would hold the call).
TEST_F(K5RunPreload, RefusesAValueItCannotUse) {
  writeChipFile("chip.bin", 1024);
  const std::vector<unsigned char> chip = fileBytes(path("chip.bin"));
  const std::string missing = sidePath("missing.fifo");
  const struct {
    const char* name;
    std::string value;
    std::string why;
  } cases[] = {
      {"FAIL", "fsync:EBOGUS", "no errno name or number"},
      {"FAIL", "fsync:0", "no errno name or number"},
      {"FAIL", "fsinc:EIO",
       "no such call (fchmod, fsync, rename, link, unlink, flock, open, read, write, fstat)"},
      {"RAISE", "open:0", "no signal number"},
      {"RAISE", "open:2x", "no signal number"},
      {"HOLD", "open", "not <call>:<value>[:<path substring>]"},
      {"HOLD", "open::chip.bin", "no value after the call"},
      {"HOLD", "flock:" + missing, "cannot open the FIFO: ENOENT"},
  };
  for (const auto& c : cases) {
    const std::string variable = std::string("K5RUN_PRELOAD_") + c.name;
    SCOPED_TRACE(variable + "=" + c.value);
    forgetLoggedCalls();
    preload(c.name, c.value);
    const tRunResult r = run({"erase", "--chip", "chip.bin"});
    preload(c.name, "");
    EXPECT_EQ(r.exitCode, 125);
    EXPECT_EQ(r.errLines(), std::vector<std::string>{"k5run_preload: " + variable + "=" + c.value +
                                                     ": " + c.why});
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(fileBytes(path("chip.bin")), chip);
    EXPECT_EQ(folderEntries(mFolder), (std::set<std::string>{".", "..", "chip.bin"}));
  }
}

}  // namespace
