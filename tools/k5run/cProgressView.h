#ifndef C_PROGRESS_VIEW_H
#define C_PROGRESS_VIEW_H

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// What the user sees while an action runs, on standard error: a progress bar
// that is redrawn in place on a terminal and plain lines otherwise, the
// module's numbered messages with their texts, its free-text messages, and with verbose also its
// developer messages and diagnostic lines.
class cProgressView {
public:
  cProgressView(std::FILE* out, bool terminal, bool verbose);

  // Progress is the address within first..last, counted in `unit`.
  void beginRange(const std::string& action, const std::string& unit, std::uint32_t first,
                  std::uint32_t last);
  // Progress is the selected pin of `pins`.
  void beginPins(const std::string& action, unsigned int pins);
  void end();

  // A 50-byte progress record; `pin` is the selected pin for a pin action.
  void progressRecord(const std::vector<char>& bytes, unsigned int pin);
  void message(const std::string& text);
  void developerMessage(const std::string& text);
  void diagnosticLine(const std::string& text);
  // A line of the runner's own on a cancel: the bar ends with it, and the
  // rest of the action's progress is not shown.
  void note(const std::string& text);

  // "message 305: verify main memory, Vcc 5.0 V" for a record's numbered message; empty when
  // the record carries none.
  static std::string numberedMessage(const std::vector<char>& bytes);
  // The number of a record's numbered message; -1 when it carries none.
  static std::int32_t messageNumber(const std::vector<char>& bytes);

private:
  void line(const std::string& text);
  void show(double fraction, const std::string& position, bool force);
  // Draws the bar once more and ends its line.
  void finishBar();
  // Straight to the stream's file, whole (fileIo's writeAll).
  void write(const std::string& text);
  std::string times() const;

  std::FILE* mOut;
  bool mTerminal;
  bool mVerbose;
  bool mActive;
  bool mBarShown;
  bool mStopped;  // a note came: the action's progress is no longer shown
  std::string mAction;
  std::string mUnit;
  bool mPins;
  std::uint32_t mFirst;
  std::uint32_t mLast;
  int mLastTenth;
  double mFraction;
  std::string mPosition;
  std::uint64_t mStartCycles;
  std::chrono::steady_clock::time_point mStartWall;
  std::chrono::steady_clock::time_point mLastDraw;
};

#endif
