// Table-driven conversions for the iconv code pages (everything but UTF-8).
//
// Each code page gets, on first use, a decode table (one entry per single
// byte and per lead/trail pair) and an encode table (one entry per BMP
// character), both filled by asking iconv about each character once. The
// conversions then walk whole buffers through the tables with no lock and no
// iconv call; the few characters a table cannot hold (GB18030's four-byte
// forms, characters above U+FFFF, results longer than three bytes) go to
// iconv one at a time through a descriptor of the calling thread.
//
// The results are by construction those of converting character by
// character: a lead byte takes its trail (GB18030: three more bytes when the
// second is a digit), a sequence iconv rejects costs one default character
// and one byte, and the next byte starts afresh.
#pragma once

#include <string>

#include "KavroStd/platform/win_types.h"

namespace kavro::platform {

struct CodePageSpec {
  UINT number;
  const char* iconvName;
  const BYTE (*leadRanges)[2];  // inclusive ranges; a range ending at 0 is unused
  size_t leadRangeCount;
  WCHAR defaultChar;  // what an invalid byte decodes to
};

// Appends the decoded bytes to out. False when iconv does not know the code
// page, or when strict and a byte sequence is invalid.
bool TableDecode(const CodePageSpec& spec, const unsigned char* bytes, size_t length,
                 std::wstring& out, bool strict);
// Appends the encoded text to out; characters the code page lacks become
// `fallback` and set *usedDefault. False when iconv does not know the code
// page.
bool TableEncode(const CodePageSpec& spec, const wchar_t* text, size_t length, std::string& out,
                 const char* fallback, bool* usedDefault);

}  // namespace kavro::platform
