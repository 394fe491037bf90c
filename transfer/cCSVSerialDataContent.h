#ifndef C_CSV_SERIAL_DATA_CONTENT_H
#define C_CSV_SERIAL_DATA_CONTENT_H

#include <string>

// Settings of a serial-number project and the full name of its file.
class cCSVSerialDataContent {
public:
  cCSVSerialDataContent();
  cCSVSerialDataContent(const cCSVSerialDataContent& other);
  cCSVSerialDataContent& operator=(const cCSVSerialDataContent& other);
  virtual ~cCSVSerialDataContent();

  bool operator==(const cCSVSerialDataContent& other) const;
  bool operator!=(const cCSVSerialDataContent& other) const { return !(*this == other); }

  unsigned char getFlagUseProjectDir() const { return FlagUseProjectDir; }
  void setFlagUseProjectDir(unsigned char f) { FlagUseProjectDir = f; }
  unsigned char getStatusWriteBack() const { return StatusWriteBack; }
  void setStatusWriteBack(unsigned char f) { StatusWriteBack = f; }
  unsigned char getReUseOnFail() const { return ReUseOnFail; }
  void setReUseOnFail(unsigned char f) { ReUseOnFail = f; }
  std::string getActiveSerialNumberProject() const { return ActiveSerialNumberProject; }
  void setActiveSerialNumberProject(const std::string& s) { ActiveSerialNumberProject = s; }
  std::string getCSVSerialNumberFile() const { return CSVSerialNumberFile; }
  void setCSVSerialNumberFile(const std::string& s) { CSVSerialNumberFile = s; }
  std::string getCSVSerialNumberOriginDir() const { return CSVSerialNumberOriginDir; }
  void setCSVSerialNumberOriginDir(const std::string& s) { CSVSerialNumberOriginDir = s; }
  std::string getKpf2File() const { return Kpf2File; }
  void setKpf2File(const std::string& s) { Kpf2File = s; }

  void setNoProjectActive() { ActiveSerialNumberProject = "NoProject"; }
  void setCSVProjectActive() { ActiveSerialNumberProject = "CSVProject"; }
  void setLegacyProjectActive() { ActiveSerialNumberProject = "LegacyProject"; }
  bool isNoProjectActive() const { return ActiveSerialNumberProject == "NoProject"; }
  bool isCSVProjectActive() const { return ActiveSerialNumberProject == "CSVProject"; }
  bool isLegacyProjectActive() const { return ActiveSerialNumberProject == "LegacyProject"; }

  // Directory part ending in "/", or empty; backslashes and runs of slashes
  // become single slashes.
  std::string getFileDir(std::string path) const;
  std::string getFileName(std::string path) const;
  std::string getFullFileName() const;
  // As getFullFileName, with "$ProjectDir$" for the project directory.
  std::string getFullFileNameInfo() const;

  // Replaces every occurrence of what; always ends (an empty what changes
  // nothing; a replacement that is not shorter is applied in one pass).
  static void replace(std::string& s, std::string what, std::string with);

private:
  unsigned char FlagUseProjectDir;
  unsigned char StatusWriteBack;
  unsigned char ReUseOnFail;
  std::string ActiveSerialNumberProject;
  std::string CSVSerialNumberFile;
  std::string CSVSerialNumberOriginDir;
  std::string Kpf2File;
};

#endif
