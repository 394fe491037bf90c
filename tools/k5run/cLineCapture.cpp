#include "cLineCapture.h"

#include <utility>

cLineCapture::cLineCapture(std::ostream& stream, std::function<void(const std::string&)> onLine)
    : mStream(stream), mOld(stream.rdbuf(this)), mOnLine(std::move(onLine)) {}

cLineCapture::~cLineCapture() {
  mStream.rdbuf(mOld);
  if (!mPending.empty() && mOnLine) mOnLine(mPending);
}

int cLineCapture::overflow(int ch) {
  if (ch == traits_type::eof()) return 0;
  if (ch != '\n') {
    mPending.push_back(static_cast<char>(ch));
    return ch;
  }
  std::string line;
  line.swap(mPending);
  if (mOnLine) mOnLine(line);
  return ch;
}
