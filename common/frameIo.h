#ifndef FRAME_IO_H
#define FRAME_IO_H

#include <type_traits>

#include "cDTFrame.h"
#include "piSubFrame.h"

// Lists a record's fields into a frame. Records whose makeDTFrame has no
// result always list successfully.
template <class R>
bool listRecord(R& record, cDTFrame& frame) {
  if constexpr (std::is_void<decltype(record.makeDTFrame(frame))>::value) {
    record.makeDTFrame(frame);
    return true;
  } else {
    return record.makeDTFrame(frame);
  }
}

// Fills a record in place from a received sub-frame.
template <class R>
bool receiveRecord(R& record, const piSubFrame& sf) {
  cDTFrame frame;
  if (!listRecord(record, frame)) {
    return false;
  }
  return sf.storeToFrame(&frame);
}

// Writes a record into a sub-frame for sending; the load result carries no
// information the caller could act on.
template <class R>
bool sendRecord(R& record, piSubFrame& sf) {
  cDTFrame frame;
  if (!listRecord(record, frame)) {
    return false;
  }
  sf.loadFromFrame(&frame);
  return true;
}

// Receives into a default-built temporary and hands it over only on success,
// so a failed receive leaves the target untouched.
template <class R, class Commit>
bool receiveViaTemporary(R& temp, const piSubFrame& sf, Commit commit) {
  if (!receiveRecord(temp, sf)) {
    return false;
  }
  commit(temp);
  return true;
}

#endif
