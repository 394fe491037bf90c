#include "cKxHdwParam.h"

#include "frameIo.h"
#include "ownedPtrVector.h"

cKxHdwParam::cKxHdwParam(eHdwParamTypeid typeId) {
  init();
  Typeid = typeId;
}

cKxHdwParam::cKxHdwParam(const cKxHdwParam& other) {
  init();
  *this = other;
}

cKxHdwParam& cKxHdwParam::operator=(const cKxHdwParam& other) {
  if (this == &other) {
    return *this;
  }
  Typeid = other.Typeid;
  FpgaHdwImageCount = other.FpgaHdwImageCount;
  for (unsigned i = 0; i < mImages.size() && i < other.mImages.size(); ++i) {
    *mImages[i] = *other.mImages[i];
  }
  for (unsigned i = 0; i < kErrorIds; ++i) {
    ErrorId[i] = other.ErrorId[i];
  }
  ErrorCount = other.ErrorCount;
  CPDConfigMode = other.CPDConfigMode;
  InternVersionFlag = other.InternVersionFlag;
  KrvProgrammerHdwId = other.KrvProgrammerHdwId;
  KrvHdwFileId = other.KrvHdwFileId;
  HdwObjectId = other.HdwObjectId;
  K34Copy(other);
  return *this;
}

cKxHdwParam::~cKxHdwParam() { deleteFpgaHdwImagesLst(); }

void cKxHdwParam::init() {
  Typeid = hptDefault;
  mpDummyImage.reset(new cFpgaHdwImageCtrl);
  createFpgaHdwImagesLst();
  resetErrorInfo();
  CPDConfigMode.clear();
  InternVersionFlag = 0;
  KrvProgrammerHdwId = -1;
  KrvHdwFileId = -1;
  HdwObjectId = -1;
  K34init();
}

int cKxHdwParam::getKorvoMainType() const {
  switch (KrvProgrammerHdwId) {
    case -1:
      return 1;
    case 0:
    case 1:
    case 4:
      return 3;
    case 2:
      return 4;
    case 9:
    case 10:
    case 11:
    case 12:
    case 13:
      return KrvProgrammerHdwId;
    default:
      return 0;
  }
}

void cKxHdwParam::setErrorId(unsigned id) {
  if (ErrorCount > kErrorIds - 1) {
    ErrorCount = kErrorIds - 1;
  }
  ErrorId[ErrorCount++] = id;
}

unsigned cKxHdwParam::getErrorId(unsigned i) const { return i < kErrorIds ? ErrorId[i] : 0; }

void cKxHdwParam::resetErrorInfo() {
  ErrorCount = 0;
  for (unsigned int& e : ErrorId) {
    e = 2000;
  }
}

cFpgaHdwImageCtrl* cKxHdwParam::getFpgaHdwImageCtrl(unsigned i) const {
  return i < mImages.size() ? mImages[i] : mpDummyImage.get();
}

unsigned cKxHdwParam::addFpgaHdwImageCtrl(const cFpgaHdwImageCtrl& image) {
  // A received count may exceed the slots; nothing is written past them.
  if (FpgaHdwImageCount >= mImages.size()) {
    return FpgaHdwImageCount;
  }
  *mImages[FpgaHdwImageCount] = image;
  return ++FpgaHdwImageCount;
}

void cKxHdwParam::setFpgaHdwImageLst(std::vector<cFpgaHdwImageCtrl*>& images) {
  // Copied before the slots are re-created: the list may name our own slots.
  std::vector<cFpgaHdwImageCtrl> copies;
  for (const cFpgaHdwImageCtrl* image : images) {
    if (image != nullptr && copies.size() < kImageSlots) {
      copies.push_back(*image);
    }
  }
  createFpgaHdwImagesLst();
  for (const cFpgaHdwImageCtrl& image : copies) {
    addFpgaHdwImageCtrl(image);
  }
}

void cKxHdwParam::createFpgaHdwImagesLst() {
  deleteFpgaHdwImagesLst();
  for (unsigned i = 0; i < kImageSlots; ++i) {
    mImages.push_back(new cFpgaHdwImageCtrl);
  }
}

void cKxHdwParam::deleteFpgaHdwImagesLst() {
  FpgaHdwImageCount = 0;
  deleteAllOwned(mImages);
}

void cKxHdwParam::resetLptParam() { mpLptDelayParam.reset(new TAG_LPTDELAYPARAM{{10, 2, 1, 0}}); }

void cKxHdwParam::setLptDelayParam(TAG_LPTDELAYPARAM& prm) { *mpLptDelayParam = prm; }

void cKxHdwParam::K34init() {
  resetLptParam();
  K34Text1.clear();
  K34Text2.clear();
  K34Value1 = 0;
  K34Value2 = 0;
  mLptPortAdr = 888;
}

bool cKxHdwParam::K34makeDTFrame(cDTFrame& frame) {
  int* d = mpLptDelayParam->Param;
  frame.add(&d[1], true);
  frame.add(&d[0], true);
  frame.add(&d[2], true);
  frame.add(&d[3], true);
  frame.add(&K34Text1, true);
  frame.add(&K34Text2, true);
  frame.add(&K34Value1, true);
  frame.add(&K34Value2, true);
  frame.add(&mLptPortAdr, true);
  return true;
}

void cKxHdwParam::K34Copy(const cKxHdwParam& other) {
  *mpLptDelayParam = *other.mpLptDelayParam;
  K34Text1 = other.K34Text1;
  K34Text2 = other.K34Text2;
  K34Value1 = other.K34Value1;
  K34Value2 = other.K34Value2;
  mLptPortAdr = other.mLptPortAdr;
}

bool cKxHdwParam::makeDTFrame(cDTFrame& frame) {
  frame.add(&Typeid, true);
  frame.add(&FpgaHdwImageCount, true);
  for (cFpgaHdwImageCtrl* image : mImages) {
    image->makeDTFrame(frame);
  }
  for (unsigned int& e : ErrorId) {
    frame.add(&e, true);
  }
  frame.add(&ErrorCount, true);
  frame.add(&CPDConfigMode, true);
  frame.add(&InternVersionFlag, true);
  frame.add(&KrvProgrammerHdwId, true);
  frame.add(&KrvHdwFileId, true);
  frame.add(&HdwObjectId, true);
  return K34makeDTFrame(frame);
}

bool cKxHdwParam::operator<<(const piSubFrame& sf) { return receiveRecord(*this, sf); }

bool cKxHdwParam::operator>>(piSubFrame& sf) { return sendRecord(*this, sf); }
