// Where the clipboard store lives (see clipboard.h).
#pragma once

#include <string>

namespace kavro::platform::detail {
// The store folder, created when missing; false with the last error set
// when there is no usable one.
bool ClipboardFolder(std::string& folder);
}  // namespace kavro::platform::detail
