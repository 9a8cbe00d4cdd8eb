// KvListFolder: every entry but "." and "..", by its Windows name, with the
// attributes its type tells.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/fs/fileapi_internal.h"
#include "support/test_support.h"

namespace {

using kavro::platform::KvListFolder;

std::map<std::wstring, DWORD> List(const CString& folder, BOOL* ok = nullptr) {
  std::map<std::wstring, DWORD> listed;
  const BOOL result = KvListFolder(folder, [](void* c, const wchar_t* name, DWORD attributes) {
    (*static_cast<std::map<std::wstring, DWORD>*>(c))[name] = attributes;
  }, &listed);
  if (ok) *ok = result;
  return listed;
}

TEST(FolderListInternal, EntriesComeWithTheAttributesOfTheirType) {
  kavro::test::TempDir dir;
  kavro::test::WriteBytes(dir.Sub("file.txt"), "x");
  ASSERT_EQ(0, mkdir(dir.Sub("sub").c_str(), 0755));
  ASSERT_EQ(0, symlink("sub", dir.Sub("to_sub").c_str()));
  ASSERT_EQ(0, symlink("file.txt", dir.Sub("to_file").c_str()));
  ASSERT_EQ(0, symlink("missing", dir.Sub("dangling").c_str()));
  ASSERT_EQ(0, mkfifo(dir.Sub("fifo").c_str(), 0600));
  ASSERT_EQ(0, mkdir(dir.Sub("back\\slash").c_str(), 0755));
  BOOL ok = FALSE;
  const std::map<std::wstring, DWORD> listed = List(dir.Win(), &ok);
  ASSERT_TRUE(ok);
  const std::map<std::wstring, DWORD> expected = {
      {L"file.txt", FILE_ATTRIBUTE_NORMAL},
      {L"sub", FILE_ATTRIBUTE_DIRECTORY},
      {L"to_sub", FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY},
      {L"to_file", FILE_ATTRIBUTE_REPARSE_POINT},
      {L"dangling", FILE_ATTRIBUTE_REPARSE_POINT},
      {L"fifo", FILE_ATTRIBUTE_NORMAL},
      {L"back\xF05Cslash", FILE_ATTRIBUTE_DIRECTORY},
  };
  EXPECT_EQ(expected, listed);
}

TEST(FolderListInternal, BadFoldersFailWithTheirError) {
  kavro::test::TempDir dir;
  kavro::test::WriteBytes(dir.Sub("file"), "x");
  struct Row {
    CString folder;
    DWORD error;
  } const rows[] = {
      {dir.Win("missing"), ERROR_PATH_NOT_FOUND},
      {dir.Win("file"), ERROR_PATH_NOT_FOUND},
      {L"", ERROR_INVALID_PARAMETER},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(kavro::test::Utf8(r.folder));
    BOOL ok = TRUE;
    EXPECT_TRUE(List(r.folder, &ok).empty());
    EXPECT_FALSE(ok);
    EXPECT_EQ(r.error, GetLastError());
  }
}

}  // namespace
