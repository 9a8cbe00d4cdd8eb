// Rendering of each printf conversion with Microsoft's rules, appended to
// the output of CString::Format (wide) or CStringA::Format (narrow).
//
// Each helper takes its argument(s) from args and appends the text. Numbers
// are rendered by the C library's snprintf under the "C" locale, so "%.2f"
// always writes a point whatever the process's locale. Characters and
// strings are copied by hand so that %s, %c, %S and %C keep Microsoft's
// meaning: %s/%c take the format's own character width, %S/%C the other
// one, and h/l/w force narrow or wide; the other width is converted through
// the ANSI code page.
#pragma once

#include <cstdarg>
#include <string>

#include "platform/strings/format_parse_internal.h"

namespace kavro::platform {

// d i u o x X: int by default, Windows' 32-bit long for l, 64 bits for
// ll/I64 and the pointer-sized prefixes; h and hh wrap to 16 and 8 bits.
template <typename T>
void AppendInteger(std::basic_string<T>& out, const FormatConversion& conv, va_list& args);

// f F e E g G a A: a double (a long double with L, rendered as a double).
template <typename T>
void AppendFloat(std::basic_string<T>& out, const FormatConversion& conv, va_list& args);

// p: upper-case hex padded with zeros to the pointer's full width; flags,
// width and precision are ignored.
template <typename T>
void AppendPointer(std::basic_string<T>& out, const FormatConversion& conv, va_list& args);

// c C: one character, padded to the width; precision is ignored.
template <typename T>
void AppendCharacter(std::basic_string<T>& out, const FormatConversion& conv, va_list& args);

// s S: a string cut to the precision and padded to the width; a null
// pointer prints "(null)".
template <typename T>
void AppendString(std::basic_string<T>& out, const FormatConversion& conv, va_list& args);

}  // namespace kavro::platform
