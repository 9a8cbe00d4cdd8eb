// Helpers shared by the MFC file classes (CFile, CStdioFile, CFileFind).
#pragma once

#include <string>

#include "KavroStd/platform/win_types.h"

namespace kavro::platform {
// The full Windows form of a path, as GetFullPathName gives it: separators
// become '\', "." and ".." are resolved, a relative path is made full
// against the current folder and a path rooted without a drive (a POSIX
// path) gets the drive it lies on. Network paths keep their form. Empty for
// a null or empty path.
std::wstring FullWindowsPath(const wchar_t* path);
// The last component of a path (after the last '\', '/' or drive colon).
std::wstring LastPathComponent(const std::wstring& path);
// A name without its extension (the text from the last '.' on).
std::wstring StripExtension(const std::wstring& name);
}  // namespace kavro::platform
