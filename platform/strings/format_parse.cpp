// Parsing of one printf conversion with Microsoft's size prefixes.
#include <cstdarg>

#include "platform/strings/format_parse_internal.h"

namespace kavro::platform {
namespace {

constexpr int kMaxField = 1 << 20;

template <typename T>
bool IsDigit(T c) {
  return c >= '0' && c <= '9';
}

// Digits as a field value, capped at kMaxField.
template <typename T>
const T* ParseDigits(const T* p, int& value) {
  while (IsDigit(*p)) {
    value = (value < 0 ? 0 : value) * 10 + (*p++ - '0');
    if (value > kMaxField) value = kMaxField;
  }
  return p;
}

template <typename T>
const T* ParseFlags(const T* p, FormatConversion& conv) {
  while (*p == '-' || *p == '+' || *p == ' ' || *p == '#' || *p == '0')
    conv.flags.push_back(static_cast<char>(*p++));
  return p;
}

template <typename T>
const T* ParseWidth(const T* p, FormatConversion& conv, va_list& args) {
  if (*p != '*') return ParseDigits(p, conv.width);
  conv.width = va_arg(args, int);
  if (conv.width < 0) {
    conv.flags.push_back('-');
    conv.width = -conv.width;
  }
  return p + 1;
}

template <typename T>
const T* ParsePrecision(const T* p, FormatConversion& conv, va_list& args) {
  if (*p != '.') return p;
  ++p;
  conv.precision = 0;
  if (*p != '*') return ParseDigits(p, conv.precision);
  conv.precision = va_arg(args, int);
  return p + 1;
}

// Microsoft's I, I32 and I64 prefixes; p is at the 'I'.
template <typename T>
const T* ParseIntegerSize(const T* p, FormatConversion& conv) {
  if (p[1] == '6' && p[2] == '4') {
    conv.size = FormatConversion::kLong64;
    return p + 3;
  }
  if (p[1] == '3' && p[2] == '2') {
    conv.size = FormatConversion::kLong32;
    return p + 3;
  }
  conv.size = FormatConversion::kPtr;
  return p + 1;
}

template <typename T>
const T* ParseSize(const T* p, FormatConversion& conv) {
  switch (*p) {
    case 'h':
      conv.size = p[1] == 'h' ? FormatConversion::kChar : FormatConversion::kShort;
      return p[1] == 'h' ? p + 2 : p + 1;
    case 'l':
      conv.size = p[1] == 'l' ? FormatConversion::kLong64 : FormatConversion::kLong32;
      return p[1] == 'l' ? p + 2 : p + 1;
    case 'w':
      conv.size = FormatConversion::kWide;
      return p + 1;
    case 'L':
      conv.size = FormatConversion::kLongDouble;
      return p + 1;
    case 'z':
    case 't':
    case 'j':
      conv.size = FormatConversion::kPtr;
      return p + 1;
    case 'I':
      return ParseIntegerSize(p, conv);
    default:
      return p;
  }
}

}  // namespace

template <typename T>
const T* ParseConversion(const T* p, FormatConversion& conv, va_list& args) {
  p = ParseFlags(p, conv);
  p = ParseWidth(p, conv, args);
  p = ParsePrecision(p, conv, args);
  p = ParseSize(p, conv);
  conv.letter = static_cast<char>(*p);
  return *p ? p + 1 : p;
}

template const char* ParseConversion(const char*, FormatConversion&, va_list&);
template const wchar_t* ParseConversion(const wchar_t*, FormatConversion&, va_list&);

}  // namespace kavro::platform
