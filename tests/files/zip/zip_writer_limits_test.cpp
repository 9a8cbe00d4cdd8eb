// What the 32-bit records cannot hold is refused: inputs of 4 GiB or more,
// entries whose data would end past a 32-bit offset (counts past 65,535
// go to zip64 end records, see zip_writer_zip64_test.cpp). A
// refused addition leaves the archive readable; a failed write or a passed
// bound makes every later addition fail.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "files/zip/zip_peer_tools.h"
#include "files/zip/zip_raw_records.h"
#include "support/test_support.h"

namespace kavro::test {
namespace {

TEST(ZipWriterLimits, InputOfFourGibibytesIsRefusedBeforeAnythingIsWritten) {
  TempDir dir;
  WriteBytes(dir.Sub("big.bin"), "");
  ASSERT_EQ(truncate(dir.Sub("big.bin").c_str(), 1ll << 32), 0);  // sparse
  HZIPFILE zip = CreateZipZ(nullptr, 4096, ZIPKIND_MEMORY);
  ASSERT_NE(zip, nullptr);
  const CString big = dir.Win("big.bin");
  EXPECT_EQ(ZipAdd(zip, L"big.bin", (void*)big.GetString(), 0, ZIPKIND_FILENAME), ZRES_ARGS);
  EXPECT_EQ(ZipAdd(zip, L"small.txt", (void*)"x", 1, ZIPKIND_MEMORY), ZRES_SUCCESS);
  void* base = nullptr;
  unsigned int length = 0;
  ASSERT_EQ(ZipGetMemory(zip, &base, &length), ZRES_SUCCESS);
  RawArchive raw = ParseArchive(std::string(static_cast<char*>(base), length));
  ASSERT_TRUE(raw.ok);
  ASSERT_EQ(raw.count, 1);
  EXPECT_EQ(raw.entries[0].offset, 0u);
  EXPECT_EQ(CloseZipZ(zip), ZRES_SUCCESS);
}

TEST(ZipWriterLimits, EntryEndingPastA32BitOffsetFailsAndLeavesTheArchiveReadable) {
  TempDir dir;
  const uint32_t start = 0xFFFFFF00u;
  WriteBytes(dir.Sub("far.zip"), "");
  ASSERT_EQ(truncate(dir.Sub("far.zip").c_str(), start), 0);
  const CString path = dir.Win("far.zip");
  HANDLE h = CreateFileW(path, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  SetFilePointer(h, 0, nullptr, FILE_END);
  HZIPFILE zip = CreateZipZ(h, 0, ZIPKIND_HANDLE);
  CloseHandle(h);
  ASSERT_NE(zip, nullptr);
  const std::string fits = "ten bytes.", tooMuch(300, 'b');
  EXPECT_EQ(ZipAdd(zip, L"a.zip", (void*)fits.data(), fits.size(), ZIPKIND_MEMORY), ZRES_SUCCESS);
  EXPECT_EQ(ZipAdd(zip, L"b.zip", (void*)tooMuch.data(), tooMuch.size(), ZIPKIND_MEMORY), ZRES_ARGS);
  EXPECT_EQ(ZipAdd(zip, L"c.zip", (void*)"c", 1, ZIPKIND_MEMORY), ZRES_FAILED);
  EXPECT_EQ(CloseZipZ(zip), ZRES_FAILED);

  // The failed entry was cut off again: the first one, its directory and
  // the end record follow the start directly.
  const off_t size = 52 + 10 + 60 + 22;
  struct stat info;
  ASSERT_EQ(stat(dir.Sub("far.zip").c_str(), &info), 0);
  EXPECT_EQ(info.st_size, off_t(start) + size);
  std::vector<PeerEntry> entries;
  std::string error;
  ASSERT_TRUE(PythonList(dir.Sub("far.zip"), entries, error)) << error;
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].content, fits);
}

TEST(ZipWriterLimits, FailedWriteMakesTheArchiveFailFromThenOn) {
  if (!Exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  HZIPFILE zip = CreateZipZ((void*)L"/dev/full", 0, ZIPKIND_FILENAME);
  ASSERT_NE(zip, nullptr);
  const std::string big(3 << 20, 'x');
  EXPECT_EQ(ZipAdd(zip, L"big.zip", (void*)big.data(), big.size(), ZIPKIND_MEMORY), ZRES_WRITE);
  EXPECT_EQ(ZipAdd(zip, L"small.txt", (void*)"x", 1, ZIPKIND_MEMORY), ZRES_FAILED);
  char text[100];
  FormatZipMessageZ(ZRES_RECENT, text, sizeof text);
  EXPECT_STREQ(text, "Caller: there was a previous error");
  EXPECT_NE(CloseZipZ(zip), ZRES_SUCCESS);
}

}  // namespace
}  // namespace kavro::test
