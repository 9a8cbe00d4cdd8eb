// MS-DOS dates and times (as stored in FAT directories and zip headers) and
// FILETIME. A DOS value has no zone: the file time made from it is the same
// calendar time, and the caller applies any local/UTC shift.
//
// Date word: bits 0-4 day, 5-8 month, 9-15 years since 1980.
// Time word: bits 0-4 seconds / 2, 5-10 minutes, 11-15 hours.
#include "KavroStd/platform/afx_time.h"
#include "KavroStd/platform/win_errors.h"

extern "C" BOOL DosDateTimeToFileTime(WORD fatDate, WORD fatTime, LPFILETIME fileTime) {
  if (!fileTime) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  SYSTEMTIME fields = {};
  fields.wYear = static_cast<WORD>(1980 + (fatDate >> 9));
  fields.wMonth = static_cast<WORD>((fatDate >> 5) & 0x0F);
  fields.wDay = static_cast<WORD>(fatDate & 0x1F);
  fields.wHour = static_cast<WORD>(fatTime >> 11);
  fields.wMinute = static_cast<WORD>((fatTime >> 5) & 0x3F);
  fields.wSecond = static_cast<WORD>((fatTime & 0x1F) * 2);
  // Month 0, day 0, 31 February, hour 24, minute 60 or second 60 and 62
  // are refused (ERROR_INVALID_PARAMETER), as Windows refuses them.
  return SystemTimeToFileTime(&fields, fileTime);
}

extern "C" BOOL FileTimeToDosDateTime(const FILETIME* fileTime, LPWORD fatDate, LPWORD fatTime) {
  SYSTEMTIME fields;
  if (!fatDate || !fatTime || !FileTimeToSystemTime(fileTime, &fields) || fields.wYear < 1980 ||
      fields.wYear > 2107) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *fatDate = static_cast<WORD>(((fields.wYear - 1980) << 9) | (fields.wMonth << 5) | fields.wDay);
  *fatTime = static_cast<WORD>((fields.wHour << 11) | (fields.wMinute << 5) | (fields.wSecond / 2));
  return TRUE;
}
