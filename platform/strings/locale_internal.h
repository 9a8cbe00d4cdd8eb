// Locale objects the layer uses instead of the process's global locale, so
// that case mapping is Unicode and numbers are always in the "C" form.
#pragma once

#include <locale.h>

namespace kavro::platform {
locale_t UnicodeLocale();   // LC_CTYPE of C.UTF-8
locale_t NumericLocale();   // everything "C"
}  // namespace kavro::platform
