// Zip64 archives read: the zip64 end record found through its locator, the
// zip64 extra blocks of central and local headers (only the marked fields,
// in fixed order), data descriptors with 8-byte sizes, more than 65,535
// entries; sizes past 32 bits give ZRES_MEM_SIZE on that entry alone, and
// damaged zip64 records are ZRES_CORRUPT.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "KavroStd/KavroStd.h"
#include "files/zip/zip_peer_tools.h"
#include "support/test_support.h"
#include "unzip_test_archive.h"

namespace kavro::test {
namespace {

using unzip::Build;
using unzip::Entry;
using unzip::Put32;
using unzip::Put64;
using unzip::WithZip64End;
using unzip::Zip64Block;
using unzip::Zip64End;

constexpr uint32_t kMark = 0xFFFFFFFF;

HZIPFILE OpenBytes(const std::string& bytes) {
  return OpenZipU(const_cast<char*>(bytes.data()), static_cast<unsigned int>(bytes.size()),
                  ZIPKIND_MEMORY);
}

// The reading side's last result after a failed open.
ZIPRESULT OpenFailure(const std::string& bytes) {
  HZIPFILE h = OpenBytes(bytes);
  if (h) {
    CloseZipU(h);
    return ZRES_SUCCESS;
  }
  char text[64], corrupt[64];
  FormatZipMessageU(ZRES_RECENT, text, sizeof text);
  FormatZipMessageU(ZRES_CORRUPT, corrupt, sizeof corrupt);
  return std::strcmp(text, corrupt) == 0 ? ZRES_CORRUPT : ZRES_FAILED;
}

// Entry `index` read to memory in pieces of 7 bytes (the last one whole,
// to be cut to the entry's size); `result` is the code that ended it.
std::string ReadEntry(HZIPFILE h, int index, ZIPRESULT& result) {
  std::string out;
  char piece[7];
  while ((result = UnzipItem(h, index, piece, sizeof piece, ZIPKIND_MEMORY)) == ZRES_MORE)
    out.append(piece, sizeof piece);
  return out;
}

// The entry count and, for each entry, name and content (trimmed to the
// listed size), all of it read through the library.
struct Listing {
  int count = -1;
  std::vector<std::string> names;
  std::vector<std::string> contents;
};

Listing ListBytes(const std::string& bytes) {
  Listing l;
  HZIPFILE h = OpenBytes(bytes);
  EXPECT_NE(h, nullptr);
  if (!h) return l;
  ZIPITEMA item;
  EXPECT_EQ(GetZipItemA(h, -1, &item), ZRES_SUCCESS);
  l.count = item.index;
  for (int i = 0; i < l.count; ++i) {
    EXPECT_EQ(GetZipItemA(h, i, &item), ZRES_SUCCESS) << i;
    ZIPRESULT r = ZRES_FAILED;
    std::string content = ReadEntry(h, i, r);
    EXPECT_EQ(r, ZRES_SUCCESS) << i;
    content.resize(std::min<size_t>(content.size(), static_cast<uint32_t>(item.unc_size)));
    l.names.push_back(item.name);
    l.contents.push_back(content);
  }
  CloseZipU(h);
  return l;
}

// A data descriptor: optional signature, CRC, then 8-byte sizes.
std::string Descriptor64(const std::string& content, uint64_t compressed, bool signature) {
  std::string d;
  if (signature) Put32(d, 0x08074B50);
  Put32(d, unzip::Crc(content));
  Put64(d, compressed);
  Put64(d, content.size());
  return d;
}

// Stored entry `name` whose central header marks the fields in `marks`
// ("u" uncompressed size, "c" compressed size, "o" local offset, "d"
// disk), their values in its zip64 block.
Entry Marked(const std::string& name, const std::string& content, const std::string& marks,
             uint64_t offset) {
  Entry e(name, content, 0);
  std::vector<uint64_t> values;
  if (marks.find('u') != std::string::npos) {
    e.uncSize = kMark;
    values.push_back(content.size());
  }
  if (marks.find('c') != std::string::npos) {
    e.compSize = kMark;
    values.push_back(content.size());
  }
  if (marks.find('o') != std::string::npos) {
    e.localOffset = kMark;
    values.push_back(offset);
  }
  e.localCompSize = content.size();
  e.localUncSize = content.size();
  e.centralExtra = Zip64Block(values, marks.find('d') != std::string::npos ? 0 : -1);
  return e;
}

TEST(UnzipZip64, Zip64ExtraBlocksAndDescriptorsReadByteForByte) {
  const std::string text = "zip64 fields, " + std::string(300, 'z');
  const std::string first = "first entry";
  const Entry lead("lead.txt", first, 0);
  const uint64_t second = 30 + lead.name.size() + first.size();  // offset of the second entry

  // The local header marks both sizes and carries them in its block.
  Entry local("local.txt", text, 0);
  local.localCompSize = local.localUncSize = kMark;
  local.localExtra = Zip64Block({text.size(), text.size()});
  local.compSize = local.uncSize = kMark;
  local.centralExtra = Zip64Block({text.size(), text.size()});

  // Streamed: sizes follow the data in a descriptor with 8-byte sizes, the
  // local block holds zeros (as Info-ZIP writes from standard input).
  const std::string packed = unzip::Deflate(text);
  auto streamed = [&](bool signature) {
    Entry e("streamed.txt", text);
    e.flags = 0x0008;
    e.localCompSize = e.localUncSize = kMark;
    e.crc = unzip::Crc(text);
    e.localExtra = Zip64Block({0, 0});
    e.compSize = e.uncSize = kMark;
    e.centralExtra = Zip64Block({text.size(), packed.size()});
    e.afterData = Descriptor64(text, packed.size(), signature);
    return e;
  };
  // A zip64 block without marked fields changes nothing.
  Entry unmarked("unmarked.txt", text, 0);
  unmarked.centralExtra = Zip64Block({1, 2, 3});
  unmarked.localExtra = Zip64Block({4, 5});

  struct Row {
    const char* what;
    Entry entry;
  } rows[] = {
      {"uncompressed size only", Marked("u.txt", text, "u", second)},
      {"compressed size only", Marked("c.txt", text, "c", second)},
      {"local offset only", Marked("o.txt", text, "o", second)},
      {"sizes, offset and disk", Marked("all.txt", text, "ucod", second)},
      {"local block agrees with the central one", local},
      {"descriptor with signature", streamed(true)},
      {"descriptor without signature", streamed(false)},
      {"block without marked fields", unmarked},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    for (bool zip64End : {false, true}) {
      SCOPED_TRACE(zip64End ? "zip64 end record" : "classic end record");
      const std::string bytes = Build({lead, r.entry, Entry("last.txt", "last")});
      const Listing l = ListBytes(zip64End ? WithZip64End(bytes) : bytes);
      ASSERT_EQ(l.count, 3);
      EXPECT_EQ(l.names[1], r.entry.name);
      EXPECT_EQ(l.contents[0], first);
      EXPECT_EQ(l.contents[1], text);
      EXPECT_EQ(l.contents[2], "last");
    }
  }
}

TEST(UnzipZip64, EndRecordLayoutsThatRead) {
  const std::string plain = Build({Entry("a.txt", "alpha"), Entry("b/", "", 0), Entry("c.txt", "gamma")});
  Zip64End noMarkers;
  noMarkers.classicMarkers = false;
  Zip64End extensible;
  extensible.extensible = std::string(24, '\x11');
  Zip64End noDisks;  // some writers leave the locator's disk total at 0
  noDisks.locatorDisks = 0;
  struct Row {
    const char* what;
    std::string bytes;
  } rows[] = {
      {"markers in the classic record", WithZip64End(plain)},
      {"locator without markers", WithZip64End(plain, noMarkers)},
      {"extensible data in the record", WithZip64End(plain, extensible)},
      {"locator's disk total 0", WithZip64End(plain, noDisks)},
      {"bytes in front of the archive", "#!stub\n" + WithZip64End(plain)},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    const Listing l = ListBytes(r.bytes);
    ASSERT_EQ(l.count, 3);
    EXPECT_EQ(l.names, (std::vector<std::string>{"a.txt", "b/", "c.txt"}));
    EXPECT_EQ(l.contents[0], "alpha");
    EXPECT_EQ(l.contents[2], "gamma");
  }
}

TEST(UnzipZip64, DamagedZip64RecordsAreCorrupt) {
  const std::string plain = Build({Entry("a.txt", "alpha"), Entry("b.txt", "beta")});
  const std::string good = WithZip64End(plain);
  auto with = [&](void (*set)(Zip64End&)) {
    Zip64End z;
    set(z);
    return WithZip64End(plain, z);
  };
  std::string shortRest = good;
  shortRest[good.size() - 22 - 20 - 56 + 4] = 40;  // record claims fewer than 44 bytes
  std::string longRest = good;
  longRest[good.size() - 22 - 20 - 56 + 4] = 45;  // record would overlap the locator
  std::string offsetPast = good;
  offsetPast[good.size() - 22 - 20 - 56 + 48] = 0x7F;  // directory offset past the record
  // Classic values (no markers) that are not the zip64 ones.
  Zip64End fewer;
  fewer.entries = 1;
  fewer.classicMarkers = false;
  std::string classicOne = plain;
  classicOne[plain.size() - 22 + 8] = classicOne[plain.size() - 22 + 10] = 1;
  Zip64End two;
  two.entries = 2;
  two.classicMarkers = false;
  std::string classicSize = WithZip64End(plain, two);
  classicSize[classicSize.size() - 22 + 12] ^= 1;
  struct Row {
    const char* what;
    std::string bytes;
  } rows[] = {
      {"locator pointing outside the file", with([](Zip64End& z) { z.locatorOffset = 1LL << 40; })},
      {"locator pointing at the data", with([](Zip64End& z) { z.locatorOffset = 4; })},
      {"locator of another disk", with([](Zip64End& z) { z.locatorDisks = 2; })},
      {"record on another disk", with([](Zip64End& z) { z.recordDisk = 1; })},
      {"count past any directory", with([](Zip64End& z) { z.entries = 1LL << 40; })},
      {"count past an int", with([](Zip64End& z) { z.entries = 1LL << 31; })},
      {"count the directory cannot hold", with([](Zip64End& z) { z.entries = 3; })},
      {"count zero", with([](Zip64End& z) { z.entries = 0; })},
      {"record size too small", shortRest},
      {"record size runs into the locator", longRest},
      {"directory offset past the record", offsetPast},
      {"record cut off", good.substr(0, good.size() - 22 - 20 - 30) + good.substr(good.size() - 42)},
      {"locator only", plain.substr(0, plain.size() - 22) + good.substr(good.size() - 42)},
      {"zip64 count below the classic one", WithZip64End(plain, fewer)},
      {"zip64 count above the classic one", WithZip64End(classicOne, two)},
      {"classic directory size differs", classicSize},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    EXPECT_EQ(OpenFailure(r.bytes), ZRES_CORRUPT);
  }
}

// An entry declaring 5 GiB (no such data in the archive): its record has no
// room for the size, so it gives ZRES_MEM_SIZE with name and times filled
// and the sizes at -1; the entries around it read as usual.
TEST(UnzipZip64, EntryPastFourGibibytesGivesMemSizeAndTheOthersRead) {
  const uint64_t huge = 5ull << 30;
  const std::string empty = unzip::Deflate("");
  Entry big("huge.bin", "");
  big.useData = true;
  big.data = empty;
  big.crc = 0;
  big.uncSize = kMark;
  big.localUncSize = kMark;
  big.centralExtra = Zip64Block({huge});
  big.localCompSize = kMark;
  big.compSize = empty.size();
  big.localExtra = Zip64Block({huge, empty.size()});
  for (bool zip64End : {false, true}) {
    SCOPED_TRACE(zip64End);
    std::string bytes = Build({Entry("a.txt", "alpha"), big, Entry("c.txt", "gamma")});
    if (zip64End) bytes = WithZip64End(bytes);
    HZIPFILE h = OpenBytes(bytes);
    ASSERT_NE(h, nullptr);
    ZIPITEMA a;
    ZIPITEMW w;
    EXPECT_EQ(GetZipItemA(h, 1, &a), ZRES_MEM_SIZE);
    EXPECT_STREQ(a.name, "huge.bin");
    EXPECT_EQ(a.unc_size, -1);
    EXPECT_EQ(a.comp_size, -1);
    EXPECT_NE(a.mtime.dwHighDateTime, 0u);
    EXPECT_EQ(GetZipItemW(h, 1, &w), ZRES_MEM_SIZE);
    EXPECT_STREQ(w.name, L"huge.bin");
    EXPECT_EQ(w.unc_size, -1);
    // The content is read as far as it goes: it ends long before 5 GiB.
    ZIPRESULT r = ZRES_SUCCESS;
    ReadEntry(h, 1, r);
    EXPECT_EQ(r, ZRES_FLATE);
    for (int i : {0, 2}) {
      SCOPED_TRACE(i);
      EXPECT_EQ(GetZipItemA(h, i, &a), ZRES_SUCCESS);
      EXPECT_EQ(ReadEntry(h, i, r).substr(0, 5), i == 0 ? "alpha" : "gamma");
      EXPECT_EQ(r, ZRES_SUCCESS);
    }
    CloseZipU(h);
  }
}

// 70,000 entries (built here, no peer needed) through a zip64 end record
// whose classic counts hold the low 16 bits of the count (4,464): the
// count, every name, and a few contents.
TEST(UnzipZip64, MoreThan65535EntriesListAndExtract) {
  std::vector<Entry> entries;
  for (int i = 0; i < 70000; ++i) entries.emplace_back("e" + std::to_string(i), std::to_string(i), 0);
  Zip64End count;
  count.entries = 70000;
  count.classicMarkers = false;
  const std::string bytes = WithZip64End(Build(entries), count);
  HZIPFILE h = OpenBytes(bytes);
  ASSERT_NE(h, nullptr);
  ZIPITEMA item;
  ASSERT_EQ(GetZipItemA(h, -1, &item), ZRES_SUCCESS);
  EXPECT_EQ(item.index, 70000);
  for (int i : {69999, 0, 65535, 65536, 12345}) {
    SCOPED_TRACE(i);
    ASSERT_EQ(GetZipItemA(h, i, &item), ZRES_SUCCESS);
    EXPECT_EQ(std::string(item.name), "e" + std::to_string(i));
    ZIPRESULT r = ZRES_FAILED;
    EXPECT_EQ(ReadEntry(h, i, r).substr(0, item.unc_size), std::to_string(i));
    EXPECT_EQ(r, ZRES_SUCCESS);
  }
  int named = 0;
  for (int i = 0; i < 70000; ++i) {
    if (GetZipItemA(h, i, &item) == ZRES_SUCCESS && std::string(item.name) == "e" + std::to_string(i))
      ++named;
  }
  EXPECT_EQ(named, 70000);
  CloseZipU(h);
}

class UnzipZip64PeerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    python_ = FindProgram("python3");
    if (python_.empty()) GTEST_SKIP() << "python3 missing";
  }
  void Python(const std::string& script) {
    const ProcessResult run = kavro::test::Run({python_, "-c", script, dir_.Sub("")});
    ASSERT_EQ(run.exitCode, 0) << run.output;
  }
  HZIPFILE OpenFile(const std::string& name) {
    return OpenZipU(const_cast<wchar_t*>(static_cast<LPCWSTR>(dir_.Win(name))), 0, ZIPKIND_FILENAME);
  }
  std::string python_;
  TempDir dir_;
};

// Python's streamed entries (force_zip64): zip64 blocks in the local
// headers and descriptors with 8-byte sizes, extracted to memory, to a file
// and to a handle.
TEST_F(UnzipZip64PeerTest, PythonStreamedEntriesExtractEverywhere) {
  Python(
      "import sys, zipfile\n"
      "d = sys.argv[1]\n"
      "with zipfile.ZipFile(d + 's.zip', 'w') as z:\n"
      "    for name, kind in (('deflated.txt', zipfile.ZIP_DEFLATED), ('stored.bin', zipfile.ZIP_STORED)):\n"
      "        z.compression = kind\n"
      "        with z.open(name, 'w', force_zip64=True) as f:\n"
      "            f.write(bytes(range(256)) * 300 + name.encode())\n");
  HZIPFILE h = OpenFile("s.zip");
  ASSERT_NE(h, nullptr);
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    ZIPITEMW item;
    ASSERT_EQ(GetZipItemW(h, i, &item), ZRES_SUCCESS);
    const std::string name = i == 0 ? "deflated.txt" : "stored.bin";
    std::string expected;
    for (int k = 0; k < 300; ++k)
      for (int b = 0; b < 256; ++b) expected += static_cast<char>(b);
    expected += name;
    EXPECT_EQ(static_cast<size_t>(item.unc_size), expected.size());
    ZIPRESULT r = ZRES_FAILED;
    EXPECT_EQ(ReadEntry(h, i, r).substr(0, expected.size()), expected);
    EXPECT_EQ(r, ZRES_SUCCESS);
    EXPECT_EQ(UnzipItem(h, i, const_cast<wchar_t*>(static_cast<LPCWSTR>(dir_.Win("out.bin"))), 0,
                        ZIPKIND_FILENAME), ZRES_SUCCESS);
    EXPECT_EQ(ReadBytes(dir_.Sub("out.bin")), expected);
    HANDLE handle =
        CreateFileW(dir_.Win("handle.bin"), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    EXPECT_EQ(UnzipItem(h, i, handle, 0, ZIPKIND_HANDLE), ZRES_SUCCESS);
    CloseHandle(handle);
    EXPECT_EQ(ReadBytes(dir_.Sub("handle.bin")), expected);
  }
  CloseZipU(h);
}

// An archive of 70,000 entries written by Python (zip64 end record and
// locator, 0xFFFF in the classic counts) lists completely.
TEST_F(UnzipZip64PeerTest, PythonArchiveOf70000EntriesLists) {
  Python(
      "import sys, zipfile\n"
      "with zipfile.ZipFile(sys.argv[1] + 'big.zip', 'w') as z:\n"
      "    for i in range(70000):\n"
      "        z.writestr('n/%05d' % i, str(i * 7))\n");
  HZIPFILE h = OpenFile("big.zip");
  ASSERT_NE(h, nullptr);
  ZIPITEMA item;
  ASSERT_EQ(GetZipItemA(h, -1, &item), ZRES_SUCCESS);
  EXPECT_EQ(item.index, 70000);
  char name[16];
  int named = 0;
  for (int i = 0; i < 70000; ++i) {
    std::snprintf(name, sizeof name, "n/%05d", i);
    if (GetZipItemA(h, i, &item) == ZRES_SUCCESS && std::strcmp(item.name, name) == 0) ++named;
  }
  EXPECT_EQ(named, 70000);
  for (int i : {69999, 65536, 3}) {
    ZIPRESULT r = ZRES_FAILED;
    EXPECT_EQ(ReadEntry(h, i, r).substr(0, std::to_string(i * 7).size()), std::to_string(i * 7));
    EXPECT_EQ(r, ZRES_SUCCESS);
  }
  CloseZipU(h);
}

}  // namespace
}  // namespace kavro::test
