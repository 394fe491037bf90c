#ifndef K5RUN_TEST_SUPPORT_H
#define K5RUN_TEST_SUPPORT_H

// Runs the built k5run as a user would: a child process in a folder of its
// own, no terminal (standard input from /dev/null, standard output and error
// into files) or a pseudo-terminal of a given width, and tells its exit code
// and what it printed. A cross-compiled k5run runs under the build's
// emulator (kK5RunCommand).

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "cK5HoltekChip.h"

// The command that starts k5run, arguments to follow: the build's emulator
// with its options (CMAKE_CROSSCOMPILING_EMULATOR) when the tests were
// cross-compiled, then k5run's path; k5run's path alone otherwise. Its first
// word is the program to exec.
inline const char* const kK5RunCommand[] = {LS_K5RUN_EMULATOR LS_K5RUN_PATH};

struct tRunResult {
  int exitCode = -1;
  int signal = 0;  // that ended the process
  std::string out;
  std::string err;

  std::vector<std::string> errLines() const { return linesOf(err); }
  std::vector<std::string> outLines() const { return linesOf(out); }
  // The last line of standard output, and of `shown()`. A run that printed
  // none fails the test with its exit code, signal and standard error, and
  // gives "".
  std::string lastLine() const { return lastOf(outLines(), "standard output"); }
  std::string lastShown() const { return lastOf(shown(), "standard error"); }
  // The exit code, the signal and standard error, for a failure's message.
  std::string described() const {
    return "exit code " + std::to_string(exitCode) + ", signal " + std::to_string(signal) +
           ", standard error:\n" + err;
  }
  // The value of a summary line "label: value", or "" when there is none.
  std::string summary(const std::string& label) const {
    std::vector<std::string> values = summaryAll(label);
    return values.empty() ? "" : values.front();
  }
  std::vector<std::string> summaryAll(const std::string& label) const {
    std::vector<std::string> values;
    for (const std::string& line : outLines()) {
      if (line.compare(0, label.size() + 1, label + ":") != 0) continue;
      std::string::size_type at = label.size() + 1;
      while (at < line.size() && line[at] == ' ') ++at;
      values.push_back(line.substr(at));
    }
    return values;
  }

  // Standard error without the times of the progress lines, which depend on
  // the wall clock: "read: 100%  word 0x03FF/0x03FF  bus ... wall ..." keeps
  // "read: 100%  word 0x03FF/0x03FF".
  std::vector<std::string> shown() const {
    std::vector<std::string> lines = errLines();
    for (std::string& line : lines) {
      const std::string::size_type at = line.find("  bus ");
      if (at != std::string::npos) line.erase(at);
    }
    return lines;
  }

  static std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

private:
  std::string lastOf(const std::vector<std::string>& lines, const char* where) const {
    if (lines.empty()) {
      ADD_FAILURE() << "k5run printed no line on " << where << ": " << described();
      return "";
    }
    return lines.back();
  }
};

inline std::vector<unsigned char> fileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<unsigned char>((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
}

inline void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

// Chip words as bytes: word w is bytes 2w (low) and 2w + 1 (high).
inline std::vector<unsigned char> chipBytes(const std::string& path) {
  cK5HoltekChip chip;
  std::string error;
  if (!chip.load(path, error)) {
    ADD_FAILURE() << error;
    return {};
  }
  std::vector<unsigned char> bytes;
  for (std::uint16_t w : chip.words()) {
    bytes.push_back(static_cast<unsigned char>(w));
    bytes.push_back(static_cast<unsigned char>(w >> 8));
  }
  return bytes;
}

inline std::set<std::string> folderEntries(const std::string& folder) {
  std::set<std::string> names;
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (const dirent* e = ::readdir(dir)) names.insert(e->d_name);
    ::closedir(dir);
  }
  return names;
}

inline bool fileExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

// A byte pattern that differs from byte to byte and from an erased chip.
inline std::vector<unsigned char> imagePattern(std::size_t n, unsigned int seed = 0) {
  std::vector<unsigned char> bytes(n);
  for (std::size_t i = 0; i < n; ++i) {
    bytes[i] = static_cast<unsigned char>((i * 37u + seed * 11u + 5u) ^ (i >> 7));
    if (bytes[i] == 0xFF) bytes[i] = 0x5A;
  }
  return bytes;
}

// A fresh folder per test, removed afterwards.
class tK5RunTest : public testing::Test {
protected:
  void SetUp() override {
    char pattern[] = "/tmp/k5run-test-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    mFolder = pattern;
  }
  void TearDown() override {
    if (!mFolder.empty()) {
      const std::string command = "rm -rf '" + mFolder + "'";
      EXPECT_EQ(std::system(command.c_str()), 0);
    }
  }

  std::string path(const std::string& name) const { return mFolder + "/" + name; }

  tRunResult run(const std::vector<std::string>& args) const { return finish(start(args)); }

  // A run that goes on while the test does other things; `finish` waits for
  // it. Runs at the same time need tags of their own.
  struct tStarted {
    pid_t pid = -1;
    std::string tag;
  };
  tStarted start(const std::vector<std::string>& args, const std::string& tag = "") const {
    tStarted started;
    started.tag = tag;
    const std::string outPath = path(".stdout" + tag);
    const std::string errPath = path(".stderr" + tag);
    std::vector<char*> argv = argvOf(args);
    started.pid = ::fork();
    if (started.pid == 0) {
      const int in = ::open("/dev/null", O_RDONLY);
      const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (in < 0 || out < 0 || err < 0 || ::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 ||
          ::dup2(err, 2) < 0 || ::chdir(mFolder.c_str()) != 0 || !setEnvironment()) {
        ::_exit(127);
      }
      if (mBeforeExec) mBeforeExec();
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    return started;
  }
  tRunResult finish(const tStarted& started) const {
    tRunResult result = waitFor(started.pid);
    const std::string outPath = path(".stdout" + started.tag);
    const std::string errPath = path(".stderr" + started.tag);
    const std::vector<unsigned char> out = fileBytes(outPath);
    const std::vector<unsigned char> err = fileBytes(errPath);
    result.out.assign(out.begin(), out.end());
    result.err.assign(err.begin(), err.end());
    ::unlink(outPath.c_str());
    ::unlink(errPath.c_str());
    return result;
  }

  // A run on a pseudo-terminal of `columns` columns as standard input and
  // error; standard output goes to a file. `err` is all the terminal got.
  tRunResult runOnTerminal(const std::vector<std::string>& args, unsigned short columns) const {
    const std::string outPath = path(".stdout");
    std::vector<char*> argv = argvOf(args);
    struct winsize size = {};
    size.ws_row = 24;
    size.ws_col = columns;
    int terminal = -1;
    const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, &size);
    if (pid == 0) {
      const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (out < 0 || ::dup2(out, 1) < 0 || ::chdir(mFolder.c_str()) != 0 || !setEnvironment()) {
        ::_exit(127);
      }
      if (mBeforeExec) mBeforeExec();
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    std::string shown;
    if (pid > 0) {
      char chunk[4096];
      for (;;) {
        const ssize_t n = ::read(terminal, chunk, sizeof chunk);
        if (n > 0) {
          shown.append(chunk, static_cast<std::size_t>(n));
        } else if (n == 0 || errno != EINTR) {
          break;  // EIO: the child closed its side
        }
      }
      ::close(terminal);
    }
    tRunResult result = waitFor(pid);
    const std::vector<unsigned char> out = fileBytes(outPath);
    result.out.assign(out.begin(), out.end());
    result.err = shown;
    ::unlink(outPath.c_str());
    return result;
  }
  // Opens one end of a FIFO without blocking once the run has opened the
  // other; false when the run ended first.
  static bool openWhenTheRunHasTheOtherEnd(const std::string& fifo, int flags, pid_t run, int& fd) {
    for (;;) {
      fd = ::open(fifo.c_str(), flags | O_NONBLOCK);
      if (fd >= 0) return true;
      int status = 0;
      if (::waitpid(run, &status, WNOHANG) == run) return false;
      sched_yield();
    }
  }

  // True once the run has ended, without reaping it (finish does).
  static bool hasEnded(pid_t run) {
    siginfo_t info = {};
    return ::waitid(P_PID, static_cast<id_t>(run), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == run;
  }
  // Waits until the run has taken every signal sent to it and waits in a
  // system call again; false when it ended instead.
  static bool waitUntilItWaitsAgain(pid_t run) {
    const std::string status = "/proc/" + std::to_string(run) + "/status";
    for (;;) {
      if (hasEnded(run)) return false;
      std::ifstream in(status);
      std::string state;
      bool pending = false;
      for (std::string line; std::getline(in, line);) {
        if (line.rfind("State:", 0) == 0) state = line;
        if (line.rfind("SigPnd:", 0) == 0 || line.rfind("ShdPnd:", 0) == 0) {
          pending =
              pending || line.find_first_not_of("0 \t", line.find(':') + 1) != std::string::npos;
        }
      }
      if (!pending && state.find("(sleeping)") != std::string::npos) return true;
      sched_yield();
    }
  }

  // The next run's descriptor `fd` is a pipe that takes `room` more bytes and
  // then makes the run wait; the test reads what came through readEnd.
  struct tHeldPipe {
    int readEnd = -1;
    int size = 0;            // of the pipe
    std::size_t filler = 0;  // bytes the test put in first
  };
  tHeldPipe holdOutput(int fd, std::size_t room) {
    tHeldPipe held;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
      ADD_FAILURE() << "pipe2: " << std::strerror(errno);
      return held;
    }
    held.size = ::fcntl(fds[1], F_SETPIPE_SZ, 4096);
    EXPECT_GE(held.size, static_cast<int>(room));
    held.filler = static_cast<std::size_t>(held.size) - room;
    const std::string filler(held.filler, '.');
    EXPECT_EQ(::write(fds[1], filler.data(), filler.size()), static_cast<ssize_t>(filler.size()));
    const int writeEnd = fds[1];
    const std::function<void()> before = mBeforeExec;
    mBeforeExec = [before, writeEnd, fd] {
      if (before) before();
      if (::dup2(writeEnd, fd) < 0) ::_exit(127);
    };
    mHeldWriteEnds.push_back(writeEnd);
    held.readEnd = fds[0];
    return held;
  }
  // Once the run has started: the test's copies of the held pipes' write ends go.
  void closeHeldWriteEnds() {
    for (int fd : mHeldWriteEnds) ::close(fd);
    mHeldWriteEnds.clear();
  }
  // A run started with its descriptor fd held (holdOutput), once it waits
  // there; mBeforeExec is spent.
  tStarted startHeld(const std::vector<std::string>& args, int fd, std::size_t room,
                     tHeldPipe& held) {
    held = holdOutput(fd, room);
    const tStarted started = start(args);
    mBeforeExec = nullptr;
    closeHeldWriteEnds();
    EXPECT_TRUE(waitUntilFull(held, started.pid)) << "the run ended before it filled the pipe";
    return started;
  }
  // Waits until the pipe or FIFO behind fd holds `bytes`; false when the run ended first.
  static bool waitUntilItHolds(int fd, int bytes, pid_t run) {
    for (int queued = 0; ::ioctl(fd, FIONREAD, &queued) != 0 || queued < bytes;) {
      if (hasEnded(run)) return false;
      sched_yield();
    }
    return true;
  }
  // Waits until the held pipe is full; false when the run ended first.
  static bool waitUntilFull(const tHeldPipe& held, pid_t run) {
    return waitUntilItHolds(held.readEnd, held.size, run);
  }
  // What the pipe or FIFO behind fd gives, to its end (a non-blocking fd: to what it holds).
  static std::string drained(int fd) {
    std::string text;
    char chunk[4096];
    for (ssize_t n; (n = ::read(fd, chunk, sizeof chunk)) != 0;) {
      if (n > 0) text.append(chunk, static_cast<std::size_t>(n));
      if (n < 0 && errno != EINTR) break;
    }
    return text;
  }
  // Everything the run wrote into the held pipe, to its end; the pipe is closed.
  static std::string drainedRun(const tHeldPipe& held) {
    const std::string text = drained(held.readEnd);
    ::close(held.readEnd);
    return text.size() >= held.filler ? text.substr(held.filler) : "";
  }

  // A chip file of `words` words holding the pattern.
  void writeChipFile(const std::string& name, unsigned int words, unsigned int seed = 3) {
    cK5HoltekChip chip;
    ASSERT_TRUE(chip.setMemoryWords(words));
    std::vector<std::uint16_t> values(words);
    const std::vector<unsigned char> bytes = imagePattern(2 * words, seed);
    for (unsigned int i = 0; i < words; ++i)
      values[i] = static_cast<std::uint16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    ASSERT_TRUE(chip.setWords(0, values));
    std::string error;
    ASSERT_TRUE(chip.save(path(name), error)) << error;
  }

  std::string mFolder;
  std::vector<int> mHeldWriteEnds;
  // Variables set in the child, before mBeforeExec.
  std::vector<std::pair<std::string, std::string>> mEnvironment;
  // Run in the child just before k5run starts, its streams and folder set:
  // for streams or a user of a test's own.
  std::function<void()> mBeforeExec;

private:
  bool setEnvironment() const {
    for (const auto& variable : mEnvironment) {
      if (::setenv(variable.first.c_str(), variable.second.c_str(), 1) != 0) return false;
    }
    return true;
  }
  static std::vector<char*> argvOf(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const char* word : kK5RunCommand) argv.push_back(const_cast<char*>(word));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    return argv;
  }
  static tRunResult waitFor(pid_t pid) {
    tRunResult result;
    int status = 0;
    if (pid > 0 && ::waitpid(pid, &status, 0) == pid) {
      if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
      if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    }
    return result;
  }
};

// Runs k5run with the preload library (tests/tools/preload) in it: the
// calls it catches are logged into a file of the test's own, and held,
// raised or failed as the test sets them (preload("HOLD", ...)). A test is
// skipped where the library cannot be preloaded into k5run.
class tK5RunPreloadTest : public tK5RunTest {
protected:
  void SetUp() override {
    tK5RunTest::SetUp();
    if (HasFatalFailure()) return;
    const std::string why = preloadUnavailable();
    if (!why.empty()) GTEST_SKIP() << why;
    char pattern[] = "/tmp/k5run-preload-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    mSideFolder = pattern;
    char* real = ::realpath(mFolder.c_str(), nullptr);
    ASSERT_NE(real, nullptr);
    mRealFolder = real;
    std::free(real);
    mEnvironment = loaderEnvironment();
    preload("LOG", sidePath("calls.log"));
  }
  void TearDown() override {
    if (!mSideFolder.empty()) {
      const std::string command = "rm -rf '" + mSideFolder + "'";
      EXPECT_EQ(std::system(command.c_str()), 0);
    }
    tK5RunTest::TearDown();
  }

  // K5RUN_PRELOAD_<name> for the runs that start from here: LOG, HOLD, RAISE
  // or FAIL (tests/tools/preload/callRules.h).
  void preload(const std::string& name, const std::string& value) {
    const std::string variable = "K5RUN_PRELOAD_" + name;
    for (auto& v : mEnvironment) {
      if (v.first == variable) {
        v.second = value;
        return;
      }
    }
    mEnvironment.push_back({variable, value});
  }
  // No K5RUN_PRELOAD_<name> for the runs that start from here.
  void forget(const std::string& name) {
    const std::string variable = "K5RUN_PRELOAD_" + name;
    mEnvironment.erase(std::remove_if(mEnvironment.begin(), mEnvironment.end(),
                                      [&variable](const std::pair<std::string, std::string>& v) {
                                        return v.first == variable;
                                      }),
                       mEnvironment.end());
  }

  // A file outside the test's folder, which the runs leave alone: a FIFO to
  // hold a run on, say.
  std::string sidePath(const std::string& name) const { return mSideFolder + "/" + name; }

  // The calls logged so far, one line each ("fsync /tmp/k5run-test-abc/chip.bin.XXXXXX"),
  // the random six letters or digits that end a temporary file's name as
  // XXXXXX.
  std::vector<std::string> loggedCalls() const {
    std::vector<std::string> lines;
    std::ifstream in(sidePath("calls.log"));
    for (std::string line; std::getline(in, line);) lines.push_back(wordsMapped(line, masked));
    return lines;
  }
  // The same with the paths in the test's folder relative to it
  // ("fsync chip.bin.XXXXXX"), the folder itself as ".".
  std::vector<std::string> loggedCallsInFolder() const {
    std::vector<std::string> lines = loggedCalls();
    const std::string folder = mRealFolder;
    for (std::string& line : lines) {
      line = wordsMapped(line, [&folder](const std::string& word) {
        if (word == folder) return std::string(".");
        if (word.compare(0, folder.size() + 1, folder + "/") == 0) {
          return word.substr(folder.size() + 1);
        }
        return word;
      });
    }
    return lines;
  }
  void forgetLoggedCalls() const { std::ofstream(sidePath("calls.log"), std::ios::trunc); }

  // The test's folder with its symbolic links resolved, as the log has it.
  std::string mRealFolder;

private:
  static bool emulated() { return std::size(kK5RunCommand) > 1; }

  static std::string preloadUnavailable() {
    if (!emulated()) return "";
    const std::string emulator = kK5RunCommand[0];
    const std::string name = emulator.substr(emulator.rfind('/') + 1);
    if (name.compare(0, 5, "qemu-") != 0) {
      return "k5run runs under " + emulator + ", which has no known way to preload a library";
    }
    if (std::string(LS_K5RUN_PRELOAD_PATH).find(',') != std::string::npos) {
      return "the preload library's path has a comma, which QEMU_SET_ENV would split";
    }
    return "";
  }

  // LD_PRELOAD for k5run only: under qemu the emulator is a host program,
  // whose own loader would try the target's library, so qemu passes it on
  // to k5run (QEMU_SET_ENV). An ASan-built k5run refuses a library loaded
  // before its runtime unless told not to check; other runs ignore the option.
  static std::vector<std::pair<std::string, std::string>> loaderEnvironment() {
    const std::string library = LS_K5RUN_PRELOAD_PATH;
    std::vector<std::pair<std::string, std::string>> variables;
    variables.push_back(
        {"ASAN_OPTIONS", extended("ASAN_OPTIONS", ":", "verify_asan_link_order=0")});
    if (emulated()) {
      variables.push_back({"QEMU_SET_ENV", extended("QEMU_SET_ENV", ",", "LD_PRELOAD=" + library)});
    } else {
      variables.push_back({"LD_PRELOAD", extended("LD_PRELOAD", ":", library)});
    }
    return variables;
  }
  // The variable's value in the tests' own environment, with more after it.
  static std::string extended(const char* variable, const char* separator,
                              const std::string& more) {
    const char* value = std::getenv(variable);
    return value != nullptr && value[0] != '\0' ? value + std::string(separator) + more : more;
  }

  static std::string masked(const std::string& word) {
    const std::string::size_type dot = word.rfind('.');
    const bool temporary = dot != std::string::npos && dot > 0 && word[dot - 1] != '/' &&
                           word.size() - dot == 7 && word.find('/', dot) == std::string::npos &&
                           std::all_of(word.begin() + static_cast<std::ptrdiff_t>(dot) + 1,
                                       word.end(), [](char c) { return std::isalnum(c) != 0; });
    return temporary ? word.substr(0, dot + 1) + "XXXXXX" : word;
  }
  template <typename Mapping>
  static std::string wordsMapped(const std::string& line, Mapping mapping) {
    std::istringstream in(line);
    std::string mapped;
    for (std::string word; in >> word;) mapped += (mapped.empty() ? "" : " ") + mapping(word);
    return mapped;
  }

  std::string mSideFolder;
};

#endif
