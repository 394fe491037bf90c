#include "cCSVSerialDataContent.h"

namespace {

std::string normalisedPath(std::string path) {
  cCSVSerialDataContent::replace(path, "\\", "/");
  cCSVSerialDataContent::replace(path, "//", "/");
  return path;
}

}  // namespace

cCSVSerialDataContent::cCSVSerialDataContent()
    : FlagUseProjectDir(0), StatusWriteBack(1), ReUseOnFail(0) {
  setNoProjectActive();
}

cCSVSerialDataContent::cCSVSerialDataContent(const cCSVSerialDataContent& other)
    : cCSVSerialDataContent() {
  *this = other;
}

cCSVSerialDataContent& cCSVSerialDataContent::operator=(const cCSVSerialDataContent& other) {
  if (this != &other) {
    FlagUseProjectDir = other.FlagUseProjectDir;
    StatusWriteBack = other.StatusWriteBack;
    ReUseOnFail = other.ReUseOnFail;
    ActiveSerialNumberProject = other.ActiveSerialNumberProject;
    CSVSerialNumberFile = other.CSVSerialNumberFile;
    CSVSerialNumberOriginDir = other.CSVSerialNumberOriginDir;
    Kpf2File = other.Kpf2File;
  }
  return *this;
}

cCSVSerialDataContent::~cCSVSerialDataContent() {}

bool cCSVSerialDataContent::operator==(const cCSVSerialDataContent& other) const {
  return FlagUseProjectDir == other.FlagUseProjectDir && StatusWriteBack == other.StatusWriteBack &&
         ReUseOnFail == other.ReUseOnFail &&
         ActiveSerialNumberProject == other.ActiveSerialNumberProject &&
         CSVSerialNumberFile == other.CSVSerialNumberFile &&
         CSVSerialNumberOriginDir == other.CSVSerialNumberOriginDir && Kpf2File == other.Kpf2File;
}

std::string cCSVSerialDataContent::getFileDir(std::string path) const {
  const std::string p = normalisedPath(path);
  const std::size_t slash = p.rfind('/');
  return slash == std::string::npos ? std::string() : p.substr(0, slash) + "/";
}

std::string cCSVSerialDataContent::getFileName(std::string path) const {
  const std::string p = normalisedPath(path);
  const std::size_t slash = p.rfind('/');
  return slash == std::string::npos ? p : p.substr(slash + 1);
}

std::string cCSVSerialDataContent::getFullFileName() const {
  if (FlagUseProjectDir) {
    return getFileDir(Kpf2File) + CSVSerialNumberFile;
  }
  return CSVSerialNumberOriginDir + CSVSerialNumberFile;
}

std::string cCSVSerialDataContent::getFullFileNameInfo() const {
  if (FlagUseProjectDir) {
    return "$ProjectDir$" + CSVSerialNumberFile;
  }
  return getFullFileName();
}

void cCSVSerialDataContent::replace(std::string& s, std::string what, std::string with) {
  if (what.empty()) {
    return;
  }
  if (with.size() < what.size()) {
    // Searching again from the start lets a replacement join with what
    // precedes it (a run of slashes collapses to one); every step shortens s.
    for (std::size_t pos = s.find(what); pos != std::string::npos; pos = s.find(what)) {
      s.replace(pos, what.size(), with);
    }
    return;
  }
  // A replacement as long as the searched text or longer could feed itself
  // for ever; go once through s and never search inside inserted text.
  for (std::size_t pos = s.find(what); pos != std::string::npos;
       pos = s.find(what, pos + with.size())) {
    s.replace(pos, what.size(), with);
  }
}
