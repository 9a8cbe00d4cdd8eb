// Version resources of PE files: the fixed information, translations and
// texts of executables made by the MinGW-w64 binutils (32- and 64-bit), the
// errors for files without one, and damaged copies of a good executable.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "support/test_support.h"

namespace {

using kavro::test::ReadBytes;
using kavro::test::TempDir;
using kavro::test::WriteBytes;

const std::string kFixtures = std::string(KAVRO_SOURCE_DIR) + "/tests/platform/fixtures/pe/";

std::string Fixture(const std::string& name) { return ReadBytes(kFixtures + name); }

// The outcome of reading one file: the block, or the error of the size call.
struct Read {
  DWORD size = 0;
  DWORD error = 0;
  DWORD handle = 0x5555;
  std::vector<BYTE> block;
};

Read ReadVersion(const CString& path) {
  Read r;
  SetLastError(0xDEADBEEF);
  r.size = GetFileVersionInfoSizeW(path, &r.handle);
  if (!r.size) {
    r.error = GetLastError();
    return r;
  }
  r.block.assign(r.size, 0xCC);
  EXPECT_TRUE(GetFileVersionInfoW(path, 0, r.size, r.block.data())) << GetLastError();
  return r;
}

Read ReadBytesAsFile(const TempDir& dir, const std::string& bytes) {
  WriteBytes(dir.Sub("f.exe"), bytes);
  return ReadVersion(dir.Win("f.exe"));
}

const VS_FIXEDFILEINFO* Fixed(Read& r) {
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(r.block.data(), L"\\", reinterpret_cast<LPVOID*>(&fixed), &length)) return nullptr;
  EXPECT_EQ(length, sizeof(VS_FIXEDFILEINFO));
  return fixed;
}

std::vector<std::pair<WORD, WORD>> Translations(Read& r) {
  WORD* pairs = nullptr;
  UINT length = 0;
  std::vector<std::pair<WORD, WORD>> out;
  if (!VerQueryValueW(r.block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<LPVOID*>(&pairs),
                      &length))
    return out;
  EXPECT_EQ(length % 4, 0u);
  for (UINT i = 0; i + 1 < length / 2; i += 2) out.emplace_back(pairs[i], pairs[i + 1]);
  return out;
}

// The text and its reported length (characters with the terminator).
std::pair<std::wstring, UINT> Text(Read& r, const wchar_t* subBlock) {
  wchar_t* text = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(r.block.data(), subBlock, reinterpret_cast<LPVOID*>(&text), &length))
    return {L"<missing>", 0};
  return {text, length};
}

// Byte offset of a UTF-16 key (with its terminator) in a fixture.
size_t KeyOffset(const std::string& bytes, const char* key) {
  std::string pattern;
  for (const char* p = key; *p; ++p) pattern += std::string{*p, '\0'};
  pattern += std::string(2, '\0');
  const size_t at = bytes.find(pattern);
  EXPECT_NE(at, std::string::npos) << key;
  return at;
}

uint32_t Get32(const std::string& b, size_t at) {
  uint32_t v;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}
void Put16(std::string& b, size_t at, uint16_t v) { std::memcpy(&b[at], &v, 2); }
void Put32(std::string& b, size_t at, uint32_t v) { std::memcpy(&b[at], &v, 4); }

// Where the structures of a fixture lie, for patching: found by following
// the headers the way any PE reader must.
struct Layout {
  size_t pe = 0, optional = 0, rsrcDir = 0, sections = 0, sectionCount = 0;
  size_t rsrcRoot = 0;  // file offset of the resource root directory
  uint32_t rsrcRva = 0, rsrcSectionVa = 0, rsrcSectionRaw = 0, rsrcSectionRawSize = 0;
  size_t FileOf(uint32_t rva) const { return rsrcSectionRaw + (rva - rsrcSectionVa); }
  // The table or data entry that the first entry of the table at `dir` names.
  size_t Down(const std::string& b, size_t dir) const { return rsrcRoot + (Get32(b, dir + 20) & 0x7FFFFFFF); }
};

Layout LayoutOf(const std::string& b) {
  Layout l;
  l.pe = Get32(b, 0x3C);
  l.sectionCount = static_cast<uint16_t>(Get32(b, l.pe + 6));
  const uint16_t optionalSize = static_cast<uint16_t>(Get32(b, l.pe + 20));
  l.optional = l.pe + 24;
  const bool plus = static_cast<uint16_t>(Get32(b, l.optional)) == 0x20B;
  l.rsrcDir = l.optional + (plus ? 112 : 96) + 16;
  l.rsrcRva = Get32(b, l.rsrcDir);
  l.sections = l.optional + optionalSize;
  for (size_t i = 0; i < l.sectionCount; ++i) {
    const size_t s = l.sections + 40 * i;
    if (b.compare(s, 5, ".rsrc") == 0) {
      l.rsrcSectionVa = Get32(b, s + 12);
      l.rsrcSectionRaw = Get32(b, s + 20);
      l.rsrcSectionRawSize = Get32(b, s + 16);
    }
  }
  l.rsrcRoot = l.FileOf(l.rsrcRva);
  return l;
}

struct Good {
  const char* file;
  DWORD fileMS, fileLS, productMS, productLS, flags, os, type;
  std::vector<std::pair<WORD, WORD>> translations;
};

TEST(VersionInfo, FixedInformationAndTranslationsOfEachArchitecture) {
  const Good cases[] = {
      {"version_5103_x64.exe", 0x50001, 0x3, 0x50001, 0, VS_FF_PRERELEASE, VOS_NT_WINDOWS32, VFT_APP,
       {{0x804, 1200}}},
      {"version_5103_x86.exe", 0x50001, 0x3, 0x50001, 0, VS_FF_PRERELEASE, VOS_NT_WINDOWS32, VFT_APP,
       {{0x804, 1200}}},
      {"version_5100_x86.exe", 0x50001, 0, 0x50001, 0, 0, VOS__WINDOWS32, VFT_DLL, {{0x409, 1252}, {0x804, 1200}}},
      {"version_0000_x64.exe", 0, 0, 0, 0, 0, VOS_UNKNOWN, VFT_UNKNOWN, {{0, 1200}}},
  };
  TempDir dir;
  for (const Good& c : cases) {
    SCOPED_TRACE(c.file);
    WriteBytes(dir.Sub(c.file), Fixture(c.file));
    Read r = ReadVersion(dir.Win(c.file));
    ASSERT_NE(r.size, 0u) << r.error;
    EXPECT_EQ(r.handle, 0u);
    const VS_FIXEDFILEINFO* fixed = Fixed(r);
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->dwSignature, DWORD(VS_FFI_SIGNATURE));
    EXPECT_EQ(fixed->dwStrucVersion, DWORD(VS_FFI_STRUCVERSION));
    EXPECT_EQ(fixed->dwFileVersionMS, c.fileMS);
    EXPECT_EQ(fixed->dwFileVersionLS, c.fileLS);
    EXPECT_EQ(fixed->dwProductVersionMS, c.productMS);
    EXPECT_EQ(fixed->dwProductVersionLS, c.productLS);
    EXPECT_EQ(fixed->dwFileFlags, c.flags);
    EXPECT_EQ(fixed->dwFileOS, c.os);
    EXPECT_EQ(fixed->dwFileType, c.type);
    EXPECT_EQ(Translations(r), c.translations);
    // The empty path and doubled separators name the root as well.
    VS_FIXEDFILEINFO* again = nullptr;
    UINT length = 0;
    EXPECT_TRUE(VerQueryValueW(r.block.data(), L"", reinterpret_cast<LPVOID*>(&again), &length));
    EXPECT_EQ(again, fixed);
  }
}

TEST(VersionInfo, TextsAreWideStringsThatStayValidSideBySide) {
  struct Case {
    const char* file;
    const wchar_t* path;
    const wchar_t* text;
  };
  const Case cases[] = {
      {"version_5103_x64.exe", L"\\StringFileInfo\\080404b0\\FileVersion", L"5.1.0.3"},
      {"version_5103_x64.exe", L"\\StringFileInfo\\080404b0\\ProductName", L"Kavro \u6d4b\u8bd5 \u00dc \U0001D11E"},
      {"version_5103_x64.exe", L"\\stringfileinfo\\080404B0\\companyname", L"Kavro \u8f6f\u4ef6"},
      {"version_5103_x64.exe", L"\\\\StringFileInfo\\080404b0\\\\FileDescription", L"Kavro updater test"},
      {"version_5103_x64.exe", L"\\StringFileInfo\\080404b0\\Comments", L""},
      {"version_5103_x86.exe", L"\\StringFileInfo\\080404b0\\ProductName", L"Kavro \u6d4b\u8bd5 \u00dc \U0001D11E"},
      {"version_5100_x86.exe", L"\\StringFileInfo\\040904E4\\ProductName", L"Kavro"},
      {"version_5100_x86.exe", L"\\StringFileInfo\\080404b0\\ProductName", L"Kavro \u4e2d\u6587"},
      {"version_5100_x86.exe", L"\\StringFileInfo\\080404b0\\FileVersion", L"5.1"},
  };
  TempDir dir;
  // One block per file, every text asked for before any is checked: a text
  // written for one query must not overwrite another.
  std::vector<std::pair<std::string, Read>> blocks;
  std::vector<std::pair<const wchar_t*, UINT>> got;
  for (const Case& c : cases) {
    auto it = blocks.begin();
    while (it != blocks.end() && it->first != c.file) ++it;
    if (it == blocks.end()) {
      WriteBytes(dir.Sub(c.file), Fixture(c.file));
      blocks.emplace_back(c.file, ReadVersion(dir.Win(c.file)));
      it = blocks.end() - 1;
    }
    wchar_t* text = nullptr;
    UINT length = 0;
    EXPECT_TRUE(VerQueryValueW(it->second.block.data(), c.path, reinterpret_cast<LPVOID*>(&text), &length))
        << c.file;
    got.emplace_back(text, length);
  }
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(std::string(cases[i].file) + " " + kavro::test::Utf8(cases[i].path));
    ASSERT_NE(got[i].first, nullptr);
    EXPECT_EQ(std::wstring(got[i].first), cases[i].text);
    EXPECT_EQ(got[i].second, wcslen(cases[i].text) + 1);
  }
  // Asked again, a text comes back the same, at the same place.
  Read& first = blocks.front().second;
  EXPECT_EQ(Text(first, cases[0].path), std::make_pair(std::wstring(cases[0].text), UINT(8)));
}

TEST(VersionInfo, PathsThatNameNoValue) {
  TempDir dir;
  Read r = ReadBytesAsFile(dir, Fixture("version_5103_x64.exe"));
  ASSERT_NE(r.size, 0u);
  // Blocks of further keys: found, with no value of their own.
  for (const wchar_t* block : {L"\\StringFileInfo", L"StringFileInfo", L"\\StringFileInfo\\080404b0\\",
                               L"\\VarFileInfo"}) {
    LPVOID value = nullptr;
    UINT length = 77;
    EXPECT_TRUE(VerQueryValueW(r.block.data(), block, &value, &length)) << kavro::test::Utf8(block);
    EXPECT_NE(value, nullptr);
    EXPECT_EQ(length, 0u);
  }
  // Partial, unknown and over-long keys fail and leave the pointer alone.
  for (const wchar_t* missing :
       {L"String", L"\\StringFileInfo\\080404b0\\ProductNam", L"\\StringFileInfo\\080404b0\\ProductNameX",
        L"\\StringFileInfo\\040904b0\\ProductName", L"\\VarFileInfo\\Translation\\More", L"\\Nothing"}) {
    LPVOID value = reinterpret_cast<LPVOID>(0x1234);
    UINT length = 77;
    SetLastError(0);
    EXPECT_FALSE(VerQueryValueW(r.block.data(), missing, &value, &length)) << kavro::test::Utf8(missing);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_TYPE_NOT_FOUND));
    EXPECT_EQ(value, reinterpret_cast<LPVOID>(0x1234));
    EXPECT_EQ(length, 0u);
  }
}

TEST(VersionInfo, BlockSizeIsRequired) {
  TempDir dir;
  WriteBytes(dir.Sub("v.exe"), Fixture("version_5103_x86.exe"));
  const DWORD size = GetFileVersionInfoSizeW(dir.Win("v.exe"), nullptr);
  ASSERT_NE(size, 0u);
  std::vector<BYTE> block(size + 8, 0xCC);
  SetLastError(0);
  EXPECT_FALSE(GetFileVersionInfoW(dir.Win("v.exe"), 0, size - 1, block.data()));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(block[0], 0xCC);
  EXPECT_FALSE(GetFileVersionInfoW(dir.Win("v.exe"), 0, size, nullptr));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  // The Ex forms read the same block; nothing past the size is touched.
  EXPECT_EQ(GetFileVersionInfoSizeExW(FILE_VER_GET_NEUTRAL, dir.Win("v.exe"), nullptr), size);
  ASSERT_TRUE(GetFileVersionInfoExW(FILE_VER_GET_NEUTRAL, dir.Win("v.exe"), 0, size, block.data()));
  EXPECT_EQ(block[size], 0xCC);
  Read r{size, 0, 0, std::vector<BYTE>(block.begin(), block.begin() + size)};
  EXPECT_EQ(Text(r, L"\\StringFileInfo\\080404b0\\FileVersion").first, L"5.1.0.3");
}

TEST(VersionInfo, FilesWithoutVersionResource) {
  TempDir dir;
  WriteBytes(dir.Sub("notes.txt"), "MZ is not enough to make an executable\r\n");
  WriteBytes(dir.Sub("empty.exe"), "");
  WriteBytes(dir.Sub("elf"), ReadBytes("/bin/true"));
  WriteBytes(dir.Sub("no_resources.exe"), Fixture("no_resources_x64.exe"));
  WriteBytes(dir.Sub("data_only.exe"), Fixture("data_only_x86.exe"));
  const std::pair<const char*, DWORD> cases[] = {
      {"notes.txt", ERROR_RESOURCE_DATA_NOT_FOUND},
      {"empty.exe", ERROR_RESOURCE_DATA_NOT_FOUND},
      {"elf", ERROR_RESOURCE_DATA_NOT_FOUND},
      {"no_resources.exe", ERROR_RESOURCE_DATA_NOT_FOUND},
      {"data_only.exe", ERROR_RESOURCE_TYPE_NOT_FOUND},
      {"missing.exe", ERROR_FILE_NOT_FOUND},
      {"missing/v.exe", ERROR_PATH_NOT_FOUND},
      {"", ERROR_ACCESS_DENIED},  // the folder itself
  };
  for (const auto& [name, error] : cases) {
    SCOPED_TRACE(name);
    Read r = ReadVersion(dir.Win(name));
    EXPECT_EQ(r.size, 0u);
    EXPECT_EQ(r.error, error);
    EXPECT_EQ(r.handle, 0u);
    std::vector<BYTE> block(64, 0xCC);
    SetLastError(0);
    EXPECT_FALSE(GetFileVersionInfoW(dir.Win(name), 0, 64, block.data()));
    EXPECT_EQ(GetLastError(), error);
  }
}

// Damaged copies of a good executable. Each must fail with its error or,
// where the damage leaves the version readable, still give it; none may
// read outside the file or its block (the sanitizer build checks that).
TEST(VersionInfo, DamagedExecutables) {
  for (const char* file : {"version_5103_x64.exe", "version_5103_x86.exe"}) {
    SCOPED_TRACE(file);
    const std::string good = Fixture(file);
    const Layout l = LayoutOf(good);
    const size_t typeDir = l.rsrcRoot;
    const size_t nameDir = l.Down(good, typeDir);
    const size_t langDir = l.Down(good, nameDir);
    const size_t dataEntry = l.Down(good, langDir);
    const size_t resource = l.FileOf(Get32(good, dataEntry));
    const size_t fileVersion = KeyOffset(good, "FileVersion") - 6;     // its node
    const size_t stringInfo = KeyOffset(good, "StringFileInfo") - 6;
    const size_t fileVersionText = KeyOffset(good, "5.1.0.3");

    struct Case {
      const char* what;
      std::function<void(std::string&)> patch;
      DWORD error;  // 0: the version is still read
    };
    const Case cases[] = {
        {"no MZ", [](std::string& b) { b[0] = 'X'; }, ERROR_RESOURCE_DATA_NOT_FOUND},
        {"PE header past the end", [&](std::string& b) { Put32(b, 0x3C, 0xFFFFFFF0); },
         ERROR_RESOURCE_DATA_NOT_FOUND},
        {"no PE signature", [&](std::string& b) { b[l.pe + 1] = 'X'; }, ERROR_RESOURCE_DATA_NOT_FOUND},
        {"unknown optional header", [&](std::string& b) { Put16(b, l.optional, 0x107); },
         ERROR_RESOURCE_DATA_NOT_FOUND},
        {"two data directories", [&](std::string& b) { Put32(b, l.rsrcDir - 16 - 4, 2); },
         ERROR_RESOURCE_DATA_NOT_FOUND},
        {"resources outside every section", [&](std::string& b) { Put32(b, l.rsrcDir, 0x7FFF0000); },
         ERROR_RESOURCE_DATA_NOT_FOUND},
        {"65535 sections", [&](std::string& b) { Put16(b, l.pe + 6, 0xFFFF); }, ERROR_RESOURCE_DATA_NOT_FOUND},
        {"section data past the end",
         [&](std::string& b) {
           for (size_t i = 0; i < l.sectionCount; ++i) Put32(b, l.sections + 40 * i + 20, 0x7FFFFF00);
         },
         ERROR_RESOURCE_DATA_NOT_FOUND},
        {"entry counts past the section", [&](std::string& b) { Put32(b, typeDir + 12, 0xFFFFFFFF); },
         ERROR_RESOURCE_DATA_NOT_FOUND},
        {"name level points back to the root",
         [&](std::string& b) { Put32(b, typeDir + 20, 0x80000000); }, ERROR_RESOURCE_DATA_NOT_FOUND},
        {"language level points back to the root",
         [&](std::string& b) { Put32(b, nameDir + 20, 0x80000000); }, ERROR_RESOURCE_DATA_NOT_FOUND},
        {"data entry is the root", [&](std::string& b) { Put32(b, langDir + 20, 0); },
         ERROR_RESOURCE_DATA_NOT_FOUND},
        {"data outside every section", [&](std::string& b) { Put32(b, dataEntry, 0x7FFF0000); },
         ERROR_RESOURCE_DATA_NOT_FOUND},
        {"data size zero", [&](std::string& b) { Put32(b, dataEntry + 4, 0); }, ERROR_RESOURCE_DATA_NOT_FOUND},
        {"data size of 4 GiB", [&](std::string& b) { Put32(b, dataEntry + 4, 0xFFFFFFFF); }, 0},
        {"block length below its header", [&](std::string& b) { Put16(b, resource, 5); }, ERROR_INVALID_DATA},
        {"block key not VS_VERSION_INFO", [&](std::string& b) { b[resource + 6] = 'W'; }, ERROR_INVALID_DATA},
        {"block length past the resource", [&](std::string& b) { Put16(b, resource, 0xFFFF); }, 0},
        {"a text node of length 0", [&](std::string& b) { Put16(b, fileVersion, 0); }, 0},
        {"a text longer than its node", [&](std::string& b) { Put16(b, fileVersion + 2, 0xFFFF); }, 0},
        {"a block node past its parent", [&](std::string& b) { Put16(b, stringInfo, 0xFFF0); }, 0},
        {"a text without terminator", [&](std::string& b) { b[fileVersionText + 14] = '!'; }, 0},
    };
    TempDir dir;
    for (const Case& c : cases) {
      SCOPED_TRACE(c.what);
      std::string bytes = good;
      c.patch(bytes);
      Read r = ReadBytesAsFile(dir, bytes);
      EXPECT_EQ(r.error, c.error);
      if (c.error) continue;
      const VS_FIXEDFILEINFO* fixed = Fixed(r);
      ASSERT_NE(fixed, nullptr);
      EXPECT_EQ(fixed->dwFileVersionLS, 3u);
      // Damaged texts give what lies within their node, terminated, or nothing.
      for (const wchar_t* path : {L"\\StringFileInfo\\080404b0\\FileVersion", L"\\StringFileInfo\\080404b0\\Comments",
                                  L"\\StringFileInfo\\080404b0\\ProductName", L"\\VarFileInfo\\Translation"}) {
        LPVOID value = nullptr;
        UINT length = 0;
        if (VerQueryValueW(r.block.data(), path, &value, &length)) {
          EXPECT_GE(static_cast<BYTE*>(value), r.block.data());
          EXPECT_LE(static_cast<BYTE*>(value) + length, r.block.data() + r.block.size());
        }
      }
    }
    // The unterminated text is cut at its declared length and terminated.
    std::string open = good;
    open[fileVersionText + 14] = '!';
    Read r = ReadBytesAsFile(dir, open);
    EXPECT_EQ(Text(r, L"\\StringFileInfo\\080404b0\\FileVersion"), std::make_pair(std::wstring(L"5.1.0.3!"), UINT(9)));
  }
}

// Every length the file could be cut to: the reader fails cleanly while the
// resource section is incomplete (the file is no longer what its headers
// say) and reads the version once it is whole.
TEST(VersionInfo, TruncatedAtEveryLength) {
  const std::string good = Fixture("version_5103_x64.exe");
  const Layout l = LayoutOf(good);
  const size_t sectionEnd = l.rsrcSectionRaw + l.rsrcSectionRawSize;
  ASSERT_LE(sectionEnd, good.size());
  TempDir dir;
  for (size_t cut = 0; cut < good.size(); ++cut) {
    Read r = ReadBytesAsFile(dir, good.substr(0, cut));
    if (cut < sectionEnd) {
      ASSERT_EQ(r.size, 0u) << cut;
      ASSERT_EQ(r.error, DWORD(ERROR_RESOURCE_DATA_NOT_FOUND)) << cut;
    } else {
      ASSERT_NE(r.size, 0u) << cut;
      ASSERT_NE(Fixed(r), nullptr) << cut;
    }
  }
}

// The committed fixtures are what the script makes; skipped without the
// MinGW-w64 binutils.
TEST(VersionInfo, FixturesRebuildFromTheirSources) {
  if (kavro::test::Run({"/bin/sh", "-c", "command -v x86_64-w64-mingw32-windres && command -v i686-w64-mingw32-ld"})
          .exitCode != 0)
    GTEST_SKIP() << "MinGW-w64 binutils not installed";
  TempDir dir;
  const auto made = kavro::test::Run({std::string(KAVRO_SOURCE_DIR) + "/tools/make_pe_fixtures.sh", dir.path()});
  ASSERT_EQ(made.exitCode, 0) << made.output;
  for (const char* name : {"version_5103_x64.exe", "version_5103_x86.exe", "version_5100_x86.exe",
                           "version_0000_x64.exe", "data_only_x86.exe", "no_resources_x64.exe"}) {
    EXPECT_EQ(ReadBytes(dir.Sub(name)), Fixture(name)) << name;
  }
  Read fresh = ReadVersion(dir.Win("version_5103_x64.exe"));
  EXPECT_EQ(Text(fresh, L"\\StringFileInfo\\080404b0\\FileVersion").first, L"5.1.0.3");
}

}  // namespace
