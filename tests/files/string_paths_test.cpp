#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace {

using kavro::test::Exists;
using kavro::test::IsDirectory;
using kavro::test::ReadBytes;
using kavro::test::TempDir;
using kavro::test::Utf8;
using kavro::test::WriteBytes;

TEST(StringPaths, AbsoluteAndRelativeAgainstABase) {
  struct Row {
    const wchar_t* path;
    const wchar_t* base;
    const wchar_t* absolute;
  } const rows[] = {
      {L"..\\x.dwg", L"C:\\p\\q\\", L"C:\\p\\x.dwg"},
      {L"..\\x.dwg", L"C:\\p\\q", L"C:\\x.dwg"},  // "q" counts as a file name
      {L"x.dwg", L"C:\\p\\", L"C:\\p\\x.dwg"},
      {L"sub\\.\\a.txt", L"C:\\p\\", L"C:\\p\\sub\\a.txt"},
      {L"sub\\", L"C:\\p\\", L"C:\\p\\sub\\"},
      {L"D:\\abs\\y.dwg", L"C:\\p\\", L"D:\\abs\\y.dwg"},
      {L"..\\x.dwg", L"", L""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Utf8(row.path) + " @ " + Utf8(row.base));
    EXPECT_EQ(Utf8(CStringOpr::GetAbsolutePath(row.path, row.base)), Utf8(row.absolute));
  }
  EXPECT_EQ(Utf8(CStringOpr::GetRelativePath(L"C:\\a\\b\\c.txt", L"C:\\a")), "b\\c.txt");
  EXPECT_EQ(Utf8(CStringOpr::GetRelativePath(L"C:\\x\\c.txt", L"C:\\a\\")), "..\\x\\c.txt");
  EXPECT_EQ(Utf8(CStringOpr::GetRelativePath(L"b\\c.txt", L"C:\\a")), "");
}

TEST(StringPaths, IsFileLooksAtTheTextOnly) {
  struct Row {
    const wchar_t* path;
    const wchar_t* ext;
    int expected;
  } const rows[] = {
      {L"C:\\a\\x.DWG", L".dwg", TRUE}, {L"C:\\a\\x.dwg", L"", TRUE},  {L"C:\\a\\x.dxf", L".dwg", FALSE},
      {L"C:\\a\\", L"", FALSE},         {L"x", L".dwg", FALSE},        {L"Q:\\none\\y.dwg", L"dwg", TRUE},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Utf8(row.path) + " / " + Utf8(row.ext));
    EXPECT_EQ(CStringOpr::IsFile(row.path, row.ext), row.expected);
  }
}

TEST(StringPaths, IsDirPath) {
  TempDir dir;
  WriteBytes(dir.Sub("file.txt"), "x");
  WriteBytes(dir.Sub("ro.txt"), "x");
  chmod(dir.Sub("ro.txt").c_str(), 0444);
  mkdir(dir.Sub(".hidden").c_str(), 0755);
  symlink(dir.path().c_str(), dir.Sub("link").c_str());
  struct Row {
    CString path;
    int expected;
  } const rows[] = {
      {dir.Win(), TRUE},
      {dir.Win(".hidden"), TRUE},
      {dir.Win("link"), TRUE},
      {dir.Win("missing"), TRUE},
      {L"Z:\\", TRUE},
      {dir.Win("file.txt"), FALSE},
      {dir.Win("ro.txt"), FALSE},
      {L"", FALSE},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Utf8(row.path));
    EXPECT_EQ(CStringOpr::IsDirPath(row.path), row.expected);
  }
  chmod(dir.Sub("ro.txt").c_str(), 0644);
}

// A tree with nested folders, a read-only file, a dot-file and a link to a
// folder outside the tree.
class TreeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mkdir(tree_.Sub("sub").c_str(), 0755);
    mkdir(tree_.Sub("sub/deep").c_str(), 0755);
    mkdir(tree_.Sub("keep").c_str(), 0755);
    WriteBytes(tree_.Sub("top.txt"), "top");
    WriteBytes(tree_.Sub("sub/a.txt"), "a");
    WriteBytes(tree_.Sub("sub/deep/b.txt"), "b");
    WriteBytes(tree_.Sub("sub/ro.txt"), "ro");
    chmod(tree_.Sub("sub/ro.txt").c_str(), 0444);
    WriteBytes(tree_.Sub("keep/other.txt"), "other");
    WriteBytes(tree_.Sub(".dotfile"), "dot");
    WriteBytes(outside_.Sub("secret.txt"), "secret");
    chmod(outside_.Sub("secret.txt").c_str(), 0444);
    symlink(outside_.path().c_str(), tree_.Sub("outlink").c_str());
  }
  void TearDown() override {
    chmod(outside_.Sub("secret.txt").c_str(), 0644);
    chmod(tree_.Sub("sub/ro.txt").c_str(), 0644);
    chmod(target_.Sub("sub/ro.txt").c_str(), 0644);
  }

  static CStringArray Items(std::initializer_list<const wchar_t*> items) {
    CStringArray out;
    for (const wchar_t* item : items) out.Add(item);
    return out;
  }

  TempDir tree_, outside_, target_;
};

TEST_F(TreeTest, DeleteFilesAndDirsRemovesListedItems) {
  CStringArray items = Items({L"sub\\deep\\b.txt", L"sub\\ro.txt", L"sub\\a.txt", L".dotfile", L"sub\\deep\\",
                              L"keep\\", L"sub\\", L"missing.txt"});
  CStringOpr::DeleteFilesAndDirs(items, tree_.Win());
  EXPECT_FALSE(Exists(tree_.Sub("sub")));  // emptied, then removed
  EXPECT_FALSE(Exists(tree_.Sub(".dotfile")));
  EXPECT_TRUE(Exists(tree_.Sub("keep/other.txt")));  // not empty: kept
  EXPECT_TRUE(Exists(tree_.Sub("top.txt")));
}

TEST_F(TreeTest, DeleteNeverGoesThroughALink) {
  CStringArray items = Items({L"outlink\\secret.txt", L"outlink\\"});
  CStringOpr::DeleteFilesAndDirs(items, tree_.Win());
  EXPECT_EQ(ReadBytes(outside_.Sub("secret.txt")), "secret");
  struct stat st;
  ASSERT_EQ(stat(outside_.Sub("secret.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0444u);  // the target's attributes untouched

  // A listed link to a file goes as a link; its target stays as it was.
  symlink(outside_.Sub("secret.txt").c_str(), tree_.Sub("filelink").c_str());
  items = Items({L"filelink"});
  CStringOpr::DeleteFilesAndDirs(items, tree_.Win());
  struct stat lst;
  EXPECT_NE(lstat(tree_.Sub("filelink").c_str(), &lst), 0);
  ASSERT_EQ(stat(outside_.Sub("secret.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0444u);
}

TEST_F(TreeTest, CopyFilesAndDirsCopiesUnderTheOtherBase) {
  CStringArray items = Items({L"sub\\", L"sub\\a.txt", L"sub\\ro.txt", L"sub\\deep\\b.txt", L"empty\\",
                              L".dotfile", L"top.txt", L"missing.txt"});
  mkdir(tree_.Sub("empty").c_str(), 0755);
  CString destination = target_.Win("copy\\");
  CStringOpr::CopyFilesAndDirs(items, tree_.Win(), destination);
  EXPECT_EQ(ReadBytes(target_.Sub("copy/sub/a.txt")), "a");
  EXPECT_EQ(ReadBytes(target_.Sub("copy/sub/deep/b.txt")), "b");
  EXPECT_EQ(ReadBytes(target_.Sub("copy/top.txt")), "top");
  EXPECT_EQ(ReadBytes(target_.Sub("copy/.dotfile")), "dot");
  EXPECT_TRUE(IsDirectory(target_.Sub("copy/empty")));
  EXPECT_FALSE(Exists(target_.Sub("copy/missing.txt")));
  struct stat st;
  ASSERT_EQ(stat(target_.Sub("copy/sub/ro.txt").c_str(), &st), 0);
  EXPECT_NE(st.st_mode & 0200, 0u);  // the copy is writable
  EXPECT_EQ(ReadBytes(target_.Sub("copy/sub/ro.txt")), "ro");

  // Copying again overwrites.
  WriteBytes(tree_.Sub("top.txt"), "changed");
  CStringOpr::CopyFilesAndDirs(items, tree_.Win(), destination);
  EXPECT_EQ(ReadBytes(target_.Sub("copy/top.txt")), "changed");
}

TEST_F(TreeTest, CopyNeverFollowsLinks) {
  CStringArray items = Items({L"outlink\\", L"outlink\\secret.txt", L"outlink"});
  CStringOpr::CopyFilesAndDirs(items, tree_.Win(), target_.Win());
  EXPECT_FALSE(Exists(target_.Sub("outlink/secret.txt")));
  struct stat st;
  EXPECT_NE(lstat(target_.Sub("outlink").c_str(), &st), 0);

  // A linked folder in the target tree is not written through.
  mkdir(target_.Sub("t").c_str(), 0755);
  symlink(outside_.path().c_str(), target_.Sub("t/sub").c_str());
  items = Items({L"sub\\a.txt"});
  CStringOpr::CopyFilesAndDirs(items, tree_.Win(), target_.Win("t\\"));
  EXPECT_FALSE(Exists(outside_.Sub("a.txt")));
}

TEST_F(TreeTest, CopyOntoItselfLosesNothing) {
  CStringArray items = Items({L"top.txt"});
  CStringOpr::CopyFilesAndDirs(items, tree_.Win(), tree_.Win());
  EXPECT_EQ(ReadBytes(tree_.Sub("top.txt")), "top");
}

}  // namespace
