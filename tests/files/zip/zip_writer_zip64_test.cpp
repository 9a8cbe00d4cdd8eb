// The writer past 65,535 entries: the zip64 end record and its locator in
// front of the end record (whose counts then hold 0xFFFF), read by Info-ZIP
// and Python; up to 65,535 entries the archive's bytes stay as they were.
#include <zlib.h>

#include <gtest/gtest.h>

#include <string>

#include "KavroStd/KavroStd.h"
#include "files/zip/zip_peer_tools.h"
#include "files/zip/zip_raw_records.h"
#include "support/test_support.h"

namespace kavro::test {
namespace {

// A memory archive of `count` entries: every 1,000th a small deflated file
// "f/N.txt" holding "entry N", the others empty folders "d/N/".
std::string WriteArchive(int count) {
  HZIPFILE zip = CreateZipZ(nullptr, 1 << 24, ZIPKIND_MEMORY);
  EXPECT_NE(zip, nullptr);
  for (int i = 0; i < count; ++i) {
    const std::string n = std::to_string(i);
    if (i % 1000 == 0) {
      std::string content = "entry " + n;
      const CString name(("f/" + n + ".txt").c_str());
      EXPECT_EQ(ZipAdd(zip, name, content.data(), static_cast<unsigned>(content.size()),
                       ZIPKIND_MEMORY), ZRES_SUCCESS) << i;
    } else {
      EXPECT_EQ(ZipAdd(zip, CString(("d/" + n).c_str()), nullptr, 0, ZIPKIND_FOLDER), ZRES_SUCCESS)
          << i;
    }
  }
  void* base = nullptr;
  unsigned int length = 0;
  EXPECT_EQ(ZipGetMemory(zip, &base, &length), ZRES_SUCCESS);
  std::string bytes(static_cast<char*>(base), length);
  CloseZipZ(zip);
  return bytes;
}

uint64_t Le64(const std::string& b, size_t at) {
  return uint64_t(Le32(b, at)) | (uint64_t(Le32(b, at + 4)) << 32);
}

// The bytes with every time zeroed (DOS date and time, the times of the
// "UT" blocks), so that archives made at different moments compare.
std::string WithoutTimes(std::string b) {
  const size_t end = b.size() - 22;
  size_t central = Le32(b, end + 16);
  const auto zero = [&b](size_t from, size_t to) {
    for (size_t i = from; i < to; ++i) b[i] = 0;
  };
  for (int i = 0; i < Le16(b, end + 10); ++i) {
    const size_t local = Le32(b, central + 42);
    const size_t localName = Le16(b, local + 26), localExtra = Le16(b, local + 28);
    zero(local + 10, local + 14);
    zero(local + 30 + localName + 5, local + 30 + localName + localExtra);
    const size_t name = Le16(b, central + 28), extra = Le16(b, central + 30);
    zero(central + 12, central + 16);
    zero(central + 46 + name + 5, central + 46 + name + extra);
    central += 46 + name + extra + Le16(b, central + 32);
  }
  return b;
}

constexpr size_t kGoldenSize = 345987;
constexpr uLong kGoldenCrc = 0x0053D321;

TEST(ZipWriterZip64, SmallArchiveBytesAreUnchanged) {
  const std::string bytes = WithoutTimes(WriteArchive(3001));
  const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(bytes.data()),
                          static_cast<uInt>(bytes.size()));
  // Pinned from the writer as it was before zip64 end records existed.
  EXPECT_EQ(bytes.size(), kGoldenSize);
  EXPECT_EQ(crc, kGoldenCrc);
}

TEST(ZipWriterZip64, Zip64EndRecordsOnlyPastTheClassicCount) {
  struct Row {
    int count;
    bool zip64;
  } rows[] = {{65535, false}, {65536, true}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.count);
    const std::string b = WriteArchive(r.count);
    const size_t end = b.size() - 22;
    ASSERT_EQ(Le32(b, end), 0x06054B50u);
    EXPECT_EQ(Le16(b, end + 10), r.zip64 ? 0xFFFF : r.count);
    EXPECT_EQ(Le32(b, end - 20) == 0x07064B50u, r.zip64);
    if (!r.zip64) continue;
    const size_t record = Le64(b, end - 20 + 8);
    ASSERT_EQ(record, end - 20 - 56);
    EXPECT_EQ(Le32(b, record), 0x06064B50u);
    EXPECT_EQ(Le64(b, record + 4), 44u);
    EXPECT_EQ(Le64(b, record + 24), static_cast<uint64_t>(r.count));
    EXPECT_EQ(Le64(b, record + 32), static_cast<uint64_t>(r.count));
    EXPECT_EQ(Le64(b, record + 40), record - Le64(b, record + 48));  // directory ends at it
    EXPECT_EQ(Le32(b, end + 12), Le64(b, record + 40));               // sizes that fit stay
    EXPECT_EQ(Le32(b, end + 16), Le64(b, record + 48));
  }
}

// 70,000 entries written to a file, read back by this library, Python's
// zipfile, `unzip -t` and zipinfo.
TEST(ZipWriterZip64, SeventyThousandEntriesReadByThePeers) {
  TempDir dir;
  WriteBytes(dir.Sub("big.zip"), WriteArchive(70000));

  HZIPFILE zip = OpenZipU(const_cast<wchar_t*>(static_cast<LPCWSTR>(dir.Win("big.zip"))), 0,
                          ZIPKIND_FILENAME);
  ASSERT_NE(zip, nullptr);
  ZIPITEMA item;
  ASSERT_EQ(GetZipItemA(zip, -1, &item), ZRES_SUCCESS);
  EXPECT_EQ(item.index, 70000);
  for (int i : {0, 69000, 69999}) {
    SCOPED_TRACE(i);
    ASSERT_EQ(GetZipItemA(zip, i, &item), ZRES_SUCCESS);
    const std::string n = std::to_string(i);
    EXPECT_EQ(std::string(item.name), i % 1000 ? "d/" + n + "/" : "f/" + n + ".txt");
    char buffer[64];
    if (i % 1000 == 0) {
      ASSERT_EQ(UnzipItem(zip, i, buffer, sizeof buffer, ZIPKIND_MEMORY), ZRES_MORE);
      EXPECT_EQ(std::string(buffer, item.unc_size), "entry " + n);
    }
    EXPECT_EQ(UnzipItem(zip, i, buffer, sizeof buffer, ZIPKIND_MEMORY), ZRES_SUCCESS);
  }
  CloseZipU(zip);

  const std::string python = FindProgram("python3");
  if (python.empty() || FindProgram("unzip").empty() || FindProgram("zipinfo").empty())
    GTEST_SKIP() << "python3, unzip or zipinfo missing";
  const ProcessResult py = kavro::test::Run({python, "-c",
                                "import sys, zipfile\n"
                                "z = zipfile.ZipFile(sys.argv[1])\n"
                                "print(len(z.infolist()), z.read('f/69000.txt').decode())\n",
                                dir.Sub("big.zip")});
  EXPECT_EQ(py.exitCode, 0) << py.output;
  EXPECT_EQ(py.output, "70000 entry 69000\n");
  std::string output;
  EXPECT_TRUE(UnzipTestPasses(dir.Sub("big.zip"), output)) << output;
  const ProcessResult info = kavro::test::Run({FindProgram("zipinfo"), "-t", dir.Sub("big.zip")});
  EXPECT_EQ(info.exitCode, 0) << info.output;
  EXPECT_NE(info.output.find("70000 files"), std::string::npos) << info.output;
}

}  // namespace
}  // namespace kavro::test
