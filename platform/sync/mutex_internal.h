// Where named mutexes live on disk.
#pragma once

#include <string>

#include "KavroStd/platform/win_types.h"

namespace kavro::platform::detail {

// The private runtime folder for named objects (see sync.h); false with
// the last error set when there is no usable one.
bool MutexRuntimeFolder(std::string& folder);
// The name without a "Global\" or "Local\" prefix.
std::wstring MutexBaseName(const wchar_t* name);
// A file-name stem for the name: its UTF-8 bytes with everything but
// letters, digits, '-', '_' and inner '.' written as %XX; long names are cut
// and end with a hash of the whole name.
std::string MutexFileStem(const std::wstring& baseName);

}  // namespace kavro::platform::detail
