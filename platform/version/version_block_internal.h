// The block GetFileVersionInfoW hands out: the version resource as stored
// (UTF-16 keys and texts) followed by a tag and by room where VerQueryValueW
// writes the wchar_t form of each text it is asked for. A text whose UTF-16
// form starts at byte o of the resource gets the room at 2 * o, so texts
// never share room and asking again rewrites the same bytes.
#pragma once

#include <vector>

#include "KavroStd/platform/win_types.h"

namespace kavro::platform::detail {

// The size of the block for a resource, or 0 with ERROR_INVALID_DATA when it
// does not start with a "VS_VERSION_INFO" header.
DWORD VersionBlockSize(const std::vector<BYTE>& resource, DWORD& error);

// Writes the block (VersionBlockSize bytes) to `out`.
void WriteVersionBlock(const std::vector<BYTE>& resource, BYTE* out);

}  // namespace kavro::platform::detail
