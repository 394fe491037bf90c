#include "imageFormat.h"

#include <cctype>

namespace {

bool hexDigits(const std::string& text, std::size_t from) {
  if (from > text.size()) return false;
  for (std::size_t i = from; i < text.size(); ++i) {
    if (!std::isxdigit(static_cast<unsigned char>(text[i]))) return false;
  }
  return true;
}

unsigned int byteAt(const std::string& text, std::size_t at) {
  return static_cast<unsigned int>(std::stoul(text.substr(at, 2), nullptr, 16));
}

// ":" count(1) address(2) type(1) data(count) checksum(1), in hex digit pairs.
bool isIntelHexRecord(const std::string& line) {
  if (line.size() < 11 || line[0] != ':' || !hexDigits(line, 1) || line.size() % 2 == 0) {
    return false;
  }
  return line.size() == 11 + 2 * std::size_t(byteAt(line, 1));
}

// "S" type digit, count(1), then count bytes of address, data and checksum.
bool isSRecord(const std::string& line) {
  if (line.size() < 4 || line[0] != 'S' || !std::isdigit(static_cast<unsigned char>(line[1])) ||
      !hexDigits(line, 2) || line.size() % 2 != 0) {
    return false;
  }
  return line.size() == 4 + 2 * std::size_t(byteAt(line, 2));
}

bool allLinesAre(const std::vector<unsigned char>& bytes, bool (*isRecord)(const std::string&)) {
  bool any = false;
  std::string line;
  for (std::size_t i = 0; i <= bytes.size(); ++i) {
    const bool end = i == bytes.size() || bytes[i] == '\n';
    if (!end) {
      line += static_cast<char>(bytes[i]);
      continue;
    }
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
    if (!line.empty()) {
      if (!isRecord(line)) return false;
      any = true;
    }
    line.clear();
  }
  return any;
}

}  // namespace

std::string textImageFormat(const std::vector<unsigned char>& bytes) {
  if (bytes.empty()) return "";
  if (bytes[0] == ':' && allLinesAre(bytes, isIntelHexRecord)) return "Intel HEX";
  if (bytes[0] == 'S' && allLinesAre(bytes, isSRecord)) return "Motorola S-record";
  return "";
}
