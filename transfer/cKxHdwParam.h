#ifndef C_KX_HDW_PARAM_H
#define C_KX_HDW_PARAM_H

#include <memory>
#include <string>
#include <vector>

#include "cDTFrame.h"
#include "cFpgaHdwImageCtrl.h"
#include "piSubFrame.h"

// Parallel-port delay parameters, elements 0 to 3.
struct TAG_LPTDELAYPARAM {
  int Param[4];
};

enum eHdwParamTypeid : unsigned int { hptDefault = 0 };

// Hardware parameters of a job: up to 24 FPGA images in load order, programmer
// identifiers, error ids and the parallel-port part.
class cKxHdwParam {
public:
  static constexpr unsigned kImageSlots = 24;
  static constexpr unsigned kErrorIds = 10;

  explicit cKxHdwParam(eHdwParamTypeid typeId);
  cKxHdwParam(const cKxHdwParam& other);
  cKxHdwParam& operator=(const cKxHdwParam& other);
  virtual ~cKxHdwParam();

  void init();

  eHdwParamTypeid getTypeid() const { return static_cast<eHdwParamTypeid>(Typeid); }
  void setTypeid(eHdwParamTypeid t) { Typeid = t; }

  int getKrvProgrammerHdwId() const { return KrvProgrammerHdwId; }
  int KrvProgrammerId() const { return KrvProgrammerHdwId; }
  void setKrvProgrammerHdwId(int id) { KrvProgrammerHdwId = id; }
  int getKrvHdwFileId() const { return KrvHdwFileId; }
  void setKrvHdwFileId(int id) { KrvHdwFileId = id; }
  int getHdwObjectId() const { return HdwObjectId; }
  void setHdwObjectId(int id) { HdwObjectId = id; }
  int getKorvoMainType() const;

  unsigned getErrorCount() const { return ErrorCount; }
  // Past ten ids the last entry is replaced.
  void setErrorId(unsigned id);
  unsigned getErrorId(unsigned i) const;
  void resetErrorInfo();

  void setCPDConfigMode(std::string mode) { CPDConfigMode = mode; }
  std::string getCPDConfigMode() const { return CPDConfigMode; }
  unsigned char getInternVersionFlag() const { return InternVersionFlag; }
  void setInternVersionFlag(unsigned char f) { InternVersionFlag = f; }

  unsigned getFpgaHdwImageCount() const { return FpgaHdwImageCount; }
  // Never null: the empty dummy image past the slots.
  cFpgaHdwImageCtrl* getFpgaHdwImageCtrl(unsigned i) const;
  // Returns the new count; a full slot list refuses the image and returns the count unchanged.
  unsigned addFpgaHdwImageCtrl(const cFpgaHdwImageCtrl& image);
  // Images beyond the slots are refused.
  void setFpgaHdwImageLst(std::vector<cFpgaHdwImageCtrl*>& images);
  void createFpgaHdwImagesLst();
  void deleteFpgaHdwImagesLst();

  void resetLptParam();
  void setLptDelayParam(TAG_LPTDELAYPARAM& prm);
  TAG_LPTDELAYPARAM& LptDelayParam() { return *mpLptDelayParam; }
  unsigned& LptPortAdr() { return mLptPortAdr; }
  void K34init();
  bool K34makeDTFrame(cDTFrame& frame);
  void K34Copy(const cKxHdwParam& other);

  bool makeDTFrame(cDTFrame& frame);
  // Fills in place; may stay partly filled on failure.
  bool operator<<(const piSubFrame& sf);
  bool operator>>(piSubFrame& sf);

private:
  unsigned int Typeid;
  std::string CPDConfigMode;
  unsigned char InternVersionFlag;
  unsigned int FpgaHdwImageCount;
  std::unique_ptr<cFpgaHdwImageCtrl> mpDummyImage;
  std::vector<cFpgaHdwImageCtrl*> mImages;
  int KrvProgrammerHdwId;
  unsigned int ErrorId[kErrorIds];
  unsigned int ErrorCount;
  int KrvHdwFileId;
  int HdwObjectId;
  std::unique_ptr<TAG_LPTDELAYPARAM> mpLptDelayParam;
  std::string K34Text1;
  std::string K34Text2;
  int K34Value1;
  int K34Value2;
  unsigned int mLptPortAdr;
};

#endif
