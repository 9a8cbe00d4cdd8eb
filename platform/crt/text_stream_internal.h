// A FILE* in Windows' text mode over an open descriptor (hidden in the
// shared library): LF is written as CR LF, CR LF reads as LF, a lone CR and
// Ctrl-Z are data. Positions (ftell, fseek) are byte offsets in the file, as
// on Windows.
#pragma once

#include <cstdio>

namespace kavro::platform {
// Takes over fd (closed by fclose, or here on failure). glibcMode is the
// fopen mode for the stream ("r", "w+", "a", ...); append writes at the
// end.
FILE* OpenTextStream(int fd, const char* glibcMode);
}  // namespace kavro::platform
