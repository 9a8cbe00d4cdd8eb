#include <gtest/gtest.h>

#include "support/test_support.h"

namespace {

TEST(FileNameHelper, SplitsNamesIntoTheirParts) {
  struct Row {
    const wchar_t* full;
    const wchar_t* path;
    const wchar_t* name;
    const wchar_t* ext;
    const wchar_t* nameExt;
  } const rows[] = {
      {L"C:\\a\\b.c.txt", L"C:\\a\\", L"b.c", L".txt", L"b.c.txt"},
      {L"\\\\srv\\share\\d\\f.dwg", L"\\\\srv\\share\\d\\", L"f", L".dwg", L"f.dwg"},
      {L"readme", L"", L"readme", L"", L"readme"},
      {L"C:\\dir.d\\file", L"C:\\dir.d\\", L"file", L"", L"file"},
      {L"/usr/lib/x.so", L"/usr/lib/", L"x", L".so", L"x.so"},
      {L"C:", L"C:", L"", L"", L""},
      {L"", L"", L"", L"", L""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(kavro::test::Utf8(row.full));
    CFileNameHelper helper;
    EXPECT_TRUE(helper.setFullName(row.full));
    CString out;
    helper.getPath(out);
    EXPECT_EQ(out, row.path);
    helper.getNameWithoutPath(out);
    EXPECT_EQ(out, row.name);
    helper.getExt(out);
    EXPECT_EQ(out, row.ext);
    helper.getNameExtWithoutPath(out);
    EXPECT_EQ(out, row.nameExt);
    CStringOpr::getNameExtWithoutPath(row.full, out);
    EXPECT_EQ(out, row.nameExt);
  }
}

TEST(FileNameHelper, HasNoLengthLimit) {
  CString folder = L"C:\\";
  for (int i = 0; i < 100; ++i) folder += L"folder\\";
  CString name(L'n', 400);
  CFileNameHelper helper;
  helper.setFullName(folder + name + L".dwg");
  CString out;
  helper.getPath(out);
  EXPECT_EQ(out, folder);
  helper.getNameExtWithoutPath(out);
  EXPECT_EQ(out, name + L".dwg");
}

}  // namespace
