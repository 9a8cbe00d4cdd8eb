// GetLocalTime and GetSystemTime over the real-time clock.
#include <ctime>

#include "KavroStd/platform/oledate.h"

namespace {

void Fill(const struct tm& t, long nanoseconds, LPSYSTEMTIME out) {
  out->wYear = static_cast<WORD>(t.tm_year + 1900);
  out->wMonth = static_cast<WORD>(t.tm_mon + 1);
  out->wDayOfWeek = static_cast<WORD>(t.tm_wday);
  out->wDay = static_cast<WORD>(t.tm_mday);
  out->wHour = static_cast<WORD>(t.tm_hour);
  out->wMinute = static_cast<WORD>(t.tm_min);
  out->wSecond = static_cast<WORD>(t.tm_sec > 59 ? 59 : t.tm_sec);  // no leap second on Windows
  out->wMilliseconds = static_cast<WORD>(nanoseconds / 1000000);
}

void Now(LPSYSTEMTIME out, bool local) {
  if (!out) return;
  struct timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  struct tm t;
  bool ok = local ? localtime_r(&now.tv_sec, &t) != nullptr : gmtime_r(&now.tv_sec, &t) != nullptr;
  if (!ok) {
    *out = SYSTEMTIME{1970, 1, 4, 1, 0, 0, 0, 0};
    return;
  }
  Fill(t, now.tv_nsec, out);
}

}  // namespace

extern "C" void GetLocalTime(LPSYSTEMTIME time) { Now(time, true); }

extern "C" void GetSystemTime(LPSYSTEMTIME time) { Now(time, false); }
