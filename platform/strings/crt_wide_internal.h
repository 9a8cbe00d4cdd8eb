// Helpers shared by the wide runtime functions (hidden in the shared
// library): the error return of the "_s" functions and Microsoft-rule
// formatting into a string.
#pragma once

#include <cerrno>
#include <cstdarg>
#include <string>

namespace kavro::platform {
// Sets errno to code and returns it: a bad argument reported as Windows'
// invalid-parameter handler reports it when it returns.
inline int Fail(int code) {
  errno = code;
  return code;
}
// The whole formatted text; false (errno EINVAL) for a null format.
bool FormatWide(std::wstring& out, const wchar_t* format, va_list args);
}  // namespace kavro::platform
