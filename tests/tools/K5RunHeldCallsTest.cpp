// The moments of a run that only a held or signalled system call shows (the
// preload library, tests/tools/preload): a stop signal just before the run
// waits on a FIFO, a second run while the first links a new chip's
// placeholder in, and a chip file replaced between a run's open and its lock.
#include <signal.h>

#include "k5runTestSupport.h"

namespace {

class K5RunHeldCalls : public tK5RunPreloadTest {
protected:
  // True once the run has ended; false when it waits in a system call
  // instead, though the signal came.
  static bool endsWithoutWaiting(pid_t run) { return !waitUntilItWaitsAgain(run); }
};

// SIGINT just before the open of an image FIFO that has no writer yet, and
// before a read of one whose writer keeps it open and writes nothing, in
// the read itself or in the call before it (fstat): the run stops there,
// without the writer's help.
TEST_F(K5RunHeldCalls, ASignalJustBeforeAWaitOnAFifoStopsTheRun) {
  ASSERT_EQ(::mkfifo(path("image.fifo").c_str(), 0644), 0);
  const std::set<std::string> before = folderEntries(mFolder);
  for (const char* call : {"open", "fstat", "read"}) {
    SCOPED_TRACE(call);
    preload("RAISE", std::string(call) + ":" + std::to_string(SIGINT) + ":image.fifo");
    const tStarted started = start({"program", "image.fifo", "--chip", "new.chip"});
    int writer = -1;
    if (std::string(call) != "open") {
      ASSERT_TRUE(openWhenTheRunHasTheOtherEnd(path("image.fifo"), O_WRONLY, started.pid, writer));
    }
    const bool ended = endsWithoutWaiting(started.pid);
    EXPECT_TRUE(ended) << "the run waits on the FIFO after the signal";
    if (!ended) {
      // Let it go: a writer that comes and goes.
      if (writer < 0) writer = ::open(path("image.fifo").c_str(), O_WRONLY);
    }
    if (writer >= 0) ::close(writer);
    const tRunResult r = finish(started);
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.errLines(), std::vector<std::string>{"k5run: interrupted"});
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(folderEntries(mFolder), before);
  }
}

// The first run is held just after it linked its placeholder in, while the
// placeholder has its temporary name too: a second run on that chip, one
// that would save it and one that reads it, is refused as busy before it
// runs (not for the placeholder's two names).
TEST_F(K5RunHeldCalls, ASecondRunWhileTheFirstPlacesANewChipIsRefusedAsBusy) {
  writeBytes(path("image.bin"), imagePattern(2048));
  const std::set<std::string> before = folderEntries(mFolder);
  const std::string fifo = sidePath("hold.fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  preload("HOLD", "unlink:" + fifo + ":new.chip.");
  const tStarted first = start({"erase", "--chip", "new.chip"}, ".a");
  int hold = -1;
  ASSERT_TRUE(openWhenTheRunHasTheOtherEnd(fifo, O_WRONLY, first.pid, hold));
  forget("HOLD");
  EXPECT_EQ(chipBytes(path("new.chip")), std::vector<unsigned char>(2048, 0xFF));
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"program", "image.bin", "--chip", "new.chip"},
        std::vector<std::string>{"read", "out.bin", "--chip", "new.chip"}}) {
    SCOPED_TRACE(args[0]);
    const tRunResult second = run(args);
    EXPECT_EQ(second.exitCode, 2);
    EXPECT_EQ(second.errLines(),
              std::vector<std::string>{"k5run: chip file new.chip is in use by another run"});
    EXPECT_EQ(second.out, "");
  }
  ::close(hold);
  const tRunResult r = finish(first);
  EXPECT_EQ(r.exitCode, 0) << r.described();
  EXPECT_EQ(folderEntries(mFolder), before);
}

// A save of another run replaces the chip file between this run's open of
// it and its lock: the run locks the new file, not the old one it opened,
// so a third run is refused as busy while this one still writes its OUT.
TEST_F(K5RunHeldCalls, ARunWhoseChipIsReplacedBeforeItsLockLocksTheNewFile) {
  writeChipFile("chip.bin", 1024, 1);
  writeChipFile("other.chip", 1024, 2);
  const std::vector<unsigned char> replaced = chipBytes(path("other.chip"));
  ASSERT_EQ(::mkfifo(path("out.fifo").c_str(), 0644), 0);
  const std::string fifo = sidePath("hold.fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  preload("HOLD", "flock:" + fifo + ":chip.bin");
  const tStarted reading = start({"read", "out.fifo", "--chip", "chip.bin"}, ".a");
  int hold = -1;
  ASSERT_TRUE(openWhenTheRunHasTheOtherEnd(fifo, O_WRONLY, reading.pid, hold));
  forget("HOLD");
  ASSERT_EQ(::rename(path("other.chip").c_str(), path("chip.bin").c_str()), 0);
  ::close(hold);
  // Done reading, the run waits for a reader of its OUT, the chip locked.
  ASSERT_TRUE(waitUntilItWaitsAgain(reading.pid));
  const tRunResult third = run({"erase", "--chip", "chip.bin"});
  EXPECT_EQ(third.exitCode, 2);
  EXPECT_EQ(third.errLines(),
            std::vector<std::string>{"k5run: chip file chip.bin is in use by another run"});
  const int reader = ::open(path("out.fifo").c_str(), O_RDONLY);
  ASSERT_GE(reader, 0);
  const std::string read = drained(reader);
  ::close(reader);
  const std::vector<unsigned char> received(read.begin(), read.end());
  const tRunResult r = finish(reading);
  EXPECT_EQ(r.exitCode, 0) << r.described();
  EXPECT_EQ(received, replaced);
  EXPECT_EQ(chipBytes(path("chip.bin")), replaced);
}

}  // namespace
