#include "cDTFrame.h"

cDTFrame::cDTFrame() {}

void cDTFrame::add(unsigned int* field, bool flag) { mItems.push_back({pitUInt32, field, flag}); }
void cDTFrame::add(int* field, bool flag) { mItems.push_back({pitInt32, field, flag}); }
void cDTFrame::add(unsigned char* field, bool flag) { mItems.push_back({pitUInt8, field, flag}); }
void cDTFrame::add(std::string* field, bool flag) { mItems.push_back({pitString, field, flag}); }
void cDTFrame::add(piDBlock* field, bool flag) { mItems.push_back({pitBlock, field, flag}); }
