// Names shared by the system-variable sources.
#pragma once

namespace kavro::settings {
// The section that holds every system variable.
extern const wchar_t kSysVarSection[];
}  // namespace kavro::settings
