#ifndef T_QUIET_STREAM_H
#define T_QUIET_STREAM_H

#include <iostream>
#include <streambuf>

// Swallows what is written to a stream while it lives, without keeping it: the
// module's diagnostic lines cost their formatting, nothing more.
class tQuietStream : public std::streambuf {
public:
  explicit tQuietStream(std::ostream& stream) : mStream(stream), mOld(stream.rdbuf(this)) {}
  ~tQuietStream() override { mStream.rdbuf(mOld); }
  tQuietStream(const tQuietStream&) = delete;
  tQuietStream& operator=(const tQuietStream&) = delete;

protected:
  int overflow(int ch) override { return traits_type::not_eof(ch); }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }

private:
  std::ostream& mStream;
  std::streambuf* mOld;
};

#endif
