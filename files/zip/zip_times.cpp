// Entry times: DOS date-time in local time, Unix times in UTC.
#include "files/zip/zip_times_internal.h"

namespace kavro::zip {
namespace {

constexpr int64_t kTicksPerSecond = 10000000;
constexpr int64_t kSecondsFrom1601To1970 = 11644473600;
constexpr int64_t kSecondsPerDay = 86400;
constexpr int64_t k2038 = 2145916800;  // 2038-01-01 00:00:00 UTC

constexpr uint32_t kFirstDos = (0x0021u << 16);  // 1980-01-01 00:00:00
constexpr uint32_t kLastDos = (((127u << 9) | (12u << 5) | 31u) << 16) | ((23u << 11) | (59u << 5) | 29u);

uint64_t Ticks(const FILETIME& t) {
  return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

}  // namespace

FILETIME NowUtc() {
  SYSTEMTIME now;
  GetSystemTime(&now);
  FILETIME t{};
  SystemTimeToFileTime(&now, &t);
  return t;
}

uint32_t DosDateTimeOf(const FILETIME& utc) {
  FILETIME local;
  if (!FileTimeToLocalFileTime(&utc, &local)) local = utc;
  WORD date = 0, time = 0;
  if (FileTimeToDosDateTime(&local, &date, &time)) return (uint32_t(date) << 16) | time;
  SYSTEMTIME fields{};
  FileTimeToSystemTime(&local, &fields);
  return fields.wYear < 1980 ? kFirstDos : kLastDos;
}

int32_t UnixTimeOf(const FILETIME& utc) {
  const int64_t seconds = static_cast<int64_t>(Ticks(utc) / kTicksPerSecond) - kSecondsFrom1601To1970;
  const int64_t timeOfDay = ((seconds % kSecondsPerDay) + kSecondsPerDay) % kSecondsPerDay;
  if (seconds < 0) return static_cast<int32_t>(timeOfDay);
  if (seconds >= k2038) return static_cast<int32_t>(k2038 - kSecondsPerDay + timeOfDay);
  return static_cast<int32_t>(seconds);
}

}  // namespace kavro::zip
