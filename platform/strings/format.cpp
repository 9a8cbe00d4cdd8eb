// printf-style formatting with Microsoft's rules for CString::Format.
//
// Each conversion is parsed here; numbers are rendered by the C library's
// narrow snprintf under the "C" locale (so "%.2f" always writes a point),
// strings and characters are copied by hand so that the wide/narrow meaning
// of %s, %c, %S and %C is Microsoft's and not glibc's.
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "KavroStd/platform/cstring.h"
#include "platform/strings/locale_internal.h"

namespace kavro::platform {
namespace {

struct Spec {
  std::string flags;
  int width = -1;
  int precision = -1;
  enum Size { kDefault, kShort, kChar, kLong32, kLong64, kPtr, kLongDouble, kWide, kNarrow } size =
      kDefault;
  char conv = 0;
};

class ScopedCLocale {
 public:
  ScopedCLocale() : old_(uselocale(NumericLocale())) {}
  ~ScopedCLocale() { uselocale(old_); }

 private:
  locale_t old_;
};

template <typename T>
void AppendNarrow(std::basic_string<T>& out, const char* s, size_t n) {
  for (size_t i = 0; i < n; ++i) out.push_back(static_cast<T>(static_cast<unsigned char>(s[i])));
}

template <typename T>
void Pad(std::basic_string<T>& out, int count, T ch) {
  if (count > 0) out.append(static_cast<size_t>(count), ch);
}

// Appends `text` (already in the output's character type) with width and
// precision applied.
template <typename T>
void AppendPadded(std::basic_string<T>& out, const std::basic_string<T>& text, const Spec& spec) {
  size_t n = text.size();
  if (spec.precision >= 0 && static_cast<size_t>(spec.precision) < n) n = spec.precision;
  int pad = spec.width > static_cast<int>(n) ? spec.width - static_cast<int>(n) : 0;
  bool left = spec.flags.find('-') != std::string::npos;
  T fill = (!left && spec.flags.find('0') != std::string::npos) ? T('0') : T(' ');
  if (!left) Pad(out, pad, fill);
  out.append(text, 0, n);
  if (left) Pad(out, pad, T(' '));
}

std::basic_string<wchar_t> ToOut(const char* s, size_t n, wchar_t*) { return AnsiToWide(s, n); }
std::basic_string<char> ToOut(const char* s, size_t n, char*) { return std::string(s, n); }
std::basic_string<wchar_t> ToOut(const wchar_t* s, size_t n, wchar_t*) { return std::wstring(s, n); }
std::basic_string<char> ToOut(const wchar_t* s, size_t n, char*) { return WideToAnsi(s, n); }

template <typename T>
std::string NarrowSpec(const Spec& spec, const char* length, char conv) {
  std::string f = "%" + spec.flags;
  if (spec.width >= 0) f += std::to_string(spec.width);
  if (spec.precision >= 0) f += "." + std::to_string(spec.precision);
  f += length;
  f.push_back(conv);
  return f;
}

template <typename T>
void AppendNumber(std::basic_string<T>& out, const char* fmt, ...) {
  char small[128];
  va_list args;
  va_start(args, fmt);
  va_list copy;
  va_copy(copy, args);
  int n = vsnprintf(small, sizeof(small), fmt, args);
  va_end(args);
  if (n < 0) {
    va_end(copy);
    return;
  }
  if (static_cast<size_t>(n) < sizeof(small)) {
    AppendNarrow(out, small, n);
  } else {
    std::string big(static_cast<size_t>(n) + 1, '\0');
    vsnprintf(big.data(), big.size(), fmt, copy);
    AppendNarrow(out, big.data(), n);
  }
  va_end(copy);
}

// Parses the conversion that starts after '%'; returns the position after
// it.
template <typename T>
const T* ParseSpec(const T* p, Spec& spec, va_list& args) {
  while (*p == '-' || *p == '+' || *p == ' ' || *p == '#' || *p == '0') spec.flags.push_back(static_cast<char>(*p++));
  if (*p == '*') {
    spec.width = va_arg(args, int);
    if (spec.width < 0) {
      spec.flags.push_back('-');
      spec.width = -spec.width;
    }
    ++p;
  } else {
    while (*p >= '0' && *p <= '9') {
      spec.width = (spec.width < 0 ? 0 : spec.width) * 10 + (*p++ - '0');
      if (spec.width > 1 << 20) spec.width = 1 << 20;
    }
  }
  if (*p == '.') {
    ++p;
    spec.precision = 0;
    if (*p == '*') {
      spec.precision = va_arg(args, int);
      ++p;
    } else {
      while (*p >= '0' && *p <= '9') {
        spec.precision = spec.precision * 10 + (*p++ - '0');
        if (spec.precision > 1 << 20) spec.precision = 1 << 20;
      }
    }
  }
  switch (*p) {
    case 'h':
      ++p;
      spec.size = Spec::kShort;
      if (*p == 'h') {
        ++p;
        spec.size = Spec::kChar;
      }
      break;
    case 'l':
      ++p;
      spec.size = Spec::kLong32;
      if (*p == 'l') {
        ++p;
        spec.size = Spec::kLong64;
      }
      break;
    case 'w':
      ++p;
      spec.size = Spec::kWide;
      break;
    case 'L':
      ++p;
      spec.size = Spec::kLongDouble;
      break;
    case 'z':
    case 't':
    case 'j':
      ++p;
      spec.size = Spec::kPtr;
      break;
    case 'I':
      if (p[1] == '6' && p[2] == '4') {
        p += 3;
        spec.size = Spec::kLong64;
      } else if (p[1] == '3' && p[2] == '2') {
        p += 3;
        spec.size = Spec::kLong32;
      } else {
        ++p;
        spec.size = Spec::kPtr;
      }
      break;
    default:
      break;
  }
  spec.conv = static_cast<char>(*p);
  return *p ? p + 1 : p;
}

template <typename T>
void FormatInto(std::basic_string<T>& out, const T* format, va_list& args) {
  constexpr bool kWideFormat = sizeof(T) != 1;
  ScopedCLocale cLocale;
  for (const T* p = format; *p;) {
    if (*p != '%') {
      const T* start = p;
      while (*p && *p != '%') ++p;
      out.append(start, p - start);
      continue;
    }
    ++p;
    if (*p == '%') {
      out.push_back('%');
      ++p;
      continue;
    }
    Spec spec;
    p = ParseSpec(p, spec, args);
    switch (spec.conv) {
      case 'd':
      case 'i':
      case 'u':
      case 'o':
      case 'x':
      case 'X': {
        bool isSigned = spec.conv == 'd' || spec.conv == 'i';
        long long v;
        switch (spec.size) {
          case Spec::kLong64:
          case Spec::kPtr:
            v = va_arg(args, long long);
            break;
          case Spec::kShort:
            v = isSigned ? static_cast<short>(va_arg(args, int)) : static_cast<unsigned short>(va_arg(args, int));
            break;
          case Spec::kChar:
            v = isSigned ? static_cast<signed char>(va_arg(args, int)) : static_cast<unsigned char>(va_arg(args, int));
            break;
          default:  // int and the 32-bit Windows long
            v = isSigned ? static_cast<long long>(va_arg(args, int)) : static_cast<long long>(va_arg(args, unsigned int));
            break;
        }
        if (!isSigned && spec.size != Spec::kLong64 && spec.size != Spec::kPtr)
          v = static_cast<long long>(static_cast<unsigned long long>(v) & 0xFFFFFFFFull);
        AppendNumber(out, NarrowSpec<T>(spec, "ll", spec.conv).c_str(), v);
        break;
      }
      case 'f':
      case 'F':
      case 'e':
      case 'E':
      case 'g':
      case 'G':
      case 'a':
      case 'A': {
        double v = spec.size == Spec::kLongDouble ? static_cast<double>(va_arg(args, long double))
                                                   : va_arg(args, double);
        AppendNumber(out, NarrowSpec<T>(spec, "", spec.conv).c_str(), v);
        break;
      }
      case 'p': {
        void* v = va_arg(args, void*);
        Spec ptrSpec = spec;
        ptrSpec.flags = "0";
        ptrSpec.width = static_cast<int>(sizeof(void*) * 2);
        ptrSpec.precision = -1;
        AppendNumber(out, NarrowSpec<T>(ptrSpec, "ll", 'X').c_str(), static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(v)));
        break;
      }
      case 'c':
      case 'C': {
        bool wideArg = (spec.conv == 'c') == kWideFormat;
        if (spec.size == Spec::kShort) wideArg = false;
        if (spec.size == Spec::kLong32 || spec.size == Spec::kWide) wideArg = true;
        int c = va_arg(args, int);
        std::basic_string<T> text;
        if (wideArg) {
          wchar_t w = static_cast<wchar_t>(c);
          text = ToOut(&w, 1, static_cast<T*>(nullptr));
        } else {
          char n = static_cast<char>(c);
          text = ToOut(&n, 1, static_cast<T*>(nullptr));
        }
        Spec charSpec = spec;
        charSpec.precision = -1;
        AppendPadded(out, text, charSpec);
        break;
      }
      case 's':
      case 'S': {
        bool wideArg = (spec.conv == 's') == kWideFormat;
        if (spec.size == Spec::kShort) wideArg = false;
        if (spec.size == Spec::kLong32 || spec.size == Spec::kWide) wideArg = true;
        std::basic_string<T> text;
        if (wideArg) {
          const wchar_t* s = va_arg(args, const wchar_t*);
          if (!s) s = L"(null)";
          size_t n = 0;
          while (s[n] && (spec.precision < 0 || n < static_cast<size_t>(spec.precision))) ++n;
          text = ToOut(s, n, static_cast<T*>(nullptr));
        } else {
          const char* s = va_arg(args, const char*);
          if (!s) s = "(null)";
          size_t n = 0;
          while (s[n] && (spec.precision < 0 || n < static_cast<size_t>(spec.precision))) ++n;
          text = ToOut(s, n, static_cast<T*>(nullptr));
        }
        AppendPadded(out, text, spec);
        break;
      }
      case 'n':
        (void)va_arg(args, int*);  // never written: %n is refused as on Windows
        break;
      case 0:
        return;
      default:
        out.push_back('%');
        out.push_back(static_cast<T>(static_cast<unsigned char>(spec.conv)));
        break;
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
