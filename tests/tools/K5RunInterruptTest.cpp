// SIGINT, SIGTERM, SIGHUP and SIGQUIT at each stage of a run where a file is
// at stake: no temporary file and no placeholder chip file is left, and the
// files are as they were or whole and new. A signal before the files are
// written ends the run with "k5run: interrupted" and exit code 3. A signal
// the caller left ignored stays ignored, and a file-size limit fails a write
// instead of killing the run.
// Each run is held at its stage by a FIFO or a pipe the test controls, so
// the signal comes while the run waits there.
#include <signal.h>
#include <sys/resource.h>

#include "k5runTestSupport.h"

namespace {

struct tSignals {
  const char* name;
  // Sent one after the other: the next once the run has taken the one
  // before and waits again.
  std::vector<int> signals;
};

const tSignals kOnce[] = {
    {"SIGINT", {SIGINT}},
    {"SIGTERM", {SIGTERM}},
    {"SIGHUP", {SIGHUP}},
    {"SIGQUIT", {SIGQUIT}},
};
const tSignals kTwice[] = {
    {"SIGINT twice", {SIGINT, SIGINT}},
    {"SIGTERM, then SIGHUP", {SIGTERM, SIGHUP}},
};

class K5RunInterrupt : public tK5RunTest {
protected:
  // Each signal in turn; the ones after a signal that ended the run are not sent.
  static void send(pid_t pid, const tSignals& s) {
    for (std::size_t i = 0; i < s.signals.size(); ++i) {
      if (i > 0 && !waitUntilItWaitsAgain(pid)) return;
      ASSERT_EQ(::kill(pid, s.signals[i]), 0);
    }
  }
  // The bytes of standard error up to the end of the first line that starts
  // with `prefix`, in a run of `args` left alone (on a copy of its chip).
  std::size_t bytesThrough(const std::vector<std::string>& args, const std::string& prefix) {
    const tRunResult r = run(args);
    const std::string::size_type at = r.err.find("\n" + prefix);
    EXPECT_NE(at, std::string::npos) << r.err;
    return at == std::string::npos ? 0 : r.err.find('\n', at + 1) + 1;
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
    tHeldPipe err;
    const tStarted started =
        startHeld({"program", "image.bin", "--chip", "new.chip"}, 2, first.size(), err);
    EXPECT_TRUE(fileExists(path("new.chip")));
    send(started.pid, s);
    const std::string shown = drainedRun(err);
    const tRunResult r = finish(started);
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(tRunResult::linesOf(shown),
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

// Half way through programming a chip file, the chip has changed: a signal
// then still saves nothing, and the chip file is as it was.
TEST_F(K5RunInterrupt, AChipChangedInTheActionIsNotSaved) {
  writeBytes(path("image.bin"), imagePattern(2048, 6));
  const std::vector<std::string> args = {"program",  "image.bin", "--chip",
                                         "chip.bin", "--erase",   "--no-verify"};
  writeChipFile("chip.bin", 1024);
  const std::size_t room = bytesThrough(args, "program:  25%");
  for (const tSignals& s : kOnce) {
    SCOPED_TRACE(s.name);
    writeChipFile("chip.bin", 1024);
    const std::vector<unsigned char> chip = fileBytes(path("chip.bin"));
    tHeldPipe err;
    const tStarted started = startHeld(args, 2, room, err);
    send(started.pid, s);
    const std::vector<std::string> shown = tRunResult::linesOf(drainedRun(err));
    const tRunResult r = finish(started);
    EXPECT_EQ(r.exitCode, 3);
    // The line it waited to write, with half the chip programmed, was the last.
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back().substr(0, 13), "program:  50%");
    EXPECT_EQ(r.summaryAll("result"), std::vector<std::string>{"interrupted"});
    EXPECT_EQ(r.summary("saved"), "");
    EXPECT_EQ(fileBytes(path("chip.bin")), chip);
    EXPECT_EQ(folderEntries(mFolder), (std::set<std::string>{".", "..", "chip.bin", "image.bin"}));
  }
}

// nohup, or a script's background job: a stop signal the caller left
// ignored stays ignored, and the run goes on to its end.
TEST_F(K5RunInterrupt, ASignalTheCallerIgnoresStaysIgnored) {
  const std::vector<unsigned char> image = imagePattern(2048, 7);
  writeBytes(path("image.bin"), image);
  const std::vector<std::string> args = {"program", "image.bin", "--chip", "chip.bin", "--erase"};
  writeChipFile("chip.bin", 1024);
  const std::size_t room = bytesThrough(args, "program:  25%");
  for (const tSignals& s : {kOnce[0], kOnce[2]}) {
    SCOPED_TRACE(s.name);
    writeChipFile("chip.bin", 1024);
    const int ignored = s.signals.front();
    mBeforeExec = [ignored] { ::signal(ignored, SIG_IGN); };
    tHeldPipe err;
    const tStarted started = startHeld(args, 2, room, err);
    send(started.pid, s);
    ASSERT_TRUE(waitUntilItWaitsAgain(started.pid));
    drainedRun(err);
    const tRunResult r = finish(started);
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_EQ(r.summaryAll("error"), std::vector<std::string>{"none"});
    EXPECT_EQ(r.summary("saved"), "chip.bin");
    EXPECT_EQ(r.lastLine(), "k5run: ok");
    EXPECT_EQ(chipBytes(path("chip.bin")), image);
  }
}

// Writing OUT into a FIFO that is full: a write begun is finished, so the
// reader gets the whole read-out and the run its verdict; the test lets the
// write go on only once the run has taken the signal and waits again. A
// second signal gives the waiting write up and interrupts the run, which
// names the first signal.
TEST_F(K5RunInterrupt, WhileOutIsWrittenIntoAFifo) {
  writeChipFile("big.chip", 0x10000);
  const std::vector<unsigned char> chip = fileBytes(path("big.chip"));
  const std::vector<unsigned char> words = chipBytes(path("big.chip"));
  ASSERT_EQ(::mkfifo(path("out.fifo").c_str(), 0644), 0);
  std::vector<tSignals> cases(std::begin(kOnce), std::end(kOnce));
  cases.push_back(kTwice[1]);
  for (const tSignals& s : cases) {
    SCOPED_TRACE(s.name);
    const bool twice = s.signals.size() == 2;
    const int reader = ::open(path("out.fifo").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    const int size = ::fcntl(reader, F_GETPIPE_SZ);
    ASSERT_LT(size, static_cast<int>(words.size()));
    const tStarted started = start({"read", "out.fifo", "--chip", "big.chip"});
    ASSERT_TRUE(waitUntilItHolds(reader, size, started.pid));
    send(started.pid, s);
    // Given up, the run ends without the reader; otherwise the reader lets it finish.
    tRunResult r;
    if (twice) {
      r = finish(started);
    } else {
      EXPECT_TRUE(waitUntilItWaitsAgain(started.pid)) << "the run gave up its write";
    }
    ASSERT_EQ(::fcntl(reader, F_SETFL, 0), 0);
    const std::string received = drained(reader);
    ::close(reader);
    if (!twice) r = finish(started);
    const std::size_t expected = twice ? static_cast<std::size_t>(size) : words.size();
    EXPECT_EQ(std::vector<unsigned char>(received.begin(), received.end()),
              std::vector<unsigned char>(words.begin(), words.begin() + expected));
    EXPECT_EQ(r.exitCode, twice ? 3 : 0);
    EXPECT_EQ(r.summary("wrote"), twice ? "" : "out.fifo, 131072 bytes");
    EXPECT_EQ(r.summaryAll("error"),
              std::vector<std::string>{
                  twice ? "out.fifo: cannot write: Interrupted system call; interrupted by SIGTERM"
                        : "none"});
    EXPECT_EQ(r.lastLine(), twice ? "k5run: interrupted" : "k5run: ok");
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
    const tHeldPipe out = holdOutput(1, 0);
    const tStarted started = start({"program", "image.bin", "--chip", "chip.bin", "--erase"});
    mBeforeExec = nullptr;
    closeHeldWriteEnds();
    // The save is done once the chip file is another file.
    for (struct stat now = before; now.st_ino == before.st_ino;) {
      ASSERT_EQ(::stat(path("chip.bin").c_str(), &now), 0);
      ASSERT_FALSE(hasEnded(started.pid));
      sched_yield();
    }
    send(started.pid, s);
    const std::string shown = drainedRun(out);
    const tRunResult r = finish(started);
    EXPECT_EQ(r.exitCode, 0);
    const std::vector<std::string> lines = tRunResult::linesOf(shown);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(lines.end() - 3, lines.end()),
              (std::vector<std::string>{"result:     ok", "error:      none", "k5run: ok"}));
    EXPECT_EQ(chipBytes(path("chip.bin")), image);
    EXPECT_EQ(folderEntries(mFolder), (std::set<std::string>{".", "..", "chip.bin", "image.bin"}));
  }
}

// A file-size limit (ulimit -f) the chip or OUT does not fit: the write
// fails with its reason, exit 1, instead of SIGXFSZ killing the run half way;
// no temporary file is left. A new chip's placeholder that does not fit
// fails the run before anything ran.
TEST_F(K5RunInterrupt, AFileSizeLimitFailsTheWriteAndLeavesNothing) {
  writeChipFile("big.chip", 0x10000);
  const std::vector<unsigned char> chip = fileBytes(path("big.chip"));
  const std::set<std::string> before = folderEntries(mFolder);
  mBeforeExec = [] {
    // Room for what the run says, not for 64 K words.
    const struct rlimit limit = {65536, 65536};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(127);
  };
  const struct {
    std::vector<std::string> args;
    bool beforeTheRun;
    std::string error;  // the summary's, or the one line of a run that did not begin
  } cases[] = {
      {{"erase", "--chip", "big.chip"}, false, "big.chip: cannot write: File too large"},
      {{"read", "out.bin", "--chip", "big.chip"}, false, "out.bin: cannot write: File too large"},
      {{"erase", "--chip", "new.chip", "--memory-size", "0x10000"},
       true,
       "k5run: cannot save the chip: new.chip: cannot write: File too large"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1]);
    const tRunResult r = run(c.args);
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(r.exitCode, 1);
    if (c.beforeTheRun) {
      EXPECT_EQ(r.errLines(), std::vector<std::string>{c.error});
      EXPECT_EQ(r.out, "");
    } else {
      EXPECT_EQ(r.summaryAll("error"), std::vector<std::string>{c.error});
      EXPECT_EQ(r.lastLine(), "k5run: failed");
    }
    EXPECT_EQ(fileBytes(path("big.chip")), chip);
    EXPECT_EQ(folderEntries(mFolder), before);
  }
}

}  // namespace
