// The times an entry is written with: the DOS date-time of its headers (local
// time, as the DOS form has no zone) and the "UT" block's Unix times (UTC).
#pragma once

#include <cstdint>

#include "KavroStd/files.h"

namespace kavro::zip {

// The current time as a UTC file time.
FILETIME NowUtc();
// The DOS date (high half) and time of a UTC file time in local time; years
// before 1980 give 1980-01-01 00:00:00, years after 2107 give the last DOS
// time (2107-12-31 23:59:58).
uint32_t DosDateTimeOf(const FILETIME& utc);
// Seconds since 1970 UTC of a UTC file time, its year clamped to 1970..2037:
// an earlier time becomes 1 January 1970, a later one 31 December 2037, the
// time of day kept.
int32_t UnixTimeOf(const FILETIME& utc);

}  // namespace kavro::zip
