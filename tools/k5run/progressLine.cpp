#include "progressLine.h"

#include <sys/ioctl.h>

#include <cstdio>

namespace {

const unsigned int kDefaultColumns = 80;
const unsigned int kFullBar = 30;
const unsigned int kShortestBar = 10;

std::string percent(double fraction) {
  char text[8];
  std::snprintf(text, sizeof text, "%3d%%", static_cast<int>(fraction * 100));
  return text;
}

std::string bar(double fraction, unsigned int width) {
  const unsigned int filled = static_cast<unsigned int>(fraction * width + 0.5);
  std::string text(filled < width ? filled : width, '#');
  text.resize(width, '.');
  return "[" + text + "]";
}

}  // namespace

unsigned int terminalColumns(int fd) {
  struct winsize size = {};
  if (::ioctl(fd, TIOCGWINSZ, &size) != 0 || size.ws_col == 0) return kDefaultColumns;
  return size.ws_col;
}

std::string progressBarLine(const std::string& action, double fraction, const std::string& position,
                            const std::string& busTime, const std::string& wallTime,
                            unsigned int columns) {
  const std::size_t room = columns > 1 ? columns - 1 : 1;
  const std::string pct = percent(fraction);
  auto line = [&](unsigned int barWidth, bool withPosition, bool withBus, bool withWall) {
    std::string text = action + " ";
    if (barWidth != 0) text += bar(fraction, barWidth) + " ";
    text += pct;
    if (withPosition && !position.empty()) text += "  " + position;
    if (withBus) text += "  bus " + busTime;
    if (withWall) text += "  wall " + wallTime;
    return text;
  };
  std::string text = line(kFullBar, true, true, true);
  if (text.size() <= room) return text;
  text = line(kFullBar, true, true, false);
  if (text.size() <= room) return text;
  text = line(kFullBar, true, false, false);
  if (text.size() <= room) return text;
  // Shrink the bar by what is missing, down to its shortest.
  const std::size_t over = text.size() - room;
  if (kFullBar - kShortestBar >= over) {
    return line(kFullBar - static_cast<unsigned int>(over), true, false, false);
  }
  text = line(0, true, false, false);
  if (text.size() <= room) return text;
  text = line(0, false, false, false);
  if (text.size() <= room) return text;
  // Only the name is left to cut; the percentage stays, alone when need be.
  if (room > pct.size() + 1) return action.substr(0, room - pct.size() - 1) + " " + pct;
  const std::string alone = pct.substr(pct.find_first_not_of(' '));
  return alone.size() <= room ? alone : alone.substr(alone.size() - room);
}
