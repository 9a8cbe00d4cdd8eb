#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace {

using kavro::test::TempDir;
using kavro::test::Utf8;

TEST(ShellPath, CanonicalizeResolvesDotSegments) {
  struct Row {
    const wchar_t* path;
    const wchar_t* expected;
  } const rows[] = {
      {L"A:\\name_1\\.\\name_2\\..\\name_3", L"A:\\name_1\\name_3"},
      {L"A:\\name_1\\..\\name_2\\.\\name_3", L"A:\\name_2\\name_3"},
      {L"A:\\name_1\\name_2\\.\\name_3\\..\\name_4", L"A:\\name_1\\name_2\\name_4"},
      {L"A:\\name_1\\.\\name_2\\.\\name_3\\..\\name_4\\..", L"A:\\name_1\\name_2"},
      {L"C:\\p\\q\\..\\x.dwg", L"C:\\p\\x.dwg"},
      {L"C:\\p\\..\\x.dwg", L"C:\\x.dwg"},
      {L"C:\\..\\..\\x", L"C:\\x"},
      {L"C:\\..", L"C:\\"},
      {L"C:\\a\\b\\..\\", L"C:\\a\\"},
      {L"C:\\a\\.\\", L"C:\\a\\"},
      {L"C:", L"C:\\"},
      {L"C:\\", L"C:\\"},
      {L"\\a\\..\\b", L"\\b"},
      {L"\\\\srv\\share\\a\\..\\..\\b", L"\\\\srv\\share\\b"},
      {L"\\\\srv\\share\\", L"\\\\srv\\share\\"},
      {L"a\\..\\..\\b", L"b"},
      {L"C:\\a.b\\..c\\...", L"C:\\a.b\\..c\\..."},
      {L"", L"\\"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Utf8(row.path));
    WCHAR out[MAX_PATH];
    ASSERT_TRUE(PathCanonicalizeW(out, row.path));
    EXPECT_STREQ(out, row.expected);
  }
}

TEST(ShellPath, CanonicalizeRefusesNullAndTooLongResults) {
  WCHAR out[MAX_PATH];
  EXPECT_FALSE(PathCanonicalizeW(out, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  std::wstring longPath = L"C:\\" + std::wstring(300, L'x');
  out[0] = L'?';
  EXPECT_FALSE(PathCanonicalizeW(out, longPath.c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
  EXPECT_STREQ(out, L"");
}

TEST(ShellPath, RelativePathBetweenFoldersAndFiles) {
  const DWORD dir = FILE_ATTRIBUTE_DIRECTORY;
  struct Row {
    const wchar_t* from;
    DWORD fromAttributes;
    const wchar_t* to;
    DWORD toAttributes;
    const wchar_t* expected;  // null: fails
  } const rows[] = {
      {L"C:\\a", dir, L"C:\\a\\b\\c.txt", 0, L".\\b\\c.txt"},
      {L"C:\\a\\", dir, L"C:\\a\\b\\c.txt", 0, L".\\b\\c.txt"},
      {L"C:\\A", dir, L"c:\\a\\B", dir, L".\\B"},
      {L"C:\\a\\x", dir, L"C:\\a\\b\\f.txt", 0, L"..\\b\\f.txt"},
      {L"C:\\a\\x\\y", dir, L"C:\\a\\b", dir, L"..\\..\\b"},
      {L"C:\\a\\f.txt", 0, L"C:\\a\\g.txt", 0, L".\\g.txt"},
      {L"C:\\a", dir, L"C:\\a", dir, L"."},
      {L"C:\\a\\b", dir, L"C:\\", dir, L"..\\.."},
      {L"C:\\ab", dir, L"C:\\a\\x", 0, L"..\\a\\x"},
      {L"C:\\a", dir, L"D:\\a", dir, nullptr},
      {L"\\\\srv\\s\\a", dir, L"\\\\srv\\s\\b", 0, L"..\\b"},
      {L"\\\\srv\\s", dir, L"C:\\s", dir, nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Utf8(row.from) + " -> " + Utf8(row.to));
    WCHAR out[MAX_PATH] = L"junk";
    BOOL ok = PathRelativePathToW(out, row.from, row.fromAttributes, row.to, row.toAttributes);
    if (!row.expected) {
      EXPECT_FALSE(ok);
      EXPECT_STREQ(out, L"");
    } else {
      EXPECT_TRUE(ok);
      EXPECT_STREQ(out, row.expected);
    }
  }
}

TEST(ShellPath, RootTests) {
  struct Row {
    const wchar_t* path;
    BOOL root;
  } const rows[] = {
      {L"\\", TRUE},        {L"C:\\", TRUE},          {L"\\\\srv", TRUE},      {L"\\\\srv\\share", TRUE},
      {L"\\\\srv\\share\\", FALSE}, {L"C:", FALSE},   {L"C:\\a", FALSE},       {L"..\\a", FALSE},
      {L"C:/", FALSE},      {L"", FALSE},             {L"\\a", FALSE},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Utf8(row.path));
    EXPECT_EQ(PathIsRootW(row.path), row.root);
  }
  EXPECT_FALSE(PathIsRootW(nullptr));
}

TEST(ShellPath, MatchSpecTakesListsOfPatterns) {
  struct Row {
    const wchar_t* file;
    const wchar_t* spec;
    BOOL match;
  } const rows[] = {
      {L"C:\\a\\x.dwg", L"*.dwg", TRUE},   {L"C:\\a\\x.DWG", L"*.dwg", TRUE},
      {L"x.dxf", L"*.dwg; *.dxf", TRUE},   {L"x.txt", L"*.dwg;*.dxf", FALSE},
      {L"anything", L"*.*", TRUE},         {L"a1.txt", L"a?.txt", TRUE},
      {L"a12.txt", L"a?.txt", FALSE},      {L"x.dwg", L"", FALSE},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Utf8(row.file) + " ~ " + Utf8(row.spec));
    EXPECT_EQ(PathMatchSpecW(row.file, row.spec), row.match);
  }
}

TEST(ShellPath, ArgumentsAndQuotes) {
  struct Row {
    const wchar_t* line;
    const wchar_t* args;
    const wchar_t* withoutArgs;
  } const rows[] = {
      {L"app.exe /x -y", L"/x -y", L"app.exe"},
      {L"\"C:\\Program Files\\app.exe\" /x \"a b\"", L"/x \"a b\"", L"\"C:\\Program Files\\app.exe\""},
      {L"app.exe", L"", L"app.exe"},
      {L"app.exe ", L"", L"app.exe"},
      {L"\"open quote only", L"", L"\"open quote only"},
      {L"", L"", L""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Utf8(row.line));
    EXPECT_STREQ(PathGetArgsW(row.line), row.args);
    std::wstring copy(row.line);
    PathRemoveArgsW(copy.data());
    EXPECT_STREQ(copy.c_str(), row.withoutArgs);
  }
  struct Quote {
    const wchar_t* text;
    const wchar_t* unquoted;
  } const quotes[] = {
      {L"\"C:\\a b\\c\"", L"C:\\a b\\c"}, {L"\"x", L"\"x"}, {L"x\"", L"x\""}, {L"\"\"", L""}, {L"\"", L"\""},
  };
  for (const Quote& q : quotes) {
    SCOPED_TRACE(Utf8(q.text));
    std::wstring copy(q.text);
    PathUnquoteSpacesW(copy.data());
    EXPECT_STREQ(copy.c_str(), q.unquoted);
  }
}

TEST(ShellPath, DiskTestsMapThePath) {
  TempDir dir;
  kavro::test::WriteBytes(dir.Sub("file.txt"), "x");
  mkdir(dir.Sub("folder").c_str(), 0755);
  EXPECT_TRUE(PathFileExistsW(dir.Win("file.txt")));
  EXPECT_TRUE(PathFileExistsW(dir.Win("FOLDER")));
  EXPECT_FALSE(PathFileExistsW(dir.Win("missing")));
  EXPECT_FALSE(PathFileExistsW(L""));
  EXPECT_EQ(PathIsDirectoryW(dir.Win("folder")), FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_FALSE(PathIsDirectoryW(dir.Win("file.txt")));
  EXPECT_FALSE(PathIsDirectoryW(dir.Win("missing")));
}

TEST(ShellPath, ShortAndLongFormsOfExistingPaths) {
  TempDir dir;
  kavro::test::WriteBytes(dir.Sub("Long Name.txt"), "x");
  CString path = dir.Win("Long Name.txt");
  WCHAR out[2048];
  DWORD n = GetShortPathNameW(path, out, 2048);
  EXPECT_EQ(n, static_cast<DWORD>(path.GetLength()));
  EXPECT_EQ(CString(out), path);
  EXPECT_EQ(GetLongPathNameW(path, nullptr, 0), static_cast<DWORD>(path.GetLength() + 1));
  WCHAR tiny[4] = L"abc";
  EXPECT_EQ(GetLongPathNameW(path, tiny, 4), static_cast<DWORD>(path.GetLength() + 1));
  EXPECT_STREQ(tiny, L"abc");
  EXPECT_EQ(GetLongPathNameW(dir.Win("missing.txt"), out, 2048), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(GetShortPathNameW(dir.Win("no\\such.txt"), out, 2048), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST(ShellPath, FileInformationByHandle) {
  TempDir dir;
  kavro::test::WriteBytes(dir.Sub(".hidden"), "12345");
  chmod(dir.Sub(".hidden").c_str(), 0444);
  link(dir.Sub(".hidden").c_str(), dir.Sub("second").c_str());
  HANDLE file = CreateFileW(dir.Win(".hidden"), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  BY_HANDLE_FILE_INFORMATION info;
  ASSERT_TRUE(GetFileInformationByHandle(file, &info));
  CloseHandle(file);
  struct stat st;
  ASSERT_EQ(stat(dir.Sub(".hidden").c_str(), &st), 0);
  EXPECT_EQ(info.dwFileAttributes, static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                                      FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_EQ(info.nFileSizeLow, 5u);
  EXPECT_EQ(info.nFileSizeHigh, 0u);
  EXPECT_EQ(info.nNumberOfLinks, 2u);
  EXPECT_EQ((static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow,
            static_cast<unsigned long long>(st.st_ino));
  ULONGLONG write = (static_cast<ULONGLONG>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                    info.ftLastWriteTime.dwLowDateTime;
  EXPECT_EQ(write / 10000000ULL - 11644473600ULL, static_cast<ULONGLONG>(st.st_mtim.tv_sec));
  DWORD serial = 0;
  ASSERT_TRUE(GetVolumeInformationW(L"Z:\\", nullptr, 0, &serial, nullptr, nullptr, nullptr, 0));
  struct stat root;
  ASSERT_EQ(stat("/", &root), 0);
  if (root.st_dev == st.st_dev) {
    EXPECT_EQ(serial, info.dwVolumeSerialNumber);
  }

  EXPECT_FALSE(GetFileInformationByHandle(INVALID_HANDLE_VALUE, &info));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  chmod(dir.Sub(".hidden").c_str(), 0644);
}

TEST(ShellPath, VolumeInformationOfRoots) {
  WCHAR label[256] = L"junk", type[64] = L"";
  DWORD serial = 0, maxName = 0, flags = 0;
  ASSERT_TRUE(GetVolumeInformationW(L"Z:\\", label, 256, &serial, &maxName, &flags, type, 64));
  EXPECT_GT(maxName, 0u);
  EXPECT_TRUE(flags & FILE_CASE_PRESERVED_NAMES);
  EXPECT_FALSE(flags & FILE_CASE_SENSITIVE_SEARCH);
  EXPECT_TRUE(GetVolumeInformationW(L"\\", nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0));
  EXPECT_TRUE(GetVolumeInformationW(nullptr, nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0));

  struct Bad {
    const wchar_t* root;
    DWORD error;
  } const bad[] = {
      {L"Z:", ERROR_INVALID_NAME},
      {L"Q:\\", ERROR_PATH_NOT_FOUND},
      {L"\\\\srv\\share\\", ERROR_BAD_NETPATH},
  };
  for (const Bad& row : bad) {
    SCOPED_TRACE(Utf8(row.root));
    EXPECT_FALSE(GetVolumeInformationW(row.root, label, 256, &serial, nullptr, nullptr, nullptr, 0));
    EXPECT_EQ(GetLastError(), row.error);
  }
  TempDir dir;
  struct stat st, parent;
  ASSERT_EQ(stat(dir.path().c_str(), &st), 0);
  ASSERT_EQ(stat((dir.path() + "/..").c_str(), &parent), 0);
  if (st.st_dev == parent.st_dev) {
    EXPECT_FALSE(GetVolumeInformationW(dir.Win(), nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIR_NOT_ROOT));
  }
}

TEST(ShellPath, CommandLineQuotesByWindowsRules) {
  auto result = kavro::test::Run({kavro::test::ProbePath("command_line_platform"), "plain", "two words", "",
                                  "say \"hi\"", "back\\slash\\", "trail\\ x\\"});
  ASSERT_EQ(result.exitCode, 0) << result.output;
  CString probe = CString(kavro::platform::KvWindowsPath(kavro::test::ProbePath("command_line_platform")));
  std::string expected = Utf8(probe) +
                         " plain \"two words\" \"\" \"say \\\"hi\\\"\" back\\slash\\ \"trail\\ x\\\\\"";
  EXPECT_EQ(result.output, expected);
}

}  // namespace
