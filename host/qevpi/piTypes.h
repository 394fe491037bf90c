#ifndef PI_TYPES_H
#define PI_TYPES_H

#include <cstdint>

// Fixed-width integers of the host data library.
typedef std::uint32_t piUInt32;
typedef std::int32_t piInt32;
typedef std::uint8_t piUChar;

// Types of the items a frame lists and a sub-frame carries.
enum ePiItemType { pitUInt32 = 0, pitInt32 = 1, pitUInt8 = 2, pitString = 3, pitBlock = 4 };

#endif
