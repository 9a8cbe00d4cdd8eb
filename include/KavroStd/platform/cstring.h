/// @file
/// @ingroup platform_layer
/// CString (wide) and CStringA (bytes in the ANSI code page): the MFC string
/// classes with the members the library and its callers use.
///
///   CString s = L"Layer";
///   s.AppendFormat(L"%d", 3);          // "Layer3"
///   CStringA a(s);                     // converted with the ANSI code page
///
/// Indexes and lengths count units (wchar_t or bytes). Format follows
/// Microsoft's printf rules: in a wide format %s and %c take wide arguments,
/// %S and %C narrow ones; %ld is the 32-bit Windows long; %I64d and %lld are
/// 64-bit. Numbers are always written as in the "C" locale. Case mapping and
/// case-blind comparison use Unicode simple case mapping.
#pragma once

#include "KavroStd/platform/generic_text.h"

#include <algorithm>
#include <cstdarg>
#include <string>
#include <type_traits>
#include <utility>

#include "KavroStd/platform/win_types.h"

/// Support of the inline string templates below: exported because every
/// module that instantiates CStringT calls them, but not hooks of their own.
namespace kavro::platform {
/// Conversions between the ANSI code page and wide text used by the string
/// classes; invalid input is replaced, never dropped silently.
KVSTD_API std::wstring AnsiToWide(const char* text, size_t length);
KVSTD_API std::string WideToAnsi(const wchar_t* text, size_t length);
/// Microsoft-rule formatting, appending to out.
KVSTD_API void AppendFormatV(std::wstring& out, const wchar_t* format, va_list args);
KVSTD_API void AppendFormatV(std::string& out, const char* format, va_list args);
KVSTD_API wchar_t ToUpper(wchar_t c);
KVSTD_API wchar_t ToLower(wchar_t c);
KVSTD_API int CompareNoCase(const wchar_t* a, size_t na, const wchar_t* b, size_t nb);
KVSTD_API int CompareNoCase(const char* a, size_t na, const char* b, size_t nb);
KVSTD_API int Collate(const wchar_t* a, const wchar_t* b);
KVSTD_API int Collate(const char* a, const char* b);
KVSTD_API bool IsSpace(wchar_t c);
/// String `id` of `instance`'s string table, or with a null instance of the
/// first module of the resource chain that has it; false when none has.
KVSTD_API bool LoadStringResource(HINSTANCE instance, UINT id, std::wstring& out);
}  // namespace kavro::platform

/// Throws a heap CInvalidArgException (afx_exception.h), as MFC does for an
/// index outside a string or an array.
[[noreturn]] KVSTD_API void AfxThrowInvalidArgException();

template <typename T>
class CStringT {
 public:
  typedef T XCHAR;
  typedef T* PXSTR;
  typedef const T* PCXSTR;
  typedef typename std::conditional<sizeof(T) == 1, wchar_t, char>::type YCHAR;
  typedef const YCHAR* PCYSTR;

  CStringT() = default;
  CStringT(const CStringT&) = default;
  CStringT(CStringT&&) noexcept = default;
  CStringT& operator=(const CStringT&) = default;
  CStringT& operator=(CStringT&&) noexcept = default;
  /// A resource number in place of a pointer (MAKEINTRESOURCE(id), or
  /// (LPCTSTR)id) loads that string of the string table, as in MFC.
  CStringT(PCXSTR s) {
    if (s && IS_INTRESOURCE(s)) LoadString(static_cast<UINT>(reinterpret_cast<ULONG_PTR>(s)));
    else s_ = s ? s : Empty0();
  }
  CStringT(PCXSTR s, int length) : s_(s ? s : Empty0(), s && length > 0 ? length : 0) {}
  CStringT(PCYSTR s) {
    if (s && IS_INTRESOURCE(s)) LoadString(static_cast<UINT>(reinterpret_cast<ULONG_PTR>(s)));
    else AssignOther(s, s ? Len(s) : 0);
  }
  CStringT(PCYSTR s, int length) { AssignOther(s, s && length > 0 ? length : 0); }
  CStringT(const CStringT<YCHAR>& other) { AssignOther(other.GetString(), other.GetLength()); }
  explicit CStringT(T ch, int repeat = 1) : s_(repeat > 0 ? repeat : 0, ch) {}
  explicit CStringT(const std::basic_string<T>& s) : s_(s) {}

  CStringT& operator=(PCXSTR s) {
    s_ = s ? s : Empty0();
    return *this;
  }
  CStringT& operator=(PCYSTR s) {
    AssignOther(s, s ? Len(s) : 0);
    return *this;
  }
  CStringT& operator=(const CStringT<YCHAR>& other) {
    AssignOther(other.GetString(), other.GetLength());
    return *this;
  }
  CStringT& operator=(T ch) {
    s_.assign(1, ch);
    return *this;
  }

  /// String `id` of the string table, from `instance` or else from the
  /// first module of the resource chain that has it; FALSE, the string
  /// unchanged, when there is none. (Named LoadStringW by the generic-text
  /// names, as MFC's is on Windows.)
  BOOL LoadString(UINT id) { return LoadString(nullptr, id); }
  BOOL LoadString(HINSTANCE instance, UINT id) {
    std::wstring text;
    if (!kavro::platform::LoadStringResource(instance, id, text)) return FALSE;
    if constexpr (sizeof(T) == sizeof(wchar_t)) s_ = std::move(text);
    else AssignOther(text.data(), text.size());
    return TRUE;
  }

  int GetLength() const { return static_cast<int>(s_.size()); }
  BOOL IsEmpty() const { return s_.empty(); }
  void Empty() { s_.clear(); }
  PCXSTR GetString() const { return s_.c_str(); }
  operator PCXSTR() const { return s_.c_str(); }
  const std::basic_string<T>& str() const { return s_; }

  /// GetAt may read the terminator at GetLength(); other indexes outside the
  /// string throw CInvalidArgException*.
  T GetAt(int i) const {
    if (i < 0 || i > GetLength()) AfxThrowInvalidArgException();
    return s_.c_str()[i];
  }
  void SetAt(int i, T ch) {
    if (i < 0 || i >= GetLength()) AfxThrowInvalidArgException();
    s_[static_cast<size_t>(i)] = ch;
  }
  T operator[](int i) const { return GetAt(i); }

  /// Direct access to the buffer: at least `minLength` units are writable
  /// (plus the terminator); ReleaseBuffer(-1) takes the length up to the first
  /// zero.
  PXSTR GetBuffer() { return s_.data(); }
  PXSTR GetBuffer(int minLength) {
    if (minLength > GetLength()) s_.resize(minLength);
    return s_.data();
  }
  PXSTR GetBufferSetLength(int length) {
    s_.resize(length > 0 ? length : 0);
    return s_.data();
  }
  void ReleaseBuffer(int newLength = -1) {
    if (newLength < 0) {
      size_t n = 0;
      while (n < s_.size() && s_[n] != 0) ++n;
      s_.resize(n);
    } else if (static_cast<size_t>(newLength) <= s_.size()) {
      s_.resize(newLength);
    }
  }
  void ReleaseBufferSetLength(int newLength) { ReleaseBuffer(newLength); }
  void Preallocate(int length) {
    if (length > 0) s_.reserve(length);
  }
  void FreeExtra() { s_.shrink_to_fit(); }
  void Truncate(int length) {
    if (length >= 0 && length < GetLength()) s_.resize(length);
  }

  void Append(PCXSTR s) {
    if (s) s_.append(s);
  }
  void Append(PCXSTR s, int length) {
    if (s && length > 0) s_.append(s, length);
  }
  void Append(const CStringT& s) { s_.append(s.s_); }
  void AppendChar(T ch) { s_.push_back(ch); }
  CStringT& operator+=(const CStringT& s) {
    s_.append(s.s_);
    return *this;
  }
  CStringT& operator+=(PCXSTR s) {
    Append(s);
    return *this;
  }
  CStringT& operator+=(PCYSTR s) { return *this += CStringT(s); }
  CStringT& operator+=(T ch) {
    s_.push_back(ch);
    return *this;
  }

  int Compare(PCXSTR s) const { return Cmp(s_.c_str(), s ? s : Empty0()); }
  int CompareNoCase(PCXSTR s) const {
    if (!s) s = Empty0();
    return kavro::platform::CompareNoCase(s_.c_str(), s_.size(), s, Len(s));
  }
  int Collate(PCXSTR s) const { return kavro::platform::Collate(s_.c_str(), s ? s : Empty0()); }
  int CollateNoCase(PCXSTR s) const { return CompareNoCase(s); }

  int Find(T ch, int start = 0) const {
    if (start < 0 || start >= GetLength()) return -1;
    size_t p = s_.find(ch, start);
    return p == std::basic_string<T>::npos ? -1 : static_cast<int>(p);
  }
  int Find(PCXSTR sub, int start = 0) const {
    if (!sub || start < 0 || start > GetLength()) return -1;
    size_t p = s_.find(sub, start);
    return p == std::basic_string<T>::npos ? -1 : static_cast<int>(p);
  }
  int ReverseFind(T ch) const {
    size_t p = s_.rfind(ch);
    return p == std::basic_string<T>::npos ? -1 : static_cast<int>(p);
  }
  int FindOneOf(PCXSTR set) const {
    if (!set) return -1;
    size_t p = s_.find_first_of(set);
    return p == std::basic_string<T>::npos ? -1 : static_cast<int>(p);
  }

  CStringT Left(int count) const {
    if (count <= 0) return CStringT();
    return CStringT(s_.substr(0, count));
  }
  CStringT Right(int count) const {
    if (count <= 0) return CStringT();
    if (count >= GetLength()) return *this;
    return CStringT(s_.substr(s_.size() - count));
  }
  CStringT Mid(int first) const { return Mid(first, GetLength()); }
  CStringT Mid(int first, int count) const {
    if (first < 0) first = 0;
    if (count < 0) count = 0;
    if (first >= GetLength()) return CStringT();
    if (count > GetLength() - first) count = GetLength() - first;
    return CStringT(s_.substr(first, count));
  }
  CStringT SpanIncluding(PCXSTR set) const {
    if (!set) return CStringT();
    size_t p = s_.find_first_not_of(set);
    return p == std::basic_string<T>::npos ? *this : Left(static_cast<int>(p));
  }
  CStringT SpanExcluding(PCXSTR set) const {
    if (!set) return *this;
    size_t p = s_.find_first_of(set);
    return p == std::basic_string<T>::npos ? *this : Left(static_cast<int>(p));
  }
  /// Next token after `start` delimited by any of `tokens`; start becomes -1
  /// and the result empty when no token is left.
  CStringT Tokenize(PCXSTR tokens, int& start) const {
    if (start < 0 || start > GetLength()) {
      start = -1;
      return CStringT();
    }
    if (!tokens || !*tokens) {
      if (start < GetLength()) {
        CStringT rest = Mid(start);
        start = GetLength();
        return rest;
      }
      start = -1;
      return CStringT();
    }
    size_t b = s_.find_first_not_of(tokens, start);
    if (b == std::basic_string<T>::npos) {
      start = -1;
      return CStringT();
    }
    size_t e = s_.find_first_of(tokens, b);
    if (e == std::basic_string<T>::npos) e = s_.size();
    start = static_cast<int>(e) + 1;
    return CStringT(s_.substr(b, e - b));
  }

  int Insert(int index, T ch) {
    if (index < 0) index = 0;
    if (index > GetLength()) index = GetLength();
    s_.insert(s_.begin() + index, ch);
    return GetLength();
  }
  int Insert(int index, PCXSTR s) {
    if (index < 0) index = 0;
    if (index > GetLength()) index = GetLength();
    if (s) s_.insert(index, s);
    return GetLength();
  }
  int Delete(int index, int count = 1) {
    if (index < 0) index = 0;
    if (count > 0 && index < GetLength()) s_.erase(index, count);
    return GetLength();
  }
  int Replace(T from, T to) {
    int n = 0;
    for (auto& c : s_)
      if (c == from) {
        c = to;
        ++n;
      }
    return n;
  }
  int Replace(PCXSTR from, PCXSTR to);
  int Remove(T ch) {
    size_t before = s_.size();
    std::erase(s_, ch);
    return static_cast<int>(before - s_.size());
  }

  CStringT& MakeUpper() {
    for (auto& c : s_) c = static_cast<T>(kavro::platform::ToUpper(static_cast<wchar_t>(c)));
    return *this;
  }
  CStringT& MakeLower() {
    for (auto& c : s_) c = static_cast<T>(kavro::platform::ToLower(static_cast<wchar_t>(c)));
    return *this;
  }
  CStringT& MakeReverse() {
    std::reverse(s_.begin(), s_.end());
    return *this;
  }

  CStringT& Trim() { return TrimRight().TrimLeft(); }
  CStringT& Trim(T ch) { return TrimRight(ch).TrimLeft(ch); }
  CStringT& Trim(PCXSTR set) { return TrimRight(set).TrimLeft(set); }
  CStringT& TrimLeft() {
    size_t i = 0;
    while (i < s_.size() && kavro::platform::IsSpace(static_cast<wchar_t>(s_[i]))) ++i;
    s_.erase(0, i);
    return *this;
  }
  CStringT& TrimLeft(T ch) {
    size_t i = 0;
    while (i < s_.size() && s_[i] == ch) ++i;
    s_.erase(0, i);
    return *this;
  }
  CStringT& TrimLeft(PCXSTR set) {
    if (!set || !*set) return *this;
    size_t i = s_.find_first_not_of(set);
    s_.erase(0, i == std::basic_string<T>::npos ? s_.size() : i);
    return *this;
  }
  CStringT& TrimRight() {
    size_t n = s_.size();
    while (n > 0 && kavro::platform::IsSpace(static_cast<wchar_t>(s_[n - 1]))) --n;
    s_.resize(n);
    return *this;
  }
  CStringT& TrimRight(T ch) {
    size_t n = s_.size();
    while (n > 0 && s_[n - 1] == ch) --n;
    s_.resize(n);
    return *this;
  }
  CStringT& TrimRight(PCXSTR set) {
    if (!set || !*set) return *this;
    size_t i = s_.find_last_not_of(set);
    s_.resize(i == std::basic_string<T>::npos ? 0 : i + 1);
    return *this;
  }

  void Format(PCXSTR format, ...) {
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
  }
  void AppendFormat(PCXSTR format, ...) {
    va_list args;
    va_start(args, format);
    AppendFormatV(format, args);
    va_end(args);
  }
  void FormatV(PCXSTR format, va_list args) {
    std::basic_string<T> out;
    if (format) kavro::platform::AppendFormatV(out, format, args);
    s_.swap(out);
  }
  void AppendFormatV(PCXSTR format, va_list args) {
    if (format) kavro::platform::AppendFormatV(s_, format, args);
  }

  friend CStringT operator+(const CStringT& a, const CStringT& b) {
    CStringT r(a);
    r += b;
    return r;
  }
  friend CStringT operator+(const CStringT& a, PCXSTR b) {
    CStringT r(a);
    r += b;
    return r;
  }
  friend CStringT operator+(PCXSTR a, const CStringT& b) {
    CStringT r(a);
    r += b;
    return r;
  }
  friend CStringT operator+(const CStringT& a, T b) {
    CStringT r(a);
    r += b;
    return r;
  }
  friend CStringT operator+(T a, const CStringT& b) {
    CStringT r(a);
    r += b;
    return r;
  }
  friend bool operator==(const CStringT& a, const CStringT& b) { return a.s_ == b.s_; }
  friend bool operator==(const CStringT& a, PCXSTR b) { return a.Compare(b) == 0; }
  friend bool operator==(PCXSTR a, const CStringT& b) { return b.Compare(a) == 0; }
  friend bool operator!=(const CStringT& a, const CStringT& b) { return a.s_ != b.s_; }
  friend bool operator!=(const CStringT& a, PCXSTR b) { return a.Compare(b) != 0; }
  friend bool operator!=(PCXSTR a, const CStringT& b) { return b.Compare(a) != 0; }
  friend bool operator<(const CStringT& a, const CStringT& b) { return a.Compare(b) < 0; }
  friend bool operator<(const CStringT& a, PCXSTR b) { return a.Compare(b) < 0; }
  friend bool operator>(const CStringT& a, const CStringT& b) { return a.Compare(b) > 0; }
  friend bool operator>(const CStringT& a, PCXSTR b) { return a.Compare(b) > 0; }
  friend bool operator<=(const CStringT& a, const CStringT& b) { return a.Compare(b) <= 0; }
  friend bool operator>=(const CStringT& a, const CStringT& b) { return a.Compare(b) >= 0; }

 private:
  static PCXSTR Empty0() {
    static const T zero[1] = {0};
    return zero;
  }
  template <typename U>
  static size_t Len(const U* s) {
    size_t n = 0;
    while (s[n]) ++n;
    return n;
  }
  static int Cmp(PCXSTR a, PCXSTR b) {
    for (;; ++a, ++b) {
      using U = typename std::make_unsigned<T>::type;
      U ca = static_cast<U>(*a), cb = static_cast<U>(*b);
      if (ca != cb) return ca < cb ? -1 : 1;
      if (!ca) return 0;
    }
  }
  void AssignOther(const char* s, size_t n) { s_ = kavro::platform::AnsiToWide(s, n); }
  void AssignOther(const wchar_t* s, size_t n) { s_ = kavro::platform::WideToAnsi(s, n); }

  std::basic_string<T> s_;
};

template <typename T>
int CStringT<T>::Replace(PCXSTR from, PCXSTR to) {
  if (!from || !*from) return 0;
  if (!to) to = Empty0();
  std::basic_string<T> f(from), t(to), out;
  int n = 0;
  size_t pos = 0;
  for (;;) {
    size_t hit = s_.find(f, pos);
    if (hit == std::basic_string<T>::npos) break;
    out.append(s_, pos, hit - pos);
    out.append(t);
    pos = hit + f.size();
    ++n;
  }
  if (n == 0) return 0;
  out.append(s_, pos, std::basic_string<T>::npos);
  s_.swap(out);
  return n;
}

typedef CStringT<wchar_t> CString;
typedef CStringT<wchar_t> CStringW;
typedef CStringT<char> CStringA;
