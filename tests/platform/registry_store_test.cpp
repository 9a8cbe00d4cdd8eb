// The registry's store files: their place, modes and form, files exported by
// regedit, damaged files, other processes reading and writing at once, and
// .reg export and import.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <string>
#include <vector>

#include "KavroStd/KavroStd.h"
#include "support/registry_scope.h"

namespace {

using kavro::test::ReadBytes;
using kavro::test::ScopedRegistry;
using kavro::test::WriteBytes;

std::string Utf16(const std::u16string& text) {
  std::string out;
  for (char16_t c : text) {
    out.push_back(static_cast<char>(c & 0xFF));
    out.push_back(static_cast<char>(c >> 8));
  }
  return out;
}

DWORD QueryDword(HKEY root, const wchar_t* subKey, const wchar_t* name, LONG* error = nullptr) {
  HKEY key;
  DWORD value = 0xFFFFFFFF, size = 4;
  LONG err = RegOpenKeyExW(root, subKey, 0, KEY_READ, &key);
  if (!err) {
    err = RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
  }
  if (error) *error = err;
  return value;
}

std::wstring QueryText(HKEY root, const wchar_t* subKey, const wchar_t* name) {
  CString text;
  CReg::QueryValueEx(root, subKey, name, text, 0);
  return text.GetString();
}

TEST(RegistryStore, FolderAndFilesArePrivateRegeditExports) {
  ScopedRegistry store;
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS,
            RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Kavro", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
  DWORD n = 42;
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key, L"Answer", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&n), 4));
  RegCloseKey(key);
  struct stat st;
  ASSERT_EQ(0, stat(store.folder().c_str(), &st));
  EXPECT_EQ(0700u, st.st_mode & 0777);
  ASSERT_EQ(0, stat(store.file("HKEY_CURRENT_USER").c_str(), &st));
  EXPECT_EQ(0600u, st.st_mode & 0777);
  EXPECT_FALSE(kavro::test::Exists(store.file("HKEY_LOCAL_MACHINE"))) << "reads and other roots make no file";
  const std::string expected = "\xFF\xFE" + Utf16(u"Windows Registry Editor Version 5.00\r\n\r\n"
                                                  u"[HKEY_CURRENT_USER]\r\n\r\n"
                                                  u"[HKEY_CURRENT_USER\\Software]\r\n\r\n"
                                                  u"[HKEY_CURRENT_USER\\Software\\Kavro]\r\n"
                                                  u"\"Answer\"=dword:0000002a\r\n\r\n");
  EXPECT_EQ(expected, ReadBytes(store.file("HKEY_CURRENT_USER")));
}

TEST(RegistryStore, ReadsWhatRegeditExports) {
  ScopedRegistry store;
  mkdir(store.folder().c_str(), 0700);
  // As regedit writes it: long hex data wrapped, escapes, the default value.
  const std::u16string text =
      u"Windows Registry Editor Version 5.00\r\n"
      u"\r\n"
      u"[HKEY_CURRENT_USER\\Software\\Vendor\\App]\r\n"
      u"@=\"default \\\"quoted\\\" C:\\\\path\"\r\n"
      u"\"Path\"=hex(2):25,00,50,00,41,00,54,00,48,00,25,00,3b,00,43,00,3a,00,5c,00,62,00,\\\r\n"
      u"  69,00,6e,00,00,00\r\n"
      u"\"List\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
      u"\"Size\"=dword:0000ffff\r\n"
      u"\"Big\"=hex(b):00,00,00,00,01,00,00,00\r\n"
      u"\"Raw\"=hex:de,ad\r\n"
      u"\r\n"
      u"; a comment line\r\n"
      u"[HKEY_CURRENT_USER\\Software\\Vendor\\App\\Sub]\r\n"
      u"\"\u4e2d\u6587\"=\"\u00e9\"\r\n";
  WriteBytes(store.file("HKEY_CURRENT_USER"), "\xFF\xFE" + Utf16(text));
  EXPECT_EQ(L"default \"quoted\" C:\\path", QueryText(HKEY_CURRENT_USER, L"Software\\Vendor\\App", nullptr));
  EXPECT_EQ(L"%PATH%;C:\\bin", QueryText(HKEY_CURRENT_USER, L"Software\\Vendor\\App", L"Path"));
  EXPECT_EQ(0xFFFFu, QueryDword(HKEY_CURRENT_USER, L"Software\\Vendor\\App", L"Size"));
  EXPECT_EQ(L"\u00e9", QueryText(HKEY_CURRENT_USER, L"Software\\Vendor\\App\\Sub", L"\u4e2d\u6587"));
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Vendor\\App", 0, KEY_READ, &key));
  DWORD type = 0, size = 0;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, L"Big", nullptr, &type, nullptr, &size));
  EXPECT_EQ(static_cast<DWORD>(REG_QWORD), type);
  EXPECT_EQ(8u, size);
  ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, L"List", nullptr, &type, nullptr, &size));
  EXPECT_EQ(static_cast<DWORD>(REG_MULTI_SZ), type);
  EXPECT_EQ(10u, size);
  RegCloseKey(key);
}

TEST(RegistryStore, DamagedFileGivesAnErrorAndIsNeverWritten) {
  if (!kavro::test::Exists(kavro::test::KvregPath())) GTEST_SKIP() << "kvreg not built";
  const std::string header = "\xFF\xFE" + Utf16(u"Windows Registry Editor Version 5.00\r\n\r\n");
  static const char16_t kZeroInName[] = u"[HKEY_CURRENT_USER\\S\0x]\r\n";
  const struct {
    const char* what;
    std::string bytes;
  } rows[] = {
      {"text that is no export", "this is not a registry file\n"},
      {"no version line", "\xFF\xFE" + Utf16(u"[HKEY_CURRENT_USER\\Software]\r\n")},
      {"a key of another root", header + Utf16(u"[HKEY_LOCAL_MACHINE\\Software]\r\n")},
      {"a value before any key", header + Utf16(u"\"a\"=dword:00000001\r\n")},
      {"cut inside hex data", header + Utf16(u"[HKEY_CURRENT_USER\\S]\r\n\"a\"=hex:01,02,\\\r\n")},
      {"an unclosed quote", header + Utf16(u"[HKEY_CURRENT_USER\\S]\r\n\"a\"=\"text\r\n")},
      {"a deletion", header + Utf16(u"[-HKEY_CURRENT_USER\\S]\r\n")},
      {"a bad type", header + Utf16(u"[HKEY_CURRENT_USER\\S]\r\n\"a\"=hex(zz):01\r\n")},
      {"an empty key name", header + Utf16(u"[HKEY_CURRENT_USER\\\\S]\r\n")},
      {"a key name holding a zero", header + Utf16(std::u16string(kZeroInName, std::size(kZeroInName) - 1))},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    ScopedRegistry store;
    mkdir(store.folder().c_str(), 0700);
    WriteBytes(store.file("HKEY_CURRENT_USER"), row.bytes);
    HKEY key;
    EXPECT_EQ(ERROR_BADDB, RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, &key));
    EXPECT_EQ(ERROR_BADDB,
              RegCreateKeyExW(HKEY_CURRENT_USER, L"New", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    EXPECT_EQ(ERROR_BADDB, CReg::SetValue(HKEY_CURRENT_USER, L"Software", L"v", L"n", 0));
    EXPECT_EQ(row.bytes, ReadBytes(store.file("HKEY_CURRENT_USER"))) << "left as it was";
    auto out = kavro::test::Run({kavro::test::KvregPath(), "add", "HKCU\\Software\\X", "/v", "a", "/d", "b"}, {store.env()});
    EXPECT_EQ(1, out.exitCode);
    EXPECT_NE(std::string::npos, out.output.find("corrupt")) << out.output;
    EXPECT_EQ(row.bytes, ReadBytes(store.file("HKEY_CURRENT_USER")));
    // The other roots go on working.
    EXPECT_EQ(ERROR_SUCCESS, CReg::SetValue(HKEY_LOCAL_MACHINE, L"Software\\K", L"v", L"n", 0));
  }
}

TEST(RegistryStore, AnotherProcessSeesEachChangeAtOnce) {
  if (!kavro::test::Exists(kavro::test::KvregPath())) GTEST_SKIP() << "kvreg not built";
  ScopedRegistry store;
  const std::string kvreg = kavro::test::KvregPath();
  for (DWORD n = 1; n <= 3; ++n) {
    // Theirs, then ours, of the same value: no stale copy either way.
    auto out = kavro::test::Run({kvreg, "add", "HKCU\\Software\\Shared", "/v", "N", "/t", "REG_DWORD", "/d", std::to_string(n * 10),
                    "/f"},
                   {store.env()});
    ASSERT_EQ(0, out.exitCode) << out.output;
    EXPECT_EQ(n * 10, QueryDword(HKEY_CURRENT_USER, L"Software\\Shared", L"N"));
    ASSERT_EQ(ERROR_SUCCESS, CReg::SetValue(HKEY_CURRENT_USER, L"Software\\Shared", static_cast<int>(n * 10 + 1),
                                            L"N", 0));
    out = kavro::test::Run({kvreg, "query", "HKCU\\Software\\Shared", "/v", "N"}, {store.env()});
    char expected[32];
    std::snprintf(expected, sizeof expected, "N    REG_DWORD    0x%x\n", n * 10 + 1);
    EXPECT_NE(std::string::npos, out.output.find(expected)) << out.output;
  }
}

TEST(RegistryStore, EightProcessesLoseNoChange) {
  ScopedRegistry store;
  constexpr int kWriters = 8;
  constexpr int kCount = 40;
  std::vector<int> pids;
  for (int w = 0; w < kWriters; ++w)
    pids.push_back(kavro::test::Spawn({kavro::test::ProbePath("registry_writer"), "Software\\Busy",
                                       "W" + std::to_string(w), std::to_string(kCount)},
                                      {store.env()}));
  for (int pid : pids) {
    int status = 0;
    ASSERT_EQ(pid, waitpid(pid, &status, 0));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Busy", 0, KEY_READ, &key));
  DWORD values = 0;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                                            nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(static_cast<DWORD>(kWriters * (kCount + 1)), values);
  RegCloseKey(key);
  for (int w = 0; w < kWriters; ++w) {
    const std::wstring name = L"W" + std::to_wstring(w);
    EXPECT_EQ(static_cast<DWORD>(kCount), QueryDword(HKEY_CURRENT_USER, L"Software\\Busy", name.c_str()));
    for (int n = 1; n <= kCount; ++n) {
      LONG err = 0;
      const std::wstring one = name + L"_" + std::to_wstring(n);
      EXPECT_EQ(static_cast<DWORD>(n), QueryDword(HKEY_CURRENT_USER, L"Software\\Busy", one.c_str(), &err));
      EXPECT_EQ(ERROR_SUCCESS, err);
    }
  }
}

TEST(RegistryStore, ExportImportRoundTripAndSubtreeDelete) {
  if (!kavro::test::Exists(kavro::test::KvregPath())) GTEST_SKIP() << "kvreg not built";
  ScopedRegistry store;
  const std::string kvreg = kavro::test::KvregPath();
  const std::vector<std::string> env{store.env()};
  const std::vector<std::vector<std::string>> adds = {
      {"HKCU\\Software\\Trip", "/v", "Text", "/d", "a \"quoted\" \\ text \xe4\xb8\xad \xf0\x9f\x98\x80"},
      {"HKCU\\Software\\Trip", "/ve", "/d", "default"},
      {"HKCU\\Software\\Trip\\Deep\\Deeper\\Deepest", "/v", "D", "/t", "REG_DWORD", "/d", "0x10"},
      {"HKCU\\Software\\Trip\\Deep", "/v", "M", "/t", "REG_MULTI_SZ", "/d", "x\\0y"},
      {"HKCU\\Software\\Trip\\Deep", "/v", "B", "/t", "REG_BINARY", "/d",
       "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f2021222324252627"},
      {"HKCU\\Software\\Trip\\Other", "/v", "Q", "/t", "REG_QWORD", "/d", "18446744073709551615"},
  };
  for (auto args : adds) {
    args.insert(args.begin(), {kvreg, "add"});
    auto out = kavro::test::Run(args, env);
    ASSERT_EQ(0, out.exitCode) << out.output;
  }
  // A value stored without its zero survives the round trip too.
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Trip", 0, KEY_ALL_ACCESS, &key));
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key, L"Bare", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"ab"), 4));
  RegCloseKey(key);
  const std::string first = store.dir().Sub("first.reg");
  const std::string second = store.dir().Sub("second.reg");
  auto out = kavro::test::Run({kvreg, "export", "HKCU\\Software\\Trip", first}, env);
  ASSERT_EQ(0, out.exitCode) << out.output;
  const std::string before = ReadBytes(store.file("HKEY_CURRENT_USER"));
  out = kavro::test::Run({kvreg, "delete", "HKCU\\Software\\Trip"}, env);
  EXPECT_EQ(1, out.exitCode) << "deleting needs /f";
  out = kavro::test::Run({kvreg, "delete", "HKCU\\Software\\Trip", "/f"}, env);
  ASSERT_EQ(0, out.exitCode) << out.output;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Trip", 0, KEY_READ, &key));
  out = kavro::test::Run({kvreg, "import", first}, env);
  ASSERT_EQ(0, out.exitCode) << out.output;
  EXPECT_EQ(before, ReadBytes(store.file("HKEY_CURRENT_USER"))) << "the same store again";
  out = kavro::test::Run({kvreg, "export", "HKCU\\Software\\Trip", second}, env);
  ASSERT_EQ(0, out.exitCode) << out.output;
  EXPECT_EQ(ReadBytes(first), ReadBytes(second));
  out = kavro::test::Run({kvreg, "export", "HKCU\\Software\\Trip", second}, env);
  EXPECT_EQ(1, out.exitCode) << "an existing file needs /y";

  // Deletions in an import file; a file that does not parse changes nothing.
  WriteBytes(store.dir().Sub("edit.reg"),
             "Windows Registry Editor Version 5.00\r\n\r\n[-HKEY_CURRENT_USER\\Software\\Trip\\Deep]\r\n\r\n"
             "[HKEY_CURRENT_USER\\Software\\Trip]\r\n\"Text\"=-\r\n\"New\"=\"n\"\r\n");
  EXPECT_EQ(ERROR_SUCCESS, KvRegImport(store.dir().Win("edit.reg"), nullptr));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Trip\\Deep", 0, KEY_READ, &key));
  EXPECT_EQ(L"n", QueryText(HKEY_CURRENT_USER, L"Software\\Trip", L"New"));
  CString gone = L"unchanged";
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, CReg::QueryValueEx(HKEY_CURRENT_USER, L"Software\\Trip", L"Text", gone, 0));
  const std::string kept = ReadBytes(store.file("HKEY_CURRENT_USER"));
  WriteBytes(store.dir().Sub("bad.reg"),
             "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Trip]\r\n\"A\"=\"1\"\r\n"
             "\"B\"=dword:zz\r\n");
  DWORD line = 0;
  EXPECT_EQ(ERROR_INVALID_DATA, KvRegImport(store.dir().Win("bad.reg"), &line));
  EXPECT_EQ(5u, line);
  EXPECT_EQ(kept, ReadBytes(store.file("HKEY_CURRENT_USER")));
}

}  // namespace
