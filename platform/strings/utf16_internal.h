// UTF-16LE bytes for the places where Windows' 16-bit units cross a
// boundary (the archive string form, the clipboard's file drop, UTF-16LE
// text files); internal to the library (hidden in the shared library). A
// wchar_t here is a whole code point: a character above U+FFFF becomes a surrogate
// pair on the way out (one above U+10FFFF becomes U+FFFD), and a pair is
// joined on the way in. A lone surrogate unit is kept as that unit, so text
// read and written again keeps its units.
#pragma once

#include <string>

#include "KavroStd/platform/win_types.h"

namespace kavro::platform {
// UTF-16 units that `length` characters of text need.
size_t KvUtf16Length(const wchar_t* text, size_t length);
// Writes the text's units as little-endian bytes to out (2 x KvUtf16Length
// bytes); returns the number of units written.
size_t KvToUtf16LE(const wchar_t* text, size_t length, BYTE* out);
// Appends `units` little-endian units from bytes to out, joining pairs. A
// high surrogate that ends the input is kept alone.
void KvAppendFromUtf16LE(const BYTE* bytes, size_t units, std::wstring& out);
}  // namespace kavro::platform
