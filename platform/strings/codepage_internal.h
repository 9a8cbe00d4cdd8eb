// Whole-buffer code-page conversions for the layer's own use.
#pragma once

#include <string>

#include "KavroStd/platform/win_types.h"

namespace kavro::platform {
// Decodes bytes of a code page (CP_ACP allowed). Invalid bytes become U+FFFD
// (UTF-8) or '?' unless strict, which then fails. False for an unknown code
// page.
bool DecodeBytes(UINT codePage, const char* bytes, size_t length, std::wstring& out, bool strict);
// Encodes wide text; characters the code page lacks become defaultChar ("?"
// when null) and set *usedDefault.
bool EncodeWide(UINT codePage, const wchar_t* text, size_t length, std::string& out,
                const char* defaultChar, bool* usedDefault);
// What UTF-8 decoding does with a byte that starts no valid sequence.
enum Utf8Invalid { kUtf8Strict, kUtf8Replace, kUtf8Escape };
// UTF-8 to wide text: a bad byte fails (strict), becomes U+FFFD (replace)
// or U+DC00 + the byte (escape, for file names: EncodeUtf8 with unescape
// gives the byte back). Appends to out; false only when strict fails.
bool DecodeUtf8(const unsigned char* bytes, size_t length, std::wstring& out, Utf8Invalid mode);
// Wide text to UTF-8, appended to out: surrogates and values beyond U+10FFFF
// become U+FFFD (and set *usedDefault), except that with unescape
// U+DC80-U+DCFF give back their byte.
void EncodeUtf8(const wchar_t* text, size_t length, std::string& out, bool unescape, bool* usedDefault);
// Bytes of the character that starts at `bytes` (1 for a single byte, 2 for
// a lead byte with its trail, up to 4 in UTF-8).
size_t AnsiCharLength(UINT codePage, const char* bytes, size_t length);
}  // namespace kavro::platform
