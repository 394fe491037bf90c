#ifndef RECORD_FRAME_TEST_UTIL_H
#define RECORD_FRAME_TEST_UTIL_H

#include <initializer_list>
#include <vector>

#include "piSubFrame.h"
#include "piTypes.h"

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
