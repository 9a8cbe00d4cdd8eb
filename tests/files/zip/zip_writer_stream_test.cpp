// Archives written through a pipe (data descriptors, no seeking) and into
// memory (the caller's block or the library's own), handed back by
// ZipGetMemory.
#include <gtest/gtest.h>

#include <thread>

#include "files/zip/zip_peer_tools.h"
#include "files/zip/zip_raw_records.h"
#include "support/test_support.h"

namespace kavro::test {
namespace {

std::string Noise(size_t size, uint32_t seed) {
  std::string out(size, '\0');
  for (char& c : out) {
    seed = seed * 1103515245u + 12345u;
    c = static_cast<char>(seed >> 23);
  }
  return out;
}

// Everything a pipe's read end delivers until its writers are gone.
std::thread Drain(HANDLE readEnd, std::string& into) {
  return std::thread([readEnd, &into] {
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got != 0) into.append(buffer, got);
  });
}

TEST(ZipWriterStream, PipeOutputWritesDataDescriptors) {
  TempDir dir;
  HANDLE archiveRead, archiveWrite;
  ASSERT_TRUE(CreatePipe(&archiveRead, &archiveWrite, nullptr, 0));
  std::string archive;
  std::thread drain = Drain(archiveRead, archive);
  HZIPFILE zip = CreateZipZ(archiveWrite, 0, ZIPKIND_HANDLE);
  CloseHandle(archiveWrite);
  ASSERT_NE(zip, nullptr);

  const std::string text(400000, 'q'), noise = Noise(3000, 7);
  EXPECT_EQ(ZipAdd(zip, L"a.txt", (void*)text.data(), text.size(), ZIPKIND_MEMORY), ZRES_SUCCESS);
  EXPECT_EQ(ZipAdd(zip, L"n.zip", (void*)noise.data(), noise.size(), ZIPKIND_MEMORY), ZRES_SUCCESS);
  EXPECT_EQ(ZipAdd(zip, L"d", nullptr, 0, ZIPKIND_FOLDER), ZRES_SUCCESS);

  // An input pipe of unknown size: deflated fine, stored refused up front.
  HANDLE inRead, inWrite;
  ASSERT_TRUE(CreatePipe(&inRead, &inWrite, nullptr, 0));
  const std::string piped = Noise(200000, 3) + std::string(200000, 'z');
  std::thread feed([&] {
    DWORD done = 0;
    WriteFile(inWrite, piped.data(), static_cast<DWORD>(piped.size()), &done, nullptr);
    CloseHandle(inWrite);
  });
  EXPECT_EQ(ZipAdd(zip, L"p.gz", inRead, 0, ZIPKIND_HANDLE), ZRES_NO_CHANGE);
  EXPECT_EQ(ZipAdd(zip, L"p.bin", inRead, 0, ZIPKIND_HANDLE), ZRES_SUCCESS);
  feed.join();
  CloseHandle(inRead);
  EXPECT_EQ(CloseZipZ(zip), ZRES_SUCCESS);
  drain.join();
  CloseHandle(archiveRead);

  RawArchive raw = ParseArchive(archive);
  ASSERT_TRUE(raw.ok);
  ASSERT_EQ(raw.count, 4);
  for (const RawEntry& e : raw.entries) {
    SCOPED_TRACE(e.name);
    EXPECT_EQ(e.flags, 8);
    EXPECT_EQ(e.localFlags, 8);
    const size_t d = e.dataStart + e.compressed;
    ASSERT_LE(d + 16, archive.size());
    EXPECT_EQ(Le32(archive, d), 0x08074B50u);
    EXPECT_EQ(Le32(archive, d + 4), e.crc);
    EXPECT_EQ(Le32(archive, d + 8), e.compressed);
    EXPECT_EQ(Le32(archive, d + 12), e.size);
  }
  EXPECT_EQ(raw.entries[1].localCompressed, noise.size());  // announced before the data
  EXPECT_EQ(raw.entries[3].size, piped.size());

  WriteBytes(dir.Sub("pipe.zip"), archive);
  std::string unzip;
  EXPECT_TRUE(UnzipTestPasses(dir.Sub("pipe.zip"), unzip)) << unzip;
  std::vector<PeerEntry> entries;
  std::string error;
  ASSERT_TRUE(PythonList(dir.Sub("pipe.zip"), entries, error)) << error;
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_TRUE(entries[0].content == text);
  EXPECT_TRUE(entries[1].content == noise);
  EXPECT_EQ(entries[2].name, "d/");
  EXPECT_TRUE(entries[3].content == piped);
  EXPECT_EQ(entries[3].external, 0x80000000u);
}

TEST(ZipWriterStream, MemoryArchivesAreHandedBack) {
  TempDir dir;
  const std::string text = Noise(20000, 11);
  struct Case {
    const char* what;
    size_t block;  // 0: the library's own block
    unsigned int length;
    bool staysInBlock;
  };
  const Case cases[] = {
      {"caller's block with room", 65536, 65536, true},
      {"caller's block too small", 64, 64, false},
      {"own block that must grow", 0, 16, false},
      {"own block with room", 0, 1 << 20, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<char> block(c.block);
    HZIPFILE zip = CreateZipZ(c.block ? block.data() : nullptr, c.length, ZIPKIND_MEMORY);
    ASSERT_NE(zip, nullptr);
    EXPECT_EQ(ZipAdd(zip, L"t.txt", (void*)text.data(), text.size(), ZIPKIND_MEMORY), ZRES_SUCCESS);
    EXPECT_EQ(ZipAdd(zip, L"t.zip", (void*)text.data(), text.size(), ZIPKIND_MEMORY), ZRES_SUCCESS);
    void* base = nullptr;
    unsigned int length = 0;
    ASSERT_EQ(ZipGetMemory(zip, &base, &length), ZRES_SUCCESS);
    if (c.block != 0) {
      EXPECT_EQ(base == block.data(), c.staysInBlock);
    }
    void* again = nullptr;
    unsigned int againLength = 0;
    EXPECT_EQ(ZipGetMemory(zip, &again, &againLength), ZRES_SUCCESS);
    EXPECT_EQ(again, base);
    EXPECT_EQ(againLength, length);
    EXPECT_EQ(ZipAdd(zip, L"late.txt", (void*)"x", 1, ZIPKIND_MEMORY), ZRES_ENDED);
    WriteBytes(dir.Sub("m.zip"), std::string(static_cast<char*>(base), length));
    EXPECT_EQ(CloseZipZ(zip), ZRES_SUCCESS);

    std::vector<PeerEntry> entries;
    std::string error;
    ASSERT_TRUE(PythonList(dir.Sub("m.zip"), entries, error)) << error;
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_TRUE(entries[0].content == text);
    EXPECT_TRUE(entries[1].content == text);
    EXPECT_EQ(entries[1].method, 0);
  }
}

TEST(ZipWriterStream, GetMemoryNeedsAMemoryArchive) {
  TempDir dir;
  const CString path = dir.Win("f.zip");
  HZIPFILE zip = CreateZipZ((void*)path.GetString(), 0, ZIPKIND_FILENAME);
  ASSERT_NE(zip, nullptr);
  void* base = nullptr;
  unsigned int length = 0;
  EXPECT_EQ(ZipGetMemory(zip, &base, &length), ZRES_NOT_MEM_ZIP);
  EXPECT_EQ(ZipAdd(zip, L"still.txt", (void*)"x", 1, ZIPKIND_MEMORY), ZRES_SUCCESS);
  EXPECT_EQ(ZipGetMemory(nullptr, &base, &length), ZRES_ARGS);
  EXPECT_EQ(ZipGetMemory(zip, nullptr, &length), ZRES_ARGS);
  EXPECT_EQ(CloseZipZ(zip), ZRES_SUCCESS);
}

}  // namespace
}  // namespace kavro::test
