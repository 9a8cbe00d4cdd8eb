// Code pages: round trips, invalid input, lead bytes and the Win32 size
// rules of MultiByteToWideChar and WideCharToMultiByte.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "KavroStd/platform/codepage.h"
#include "KavroStd/platform/win_errors.h"

namespace {

std::wstring ToWide(UINT cp, const std::string& bytes, DWORD flags = 0) {
  int n = MultiByteToWideChar(cp, flags, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring out(n > 0 ? n : 0, L'\0');
  if (n > 0) MultiByteToWideChar(cp, flags, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
  return out;
}

std::string ToBytes(UINT cp, const std::wstring& wide, BOOL* usedDefault = nullptr) {
  int n = WideCharToMultiByte(cp, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, usedDefault);
  std::string out(n > 0 ? n : 0, '\0');
  if (n > 0)
    WideCharToMultiByte(cp, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, usedDefault);
  return out;
}

struct RoundTrip {
  UINT cp;
  const wchar_t* wide;
  const char* bytes;
};

TEST(CodePageTest, RoundTripsInTheDoubleByteAndUtf8Pages) {
  const RoundTrip rows[] = {
      {936, L"\u4e2d\u6587abc", "\xd6\xd0\xce\xc4" "abc"},
      {950, L"\u4e2d\u6587", "\xa4\xa4\xa4\xe5"},
      {932, L"\u65e5\u672c\u30ab", "\x93\xfa\x96\x7b\x83\x4a"},
      {949, L"\ud55c", "\xc7\xd1"},
      {1252, L"\u00e9\u20ac\u201c", "\xe9\x80\x93"},
      {65001, L"\u00e9\u4e2d\U0001F600", "\xc3\xa9\xe4\xb8\xad\xf0\x9f\x98\x80"},
  };
  for (const RoundTrip& r : rows) {
    SCOPED_TRACE(testing::Message() << "code page " << r.cp);
    EXPECT_EQ(std::wstring(r.wide), ToWide(r.cp, r.bytes));
    BOOL used = TRUE;
    EXPECT_EQ(std::string(r.bytes), ToBytes(r.cp, r.wide, r.cp == CP_UTF8 ? nullptr : &used));
    if (r.cp != CP_UTF8) {
      EXPECT_FALSE(used);
    }
  }
}

TEST(CodePageTest, InvalidInputIsReplacedWithoutStopping) {
  struct Row {
    UINT cp;
    std::string bytes;
    const wchar_t* want;
  } rows[] = {
      {65001, "a\xff" "b", L"a\ufffd" "b"},
      {65001, "a\xc3", L"a\ufffd"},                 // cut short at the end
      {65001, "\xed\xa0\x80", L"\ufffd\ufffd\ufffd"},  // an encoded surrogate
      {65001, "\xc0\xaf", L"\ufffd\ufffd"},          // overlong
      {936, "a\x81", L"a?"},                         // lone lead byte at the end
      {936, "\x81\x20z", L"? z"},                    // lead byte with a bad trail
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << "code page " << r.cp << " row " << (&r - rows));
    EXPECT_EQ(std::wstring(r.want), ToWide(r.cp, r.bytes));
  }
  SetLastError(0);
  EXPECT_EQ(0, MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "a\xff", 2, nullptr, 0));
  EXPECT_EQ(static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION), GetLastError());
}

TEST(CodePageTest, UnmappableCharactersBecomeTheDefault) {
  BOOL used = FALSE;
  EXPECT_EQ("a?b", ToBytes(1252, L"a\u4e2db", &used));
  EXPECT_TRUE(used);
  char out[8] = {};
  used = FALSE;
  int n = WideCharToMultiByte(936, 0, L"\u0e01x", 2, out, sizeof(out), "#", &used);
  EXPECT_EQ(2, n);
  EXPECT_EQ(std::string("#x"), std::string(out, n));
  EXPECT_TRUE(used);
}

TEST(CodePageTest, LeadByteTables) {
  struct Row {
    UINT cp;
    BYTE byte;
    BOOL lead;
  } rows[] = {
      {936, 0x81, TRUE},  {936, 0xFE, TRUE},  {936, 0x80, FALSE}, {936, 0xFF, FALSE}, {936, 'A', FALSE},
      {950, 0xA4, TRUE},  {932, 0x81, TRUE},  {932, 0x9F, TRUE},  {932, 0xA0, FALSE}, {932, 0xDF, FALSE},
      {932, 0xE0, TRUE},  {932, 0xFC, TRUE},  {932, 0xFD, FALSE}, {949, 0xB0, TRUE},  {1252, 0xE9, FALSE},
      {65001, 0xE4, FALSE},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << "code page " << r.cp << " byte " << static_cast<int>(r.byte));
    EXPECT_EQ(r.lead, IsDBCSLeadByteEx(r.cp, r.byte));
  }
  UINT old = GetACP();
  ASSERT_TRUE(KvSetACP(936));
  EXPECT_EQ(936u, GetACP());
  EXPECT_TRUE(IsDBCSLeadByte(0xD6));
  ASSERT_TRUE(KvSetACP(1252));
  EXPECT_FALSE(IsDBCSLeadByte(0xD6));
  EXPECT_FALSE(KvSetACP(12345));
  EXPECT_EQ(1252u, GetACP());
  KvSetACP(old);
}

TEST(CodePageTest, SizesAndTerminators) {
  // -1 converts through the terminator and counts it.
  EXPECT_EQ(4, MultiByteToWideChar(CP_UTF8, 0, "abc", -1, nullptr, 0));
  wchar_t wide[4];
  EXPECT_EQ(4, MultiByteToWideChar(CP_UTF8, 0, "abc", -1, wide, 4));
  EXPECT_STREQ(L"abc", wide);
  EXPECT_EQ(3, WideCharToMultiByte(936, 0, L"\u4e2d", -1, nullptr, 0, nullptr, nullptr));
  char narrow[3];
  EXPECT_EQ(3, WideCharToMultiByte(936, 0, L"\u4e2d", -1, narrow, 3, nullptr, nullptr));
  EXPECT_STREQ("\xd6\xd0", narrow);
  // A double-byte character needs both its bytes.
  EXPECT_EQ(1, MultiByteToWideChar(936, 0, "\xd6\xd0", 2, nullptr, 0));
}

TEST(CodePageTest, ShortBuffersAndBadArgumentsFail) {
  struct Row {
    const char* name;
    int result;
    DWORD error;
  };
  wchar_t wide[2];
  char narrow[2];
  SetLastError(0);
  int r1 = MultiByteToWideChar(CP_UTF8, 0, "abc", 3, wide, 2);
  DWORD e1 = GetLastError();
  SetLastError(0);
  int r2 = WideCharToMultiByte(936, 0, L"\u4e2d\u6587", 2, narrow, 2, nullptr, nullptr);
  DWORD e2 = GetLastError();
  SetLastError(0);
  int r3 = MultiByteToWideChar(CP_UTF8, 0, nullptr, 3, wide, 2);
  DWORD e3 = GetLastError();
  SetLastError(0);
  int r4 = MultiByteToWideChar(12345, 0, "a", 1, wide, 2);
  DWORD e4 = GetLastError();
  SetLastError(0);
  int r5 = WideCharToMultiByte(CP_UTF8, 0, L"a", 1, narrow, 2, "?", nullptr);
  DWORD e5 = GetLastError();
  SetLastError(0);
  int r6 = MultiByteToWideChar(CP_UTF8, 0, "a", 0, wide, 2);
  DWORD e6 = GetLastError();
  Row rows[] = {
      {"short wide buffer", r1, ERROR_INSUFFICIENT_BUFFER},
      {"short narrow buffer", r2, ERROR_INSUFFICIENT_BUFFER},
      {"null input", r3, ERROR_INVALID_PARAMETER},
      {"unknown code page", r4, ERROR_INVALID_PARAMETER},
      {"default char with UTF-8", r5, ERROR_INVALID_PARAMETER},
      {"zero-length input", r6, ERROR_INVALID_PARAMETER},
  };
  DWORD errors[] = {e1, e2, e3, e4, e5, e6};
  for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
    SCOPED_TRACE(rows[i].name);
    EXPECT_EQ(0, rows[i].result);
    EXPECT_EQ(rows[i].error, errors[i]);
  }
}

TEST(CodePageTest, ValidCodePages) {
  for (UINT cp : {936u, 950u, 932u, 949u, 1252u, 65001u, 54936u}) {
    SCOPED_TRACE(cp);
    EXPECT_TRUE(IsValidCodePage(cp));
  }
  EXPECT_FALSE(IsValidCodePage(1));
  EXPECT_FALSE(IsValidCodePage(99999));
}

// Long texts of mixed pieces decode and encode as the pieces do one by one:
// the whole-buffer paths keep the per-character rules, across any internal
// block size, with bad bytes anywhere (and last).
TEST(CodePageTest, LongMixedTextsConvertAsTheirPieces) {
  struct Piece {
    std::string bytes;
    std::wstring wide;
    bool valid;  // encodes back to bytes
  };
  struct Row {
    UINT cp;
    std::vector<Piece> pieces;
  } rows[] = {
      {936, {{"a", L"a", true}, {"\xd6\xd0", L"\u4e2d", true}, {"\x81 ", L"? ", false}, {"\x80", L"\u20ac", true},
             {"\xff", L"?", false}, {"\r\n", L"\r\n", true}}},
      {932, {{"x", L"x", true}, {"\x93\xfa", L"\u65e5", true}, {"\xb1", L"\uff71", true}, {"\x81\x7f", L"?\x7f", false}}},
      {949, {{"k", L"k", true}, {"\xc7\xd1", L"\ud55c", true}, {"\xff", L"?", false}}},
      {950, {{"b", L"b", true}, {"\xa4\xa4", L"\u4e2d", true}, {"\x81\x20", L"? ", false}}},
      {54936, {{"g", L"g", true}, {"\xd6\xd0", L"\u4e2d", true}, {"\x81\x30\x81\x30", L"\u0080", true},
               {"\x90\x30\x81\x30", L"\U00010000", true}, {"\x81\x30\xff", L"?0?", false}}},
      {1252, {{"e", L"e", true}, {"\xe9", L"\u00e9", true}, {"\x80", L"\u20ac", true}, {"\x9c", L"\u0153", true}}},
      {65001, {{"u", L"u", true}, {"\xe4\xb8\xad", L"\u4e2d", true}, {"\xf0\x9f\x98\x80", L"\U0001F600", true},
                {"\xff", L"\ufffd", false}, {"\xe4\xb8", L"\ufffd\ufffd", false}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "code page " << row.cp);
    std::string bytes, validBytes;
    std::wstring want, validWide;
    uint32_t state = 12345;
    for (int i = 0; i < 60000; ++i) {
      state = state * 1103515245u + 12345u;
      const Piece& piece = row.pieces[(state >> 16) % row.pieces.size()];
      // A bad UTF-8 start or GB18030 tail swallows nothing only when an
      // ASCII byte follows it.
      bytes += piece.bytes;
      want += piece.wide;
      if (!piece.valid) {
        bytes += "z";
        want += L"z";
      }
      if (piece.valid) {
        validBytes += piece.bytes;
        validWide += piece.wide;
      }
    }
    EXPECT_TRUE(ToWide(row.cp, bytes) == want);
    EXPECT_TRUE(ToBytes(row.cp, validWide) == validBytes);
    // A bad byte as the very last one.
    const Piece& last = row.pieces.back();
    EXPECT_TRUE(ToWide(row.cp, bytes + last.bytes) == want + last.wide);
  }
}

TEST(CodePageTest, LongUnmappableTextsUseTheDefaultForEachCharacter) {
  struct Row {
    UINT cp;
    const char* bytes;  // of a, U+4E2D, U+1F600, U+00E9
  } rows[] = {{1252, "a##\xe9"}, {936, "a\xd6\xd0#\xa8\xa6"}};
  std::wstring wide;
  for (int i = 0; i < 50000; ++i) wide += L"a\u4e2d\U0001F600\u00e9";
  for (const Row& row : rows) {
    SCOPED_TRACE(row.cp);
    std::string want;
    for (int i = 0; i < 50000; ++i) want += row.bytes;
    int n = WideCharToMultiByte(row.cp, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, "#", nullptr);
    std::string out(n > 0 ? n : 0, '\0');
    BOOL used = FALSE;
    WideCharToMultiByte(row.cp, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, "#", &used);
    EXPECT_TRUE(out == want);
    EXPECT_TRUE(used);
  }
}

}  // namespace
