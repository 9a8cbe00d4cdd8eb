// CString::Format and CStringA::Format with Microsoft's printf rules.
#include <gtest/gtest.h>
#include <locale.h>

#include <string>

#include "KavroStd/platform/codepage.h"
#include "KavroStd/platform/cstring.h"
#include "support/test_support.h"

namespace {

template <typename... Args>
std::wstring W(const wchar_t* format, Args... args) {
  CString s;
  s.Format(format, args...);
  return s.str();
}

template <typename... Args>
std::string N(const char* format, Args... args) {
  CStringA s;
  s.Format(format, args...);
  return s.str();
}

TEST(FormatTest, StringAndCharacterConversionsInAWideFormat) {
  struct Row {
    const char* name;
    std::wstring got;
    const wchar_t* want;
  } rows[] = {
      {"%s wide", W(L"[%s]", L"abc"), L"[abc]"},
      {"%S narrow", W(L"[%S]", "abc"), L"[abc]"},
      {"%hs narrow", W(L"[%hs]", "abc"), L"[abc]"},
      {"%ls wide", W(L"[%ls]", L"abc"), L"[abc]"},
      {"%ws wide", W(L"[%ws]", L"abc"), L"[abc]"},
      {"%c wide", W(L"[%c]", L'\u00e9'), L"[\u00e9]"},
      {"%C narrow", W(L"[%C]", 'x'), L"[x]"},
      {"%hc narrow", W(L"[%hc]", 'y'), L"[y]"},
      {"%lc wide", W(L"[%lc]", L'\u4e2d'), L"[\u4e2d]"},
      {"%5s", W(L"[%5s]", L"ab"), L"[   ab]"},
      {"%-5s", W(L"[%-5s]", L"ab"), L"[ab   ]"},
      {"%.2s", W(L"[%.2s]", L"abcdef"), L"[ab]"},
      {"%*s", W(L"[%*s]", 4, L"ab"), L"[  ab]"},
      {"%-*s negative", W(L"[%*s]", -4, L"ab"), L"[ab  ]"},
      {"%3c", W(L"[%3c]", L'z'), L"[  z]"},
      {"%s null", W(L"[%s]", static_cast<const wchar_t*>(nullptr)), L"[(null)]"},
      {"%S null", W(L"[%S]", static_cast<const char*>(nullptr)), L"[(null)]"},
      {"%%", W(L"100%%"), L"100%"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(std::wstring(r.want), r.got);
  }
}

TEST(FormatTest, StringAndCharacterConversionsInANarrowFormat) {
  struct Row {
    const char* name;
    std::string got;
    const char* want;
  } rows[] = {
      {"%s narrow", N("[%s]", "abc"), "[abc]"},
      {"%S wide", N("[%S]", L"abc"), "[abc]"},
      {"%ls wide", N("[%ls]", L"abc"), "[abc]"},
      {"%hs narrow", N("[%hs]", "abc"), "[abc]"},
      {"%c narrow", N("[%c]", 'q'), "[q]"},
      {"%C wide", N("[%C]", L'w'), "[w]"},
      {"%s null", N("[%s]", static_cast<const char*>(nullptr)), "[(null)]"},
      {"%S null", N("[%S]", static_cast<const wchar_t*>(nullptr)), "[(null)]"},
      {"%-4c", N("[%-4c]", 'q'), "[q   ]"},
      {"%d %x", N("%d %x", -42, 255), "-42 ff"},
      {"%.2f", N("%.2f", 3.14159), "3.14"},
      {"%%", N("100%%"), "100%"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(std::string(r.want), r.got);
  }
}

TEST(FormatTest, WideArgumentsInANarrowFormatUseTheAnsiCodePage) {
  UINT old = GetACP();
  ASSERT_TRUE(KvSetACP(936));
  EXPECT_EQ("\xd6\xd0", N("%S", L"\u4e2d"));
  EXPECT_EQ(L"\u4e2d", W(L"%S", "\xd6\xd0"));
  KvSetACP(old);
}

TEST(FormatTest, IntegersKeepWindowsWidths) {
  struct Row {
    const char* name;
    std::wstring got;
    const wchar_t* want;
  } rows[] = {
      {"%d", W(L"%d", 42), L"42"},
      {"%i", W(L"%i", -7), L"-7"},
      {"%ld 0x80000000", W(L"%ld", static_cast<LONG>(0x80000000u)), L"-2147483648"},
      {"%ld all ones", W(L"%ld", static_cast<LONG>(0xFFFFFFFFu)), L"-1"},
      {"%u of -1", W(L"%u", -1), L"4294967295"},
      {"%lu", W(L"%lu", static_cast<ULONG>(0xFFFFFFFFu)), L"4294967295"},
      {"%I64d", W(L"%I64d", static_cast<LONGLONG>(1) << 40), L"1099511627776"},
      {"%I64d min", W(L"%I64d", static_cast<LONGLONG>(INT64_MIN)), L"-9223372036854775808"},
      {"%lld", W(L"%lld", -(static_cast<LONGLONG>(1) << 33)), L"-8589934592"},
      {"%I64u", W(L"%I64u", ~static_cast<ULONGLONG>(0)), L"18446744073709551615"},
      {"%x", W(L"%x", 255), L"ff"},
      {"%X", W(L"%X", 0xBEEF), L"BEEF"},
      {"%08X", W(L"%08X", 0xBEEF), L"0000BEEF"},
      {"%#x", W(L"%#x", 255), L"0xff"},
      {"%o", W(L"%o", 8), L"10"},
      {"%hd wraps", W(L"%hd", 0x18000), L"-32768"},
      {"%hu wraps", W(L"%hu", 0x18000), L"32768"},
      {"%hhd wraps", W(L"%hhd", 0x180), L"-128"},
      {"%hhu wraps", W(L"%hhu", 0x1FF), L"255"},
      {"%x of -1", W(L"%x", -1), L"ffffffff"},
      {"%lx", W(L"%lx", static_cast<ULONG>(0xFFFFFFFFu)), L"ffffffff"},
      {"%I32d", W(L"%I32d", -5), L"-5"},
      {"%I64X", W(L"%I64X", static_cast<ULONGLONG>(0xABCDEF0123ull)), L"ABCDEF0123"},
      {"%zu", W(L"%zu", static_cast<size_t>(1) << 40), L"1099511627776"},
      {"%Iu", W(L"%Iu", static_cast<size_t>(1) << 36), L"68719476736"},
      {"%Id", W(L"%Id", static_cast<ptrdiff_t>(-3)), L"-3"},
      {"%5d", W(L"[%5d]", 42), L"[   42]"},
      {"%-5d", W(L"[%-5d]", 42), L"[42   ]"},
      {"%05d", W(L"[%05d]", -42), L"[-0042]"},
      {"%+d", W(L"[%+d]", 5), L"[+5]"},
      {"%*d", W(L"[%*d]", 6, 7), L"[     7]"},
      {"%.3d", W(L"[%.3d]", 7), L"[007]"},
      {"%d %s %d", W(L"%d %s %d", 1, L"two", 3), L"1 two 3"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(std::wstring(r.want), r.got);
  }
}

TEST(FormatTest, PointersPrintAsUpperCaseHexOfFullWidth) {
  void* p = reinterpret_cast<void*>(static_cast<uintptr_t>(0xABCD));
  std::wstring want(sizeof(void*) * 2 - 4, L'0');
  want += L"ABCD";
  EXPECT_EQ(want, W(L"%p", p));
}

TEST(FormatTest, PointersInANarrowFormat) {
  void* p = reinterpret_cast<void*>(static_cast<uintptr_t>(0xABCD));
  std::string want(sizeof(void*) * 2 - 4, '0');
  want += "ABCD";
  EXPECT_EQ(want, N("%p", p));
}

// %n is refused as Windows refuses it: its pointer is taken from the
// arguments (the ones after it still line up) and never written through.
TEST(FormatTest, PercentNWritesNothing) {
  int count = -1;
  EXPECT_EQ(L"1-2", W(L"%d-%n%d", 1, &count, 2));
  EXPECT_EQ("1-2", N("%d-%n%d", 1, &count, 2));
  EXPECT_EQ(-1, count);
}

// A format that ends inside a conversion ends the output there; nothing
// past its terminating NUL is read.
TEST(FormatTest, FormatEndingInsideAConversionStopsThere) {
  struct Row {
    const char* name;
    std::wstring got;
  } rows[] = {
      {"%", W(L"abc%")},
      {"%-5", W(L"abc%-5")},
      {"%.", W(L"abc%.")},
      {"%ll", W(L"abc%ll")},
      {"%I64", W(L"abc%I64")},
      {"%hh", W(L"abc%hh")},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(L"abc", r.got);
  }
  EXPECT_EQ("abc", N("abc%l"));
}

TEST(FormatTest, FloatingPoint) {
  struct Row {
    const char* name;
    std::wstring got;
    const wchar_t* want;
  } rows[] = {
      {"%.2f", W(L"%.2f", 3.14159), L"3.14"},
      {"%.2f rounds", W(L"%.2f", 2.675 + 1e-9), L"2.68"},
      {"%f", W(L"%f", 1.5), L"1.500000"},
      {"%8.3f", W(L"[%8.3f]", -1.5), L"[  -1.500]"},
      {"%08.3f", W(L"[%08.3f]", 1.5), L"[0001.500]"},
      {"%-8.1f", W(L"[%-8.1f]", 1.26), L"[1.3     ]"},
      {"%e", W(L"%e", 12345.678), L"1.234568e+04"},
      {"%E", W(L"%.2E", 0.000123), L"1.23E-04"},
      {"%g", W(L"%g", 0.0001), L"0.0001"},
      {"%g large", W(L"%g", 1e20), L"1e+20"},
      {"%g trims", W(L"%g", 2.50), L"2.5"},
      {"%05g", W(L"%05g", 1.5), L"001.5"},
      {"%.*f", W(L"%.*f", 1, 9.96), L"10.0"},
      {"%F", W(L"%F", 1.5), L"1.500000"},
      {"%G", W(L"%G", 1e-10), L"1E-10"},
      {"%+.1e", W(L"%+.1e", 150.0), L"+1.5e+02"},
      {"%Lf long double", W(L"%.1Lf", 2.5L), L"2.5"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(std::wstring(r.want), r.got);
  }
}

TEST(FormatTest, NumbersIgnoreADecimalCommaLocale) {
  kavro::test::ScopedLocale german(LC_ALL, {"de_DE.UTF-8", "de_DE.utf8"});
  if (!german.ok()) GTEST_SKIP() << german.Missing();
  EXPECT_EQ(L"3.14 0.5 1.500000e+00", W(L"%.2f %g %e", 3.14159, 0.5, 1.5));
  EXPECT_EQ("1234.50", N("%.2f", 1234.5));
}

TEST(FormatTest, LongResultsAreNotCut) {
  std::wstring big(100000, L'x');
  std::wstring got = W(L"<%s>", big.c_str());
  EXPECT_EQ(100002u, got.size());
  EXPECT_EQ(L'>', got.back());

  std::wstring padded = W(L"%70000d", 1);
  EXPECT_EQ(70000u, padded.size());
  EXPECT_EQ(L'1', padded.back());

  std::string narrowBig(80000, 'n');
  EXPECT_EQ(80000u, N("%s", narrowBig.c_str()).size());
}

TEST(FormatTest, AppendFormatAddsToTheEnd) {
  CString s = L"Layer";
  s.AppendFormat(L"%d", 3);
  s.AppendFormat(L"-%s", L"x");
  EXPECT_STREQ(L"Layer3-x", s.GetString());
  s.Format(L"%d", 9);  // Format replaces
  EXPECT_STREQ(L"9", s.GetString());
}

}  // namespace
