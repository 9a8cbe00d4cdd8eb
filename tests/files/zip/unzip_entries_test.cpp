// Reading entries of archives built byte for byte: records, attributes,
// times, names, memory extraction in pieces and the check of the content.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "KavroStd/KavroStd.h"
#include "support/test_support.h"
#include "unzip_test_archive.h"

namespace {

using kavro::test::unzip::Build;
using kavro::test::unzip::Entry;
using kavro::test::unzip::TimestampBlock;
using kavro::test::ScopedTimeZone;

// The block must outlive the handle, so no temporary is taken.
HZIPFILE OpenBytes(const std::string& bytes) {
  return OpenZipU(const_cast<char*>(bytes.data()), static_cast<unsigned int>(bytes.size()),
                  ZIPKIND_MEMORY);
}
HZIPFILE OpenBytes(const std::string&& bytes) = delete;

long long UnixOf(const FILETIME& t) {
  const unsigned long long ticks = (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  return static_cast<long long>(ticks / 10000000ULL) - 11644473600LL;
}

// Every piece of a memory extraction with its result.
struct Pieces {
  std::vector<std::string> chunks;
  ZIPRESULT last = ZRES_SUCCESS;
};

Pieces ExtractInPieces(HZIPFILE zip, int index, unsigned int size) {
  Pieces out;
  std::vector<char> buffer(size);
  ZIPITEMA item;
  if (GetZipItemA(zip, index, &item) != ZRES_SUCCESS) return out;
  size_t total = 0;
  for (;;) {
    out.last = UnzipItem(zip, index, buffer.data(), size, ZIPKIND_MEMORY);
    if (out.last != ZRES_MORE) break;
    const size_t remaining = static_cast<size_t>(item.unc_size) - total;
    const size_t n = remaining < size ? remaining : size;
    out.chunks.emplace_back(buffer.data(), n);
    total += n;
  }
  return out;
}

TEST(UnzipEntriesTest, SummaryRecordAndIndexBounds) {
  const std::string zip = Build({Entry{"a.txt", "alpha"}, Entry{"b.txt", "beta"}});
  HZIPFILE h = OpenBytes(zip);
  ASSERT_NE(nullptr, h);
  ZIPITEMW all;
  std::memset(&all, 0x55, sizeof all);
  ASSERT_EQ(ZRES_SUCCESS, GetZipItemW(h, -1, &all));
  EXPECT_EQ(2, all.index);
  EXPECT_EQ(L'\0', all.name[0]);
  EXPECT_EQ(0u, all.attr);
  EXPECT_EQ(0u, all.mtime.dwLowDateTime | all.mtime.dwHighDateTime | all.atime.dwHighDateTime |
                    all.ctime.dwLowDateTime);
  EXPECT_EQ(0, all.comp_size | all.unc_size);
  ZIPITEMA item;
  EXPECT_EQ(ZRES_ARGS, GetZipItemA(h, 2, &item));
  EXPECT_EQ(ZRES_ARGS, GetZipItemA(h, -2, &item));
  EXPECT_EQ(ZRES_ARGS, GetZipItemA(h, 0, nullptr));
  char buffer[4];
  EXPECT_EQ(ZRES_ARGS, UnzipItem(h, -1, buffer, sizeof buffer, ZIPKIND_MEMORY));
  EXPECT_EQ(ZRES_ARGS, UnzipItem(h, 2, buffer, sizeof buffer, ZIPKIND_MEMORY));
  EXPECT_EQ(ZRES_ARGS, UnzipItem(h, -1, const_cast<wchar_t*>(L"x"), 0, ZIPKIND_FILENAME));
  EXPECT_EQ(ZRES_ARGS, UnzipItem(h, 0, buffer, sizeof buffer, 7));
  // Listing in any order gives the same records.
  for (int i : {1, 0, 1, 1, 0}) {
    ASSERT_EQ(ZRES_SUCCESS, GetZipItemA(h, i, &item));
    EXPECT_EQ(i, item.index);
    EXPECT_STREQ(i ? "b.txt" : "a.txt", item.name);
  }
  EXPECT_EQ(ZRES_SUCCESS, CloseZipU(h));
}

TEST(UnzipEntriesTest, MemoryExtractionFillsEachPieceAndEndsWithSuccess) {
  const std::string ten = "0123456789";
  const std::string big(100000, 'z');
  const std::string bytesh = Build({Entry{"ten", ten, 0}, Entry{"big", big, 8}, Entry{"none", "", 8}});
  HZIPFILE h = OpenBytes(bytesh);
  ASSERT_NE(nullptr, h);
  struct Row {
    int index;
    unsigned int size;
    std::vector<std::string> chunks;
  } rows[] = {
      {0, 4, {"0123", "4567", "89"}},
      {0, 100, {ten}},
      {0, 10, {ten}},
      {2, 16, {}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << "entry " << r.index << " in pieces of " << r.size);
    Pieces p = ExtractInPieces(h, r.index, r.size);
    EXPECT_EQ(ZRES_SUCCESS, p.last);
    EXPECT_EQ(r.chunks, p.chunks);
  }
  // A deflated entry: every call but the last delivering one fills the buffer.
  Pieces p = ExtractInPieces(h, 1, 7001);
  EXPECT_EQ(ZRES_SUCCESS, p.last);
  ASSERT_EQ(15u, p.chunks.size());
  std::string joined;
  for (const std::string& c : p.chunks) joined += c;
  EXPECT_EQ(big, joined);
  EXPECT_EQ(100000u - 14 * 7001, p.chunks.back().size());
  char buffer[8];
  EXPECT_EQ(ZRES_ARGS, UnzipItem(h, 0, buffer, 0, ZIPKIND_MEMORY));
  EXPECT_EQ(ZRES_ARGS, UnzipItem(h, 0, nullptr, 8, ZIPKIND_MEMORY));
  CloseZipU(h);
}

TEST(UnzipEntriesTest, ListingEndsAStreamAndTheNextCallStartsOver) {
  const std::string bytesh = Build({Entry{"ten", "0123456789", 8}});
  HZIPFILE h = OpenBytes(bytesh);
  ASSERT_NE(nullptr, h);
  char buffer[4];
  ASSERT_EQ(ZRES_MORE, UnzipItem(h, 0, buffer, 4, ZIPKIND_MEMORY));
  ZIPITEMA item;
  ASSERT_EQ(ZRES_SUCCESS, GetZipItemA(h, 0, &item));
  ASSERT_EQ(ZRES_MORE, UnzipItem(h, 0, buffer, 4, ZIPKIND_MEMORY));
  EXPECT_EQ("0123", std::string(buffer, 4));
  CloseZipU(h);
}

TEST(UnzipEntriesTest, DamagedContentIsReportedOnTheCallThatFindsIt) {
  const std::string text(3000, 'q');
  Entry badCrc{"crc", text, 8};
  badCrc.crc = 0x12345678;
  Entry badStored{"stored-crc", "abcdef", 0};
  badStored.crc = 1;
  Entry shortStream{"short", text, 8};
  shortStream.uncSize = 5000;  // the stream ends before the announced size
  Entry faulty{"faulty", text, 8};
  faulty.useData = true;
  faulty.data = std::string(40, '\xFF');
  Entry cut{"cut", text, 8};
  cut.useData = true;
  cut.data = kavro::test::unzip::Deflate(text).substr(0, 6);
  const std::string bytesh = Build({badCrc, badStored, shortStream, faulty, cut});
  HZIPFILE h = OpenBytes(bytesh);
  ASSERT_NE(nullptr, h);
  struct Row {
    int index;
    ZIPRESULT result;
  } rows[] = {{0, ZRES_CORRUPT}, {1, ZRES_CORRUPT}, {2, ZRES_FLATE}, {3, ZRES_FLATE}, {4, ZRES_FLATE}};
  kavro::test::TempDir dir;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.index);
    std::vector<char> buffer(100000);
    EXPECT_EQ(r.result, UnzipItem(h, r.index, buffer.data(), 100000, ZIPKIND_MEMORY));
    // The stream has ended: the next call starts it again.
    EXPECT_EQ(r.result, UnzipItem(h, r.index, buffer.data(), 100000, ZIPKIND_MEMORY));
    const CString target = dir.Win("out" + std::to_string(r.index));
    EXPECT_EQ(r.result, UnzipItem(h, r.index, const_cast<wchar_t*>(static_cast<LPCWSTR>(target)), 0,
                                  ZIPKIND_FILENAME));
  }
  CloseZipU(h);
}

TEST(UnzipEntriesTest, AttributesFromExternalAttributes) {
  struct Row {
    uint32_t external;
    DWORD attr;
  } rows[] = {
      {0x00000020, FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_ARCHIVE},  // DOS host: not read-only
      {0x00000021, FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY},
      {0x00000016, FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN |
                       FILE_ATTRIBUTE_SYSTEM},
      {0x81A40000, FILE_ATTRIBUTE_NORMAL},                           // Unix 644
      {0x81240000, FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_READONLY},  // Unix 444
      {0x41ED0010, FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_DIRECTORY},
      {0x41ED0000, FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_DIRECTORY},  // Unix folder bit only
  };
  std::vector<Entry> entries;
  for (const Row& r : rows) {
    Entry e{"e" + std::to_string(entries.size()), "x", 0};
    e.externalAttr = r.external;
    entries.push_back(e);
  }
  const std::string bytesh = Build(entries);
  HZIPFILE h = OpenBytes(bytesh);
  ASSERT_NE(nullptr, h);
  for (size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(testing::Message() << std::hex << rows[i].external);
    ZIPITEMW item;
    ASSERT_EQ(ZRES_SUCCESS, GetZipItemW(h, static_cast<int>(i), &item));
    EXPECT_EQ(rows[i].attr, item.attr);
  }
  CloseZipU(h);
}

TEST(UnzipEntriesTest, DosTimeIsLocalAndTimestampBlockReplacesWhatItCarries) {
  ScopedTimeZone zone("XST-5:30");  // 5 h 30 min east of UTC, no daylight saving
  Entry plain{"plain", "x", 0};
  plain.dosDateTime = (((2024 - 1980) << 9 | 5 << 5 | 2) << 16) | (12 << 11 | 0 << 5 | 0);
  Entry stamped = plain;
  stamped.name = "stamped";
  stamped.localExtra = std::string("\x99\x99\x02\x00zz", 6) +
                       TimestampBlock(0x03, {1000000000, 1100000000});
  Entry created = plain;
  created.name = "created";
  created.localExtra = TimestampBlock(0x07, {1000000000, 1100000000, 900000000});
  Entry cutBlock = plain;  // says three times, holds one
  cutBlock.name = "cut";
  cutBlock.localExtra = TimestampBlock(0x07, {1000000000}).substr(0, 9);
  Entry noDate = plain;
  noDate.name = "nodate";
  noDate.dosDateTime = 0;
  const std::string bytesh = Build({plain, stamped, created, cutBlock, noDate});
  HZIPFILE h = OpenBytes(bytesh);
  ASSERT_NE(nullptr, h);
  const long long dosUtc = 1714651200LL - 19800;  // 2024-05-02 12:00 local
  struct Row {
    const char* name;
    long long mtime, atime, ctime;
  } rows[] = {
      {"plain", dosUtc, dosUtc, dosUtc},
      {"stamped", 1000000000, 1100000000, dosUtc},
      {"created", 1000000000, 1100000000, 900000000},
      {"cut", 1000000000, dosUtc, dosUtc},
      {"nodate", -11644473600LL, -11644473600LL, -11644473600LL},  // zero: no time
  };
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(rows[i].name);
    ZIPITEMA item;
    ASSERT_EQ(ZRES_SUCCESS, GetZipItemA(h, i, &item));
    EXPECT_STREQ(rows[i].name, item.name);
    EXPECT_EQ(rows[i].mtime, UnixOf(item.mtime));
    EXPECT_EQ(rows[i].atime, UnixOf(item.atime));
    EXPECT_EQ(rows[i].ctime, UnixOf(item.ctime));
  }
  CloseZipU(h);
}

TEST(UnzipEntriesTest, NamesAreDecodedAndCutAtACharacterBoundary) {
  kavro::test::ScopedAcp acp(1252);
  Entry utf8{"gr\xC3\xBC\xC3\x9F" "e/\xE2\x82\xAC.txt", "x", 0};  // "grüße/€.txt"
  utf8.flags = 0x0800;
  Entry ansi{"caf\xE9.txt", "x", 0};  // "café.txt" in code page 1252
  Entry longUtf8{std::string(258, 'a') + "\xC3\xA9\xC3\xA9", "x", 0};  // 260 characters
  longUtf8.flags = 0x0800;
  Entry nul{std::string("abc\0def", 7), "x", 0};
  const std::string bytesh = Build({utf8, ansi, longUtf8, nul});
  HZIPFILE h = OpenBytes(bytesh);
  ASSERT_NE(nullptr, h);
  struct Row {
    std::string ansi;
    std::wstring wide;
  } rows[] = {
      {"gr\xFC\xDF" "e/\x80.txt", L"grüße/€.txt"},
      {"caf\xE9.txt", L"café.txt"},
      {std::string(258, 'a') + "\xE9", std::wstring(258, L'a') + L"é"},
      {"abc", L"abc"},
  };
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    ZIPITEMA a;
    ZIPITEMW w;
    ASSERT_EQ(ZRES_SUCCESS, GetZipItemA(h, i, &a));
    ASSERT_EQ(ZRES_SUCCESS, GetZipItemW(h, i, &w));
    EXPECT_EQ(rows[i].ansi, std::string(a.name));
    EXPECT_EQ(rows[i].wide, std::wstring(w.name));
  }
  CloseZipU(h);
  {
    // In UTF-8 as the ANSI code page a long name is cut before a character
    // that would not fit whole.
    kavro::test::ScopedAcp utf8Acp(CP_UTF8);
    Entry e{std::string(258, 'b') + "\xE2\x82\xAC", "x", 0};
    const std::string bytesu = Build({e});
    HZIPFILE u = OpenBytes(bytesu);
    ZIPITEMA a;
    ZIPITEMW w;
    ASSERT_EQ(ZRES_SUCCESS, GetZipItemA(u, 0, &a));
    ASSERT_EQ(ZRES_SUCCESS, GetZipItemW(u, 0, &w));
    EXPECT_EQ(std::string(258, 'b'), std::string(a.name));
    EXPECT_EQ(std::wstring(258, L'b') + L"€", std::wstring(w.name));
    CloseZipU(u);
  }
}

TEST(UnzipEntriesTest, EndRecordFoundBehindTheLongestCommentOrAFakeSignature) {
  const std::vector<Entry> entries = {Entry("a.txt", "alpha")};
  struct Row {
    const char* what;
    std::string comment;
  } rows[] = {
      {"longest comment", std::string(65535, 'c')},
      {"signature in the comment", std::string("see PK\x05\x06 and ") + std::string(40, 'x')},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    const std::string bytes = Build(entries, "", r.comment);
    HZIPFILE h = OpenBytes(bytes);
    ASSERT_NE(nullptr, h);
    ZIPITEMA item;
    EXPECT_EQ(ZRES_SUCCESS, GetZipItemA(h, 0, &item));
    EXPECT_STREQ("a.txt", item.name);
    CloseZipU(h);
  }
}

}  // namespace
