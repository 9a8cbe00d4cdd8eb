#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace {

using kavro::test::TempDir;
using kavro::test::Utf8;

TEST(Path, SplitsWindowsPaths) {
  struct Row {
    const wchar_t* text;
    int isFolder;
    const wchar_t* drive;
    const wchar_t* dir;
    const wchar_t* title;
    const wchar_t* ext;
    BOOL relative, local, fileName;
    const wchar_t* path;  // GetPath(FALSE, FALSE)
  } const rows[] = {
      {L"C:\\Dir/Sub\\file.tar.gz", FALSE, L"C:", L"\\Dir\\Sub\\", L"file.tar", L"gz", FALSE, TRUE, FALSE,
       L"C:\\Dir\\Sub\\file.tar.gz"},
      {L"C:\\Dir\\Sub", TRUE, L"C:", L"\\Dir\\Sub\\", L"", L"", FALSE, TRUE, FALSE, L"C:\\Dir\\Sub\\"},
      {L"C:\\Dir\\Sub\\", TRUE, L"C:", L"\\Dir\\Sub\\", L"", L"", FALSE, TRUE, FALSE, L"C:\\Dir\\Sub\\"},
      {L"C:\\My.Folder", TRUE, L"C:", L"\\My.Folder\\", L"", L"", FALSE, TRUE, FALSE, L"C:\\My.Folder\\"},
      {L"file.txt", FALSE, L"", L"", L"file", L"txt", FALSE, FALSE, TRUE, L"file.txt"},
      {L"..\\b\\c.txt", FALSE, L"", L"..\\b\\", L"c", L"txt", TRUE, FALSE, FALSE, L"..\\b\\c.txt"},
      {L"\\a\\b.dwg", FALSE, L"", L"\\a\\", L"b", L"dwg", TRUE, FALSE, FALSE, L"\\a\\b.dwg"},
      {L"C:a\\b", FALSE, L"C:", L"a\\", L"b", L"", TRUE, FALSE, FALSE, L"C:a\\b"},
      {L"\\\\srv\\share\\x\\f.dwg", FALSE, L"", L"\\\\srv\\share\\x\\", L"f", L"dwg", TRUE, FALSE, FALSE,
       L"\\\\srv\\share\\x\\f.dwg"},
      {L"\"C:\\Program Files\\app.exe\"", FALSE, L"C:", L"\\Program Files\\", L"app", L"exe", FALSE, TRUE,
       FALSE, L"C:\\Program Files\\app.exe"},
      {L"C:\\", FALSE, L"C:", L"\\", L"", L"", FALSE, TRUE, FALSE, L"C:\\"},
      {L"C:\\a\\.dotfile", FALSE, L"C:", L"\\a\\", L".dotfile", L"", FALSE, TRUE, FALSE, L"C:\\a\\.dotfile"},
      {L"", FALSE, L"", L"", L"", L"", FALSE, FALSE, FALSE, L""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Utf8(row.text));
    CPath p(row.text, row.isFolder, FALSE);
    EXPECT_EQ(p.GetDrive(), row.drive);
    EXPECT_EQ(p.GetDir(-1), row.dir);
    EXPECT_EQ(p.GetFileTitle(), row.title);
    EXPECT_EQ(p.GetExtName(), row.ext);
    EXPECT_EQ(p.IsRelativePath(), row.relative);
    EXPECT_EQ(p.IsLocalPath(), row.local);
    EXPECT_EQ(p.IsFileName(), row.fileName);
    EXPECT_EQ(p.IsFilePath(), row.title[0] != 0);
    EXPECT_EQ(p.GetPath(FALSE, FALSE), row.path);
    EXPECT_EQ(CString(static_cast<const wchar_t*>(p)), row.path);
    EXPECT_EQ(p.GetPath(FALSE, TRUE), row.text);
  }
}

TEST(Path, DirectoryNames) {
  struct Row {
    const wchar_t* text;
    std::vector<std::wstring> names;
  } const rows[] = {
      {L"C:\\a\\b\\", {L"a", L"b"}},
      {L"a\\b\\", {L"a", L"b"}},
      {L"\\\\srv\\share\\x\\", {L"", L"", L"srv", L"share", L"x"}},
      {L"C:\\f.txt", {}},
      {L"f.txt", {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Utf8(row.text));
    CPath p(row.text, FALSE, FALSE);
    ASSERT_EQ(p.GetDirCount(), static_cast<int>(row.names.size()));
    for (size_t i = 0; i < row.names.size(); ++i) EXPECT_EQ(p.GetDir(static_cast<int>(i)), row.names[i].c_str());
    EXPECT_EQ(p.GetDir(static_cast<int>(row.names.size())), L"");
  }
}

TEST(Path, ParsesArguments) {
  struct Arg {
    wchar_t prefix;
    const wchar_t* name;
    const wchar_t* value;
  };
  struct Row {
    const wchar_t* line;
    const wchar_t* title;
    const wchar_t* text;
    std::vector<Arg> args;
  } const rows[] = {
      {L"\"C:\\Program Files\\app.exe\" /x -y \"a b\"", L"app", L"/x -y \"a b\"",
       {{L'/', L"x", L""}, {L'-', L"y", L"a b"}}},
      {L"app.exe /a /b x \"c d\"", L"app", L"/a /b x \"c d\"",
       {{L'/', L"a", L""}, {L'/', L"b", L"x"}, {L'/', L"", L"c d"}}},
      {L"tool -out \"C:\\My Files\\r.txt\"", L"tool", L"-out \"C:\\My Files\\r.txt\"",
       {{L'-', L"out", L"C:\\My Files\\r.txt"}}},
      {L"tool -q name", L"tool", L"-q name", {{L'-', L"q", L"name"}}},
      {L"tool /a \"unclosed", L"tool", L"/a \"unclosed", {{L'/', L"a", L""}}},
      {L"tool", L"tool", L"", {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Utf8(row.line));
    CPath p(row.line, FALSE, TRUE);
    EXPECT_EQ(p.GetFileTitle(), row.title);
    EXPECT_EQ(p.GetArgument(-1, FALSE), row.text);
    ASSERT_EQ(p.GetArgCount(), static_cast<int>(row.args.size()));
    for (size_t i = 0; i < row.args.size(); ++i) {
      EXPECT_EQ(p.GetArgument(static_cast<int>(i), TRUE), row.args[i].name);
      EXPECT_EQ(p.GetArgument(static_cast<int>(i), FALSE), row.args[i].value);
    }
    EXPECT_EQ(p.GetArgument(static_cast<int>(row.args.size()), TRUE), L"");
  }
  CPath p(L"tool /x -y \"a b\"", FALSE, TRUE);
  EXPECT_EQ(p.GetPath(TRUE, FALSE), L"tool/x -y \"a b\"");  // no separator, as the original
}

TEST(Path, EditsArguments) {
  CPath p(L"app.exe /x 1 -name old", FALSE, TRUE);
  p.RemoveArgument(0);  // list not parsed yet: nothing happens
  EXPECT_EQ(p.GetArgument(-1, FALSE), L"/x 1 -name old");
  EXPECT_EQ(p.FindArgument(L"-NAME"), 1);
  EXPECT_EQ(p.FindArgument(L"/ "), -1);
  EXPECT_EQ(p.FindArgument(L"missing"), -1);
  p.AddSetArgument(L"name", L"new value");
  EXPECT_EQ(p.GetArgument(-1, FALSE), L"/x 1 -name \"new value\"");
  p.AddSetArgument(L"-v", L"");
  EXPECT_EQ(p.GetArgument(-1, FALSE), L"/x 1 -name \"new value\" -v");
  p.AddSetArgument(L"plain", L"2");
  EXPECT_EQ(p.GetArgument(-1, FALSE), L"/x 1 -name \"new value\" -v /plain 2");
  p.RemoveArgument(0);
  EXPECT_EQ(p.GetArgument(-1, FALSE), L"-name \"new value\" -v /plain 2");
  p.RemoveArgument(9);
  EXPECT_EQ(p.GetArgCount(), 3);
  p.SetArguments(L"-a -b");
  EXPECT_EQ(p.GetArgCount(), 2);
  EXPECT_EQ(p.GetArgument(1, TRUE), L"b");

  CPath::CArgument a;
  a.SetName(L"-/x y");
  EXPECT_EQ(a.GetPrefix(), L'-');
  EXPECT_EQ(a.GetName(), L"xy");
  a.SetValue(L"v w");
  EXPECT_EQ(a.GetString(), L" -xy \"v w\"");
}

TEST(Path, SetPathReplacesEveryPartOfTheEarlierPath) {
  CPath p(L"C:\\a\\file.txt /x", FALSE, TRUE);
  p.SetPath(L"D:\\b", TRUE, FALSE);
  EXPECT_EQ(p.GetDrive(), L"D:");
  EXPECT_EQ(p.GetFileTitle(), L"");
  EXPECT_FALSE(p.IsFilePath());
  EXPECT_EQ(p.GetPath(FALSE, FALSE), L"D:\\b\\");
  EXPECT_EQ(p.GetArgument(-1, FALSE), L"/x");  // arguments stay without hasArgs
  p.SetPath(L"", FALSE, FALSE);
  EXPECT_EQ(p.GetPath(FALSE, FALSE), L"");
  p = L"E:\\c\\d.dwg";
  EXPECT_EQ(p.GetFileName(), L"d.dwg");
  CPath copy;
  copy = p;
  EXPECT_EQ(copy.GetPath(FALSE, FALSE), L"E:\\c\\d.dwg");
  EXPECT_EQ(copy.GetDirCount(), 1);
}

TEST(Path, LongPathsAreNotCut) {
  std::wstring dir = L"C:\\" + std::wstring(200, L'a') + L"\\" + std::wstring(200, L'b') + L"\\";
  std::wstring full = L"\"" + dir + L"name.ext\" /switch";
  CPath p(full.c_str(), FALSE, TRUE);
  EXPECT_EQ(p.GetDir(-1), (dir.substr(2)).c_str());
  EXPECT_EQ(p.GetFileName(), L"name.ext");
  EXPECT_EQ(p.GetArgument(0, TRUE), L"switch");
  CPath r(L"..\\x.txt", FALSE, FALSE);
  EXPECT_EQ(r.GetAbsolutePath(dir.c_str()), (dir.substr(0, dir.size() - 201) + L"x.txt").c_str());
}

TEST(Path, BackSlashes) {
  EXPECT_EQ(CPath::AddBackSlash(L"", FALSE), L"");
  EXPECT_EQ(CPath::AddBackSlash(L"C:\\a", FALSE), L"C:\\a\\");
  EXPECT_EQ(CPath::AddBackSlash(L"C:\\a", TRUE), L"C:\\a/");
  EXPECT_EQ(CPath::AddBackSlash(L"C:/a/", FALSE), L"C:/a/");
  EXPECT_EQ(CPath::RemoveBackSlash(L"C:\\a\\\\"), L"C:\\a\\");
  EXPECT_EQ(CPath::RemoveBackSlash(L"a/"), L"a");
  EXPECT_EQ(CPath::RemoveBackSlash(L""), L"");
}

TEST(Path, RelativeAndAbsoluteForms) {
  struct Row {
    const wchar_t* path;
    const wchar_t* base;
    const wchar_t* absolute;
    const wchar_t* relative;
  } const rows[] = {
      {L"C:\\a\\b\\c.txt", L"C:\\a", L"", L"b\\c.txt"},
      {L"C:\\a\\b\\c.txt", L"C:\\a\\", L"", L"b\\c.txt"},
      {L"C:\\x\\c.txt", L"C:\\a\\b", L"", L"..\\..\\x\\c.txt"},
      {L"C:\\a\\", L"C:\\a", L"", L""},  // ".\" loses its ".\"
      {L"C:\\a", L"C:\\a", L"", L"..\\a"},  // "a" is taken as a file
      {L"D:\\a\\f.txt", L"C:\\a", L"", L""},
      {L"..\\b\\c.txt", L"C:\\a\\", L"C:\\b\\c.txt", L""},
      {L"sub\\", L"C:\\a", L"C:\\a\\sub\\", L""},
      {L"\\sub\\f.txt", L"C:\\a\\\\", L"C:\\a\\sub\\f.txt", L""},
      {L"..\\b\\c.txt", L"", L"", L""},
      {L"file.txt", L"C:\\a", L"", L""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Utf8(row.path) + " @ " + Utf8(row.base));
    CPath p(row.path, FALSE, FALSE);
    EXPECT_EQ(p.GetAbsolutePath(row.base), row.absolute);
    EXPECT_EQ(p.GetRelativePath(row.base), row.relative);
  }
}

TEST(Path, CreatesMissingFolders) {
  TempDir dir;
  mkdir(dir.Sub("Exists").c_str(), 0755);
  CPath file(dir.Win("exists\\new\\deeper\\f.txt"), FALSE, FALSE);
  EXPECT_FALSE(file.ExistLocation());
  EXPECT_TRUE(file.CreateDirectorys());
  EXPECT_TRUE(kavro::test::IsDirectory(dir.Sub("Exists/new/deeper")));
  EXPECT_FALSE(kavro::test::Exists(dir.Sub("Exists/new/deeper/f.txt")));
  EXPECT_TRUE(file.ExistLocation());
  EXPECT_FALSE(file.ExistFile());
  kavro::test::WriteBytes(dir.Sub("Exists/new/deeper/f.txt"), "x");
  EXPECT_TRUE(file.ExistFile());

  CPath folder(dir.Win("Exists\\as.folder"), TRUE, FALSE);
  EXPECT_TRUE(folder.CreateDirectorys());
  EXPECT_TRUE(kavro::test::IsDirectory(dir.Sub("Exists/as.folder")));

  kavro::test::WriteBytes(dir.Sub("plain"), "x");
  CPath blocked(dir.Win("plain\\sub\\"), FALSE, FALSE);
  EXPECT_FALSE(blocked.CreateDirectorys());
  EXPECT_FALSE(CPath(L"Q:\\nowhere\\x\\", FALSE, FALSE).CreateDirectorys());
}

TEST(Path, FileSizeIsExactBeyondFourGigabytes) {
  TempDir dir;
  int fd = open(dir.Sub("sparse.bin").c_str(), O_CREAT | O_WRONLY, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(ftruncate(fd, 5000000000LL), 0);
  close(fd);
  __int64 size = -1;
  EXPECT_TRUE(CPath(dir.Win("sparse.bin"), FALSE, FALSE).GetFileSize(size));
  EXPECT_EQ(size, 5000000000LL);
  EXPECT_FALSE(CPath(dir.Win("missing.bin"), FALSE, FALSE).GetFileSize(size));
  EXPECT_EQ(size, 0);
  EXPECT_FALSE(CPath(dir.Win(), TRUE, FALSE).GetFileSize(size));  // a folder cannot be opened
}

TEST(Path, FileTimesAreTheFilesInstants) {
  TempDir dir;
  kavro::test::WriteBytes(dir.Sub("t.txt"), "x");
  struct timespec times[2] = {{1600000000, 0}, {1500000000, 0}};  // access, write
  ASSERT_EQ(utimensat(AT_FDCWD, dir.Sub("t.txt").c_str(), times, 0), 0);
  CPath p(dir.Win("t.txt"), FALSE, FALSE);
  CTime t;
  EXPECT_TRUE(p.GetFileTime(t, 2));
  EXPECT_EQ(t.GetTime(), 1500000000);
  EXPECT_TRUE(p.GetFileTime(t, 1));
  EXPECT_EQ(t.GetTime(), 1600000000);
  EXPECT_TRUE(p.GetFileTime(t, 0));
  EXPECT_EQ(t.GetTime(), 1500000000);  // the older of change and write time

  CTime missing(123);
  EXPECT_FALSE(CPath(dir.Win("gone.txt"), FALSE, FALSE).GetFileTime(missing, 2));
  EXPECT_EQ(missing.GetTime(), 0);
}

TEST(Path, DriveLabelAndPathForms) {
  TempDir dir;
  kavro::test::WriteBytes(dir.Sub("f.txt"), "x");
  CPath p(dir.Win("f.txt"), FALSE, FALSE);
  WCHAR label[256] = L"";
  ASSERT_TRUE(GetVolumeInformationW(L"Z:\\", label, 256, nullptr, nullptr, nullptr, nullptr, 0));
  EXPECT_EQ(p.GetDriveLabel(FALSE), label);
  EXPECT_EQ(CPath(L"rel\\f.txt", FALSE, FALSE).GetDriveLabel(FALSE), L"");
  EXPECT_EQ(CPath(L"Q:\\f.txt", FALSE, FALSE).GetDriveLabel(FALSE), L"");
  EXPECT_EQ(p.GetLongPath(), dir.Win("f.txt"));
  EXPECT_EQ(p.GetShortPath(), dir.Win("f.txt"));
  EXPECT_EQ(CPath(dir.Win("gone.txt"), FALSE, FALSE).GetLongPath(), L"");
}

TEST(Path, ProcessPaths) {
  CPath exe(1);
  EXPECT_EQ(exe.GetFileTitle(), L"kavro_files_tests");
  EXPECT_TRUE(exe.ExistFile());
  CPath line(static_cast<DWORD>(0));
  EXPECT_EQ(line.GetFileTitle(), L"kavro_files_tests");
  CPath none(7);
  EXPECT_EQ(none.GetPath(FALSE, TRUE), L"");
}

}  // namespace
