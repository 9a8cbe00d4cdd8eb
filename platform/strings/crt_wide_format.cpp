// Formatting into caller buffers with Microsoft's rules and bounds.
#include <cstring>
#include <cwchar>
#include <string>

#include "KavroStd/platform/crt_wide.h"
#include "KavroStd/platform/cstring.h"
#include "platform/strings/crt_wide_internal.h"

using kavro::platform::Fail;
using kavro::platform::FormatWide;

namespace kavro::platform {
bool FormatWide(std::wstring& out, const wchar_t* format, va_list args) {
  if (!format) {
    Fail(EINVAL);
    return false;
  }
  AppendFormatV(out, format, args);
  return true;
}
}  // namespace kavro::platform

namespace {

int Length(const std::wstring& text) { return static_cast<int>(text.size()); }

}  // namespace

extern "C" int vswprintf_s(wchar_t* buffer, size_t size, const wchar_t* format, va_list args) {
  if (!buffer || size == 0) return Fail(EINVAL), -1;
  std::wstring text;
  if (!FormatWide(text, format, args)) {
    buffer[0] = 0;
    return -1;
  }
  if (text.size() >= size) {
    buffer[0] = 0;
    return Fail(ERANGE), -1;
  }
  wmemcpy(buffer, text.c_str(), text.size() + 1);
  return Length(text);
}

extern "C" int swprintf_s(wchar_t* buffer, size_t size, const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  int n = vswprintf_s(buffer, size, format, args);
  va_end(args);
  return n;
}

// At most count characters (or what fits with _TRUNCATE) and always the zero;
// -1 when cut. A count that would overrun the buffer is an error.
extern "C" int _vsnwprintf_s(wchar_t* buffer, size_t size, size_t count, const wchar_t* format,
                             va_list args) {
  if (!buffer || size == 0) return Fail(EINVAL), -1;
  std::wstring text;
  if (count == 0 || !FormatWide(text, format, args)) {
    buffer[0] = 0;
    return Fail(EINVAL), -1;
  }
  size_t limit = count == _TRUNCATE || count >= size ? size - 1 : count;
  if (text.size() <= limit) {
    wmemcpy(buffer, text.c_str(), text.size() + 1);
    return Length(text);
  }
  if (count != _TRUNCATE && count >= size) {
    buffer[0] = 0;
    return Fail(ERANGE), -1;
  }
  wmemcpy(buffer, text.c_str(), limit);
  buffer[limit] = 0;
  return -1;
}

extern "C" int _snwprintf_s(wchar_t* buffer, size_t size, size_t count, const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  int n = _vsnwprintf_s(buffer, size, count, format, args);
  va_end(args);
  return n;
}

// The legacy bounded form: no zero when the text fills count exactly or is
// cut (-1); a null buffer with count 0 asks for the length.
extern "C" int _vsnwprintf(wchar_t* buffer, size_t count, const wchar_t* format, va_list args) {
  std::wstring text;
  if (!FormatWide(text, format, args)) return -1;
  if (!buffer) return count == 0 ? Length(text) : (Fail(EINVAL), -1);
  if (text.size() < count) {
    wmemcpy(buffer, text.c_str(), text.size() + 1);
    return Length(text);
  }
  wmemcpy(buffer, text.c_str(), count);
  return text.size() == count ? Length(text) : -1;
}

extern "C" int _snwprintf(wchar_t* buffer, size_t count, const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  int n = _vsnwprintf(buffer, count, format, args);
  va_end(args);
  return n;
}

extern "C" int _vswprintf(wchar_t* buffer, const wchar_t* format, va_list args) {
  std::wstring text;
  if (!buffer) return Fail(EINVAL), -1;
  if (!FormatWide(text, format, args)) return -1;
  wmemcpy(buffer, text.c_str(), text.size() + 1);
  return Length(text);
}

extern "C" int _swprintf(wchar_t* buffer, const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  int n = _vswprintf(buffer, format, args);
  va_end(args);
  return n;
}

extern "C" int _vscwprintf(const wchar_t* format, va_list args) {
  std::wstring text;
  return FormatWide(text, format, args) ? Length(text) : -1;
}

extern "C" int _scwprintf(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  int n = _vscwprintf(format, args);
  va_end(args);
  return n;
}
