// The handle record shared by the reading and the writing side of the zip
// routines, and the message table of their result codes.
#pragma once

#include <cstdint>

#include "KavroStd/files.h"

struct KvZipHandle {
  int32_t kind;  // kZipReading or kZipWriting
  void* state;   // the side's state object
};

namespace kavro::zip {

inline constexpr int32_t kZipReading = 1;
inline constexpr int32_t kZipWriting = 2;

// The message text of a result code ("unknown zip result code" for a code
// outside the table; ZRES_RECENT is resolved by the caller). Returns its
// length; copies at most size - 1 characters and a NUL when buffer is not
// null and size is not 0.
unsigned int FormatZipResult(ZIPRESULT code, char* buffer, unsigned int size);

}  // namespace kavro::zip
