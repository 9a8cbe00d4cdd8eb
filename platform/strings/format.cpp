// printf-style formatting with Microsoft's rules for CString::Format.
//
// The format is copied up to each '%'; the conversion that follows is read
// by ParseConversion (format_parse.cpp) and rendered by one helper per kind
// (format_conversions.cpp). %% writes '%'; %n takes its pointer and writes
// nothing, as Windows refuses it; an unknown letter is written back as
// typed; a format that ends inside a conversion ends the output there.
#include <cstdarg>
#include <string>

#include "KavroStd/platform/cstring.h"
#include "platform/strings/format_conversions_internal.h"
#include "platform/strings/format_parse_internal.h"

namespace kavro::platform {
namespace {

// Renders one parsed conversion; false when the format ended inside it.
template <typename T>
bool AppendConversion(std::basic_string<T>& out, const FormatConversion& conv, va_list& args) {
  switch (conv.letter) {
    case 'd': case 'i': case 'u': case 'o': case 'x': case 'X':
      AppendInteger(out, conv, args);
      return true;
    case 'f': case 'F': case 'e': case 'E': case 'g': case 'G': case 'a': case 'A':
      AppendFloat(out, conv, args);
      return true;
    case 'p':
      AppendPointer(out, conv, args);
      return true;
    case 'c': case 'C':
      AppendCharacter(out, conv, args);
      return true;
    case 's': case 'S':
      AppendString(out, conv, args);
      return true;
    case 'n':
      (void)va_arg(args, int*);  // never written
      return true;
    case 0:
      return false;
    default:
      out.push_back('%');
      out.push_back(static_cast<T>(static_cast<unsigned char>(conv.letter)));
      return true;
  }
}

template <typename T>
void FormatInto(std::basic_string<T>& out, const T* format, va_list& args) {
  for (const T* p = format; *p;) {
    if (*p != '%') {
      const T* start = p;
      while (*p && *p != '%') ++p;
      out.append(start, p - start);
    } else if (p[1] == '%') {
      out.push_back('%');
      p += 2;
    } else {
      FormatConversion conv;
      p = ParseConversion(p + 1, conv, args);
      if (!AppendConversion(out, conv, args)) return;
    }
  }
}

}  // namespace

void AppendFormatV(std::wstring& out, const wchar_t* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  FormatInto(out, format, copy);
  va_end(copy);
}

void AppendFormatV(std::string& out, const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  FormatInto(out, format, copy);
  va_end(copy);
}

}  // namespace kavro::platform
