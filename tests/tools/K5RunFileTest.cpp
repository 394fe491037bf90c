// What k5run does to the files a user points it at: links, FIFOs, devices and
// standard output as OUT, the lock on the chip file, and images that are no
// raw binary.
#include <linux/fs.h>
#include <sys/file.h>

#include <algorithm>
#include <thread>

#include "k5runTestSupport.h"

namespace {

class K5RunFile : public tK5RunTest {
protected:
  static bool isLink(const std::string& p) {
    struct stat st;
    return ::lstat(p.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
  }
  static std::string linkTarget(const std::string& p) {
    char target[4096];
    const ssize_t n = ::readlink(p.c_str(), target, sizeof target);
    return n < 0 ? "" : std::string(target, static_cast<std::size_t>(n));
  }
  static mode_t modeOf(const std::string& p) {
    struct stat st;
    return ::stat(p.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
  }
};

// The link stays a link; the file it names gets the bytes and keeps its
// permission bits, and nothing is left beside it.
TEST_F(K5RunFile, LinkedOutAndChipStayLinks) {
  ASSERT_EQ(::mkdir(path("data").c_str(), 0755), 0);
  writeChipFile("data/chip.bin", 1024, 5);
  ASSERT_EQ(::chmod(path("data/chip.bin").c_str(), 0600), 0);
  writeBytes(path("data/out.bin"), imagePattern(10, 2));
  ASSERT_EQ(::chmod(path("data/out.bin").c_str(), 0640), 0);
  ASSERT_EQ(::symlink("data/chip.bin", path("chip.lnk").c_str()), 0);
  ASSERT_EQ(::symlink("data/out.bin", path("out.lnk").c_str()), 0);
  // A link to a link, and a link to a file not there yet.
  ASSERT_EQ(::symlink("out.lnk", path("out2.lnk").c_str()), 0);
  ASSERT_EQ(::symlink("data/new.bin", path("new.lnk").c_str()), 0);

  const std::vector<unsigned char> image = imagePattern(2048, 7);
  writeBytes(path("image.bin"), image);
  const tRunResult program = run({"program", "image.bin", "--chip", "chip.lnk", "--erase"});
  ASSERT_EQ(program.exitCode, 0) << program.out << program.err;
  EXPECT_EQ(program.summary("saved"), "chip.lnk");
  EXPECT_TRUE(isLink(path("chip.lnk")));
  EXPECT_EQ(linkTarget(path("chip.lnk")), "data/chip.bin");
  EXPECT_EQ(chipBytes(path("data/chip.bin")), image);
  EXPECT_EQ(modeOf(path("data/chip.bin")), 0600u);

  for (const char* out : {"out2.lnk", "new.lnk"}) {
    SCOPED_TRACE(out);
    const tRunResult read = run({"read", out, "--chip", "chip.lnk"});
    ASSERT_EQ(read.exitCode, 0) << read.out << read.err;
    EXPECT_EQ(read.summary("wrote"), std::string(out) + ", 2048 bytes");
  }
  EXPECT_TRUE(isLink(path("out.lnk")) && isLink(path("out2.lnk")) && isLink(path("new.lnk")));
  EXPECT_EQ(fileBytes(path("data/out.bin")), image);
  EXPECT_EQ(modeOf(path("data/out.bin")), 0640u);
  EXPECT_EQ(fileBytes(path("data/new.bin")), image);
  EXPECT_EQ(folderEntries(path("data")),
            (std::set<std::string>{".", "..", "chip.bin", "out.bin", "new.bin"}));
}

// A FIFO and a device take the bytes as they are written; "-" writes them to
// standard output, with the summary on standard error.
TEST_F(K5RunFile, FifoDeviceAndStandardOutputTakeTheBytes) {
  writeChipFile("chip.bin", 1024, 6);
  const std::vector<unsigned char> chip = chipBytes(path("chip.bin"));
  ASSERT_EQ(::mkfifo(path("out.fifo").c_str(), 0644), 0);

  std::vector<unsigned char> received;
  std::thread reader([&] {
    const int fd = ::open(path("out.fifo").c_str(), O_RDONLY);
    unsigned char chunk[4096];
    for (ssize_t n; fd >= 0 && (n = ::read(fd, chunk, sizeof chunk)) > 0;)
      received.insert(received.end(), chunk, chunk + n);
    if (fd >= 0) ::close(fd);
  });
  const tRunResult fifo = run({"read", "out.fifo", "--chip", "chip.bin"});
  // A run that never opened the FIFO must not leave the reader waiting.
  const int unblock = ::open(path("out.fifo").c_str(), O_RDWR | O_NONBLOCK);
  if (unblock >= 0) ::close(unblock);
  reader.join();
  EXPECT_EQ(fifo.exitCode, 0) << fifo.out << fifo.err;
  EXPECT_EQ(fifo.summary("wrote"), "out.fifo, 2048 bytes");
  EXPECT_EQ(received, chip);
  struct stat st;
  ASSERT_EQ(::lstat(path("out.fifo").c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));

  const tRunResult device = run({"read", "/dev/null", "--chip", "chip.bin"});
  EXPECT_EQ(device.exitCode, 0) << device.out << device.err;
  ASSERT_EQ(::stat("/dev/null", &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));

  const tRunResult out = run({"read", "-", "--chip", "chip.bin"});
  EXPECT_EQ(out.exitCode, 0) << out.err;
  EXPECT_EQ(std::vector<unsigned char>(out.out.begin(), out.out.end()), chip);
  const std::vector<std::string> err = out.errLines();
  ASSERT_FALSE(err.empty());
  EXPECT_EQ(err.back(), "k5run: ok");
  EXPECT_NE(std::find(err.begin(), err.end(), "wrote:      standard output, 2048 bytes"),
            err.end());
  EXPECT_EQ(folderEntries(mFolder), (std::set<std::string>{".", "..", "chip.bin", "out.fifo"}));
}

// While one run holds the chip, another refuses at once and touches
// nothing: held by the test, and held by a run that is still writing its
// read-out into a FIFO (128 KiB, more than the FIFO holds).
TEST_F(K5RunFile, ASecondRunOnTheSameChipRefusesAtOnce) {
  writeChipFile("chip.bin", 0x10000, 8);
  writeBytes(path("image.bin"), imagePattern(2048, 9));
  const std::vector<unsigned char> chip = fileBytes(path("chip.bin"));
  const std::string busy = "k5run: chip file chip.bin is in use by another run";

  const int held = ::open(path("chip.bin").c_str(), O_RDONLY);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  const tRunResult refused = run({"program", "image.bin", "--chip", "chip.bin"});
  EXPECT_EQ(refused.exitCode, 2);
  EXPECT_EQ(refused.errLines(), std::vector<std::string>{busy});
  EXPECT_EQ(refused.out, "");
  ::close(held);

  ASSERT_EQ(::mkfifo(path("out.fifo").c_str(), 0644), 0);
  const tStarted reading = start({"read", "out.fifo", "--chip", "chip.bin"}, ".a");
  int fd = -1;
  ASSERT_TRUE(openWhenTheRunHasTheOtherEnd(path("out.fifo"), O_RDONLY, reading.pid, fd));
  // The reader has the FIFO open once a read waits for data instead of ending.
  unsigned char chunk[4096];
  std::vector<unsigned char> received;
  for (;;) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n > 0) {
      received.insert(received.end(), chunk, chunk + n);
      break;
    }
    if (n < 0 && errno == EAGAIN) break;
    int status = 0;
    ASSERT_NE(::waitpid(reading.pid, &status, WNOHANG), reading.pid) << "the read ended first";
    sched_yield();
  }
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"program", "image.bin", "--chip", "chip.bin"},
        std::vector<std::string>{"--chip", "chip.bin", "erase"}}) {
    SCOPED_TRACE(args[0]);
    const tRunResult second = run(args);
    EXPECT_EQ(second.exitCode, 2);
    EXPECT_EQ(second.errLines(), std::vector<std::string>{busy});
  }
  ASSERT_EQ(::fcntl(fd, F_SETFL, 0), 0);
  for (ssize_t n; (n = ::read(fd, chunk, sizeof chunk)) > 0;)
    received.insert(received.end(), chunk, chunk + n);
  ::close(fd);
  const tRunResult first = finish(reading);
  EXPECT_EQ(first.exitCode, 0) << first.out << first.err;
  EXPECT_EQ(received, chipBytes(path("chip.bin")));
  EXPECT_EQ(fileBytes(path("chip.bin")), chip);
}

// A new chip is held from the start too: the place of its file is taken by
// an erased chip, and given back when the run saves nothing. The run waits
// here loading a module from a FIFO, with the chip taken; what it then reads
// is no module, so it gives up, and the chip's place.
TEST_F(K5RunFile, ANewChipIsHeldFromTheStart) {
  writeBytes(path("image.bin"), imagePattern(2048, 3));
  ASSERT_EQ(::mkfifo(path("module.fifo").c_str(), 0644), 0);
  const tStarted first =
      start({"program", "image.bin", "--chip", "new.chip", "--module", "./module.fifo"}, ".a");
  int fd = -1;
  ASSERT_TRUE(openWhenTheRunHasTheOtherEnd(path("module.fifo"), O_WRONLY, first.pid, fd));
  EXPECT_EQ(chipBytes(path("new.chip")), std::vector<unsigned char>(2048, 0xFF));
  const tRunResult second = run({"program", "image.bin", "--chip", "new.chip"});
  EXPECT_EQ(second.exitCode, 2);
  EXPECT_EQ(second.errLines(),
            std::vector<std::string>{"k5run: chip file new.chip is in use by another run"});
  ::close(fd);
  const tRunResult refused = finish(first);
  EXPECT_EQ(refused.exitCode, 2);
  EXPECT_EQ(refused.errLines(), std::vector<std::string>{"k5run: cannot load module "
                                                         "./module.fifo: ./module.fifo: file too "
                                                         "short"});
  EXPECT_EQ(folderEntries(mFolder), (std::set<std::string>{".", "..", "image.bin", "module.fifo"}));

  const tRunResult program = run({"program", "image.bin", "--chip", "new.chip"});
  EXPECT_EQ(program.exitCode, 0) << program.out << program.err;
  EXPECT_EQ(program.summary("chip"), "new.chip, 1024 words (new, erased)");
  EXPECT_EQ(chipBytes(path("new.chip")), imagePattern(2048, 3));
}

// An image is read to its end before the chip is taken: from a FIFO, whose
// writer may take its time (no chip file is there meanwhile), or from a pipe
// handed over as a /dev/fd path, as a shell's process substitution does.
TEST_F(K5RunFile, AnImageFromAFifoOrAPipeIsProgrammedWhole) {
  const std::vector<unsigned char> image = imagePattern(2048, 4);
  ASSERT_EQ(::mkfifo(path("image.fifo").c_str(), 0644), 0);
  const tStarted started = start({"program", "image.fifo", "--chip", "c.chip"}, ".a");
  int fd = -1;
  ASSERT_TRUE(openWhenTheRunHasTheOtherEnd(path("image.fifo"), O_WRONLY, started.pid, fd));
  ASSERT_EQ(::fcntl(fd, F_SETFL, 0), 0);
  // In pieces: the run reads on to the end.
  for (std::size_t at = 0; at < image.size(); at += 500) {
    ASSERT_GT(::write(fd, image.data() + at, std::min<std::size_t>(500, image.size() - at)), 0);
    EXPECT_FALSE(fileExists(path("c.chip")));
  }
  ::close(fd);
  const tRunResult fifo = finish(started);
  EXPECT_EQ(fifo.exitCode, 0) << fifo.out << fifo.err;
  EXPECT_EQ(fifo.summaryAll("action"),
            (std::vector<std::string>{"program bytes 0x0000-0x07FF (words 0x0000-0x03FF)",
                                      "verify words 0x0000-0x03FF"}));
  EXPECT_EQ(chipBytes(path("c.chip")), image);

  int pipeFds[2];
  ASSERT_EQ(::pipe(pipeFds), 0);
  const std::vector<unsigned char> second = imagePattern(1024, 5);
  ASSERT_EQ(::write(pipeFds[1], second.data(), second.size()), 1024);
  ::close(pipeFds[1]);
  const int readEnd = pipeFds[0];
  mBeforeExec = [readEnd] {
    if (::dup2(readEnd, 9) < 0) ::_exit(127);
  };
  const tRunResult piped = run({"program", "/dev/fd/9", "--chip", "p.chip"});
  ::close(readEnd);
  EXPECT_EQ(piped.exitCode, 0) << piped.out << piped.err;
  EXPECT_EQ(piped.summary("action"), "program bytes 0x0000-0x03FF (words 0x0000-0x01FF)");
  std::vector<unsigned char> chip = chipBytes(path("p.chip"));
  chip.resize(1024);
  EXPECT_EQ(chip, second);
}

// A replaced file keeps its permission bits without set-user-ID, set-group-ID
// and sticky, and its owner where the run may set it (as root). A file the
// user may not write is refused before the run, as cp refuses it; for root,
// who may write any file, the test runs k5run as an unprivileged user. A
// file with several hard links is refused: the new file would take the
// place of one name, and the others would keep the old content.
TEST_F(K5RunFile, ReplacedFilesKeepModeAndOwnerAndWriteProtectionHolds) {
  writeChipFile("chip.bin", 1024, 2);
  const std::vector<unsigned char> image = imagePattern(2048, 6);
  writeBytes(path("image.bin"), image);
  writeBytes(path("out.bin"), imagePattern(10));
  ASSERT_EQ(::chmod(path("out.bin").c_str(), 04755), 0);
  ASSERT_EQ(::chmod(path("chip.bin").c_str(), 06664), 0);
  const bool root = ::geteuid() == 0;
  const uid_t other = 65534;
  if (root) {
    ASSERT_EQ(::chown(path("out.bin").c_str(), other, other), 0);
    ASSERT_EQ(::chown(path("chip.bin").c_str(), other, other), 0);
  }
  ASSERT_EQ(run({"program", "image.bin", "--chip", "chip.bin", "--erase"}).exitCode, 0);
  ASSERT_EQ(run({"read", "out.bin", "--chip", "chip.bin"}).exitCode, 0);
  EXPECT_EQ(fileBytes(path("out.bin")), image);
  EXPECT_EQ(modeOf(path("out.bin")), 0755u);
  EXPECT_EQ(modeOf(path("chip.bin")), 0664u);
  struct stat st;
  for (const char* name : {"out.bin", "chip.bin"}) {
    SCOPED_TRACE(name);
    ASSERT_EQ(::stat(path(name).c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, root ? other : ::geteuid());
    EXPECT_EQ(st.st_gid, root ? other : ::getegid());
  }

  // Write-protected files, in a folder the user may write.
  ASSERT_EQ(::chmod(mFolder.c_str(), 0777), 0);
  ASSERT_EQ(::chmod(path("out.bin").c_str(), 0444), 0);
  ASSERT_EQ(::chmod(path("chip.bin").c_str(), 0444), 0);
  if (root) {
    mBeforeExec = [other] {
      if (::setgid(other) != 0 || ::setuid(other) != 0) ::_exit(127);
    };
  }
  const std::vector<unsigned char> chip = fileBytes(path("chip.bin"));
  const struct {
    std::vector<std::string> args;
    std::string line;
  } cases[] = {
      {{"read", "out.bin", "--chip", "chip.bin"}, "k5run: cannot write out.bin: Permission denied"},
      {{"erase", "--chip", "chip.bin"}, "k5run: cannot save the chip: chip.bin: Permission denied"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0]);
    const tRunResult r = run(c.args);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.errLines(), std::vector<std::string>{c.line});
    EXPECT_EQ(r.out, "");
  }
  // Reading the chip needs no write.
  EXPECT_EQ(run({"blank", "--chip", "chip.bin"}).exitCode, 1);
  mBeforeExec = nullptr;
  EXPECT_EQ(fileBytes(path("chip.bin")), chip);
  EXPECT_EQ(fileBytes(path("out.bin")), image);
  EXPECT_EQ(folderEntries(mFolder),
            (std::set<std::string>{".", "..", "chip.bin", "image.bin", "out.bin"}));
}

TEST_F(K5RunFile, HardLinkedFilesAreRefused) {
  writeChipFile("chip.bin", 1024, 2);
  writeBytes(path("image.bin"), imagePattern(2048, 6));
  writeBytes(path("out.bin"), imagePattern(10));
  ASSERT_EQ(::link(path("chip.bin").c_str(), path("chip2.bin").c_str()), 0);
  ASSERT_EQ(::link(path("out.bin").c_str(), path("out2.bin").c_str()), 0);
  const std::vector<unsigned char> chip = fileBytes(path("chip.bin"));
  const struct {
    std::vector<std::string> args;
    std::string line;
  } cases[] = {
      {{"read", "out.bin", "--chip", "chip.bin"},
       "k5run: cannot write out.bin: it has 2 hard links, and the new file would take the place "
       "of one"},
      {{"program", "image.bin", "--chip", "chip.bin"},
       "k5run: cannot save the chip: chip.bin: it has 2 hard links, and the new file would take "
       "the place of one"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0]);
    const tRunResult r = run(c.args);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.errLines(), std::vector<std::string>{c.line});
  }
  // Reading and verifying leave it alone, so they run.
  EXPECT_EQ(run({"verify", "image.bin", "--chip", "chip2.bin"}).exitCode, 1);
  EXPECT_EQ(fileBytes(path("chip.bin")), chip);
  EXPECT_EQ(fileBytes(path("chip2.bin")), chip);
  EXPECT_EQ(fileBytes(path("out2.bin")), imagePattern(10));
}

// Two runs started together on one new chip, each programming its half:
// whatever their order, no run reports success while its half is gone.
TEST_F(K5RunFile, TwoRunsAtOnceNeverLoseOnesData) {
  const std::vector<unsigned char> a = imagePattern(1024, 1);
  const std::vector<unsigned char> b = imagePattern(1024, 2);
  writeBytes(path("a.bin"), a);
  writeBytes(path("b.bin"), b);
  for (int round = 0; round < 5; ++round) {
    SCOPED_TRACE(round);
    ::unlink(path("k5chip.bin").c_str());
    const tStarted first = start({"program", "a.bin", "--range", "0-0x1FF"}, ".a");
    const tStarted second = start({"program", "b.bin", "--range", "0x200-0x3FF"}, ".b");
    const tRunResult ra = finish(first);
    const tRunResult rb = finish(second);
    ASSERT_TRUE(ra.exitCode == 0 || ra.exitCode == 2) << ra.err;
    ASSERT_TRUE(rb.exitCode == 0 || rb.exitCode == 2) << rb.err;
    ASSERT_TRUE(ra.exitCode == 0 || rb.exitCode == 0);
    const std::vector<unsigned char> chip = chipBytes(path("k5chip.bin"));
    ASSERT_EQ(chip.size(), 2048u);
    const std::vector<unsigned char> erased(1024, 0xFF);
    EXPECT_EQ(std::vector<unsigned char>(chip.begin(), chip.begin() + 1024),
              ra.exitCode == 0 ? a : erased);
    EXPECT_EQ(std::vector<unsigned char>(chip.begin() + 1024, chip.end()),
              rb.exitCode == 0 ? b : erased);
  }
}

// Text images are refused before anything runs; raw bytes that merely start
// like them are programmed.
TEST_F(K5RunFile, TextImagesAreRefused) {
  writeChipFile("chip.bin", 1024, 4);
  const std::vector<unsigned char> chip = fileBytes(path("chip.bin"));
  const struct {
    const char* name;
    std::string text;
    int exitCode;
    std::string line;
  } cases[] = {
      {"Intel HEX", ":10000000214601360121470136007EFE09D2190140\r\n:00000001FF\r\n", 2,
       "k5run: image.img reads as Intel HEX; k5run takes raw binary images (objcopy -I ihex -O "
       "binary makes one)"},
      {"Motorola S-record",
       "S00F000068656C6C6F202020202000003C\nS1130000285F245F2212226A000424290008237C2A\nS9030000FC"
       "\n",
       2,
       "k5run: image.img reads as Motorola S-record; k5run takes raw binary images (objcopy -I "
       "srec -O binary makes one)"},
      {"raw bytes after a colon", ":1000000021460136012147013600\x01\x02", 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    writeBytes(path("image.img"), std::vector<unsigned char>(c.text.begin(), c.text.end()));
    const tRunResult r = run({"program", "image.img", "--chip", "chip.bin", "--erase"});
    EXPECT_EQ(r.exitCode, c.exitCode) << r.out << r.err;
    if (c.exitCode == 2) {
      EXPECT_EQ(r.errLines(), std::vector<std::string>{c.line});
      EXPECT_EQ(r.out, "");
      EXPECT_EQ(fileBytes(path("chip.bin")), chip);
      const tRunResult verify = run({"verify", "image.img", "--chip", "chip.bin"});
      EXPECT_EQ(verify.exitCode, 2);
    }
  }
}

// Standard output or error on the chip file or the image (a shell's >> or
// 2>>), and OUT naming the chip file by another name, before that file is
// there, are refused before anything runs: the chip and the image stay as
// they were. With standard error on the chip the refusal has no line.
TEST_F(K5RunFile, NoOutputGoesOntoTheChipFileOrTheImage) {
  writeChipFile("chip.bin", 1024);
  writeBytes(path("image.bin"), imagePattern(2048, 3));
  ASSERT_EQ(::mkdir(path("data").c_str(), 0755), 0);
  ASSERT_EQ(::symlink("data/new.bin", path("new.lnk").c_str()), 0);
  const std::vector<unsigned char> chip = fileBytes(path("chip.bin"));
  const std::vector<unsigned char> image = fileBytes(path("image.bin"));
  const std::set<std::string> before = folderEntries(mFolder);
  const struct {
    const char* name;
    int stream;  // 0: neither; 1 or 2 appended to `onto`
    std::string onto;
    std::vector<std::string> args;
    std::string line;
  } cases[] = {
      {"read - onto the chip",
       1,
       "chip.bin",
       {"read", "-", "--chip", "chip.bin"},
       "k5run: standard output is the chip file chip.bin"},
      {"the summary onto the chip",
       1,
       "chip.bin",
       {"blank", "--chip", "./chip.bin"},
       "k5run: standard output is the chip file ./chip.bin"},
      {"progress onto the chip", 2, "chip.bin", {"verify", "image.bin", "--chip", "chip.bin"}, ""},
      {"progress onto the image",
       2,
       "image.bin",
       {"program", "image.bin", "--chip", "chip.bin"},
       ""},
      {"the summary onto the image",
       1,
       "image.bin",
       {"verify", "image.bin", "--chip", "chip.bin"},
       "k5run: standard output is the image image.bin"},
      {"OUT is a chip file not there yet",
       0,
       "",
       {"read", "./k5chip.bin"},
       "k5run: cannot write ./k5chip.bin: it is the chip file"},
      {"OUT links to a chip file not there yet",
       0,
       "",
       {"read", "new.lnk", "--chip", "data/new.bin"},
       "k5run: cannot write new.lnk: it is the chip file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string onto = path(c.onto);
    const int stream = c.stream;
    mBeforeExec = nullptr;
    if (stream != 0) {
      mBeforeExec = [onto, stream] {
        const int fd = ::open(onto.c_str(), O_WRONLY | O_APPEND);
        if (fd < 0 || ::dup2(fd, stream) < 0) ::_exit(127);
      };
    }
    const tRunResult r = run(c.args);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.errLines(),
              c.line.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.line});
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(fileBytes(path("chip.bin")), chip);
    EXPECT_EQ(fileBytes(path("image.bin")), image);
    EXPECT_EQ(folderEntries(mFolder), before);
    EXPECT_EQ(folderEntries(path("data")), (std::set<std::string>{".", ".."}));
  }
}

// A standard descriptor the caller closed (2>&-, >&-) is no free number for
// the run's files: with standard error closed, a new chip's placeholder
// stays an erased chip while the run waits on its summary, and after a
// SIGKILL there; with standard output closed, the run's verdict stands.
TEST_F(K5RunFile, ClosedStandardDescriptorsTakeNoFile) {
  writeBytes(path("image.bin"), imagePattern(2048, 5));
  mBeforeExec = [] { ::close(2); };
  const tHeldPipe out = holdOutput(1, 0);
  const tStarted started = start({"program", "image.bin", "--chip", "new.chip", "--empty-socket"});
  mBeforeExec = nullptr;
  closeHeldWriteEnds();
  // The placeholder is there from the start; the action done, the run waits writing its summary.
  while (!fileExists(path("new.chip"))) ASSERT_FALSE(hasEnded(started.pid));
  ASSERT_TRUE(waitUntilItWaitsAgain(started.pid));
  EXPECT_EQ(fileBytes(path("new.chip")).size(), 2072u);
  EXPECT_EQ(chipBytes(path("new.chip")), std::vector<unsigned char>(2048, 0xFF));
  ASSERT_EQ(::kill(started.pid, SIGKILL), 0);
  ::close(out.readEnd);
  EXPECT_EQ(finish(started).signal, SIGKILL);
  EXPECT_EQ(fileBytes(path("new.chip")).size(), 2072u);
  EXPECT_EQ(chipBytes(path("new.chip")), std::vector<unsigned char>(2048, 0xFF));
  ASSERT_EQ(::unlink(path("new.chip").c_str()), 0);

  mBeforeExec = [] { ::close(1); };
  const tRunResult program = run({"program", "image.bin", "--chip", "new.chip"});
  EXPECT_EQ(program.exitCode, 0) << program.err;
  EXPECT_EQ(program.err.find("k5run: "), std::string::npos) << program.err;
  EXPECT_EQ(chipBytes(path("new.chip")), imagePattern(2048, 5));
  EXPECT_EQ(folderEntries(mFolder), (std::set<std::string>{".", "..", "image.bin", "new.chip"}));
}

// A name as long as a folder takes (the temporary file's name is cut to
// fit beside it), and a path near the longest one the system takes, are
// saved like any other.
TEST_F(K5RunFile, LongNamesAndPathsAreSaved) {
  const std::vector<unsigned char> image = imagePattern(2048, 6);
  writeBytes(path("image.bin"), image);
  const std::string chip(250, 'c');
  const std::string out(255, 'o');
  const tRunResult program = run({"program", "image.bin", "--chip", chip});
  EXPECT_EQ(program.exitCode, 0) << program.out << program.err;
  EXPECT_EQ(program.summary("saved"), chip);
  EXPECT_EQ(chipBytes(path(chip)), image);
  const tRunResult read = run({"read", out, "--chip", chip});
  EXPECT_EQ(read.exitCode, 0) << read.out << read.err;
  EXPECT_EQ(fileBytes(path(out)), image);
  EXPECT_EQ(folderEntries(mFolder), (std::set<std::string>{".", "..", "image.bin", chip, out}));

  // Folders of 200 characters down to a path of PATH_MAX - 1 characters.
  std::string deep;
  int folder = ::open(mFolder.c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(folder, 0);
  while (mFolder.size() + deep.size() + 2 * 201 < PATH_MAX - 20) {
    const std::string name(200, static_cast<char>('a' + deep.size() / 201 % 26));
    ASSERT_EQ(::mkdirat(folder, name.c_str(), 0755), 0);
    const int inner = ::openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY);
    ::close(folder);
    ASSERT_GE(inner, 0);
    folder = inner;
    deep += name + "/";
  }
  ::close(folder);
  const std::string longest =
      deep + std::string(PATH_MAX - 1 - mFolder.size() - 1 - deep.size(), 'x');
  ASSERT_EQ(mFolder.size() + 1 + longest.size(), std::size_t(PATH_MAX - 1));
  const tRunResult deepProgram = run({"program", "image.bin", "--chip", mFolder + "/" + longest});
  EXPECT_EQ(deepProgram.exitCode, 0) << deepProgram.out << deepProgram.err;
  EXPECT_EQ(deepProgram.summary("saved"), mFolder + "/" + longest);
}

// Sets or clears an attribute flag of a file; false where the file system
// or the user may not.
bool setAttribute(const std::string& p, int flag, bool on) {
  const int fd = ::open(p.c_str(), O_RDONLY | O_NONBLOCK);
  if (fd < 0) return false;
  int flags = 0;
  bool set = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  flags = on ? flags | flag : flags & ~flag;
  set = set && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  ::close(fd);
  return set;
}

// An append-only or immutable chip file, OUT or folder takes no new file in
// its place, so the run refuses before the action (chattr +a, +i; root on a
// file system that has them).
TEST_F(K5RunFile, AppendOnlyAndImmutableFilesAreRefusedBeforeTheRun) {
  writeChipFile("chip.bin", 1024);
  writeBytes(path("out.bin"), imagePattern(10));
  writeBytes(path("image.bin"), imagePattern(2048, 2));
  ASSERT_EQ(::mkdir(path("sub").c_str(), 0755), 0);
  if (!setAttribute(path("out.bin"), FS_APPEND_FL, true) ||
      !setAttribute(path("out.bin"), FS_APPEND_FL, false)) {
    GTEST_SKIP() << "no attributes here (root on a file system with chattr +a)";
  }
  const std::vector<unsigned char> chip = fileBytes(path("chip.bin"));
  const std::string cannot = ": a new file cannot take its place";
  const struct {
    const char* file;
    int flags;
    std::vector<std::string> args;
    std::string line;
  } cases[] = {
      {"out.bin",
       FS_APPEND_FL,
       {"read", "out.bin", "--chip", "chip.bin"},
       "k5run: cannot write out.bin: it is append-only (chattr +a)" + cannot},
      {"chip.bin",
       FS_APPEND_FL,
       {"erase", "--chip", "chip.bin"},
       "k5run: cannot save the chip: chip.bin: it is append-only (chattr +a)" + cannot},
      {"chip.bin",
       FS_IMMUTABLE_FL,
       {"program", "image.bin", "--chip", "chip.bin"},
       "k5run: cannot save the chip: chip.bin: it is immutable (chattr +i)" + cannot},
      {"sub",
       FS_APPEND_FL,
       {"program", "image.bin", "--chip", "sub/new.chip"},
       "k5run: cannot save the chip: sub/new.chip: folder sub is append-only (chattr +a): no "
       "file can be renamed into it"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    ASSERT_TRUE(setAttribute(path(c.file), c.flags, true));
    const tRunResult r = run(c.args);
    ASSERT_TRUE(setAttribute(path(c.file), c.flags, false));
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.errLines(), std::vector<std::string>{c.line});
    EXPECT_EQ(r.out, "");
  }
  EXPECT_EQ(fileBytes(path("chip.bin")), chip);
  EXPECT_EQ(fileBytes(path("out.bin")), imagePattern(10));
  EXPECT_EQ(folderEntries(path("sub")), (std::set<std::string>{".", ".."}));
  EXPECT_EQ(folderEntries(mFolder),
            (std::set<std::string>{".", "..", "chip.bin", "image.bin", "out.bin", "sub"}));
}

}  // namespace
