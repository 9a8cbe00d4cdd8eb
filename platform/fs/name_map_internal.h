// The one place where Linux file names meet Windows path text.
//
// Up (a name read from a folder, a path the layer hands back): UTF-8 is
// decoded, a byte that is no valid UTF-8 becomes U+DC00 + the byte, and each
// character a Windows name cannot hold ('\', ': * ? " < > |', U+0001-U+001F,
// and dots or blanks at the end of the name) becomes U+F000 + the character.
// Down (a Windows path given to the layer): '\' and '/' separate, U+F000 +
// such a character becomes the character, U+DC80-U+DCFF the byte. A name
// taken up and brought down again is the same bytes, and never another place.
#pragma once

#include <string>

namespace kavro::platform {
// The Windows form of one name read from a folder.
std::wstring NameFromDisk(const char* name, size_t length);
void AppendNameFromDisk(const char* name, size_t length, std::wstring& out);
// The Windows form of a '/'-separated Linux path, each name mapped up and
// the separators turned into '\'.
std::wstring PathFromDisk(const std::string& path);
// The Linux form of Windows path text: separators become '/', mapped
// characters and escaped bytes come back as they were on disk.
std::string PathToDisk(const wchar_t* path, size_t length);
void AppendPathToDisk(const wchar_t* path, size_t length, std::string& out);
// True for a private-use character that stands for one a Windows name
// cannot hold.
bool IsMappedNameCharacter(wchar_t c);
}  // namespace kavro::platform
