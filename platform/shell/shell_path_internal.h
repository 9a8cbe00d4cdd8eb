// The shell path functions without MAX_PATH buffers, for the library's own
// use (CPath and the path helpers have no length limit); hidden in the
// shared library.
#pragma once

#include <string>

#include "KavroStd/platform/win_types.h"

namespace kavro::platform {
// PathCanonicalizeW and PathRelativePathToW (shlwapi.h) without a length
// limit; false (out empty) where those fail for another reason than the
// length.
bool KvPathCanonicalize(LPCWSTR path, std::wstring& out);
bool KvPathRelativePathTo(LPCWSTR from, DWORD fromAttributes, LPCWSTR to, DWORD toAttributes,
                          std::wstring& out);
}  // namespace kavro::platform
