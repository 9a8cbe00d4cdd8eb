// Archives written to files: what Python's zipfile and `unzip -t` read back,
// the exact headers, archives behind other data, and the results of bad
// calls.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <map>

#include "files/zip/zip_peer_tools.h"
#include "files/zip/zip_raw_records.h"
#include "support/test_support.h"

namespace kavro::test {
namespace {

std::string TextOf(size_t size) {
  std::string text;
  for (size_t i = 0; text.size() < size; ++i) text += "line " + std::to_string(i % 977) + " of the text\n";
  text.resize(size);
  return text;
}

std::string Message(ZIPRESULT code) {
  char buffer[100];
  FormatZipMessageZ(code, buffer, sizeof buffer);
  return buffer;
}

TEST(ZipWriter, EntriesOfEveryKindReadBackInPeers) {
  TempDir dir;
  const std::string text = TextOf(300000);
  WriteBytes(dir.Sub("a.txt"), text);
  WriteBytes(dir.Sub("inner.ZIP"), "PK\x05\x06 not really compressed");
  WriteBytes(dir.Sub("run.sh"), "#!/bin/sh\necho hi\n");
  chmod(dir.Sub("run.sh").c_str(), 0755);
  WriteBytes(dir.Sub("ro.txt"), "read only");
  chmod(dir.Sub("ro.txt").c_str(), 0444);
  const CString archive = dir.Win("out.zip");
  HZIPFILE zip = CreateZipZ((void*)archive.GetString(), 0, ZIPKIND_FILENAME);
  ASSERT_NE(zip, nullptr);
  EXPECT_TRUE(IsZipHandleZ(zip));

  CString a = dir.Win("a.txt"), inner = dir.Win("inner.ZIP"), run = dir.Win("run.sh"), ro = dir.Win("ro.txt");
  char memory[] = "bytes from memory";
  EXPECT_EQ(ZipAdd(zip, L"docs", nullptr, 0, ZIPKIND_FOLDER), ZRES_SUCCESS);
  EXPECT_EQ(ZipAdd(zip, L"docs\\a.txt", (void*)a.GetString(), 0, ZIPKIND_FILENAME), ZRES_SUCCESS);
  EXPECT_EQ(ZipAdd(zip, L"inner.ZIP", (void*)inner.GetString(), 0, ZIPKIND_FILENAME), ZRES_SUCCESS);
  EXPECT_EQ(ZipAdd(zip, L"bin/run.sh", (void*)run.GetString(), 0, ZIPKIND_FILENAME), ZRES_SUCCESS);
  EXPECT_EQ(ZipAdd(zip, L"ro.txt", (void*)ro.GetString(), 0, ZIPKIND_FILENAME), ZRES_SUCCESS);
  EXPECT_EQ(ZipAdd(zip, L"m.bin", memory, sizeof memory - 1, ZIPKIND_MEMORY), ZRES_SUCCESS);
  HANDLE h = CreateFileW(a, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  SetFilePointer(h, 1000, nullptr, FILE_BEGIN);  // read from the start whatever the position
  EXPECT_EQ(ZipAdd(zip, L"again.txt", h, 0, ZIPKIND_HANDLE), ZRES_SUCCESS);
  CloseHandle(h);
  EXPECT_EQ(CloseZipZ(zip), ZRES_SUCCESS);

  std::string unzip;
  EXPECT_TRUE(UnzipTestPasses(dir.Sub("out.zip"), unzip)) << unzip;
  std::vector<PeerEntry> entries;
  std::string error;
  ASSERT_TRUE(PythonList(dir.Sub("out.zip"), entries, error)) << error;

  struct Expected {
    const char* name;
    int method, flags;
    std::string content;
    uint32_t external;
  };
  const Expected table[] = {
      {"docs/", 0, 0, "", 0x41C00010},
      {"docs/a.txt", 8, 2, text, 0x81800020},
      {"inner.ZIP", 0, 0, "PK\x05\x06 not really compressed", 0x81800020},
      {"bin/run.sh", 8, 2, "#!/bin/sh\necho hi\n", 0x81C00020},
      {"ro.txt", 8, 2, "read only", 0x81000021},
      {"m.bin", 8, 2, "bytes from memory", 0x80000000},
      {"again.txt", 8, 2, text, 0x81800020},
  };
  ASSERT_EQ(entries.size(), std::size(table));
  for (size_t i = 0; i < entries.size(); ++i) {
    SCOPED_TRACE(table[i].name);
    EXPECT_EQ(entries[i].name, table[i].name);
    EXPECT_EQ(entries[i].method, table[i].method);
    EXPECT_EQ(entries[i].flags, table[i].flags);
    EXPECT_EQ(entries[i].size, table[i].content.size());
    EXPECT_TRUE(entries[i].content == table[i].content);
    EXPECT_EQ(entries[i].external, table[i].external);
  }
  EXPECT_LT(entries[1].compressed, text.size() / 5);
}

TEST(ZipWriter, HeadersCarryTheRecordedFields) {
  TempDir dir;
  const CString archive = dir.Win("h.zip");
  HZIPFILE zip = CreateZipZ((void*)archive.GetString(), 0, ZIPKIND_FILENAME);
  ASSERT_NE(zip, nullptr);
  std::string data = TextOf(5000);
  ASSERT_EQ(ZipAdd(zip, L"x\\y.txt", data.data(), data.size(), ZIPKIND_MEMORY), ZRES_SUCCESS);
  ASSERT_EQ(ZipAdd(zip, L"s.gz", data.data(), 100, ZIPKIND_MEMORY), ZRES_SUCCESS);
  ASSERT_EQ(ZipAdd(zip, L"f/", nullptr, 0, ZIPKIND_FOLDER), ZRES_SUCCESS);
  ASSERT_EQ(CloseZipZ(zip), ZRES_SUCCESS);

  const std::string bytes = ReadBytes(dir.Sub("h.zip"));
  RawArchive raw = ParseArchive(bytes);
  ASSERT_TRUE(raw.ok);
  ASSERT_EQ(raw.count, 3);
  const char* names[] = {"x/y.txt", "s.gz", "f/"};
  for (size_t i = 0; i < 3; ++i) {
    const RawEntry& e = raw.entries[i];
    SCOPED_TRACE(names[i]);
    EXPECT_EQ(e.name, names[i]);
    EXPECT_EQ(e.localName, e.name);
    EXPECT_EQ(e.madeBy, 0x0B17);
    EXPECT_EQ(e.localFlags, e.flags);
    EXPECT_EQ(e.localMethod, e.method);
    EXPECT_EQ(e.localCrc, e.crc);
    EXPECT_EQ(e.localCompressed, e.compressed);
    EXPECT_EQ(e.localSize, e.size);
    // The local block carries all three times, the central one the first.
    ASSERT_EQ(e.localExtra.size(), 17u);
    ASSERT_EQ(e.extra.size(), 9u);
    EXPECT_EQ(e.localExtra.substr(0, 5), std::string("UT\x0d\x00\x07", 5));
    EXPECT_EQ(e.extra.substr(0, 5), std::string("UT\x05\x00\x07", 5));
    EXPECT_EQ(e.extra.substr(5), e.localExtra.substr(5, 4));
    EXPECT_EQ(e.localExtra.substr(5, 4), e.localExtra.substr(9, 4));  // "now" for memory
  }
  EXPECT_EQ(raw.entries[0].flags, 2);
  EXPECT_EQ(raw.entries[0].method, 8);
  EXPECT_EQ(raw.entries[1].method, 0);
  EXPECT_EQ(raw.entries[1].compressed, 100u);
  EXPECT_EQ(raw.entries[2].size, 0u);
  EXPECT_EQ(raw.entries[1].offset, raw.entries[0].dataStart + raw.entries[0].compressed);
  EXPECT_EQ(raw.directoryOffset, raw.entries[2].dataStart);
}

TEST(ZipWriter, ArchiveBehindOtherDataRecordsItsOffsetsFromTheFileStart) {
  TempDir dir;
  WriteBytes(dir.Sub("stub.zip"), std::string(1000, 'x'));
  CString path = dir.Win("stub.zip");
  HANDLE h = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  SetFilePointer(h, 0, nullptr, FILE_END);
  HZIPFILE zip = CreateZipZ(h, 0, ZIPKIND_HANDLE);
  CloseHandle(h);  // the archive keeps its own duplicate
  ASSERT_NE(zip, nullptr);
  std::string data = TextOf(20000);
  EXPECT_EQ(ZipAdd(zip, L"one.txt", data.data(), data.size(), ZIPKIND_MEMORY), ZRES_SUCCESS);
  EXPECT_EQ(ZipAdd(zip, L"two.txt", data.data(), 10, ZIPKIND_MEMORY), ZRES_SUCCESS);
  EXPECT_EQ(CloseZipZ(zip), ZRES_SUCCESS);

  const std::string bytes = ReadBytes(dir.Sub("stub.zip"));
  EXPECT_EQ(bytes.substr(0, 1000), std::string(1000, 'x'));
  RawArchive raw = ParseArchive(bytes);
  ASSERT_TRUE(raw.ok);
  EXPECT_EQ(raw.entries[0].offset, 1000u);
  std::vector<PeerEntry> entries;
  std::string error;
  ASSERT_TRUE(PythonList(dir.Sub("stub.zip"), entries, error)) << error;
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_TRUE(entries[0].content == data);
  EXPECT_EQ(entries[1].content, data.substr(0, 10));
  std::string unzip;
  EXPECT_TRUE(UnzipTestPasses(dir.Sub("stub.zip"), unzip)) << unzip;
}

TEST(ZipWriter, ArchiveWithoutEntriesIsTheEndRecordAlone) {
  TempDir dir;
  const CString archive = dir.Win("empty.zip");
  HZIPFILE zip = CreateZipZ((void*)archive.GetString(), 0, ZIPKIND_FILENAME);
  ASSERT_NE(zip, nullptr);
  EXPECT_EQ(CloseZipZ(zip), ZRES_SUCCESS);
  EXPECT_EQ(ReadBytes(dir.Sub("empty.zip")), std::string("PK\x05\x06", 4) + std::string(18, '\0'));
}

TEST(ZipWriter, NamesBeyondAsciiAreMarkedUtf8WhenTheCodePageIsUtf8) {
  TempDir dir;
  for (UINT codePage : {65001u, 1252u}) {
    SCOPED_TRACE(codePage);
    ScopedAcp acp(codePage);
    const CString archive = dir.Win("names.zip");
    HZIPFILE zip = CreateZipZ((void*)archive.GetString(), 0, ZIPKIND_FILENAME);
    ASSERT_NE(zip, nullptr);
    EXPECT_EQ(ZipAdd(zip, L"gr\u00FC\u00DFe.txt", (void*)"x", 1, ZIPKIND_MEMORY), ZRES_SUCCESS);
    EXPECT_EQ(ZipAdd(zip, L"plain.txt", (void*)"x", 1, ZIPKIND_MEMORY), ZRES_SUCCESS);
    // A name the code page cannot show is refused, never stored with '?'.
    EXPECT_EQ(ZipAdd(zip, L"\u4E2D.txt", (void*)"x", 1, ZIPKIND_MEMORY),
              codePage == 1252u ? ZRES_ARGS : ZRES_SUCCESS);
    EXPECT_EQ(CloseZipZ(zip), ZRES_SUCCESS);
    RawArchive raw = ParseArchive(ReadBytes(dir.Sub("names.zip")));
    ASSERT_TRUE(raw.ok);
    const RawEntry& special = raw.entries[0];
    if (codePage == 65001u) {
      EXPECT_EQ(special.name, "gr\xC3\xBC\xC3\x9F" "e.txt");
      EXPECT_EQ(special.flags & 0x0800, 0x0800);
      EXPECT_EQ(special.localFlags & 0x0800, 0x0800);
      std::vector<PeerEntry> entries;
      std::string error;
      ASSERT_TRUE(PythonList(dir.Sub("names.zip"), entries, error)) << error;
      EXPECT_EQ(entries[0].name, "gr\xC3\xBC\xC3\x9F" "e.txt");
      EXPECT_EQ(entries[2].name, "\xE4\xB8\xAD.txt");
    } else {
      EXPECT_EQ(special.name, "gr\xFC\xDF" "e.txt");
      EXPECT_EQ(special.flags & 0x0800, 0);
    }
    EXPECT_EQ(raw.entries[1].flags & 0x0800, 0);
  }
}

TEST(ZipWriter, BadCallsAreRefusedWithTheirCodes) {
  TempDir dir;
  EXPECT_EQ(ZipAdd(nullptr, L"a", (void*)"x", 1, ZIPKIND_MEMORY), ZRES_ARGS);
  EXPECT_EQ(CloseZipZ(nullptr), ZRES_ARGS);
  EXPECT_EQ(Message(ZRES_RECENT), "Caller: faulty arguments");
  EXPECT_TRUE(IsZipHandleZ(nullptr));

  struct CreateCase {
    const char* what;
    void* target;
    unsigned int length;
    DWORD flags;
    ZIPRESULT code;
  };
  CString missing = dir.Win("no\\such\\folder\\a.zip");
  const CreateCase creates[] = {
      {"memory of no length", nullptr, 0, ZIPKIND_MEMORY, ZRES_MEM_SIZE},
      {"unknown kind", nullptr, 10, 7, ZRES_ARGS},
      {"folder kind", nullptr, 10, ZIPKIND_FOLDER, ZRES_ARGS},
      {"file in a missing folder", (void*)missing.GetString(), 0, ZIPKIND_FILENAME, ZRES_NO_FILE},
      {"invalid handle", INVALID_HANDLE_VALUE, 0, ZIPKIND_HANDLE, ZRES_NO_DUPLICATE},
  };
  for (const CreateCase& c : creates) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(CreateZipZ(c.target, c.length, c.flags), nullptr);
    EXPECT_EQ(Message(ZRES_RECENT), Message(c.code));
  }

  HZIPFILE zip = CreateZipZ(nullptr, 1000, ZIPKIND_MEMORY);
  ASSERT_NE(zip, nullptr);
  CString longest(L'n', 259), tooLong(L'n', 260), folderLong(L'n', 259);
  CString missingFile = dir.Win("missing.txt"), folder = dir.Win("");
  struct AddCase {
    const char* what;
    const wchar_t* name;
    void* source;
    unsigned int length;
    DWORD flags;
    ZIPRESULT code;
  };
  const AddCase adds[] = {
      {"null name", nullptr, (void*)"x", 1, ZIPKIND_MEMORY, ZRES_ARGS},
      {"empty name", L"", (void*)"x", 1, ZIPKIND_MEMORY, ZRES_ARGS},
      {"name of 260 bytes", tooLong, (void*)"x", 1, ZIPKIND_MEMORY, ZRES_ARGS},
      {"folder name of 260 with its slash", folderLong, nullptr, 0, ZIPKIND_FOLDER, ZRES_ARGS},
      {"null memory", L"a", nullptr, 1, ZIPKIND_MEMORY, ZRES_ARGS},
      {"memory of no length", L"a", (void*)"x", 0, ZIPKIND_MEMORY, ZRES_ARGS},
      {"unknown kind", L"a", (void*)"x", 1, 9, ZRES_ARGS},
      {"missing file", L"a", (void*)missingFile.GetString(), 0, ZIPKIND_FILENAME, ZRES_NO_FILE},
      {"a folder as the file", L"a", (void*)folder.GetString(), 0, ZIPKIND_FILENAME, ZRES_NO_FILE},
      {"null handle", L"a", nullptr, 0, ZIPKIND_HANDLE, ZRES_ARGS},
      {"invalid handle", L"a", INVALID_HANDLE_VALUE, 0, ZIPKIND_HANDLE, ZRES_ARGS},
      {"name of 259 bytes", longest, (void*)"x", 1, ZIPKIND_MEMORY, ZRES_SUCCESS},
  };
  for (const AddCase& c : adds) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ZipAdd(zip, c.name, c.source, c.length, c.flags), c.code);
    EXPECT_EQ(Message(ZRES_RECENT), Message(c.code));
  }
  void* base = nullptr;
  unsigned int length = 0;
  ASSERT_EQ(ZipGetMemory(zip, &base, &length), ZRES_SUCCESS);
  RawArchive raw = ParseArchive(std::string(static_cast<char*>(base), length));
  ASSERT_TRUE(raw.ok);
  ASSERT_EQ(raw.count, 1);  // the refused additions left nothing behind
  EXPECT_EQ(raw.entries[0].name, std::string(259, 'n'));
  EXPECT_EQ(ZipAdd(zip, L"late", (void*)"x", 1, ZIPKIND_MEMORY), ZRES_ENDED);

  // A handle of the reading side is not one of this side's.
  HZIPFILE reading = OpenZipU(base, length, ZIPKIND_MEMORY);
  ASSERT_NE(reading, nullptr);
  EXPECT_FALSE(IsZipHandleZ(reading));
  EXPECT_EQ(ZipAdd(reading, L"a", (void*)"x", 1, ZIPKIND_MEMORY), ZRES_WRONG_MODE);
  EXPECT_EQ(ZipGetMemory(reading, &base, &length), ZRES_WRONG_MODE);
  EXPECT_EQ(CloseZipZ(reading), ZRES_WRONG_MODE);
  EXPECT_EQ(AddFolderContent(reading, dir.Win(), L"x"), FALSE);
  EXPECT_EQ(Message(ZRES_RECENT), "Caller: mixing creation and opening of zip");
  EXPECT_EQ(CloseZipU(reading), ZRES_SUCCESS);
  EXPECT_EQ(CloseZipZ(zip), ZRES_SUCCESS);
}

}  // namespace
}  // namespace kavro::test
