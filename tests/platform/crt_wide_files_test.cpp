// The generic-text file, path and environment routines: _tfopen's text and
// binary modes on real files, the errno results of the file calls,
// _tfullpath and _tgetenv's pointers, and _tprintf's bytes in a child
// process.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <string>

#include "KavroStd/platform/tchar_routines.h"
#include "support/test_support.h"

namespace {

using kavro::test::ReadBytes;
using kavro::test::TempDir;
using kavro::test::WriteBytes;

std::wstring Win(const TempDir& dir, const char* name) { return std::wstring(dir.Win(name).GetString()); }

TEST(CrtWideFilesTest, TextModeWritesCrLfAndBinaryDoesNot) {
  TempDir dir;
  FILE* text = _tfopen(Win(dir, "text.txt").c_str(), L"w");
  ASSERT_NE(nullptr, text);
  EXPECT_EQ(0, _fputts(L"a\n", text));
  EXPECT_EQ(8, _ftprintf(text, L"%s=%d\n", L"Gr\u00fc\u00dfe", 5));
  EXPECT_EQ(static_cast<_TINT>(L'\n'), _fputtc(L'\n', text));
  EXPECT_EQ(0, fclose(text));
  EXPECT_EQ("a\r\nGr\xc3\xbc\xc3\x9f" "e=5\r\n\r\n", ReadBytes(dir.Sub("text.txt")));

  FILE* binary = _tfopen(Win(dir, "binary.txt").c_str(), L"wb");
  ASSERT_NE(nullptr, binary);
  _fputts(L"a\nb\n", binary);
  fclose(binary);
  EXPECT_EQ("a\nb\n", ReadBytes(dir.Sub("binary.txt")));

  // Appending in text mode goes to the end, also after a seek.
  FILE* append = _tfopen(Win(dir, "binary.txt").c_str(), L"a+t");
  ASSERT_NE(nullptr, append);
  fseek(append, 0, SEEK_SET);
  _fputts(L"c\n", append);
  fclose(append);
  EXPECT_EQ("a\nb\nc\r\n", ReadBytes(dir.Sub("binary.txt")));
}

TEST(CrtWideFilesTest, TextModeReadsCrLfAsLfWithFileOffsets) {
  TempDir dir;
  // A CR LF split across the first 64 KiB read, a lone CR, a CR at the end.
  std::string bytes(65535, 'x');
  bytes += "\r\nline\rstill\r\nend\r";
  WriteBytes(dir.Sub("in.txt"), bytes);
  FILE* f = _tfopen(Win(dir, "in.txt").c_str(), L"rt");
  ASSERT_NE(nullptr, f);
  std::string all;
  char chunk[4096];
  size_t n;
  while ((n = fread(chunk, 1, sizeof chunk, f)) > 0) all.append(chunk, n);
  EXPECT_EQ(std::string(65535, 'x') + "\nline\rstill\nend\r", all);

  // ftell gives the offset in the file, and fseek back to it reads on from
  // there.
  ASSERT_EQ(0, fseek(f, 65530, SEEK_SET));
  wchar_t line[64];
  ASSERT_NE(nullptr, _fgetts(line, 64, f));
  EXPECT_STREQ(L"xxxxx\n", line);
  long afterFirst = ftell(f);
  EXPECT_EQ(65537, afterFirst);
  ASSERT_NE(nullptr, _fgetts(line, 64, f));
  EXPECT_STREQ(L"line\rstill\n", line);
  EXPECT_EQ(65549, ftell(f));
  ASSERT_EQ(0, fseek(f, afterFirst, SEEK_SET));
  ASSERT_NE(nullptr, _fgetts(line, 64, f));
  EXPECT_STREQ(L"line\rstill\n", line);
  fclose(f);
}

TEST(CrtWideFilesTest, TextReadDecodesUtf8) {
  TempDir dir;
  WriteBytes(dir.Sub("utf8.txt"), "Gr\xc3\xbc\xc3\x9f" "e \xe4\xb8\xad\xff!\r\n");
  FILE* f = _tfopen(Win(dir, "utf8.txt").c_str(), L"r");
  ASSERT_NE(nullptr, f);
  wchar_t line[32];
  ASSERT_NE(nullptr, _fgetts(line, 32, f));
  EXPECT_STREQ(L"Gr\u00fc\u00dfe \u4e2d\ufffd!\n", line);
  EXPECT_EQ(_TEOF, _fgettc(f));
  EXPECT_EQ(nullptr, _fgetts(line, 32, f));
  fclose(f);
}

TEST(CrtWideFilesTest, OpenRefusalsGiveWindowsErrno) {
  TempDir dir;
  WriteBytes(dir.Sub("ro.txt"), "keep");
  ASSERT_EQ(0, chmod(dir.Sub("ro.txt").c_str(), 0444));
  mkdir(dir.Sub("folder").c_str(), 0755);
  struct Row {
    const char* name;
    const wchar_t* mode;
    int error;
  } rows[] = {
      {"missing.txt", L"r", ENOENT},
      {"ro.txt", L"w", EACCES},
      {"ro.txt", L"r+", EACCES},
      {"folder", L"r", EACCES},
      {"new.txt", L"w, ccs=UTF-8", EINVAL},
      {"new.txt", L"q", EINVAL},
      {"new.txt", L"rw", EINVAL},
      {"ro.txt", L"wx", EEXIST},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << r.name << " " << r.mode);
    FILE* f = nullptr;
    EXPECT_EQ(r.error, _tfopen_s(&f, Win(dir, r.name).c_str(), r.mode));
    EXPECT_EQ(nullptr, f);
    EXPECT_EQ(r.error, errno);
  }
  EXPECT_EQ("keep", ReadBytes(dir.Sub("ro.txt")));
  EXPECT_FALSE(kavro::test::Exists(dir.Sub("new.txt")));
  FILE* f = nullptr;
  EXPECT_EQ(0, _tfopen_s(&f, Win(dir, "RO.TXT").c_str(), L"rb"));  // found without regard to case
  ASSERT_NE(nullptr, f);
  fclose(f);
}

TEST(CrtWideFilesTest, FileCallsReportWindowsErrno) {
  TempDir dir;
  WriteBytes(dir.Sub("a.txt"), "a");
  WriteBytes(dir.Sub("b.txt"), "b");
  WriteBytes(dir.Sub("ro.txt"), "r");
  ASSERT_EQ(0, chmod(dir.Sub("ro.txt").c_str(), 0444));
  mkdir(dir.Sub("full").c_str(), 0755);
  WriteBytes(dir.Sub("full/x"), "x");
  auto path = [&dir](const char* name) { return Win(dir, name); };
  struct Row {
    const char* what;
    std::function<int()> call;
    int error;
  } rows[] = {
      {"remove missing", [&] { return _tremove(path("none").c_str()); }, ENOENT},
      {"remove folder", [&] { return _tremove(path("full").c_str()); }, EACCES},
      {"remove read-only", [&] { return _tremove(path("ro.txt").c_str()); }, EACCES},
      {"rename onto a file", [&] { return _trename(path("a.txt").c_str(), path("b.txt").c_str()); }, EACCES},
      {"rename missing", [&] { return _trename(path("none").c_str(), path("c.txt").c_str()); }, ENOENT},
      {"mkdir existing", [&] { return _tmkdir(path("full").c_str()); }, EEXIST},
      {"rmdir not empty", [&] { return _trmdir(path("full").c_str()); }, ENOTEMPTY},
      {"rmdir a file", [&] { return _trmdir(path("a.txt").c_str()); }, ENOTEMPTY},
      {"rmdir missing", [&] { return _trmdir(path("none").c_str()); }, ENOENT},
      {"access write read-only", [&] { return _taccess(path("ro.txt").c_str(), 2); }, EACCES},
      {"access missing", [&] { return _taccess(path("none").c_str(), 0); }, ENOENT},
      {"access execute", [&] { return _taccess(path("a.txt").c_str(), 1); }, EINVAL},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    errno = 0;
    EXPECT_EQ(-1, r.call());
    EXPECT_EQ(r.error, errno);
  }
  EXPECT_EQ("b", ReadBytes(dir.Sub("b.txt")));

  EXPECT_EQ(0, _taccess(Win(dir, "ro.txt").c_str(), 4));
  EXPECT_EQ(0, _taccess(Win(dir, "full").c_str(), 6));
  EXPECT_EQ(0, _trename(Win(dir, "a.txt").c_str(), Win(dir, "c.txt").c_str()));
  EXPECT_EQ(0, _tremove(Win(dir, "c.txt").c_str()));
  EXPECT_EQ(0, _tmkdir(Win(dir, "new").c_str()));
  EXPECT_EQ(0, _trmdir(Win(dir, "new").c_str()));
  EXPECT_FALSE(kavro::test::Exists(dir.Sub("c.txt")));
}

TEST(CrtWideFilesTest, OutputIsUtf8WhateverTheLocale) {
  auto result = kavro::test::Run({kavro::test::ProbePath("tchar_print")}, {"LC_ALL=C"});
  EXPECT_EQ(0, result.exitCode);
  EXPECT_EQ("Gr\xc3\xbc\xc3\x9f" "e 5|\xc3\xa9\xe4\xb8\xad\ndebug \xc3\xa4\n", result.output);
}

// Restores the current folder when the test ends.
class CurrentFolder {
 public:
  CurrentFolder() : saved_(getcwd(nullptr, 0)) {}
  ~CurrentFolder() {
    if (chdir(saved_) != 0) ADD_FAILURE() << "cannot return to " << saved_;
    free(saved_);
  }

 private:
  char* saved_;
};

TEST(CrtWideFilesTest, FullPathsAgainstTheCurrentFolder) {
  TempDir dir;
  mkdir(dir.Sub("sub").c_str(), 0755);
  CurrentFolder restore;
  ASSERT_EQ(0, _tchdir(Win(dir, "sub").c_str()));
  std::wstring base = Win(dir, "");  // "Z:\...\" with its backslash
  std::wstring drive = base.substr(0, 2);
  std::wstring otherDrive = drive == L"D:" ? L"E:" : L"D:";
  wchar_t* cwd = _tgetcwd(nullptr, 0);
  ASSERT_NE(nullptr, cwd);
  EXPECT_EQ(base + L"sub", cwd);
  free(cwd);
  struct Row {
    std::wstring path;
    std::wstring full;
  } rows[] = {
      {L"x.txt", base + L"sub\\x.txt"},
      {L"..\\y\\.\\x.txt", base + L"y\\x.txt"},
      {L"a/b", base + L"sub\\a\\b"},
      {L"\\etc\\hosts", drive + L"\\etc\\hosts"},
      {drive + L"rel", base + L"sub\\rel"},
      {otherDrive + L"rel", otherDrive + L"\\rel"},
      {L"C:\\a\\..\\b", L"C:\\b"},
      {L"", base + L"sub"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << "\"" << r.path << "\"");
    wchar_t* full = _tfullpath(nullptr, r.path.c_str(), 0);
    ASSERT_NE(nullptr, full);
    EXPECT_EQ(r.full, full);
    free(full);
  }
  wchar_t small[4];
  errno = 0;
  EXPECT_EQ(nullptr, _tfullpath(small, L"x.txt", 4));
  EXPECT_EQ(ERANGE, errno);
}

TEST(CrtWideFilesTest, EnvironmentTextsStayValid) {
  ASSERT_EQ(0, setenv("KAVRO_TCHAR_VAR", "Gr\xc3\xbc\xc3\x9f" "e", 1));
  const wchar_t* first = _tgetenv(L"KAVRO_TCHAR_VAR");
  ASSERT_NE(nullptr, first);
  EXPECT_STREQ(L"Gr\u00fc\u00dfe", first);
  EXPECT_EQ(first, _tgetenv(L"KAVRO_TCHAR_VAR"));
  EXPECT_EQ(first, _tgetenv(L"kavro_tchar_var"));  // any case, as on Windows

  // A change through another case of the name sets the existing variable;
  // the text handed out before keeps its value.
  EXPECT_EQ(0, _tputenv_s(L"Kavro_Tchar_Var", L"two"));
  EXPECT_STREQ("two", getenv("KAVRO_TCHAR_VAR"));
  EXPECT_EQ(nullptr, getenv("Kavro_Tchar_Var"));
  const wchar_t* second = _tgetenv(L"KAVRO_TCHAR_VAR");
  EXPECT_STREQ(L"two", second);
  EXPECT_STREQ(L"Gr\u00fc\u00dfe", first);

  size_t needed = 0;
  EXPECT_EQ(0, _tgetenv_s(&needed, nullptr, 0, L"KAVRO_TCHAR_VAR"));
  EXPECT_EQ(4u, needed);
  wchar_t small[3];
  EXPECT_EQ(ERANGE, _tgetenv_s(&needed, small, 3, L"KAVRO_TCHAR_VAR"));
  EXPECT_EQ(4u, needed);
  wchar_t* copy = nullptr;
  size_t size = 0;
  EXPECT_EQ(0, _tdupenv_s(&copy, &size, L"KAVRO_TCHAR_VAR"));
  EXPECT_STREQ(L"two", copy);
  EXPECT_EQ(4u, size);
  free(copy);

  EXPECT_EQ(0, _tputenv(L"KAVRO_TCHAR_VAR="));
  EXPECT_EQ(nullptr, _tgetenv(L"KAVRO_TCHAR_VAR"));
  EXPECT_EQ(0, _tdupenv_s(&copy, &size, L"KAVRO_TCHAR_VAR"));
  EXPECT_EQ(nullptr, copy);
  EXPECT_EQ(0u, size);
  EXPECT_EQ(-1, _tputenv(L"no assignment"));
  EXPECT_STREQ(L"Gr\u00fc\u00dfe", first);
}

}  // namespace
