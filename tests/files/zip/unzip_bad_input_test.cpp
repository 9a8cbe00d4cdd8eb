// Hostile and broken archives: each gives its result code, never a crash
// or a read outside the source; and the handle, kind and message contract.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "KavroStd/KavroStd.h"
#include "support/test_support.h"
#include "unzip_test_archive.h"

namespace {

using kavro::test::unzip::Build;
using kavro::test::unzip::Entry;
using kavro::test::unzip::Put16;
using kavro::test::unzip::Put32;

std::string Patch32(std::string bytes, size_t at, uint32_t value) {
  std::string v;
  Put32(v, value);
  bytes.replace(at, 4, v);
  return bytes;
}
std::string Patch16(std::string bytes, size_t at, uint32_t value) {
  std::string v;
  Put16(v, value);
  bytes.replace(at, 2, v);
  return bytes;
}

// The code whose message is the reading side's last result, or -1 for a
// code outside the table.
ZIPRESULT LastResult() {
  char text[64];
  FormatZipMessageU(ZRES_RECENT, text, sizeof text);
  for (ZIPRESULT code : {ZRES_SUCCESS, ZRES_CORRUPT, ZRES_READ, ZRES_ARGS, ZRES_NO_ALLOC}) {
    char expected[64];
    FormatZipMessageU(code, expected, sizeof expected);
    if (std::strcmp(expected, text) == 0) return code;
  }
  return static_cast<ZIPRESULT>(-1);
}

// Opens `bytes` from memory: ZRES_SUCCESS with the handle in `out` (closed
// when `out` is null), or the reason the open failed.
ZIPRESULT OpenResult(const std::string& bytes, HZIPFILE* out = nullptr) {
  HZIPFILE h = OpenZipU(const_cast<char*>(bytes.data()), static_cast<unsigned int>(bytes.size()),
                        ZIPKIND_MEMORY);
  if (!h) return LastResult();
  if (out) *out = h;
  else CloseZipU(h);
  return ZRES_SUCCESS;
}

const std::string& Good() {
  static const std::string bytes =
      Build({Entry("one.txt", std::string(2000, '1')), Entry("two.txt", "two", 0)});
  return bytes;
}
size_t EndAt() { return Good().size() - 22; }
size_t CentralAt() { return Good().find(std::string("PK\x01\x02", 4)); }

TEST(UnzipBadInputTest, ArchivesThatDoNotOpen) {
  std::string zip64 = Good();
  std::string locator;
  Put32(locator, 0x07064B50);
  zip64.insert(EndAt(), locator + std::string(16, '\0'));  // right before the end record
  struct Row {
    const char* what;
    std::string bytes;
  } rows[] = {
      {"empty", ""},
      {"four bytes", "PK\x05\x06"},
      {"no end record", Good().substr(0, EndAt())},
      {"only an end record", std::string("PK\x05\x06", 4) + std::string(18, '\0')},
      {"empty archive after a prefix", "stub" + std::string("PK\x05\x06", 4) + std::string(18, '\0')},
      {"random bytes", std::string(5000, '\x5A')},
      {"disk number", Patch16(Good(), EndAt() + 4, 1)},
      {"directory disk", Patch16(Good(), EndAt() + 6, 1)},
      {"entry counts differ", Patch16(Good(), EndAt() + 8, 1)},
      {"directory longer than the archive", Patch32(Good(), EndAt() + 12, 0x7FFFFFFF)},
      {"directory offset past its record", Patch32(Good(), EndAt() + 16, 0x7FFFFFFF)},
      {"directory offset of all ones", Patch32(Good(), EndAt() + 16, 0xFFFFFFFF)},
      {"first central signature", Patch32(Good(), CentralAt(), 0x12345678)},
      {"first central name runs out", Patch16(Good(), CentralAt() + 28, 0xFFFF)},
      {"zip64 locator", zip64},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    EXPECT_EQ(ZRES_CORRUPT, OpenResult(r.bytes));
  }
}

TEST(UnzipBadInputTest, EntriesThatAreRefused) {
  const size_t local2 = Good().find(std::string("PK\x03\x04", 4), 4);
  const size_t central2 = Good().find(std::string("PK\x01\x02", 4), CentralAt() + 4);
  // Both sizes marked, the zip64 block holding only one of them.
  Entry zip64Central("z.txt", "z", 0);
  zip64Central.compSize = zip64Central.uncSize = 0xFFFFFFFF;
  zip64Central.centralExtra = std::string("\x01\x00\x08\x00", 4) + std::string("\x01\0\0\0\0\0\0\0", 8);
  zip64Central.localExtra = std::string("\x01\x00\x10\x00", 4) + std::string("\x01\0\0\0\0\0\0\0", 8) +
                            std::string("\x01\0\0\0\0\0\0\0", 8);
  // The local zip64 block speaks of another size than the central header.
  Entry zip64Local("z.txt", "z", 0);
  zip64Local.compSize = zip64Local.uncSize = 0xFFFFFFFF;
  zip64Local.centralExtra = std::string("\x01\x00\x10\x00", 4) + std::string("\x01\0\0\0\0\0\0\0", 8) +
                            std::string("\x01\0\0\0\0\0\0\0", 8);
  zip64Local.localExtra = std::string("\x01\x00\x10\x00", 4) + std::string("\x02\0\0\0\0\0\0\0", 8) +
                          std::string("\x02\0\0\0\0\0\0\0", 8);
  Entry unknownMethod("m.txt", "m", 0);
  unknownMethod.method = 12;
  Entry storedSizes("s.txt", "abc", 0);
  storedSizes.uncSize = 100;
  storedSizes.compSize = 3;
  struct Row {
    const char* what;
    std::string bytes;
    int index;
  } rows[] = {
      {"count claims more entries", Patch16(Patch16(Good(), EndAt() + 8, 60000), EndAt() + 10, 60000), 2},
      {"local offset outside", Patch32(Good(), central2 + 42, 0x7FFFFFF0), 1},
      {"local offset into the directory", Patch32(Good(), central2 + 42, static_cast<uint32_t>(CentralAt())), 1},
      {"local signature", Patch32(Good(), local2, 0), 1},
      {"local method differs", Patch16(Good(), local2 + 8, 8), 1},
      {"local CRC differs", Patch32(Good(), local2 + 14, 7), 1},
      {"local name length differs", Patch16(Good(), local2 + 26, 2), 1},
      {"local extra runs past the data", Patch16(Good(), local2 + 28, 0xFFFF), 1},
      {"size claims gigabytes", Patch32(Patch32(Good(), 18, 0xF0000000), CentralAt() + 20, 0xF0000000), 0},
      {"unknown method", Build({unknownMethod}), 0},
      {"stored sizes differ", Build({storedSizes}), 0},
      {"zip64 central block lacks a marked size", Build({zip64Central}), 0},
      {"zip64 local block disagrees", Build({zip64Local}), 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    HZIPFILE h = nullptr;
    ASSERT_EQ(ZRES_SUCCESS, OpenResult(r.bytes, &h));
    ZIPITEMA a;
    ZIPITEMW w;
    EXPECT_EQ(ZRES_CORRUPT, GetZipItemA(h, r.index, &a));
    EXPECT_EQ(ZRES_CORRUPT, GetZipItemW(h, r.index, &w));
    char buffer[64];
    EXPECT_EQ(ZRES_CORRUPT, UnzipItem(h, r.index, buffer, sizeof buffer, ZIPKIND_MEMORY));
    if (r.index > 0) {
      EXPECT_EQ(ZRES_SUCCESS, GetZipItemA(h, 0, &a));  // the others still read
    }
    CloseZipU(h);
  }
}

TEST(UnzipBadInputTest, EncryptedEntriesAreListedButNotExtracted) {
  Entry secret("secret.txt", "plain", 0);
  secret.flags = 0x0001;
  secret.useData = true;
  secret.data = std::string(17, '\x42');  // 12-byte header + 5 bytes
  secret.compSize = 17;
  const std::string bytes = Build({secret});
  HZIPFILE h = nullptr;
  ASSERT_EQ(ZRES_SUCCESS, OpenResult(bytes, &h));
  ZIPITEMA item;
  EXPECT_EQ(ZRES_SUCCESS, GetZipItemA(h, 0, &item));
  EXPECT_EQ(17, item.comp_size);
  char buffer[64];
  EXPECT_EQ(ZRES_CORRUPT, UnzipItem(h, 0, buffer, sizeof buffer, ZIPKIND_MEMORY));
  CloseZipU(h);
}

TEST(UnzipBadInputTest, EveryTruncationFailsCleanly) {
  // Run under the sanitizers this also shows that nothing is read outside
  // the block.
  const std::string& good = Good();
  for (size_t n = 0; n < good.size(); ++n) {
    std::vector<char> cut(good.begin(), good.begin() + n);  // exact-size block
    HZIPFILE h = OpenZipU(cut.data(), static_cast<unsigned int>(n), ZIPKIND_MEMORY);
    EXPECT_EQ(nullptr, h) << n;
    if (h) CloseZipU(h);
  }
}

TEST(UnzipBadInputTest, HandlesKindsAndSources) {
  kavro::test::TempDir dir;
  EXPECT_EQ(nullptr, OpenZipU(const_cast<wchar_t*>(static_cast<LPCWSTR>(dir.Win("missing.zip"))), 0,
                              ZIPKIND_FILENAME));
  char text[64];
  FormatZipMessageU(ZRES_RECENT, text, sizeof text);
  EXPECT_STREQ("Couldn't create/open file", text);
  struct Row {
    const char* what;
    void* source;
    unsigned int length;
    DWORD flags;
  } rows[] = {
      {"null name", nullptr, 0, ZIPKIND_FILENAME},
      {"null memory with a length", nullptr, 10, ZIPKIND_MEMORY},
      {"folder kind", const_cast<char*>(Good().data()), 10, ZIPKIND_FOLDER},
      {"unknown kind", const_cast<char*>(Good().data()), 10, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    EXPECT_EQ(nullptr, OpenZipU(r.source, r.length, r.flags));
    FormatZipMessageU(ZRES_RECENT, text, sizeof text);
    EXPECT_STREQ("Caller: faulty arguments", text);
  }
  EXPECT_EQ(nullptr, OpenZipU(INVALID_HANDLE_VALUE, 0, ZIPKIND_HANDLE));

  ZIPITEMA item;
  char buffer[8];
  EXPECT_EQ(ZRES_ARGS, GetZipItemA(nullptr, 0, &item));
  EXPECT_EQ(ZRES_ARGS, UnzipItem(nullptr, 0, buffer, 8, ZIPKIND_MEMORY));
  EXPECT_EQ(ZRES_ARGS, CloseZipU(nullptr));
  EXPECT_TRUE(IsZipHandleU(nullptr));
  HZIPFILE writer = CreateZipZ(nullptr, 1024, ZIPKIND_MEMORY);
  ASSERT_NE(nullptr, writer);
  EXPECT_FALSE(IsZipHandleU(writer));
  EXPECT_EQ(ZRES_WRONG_MODE, GetZipItemW(writer, -1, reinterpret_cast<ZIPITEMW*>(buffer)));
  EXPECT_EQ(ZRES_WRONG_MODE, UnzipItem(writer, 0, buffer, 8, ZIPKIND_MEMORY));
  EXPECT_EQ(ZRES_WRONG_MODE, CloseZipU(writer));
  FormatZipMessageU(ZRES_RECENT, text, sizeof text);
  EXPECT_STREQ("Caller: mixing creation and opening of zip", text);
  char one[] = "1";
  EXPECT_EQ(ZRES_SUCCESS, ZipAdd(writer, L"one.txt", one, 1, ZIPKIND_MEMORY));
  CloseZipZ(writer);
  HZIPFILE reader = nullptr;
  ASSERT_EQ(ZRES_SUCCESS, OpenResult(Good(), &reader));
  EXPECT_TRUE(IsZipHandleU(reader));
  EXPECT_EQ(ZRES_SUCCESS, CloseZipU(reader));
}

TEST(UnzipBadInputTest, MessagesAreCutToTheBuffer) {
  char buffer[8];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(24u, FormatZipMessageU(ZRES_ARGS, buffer, 8));
  EXPECT_STREQ("Caller:", buffer);
  EXPECT_EQ(23u, FormatZipMessageU(0x12345678, nullptr, 0));
  EXPECT_EQ(35u, FormatZipMessageU(ZRES_CORRUPT, buffer, 0));
  EXPECT_EQ('C', buffer[0]);  // a size of 0 writes nothing
}

TEST(UnzipBadInputTest, ArchiveCutShortAfterOpenGivesReadErrors) {
  kavro::test::TempDir dir;
  const std::string big = std::string(200000, 'b');
  kavro::test::WriteBytes(dir.Sub("a.zip"), Build({Entry("first", big, 0), Entry("second", big, 0)}));
  HZIPFILE h = OpenZipU(const_cast<wchar_t*>(static_cast<LPCWSTR>(dir.Win("a.zip"))), 0, ZIPKIND_FILENAME);
  ASSERT_NE(nullptr, h);
  ZIPITEMA item;
  ASSERT_EQ(ZRES_SUCCESS, GetZipItemA(h, 0, &item));
  ASSERT_EQ(0, truncate(dir.Sub("a.zip").c_str(), 1000));  // the directory stays loaded
  std::vector<char> buffer(300000);
  EXPECT_EQ(ZRES_FLATE, UnzipItem(h, 0, buffer.data(), 300000, ZIPKIND_MEMORY));
  EXPECT_EQ(ZRES_WRITE, UnzipItem(h, 0, const_cast<wchar_t*>(static_cast<LPCWSTR>(dir.Win("out"))), 0,
                                  ZIPKIND_FILENAME));
  EXPECT_EQ(ZRES_READ, GetZipItemA(h, 1, &item));
  CloseZipU(h);
}

}  // namespace
