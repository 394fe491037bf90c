#ifndef C_LINE_CAPTURE_H
#define C_LINE_CAPTURE_H

#include <functional>
#include <iostream>
#include <streambuf>
#include <string>

// Takes over a standard stream while it lives and hands each complete line to
// a function: the modules write their diagnostic lines to std::cerr and a few
// warnings to std::cout, which the runner shows only on request. The runner's
// own output goes through stdio and is not affected.
class cLineCapture : public std::streambuf {
public:
  cLineCapture(std::ostream& stream, std::function<void(const std::string&)> onLine);
  ~cLineCapture() override;
  cLineCapture(const cLineCapture&) = delete;
  cLineCapture& operator=(const cLineCapture&) = delete;

protected:
  int overflow(int ch) override;

private:
  std::ostream& mStream;
  std::streambuf* mOld;
  std::function<void(const std::string&)> mOnLine;
  std::string mPending;
};

#endif
