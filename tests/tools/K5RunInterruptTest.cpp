// SIGINT, SIGTERM and SIGHUP at each stage of a run where a file is at stake:
// no temporary file and no placeholder chip file is left, and the files are
// as they were or whole and new. A signal before the files are written ends
// the run with "k5run: interrupted" and exit code 3.
// Each run is held at its stage by a FIFO or a pipe the test controls, so
// the signal comes while the run waits there.
#include <signal.h>
#include <sys/ioctl.h>

#include "k5runTestSupport.h"

namespace {

struct tSignals {
  const char* name;
  std::vector<int> signals;
  // Sent to the stopped run, so that they come together when it goes on.
  bool together;
};

const tSignals kOnce[] = {
    {"SIGINT", {SIGINT}, false},
    {"SIGTERM", {SIGTERM}, false},
    {"SIGHUP", {SIGHUP}, false},
};
const tSignals kTwice[] = {
    {"SIGINT twice", {SIGINT, SIGINT}, false},
    {"SIGTERM and SIGHUP together", {SIGTERM, SIGHUP}, true},
};

class K5RunInterrupt : public tK5RunTest {
protected:
  static void send(pid_t pid, const tSignals& s) {
    if (s.together) {
      ASSERT_EQ(::kill(pid, SIGSTOP), 0);
    }
    for (int signal : s.signals) ASSERT_EQ(::kill(pid, signal), 0);
    if (s.together) {
      ASSERT_EQ(::kill(pid, SIGCONT), 0);
    }
  }
  static int queued(int fd) {
    int n = 0;
    return ::ioctl(fd, FIONREAD, &n) == 0 ? n : -1;
  }
  // Waits until the pipe or FIFO behind fd holds `bytes`; false when the run ended first.
  static bool waitUntilItHolds(int fd, int bytes, pid_t run) {
    while (queued(fd) < bytes) {
      int status = 0;
      if (::waitpid(run, &status, WNOHANG) == run) return false;
      sched_yield();
    }
    return true;
  }
  static std::string drained(int fd) {
    std::string text;
    char chunk[4096];
    for (ssize_t n; (n = ::read(fd, chunk, sizeof chunk)) != 0;) {
      if (n > 0) text.append(chunk, static_cast<std::size_t>(n));
      if (n < 0 && errno != EINTR && errno != EAGAIN) break;
    }
    return text;
  }
};

std::vector<tSignals> onceAndTwice() {
  std::vector<tSignals> all(std::begin(kOnce), std::end(kOnce));
  all.insert(all.end(), std::begin(kTwice), std::end(kTwice));
  return all;
}

// Before the action the run waits on a FIFO: reading the image, before the
// chip is taken (no placeholder yet), or loading the module, with a new
// chip's placeholder in place. Either way nothing is left.
TEST_F(K5RunInterrupt, BeforeTheActionNothingIsLeft) {
  writeBytes(path("image.bin"), imagePattern(2048));
  ASSERT_EQ(::mkfifo(path("image.fifo").c_str(), 0644), 0);
  ASSERT_EQ(::mkfifo(path("module.fifo").c_str(), 0644), 0);
  const std::set<std::string> before = folderEntries(mFolder);
  const struct {
    const char* stage;
    std::vector<std::string> args;
    const char* fifo;
    bool placeholder;
  } stages[] = {
      {"reading the image", {"program", "image.fifo", "--chip", "new.chip"}, "image.fifo", false},
      {"loading the module",
       {"program", "image.bin", "--chip", "new.chip", "--module", "./module.fifo"},
       "module.fifo",
       true},
  };
  const std::vector<unsigned char> part = imagePattern(100);
  for (const auto& stage : stages) {
    for (const tSignals& s : onceAndTwice()) {
      SCOPED_TRACE(std::string(stage.stage) + ", " + s.name);
      const tStarted started = start(stage.args);
      int fd = -1;
      ASSERT_TRUE(openWhenTheRunHasTheOtherEnd(path(stage.fifo), O_WRONLY, started.pid, fd));
      // Part of an image, which the run reads on; none of a module, which it would give up.
      if (stage.placeholder) {
        EXPECT_EQ(chipBytes(path("new.chip")), std::vector<unsigned char>(2048, 0xFF));
      } else {
        ASSERT_EQ(::write(fd, part.data(), part.size()), 100);
        EXPECT_FALSE(fileExists(path("new.chip")));
      }
      send(started.pid, s);
      // A read it had not begun when the signal came ends here.
      ::close(fd);
      const tRunResult r = finish(started);
      EXPECT_EQ(r.exitCode, 3);
      EXPECT_EQ(r.errLines(), std::vector<std::string>{"k5run: interrupted"});
      EXPECT_EQ(r.out, "");
      EXPECT_EQ(folderEntries(mFolder), before);
    }
  }
}

// In the action, with the placeholder in place: standard error is a pipe
// with room for the action's first line only, so the run waits writing the
// second. The action is cancelled, nothing is saved, and the placeholder goes.
TEST_F(K5RunInterrupt, InTheActionNothingIsSaved) {
  writeBytes(path("image.bin"), imagePattern(2048));
  const std::string first = "module: Continuity Test disabled\n";
  for (const tSignals& s : kOnce) {
    SCOPED_TRACE(s.name);
    int fds[2];
    ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
    const int size = ::fcntl(fds[1], F_SETPIPE_SZ, 4096);
    ASSERT_GT(size, static_cast<int>(first.size()));
    const std::string filler(static_cast<std::size_t>(size) - first.size(), '.');
    ASSERT_EQ(::write(fds[1], filler.data(), filler.size()), static_cast<ssize_t>(filler.size()));
    const int err = fds[1];
    mBeforeExec = [err] {
      if (::dup2(err, 2) < 0) ::_exit(127);
    };
    const tStarted started = start({"program", "image.bin", "--chip", "new.chip"});
    mBeforeExec = nullptr;
    ::close(fds[1]);
    ASSERT_TRUE(waitUntilItHolds(fds[0], size, started.pid));
    EXPECT_TRUE(fileExists(path("new.chip")));
    send(started.pid, s);
    const std::string shown = drained(fds[0]);
    ::close(fds[0]);
    const tRunResult r = finish(started);
    EXPECT_EQ(r.exitCode, 3);
    ASSERT_EQ(shown.compare(0, filler.size(), filler), 0);
    EXPECT_EQ(tRunResult::linesOf(shown.substr(filler.size())),
              (std::vector<std::string>{"module: Continuity Test disabled",
                                        "message 136: program main memory"}));
    EXPECT_EQ(r.summaryAll("action"),
              std::vector<std::string>{"program bytes 0x0000-0x07FF (words 0x0000-0x03FF)"});
    EXPECT_EQ(r.summaryAll("result"), std::vector<std::string>{"interrupted"});
    // The action failed only for the runner's own cancel: the signal is the error.
    EXPECT_EQ(r.summaryAll("error"),
              std::vector<std::string>{"interrupted by " + std::string(s.name)});
    EXPECT_EQ(r.summary("saved"), "");
    EXPECT_EQ(r.lastLine(), "k5run: interrupted");
    EXPECT_EQ(folderEntries(mFolder), (std::set<std::string>{".", "..", "image.bin"}));
  }
}

// Writing OUT into a FIFO that is full: a write begun is finished, so the
// reader gets the whole read-out and the run its verdict; a second signal
// gives the waiting write up and interrupts the run.
TEST_F(K5RunInterrupt, WhileOutIsWrittenIntoAFifo) {
  writeChipFile("big.chip", 0x10000);
  const std::vector<unsigned char> chip = fileBytes(path("big.chip"));
  const std::vector<unsigned char> words = chipBytes(path("big.chip"));
  ASSERT_EQ(::mkfifo(path("out.fifo").c_str(), 0644), 0);
  std::vector<tSignals> cases(std::begin(kOnce), std::end(kOnce));
  cases.push_back(kTwice[1]);
  for (const tSignals& s : cases) {
    SCOPED_TRACE(s.name);
    const int reader = ::open(path("out.fifo").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    const int size = ::fcntl(reader, F_GETPIPE_SZ);
    ASSERT_LT(size, static_cast<int>(words.size()));
    const tStarted started = start({"read", "out.fifo", "--chip", "big.chip"});
    ASSERT_TRUE(waitUntilItHolds(reader, size, started.pid));
    send(started.pid, s);
    // Given up, the run ends without the reader; otherwise the reader lets it finish.
    tRunResult r;
    if (s.together) r = finish(started);
    ASSERT_EQ(::fcntl(reader, F_SETFL, 0), 0);
    const std::string received = drained(reader);
    ::close(reader);
    if (!s.together) r = finish(started);
    const std::size_t expected = s.together ? static_cast<std::size_t>(size) : words.size();
    EXPECT_EQ(std::vector<unsigned char>(received.begin(), received.end()),
              std::vector<unsigned char>(words.begin(), words.begin() + expected));
    EXPECT_EQ(r.exitCode, s.together ? 3 : 0);
    EXPECT_EQ(r.summary("wrote"), s.together ? "" : "out.fifo, 131072 bytes");
    if (s.together) {
      // Which of two pending signals is taken first is the kernel's (or the
      // emulator's) choice; the run names the one it took.
      const std::string gaveUp = "out.fifo: cannot write: Interrupted system call; interrupted by ";
      const std::vector<std::string> error = r.summaryAll("error");
      EXPECT_TRUE(error == std::vector<std::string>{gaveUp + "SIGHUP"} ||
                  error == std::vector<std::string>{gaveUp + "SIGTERM"})
          << testing::PrintToString(error);
    } else {
      EXPECT_EQ(r.summaryAll("error"), std::vector<std::string>{"none"});
    }
    EXPECT_EQ(r.lastLine(), s.together ? "k5run: interrupted" : "k5run: ok");
    EXPECT_EQ(fileBytes(path("big.chip")), chip);
    EXPECT_EQ(folderEntries(mFolder), (std::set<std::string>{".", "..", "big.chip", "out.fifo"}));
  }
}

// After the last write, while the summary waits on a full pipe: the chip is
// whole and new, and a signal then changes nothing of the verdict.
TEST_F(K5RunInterrupt, AfterTheLastWriteTheVerdictStands) {
  const std::vector<unsigned char> image = imagePattern(2048, 8);
  writeBytes(path("image.bin"), image);
  for (const tSignals& s : kOnce) {
    SCOPED_TRACE(s.name);
    // Another chip each time, so that there is something to save.
    writeChipFile("chip.bin", 1024);
    struct stat before;
    ASSERT_EQ(::stat(path("chip.bin").c_str(), &before), 0);
    int fds[2];
    ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
    const int size = ::fcntl(fds[1], F_SETPIPE_SZ, 4096);
    const std::string filler(static_cast<std::size_t>(size), '.');
    ASSERT_EQ(::write(fds[1], filler.data(), filler.size()), static_cast<ssize_t>(filler.size()));
    const int out = fds[1];
    mBeforeExec = [out] {
      if (::dup2(out, 1) < 0) ::_exit(127);
    };
    const tStarted started = start({"program", "image.bin", "--chip", "chip.bin", "--erase"});
    mBeforeExec = nullptr;
    ::close(fds[1]);
    // The save is done once the chip file is another file.
    for (struct stat now = before; now.st_ino == before.st_ino;) {
      ASSERT_EQ(::stat(path("chip.bin").c_str(), &now), 0);
      int status = 0;
      ASSERT_NE(::waitpid(started.pid, &status, WNOHANG), started.pid);
      sched_yield();
    }
    send(started.pid, s);
    const std::string shown = drained(fds[0]);
    ::close(fds[0]);
    const tRunResult r = finish(started);
    EXPECT_EQ(r.exitCode, 0);
    const std::vector<std::string> lines = tRunResult::linesOf(shown.substr(filler.size()));
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(lines.end() - 3, lines.end()),
              (std::vector<std::string>{"result:     ok", "error:      none", "k5run: ok"}));
    EXPECT_EQ(chipBytes(path("chip.bin")), image);
    EXPECT_EQ(folderEntries(mFolder), (std::set<std::string>{".", "..", "chip.bin", "image.bin"}));
  }
}

}  // namespace
