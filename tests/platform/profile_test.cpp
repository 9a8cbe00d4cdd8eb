// The profile (INI) API on real files: lookups, lists, where writes land,
// encodings, untouched bytes, bad inputs, concurrent and killed writers.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "KavroStd/platform/codepage.h"
#include "KavroStd/platform/fileapi.h"
#include "KavroStd/platform/profile.h"
#include "support/test_support.h"

namespace {

using kavro::test::Exists;
using kavro::test::ReadBytes;
using kavro::test::WriteBytes;
using namespace std::string_literals;

std::string Utf16Le(const std::u16string& text) {
  std::string out = "\xFF\xFE";
  for (char16_t u : text) {
    out.push_back(static_cast<char>(u & 0xFF));
    out.push_back(static_cast<char>(u >> 8));
  }
  return out;
}

std::string Utf8(const wchar_t* text) { return kavro::test::Utf8(CString(text)); }

// A list result ("a\0b\0\0") as its entries.
std::vector<std::wstring> Entries(const wchar_t* buffer, DWORD length) {
  std::vector<std::wstring> out;
  for (size_t i = 0; i < length;) {
    std::wstring entry(buffer + i);
    out.push_back(entry);
    i += entry.size() + 1;
  }
  return out;
}

class ProfileTest : public testing::Test {
 protected:
  void SetUp() override {
    savedAcp_ = GetACP();
    KvSetACP(1252);
  }
  void TearDown() override { KvSetACP(savedAcp_); }

  std::string Path(const char* name = "a.ini") const { return dir_.Sub(name); }
  CString Win(const char* name = "a.ini") const { return dir_.Win(name); }

  std::wstring Get(const wchar_t* app, const wchar_t* key, const wchar_t* def = L"", const char* name = "a.ini") {
    wchar_t buffer[4096];
    DWORD n = GetPrivateProfileStringW(app, key, def, buffer, 4096, Win(name));
    return std::wstring(buffer, n);
  }
  std::vector<std::wstring> List(const wchar_t* app, const char* name = "a.ini") {
    wchar_t buffer[4096];
    DWORD n = GetPrivateProfileStringW(app, nullptr, L"unused", buffer, 4096, Win(name));
    EXPECT_EQ(L'\0', buffer[n]);
    return Entries(buffer, n);
  }
  BOOL Put(const wchar_t* app, const wchar_t* key, const wchar_t* value, const char* name = "a.ini") {
    return WritePrivateProfileStringW(app, key, value, Win(name));
  }

  kavro::test::TempDir dir_;
  UINT savedAcp_ = 0;
};

TEST_F(ProfileTest, LookupRules) {
  WriteBytes(Path(),
             "; leading comment\r\n"
             "Orphan=before any section\r\n"
             "[GeneralX]\r\n"
             "Name=longer header\r\n"
             "[ Gen ]\r\n"
             "Name=shorter header\r\n"
             "[General]\r\n"
             "Name=plain\r\n"
             "  Spaced  =   padded value   \r\n"
             "Tabbed\t=\ttab\t\r\n"
             "DQ=\"quoted value\"\r\n"
             "SQ='single'\r\n"
             "Mixed=\"mismatch'\r\n"
             "Inner=a \"b\" c\r\n"
             "Lone=\"\r\n"
             "InQuotes=\"  kept  \"\r\n"
             "Empty=\r\n"
             "NoEquals line\r\n"
             "=nameless\r\n"
             "Dup=first\r\n"
             "Dup=second\r\n"
             ";Commented=yes\r\n"
             " ;Indented=comment\r\n"
             "[ Trimmed Section ]\r\n"
             "Key=trimmed header\r\n"
             "[Weird]trailing text\r\n"
             "Key=text after bracket\r\n"
             "[Open\r\n"
             "Open=header without bracket\r\n"
             "[general]\r\n"
             "Name=second occurrence\r\n"
             "Late=only in the second\r\n"
             "[\xC4\xD6\xDC]\r\n"
             "Cl\xE9=accent\r\n"
             "[kelvin]\r\n"
             "k=folded\r\n");
  struct Row {
    const wchar_t* app;
    const wchar_t* key;
    const wchar_t* def;
    const wchar_t* expected;
  } rows[] = {
      {L"General", L"Name", L"d", L"plain"},
      {L"GENERAL", L"nAME", L"d", L"plain"},
      {L"generalx", L"name", L"d", L"longer header"},
      {L"gen", L"name", L"d", L"shorter header"},
      {L"  General\t", L" Name ", L"d", L"plain"},
      {L"General", L"Spaced", L"d", L"padded value"},
      {L"General", L"Tabbed", L"d", L"tab"},
      {L"General", L"DQ", L"d", L"quoted value"},
      {L"General", L"SQ", L"d", L"single"},
      {L"General", L"Mixed", L"d", L"\"mismatch'"},
      {L"General", L"Inner", L"d", L"a \"b\" c"},
      {L"General", L"Lone", L"d", L"\""},
      {L"General", L"InQuotes", L"d", L"  kept  "},
      {L"General", L"Empty", L"d", L""},
      {L"General", L"NoEquals line", L"d", L"d"},
      {L"General", L"", L"d", L"nameless"},
      {L"General", L"Dup", L"d", L"first"},
      {L"General", L";Commented", L"d", L"d"},
      {L"General", L"Commented", L"d", L"d"},
      {L"General", L"Late", L"d", L"d"},
      {L"Trimmed Section", L"Key", L"d", L"trimmed header"},
      {L"Weird", L"Key", L"d", L"text after bracket"},
      {L"Weird", L"Open", L"d", L"d"},
      {L"Open", L"Open", L"d", L"header without bracket"},
      {L"", L"Orphan", L"d", L"d"},
      {L"\u00E4\u00F6\u00FC", L"CL\u00C9", L"d", L"accent"},
      {L"\u212Aelvin", L"\u212A", L"d", L"folded"},
      {L"Missing", L"Name", L"  def \t ", L"  def \t"},
      {L"General", L"Missing", nullptr, L""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << Utf8(r.app) << "/" << Utf8(r.key));
    EXPECT_EQ(r.expected, Get(r.app, r.key, r.def));
  }
}

TEST_F(ProfileTest, MissingFileGivesDefaultAndFileNotFound) {
  SetLastError(0);
  EXPECT_EQ(L"fallback", Get(L"S", L"k", L"fallback  ", "none.ini"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
  EXPECT_TRUE(List(nullptr, "none.ini").empty());
  EXPECT_TRUE(List(L"S", "none.ini").empty());
}

TEST_F(ProfileTest, ShortBuffersCutValuesAndLists) {
  WriteBytes(Path(), "[A]\r\nv=abcdef\r\n[BB]\r\n[CCC]\r\n");
  struct Row {
    const wchar_t* app;  // null: section list
    const wchar_t* key;  // null: key list
    DWORD size;
    DWORD result;
    std::wstring contents;  // the first `result` + terminator units
  } rows[] = {
      {L"A", L"v", 1, 0, std::wstring(1, L'\0')},
      {L"A", L"v", 3, 2, std::wstring(L"ab\0", 3)},
      {L"A", L"v", 6, 5, std::wstring(L"abcde\0", 6)},
      {L"A", L"v", 7, 6, std::wstring(L"abcdef\0", 7)},
      {L"A", L"none", 3, 2, std::wstring(L"de\0", 3)},  // default "def" cut too
      {nullptr, nullptr, 11, 9, std::wstring(L"A\0BB\0CCC\0\0", 10)},
      {nullptr, nullptr, 10, 8, std::wstring(L"A\0BB\0CCC\0\0", 10)},  // exact fit counts as cut
      {nullptr, nullptr, 9, 7, std::wstring(L"A\0BB\0CC\0\0", 9)},
      {nullptr, nullptr, 5, 3, std::wstring(L"A\0B\0\0", 5)},
      {nullptr, nullptr, 2, 0, std::wstring(L"\0\0", 2)},
      {nullptr, nullptr, 1, 0, std::wstring(L"\0", 1)},
      {L"A", nullptr, 3, 1, std::wstring(L"v\0\0", 3)},
      {L"A", nullptr, 2, 0, std::wstring(L"\0\0", 2)},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << (r.app ? Utf8(r.app) : "(null)") << " size " << r.size);
    std::wstring buffer(16, L'#');
    EXPECT_EQ(r.result, GetPrivateProfileStringW(r.app, r.key, L"def", buffer.data(), r.size, Win()));
    EXPECT_EQ(r.contents, buffer.substr(0, r.contents.size()));
    EXPECT_EQ(std::wstring(16 - r.size, L'#'), buffer.substr(r.size)) << "written beyond the buffer";
  }
  std::wstring untouched(4, L'#');
  EXPECT_EQ(0u, GetPrivateProfileStringW(L"A", L"v", L"d", untouched.data(), 0, Win()));
  EXPECT_EQ(L"####", untouched);
}

TEST_F(ProfileTest, NameListsAndSectionListing) {
  WriteBytes(Path(),
             "top=ignored\r\n"
             "[One]\r\n"
             "a = 1\r\n"
             "B=\"2\"\r\n"
             "; c=3\r\n"
             "  no equals  \r\n"
             "\r\n"
             "A=dup\r\n"
             "[Two]\r\n"
             ";[Commented]\r\n"
             "[one]\r\n"
             "z=9\r\n"
             "[Three]");
  EXPECT_EQ((std::vector<std::wstring>{L"One", L"Two", L"one", L"Three"}), List(nullptr));
  EXPECT_EQ((std::vector<std::wstring>{L"a", L"B", L"A"}), List(L"ONE"));
  EXPECT_TRUE(List(L"Two").empty());
  EXPECT_TRUE(List(L"Missing").empty());

  wchar_t buffer[256];
  DWORD n = GetPrivateProfileSectionNamesW(buffer, 256, Win());
  EXPECT_EQ((std::vector<std::wstring>{L"One", L"Two", L"one", L"Three"}), Entries(buffer, n));
  n = GetPrivateProfileSectionW(L"one", buffer, 256, Win());
  EXPECT_EQ((std::vector<std::wstring>{L"a=1", L"B=\"2\"", L"no equals", L"A=dup"}), Entries(buffer, n));
  EXPECT_EQ(L'\0', buffer[n]);
  EXPECT_EQ(6u, GetPrivateProfileSectionW(L"one", buffer, 8, Win()));
  EXPECT_EQ(std::wstring(L"a=1\0B=\0\0", 8), std::wstring(buffer, 8));
  EXPECT_EQ(0u, GetPrivateProfileSectionW(L"Missing", buffer, 256, Win()));
  EXPECT_EQ(L'\0', buffer[0]);
}

TEST_F(ProfileTest, IntegerValues) {
  WriteBytes(Path(),
             "[N]\r\nplain=42\r\nspaced=   17   \r\nneg=-5\r\nplus=+8\r\nmixed=12abc\r\n"
             "text=abc\r\nempty=\r\nquoted='9'\r\nwrap=4294967297\r\n");
  struct Row {
    const wchar_t* key;
    UINT expected;
  } rows[] = {
      {L"plain", 42},           {L"spaced", 17}, {L"neg", static_cast<UINT>(-5)}, {L"plus", 8},
      {L"mixed", 12},           {L"text", 0},    {L"empty", 77},                  {L"quoted", 9},
      {L"wrap", 1},             {L"missing", 77},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(Utf8(r.key));
    EXPECT_EQ(r.expected, GetPrivateProfileIntW(L"N", r.key, 77, Win()));
  }
  EXPECT_EQ(static_cast<UINT>(-3), GetPrivateProfileIntW(L"N", L"k", -3, Win("none.ini")));
}

TEST_F(ProfileTest, WhereWritesLand) {
  struct Row {
    const char* name;
    const char* before;  // null: no file
    const wchar_t* app;
    const wchar_t* key;
    const wchar_t* value;
    const char* after;
  } rows[] = {
      {"new file", nullptr, L"S", L"k", L"v", "[S]\r\nk=v\r\n"},
      {"empty file", "", L"S", L"k", L"v", "[S]\r\nk=v\r\n"},
      {"new key before blank separator", "[S]\r\na=1\r\n\r\n\r\n[T]\r\nb=2\r\n", L"S", L"k", L"v",
       "[S]\r\na=1\r\nk=v\r\n\r\n\r\n[T]\r\nb=2\r\n"},
      {"new key after trailing comment", "[S]\r\na=1\r\n; note\r\n\r\n[T]\r\n", L"S", L"k", L"v",
       "[S]\r\na=1\r\nk=v\r\n; note\r\n\r\n[T]\r\n"},
      {"new key, no final line end", "[S]\r\na=1", L"S", L"k", L"v", "[S]\r\na=1\r\nk=v\r\n"},
      {"new key under a bare header", "[S]", L"s", L"k", L"v", "[S]\r\nk=v\r\n"},
      {"new section, no final line end", "[S]\r\na=1", L"T", L"k", L"v", "[S]\r\na=1\r\n[T]\r\nk=v\r\n"},
      {"new section", "[S]\r\na=1\r\n", L"T", L"k", L"v", "[S]\r\na=1\r\n[T]\r\nk=v\r\n"},
      {"new names trimmed", "", L" N ", L"\tk ", L" v ", "[N]\r\nk= v \r\n"},
      {"changed key keeps its spelling", "[S]\r\n  Key  =  old  \r\nz=1\r\n", L"S", L"KEY", L"new",
       "[S]\r\nKey=new\r\nz=1\r\n"},
      {"changed key keeps LF", "[S]\na=1\nb=2\n", L"S", L"a", L"9", "[S]\na=9\nb=2\n"},
      {"new key in LF file", "[S]\na=1\nb=2\n", L"S", L"c", L"3", "[S]\na=1\nb=2\nc=3\r\n"},
      {"changed last line without line end", "[S]\r\na=1", L"S", L"a", L"2", "[S]\r\na=2\r\n"},
      {"first of two sections", "[S]\r\na=1\r\n[T]\r\n[s]\r\nb=2\r\n", L"s", L"c", L"3",
       "[S]\r\na=1\r\nc=3\r\n[T]\r\n[s]\r\nb=2\r\n"},
      {"first of two keys", "[S]\r\na=1\r\nA=2\r\n", L"S", L"a", L"3", "[S]\r\na=3\r\nA=2\r\n"},
      {"value with equals and quotes", "[S]\r\n", L"S", L"k", L"\"a=b\"", "[S]\r\nk=\"a=b\"\r\n"},
      {"delete key everywhere", "[S]\r\na=1\r\nb=2\r\n[T]\r\na=3\r\n[s]\r\nA=4\r\n", L"S", L"a", nullptr,
       "[S]\r\nb=2\r\n[T]\r\na=3\r\n[s]\r\n"},
      {"delete last key without line end", "[S]\r\na=1\r\nb=2", L"S", L"B", nullptr, "[S]\r\na=1\r\n"},
      {"delete section everywhere", "x=0\r\n[S]\r\na=1\r\n\r\n; c\r\n[T]\r\nb=2\r\n[s]\r\nc=3\r\n", L"S",
       nullptr, nullptr, "x=0\r\n; c\r\n[T]\r\nb=2\r\n"},
      {"delete section ignores the value", "[S]\r\na=1\r\n[T]\r\n", L"S", nullptr, L"x", "[T]\r\n"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    std::filesystem::remove(Path());
    if (r.before) WriteBytes(Path(), r.before);
    EXPECT_TRUE(Put(r.app, r.key, r.value));
    EXPECT_EQ(r.after, ReadBytes(Path()));
  }
}

TEST_F(ProfileTest, WritesThatChangeNothingLeaveTheFileAlone) {
  const std::string before = "[S]\r\na=1\r\n[T]\r\n";
  WriteBytes(Path(), before);
  struct stat st0;
  ASSERT_EQ(0, stat(Path().c_str(), &st0));
  struct Row {
    const char* name;
    const wchar_t* app;
    const wchar_t* key;
    const wchar_t* value;
  } rows[] = {
      {"same value", L"S", L"a", L"1"},
      {"missing key", L"S", L"b", nullptr},
      {"key of a missing section", L"U", L"a", nullptr},
      {"missing section", L"U", nullptr, nullptr},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_TRUE(Put(r.app, r.key, r.value));
    struct stat st;
    ASSERT_EQ(0, stat(Path().c_str(), &st));
    EXPECT_EQ(st0.st_ino, st.st_ino) << "file was replaced";
    EXPECT_EQ(before, ReadBytes(Path()));
  }
  // Deleting from a missing file leaves an empty one, as on Windows.
  EXPECT_TRUE(Put(L"S", L"a", nullptr, "none.ini"));
  EXPECT_EQ("", ReadBytes(Path("none.ini")));
  std::filesystem::remove(Path("none.ini"));
  EXPECT_TRUE(Put(L"S", nullptr, nullptr, "none.ini"));
  EXPECT_EQ("", ReadBytes(Path("none.ini")));
}

TEST_F(ProfileTest, ParameterErrors) {
  WriteBytes(Path(), "[S]\r\na=1\r\n");
  SetLastError(0);
  // Windows answers a nameless section with ERROR_FILE_NOT_FOUND, touching
  // no file, whether or not it exists.
  EXPECT_FALSE(Put(nullptr, L"a", L"1"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
  EXPECT_FALSE(Put(nullptr, nullptr, L"1"));
  EXPECT_FALSE(Put(nullptr, L"a", L"1", "none.ini"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
  EXPECT_FALSE(std::filesystem::exists(Path("none.ini")));
  EXPECT_TRUE(WritePrivateProfileStringW(nullptr, nullptr, nullptr, Win()));
  EXPECT_TRUE(WritePrivateProfileStringW(nullptr, nullptr, nullptr, nullptr));
  // A line break would split the entry into lines of its own.
  for (auto* bad : {L"x\r\n[Injected]", L"x\ny", L"x\r"}) {
    SCOPED_TRACE(Utf8(bad));
    SetLastError(0);
    EXPECT_FALSE(Put(L"S", L"a", bad));
    EXPECT_FALSE(Put(L"S", bad, L"1"));
    EXPECT_FALSE(Put(bad, L"a", L"1"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
  }
  EXPECT_EQ("[S]\r\na=1\r\n", ReadBytes(Path()));
  EXPECT_FALSE(WritePrivateProfileStringW(L"S", L"a", L"1", nullptr));
  wchar_t buffer[8];
  EXPECT_EQ(1u, GetPrivateProfileStringW(L"S", L"a", L"d", buffer, 8, nullptr));
  EXPECT_EQ(0u, GetPrivateProfileStringW(L"S", L"a", L"d", nullptr, 8, Win()));
}

TEST_F(ProfileTest, Utf16FileStaysUtf16) {
  WriteBytes(Path(), Utf16Le(u"[S]\r\na=1\r\n[\u8BBE\u7F6E]\r\n\u540D=old\r\n"));
  const wchar_t* value = L"\u4E2D\u6587\U0001F600";
  EXPECT_EQ(L"old", Get(L"\u8BBE\u7F6E", L"\u540D"));
  EXPECT_TRUE(Put(L"S", L"b", value));
  EXPECT_TRUE(Put(L"\u8BBE\u7F6E", L"\u540D", L"\U0001F600"));
  EXPECT_TRUE(Put(L"New", L"k", L"v"));
  EXPECT_EQ(Utf16Le(u"[S]\r\na=1\r\nb=\u4E2D\u6587\U0001F600\r\n[\u8BBE\u7F6E]\r\n\u540D=\U0001F600\r\n"
                    u"[New]\r\nk=v\r\n"),
            ReadBytes(Path()));
  EXPECT_EQ(value, Get(L"s", L"B"));
  EXPECT_EQ(L"\U0001F600", Get(L"\u8BBE\u7F6E", L"\u540D"));
  EXPECT_EQ((std::vector<std::wstring>{L"S", L"\u8BBE\u7F6E", L"New"}), List(nullptr));
}

TEST_F(ProfileTest, Utf8FileKeepsItsMark) {
  WriteBytes(Path(), "\xEF\xBB\xBF[S]\r\na=1\r\n");
  const wchar_t* value = L"\u4E2D\u6587\U0001F600";
  EXPECT_TRUE(Put(L"S", L"b", value));
  EXPECT_EQ("\xEF\xBB\xBF[S]\r\na=1\r\nb=" + Utf8(value) + "\r\n", ReadBytes(Path()));
  EXPECT_EQ(value, Get(L"S", L"b"));
  // The mark decides, not the code page.
  ASSERT_TRUE(KvSetACP(936));
  EXPECT_EQ(value, Get(L"S", L"b"));
}

TEST_F(ProfileTest, AnsiFilesUseTheCodePage) {
  ASSERT_TRUE(KvSetACP(936));
  EXPECT_TRUE(Put(L"\u8BBE\u7F6E", L"\u540D", L"\u4E2D\u6587"));
  EXPECT_EQ("[\xC9\xE8\xD6\xC3]\r\n\xC3\xFB=\xD6\xD0\xCE\xC4\r\n", ReadBytes(Path()));
  EXPECT_EQ(L"\u4E2D\u6587", Get(L"\u8BBE\u7F6E", L"\u540D"));

  // 0x5D is the trail byte of U+616E in GBK: that header holds no ']' and
  // names the rest of its line; in 1252 the byte is the closing ']'.
  WriteBytes(Path("dbcs.ini"), "[S]\r\n[\x91\x5Dx\r\nk=1\r\n");
  EXPECT_EQ(L"1", Get(L"\u616Ex", L"k", L"d", "dbcs.ini"));
  ASSERT_TRUE(KvSetACP(1252));
  EXPECT_EQ(L"1", Get(L"\u2018", L"k", L"d", "dbcs.ini"));
  EXPECT_EQ(L"d", Get(L"S", L"k", L"d", "dbcs.ini"));

  EXPECT_TRUE(Put(L"W", L"k", L"caf\u00E9 \u4E2D", "w.ini"));
  EXPECT_EQ("[W]\r\nk=caf\xE9 ?\r\n", ReadBytes(Path("w.ini")));
  EXPECT_EQ(L"caf\u00E9 ?", Get(L"W", L"k", L"", "w.ini"));
}

TEST_F(ProfileTest, UntouchedLinesKeepTheirBytes) {
  const std::string head =
      ";odd\tcomment \r\n"
      "   [S]   ; header comment\r\n"
      "  a   =   1  \r\n"
      "bin=\x01\x00zz\xFF\xFE\x81\r\n"
      "lone=x\ry\r\n"
      "\r\n"
      "no equals \xFF\n"s;
  const std::string tail = "\r\n[T]\r\ntail=end";
  WriteBytes(Path(), head + "k=old" + tail);
  EXPECT_EQ(std::wstring(L"\x01"), Get(L"S", L"bin")) << "a value ends at a NUL";
  EXPECT_EQ(L"x", Get(L"S", L"lone")) << "a CR alone ends a line";
  EXPECT_EQ(L"end", Get(L"T", L"tail"));

  EXPECT_TRUE(Put(L"S", L"k", L"new"));
  EXPECT_EQ(head + "k=new" + tail, ReadBytes(Path()));
  EXPECT_TRUE(Put(L"T", L"tail", L"changed"));
  EXPECT_EQ(head + "k=new\r\n[T]\r\ntail=changed\r\n", ReadBytes(Path()));
  EXPECT_TRUE(Put(L"T", L"more", L"1"));
  EXPECT_EQ(head + "k=new\r\n[T]\r\ntail=changed\r\nmore=1\r\n", ReadBytes(Path()));
  EXPECT_TRUE(Put(L"S", L"bin", nullptr));
  std::string withoutBin = head;
  const std::string binLine = "bin=\x01\x00zz\xFF\xFE\x81\r\n"s;
  withoutBin.erase(withoutBin.find(binLine), binLine.size());
  EXPECT_EQ(withoutBin + "k=new\r\n[T]\r\ntail=changed\r\nmore=1\r\n", ReadBytes(Path()));
}

TEST_F(ProfileTest, BadTargets) {
  std::filesystem::create_directory(Path("folder.ini"));
  EXPECT_EQ(L"d", Get(L"S", L"k", L"d", "folder.ini"));
  SetLastError(0);
  EXPECT_FALSE(Put(L"S", L"k", L"v", "folder.ini"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());

  // Refused from the mode bits, so also when the tests run as root.
  WriteBytes(Path("ro.ini"), "[S]\r\nk=1\r\n");
  ASSERT_EQ(0, chmod(Path("ro.ini").c_str(), 0444));
  SetLastError(0);
  EXPECT_FALSE(Put(L"S", L"k", L"2", "ro.ini"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
  EXPECT_FALSE(Put(L"S", nullptr, nullptr, "ro.ini"));
  EXPECT_EQ("[S]\r\nk=1\r\n", ReadBytes(Path("ro.ini")));
  EXPECT_EQ(L"1", Get(L"S", L"k", L"d", "ro.ini"));
  EXPECT_TRUE(Put(L"S", L"absent", nullptr, "ro.ini")) << "nothing to delete needs no write";

  SetLastError(0);
  EXPECT_FALSE(Put(L"S", L"k", L"v", "missing/a.ini"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());
  EXPECT_FALSE(Exists(Path("missing")));

  unsetenv("KAVRO_DRIVE_Q");
  std::string ignored;
  ASSERT_FALSE(kavro::platform::KvMapPath(L"Q:\\cfg\\a.ini", ignored));
  const DWORD mapError = GetLastError();
  wchar_t buffer[8];
  EXPECT_EQ(1u, GetPrivateProfileStringW(L"S", L"k", L"d", buffer, 8, L"Q:\\cfg\\a.ini"));
  SetLastError(0);
  EXPECT_FALSE(WritePrivateProfileStringW(L"S", L"k", L"v", L"Q:\\cfg\\a.ini"));
  EXPECT_EQ(mapError, GetLastError());
}

TEST_F(ProfileTest, SymbolicLinkAndModeSurviveAWrite) {
  std::filesystem::create_directory(Path("real"));
  WriteBytes(Path("real/target.ini"), "[S]\r\nk=1\r\n");
  ASSERT_EQ(0, chmod(Path("real/target.ini").c_str(), 0640));
  ASSERT_EQ(0, symlink("real/target.ini", Path("link.ini").c_str()));
  EXPECT_TRUE(Put(L"S", L"k", L"2", "LINK.INI"));
  struct stat st;
  ASSERT_EQ(0, lstat(Path("link.ini").c_str(), &st));
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(0, stat(Path("real/target.ini").c_str(), &st));
  EXPECT_EQ(0640u, st.st_mode & 07777);
  EXPECT_EQ("[S]\r\nk=2\r\n", ReadBytes(Path("real/target.ini")));
  EXPECT_EQ((std::vector<std::string>{"link.ini", "real"}), [&] {
    std::vector<std::string> names;
    for (auto& e : std::filesystem::directory_iterator(dir_.path())) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }());
  EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(Path("real")), {})) << "a temporary file was left";
}

TEST_F(ProfileTest, TwoProcessesWritingLoseNothing) {
  const std::string probe = kavro::test::ProbePath("profile_writer");
  const std::string file = kavro::test::Utf8(Win());
  const int perProcess = 200;
  std::vector<int> pids;
  for (const char* prefix : {"P", "Q"}) {
    pids.push_back(kavro::test::Spawn(
        {probe, "keys", file, "Keys", prefix, std::to_string(perProcess)}));
    ASSERT_GT(pids.back(), 0);
  }
  for (int pid : pids) {
    int status = 0;
    ASSERT_EQ(pid, waitpid(pid, &status, 0));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a write failed";
  }
  std::vector<std::wstring> keys;
  {
    std::vector<wchar_t> buffer(1 << 16);
    DWORD n = GetPrivateProfileStringW(L"Keys", nullptr, L"", buffer.data(), buffer.size(), Win());
    keys = Entries(buffer.data(), n);
  }
  EXPECT_EQ(static_cast<size_t>(2 * perProcess), keys.size());
  for (const wchar_t* prefix : {L"P", L"Q"}) {
    for (int n = 0; n < perProcess; ++n) {
      std::wstring key = prefix + std::to_wstring(n);
      ASSERT_EQ(std::to_wstring(n), Get(L"Keys", key.c_str(), L"lost")) << Utf8(key.c_str());
    }
  }
}

// Parses the churned file: exactly the keys K0..K<count-1>, each with the seed
// value or a whole value of the writer.
void ExpectWholeFile(const CString& file, int count, size_t fillerSize) {
  std::vector<wchar_t> buffer(1 << 16);
  DWORD n = GetPrivateProfileStringW(L"Big", nullptr, L"", buffer.data(), buffer.size(), file);
  std::vector<std::wstring> keys = Entries(buffer.data(), n);
  ASSERT_EQ(static_cast<size_t>(count), keys.size());
  std::vector<wchar_t> value(fillerSize + 64);
  for (int i = 0; i < count; ++i) {
    std::wstring key = L"K" + std::to_wstring(i);
    ASSERT_EQ(key, keys[i]);
    DWORD len = GetPrivateProfileStringW(L"Big", key.c_str(), L"", value.data(), value.size(), file);
    std::wstring v(value.data(), len);
    if (v == L"seed") continue;
    ASSERT_EQ(L'v', v.front()) << "key " << i;
    ASSERT_EQ(L":end", v.substr(v.size() - 4)) << "key " << i;
    ASSERT_EQ(fillerSize, v.size() - v.find(L':') - 5) << "key " << i;
  }
}

TEST_F(ProfileTest, KilledWriterLeavesAWholeFile) {
  const int keyCount = 20;
  const size_t fillerSize = 20000;
  std::string seed = "[Head]\r\nx=1\r\n[Big]\r\n";
  for (int i = 0; i < keyCount; ++i) seed += "K" + std::to_string(i) + "=seed\r\n";
  seed += "[Tail]\r\ny=2\r\n";
  WriteBytes(Path(), seed);
  const std::string probe = kavro::test::ProbePath("profile_writer");
  const std::string file = kavro::test::Utf8(Win());
  std::mt19937 random(std::random_device{}());
  for (int round = 0; round < 6; ++round) {
    SCOPED_TRACE(testing::Message() << "round " << round);
    const std::string before = ReadBytes(Path());
    int pid = kavro::test::Spawn(
        {probe, "churn", file, "Big", std::to_string(keyCount), std::to_string(fillerSize)});
    ASSERT_GT(pid, 0);
    // Wait for the writer's first change, then let it run a random while,
    // reading all along: no read may see a part of a file.
    for (int i = 0; i < 5000 && ReadBytes(Path()) == before; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(random() % 40);
    do {
      ExpectWholeFile(Win(), keyCount, fillerSize);
    } while (std::chrono::steady_clock::now() < until);
    ASSERT_EQ(0, kill(pid, SIGKILL));
    int status = 0;
    ASSERT_EQ(pid, waitpid(pid, &status, 0));
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself";
    ExpectWholeFile(Win(), keyCount, fillerSize);
    EXPECT_EQ(L"1", Get(L"Head", L"x"));
    EXPECT_EQ(L"2", Get(L"Tail", L"y"));
  }
  // A writer killed between naming its complete new file and the rename
  // leaves that file under a hidden temporary name; nothing else is left.
  EXPECT_TRUE(Put(L"Tail", L"y", L"3"));
  for (auto& e : std::filesystem::directory_iterator(dir_.path())) {
    std::string name = e.path().filename();
    if (name == "a.ini") continue;
    EXPECT_EQ(0u, name.rfind(".a.ini.", 0)) << name;
    EXPECT_EQ(".kvtmp", name.substr(name.size() - 6)) << name;
  }
  ExpectWholeFile(Win(), keyCount, fillerSize);
}

// A folder at the former fixed temporary name made every write of the file
// fail.
TEST_F(ProfileTest, FolderAtTheOldTemporaryNameNeverBlocksAWrite_UsedToFailEveryWrite) {
  WriteBytes(Path(), "[S]\r\nk=1\r\n");
  std::filesystem::create_directory(Path(".a.ini.kvtmp"));
  EXPECT_TRUE(Put(L"S", L"k", L"2"));
  EXPECT_EQ(L"2", Get(L"S", L"k"));
  EXPECT_TRUE(Put(L"S", nullptr, nullptr));
  EXPECT_EQ("", ReadBytes(Path()));
  EXPECT_TRUE(kavro::test::IsDirectory(Path(".a.ini.kvtmp")));
  EXPECT_EQ(2, std::distance(std::filesystem::directory_iterator(dir_.path()), {})) << "a temporary file was left";
}

}  // namespace
