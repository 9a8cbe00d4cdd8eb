// C runtime helpers for the library's own use (hidden in the shared
// library): path splitting without the _MAX_* limits, and the runtime's
// narrow character classes with their Windows meaning.
#pragma once

#include <cwchar>
#include <string>

#include "KavroStd/platform/crt_wide.h"

namespace kavro::platform {
// _wsplitpath without length limits: drive ("C:"), folder (with its trailing
// separator), name and extension (with its "."); null outputs are skipped.
void SplitPath(const wchar_t* path, std::wstring* drive, std::wstring* dir, std::wstring* fname,
               std::wstring* ext);
}  // namespace kavro::platform

// The runtime's narrow character classes with their Windows meaning, the
// same whatever locale the host process has set (Windows programs start in
// the "C" locale): a byte, taken as unsigned, in the ASCII classes only;
// bytes 0x80-0xFF belong to none. Non-zero when the character is in the
// class. The wide ones (KvIswalpha, ...) are public: crt_wide.h.
extern "C" {
int KvIsalpha(int byte);
int KvIsdigit(int byte);
int KvIspunct(int byte);
}
