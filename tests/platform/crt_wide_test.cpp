// The generic-text routines of a UNICODE build: bounds-checked copies and
// their array forms, numbers as text, Microsoft-rule formatting, character
// classes in the "C" locale, the Win32 string functions.
#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>

#include "KavroStd/platform/tchar_routines.h"
#include "KavroStd/platform/winbase_strings.h"
#include "support/test_support.h"

namespace {

// A destination filled with a mark, to see what a call wrote.
struct Dest {
  wchar_t text[8];
  Dest() { wmemset(text, L'#', 8); }
};

TEST(CrtWideTest, BoundedCopiesAndAppends) {
  enum Op { kCpy, kNcpy, kCat, kNcat };
  struct Row {
    const char* what;
    Op op;
    const wchar_t* start;  // initial text of the destination (null: the mark)
    size_t size;
    const wchar_t* src;
    size_t count;
    errno_t result;
    const wchar_t* after;  // null: left as it was
  } rows[] = {
      {"copy fits", kCpy, nullptr, 8, L"Layer", 0, 0, L"Layer"},
      {"copy exactly fits", kCpy, nullptr, 8, L"Layer-0", 0, 0, L"Layer-0"},
      {"copy too long", kCpy, nullptr, 8, L"Layer-01", 0, ERANGE, L""},
      {"copy from null", kCpy, nullptr, 8, nullptr, 0, EINVAL, L""},
      {"copy count", kNcpy, nullptr, 8, L"Layer-0001", 5, 0, L"Layer"},
      {"copy count past the size", kNcpy, nullptr, 8, L"Layer-0001", 9, ERANGE, L""},
      {"copy short text, large count", kNcpy, nullptr, 8, L"ab", 7, 0, L"ab"},
      {"copy truncated", kNcpy, nullptr, 8, L"Layer-0001", _TRUNCATE, STRUNCATE, L"Layer-0"},
      {"copy truncate fits", kNcpy, nullptr, 8, L"Layer", _TRUNCATE, 0, L"Layer"},
      {"append fits", kCat, L"ab", 8, L"cdefg", 0, 0, L"abcdefg"},
      {"append too long", kCat, L"ab", 8, L"cdefgh", 0, ERANGE, L""},
      {"append to unterminated", kCat, nullptr, 8, L"x", 0, EINVAL, nullptr},
      {"append null", kCat, L"ab", 8, nullptr, 0, EINVAL, L""},
      {"append count", kNcat, L"ab", 8, L"cdefgh", 2, 0, L"abcd"},
      {"append truncated", kNcat, L"ab", 8, L"cdefghij", _TRUNCATE, STRUNCATE, L"abcdefg"},
      {"append count too long", kNcat, L"ab", 8, L"cdefghij", 6, ERANGE, L""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    Dest d;
    if (r.start) wcscpy(d.text, r.start);
    errno = 0;
    errno_t got = r.op == kCpy    ? wcscpy_s(d.text, r.size, r.src)
                  : r.op == kNcpy ? wcsncpy_s(d.text, r.size, r.src, r.count)
                  : r.op == kCat  ? wcscat_s(d.text, r.size, r.src)
                                  : wcsncat_s(d.text, r.size, r.src, r.count);
    EXPECT_EQ(r.result, got);
    if (got != 0 && got != STRUNCATE) {
      EXPECT_EQ(r.result, errno);
    }
    if (r.after) {
      EXPECT_STREQ(r.after, d.text);
    } else {
      EXPECT_EQ(std::wstring(8, L'#'), std::wstring(d.text, 8));
    }
  }
  // A zero size or a null destination is refused without a write.
  Dest d;
  EXPECT_EQ(EINVAL, wcscpy_s(nullptr, 8, L"x"));
  EXPECT_EQ(ERANGE, wcscat_s(d.text, 0, L"x"));
  EXPECT_EQ(EINVAL, wcsncpy_s(d.text, 0, L"x", 1));
  EXPECT_EQ(L'#', d.text[0]);
}

TEST(CrtWideTest, ArrayFormsTakeTheSizeOfTheArray) {
  wchar_t six[6];
  EXPECT_EQ(0, _tcscpy_s(six, L"Layer"));
  EXPECT_EQ(ERANGE, _tcscpy_s(six, L"Layers"));
  EXPECT_STREQ(L"", six);
  EXPECT_EQ(STRUNCATE, _tcsncpy_s(six, L"Layer-01", _TRUNCATE));
  EXPECT_STREQ(L"Layer", six);
  EXPECT_EQ(0, _tcscpy_s(six, L"ab"));
  EXPECT_EQ(STRUNCATE, _tcsncat_s(six, L"cdefg", _TRUNCATE));
  EXPECT_STREQ(L"abcde", six);
  EXPECT_EQ(0, _tcsupr_s(six));
  EXPECT_STREQ(L"ABCDE", six);
  EXPECT_EQ(5, _stprintf_s(six, L"%d", 12345));
  EXPECT_EQ(-1, _stprintf_s(six, L"%d", 123456));
  EXPECT_STREQ(L"", six);
  EXPECT_EQ(-1, _sntprintf_s(six, _TRUNCATE, L"%s", L"Linetype"));
  EXPECT_STREQ(L"Linet", six);
  EXPECT_EQ(ERANGE, _itot_s(-12345, six, 10));
  EXPECT_EQ(0, _itot_s(-1234, six, 10));
  EXPECT_STREQ(L"-1234", six);
  wchar_t drive[3], dir[4], name[8], ext[5];
  EXPECT_EQ(0, _tsplitpath_s(L"C:\\a\\plan.dwg", drive, dir, name, ext));
  EXPECT_STREQ(L"\\a\\", dir);
  wchar_t path[16];
  EXPECT_EQ(0, _tmakepath_s(path, L"C", L"a", L"plan", L"dwg"));
  EXPECT_STREQ(L"C:a\\plan.dwg", path);
}

TEST(CrtWideTest, NumbersAsTextInEachRadix) {
  struct Row {
    LONGLONG value;
    int radix;
    int bits;  // 32: _itow, 64: _i64tow, -32/-64: unsigned forms
    const wchar_t* text;
  } rows[] = {
      {-255, 10, 32, L"-255"},
      {-1, 16, 32, L"ffffffff"},
      {-8, 8, 32, L"37777777770"},
      {255, 2, 32, L"11111111"},
      {35, 36, 32, L"z"},
      {0, 7, 32, L"0"},
      {INT_MIN, 10, 32, L"-2147483648"},
      {-1, 16, 64, L"ffffffffffffffff"},
      {LLONG_MIN, 10, 64, L"-9223372036854775808"},
      {-1, 2, 64, L"1111111111111111111111111111111111111111111111111111111111111111"},
      {-1, 10, -32, L"4294967295"},
      {-1, 36, -64, L"3w5e11264sgsf"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << r.value << " radix " << r.radix << " bits " << r.bits);
    wchar_t buffer[72];
    if (r.bits == 32) {
      EXPECT_STREQ(r.text, _itot(static_cast<int>(r.value), buffer, r.radix));
      EXPECT_STREQ(r.text, _ltot(static_cast<LONG>(r.value), buffer, r.radix));
    } else if (r.bits == 64) {
      EXPECT_STREQ(r.text, _i64tot(r.value, buffer, r.radix));
    } else if (r.bits == -32) {
      EXPECT_STREQ(r.text, _ultot(static_cast<ULONG>(r.value), buffer, r.radix));
    } else {
      EXPECT_STREQ(r.text, _ui64tot(static_cast<ULONGLONG>(r.value), buffer, r.radix));
    }
  }
  wchar_t buffer[8] = L"x";
  EXPECT_EQ(EINVAL, _itow_s(5, buffer, 8, 1));
  EXPECT_STREQ(L"", buffer);
  EXPECT_EQ(EINVAL, _i64tow_s(5, buffer, 8, 37));
  EXPECT_EQ(ERANGE, _ui64tow_s(12345678, buffer, 8, 10));
  EXPECT_STREQ(L"", buffer);
  EXPECT_EQ(0, _ui64tow_s(1234567, buffer, 8, 10));
}

TEST(CrtWideTest, TextToNumbersWithWindowsWidths) {
  wchar_t* end = nullptr;
  EXPECT_EQ(31, _tcstoi64(L" 0x1Fz", &end, 16));
  EXPECT_STREQ(L"z", end);
  errno = 0;
  EXPECT_EQ(LLONG_MAX, _tcstoi64(L"99999999999999999999", nullptr, 10));
  EXPECT_EQ(ERANGE, errno);
  EXPECT_EQ(18446744073709551615ULL, _tcstoui64(L"18446744073709551615", nullptr, 10));
  // long is 32 bits on Windows: wcstol saturates there.
  errno = 0;
  EXPECT_EQ(INT_MAX, _tcstol(L"3000000000", &end, 10));
  EXPECT_EQ(ERANGE, errno);
  EXPECT_STREQ(L"", end);
  EXPECT_EQ(INT_MIN, _tcstol(L"-3000000000", nullptr, 10));
  EXPECT_EQ(-42, _tcstol(L"-42", nullptr, 10));
  EXPECT_EQ(0xFFFFFFFFu, _tcstoul(L"-1", nullptr, 10));
  errno = 0;
  EXPECT_EQ(0xFFFFFFFFu, _tcstoul(L"4294967296", nullptr, 10));
  EXPECT_EQ(ERANGE, errno);
  EXPECT_EQ(1099511627776LL, _ttoi64(L"1099511627776"));
  EXPECT_EQ(-5LL, _tstoll(L"  -5x"));
  kavro::test::ScopedLocale german(LC_ALL, {"de_DE.UTF-8", "de_DE.utf8"});
  if (!german.ok()) GTEST_SKIP() << german.Missing();
  EXPECT_DOUBLE_EQ(1.5, _tcstod(L"1.5", nullptr));
}

TEST(CrtWideTest, FormattingFollowsMicrosoftRules) {
  wchar_t buffer[32];
  EXPECT_EQ(17, swprintf_s(buffer, 32, L"%s|%S|%ld|%c", L"Gr\u00fc\u00dfe", "narrow", -1L, L'\u00e9'));
  EXPECT_STREQ(L"Gr\u00fc\u00dfe|narrow|-1|\u00e9", buffer);
  // The "_s" forms: too long is an error that empties the buffer.
  errno = 0;
  EXPECT_EQ(-1, swprintf_s(buffer, 4, L"%s", L"abcd"));
  EXPECT_EQ(ERANGE, errno);
  EXPECT_STREQ(L"", buffer);
  EXPECT_EQ(-1, swprintf_s(buffer, 32, nullptr));
  // A count below the size cuts without error; one at or past it must fit.
  EXPECT_EQ(-1, _snwprintf_s(buffer, 32, 3, L"%d", 123456));
  EXPECT_STREQ(L"123", buffer);
  EXPECT_EQ(6, _snwprintf_s(buffer, 8, 100, L"%d", 123456));
  errno = 0;
  EXPECT_EQ(-1, _snwprintf_s(buffer, 4, 100, L"%d", 123456));
  EXPECT_EQ(ERANGE, errno);
  EXPECT_STREQ(L"", buffer);
  // The legacy bounded form adds no zero when the text fills the count.
  wmemset(buffer, L'#', 32);
  EXPECT_EQ(4, _sntprintf(buffer, 4, L"%s", L"abcd"));
  EXPECT_EQ(L"abcd#", std::wstring(buffer, 5));
  wmemset(buffer, L'#', 32);
  EXPECT_EQ(-1, _sntprintf(buffer, 3, L"%s", L"abcd"));
  EXPECT_EQ(L"abc#", std::wstring(buffer, 4));
  EXPECT_EQ(2, _sntprintf(buffer, 4, L"%d", 42));
  EXPECT_STREQ(L"42", buffer);
  EXPECT_EQ(8, _sntprintf(nullptr, 0, L"%s=%d", L"Layer", 12));
  EXPECT_EQ(8, _sctprintf(L"%s=%d", L"Layer", 12));
  EXPECT_EQ(13, _stprintf(buffer, L"%s %I64d", L"n", 12345678901LL));
  EXPECT_STREQ(L"n 12345678901", buffer);
}

TEST(CrtWideTest, StringEditsInPlace) {
  wchar_t text[] = L"Stra\u00dfe \u00c4bc";
  EXPECT_STREQ(L"stra\u00dfe \u00e4bc", _tcslwr(text));
  EXPECT_STREQ(L"STRA\u00dfE \u00c4BC", _tcsupr(text));
  EXPECT_STREQ(L"CB\u00c4 E\u00dfARTS", _tcsrev(text));
  EXPECT_STREQ(L"**\u00c4 E\u00dfARTS", _tcsnset(text, L'*', 2));
  EXPECT_STREQ(L"**********", _tcsset(text, L'*'));
  wchar_t unterminated[3] = {L'a', L'b', L'c'};
  EXPECT_EQ(EINVAL, _wcslwr_s(unterminated, 3));
  wchar_t* copy = _tcsdup(L"Layer");
  EXPECT_STREQ(L"Layer", copy);
  free(copy);
  EXPECT_EQ(nullptr, _tcsdup(nullptr));
  EXPECT_EQ(0, _tcsicoll(L"LAYER", L"layer"));
  EXPECT_GT(0, _tcsnicoll(L"abC1", L"ABd0", 3));
  EXPECT_EQ(0, _tcsnicoll(L"abC1", L"ABc0", 3));
}

TEST(CrtWideTest, TokensKeepTheirPositionInTheCaller) {
  wchar_t first[] = L"a,b";
  wchar_t second[] = L"1;;2";
  wchar_t* at1 = nullptr;
  wchar_t* at2 = nullptr;
  std::wstring seen;
  wchar_t* t1 = _tcstok_s(first, L",", &at1);
  wchar_t* t2 = _tcstok_s(second, L";", &at2);
  while (t1 || t2) {
    if (t1) seen += std::wstring(t1) + L" ";
    if (t2) seen += std::wstring(t2) + L" ";
    t1 = t1 ? _tcstok_s(nullptr, L",", &at1) : nullptr;
    t2 = t2 ? _tcstok_s(nullptr, L";", &at2) : nullptr;
  }
  EXPECT_EQ(L"a 1 b 2 ", seen);
  errno = 0;
  wchar_t* none = nullptr;
  EXPECT_EQ(nullptr, _tcstok_s(nullptr, L",", &none));
  EXPECT_EQ(EINVAL, errno);
}

// The process runs in the "C" locale, where glibc's own classes know ASCII
// only; Windows' classes know every character.
TEST(CrtWideTest, CharacterClassesIgnoreTheLocale) {
  struct Row {
    const char* what;
    int got;
    bool in;
  } rows[] = {
      {"alpha e-acute", _istalpha(L'\u00e9'), true},
      {"alpha ideograph", _istalpha(L'\u4e2d'), true},
      {"alpha digit", _istalpha(L'7'), false},
      {"digit 7", _istdigit(L'7'), true},
      {"digit arabic-indic 3", _istdigit(L'\u0663'), false},
      {"upper A-umlaut", _istupper(L'\u00c4'), true},
      {"upper a-umlaut", _istupper(L'\u00e4'), false},
      {"lower a-umlaut", _istlower(L'\u00e4'), true},
      {"space tab", _istspace(L'\t'), true},
      {"space ideographic", _istspace(L'\u3000'), true},
      {"space letter", _istspace(L'x'), false},
      {"alnum cyrillic", _istalnum(L'\u0436'), true},
      {"xdigit F", _istxdigit(L'F'), true},
      {"xdigit g", _istxdigit(L'g'), false},
      {"punct #", _istpunct(L'#'), true},
      {"punct section sign", _istpunct(L'\u00a7'), true},
      {"print e-acute", _istprint(L'\u00e9'), true},
      {"graph space", _istgraph(L' '), false},
      {"cntrl 0x7f", _istcntrl(0x7F), true},
      {"cntrl 0x85", _istcntrl(0x85), true},
      {"alpha WEOF", _istalpha(_TEOF), false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    EXPECT_EQ(r.in, r.got != 0);
  }
  EXPECT_EQ(static_cast<_TINT>(L'\u00c9'), _totupper(L'\u00e9'));
  EXPECT_EQ(static_cast<_TINT>(L'\u0436'), _totlower(L'\u0416'));
  EXPECT_EQ(static_cast<_TINT>(L'1'), _totupper(L'1'));
  EXPECT_EQ(_TEOF, _totlower(_TEOF));
}

TEST(CrtWideTest, Win32StringFunctions) {
  EXPECT_EQ(0, lstrlenW(nullptr));
  EXPECT_EQ(5, lstrlenW(L"Layer"));
  wchar_t buffer[8];
  EXPECT_STREQ(L"Lay", lstrcpynW(buffer, L"Layer", 4));
  EXPECT_STREQ(L"Layer", lstrcpynW(buffer, L"Layer", 8));
  EXPECT_STREQ(L"Layer12", lstrcatW(lstrcpyW(buffer, L"Layer"), L"12"));
  EXPECT_EQ(nullptr, lstrcpyW(nullptr, L"x"));
  EXPECT_EQ(0, lstrcmpW(nullptr, nullptr));
  EXPECT_GT(0, lstrcmpW(nullptr, L""));
  EXPECT_LT(0, lstrcmpW(L"", nullptr));
  EXPECT_GT(0, lstrcmpW(L"abc", L"abd"));
  EXPECT_NE(0, lstrcmpW(L"abc", L"ABC"));
  EXPECT_EQ(0, lstrcmpiW(L"Stra\u00dfe", L"STRA\u00dfE"));
  EXPECT_GT(0, lstrcmpiW(L"abc", L"ABD"));
}

TEST(CrtWideTest, WsprintfStoresAtMost1024Characters) {
  std::wstring buffer(1100, L'#');
  EXPECT_EQ(11, wsprintfW(buffer.data(), L"%s-%d|%S", L"Layer", 12, "ab"));
  EXPECT_STREQ(L"Layer-12|ab", buffer.c_str());
  std::wstring big(2000, L'x');
  EXPECT_EQ(1023, wsprintfW(buffer.data(), L"%s", big.c_str()));
  EXPECT_EQ(L'\0', buffer[1023]);
  EXPECT_EQ(L'#', buffer[1024]);
}

}  // namespace
