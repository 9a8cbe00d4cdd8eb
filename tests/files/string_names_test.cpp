#include <gtest/gtest.h>

#include "support/test_support.h"

namespace {

using kavro::test::Utf8;

TEST(StringNames, PartsOfFileNames) {
  struct Row {
    const wchar_t* full;
    const wchar_t* path;
    const wchar_t* name;
    const wchar_t* ext;
  } const rows[] = {
      {L"C:\\a\\b.c.txt", L"C:\\a\\", L"b.c", L".txt"},
      {L"\\\\srv\\share\\d\\f.dwg", L"\\\\srv\\share\\d\\", L"f", L".dwg"},
      {L"readme", L"", L"readme", L""},
      {L"C:\\dir.d\\", L"C:\\dir.d\\", L"", L""},
      {L"C:x.DWG", L"C:", L"x", L".DWG"},
      {L".profile", L"", L"", L".profile"},
      {L"", L"", L"", L""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Utf8(row.full));
    CString out;
    EXPECT_TRUE(CStringOpr::getPath(row.full, out));
    EXPECT_EQ(out, row.path);
    EXPECT_TRUE(CStringOpr::getNameWithoutPath(row.full, out));
    EXPECT_EQ(out, row.name);
    EXPECT_TRUE(CStringOpr::getExt(row.full, out));
    EXPECT_EQ(out, row.ext);
    EXPECT_EQ(CStringOpr::getExt(row.full), row.ext);
  }
}

TEST(StringNames, SplitPathFillsTheOutputsGiven) {
  struct Row {
    const wchar_t* path;
    const wchar_t* drive;
    const wchar_t* dir;
    const wchar_t* name;
    const wchar_t* ext;
  } const rows[] = {
      {L"C:\\a\\b.c.txt", L"C:", L"\\a\\", L"b.c", L".txt"},
      {L"C:/a/b", L"C:", L"/a/", L"b", L""},
      {L"name.", L"", L"", L"name", L"."},
      {L"\\x\\", L"", L"\\x\\", L"", L""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Utf8(row.path));
    CString drive = L"old", dir = L"old", name = L"old", ext = L"old";
    CStringOpr::SplitPath(row.path, &drive, &dir, &name, &ext);
    EXPECT_EQ(drive, row.drive);
    EXPECT_EQ(dir, row.dir);
    EXPECT_EQ(name, row.name);
    EXPECT_EQ(ext, row.ext);
  }
  CString name;
  CStringOpr::SplitPath(L"C:\\a\\b.txt", nullptr, nullptr, &name, nullptr);
  EXPECT_EQ(name, L"b");
}

TEST(StringNames, CombinePathStringJoinsWithOneBackslash) {
  struct Row {
    const wchar_t* first;
    const wchar_t* second;
    const wchar_t* joined;
  } const rows[] = {
      {L"C:\\a\\\\", L"\\\\b", L"C:\\a\\b"},
      {L"C:\\a", L"b", L"C:\\a\\b"},
      {L"", L"b", L"\\b"},
      {L"C:\\a\\", L"", L"C:\\a\\"},
      {L"C:/a/", L"b", L"C:/a/\\b"},  // only backslashes are trimmed
      {nullptr, nullptr, L"\\"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Utf8(row.joined));
    EXPECT_EQ(CStringOpr::combinePathString(row.first, row.second), row.joined);
  }
}

}  // namespace
