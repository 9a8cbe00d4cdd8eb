// The printf conversions with Microsoft's rules: numbers through the C
// library under the "C" locale, characters and strings copied by hand.
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <string>

#include "KavroStd/platform/cstring.h"
#include "platform/strings/format_conversions_internal.h"
#include "platform/strings/locale_internal.h"

namespace kavro::platform {
namespace {

// Makes the calling thread use the "C" locale for as long as it lives.
class ScopedCLocale {
 public:
  ScopedCLocale() : old_(uselocale(NumericLocale())) {}
  ~ScopedCLocale() { uselocale(old_); }
  ScopedCLocale(const ScopedCLocale&) = delete;
  ScopedCLocale& operator=(const ScopedCLocale&) = delete;

 private:
  locale_t old_;
};

template <typename T>
void AppendNarrow(std::basic_string<T>& out, const char* s, size_t n) {
  for (size_t i = 0; i < n; ++i) out.push_back(static_cast<T>(static_cast<unsigned char>(s[i])));
}

// The narrow printf format for conv's flags, width and precision with the
// given C length prefix and conversion letter.
std::string NarrowFormat(const FormatConversion& conv, const char* length, char letter) {
  std::string f = "%" + conv.flags;
  if (conv.width >= 0) f += std::to_string(conv.width);
  if (conv.precision >= 0) f += "." + std::to_string(conv.precision);
  f += length;
  f.push_back(letter);
  return f;
}

// Renders one number with the C library's snprintf in the "C" locale;
// appends nothing if snprintf fails.
template <typename T>
void AppendNumber(std::basic_string<T>& out, const char* fmt, ...) {
  ScopedCLocale cLocale;
  char small[128];
  va_list args;
  va_start(args, fmt);
  va_list copy;
  va_copy(copy, args);
  int n = vsnprintf(small, sizeof(small), fmt, args);
  va_end(args);
  if (n >= 0 && static_cast<size_t>(n) < sizeof(small)) {
    AppendNarrow(out, small, n);
  } else if (n >= 0) {
    std::string big(static_cast<size_t>(n) + 1, '\0');
    vsnprintf(big.data(), big.size(), fmt, copy);
    AppendNarrow(out, big.data(), n);
  }
  va_end(copy);
}

// Reads an integer argument of the conversion's size, widened to 64 bits; values
// of 32 bits or fewer that are unsigned are zero-extended.
long long IntegerArgument(const FormatConversion& conv, va_list& args) {
  bool isSigned = conv.letter == 'd' || conv.letter == 'i';
  switch (conv.size) {
    case FormatConversion::kLong64:
    case FormatConversion::kPtr:
      return va_arg(args, long long);
    case FormatConversion::kShort: {
      int v = va_arg(args, int);
      return isSigned ? static_cast<short>(v) : static_cast<unsigned short>(v);
    }
    case FormatConversion::kChar: {
      int v = va_arg(args, int);
      return isSigned ? static_cast<signed char>(v) : static_cast<unsigned char>(v);
    }
    default:  // int and the 32-bit Windows long
      if (isSigned) return va_arg(args, int);
      return static_cast<long long>(va_arg(args, unsigned int));
  }
}

// Appends text already in the output's character type, cut to the
// precision and padded to the width ('0' fills on the left unless '-').
template <typename T>
void AppendPadded(std::basic_string<T>& out, const std::basic_string<T>& text, const FormatConversion& conv) {
  size_t n = text.size();
  if (conv.precision >= 0 && static_cast<size_t>(conv.precision) < n) n = conv.precision;
  int pad = conv.width > static_cast<int>(n) ? conv.width - static_cast<int>(n) : 0;
  bool left = conv.HasFlag('-');
  T fill = (!left && conv.HasFlag('0')) ? T('0') : T(' ');
  if (!left && pad > 0) out.append(static_cast<size_t>(pad), fill);
  out.append(text, 0, n);
  if (left && pad > 0) out.append(static_cast<size_t>(pad), T(' '));
}

// Text of either width in the output's width, through the ANSI code page.
std::wstring ToOut(const char* s, size_t n, wchar_t*) { return AnsiToWide(s, n); }
std::string ToOut(const char* s, size_t n, char*) { return std::string(s, n); }
std::wstring ToOut(const wchar_t* s, size_t n, wchar_t*) { return std::wstring(s, n); }
std::string ToOut(const wchar_t* s, size_t n, char*) { return WideToAnsi(s, n); }

// Whether a %c/%C/%s/%S argument is wide: the lower-case letter takes the
// format's own width, the upper-case one the other; h, l and w override.
template <typename T>
bool IsWideArgument(const FormatConversion& conv) {
  constexpr bool kWideFormat = sizeof(T) != 1;
  bool lowerCase = conv.letter == 'c' || conv.letter == 's';
  if (conv.size == FormatConversion::kShort) return false;
  if (conv.size == FormatConversion::kLong32 || conv.size == FormatConversion::kWide) return true;
  return lowerCase == kWideFormat;
}

// Length of s up to its NUL, at most precision characters when one is set.
template <typename C>
size_t CutLength(const C* s, int precision) {
  size_t n = 0;
  while (s[n] && (precision < 0 || n < static_cast<size_t>(precision))) ++n;
  return n;
}

template <typename T, typename C>
std::basic_string<T> StringArgument(const FormatConversion& conv, va_list& args, const C* null) {
  const C* s = va_arg(args, const C*);
  if (!s) s = null;
  return ToOut(s, CutLength(s, conv.precision), static_cast<T*>(nullptr));
}

}  // namespace

template <typename T>
void AppendInteger(std::basic_string<T>& out, const FormatConversion& conv, va_list& args) {
  bool isSigned = conv.letter == 'd' || conv.letter == 'i';
  long long v = IntegerArgument(conv, args);
  if (!isSigned && conv.size != FormatConversion::kLong64 && conv.size != FormatConversion::kPtr)
    v = static_cast<long long>(static_cast<unsigned long long>(v) & 0xFFFFFFFFull);
  AppendNumber(out, NarrowFormat(conv, "ll", conv.letter).c_str(), v);
}

template <typename T>
void AppendFloat(std::basic_string<T>& out, const FormatConversion& conv, va_list& args) {
  double v = conv.size == FormatConversion::kLongDouble ? static_cast<double>(va_arg(args, long double))
                                                   : va_arg(args, double);
  AppendNumber(out, NarrowFormat(conv, "", conv.letter).c_str(), v);
}

template <typename T>
void AppendPointer(std::basic_string<T>& out, const FormatConversion& conv, va_list& args) {
  void* v = va_arg(args, void*);
  FormatConversion hex = conv;
  hex.flags = "0";
  hex.width = static_cast<int>(sizeof(void*) * 2);
  hex.precision = -1;
  AppendNumber(out, NarrowFormat(hex, "ll", 'X').c_str(),
               static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(v)));
}

template <typename T>
void AppendCharacter(std::basic_string<T>& out, const FormatConversion& conv, va_list& args) {
  int c = va_arg(args, int);
  std::basic_string<T> text;
  if (IsWideArgument<T>(conv)) {
    wchar_t w = static_cast<wchar_t>(c);
    text = ToOut(&w, 1, static_cast<T*>(nullptr));
  } else {
    char n = static_cast<char>(c);
    text = ToOut(&n, 1, static_cast<T*>(nullptr));
  }
  FormatConversion whole = conv;
  whole.precision = -1;
  AppendPadded(out, text, whole);
}

template <typename T>
void AppendString(std::basic_string<T>& out, const FormatConversion& conv, va_list& args) {
  std::basic_string<T> text = IsWideArgument<T>(conv) ? StringArgument<T>(conv, args, L"(null)")
                                                      : StringArgument<T>(conv, args, "(null)");
  AppendPadded(out, text, conv);
}

template void AppendInteger(std::string&, const FormatConversion&, va_list&);
template void AppendInteger(std::wstring&, const FormatConversion&, va_list&);
template void AppendFloat(std::string&, const FormatConversion&, va_list&);
template void AppendFloat(std::wstring&, const FormatConversion&, va_list&);
template void AppendPointer(std::string&, const FormatConversion&, va_list&);
template void AppendPointer(std::wstring&, const FormatConversion&, va_list&);
template void AppendCharacter(std::string&, const FormatConversion&, va_list&);
template void AppendCharacter(std::wstring&, const FormatConversion&, va_list&);
template void AppendString(std::string&, const FormatConversion&, va_list&);
template void AppendString(std::wstring&, const FormatConversion&, va_list&);

}  // namespace kavro::platform
