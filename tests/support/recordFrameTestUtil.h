#ifndef RECORD_FRAME_TEST_UTIL_H
#define RECORD_FRAME_TEST_UTIL_H

#include <initializer_list>
#include <vector>

#include "piSubFrame.h"
#include "piTypes.h"

// Adds a copy of the item, as its type asks.
inline void appendItem(piSubFrame& sf, const piSubFrame::Item& item) {
  switch (item.type) {
    case pitUInt32:
      sf.addUInt32(item.u32);
      break;
    case pitInt32:
      sf.addInt32(item.i32);
      break;
    case pitUInt8:
      sf.addUInt8(item.u8);
      break;
    case pitString:
      sf.addString(item.text);
      break;
    case pitBlock:
      sf.addBlock(item.bytes);
      break;
  }
}

// Item types of a sub-frame, in order.
inline std::vector<ePiItemType> itemTypes(const piSubFrame& sf) {
  std::vector<ePiItemType> types;
  for (const piSubFrame::Item& it : sf.items()) {
    types.push_back(it.type);
  }
  return types;
}

// Concatenates type lists; repeat(list, n) appends a list n times.
inline void appendTypes(std::vector<ePiItemType>& to, std::initializer_list<ePiItemType> list,
                        unsigned times = 1) {
  for (unsigned i = 0; i < times; ++i) {
    to.insert(to.end(), list.begin(), list.end());
  }
}

#endif
