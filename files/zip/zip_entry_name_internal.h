// An entry's name as stored: ANSI bytes with '/' separators, a folder's with
// a '/' at its end, at most 259 bytes; and whether its data is stored as it
// is because it is compressed already (by its suffix).
#pragma once

#include <string>

#include "KavroStd/files.h"

namespace kavro::zip {

// ZRES_ARGS for a null or empty name, one the ANSI code page cannot show,
// or one longer than 259 bytes as stored (never cut). `utf8` tells whether
// the name is UTF-8 beyond plain ASCII (the code page is 65001), which the
// headers mark with general-purpose bit 11.
ZIPRESULT StoredName(const wchar_t* name, bool folder, std::string& stored, bool& utf8);

// True for names ending in ".Z", ".zip", ".zoo", ".arc", ".lzh", ".arj",
// ".gz" or ".tgz", without regard to case.
bool HasCompressedSuffix(const std::string& name);

}  // namespace kavro::zip
