#ifndef T_LINE_TAP_H
#define T_LINE_TAP_H

#include <functional>
#include <iostream>
#include <streambuf>
#include <string>
#include <vector>

// Takes over a stream while it lives and collects its lines. onLine runs at
// the end of each line, so a test can act in the middle of a log call.
class tLineTap : public std::streambuf {
public:
  explicit tLineTap(std::ostream& stream) : mStream(stream), mOld(stream.rdbuf(this)) {}
  ~tLineTap() override { mStream.rdbuf(mOld); }
  tLineTap(const tLineTap&) = delete;
  tLineTap& operator=(const tLineTap&) = delete;

  std::vector<std::string> lines;
  std::function<void(const std::string&)> onLine;

  // Text written after the last end of line.
  const std::string& unfinished() const { return mPending; }

protected:
  int overflow(int ch) override {
    if (ch == traits_type::eof()) {
      return 0;
    }
    if (ch != '\n') {
      mPending.push_back(static_cast<char>(ch));
      return ch;
    }
    std::string line;
    line.swap(mPending);
    lines.push_back(line);
    if (onLine) {
      // A copy: the callback may replace itself.
      const std::function<void(const std::string&)> callback = onLine;
      callback(line);
    }
    return ch;
  }

private:
  std::ostream& mStream;
  std::streambuf* mOld;
  std::string mPending;
};

typedef std::vector<std::string> tLines;

// The lines the call writes to the stream. Text left without an end of line
// comes last, marked, so that an exact comparison sees it.
template <class tCall>
std::vector<std::string> linesOf(std::ostream& stream, tCall call) {
  tLineTap tap(stream);
  call();
  std::vector<std::string> lines = tap.lines;
  if (!tap.unfinished().empty()) lines.push_back(tap.unfinished() + " <no end of line>");
  return lines;
}

// The lines the call writes to standard error and to standard output.
struct tStdLines {
  tLines err;
  tLines out;
};
template <class tCall>
tStdLines stdLinesOf(tCall call) {
  tStdLines lines;
  lines.err = linesOf(std::cerr, [&] { lines.out = linesOf(std::cout, call); });
  return lines;
}

#endif
