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
// Bytes of the character that starts at `bytes` (1 for a single byte, 2 for
// a lead byte with its trail, up to 4 in UTF-8).
size_t AnsiCharLength(UINT codePage, const char* bytes, size_t length);
}  // namespace kavro::platform
